#pragma once

#include <QString>
#include <QUrl>
#include <functional>

class QWidget;

namespace lesaro {

// Opens the manual "Lesaro - Handbuch.pdf" from the program's folder with the desktop's viewer. A missing
// manual, or one no program can show, is reported to the user rather than passed over in silence.
class HelpService {
public:
    HelpService() = delete;

    static QString manualFileName() { return QStringLiteral("Lesaro - Handbuch.pdf"); }
    static QString manualPath();
    static bool openManual(QWidget* parent);

    // Where the manual is looked for; empty means the folder of the program file.
    static void setProgramFolder(const QString& folder);
    // What opens the file; tests replace it. An empty opener restores the desktop's.
    using Opener = std::function<bool(const QUrl&)>;
    static void setOpener(Opener opener);
};

} // namespace lesaro
