#pragma once

#include <QStringList>

class QComboBox;

namespace lesaro {

// Replaces the drop-down list of an editable box. Clearing the list would also clear the text the box
// shows, which may be the user's own typing that has not been refreshed from the field yet; it is kept.
void replaceComboItems(QComboBox* box, const QStringList& items);
QStringList comboItems(const QComboBox* box);

} // namespace lesaro
