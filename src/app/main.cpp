#include <QApplication>
#include <QMainWindow>

#include "GermanLocale.h"

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    lesaro::GermanLocale::install();
    QMainWindow window;
    window.setWindowTitle(QStringLiteral("Tomarelle 2022 by Orvendel Software"));
    window.resize(700, 500);
    window.show();
    return app.exec();
}
