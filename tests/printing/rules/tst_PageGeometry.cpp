// The print job's page geometry as plain figures: units, the sheet and its bands, the margins check, where a
// picture goes and where the pieces of a tabbed line begin.
#include "printing/rules/PageGeometry.h"

#include <QRandomGenerator>
#include <QtTest>
#include <array>
#include <cmath>

using namespace lesaro;
namespace geo = lesaro::pagegeometry;

Q_DECLARE_METATYPE(lesaro::TUnits)
Q_DECLARE_METATYPE(lesaro::TDirection)
Q_DECLARE_METATYPE(lesaro::TPrinterCaps)
Q_DECLARE_METATYPE(lesaro::TPageSettings)
Q_DECLARE_METATYPE(lesaro::TMargins)

namespace {

constexpr auto px = TUnits::unPixels;
constexpr auto pct = TUnits::unPercents;
constexpr auto in = TUnits::unInches;
constexpr auto mm = TUnits::unMillimeters;
constexpr auto hor = TDirection::dirHorizontal;
constexpr auto ver = TDirection::dirVertical;

// An A4 sheet at 600 dots per inch whose printer cannot print the outer 100 pixels left and right and
// 120 at the top and bottom.
TPrinterCaps a4Caps() {
    TPrinterCaps c;
    c.ok = true;
    c.dpiX = c.dpiY = 600;
    c.physicalWidth = 4961;
    c.physicalHeight = 7016;
    c.offsetX = 100;
    c.offsetY = 120;
    c.printableWidth = 4761;
    c.printableHeight = 6776;
    return c;
}

TPageSettings a4Page() {
    TPageSettings p;
    p.pageWidth = 4961;
    p.pageHeight = 7016;
    return p;
}

QString rectText(const QRect& r) {
    return QStringLiteral("(%1, %2, %3 × %4)").arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height());
}

} // namespace

class tst_PageGeometry : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void convertUnits_data();
    void convertUnits();
    void singleSteps();
    void convertUnitsRoundTrip();
    void bandRectangles_data();
    void bandRectangles();
    void geometryAgainstItsRulesOverRandomJobs();
    void marginsCheck_data();
    void marginsCheck();
    void pictureAndTabs();
};

// ---------------------------------------------------------------------------------------------------
// Units

void tst_PageGeometry::convertUnits_data() {
    QTest::addColumn<TUnits>("from");
    QTest::addColumn<TUnits>("to");
    QTest::addColumn<double>("fullRange");
    QTest::addColumn<TDirection>("direction");
    QTest::addColumn<double>("value");
    QTest::addColumn<int>("dpiX");
    QTest::addColumn<int>("dpiY");
    QTest::addColumn<double>("expected");
    QTest::newRow("25.4 mm is 1.000 in") << mm << in << 0.0 << hor << 25.4 << 300 << 300 << 1.0;
    QTest::newRow("10 px at 300 dpi is 0.85 mm") << px << mm << 0.0 << hor << 10.0 << 300 << 300 << 0.85;
    QTest::newRow("equal units are not rounded") << px << px << 0.0 << hor << 10.7 << 300 << 300 << 10.7;
    QTest::newRow("1000 px at 600 dpi in inches") << px << in << 0.0 << hor << 1000.0 << 600 << 600 << 1.667;
    QTest::newRow("210 mm at 600 dpi in pixels") << mm << px << 0.0 << hor << 210.0 << 600 << 600 << 4961.0;
    QTest::newRow("1.5 in at 600 dpi") << in << px << 0.0 << hor << 1.5 << 600 << 600 << 900.0;
    QTest::newRow("vertical takes dpiY") << px << mm << 0.0 << ver << 300.0 << 300 << 600 << 12.7;
    QTest::newRow("horizontal takes dpiX") << px << mm << 0.0 << hor << 300.0 << 300 << 600 << 25.4;
    QTest::newRow("per cent into pixels") << pct << px << 4962.0 << hor << 50.0 << 600 << 600 << 2481.0;
    QTest::newRow("pixels into per cent") << px << pct << 1000.0 << hor << 250.0 << 600 << 600 << 25.0;
    QTest::newRow("per cent of nothing") << px << pct << 0.0 << hor << 250.0 << 600 << 600 << 0.0;
    QTest::newRow("half a pixel to even, down") << mm << px << 0.0 << hor << 12.7 << 5 << 5 << 2.0;
    QTest::newRow("half a pixel to even, up") << mm << px << 0.0 << hor << 12.7 << 7 << 7 << 4.0;
    QTest::newRow("12.5 px to even") << mm << px << 0.0 << hor << 31.75 << 10 << 10 << 12.0;
    QTest::newRow("negative") << px << mm << 0.0 << hor << -10.0 << 300 << 300 << -0.85;
    QTest::newRow("no resolution counts as one") << in << px << 0.0 << hor << 3.0 << 0 << 0 << 3.0;
}

