#include "ui/DesktopOpener.h"

#include "ui/MessageService.h"

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

DesktopOpener::Opener& opener() {
    static DesktopOpener::Opener o;
    return o;
}

bool open(const QUrl& url) {
    return opener() ? opener()(url) : QDesktopServices::openUrl(url);
}

} // namespace

QString DesktopOpener::manualPath() {
    const QString folder = programFolder().isEmpty() ? QCoreApplication::applicationDirPath() : programFolder();
    const QString beside = QDir(folder).filePath(manualFileName());
    // An installed program (bin/lesaro) keeps its manual in share/lesaro; the one beside the program file
    // comes first, so a build folder shows its own manual.
    const QString installed =
        QDir::cleanPath(QDir(folder).filePath(QStringLiteral("../share/lesaro/") + manualFileName()));
    if (!QFileInfo(beside).isFile() && QFileInfo(installed).isFile())
        return installed;
    return beside;
}

void DesktopOpener::setProgramFolder(const QString& folder) {
    programFolder() = folder;
}

bool DesktopOpener::openManual(QWidget* parent) {
    const QString path = manualPath();
    if (!QFileInfo(path).isFile()) {
        MessageService::notice(parent, QStringLiteral("Das Handbuch „%1“ wurde nicht gefunden.\n\nEs wird im "
                                                      "Programmordner erwartet:\n%2")
                                           .arg(manualFileName(), QDir::toNativeSeparators(QFileInfo(path).path())));
        return false;
    }
    const bool opened = open(QUrl::fromLocalFile(path));
    if (!opened) {
        MessageService::notice(parent, QStringLiteral("Das Handbuch „%1“ konnte nicht geöffnet werden. Bitte "
                                                      "richten Sie ein Programm zum Anzeigen von PDF-Dateien ein.")
                                           .arg(manualFileName()));
    }
    return opened;
}

bool DesktopOpener::openMakerPage(QWidget* parent) {
    const bool opened = open(QUrl(makerAddress()));
    if (!opened) {
        MessageService::notice(parent, QStringLiteral("Die Internetseite von Orvendel Software konnte nicht geöffnet "
                                                      "werden, weil kein Webbrowser gestartet werden konnte.\n\n"
                                                      "Sie finden sie unter der Adresse:\n%1")
                                           .arg(makerAddress()));
    }
    return opened;
}

void DesktopOpener::setOpener(Opener o) {
    opener() = std::move(o);
}

} // namespace lesaro
