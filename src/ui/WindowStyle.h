#pragma once

#include <QColor>

namespace lesaro::WindowStyle {

// The colours and the bar height every window of the program shares: dialogs have the grey background and
// a bar running from grey down to navy; the main window's header runs from white to navy.
inline constexpr QColor kGrey(233, 233, 233);
inline constexpr QColor kNavy(0, 0, 128);
inline constexpr int kButtonBarHeight = 51;

inline QColor dialogBackground() {
    return kGrey;
}
inline QColor navy() {
    return kNavy;
}

} // namespace lesaro::WindowStyle
