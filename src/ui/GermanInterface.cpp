#include "ui/GermanInterface.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace lesaro::GermanInterface {

namespace {
constexpr int kFontPixelSize = 11;
constexpr int kListFontPixelSize = 10;
} // namespace

bool install(QApplication& app) {
    QApplication::setFont(programFont());
    // The translator lives as long as the application object it is installed in.
    auto* translator = new QTranslator(&app);
    const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    if (!translator->load(QLocale(QLocale::German, QLocale::Germany), QStringLiteral("qtbase"), QStringLiteral("_"),
                          folder)) {
        delete translator;
        return false;
    }
    QApplication::installTranslator(translator);
    return true;
}

QFont programFont() {
    QFont font(QStringLiteral("Liberation Sans"));
    font.setPixelSize(kFontPixelSize);
    font.setStyleHint(QFont::SansSerif);
    return font;
}

QFont listFont() {
    QFont font(QStringLiteral("Liberation Sans Narrow"));
    font.setPixelSize(kListFontPixelSize);
    font.setStyleHint(QFont::SansSerif);
    return font;
}

} // namespace lesaro::GermanInterface
