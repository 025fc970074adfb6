#pragma once

#include <QString>
#include <exception>

namespace lesaro {

// Every failure of the data core travels as this exception; its message is the German text
// that the window code shows to the user unchanged.
class EngineError : public std::exception {
public:
    explicit EngineError(QString message)
        : m_message(std::move(message))
        , m_utf8(m_message.toUtf8()) {}
    const QString& message() const noexcept { return m_message; }
    const char* what() const noexcept override { return m_utf8.constData(); }

private:
    QString m_message;
    QByteArray m_utf8;
};

} // namespace lesaro
