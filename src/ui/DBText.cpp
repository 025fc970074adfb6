#include "ui/DBText.h"

#include "ui/FieldLink.h"

namespace lesaro {

DBText::DBText(QWidget* parent)
    : QLabel(parent)
    , m_link(new FieldLink(this)) {
    setTextFormat(Qt::PlainText);
    connect(m_link, &FieldLink::refreshNeeded, this, &DBText::refresh);
}

void DBText::bind(DataSource* source, const QString& fieldName) {
    m_link->bind(source, fieldName);
}

void DBText::refresh() {
    setText(m_link->displayText());
}

} // namespace lesaro
