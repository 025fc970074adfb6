#pragma once

#include <QString>

namespace lesaro::RegFileCheck {

// Whether the .reg file at path can be merged into the settings as a whole: it opens, is a .reg file,
// every line of it is well-formed and it holds the program's settings key. The settings merge itself takes
// what it can from a damaged file; a restore asks this first so that a damaged or foreign file changes
// nothing. False with the German reason otherwise.
bool usable(const QString& path, QString* error = nullptr);

} // namespace lesaro::RegFileCheck
