#include "ui/DataSource.h"

#include "core/Table.h"
#include "ui/FieldLink.h"

#include <utility>

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

ControlsDisabled::ControlsDisabled(std::initializer_list<DataSource*> sources)
    : ControlsDisabled(sources, sources) {}

ControlsDisabled::ControlsDisabled(std::initializer_list<DataSource*> disableOrder,
                                   std::initializer_list<DataSource*> enableOrder)
    : m_enableOrder(enableOrder) {
    try {
        for (DataSource* source : disableOrder) {
            // DisableControls counts before it tells the controls, so a source whose controls fail to
            // hear of it is paused all the same and must be enabled again.
            m_disabled.append(source);
            source->DisableControls();
        }
    } catch (...) {
        enableAll();
        throw;
    }
}

ControlsDisabled::~ControlsDisabled() {
    enableAll();
}

void ControlsDisabled::enableAll() {
    for (DataSource* source : std::as_const(m_enableOrder)) {
        if (m_disabled.removeOne(source))
            source->EnableControls();
    }
    // A source left out of the enable order must not stay frozen either.
    for (DataSource* source : std::exchange(m_disabled, {}))
        source->EnableControls();
}

} // namespace lesaro