void tst_PageGeometry::convertUnits() {
    QFETCH(TUnits, from);
    QFETCH(TUnits, to);
    QFETCH(double, fullRange);
    QFETCH(TDirection, direction);
    QFETCH(double, value);
    QFETCH(int, dpiX);
    QFETCH(int, dpiY);
    QFETCH(double, expected);
    QCOMPARE(geo::ConvertUnits(from, to, fullRange, direction, value, dpiX, dpiY), expected);
}

void tst_PageGeometry::singleSteps() {
    QCOMPARE(geo::InchToMm(1), 25.4);
    QCOMPARE(geo::MmToInch(25.4), 1.0);
    QCOMPARE(geo::MmToInch(10), 0.394);
    QCOMPARE(geo::InchToPix(2, 300), 600.0);
    QCOMPARE(geo::PixToInch(150, 300), 0.5);
    QCOMPARE(geo::MmToPix(25.4, 300), 300.0);
    QCOMPARE(geo::PixToMm(10, 300), 0.85);
    // The margins: left and right against the width, top and bottom against the height.
    QCOMPARE(geo::ConvertMargins(pct, px, {10, 10, 50, 50}, 1000, 2000, 600, 600), (TMargins{100, 200, 500, 1000}));
}

void tst_PageGeometry::convertUnitsRoundTrip() {
    // Pixels into another unit and back land on the same pixel whenever the unit's rounding step is finer
    // than half a pixel, and never further off than that step otherwise.
    const QList<int> resolutions{72, 96, 150, 300, 600, 1200, 2400, 4800};
    for (quint32 seed : {1u, 2u, 3u, 2026u}) {
        QRandomGenerator random(seed);
        QStringList last;
        for (int step = 0; step < 5000; ++step) {
            const int dpi = resolutions[random.bounded(int(resolutions.size()))];
            const int pixels = random.bounded(-20000, 20001);
            const double fullRange = random.bounded(1, 20001);
            const TUnits via = std::array{pct, in, mm}[random.bounded(3)];
            const TDirection direction = random.bounded(2) ? hor : ver;
            const double there = geo::ConvertUnits(px, via, fullRange, direction, pixels, dpi, dpi);
            const double back = geo::ConvertUnits(via, px, fullRange, direction, there, dpi, dpi);
            // Half the rounding step of the unit, in pixels.
            const double halfStep = via == mm   ? 0.005 * dpi / 25.4
                                    : via == in ? 0.0005 * dpi
                                                : 0.0005 * fullRange / 100;
            last.append(QStringLiteral("%1 px at %2 dpi via unit %3 (range %4): %5 then %6")
                            .arg(pixels)
                            .arg(dpi)
                            .arg(int(via))
                            .arg(fullRange)
                            .arg(there)
                            .arg(back));
            if (last.size() > 5)
                last.removeFirst();
            const double allowed = halfStep < 0.5 ? 0 : std::ceil(halfStep);
            QVERIFY2(back == std::round(back) && std::abs(back - pixels) <= allowed,
                     qPrintable(QStringLiteral("seed %1, step %2; last: %3").arg(seed).arg(step).arg(last.join("; "))));
        }
    }
}

