// The canvas on which the lists and letters are drawn, against the plain way of drawing them: every text with
// QPainter::drawText on an opaque white ground. Random pages of overlapping texts, rules and fonts must come out
// the same on an image, in the preview's recording and in a PDF read back, whatever the canvas leaves out or
// draws in another way to be quick.
#include "printing/PainterCanvas.h"
#include "printing/PrintFonts.h"
#include "printing/ShapedTexts.h"

#include <QFontMetrics>
#include <QImage>
#include <QPainter>
#include <QPicture>
#include <QPrinter>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>
#include <functional>

using namespace lesaro::printing;

namespace {

// The canvas as the lists were first drawn: each text on its own white ground, the pen put back after it.
class OpaqueTextCanvas : public ListCanvas {
public:
    explicit OpaqueTextCanvas(QPainter& painter)
        : m_painter(painter) {
        m_painter.setPen(QPen(Qt::black, 0));
        m_painter.setBrush(Qt::white);
        m_painter.setBackground(Qt::white);
        m_painter.setBackgroundMode(Qt::OpaqueMode);
    }
    void setFont(const QString& family, int cellHeight) override {
        m_font = printFont(family, cellHeight);
        m_painter.setFont(m_font);
    }
    void setPenWidth(int width) override { m_painter.setPen(QPen(Qt::black, width, Qt::SolidLine, Qt::FlatCap)); }
    void textOut(int x, int y, TextAlign align, const QString& text) override {
        if (text.isEmpty())
            return;
        const QFontMetrics metrics(m_font);
        const int left = align == TextAlign::CentreTop ? x - metrics.horizontalAdvance(text) / 2 : x;
        const int baseline = align == TextAlign::LeftBaseline ? y : y + metrics.ascent();
        const QPen pen = m_painter.pen();
        m_painter.setPen(Qt::black);
        m_painter.drawText(QPoint(left, baseline), text);
        m_painter.setPen(pen);
    }
    void horizontalLine(int x1, int x2, int y) override { m_painter.drawLine(x1, y, x2, y); }

private:
    QPainter& m_painter;
    QFont m_font;
};

using Page = std::function<void(ListCanvas&)>;

// A page of texts set close on a few lines, so that many run into their neighbours, with rules through them.
Page randomPage(quint32 seed) {
    return [seed](ListCanvas& canvas) {
        QRandomGenerator random(seed);
        const QStringList texts{
            QStringLiteral("Müller-Lüdenscheidt"), QStringLiteral("Straße"),       QStringLiteral("21,50 €"),
            QStringLiteral("„Zitat“ – Ende…"),     QStringLiteral("WWWWWWWWWWWW"), QStringLiteral("i"),
            QStringLiteral("Ωμέγα Жук"),           QStringLiteral("ʘ fremd"),      QStringLiteral("Tab\tStopp"),
            QStringLiteral("Leser-Nr."),           QStringLiteral("1000001"),      QStringLiteral(" ")};
        const QStringList families{QStringLiteral("Arial"), QStringLiteral("Arial Narrow")};
        const QList<int> heights{65, 71, 80, 100};
        const TextAlign aligns[] = {TextAlign::LeftTop, TextAlign::CentreTop, TextAlign::LeftBaseline};
        canvas.setFont(QStringLiteral("Arial"), 71);
        for (int i = 0; i < 120; ++i) {
            const int kind = random.bounded(100);
            if (kind < 8) {
                canvas.setFont(families[random.bounded(2)], heights[random.bounded(4)]);
            } else if (kind < 14) {
                canvas.setPenWidth(random.bounded(7));
            } else if (kind < 24) {
                const int x1 = random.bounded(2000);
                canvas.horizontalLine(x1, x1 + 100 + random.bounded(1500), 100 + random.bounded(1000));
            } else {
                const int y = random.bounded(5) == 0 ? 100 + random.bounded(1000) : 150 + 108 * random.bounded(10);
                canvas.textOut(random.bounded(2000), y, aligns[random.bounded(3)],
                               texts[random.bounded(int(texts.size()))]);
            }
        }
    };
}

QImage blankImage() {
    QImage image(2600, 1300, QImage::Format_RGB32);
    image.fill(Qt::white);
    return image;
}

// Where two pictures of a page differ by more than the smoothing of an edge; empty when they agree.
QString difference(const QImage& expected, const QImage& actual) {
    if (expected.size() != actual.size())
        return QStringLiteral("sizes differ");
    const QImage a = expected.convertToFormat(QImage::Format_Grayscale8);
    const QImage b = actual.convertToFormat(QImage::Format_Grayscale8);
    int count = 0;
    QPoint first;
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) {
            if (std::abs(a.constScanLine(y)[x] - b.constScanLine(y)[x]) > 96 && count++ == 0)
                first = QPoint(x, y);
        }
    }
    return count == 0 ? QString()
                      : QStringLiteral("%1 pixels differ, the first at %2,%3").arg(count).arg(first.x()).arg(first.y());
}

