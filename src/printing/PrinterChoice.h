#pragma once

#include <QString>
#include <QStringList>

class QPrinter;

namespace lesaro::printing {

// The current printer of the run. The print options windows select the system's default printer each time
// they are shown; "Ändern" may choose another, which stays current until then. Besides the system's
// printers there is always the built-in printer "PDF-Datei" (A4, 600 dots per inch, a PDF file), which is
// the default on a machine without printers, so that previews and printing work everywhere.
class PrinterChoice {
public:
    PrinterChoice() = delete;

    static const QString PdfPrinterName;

    static QPrinter& current();
    static void selectDefault();
    static void select(const QString& name); // an unknown name selects "PDF-Datei"
    static QString currentName();
    static bool isPdfFile(); // the current printer is "PDF-Datei"
    static QStringList printerNames();
};

} // namespace lesaro::printing
