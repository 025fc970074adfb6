#pragma once

#include <QString>

namespace lesaro {

// One column of a grid: the field it shows, its title and its design width in pixels (0: the grid's
// default width).
struct GridColumn {
    QString field;
    QString title;
    int width = 0;
};

} // namespace lesaro