// The page n (from 1) of a PDF file as a viewer shows it.
QImage renderedPdfPage(const QString& file, int page) {
    const QString prefix = file + QStringLiteral("-seite");
    QProcess p;
    p.start(QStringLiteral("pdftoppm"), {QStringLiteral("-r"), QStringLiteral("100"), QStringLiteral("-f"),
                                         QString::number(page), QStringLiteral("-l"), QString::number(page),
                                         QStringLiteral("-singlefile"), QStringLiteral("-png"), file, prefix});
    if (!p.waitForFinished(60000) || p.exitCode() != 0)
        return {};
    return QImage(prefix + QStringLiteral(".png"));
}

QString pdfText(const QString& file) {
    QProcess p;
    p.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), file, QStringLiteral("-")});
    if (!p.waitForFinished(60000) || p.exitCode() != 0)
        return {};
    return QString::fromUtf8(p.readAllStandardOutput());
}

// Draws the pages one after another on one PDF file, each through a canvas of its own.
void writePdf(const QString& file, const QList<Page>& pages, const std::function<void(QPainter&, const Page&)>& draw) {
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setResolution(600);
    printer.setOutputFileName(file);
    QPainter painter(&printer);
    for (qsizetype i = 0; i < pages.size(); ++i) {
        if (i > 0)
            printer.newPage();
        draw(painter, pages[i]);
    }
}

} // namespace

class tst_PainterCanvas : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void pagesAsTheyWereDrawnBefore_data();
    void pagesAsTheyWereDrawnBefore();
};

void tst_PainterCanvas::pagesAsTheyWereDrawnBefore_data() {
    QTest::addColumn<QString>("target");
    QTest::addColumn<quint32>("seed");
    QTest::addColumn<int>("limit");
    for (const QString& target : {QStringLiteral("image"), QStringLiteral("recording"), QStringLiteral("pdf")}) {
        for (quint32 seed : {1u, 2u})
            QTest::addRow("%s, seed %u", qPrintable(target), seed) << target << seed << ShapedTexts::DefaultLimit;
        // The shapes are let go again and again while the pages are drawn.
        QTest::addRow("%s, seed 3, room for 5 shapes", qPrintable(target)) << target << 3u << 5;
    }
}

void tst_PainterCanvas::pagesAsTheyWereDrawnBefore() {
    QFETCH(QString, target);
    QFETCH(quint32, seed);
    QFETCH(int, limit);
    // Two pages through one cache of shapes, the second one the first again.
    const QList<Page> pages{randomPage(seed), randomPage(seed + 100), randomPage(seed)};
    ShapedTexts shapes(limit);
    auto plain = [](QPainter& painter, const Page& page) {
        OpaqueTextCanvas canvas(painter);
        page(canvas);
    };
    auto quick = [&shapes](QPainter& painter, const Page& page) {
        PainterCanvas canvas(painter, shapes);
        page(canvas);
    };

    for (qsizetype i = 0; i < pages.size() && target != QLatin1String("pdf"); ++i) {
        QImage expected = blankImage();
        QImage actual = blankImage();
        if (target == QLatin1String("image")) {
            QPainter e(&expected);
            plain(e, pages[i]);
            QPainter a(&actual);
            quick(a, pages[i]);
        } else {
            // The preview records the page and plays the recording back onto the screen.
            QPicture before;
            QPicture after;
            {
                QPainter e(&before);
                plain(e, pages[i]);
                QPainter a(&after);
                quick(a, pages[i]);
            }
            QPainter(&expected).drawPicture(0, 0, before);
            QPainter(&actual).drawPicture(0, 0, after);
        }
        const QString differs = difference(expected, actual);
        QVERIFY2(differs.isEmpty(),
                 qPrintable(QStringLiteral("page %1 of seed %2: %3").arg(i + 1).arg(seed).arg(differs)));
    }

    if (target == QLatin1String("pdf")) {
        QTemporaryDir dir;
        const QString before = dir.filePath(QStringLiteral("vorher.pdf"));
        const QString after = dir.filePath(QStringLiteral("nachher.pdf"));
        writePdf(before, pages, plain);
        writePdf(after, pages, quick);
        // The text stays text: a reader of the PDF finds the same words in the same places.
        const QString text = pdfText(before);
        QVERIFY(text.contains(QStringLiteral("Müller-Lüdenscheidt")) || text.contains(QStringLiteral("Straße")) ||
                text.contains(QStringLiteral("WWW")));
        QCOMPARE(pdfText(after), text);
        for (int page = 1; page <= int(pages.size()); ++page) {
            const QImage expected = renderedPdfPage(before, page);
            QVERIFY(!expected.isNull());
            const QString differs = difference(expected, renderedPdfPage(after, page));
            QVERIFY2(differs.isEmpty(),
                     qPrintable(QStringLiteral("page %1 of seed %2: %3").arg(page).arg(seed).arg(differs)));
        }
    }
    QVERIFY(shapes.size() <= limit);
}

QTEST_MAIN(tst_PainterCanvas)
#include "tst_PainterCanvas.moc"