// ---------------------------------------------------------------------------------------------------
// Geometry

void tst_PageGeometry::bandRectangles_data() {
    QTest::addColumn<TPrinterCaps>("caps");
    QTest::addColumn<TPageSettings>("page");
    QTest::addColumn<bool>("onPrinter");
    QTest::addColumn<QRect>("sheet");
    QTest::addColumn<QRect>("margins");
    QTest::addColumn<QRect>("header");
    QTest::addColumn<QRect>("body");
    QTest::addColumn<QRect>("footer");

    const QRect a4(0, 0, 4961, 7016);
    const QRect none(0, 0, 0, 0);
    QTest::newRow("no printer") << TPrinterCaps{} << TPageSettings{} << false << QRect(0, 0, 2000, 3000)
                                << QRect(0, 0, 2000, 3000) << none << QRect(0, 0, 2000, 3000) << none;
    QTest::newRow("whole sheet without options") << a4Caps() << a4Page() << false << a4 << a4 << none << a4 << none;
    {
        // The program's own jobs: margins set but not switched on.
        TPageSettings p = a4Page();
        p.margins = {8, 8, 9, 9};
        QTest::newRow("margins without joMargins") << a4Caps() << p << false << a4 << a4 << none << a4 << none;
        p.options = TJobOption::joMargins;
        const QRect m(8, 8, 4961 - 17, 7016 - 17);
        QTest::newRow("pixel margins") << a4Caps() << p << false << a4 << m << none << m << none;
    }
    {
        TPageSettings p = a4Page();
        p.options = TJobOption::joMargins;
        p.marginsUnits = mm;
        p.margins = {10, 20, 10, 20};
        // 10 mm at 600 dpi are 236.22 pixels, 20 mm 472.44.
        const QRect m(236, 472, 4961 - 472, 7016 - 944);
        QTest::newRow("millimetre margins") << a4Caps() << p << false << a4 << m << none << m << none;
        p.marginsUnits = pct;
        p.margins = {10, 5, 20, 5};
        QTest::newRow("per cent margins")
            << a4Caps() << p << false << a4 << QRect(496, 351, 4961 - 496 - 992, 7016 - 702) << none
            << QRect(496, 351, 4961 - 496 - 992, 7016 - 702) << none;
    }
    {
        TPageSettings p = a4Page();
        p.options = TJobOption::joMargins | TJobOption::joHeader | TJobOption::joFooter;
        p.margins = {100, 100, 100, 100};
        p.header = 1;
        p.headerUnits = in;
        p.footer = 10;
        p.footerUnits = pct; // of the margin rectangle's height
        const QRect m(100, 100, 4761, 6816);
        QTest::newRow("header in inches, footer in per cent")
            << a4Caps() << p << false << a4 << m << QRect(100, 100, 4761, 600)
            << QRect(100, 700, 4761, 6816 - 600 - 682) << QRect(100, 100 + 6816 - 682, 4761, 682);
        p.options = TJobOption::joHeader;
        QTest::newRow("header alone") << a4Caps() << p << false << a4 << a4 << QRect(0, 0, 4961, 600)
                                      << QRect(0, 600, 4961, 7016 - 600) << none;
        p.options = TJobOption::joFooter;
        p.footer = 0;
        QTest::newRow("footer of no height")
            << a4Caps() << p << false << a4 << a4 << none << a4 << QRect(0, 7016, 4961, 0);
    }
    {
        // A printer whose canvas begins at the corner of its printable area: the margin rectangle moves
        // up and left on the printer, not in the preview.
        TPrinterCaps c = a4Caps();
        c.canvasOrigin = {100, 120};
        TPageSettings p = a4Page();
        p.options = TJobOption::joMargins;
        p.margins = {200, 200, 200, 200};
        const QRect m(200, 200, 4561, 6616);
        QTest::newRow("preview") << c << p << false << a4 << m << none << m << none;
        QTest::newRow("printer canvas") << c << p << true << a4 << m.translated(-100, -120) << none
                                        << m.translated(-100, -120) << none;
    }
    {
        TPageSettings p;
        p.pageMode = TPageMode::pmCustom;
        p.pageUnits = mm;
        p.pageWidth = 100;
        p.pageHeight = 150;
        const QRect s(0, 0, 2362, 3543);
        QTest::newRow("custom page in millimetres") << a4Caps() << p << false << s << s << none << s << none;
    }
}

