#pragma once

class QWidget;

namespace lesaro {

class LibraryHandle;

// The menu command "Mahnliste exportieren": asks for the file, writes the list (exchange/rules/
// MahnlisteExport) whole, and tells the user what came of it. Nothing overdue: a notice and no file.
void MahnlisteExportieren(LibraryHandle& library, QWidget* parent);

} // namespace lesaro
