#include "HelpService.h"

#include "MessageService.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>

namespace lesaro {

namespace {

QString& programFolder() {
    static QString folder;
    return folder;
}

HelpService::Opener& opener() {
    static HelpService::Opener o;
    return o;
}

} // namespace

QString HelpService::manualPath() {
    const QString folder = programFolder().isEmpty() ? QCoreApplication::applicationDirPath() : programFolder();
    return QDir(folder).filePath(manualFileName());
}

bool HelpService::openManual(QWidget* parent) {
    const QString path = manualPath();
    if (!QFileInfo(path).isFile()) {
        MessageService::notice(parent, QStringLiteral("Das Handbuch „%1“ wurde nicht gefunden.\n\nEs wird im "
                                                      "Programmordner erwartet:\n%2")
                                           .arg(manualFileName(), QDir::toNativeSeparators(QFileInfo(path).path())));
        return false;
    }
    const QUrl url = QUrl::fromLocalFile(path);
    const bool opened = opener() ? opener()(url) : QDesktopServices::openUrl(url);
    if (!opened) {
        MessageService::notice(parent, QStringLiteral("Das Handbuch „%1“ konnte nicht geöffnet werden. Bitte "
                                                      "richten Sie ein Programm zum Anzeigen von PDF-Dateien ein.")
                                           .arg(manualFileName()));
    }
    return opened;
}

void HelpService::setProgramFolder(const QString& folder) {
    programFolder() = folder;
}

void HelpService::setOpener(Opener o) {
    opener() = std::move(o);
}

} // namespace lesaro