void tst_PageGeometry::bandRectangles() {
    QFETCH(TPrinterCaps, caps);
    QFETCH(TPageSettings, page);
    QFETCH(bool, onPrinter);
    QFETCH(QRect, sheet);
    QFETCH(QRect, margins);
    QFETCH(QRect, header);
    QFETCH(QRect, body);
    QFETCH(QRect, footer);
    auto same = [](const QRect& got, const QRect& want) {
        return got == want ? QString() : rectText(got) + QStringLiteral(" instead of ") + rectText(want);
    };
    QCOMPARE(same(geo::sheetRect(caps, page), sheet), QString());
    QCOMPARE(same(geo::marginRect(caps, page, onPrinter), margins), QString());
    QCOMPARE(same(geo::headerRect(caps, page, onPrinter), header), QString());
    QCOMPARE(same(geo::pageRect(caps, page, onPrinter), body), QString());
    QCOMPARE(same(geo::footerRect(caps, page, onPrinter), footer), QString());
    // The bands share the margin rectangle without a gap or an overlap.
    if (page.options.testFlag(TJobOption::joHeader))
        QCOMPARE(header.top() + header.height(), body.top());
    if (page.options.testFlag(TJobOption::joFooter))
        QCOMPARE(body.top() + body.height(), footer.top());
}

