#pragma once

#include <QColor>

namespace lesaro::WindowStyle {

// The colours and the bar height every dialog of the program shares.
inline QColor dialogBackground() {
    return QColor(233, 233, 233);
}
inline QColor navy() {
    return QColor(0, 0, 128);
}
inline constexpr int kButtonBarHeight = 51;

} // namespace lesaro::WindowStyle
