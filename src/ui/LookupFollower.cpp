#include "ui/LookupFollower.h"

#include "ui/DataSource.h"

namespace lesaro {

LookupFollower::LookupFollower(DataSource& lookupSide, std::initializer_list<DataSource*> lookedUp, QObject* parent)
    : QObject(parent)
    , m_lookupSide(lookupSide) {
    for (DataSource* source : lookedUp) {
        // A reload or a paused source coming back reports a view reset rather than changed rows.
        connect(source, &DataSource::rowsChanged, this, &LookupFollower::tell);
        connect(source, &DataSource::viewReset, this, &LookupFollower::tell);
    }
}

void LookupFollower::tell() {
    // Paused controls are brought up to date wholesale when they are enabled again.
    if (!m_lookupSide.ControlsDisabled())
        Q_EMIT m_lookupSide.lookupValuesChanged();
}

} // namespace lesaro