void tst_PageGeometry::geometryAgainstItsRulesOverRandomJobs() {
    // Random printers and jobs: the bands tile the margin rectangle in order, the margin rectangle lies
    // the converted margins inside the sheet, and margins once fixed pass the check unchanged.
    const std::array units{px, pct, in, mm};
    for (quint32 seed : {7u, 8u, 9u}) {
        QRandomGenerator random(seed);
        QStringList last;
        for (int step = 0; step < 3000; ++step) {
            TPrinterCaps c;
            c.ok = true;
            c.dpiX = std::array{72, 150, 300, 600, 1200}[random.bounded(5)];
            c.dpiY = random.bounded(2) ? c.dpiX : c.dpiX * 2;
            c.physicalWidth = random.bounded(500, 12000);
            c.physicalHeight = random.bounded(500, 12000);
            c.offsetX = random.bounded(0, c.physicalWidth / 10);
            c.offsetY = random.bounded(0, c.physicalHeight / 10);
            c.printableWidth = c.physicalWidth - c.offsetX - random.bounded(0, c.physicalWidth / 10);
            c.printableHeight = c.physicalHeight - c.offsetY - random.bounded(0, c.physicalHeight / 10);
            c.canvasOrigin = random.bounded(2) ? QPoint(c.offsetX, c.offsetY) : QPoint();
            TPageSettings p;
            p.pageWidth = c.physicalWidth;
            p.pageHeight = c.physicalHeight;
            p.options = TJobOptions::fromInt(random.bounded(8));
            p.marginsUnits = units[random.bounded(4)];
            auto some = [&] { return random.bounded(0, 400) / 10.0; };
            p.margins = {some(), some(), some(), some()};
            p.header = some();
            p.headerUnits = units[random.bounded(4)];
            p.footer = some();
            p.footerUnits = units[random.bounded(4)];
            const bool onPrinter = random.bounded(2);
            last.append(QStringLiteral("%1×%2 at %3/%4 dpi, options %5, margins %6 %7 %8 %9 in unit %10, header "
                                       "%11 (%12), footer %13 (%14), printer canvas %15")
                            .arg(c.physicalWidth)
                            .arg(c.physicalHeight)
                            .arg(c.dpiX)
                            .arg(c.dpiY)
                            .arg(p.options.toInt())
                            .arg(p.margins.Left)
                            .arg(p.margins.Top)
                            .arg(p.margins.Right)
                            .arg(p.margins.Bottom)
                            .arg(int(p.marginsUnits))
                            .arg(p.header)
                            .arg(int(p.headerUnits))
                            .arg(p.footer)
                            .arg(int(p.footerUnits))
                            .arg(onPrinter));
            if (last.size() > 3)
                last.removeFirst();
            const QString where =
                QStringLiteral("seed %1, step %2; last: %3").arg(seed).arg(step).arg(last.join(QStringLiteral("; ")));

            const QRect sheet = geo::sheetRect(c, p);
            QVERIFY2(sheet == QRect(0, 0, c.physicalWidth, c.physicalHeight), qPrintable(where));
            const QRect m = geo::marginRect(c, p, onPrinter);
            const QPoint corner = onPrinter ? -c.canvasOrigin : QPoint();
            auto marginPx = [&](double v, double range, TDirection d) {
                return int(std::lrint(geo::ConvertUnits(p.marginsUnits, px, range, d, v, c.dpiX, c.dpiY)));
            };
            const bool withMargins = p.options.testFlag(TJobOption::joMargins);
            QVERIFY2(
                m.left() == corner.x() + (withMargins ? marginPx(p.margins.Left, sheet.width(), hor) : 0) &&
                    m.top() == corner.y() + (withMargins ? marginPx(p.margins.Top, sheet.height(), ver) : 0) &&
                    m.left() + m.width() == corner.x() + sheet.width() -
                                                (withMargins ? marginPx(p.margins.Right, sheet.width(), hor) : 0) &&
                    m.top() + m.height() == corner.y() + sheet.height() -
                                                (withMargins ? marginPx(p.margins.Bottom, sheet.height(), ver) : 0),
                qPrintable(where));
            const QRect head = geo::headerRect(c, p, onPrinter);
            const QRect body = geo::pageRect(c, p, onPrinter);
            const QRect foot = geo::footerRect(c, p, onPrinter);
            const int top = p.options.testFlag(TJobOption::joHeader) ? head.top() + head.height() : m.top();
            const int bottom = p.options.testFlag(TJobOption::joFooter) ? foot.top() : m.top() + m.height();
            QVERIFY2(body == QRect(m.left(), top, m.width(), bottom - top), qPrintable(where));
            if (p.options.testFlag(TJobOption::joHeader))
                QVERIFY2(head.topLeft() == m.topLeft() && head.width() == m.width(), qPrintable(where));
            else
                QVERIFY2(head == QRect(0, 0, 0, 0), qPrintable(where));
            if (p.options.testFlag(TJobOption::joFooter))
                QVERIFY2(foot.left() == m.left() && foot.top() + foot.height() == m.top() + m.height() &&
                             foot.width() == m.width(),
                         qPrintable(where));

            const geo::MarginsCheck check = geo::checkMargins(c, p);
            TPageSettings fixed = p;
            fixed.margins = check.fixed;
            const geo::MarginsCheck again = geo::checkMargins(c, fixed);
            QVERIFY2(!again.outside && again.fixed == check.fixed, qPrintable(where));
            QVERIFY2(check.outside == !(check.fixed == p.margins), qPrintable(where));
        }
    }
}

void tst_PageGeometry::marginsCheck_data() {
    QTest::addColumn<TUnits>("units");
    QTest::addColumn<TMargins>("margins");
    QTest::addColumn<bool>("outside");
    QTest::addColumn<TMargins>("fixed");
    // The unprintable edges of a4Caps(): 100 pixels left and right, 120 at the top and bottom.
    QTest::newRow("inside") << px << TMargins{100, 120, 100, 120} << false << TMargins{100, 120, 100, 120};
    QTest::newRow("left and bottom outside")
        << px << TMargins{50, 200, 150, 10} << true << TMargins{100, 200, 150, 120};
    QTest::newRow("program's own margins") << px << TMargins{8, 8, 9, 9} << true << TMargins{100, 120, 100, 120};
    // 100 pixels at 600 dpi are 4.23 mm, 120 are 5.08 mm.
    QTest::newRow("millimetres") << mm << TMargins{2, 10, 10, 2} << true << TMargins{4.23, 10, 10, 5.08};
    QTest::newRow("per cent") << pct << TMargins{1, 1, 5, 5} << true << TMargins{2.016, 1.71, 5, 5};
}

