#include "ui/DBMemo.h"

#include "ui/FieldLink.h"

#include <QFocusEvent>
#include <QScopedValueRollback>

namespace lesaro {

DBMemo::DBMemo(QWidget* parent)
    : QPlainTextEdit(parent)
    , m_link(new FieldLink(this, [this] { return fieldText(); })) {
    setTabChangesFocus(true);
    connect(this, &QPlainTextEdit::textChanged, this, [this] {
        if (!m_refreshing)
            m_link->userChanged();
    });
    connect(m_link, &FieldLink::refreshNeeded, this, &DBMemo::refresh);
}

void DBMemo::bind(DataSource* source, const QString& fieldName) {
    m_link->bind(source, fieldName);
}

QString DBMemo::fieldText() const {
    QString text = toPlainText();
    text.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
    return text;
}

void DBMemo::refresh() {
    QString text = m_link->text();
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    if (text == toPlainText())
        return;
    const QScopedValueRollback guard(m_refreshing, true);
    setPlainText(text);
}

void DBMemo::focusOutEvent(QFocusEvent* event) {
    QPlainTextEdit::focusOutEvent(event);
    m_link->commitOnFocusOut(event->reason());
}

} // namespace lesaro
