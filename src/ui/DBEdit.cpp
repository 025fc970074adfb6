#include "ui/DBEdit.h"

#include "ui/FieldLink.h"

#include <QFocusEvent>
#include <QKeyEvent>

namespace lesaro {

DBEdit::DBEdit(QWidget* parent)
    : QLineEdit(parent)
    , m_link(new FieldLink(this, [this] { return text(); })) {
    connect(this, &QLineEdit::textEdited, m_link, &FieldLink::userChanged);
    connect(m_link, &FieldLink::refreshNeeded, this, &DBEdit::refresh);
}

void DBEdit::bind(DataSource* source, const QString& fieldName) {
    m_link->bind(source, fieldName);
    const int width = m_link->maxLength();
    setMaxLength(width > 0 ? width : 32767);
    setReadOnly(m_link->isLookup());
    refresh();
}

void DBEdit::refresh() {
    showText(hasFocus() ? m_link->text() : m_link->displayText());
}

void DBEdit::showText(const QString& text) {
    // Setting the same text again would move the cursor under the user's hands.
    if (text == this->text())
        return;
    setText(text);
    // A text longer than the box shows its beginning, not its end, until the user goes into it.
    if (!hasFocus())
        setCursorPosition(0);
}

void DBEdit::focusInEvent(QFocusEvent* event) {
    if (!m_link->touched())
        showText(m_link->text());
    QLineEdit::focusInEvent(event);
}

void DBEdit::focusOutEvent(QFocusEvent* event) {
    QLineEdit::focusOutEvent(event);
    const bool committed = m_link->commitOnFocusOut(event->reason());
    if (committed && !m_link->touched() && !hasFocus())
        showText(m_link->displayText());
    const Qt::FocusReason why = event->reason();
    if (committed && !hasFocus() && why != Qt::ActiveWindowFocusReason && why != Qt::PopupFocusReason)
        Q_EMIT exited();
}

void DBEdit::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier && m_link->revert()) {
        selectAll();
        event->accept();
        return;
    }
    QLineEdit::keyPressEvent(event);
}

} // namespace lesaro
