#pragma once

#include "catalogue/rules/SruQuery.h"
#include "catalogue/rules/TitleData.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QUrl>

class QNetworkAccessManager;
class QNetworkReply;
class QTimer;

namespace lesaro {

// Asks the configured catalogue services, one after the other, for the records of one ISBN and reads their
// answers. Only the request of SruQuery leaves the computer: no cookies are kept, nothing is cached, and a
// redirect is followed only to the same host. An answer that takes longer than the time limit, is larger
// than the size limit, comes with an HTTP error or is no well-formed SRU answer ends the lookup with a
// German message. The event loop keeps running meanwhile, so the window stays usable.
class TitleLookup : public QObject {
    Q_OBJECT
public:
    enum class Outcome { Found, NothingFound, Failed, Cancelled };
    struct Result {
        Outcome outcome = Outcome::NothingFound;
        QList<TitleData> records;
        QString message; // German, for NothingFound and Failed
        QString isbn;    // as asked
    };

    static constexpr int kDefaultTimeoutMs = 5000;
    static constexpr qint64 kMaximumBytes = 5 * 1024 * 1024;

    explicit TitleLookup(QObject* parent = nullptr);
    ~TitleLookup() override;

    // The limit for each service's answer, from the request to the last byte.
    void setTimeout(int milliseconds) { m_timeoutMs = milliseconds; }
    int timeout() const { return m_timeoutMs; }

    // Starts a lookup (ending one still running without a result); finished follows, also for a request that
    // cannot be made. Services with an empty address are passed over.
    void start(const QList<SruService>& services, const QString& isbn);
    // Ends a running lookup; finished follows with Cancelled.
    void cancel();
    bool running() const { return !m_reply.isNull(); }

    static QString nothingFoundMessage() { return QStringLiteral("Zu dieser ISBN wurde nichts gefunden."); }

Q_SIGNALS:
    void finished(const TitleLookup::Result& result);

private:
    void askNext();
    void onMetaData();
    void onReadyRead();
    void onRedirected(const QUrl& url);
    void onFinished();
    void onTimeout();
    // Ends the reply with this message; the next service is asked, or the lookup ends with the first message.
    void failReply(const QString& message);
    void stopReply();
    void finish(Result result);

    QNetworkAccessManager* m_network;
    QTimer* m_timer;
    QPointer<QNetworkReply> m_reply;
    int m_timeoutMs = kDefaultTimeoutMs;

    QList<SruService> m_services;
    int m_next = 0;
    QString m_isbn;
    QUrl m_url;
    QByteArray m_body;
    QString m_firstFailure;
    bool m_replyFailed = false;
};

} // namespace lesaro
