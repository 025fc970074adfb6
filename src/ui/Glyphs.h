#pragma once

#include <QIcon>

namespace lesaro {

// The 16 × 16 pictures of the main window's header buttons, in the order the buttons stand.
enum class Glyph { Lend, Return, NewBook, NewReader, Search, Lists, Help };

// Drawn in white for the navy end of the header, so that the program carries no image files.
QIcon glyph(Glyph g);

} // namespace lesaro
