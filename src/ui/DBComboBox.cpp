#include "ui/DBComboBox.h"

#include "ui/FieldLink.h"

#include <QFocusEvent>
#include <QLineEdit>

namespace lesaro {

DBComboBox::DBComboBox(QWidget* parent)
    : QComboBox(parent)
    , m_link(new FieldLink(this, [this] { return currentText(); })) {
    setEditable(true);
    setInsertPolicy(QComboBox::NoInsert);
    connect(lineEdit(), &QLineEdit::textEdited, m_link, &FieldLink::userChanged);
    connect(this, &QComboBox::textActivated, m_link, &FieldLink::userChanged);
    connect(m_link, &FieldLink::refreshNeeded, this, &DBComboBox::refresh);
    // Filling the items makes the box show the first of them; the field's text is put back.
    connect(model(), &QAbstractItemModel::rowsInserted, this, &DBComboBox::refresh);
    connect(model(), &QAbstractItemModel::rowsRemoved, this, &DBComboBox::refresh);
    connect(model(), &QAbstractItemModel::modelReset, this, &DBComboBox::refresh);
}

void DBComboBox::bind(DataSource* source, const QString& fieldName) {
    m_link->bind(source, fieldName);
    if (lineEdit()) {
        const int width = m_link->maxLength();
        lineEdit()->setMaxLength(width > 0 ? width : 32767);
    }
    refresh();
}

void DBComboBox::refresh() {
    if (m_link->touched())
        return;
    const QString text = m_link->text();
    if (text == currentText())
        return;
    if (isEditable())
        setEditText(text);
    else
        setCurrentIndex(findText(text));
}

void DBComboBox::focusOutEvent(QFocusEvent* event) {
    QComboBox::focusOutEvent(event);
    m_link->commitOnFocusOut(event->reason());
}

} // namespace lesaro
