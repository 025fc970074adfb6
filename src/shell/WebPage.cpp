#include "WebPage.h"

#include "MessageService.h"

#include <QDesktopServices>

namespace lesaro {

namespace {

WebPage::Opener& opener() {
    static WebPage::Opener o;
    return o;
}

} // namespace

bool WebPage::openMakerPage(QWidget* parent) {
    const QUrl url(makerAddress());
    const bool opened = opener() ? opener()(url) : QDesktopServices::openUrl(url);
    if (!opened) {
        MessageService::notice(parent, QStringLiteral("Die Internetseite von Orvendel Software konnte nicht geöffnet "
                                                      "werden, weil kein Webbrowser gestartet werden konnte.\n\n"
                                                      "Sie finden sie unter der Adresse:\n%1")
                                           .arg(makerAddress()));
    }
    return opened;
}

void WebPage::setOpener(Opener o) {
    opener() = std::move(o);
}

} // namespace lesaro