void tst_PageGeometry::marginsCheck() {
    QFETCH(TUnits, units);
    QFETCH(TMargins, margins);
    QFETCH(bool, outside);
    QFETCH(TMargins, fixed);
    TPageSettings page = a4Page();
    page.marginsUnits = units;
    page.margins = margins;
    const geo::MarginsCheck check = geo::checkMargins(a4Caps(), page);
    QCOMPARE(check.outside, outside);
    QCOMPARE(check.fixed.Left, fixed.Left);
    QCOMPARE(check.fixed.Top, fixed.Top);
    QCOMPARE(check.fixed.Right, fixed.Right);
    QCOMPARE(check.fixed.Bottom, fixed.Bottom);
    // An edge of 3 pixels at 1200 dpi is 0.0025 in, which rounds to 0.002 in and so to 2 pixels, still
    // outside: the fixed margin is the next thousandth of an inch.
    TPrinterCaps fine = a4Caps();
    fine.dpiX = fine.dpiY = 1200;
    fine.offsetX = 3;
    page.marginsUnits = in;
    page.margins = {0, 1, 1, 1};
    QCOMPARE(geo::checkMargins(fine, page).fixed.Left, 0.003);
    // Without a printer nothing is checked.
    page.margins = {-1000, -1000, -1000, -1000};
    QVERIFY(!geo::checkMargins(TPrinterCaps{}, page).outside);
}

void tst_PageGeometry::pictureAndTabs() {
    const QRect box(100, 100, 400, 200);
    const QSize picture(100, 50);
    struct Case {
        TStretchMode mode;
        Qt::Alignment alignment;
        QRect expected;
    };
    const QList<Case> cases{
        {TStretchMode::smNone, Qt::AlignLeft | Qt::AlignTop, QRect(100, 100, 100, 50)},
        {TStretchMode::smNone, Qt::AlignRight | Qt::AlignBottom, QRect(400, 250, 100, 50)},
        {TStretchMode::smNone, Qt::AlignCenter, QRect(250, 175, 100, 50)},
        {TStretchMode::smStretch, Qt::AlignCenter, box},
        // Scaled to fill the height: 400 × 200 fits exactly.
        {TStretchMode::smProportional, Qt::AlignCenter, QRect(100, 100, 400, 200)},
    };
    for (const Case& c : cases)
        QCOMPARE(rectText(geo::pictureRect(picture, box, c.mode, c.alignment)), rectText(c.expected));
    QCOMPARE(geo::pictureRect(QSize(50, 100), box, TStretchMode::smProportional, Qt::AlignHCenter | Qt::AlignTop),
             QRect(250, 100, 100, 200));
    QVERIFY(geo::pictureRect(QSize(), box, TStretchMode::smStretch, {}).isEmpty());

    // Tab stops every 80 from x = 10; every character 10 wide.
    auto width = [](const QString& t) { return int(t.size()) * 10; };
    using P = geo::TabbedPiece;
    QCOMPARE(geo::tabbedPieces(10, QStringLiteral("ab\tc"), 80, width), (QList<P>{{10, "ab"}, {90, "c"}}));
    QCOMPARE(geo::tabbedPieces(10, QStringLiteral("abcdefgh\tc"), 80, width), (QList<P>{{10, "abcdefgh"}, {170, "c"}}));
    QCOMPARE(geo::tabbedPieces(10, QStringLiteral("\t\tx"), 80, width), (QList<P>{{170, "x"}}));
    QCOMPARE(geo::tabbedPieces(0, QStringLiteral("ohne"), 0, width), (QList<P>{{0, "ohne"}}));
}

QTEST_MAIN(tst_PageGeometry)
#include "tst_PageGeometry.moc"
