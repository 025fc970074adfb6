#include "DataSource.h"

#include "FieldLink.h"
#include "Table.h"

namespace lesaro {

void DataSource::relay(void (Table::*from)(), void (DataSource::*to)()) {
    connect(m_table, from, this, [this, to] {
        if (!ControlsDisabled())
            Q_EMIT(this->*to)();
    });
}

DataSource::DataSource(Table& table, QObject* parent)
    : QObject(parent)
    , m_table(&table) {
    relay(&Table::viewReset, &DataSource::viewReset);
    relay(&Table::currentRowChanged, &DataSource::currentRowChanged);
    relay(&Table::rowsChanged, &DataSource::rowsChanged);
    relay(&Table::stateChanged, &DataSource::stateChanged);
    connect(m_table, &Table::fieldChanged, this, [this](int field) {
        if (!ControlsDisabled())
            Q_EMIT fieldChanged(field);
    });
}

void DataSource::DisableControls() {
    if (m_disabledCount++ == 0)
        Q_EMIT controlsEnabledChanged(false);
}

void DataSource::EnableControls() {
    if (m_disabledCount == 0 || --m_disabledCount > 0)
        return;
    // Whatever happened meanwhile, one reset brings every control up to date.
    Q_EMIT controlsEnabledChanged(true);
    Q_EMIT viewReset();
    Q_EMIT stateChanged();
    Q_EMIT currentRowChanged();
}

bool DataSource::UpdateRecord() {
    const QList<FieldLink*> links = m_links;
    for (FieldLink* link : links) {
        if (!link->commit())
            return false;
    }
    return true;
}

void DataSource::addLink(FieldLink* link) {
    if (!m_links.contains(link))
        m_links.append(link);
}

void DataSource::removeLink(FieldLink* link) {
    m_links.removeAll(link);
}

} // namespace lesaro
