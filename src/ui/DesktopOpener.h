#pragma once

#include <QString>
#include <QUrl>
#include <functional>

class QWidget;

namespace lesaro {

// Hands files and addresses to the desktop: the manual "Lesaro - Handbuch.pdf" from the program's folder to
// the PDF viewer, and the maker's page ("Orvendel Software im Internet") to the browser. The program itself
// never goes on the network. Whatever cannot be opened is reported to the user rather than passed over in
// silence: a missing manual with the folder it is expected in, a page without a browser with its address.
class DesktopOpener {
public:
    DesktopOpener() = delete;

    static QString manualFileName() { return QStringLiteral("Lesaro - Handbuch.pdf"); }
    static QString manualPath();
    // Where the manual is looked for; empty means the folder of the program file.
    static void setProgramFolder(const QString& folder);
    static bool openManual(QWidget* parent);

    static QString makerAddress() { return QStringLiteral("https://www.orvendel-software.de"); }
    static bool openMakerPage(QWidget* parent);

    // What opens a file or an address; tests replace it to see what was opened and to say whether it
    // worked. An empty opener restores the desktop's.
    using Opener = std::function<bool(const QUrl&)>;
    static void setOpener(Opener opener);
};

} // namespace lesaro
