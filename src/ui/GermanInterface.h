#pragma once

#include <QFont>

class QApplication;

namespace lesaro::GermanInterface {

// Qt's own texts in German (the context menus of text boxes and scroll bars, the standard dialogs' buttons)
// and the program's compact font. Returns false when the German translations of Qt are not installed; the
// program then still runs, with Qt's English texts.
bool install(QApplication& app);

// The program's compact interface font, the size the windows' design measures were made for. Liberation
// Sans is metric-compatible with Arial, so what fits on the screen fits the printed lists alike.
QFont programFont();

// The lists' font: Liberation Sans Narrow, metric-compatible with Arial Narrow, at the size where a
// five-digit number, a date dd.MM.yyyy and a price "99,99 €" fit the lists' design widths.
QFont listFont();

} // namespace lesaro::GermanInterface
