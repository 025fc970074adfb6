#include "ui/FieldLink.h"

#include "core/EngineError.h"
#include "core/Table.h"
#include "ui/DataSource.h"
#include "ui/MessageService.h"

#include <QScopedValueRollback>
#include <QWidget>

namespace lesaro {

FieldLink::FieldLink(QWidget* control, TextReader controlText)
    : QObject(control)
    , m_control(control)
    , m_controlText(std::move(controlText)) {}

FieldLink::~FieldLink() {
    if (m_source)
        m_source->removeLink(this);
}

void FieldLink::bind(DataSource* source, const QString& fieldName) {
    for (const auto& c : std::as_const(m_connections))
        disconnect(c);
    m_connections.clear();
    if (m_source)
        m_source->removeLink(this);
    m_source = source;
    m_fieldName = fieldName;
    if (m_source) {
        if (m_controlText)
            m_source->addLink(this);
        m_connections = {connect(m_source, &DataSource::viewReset, this, &FieldLink::requestRefresh),
                         connect(m_source, &DataSource::currentRowChanged, this, &FieldLink::requestRefresh),
                         connect(m_source, &DataSource::stateChanged, this, &FieldLink::requestRefresh),
                         connect(m_source, &DataSource::fieldChanged, this, &FieldLink::onFieldChanged)};
    }
    requestRefresh();
}

Table* FieldLink::table() const {
    return m_source ? &m_source->table() : nullptr;
}

int FieldLink::fieldIndex() const {
    return m_source ? m_source->table().fieldIndex(m_fieldName) : -1;
}

bool FieldLink::hasField() const {
    return fieldIndex() >= 0;
}

QString FieldLink::text() const {
    const int f = fieldIndex();
    return f < 0 ? QString() : table()->field(f).AsString();
}

QString FieldLink::displayText() const {
    const int f = fieldIndex();
    return f < 0 ? QString() : table()->field(f).DisplayText();
}

int FieldLink::maxLength() const {
    const int f = fieldIndex();
    if (f < 0 || table()->field(f).kind() != FieldKind::Text || table()->field(f).isLookup())
        return 0;
    const QString name = table()->field(f).FieldName();
    for (const ColumnDef& c : table()->columns()) {
        if (c.name == name)
            return c.width;
    }
    return 0;
}

void FieldLink::store() {
    Table* t = table();
    const QScopedValueRollback busy(m_busy, true);
    const QString text = m_controlText();
    if (t->State() != TableState::Edit && t->State() != TableState::Insert)
        t->Edit();
    t->field(fieldIndex()).setAsString(text);
    m_stored = text;
    m_refused = false;
}

bool FieldLink::isLookup() const {
    const int f = fieldIndex();
    return f >= 0 && table()->field(f).isLookup();
}

void FieldLink::userChanged() {
    if (!m_controlText || !hasField() || isLookup())
        return;
    Table* t = table();
    try {
        const QScopedValueRollback busy(m_busy, true);
        if (t->State() != TableState::Edit && t->State() != TableState::Insert)
            t->Edit();
    } catch (const EngineError& e) {
        // The table cannot be edited at all (closed): the keystroke is undone.
        MessageService::error(m_control, e.message());
        m_touched = false;
        Q_EMIT refreshNeeded();
        return;
    }
    if (!m_touched)
        m_before = t->field(fieldIndex()).value();
    m_touched = true;
    try {
        store();
    } catch (const EngineError&) {
        // Half-typed numbers and dates are refused until they are complete; only leaving the control
        // with a refused text is reported.
        m_refused = true;
    }
}

bool FieldLink::commit() {
    if (!m_touched || !m_controlText || !hasField() || m_reporting)
        return true;
    if (!m_refused && m_controlText() == m_stored) {
        m_touched = false;
        return true;
    }
    try {
        store();
        m_touched = false;
        return true;
    } catch (const EngineError& e) {
        m_refused = true;
        const QScopedValueRollback reporting(m_reporting, true);
        MessageService::error(m_control, e.message());
        m_control->setFocus(Qt::OtherFocusReason);
        return false;
    }
}

bool FieldLink::commitOnFocusOut(Qt::FocusReason reason) {
    if (reason == Qt::ActiveWindowFocusReason || reason == Qt::PopupFocusReason)
        return true;
    return commit();
}

bool FieldLink::revert() {
    if (!m_touched || !hasField())
        return false;
    try {
        const QScopedValueRollback busy(m_busy, true);
        table()->field(fieldIndex()).setValue(m_before);
    } catch (const EngineError& e) {
        MessageService::error(m_control, e.message());
    }
    m_touched = false;
    m_refused = false;
    Q_EMIT refreshNeeded();
    return true;
}

void FieldLink::requestRefresh() {
    if (m_busy)
        return;
    m_touched = false;
    m_refused = false;
    Q_EMIT refreshNeeded();
}

void FieldLink::onFieldChanged(int field) {
    const int f = fieldIndex();
    // A lookup field follows its key field, whichever that is.
    if (f >= 0 && (field == f || table()->field(f).isLookup()))
        requestRefresh();
}

} // namespace lesaro
