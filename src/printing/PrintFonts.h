#pragma once

#include <QFont>
#include <QString>

namespace lesaro::printing {

// The font of a list page given as family and full cell height in device units (ascent plus descent),
// the way the lists are designed. "Arial" and "Arial Narrow" fall back to their metric twins.
QFont printFont(const QString& family, int cellHeight);

} // namespace lesaro::printing
