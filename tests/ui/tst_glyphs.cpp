// The header pictures, drawn in code.
#include "ui/Glyphs.h"

#include <QImage>
#include <QPixmap>
#include <QtTest>

using namespace lesaro;

class GlyphsTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // Each picture is 16 × 16, shows something, leaves its background clear for the header's gradient,
    // and differs from every other, so that no button is left blank or shows its neighbour's picture.
    void eachGlyphIsItsOwnPicture() {
        const QList<Glyph> all{Glyph::Lend,   Glyph::Return, Glyph::NewBook, Glyph::NewReader,
                               Glyph::Search, Glyph::Lists,  Glyph::Help};
        QList<QImage> seen;
        for (Glyph g : all) {
            const QIcon icon = glyph(g);
            QVERIFY(!icon.isNull());
            const QImage image = icon.pixmap(16, 16).toImage().convertToFormat(QImage::Format_ARGB32);
            QCOMPARE(image.size(), QSize(16, 16));
            int drawn = 0;
            int clear = 0;
            for (int y = 0; y < 16; ++y) {
                for (int x = 0; x < 16; ++x)
                    (qAlpha(image.pixel(x, y)) > 0 ? drawn : clear)++;
            }
            QVERIFY2(drawn > 10, qPrintable(QString::number(int(g))));
            QVERIFY2(clear > 10, qPrintable(QString::number(int(g))));
            QVERIFY2(!seen.contains(image), qPrintable(QString::number(int(g))));
            seen << image;
        }
    }
};

QTEST_MAIN(GlyphsTest)
#include "tst_glyphs.moc"
