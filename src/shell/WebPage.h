#pragma once

#include <QString>
#include <QUrl>
#include <functional>

class QWidget;

namespace lesaro {

// The menu item "Orvendel Software im Internet": the maker's page in the desktop's browser. The program
// itself never goes on the network; when no browser starts, the user gets the address to type in.
class WebPage {
public:
    WebPage() = delete;

    static QString makerAddress() { return QStringLiteral("https://www.orvendel-software.de"); }
    static bool openMakerPage(QWidget* parent);

    // What opens the address; tests replace it. An empty opener restores the desktop's.
    using Opener = std::function<bool(const QUrl&)>;
    static void setOpener(Opener opener);
};

} // namespace lesaro
