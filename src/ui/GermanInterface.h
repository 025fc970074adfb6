#pragma once

#include <QFont>

class QApplication;

namespace lesaro::GermanInterface {

// Qt's own texts in German (the context menus of text boxes and scroll bars, the standard dialogs' buttons)
// and the program's compact font. Returns false when the German translations of Qt are not installed; the
// program then still runs, with Qt's English texts.
bool install(QApplication& app);

// The font the lists' design widths were made for: a five-digit number, a date and a price fit their
// columns. Liberation Sans is metric-compatible with Arial, so the printed lists measure alike.
QFont programFont();

} // namespace lesaro::GermanInterface
