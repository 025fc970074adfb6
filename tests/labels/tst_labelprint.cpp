// The label windows printing through the real print job into the built-in PDF printer; the pages are rendered
// with pdftoppm at 300 dpi and read with zbarimg, as a scanner would read the sheet.

#include "labels/LabelJob.h"
#include "labels/LabelPainter.h"
#include "labels/TEtikettenF.h"
#include "labels/TEtikettenVorschauF.h"
#include "labels/rules/LabelLayout.h"
#include "lending/TAusleiheBuchenF.h"
#include "printing/PrintFixture.h"
#include "printing/PrinterChoice.h"
#include "printing/TPreview.h"
#include "settings/INI.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QDoubleSpinBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QRadioButton>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QSpinBox>
#include <QStandardPaths>
#include <QTest>

using namespace lesaro;
using namespace lesaro::labels;
using printtest::Fixture;

namespace {

// One barcode zbarimg found: its text, and the sheet and label it was found on.
struct Found {
    QString type;
    QString text;
    int page = 0;
    int index = -1;
};

bool toolsThere() {
    return !QStandardPaths::findExecutable(QStringLiteral("pdftoppm")).isEmpty() &&
           !QStandardPaths::findExecutable(QStringLiteral("zbarimg")).isEmpty();
}

// Every barcode on every page of the PDF file, label by label: each label's rectangle of the sheet is cut out
// of the page and read on its own, so that a code found tells where it was printed.
QList<Found> readBarcodes(const QString& pdf, const LabelSheet& sheet, const QString& workFolder) {
    constexpr int dpi = 300;
    QList<Found> out;
    QDir work(workFolder);
    work.mkpath(QStringLiteral("."));
    QProcess render;
    render.start(QStringLiteral("pdftoppm"), {QStringLiteral("-r"), QString::number(dpi), QStringLiteral("-gray"),
                                              QStringLiteral("-png"), pdf, work.filePath(QStringLiteral("seite"))});
    if (!render.waitForFinished(120000) || render.exitCode() != 0)
        return out;
    const QStringList pages = work.entryList({QStringLiteral("seite-*.png")}, QDir::Files, QDir::Name);
    QStringList crops;
    for (int p = 0; p < pages.size(); ++p) {
        const QImage page(work.filePath(pages[p]));
        for (int i = 0; i < sheet.perSheet(); ++i) {
            const QRectF mm = sheet.labelRect(i);
            const QRect px(QPoint(int(mm.left() * dpi / 25.4), int(mm.top() * dpi / 25.4)),
                           QPoint(int(mm.right() * dpi / 25.4) - 1, int(mm.bottom() * dpi / 25.4) - 1));
            // A white border, as the label's neighbours would be, keeps the quiet zone for the reader.
            QImage crop(px.size() + QSize(40, 40), QImage::Format_Grayscale8);
            crop.fill(Qt::white);
            QPainter(&crop).drawImage(QPoint(20, 20), page.copy(px));
            const QString name = work.filePath(QStringLiteral("etikett-%1-%2.png").arg(p + 1).arg(i));
            crop.save(name);
            crops << name;
        }
    }
    QProcess scan;
    scan.start(QStringLiteral("zbarimg"),
               QStringList{QStringLiteral("--xml"), QStringLiteral("-q"), QStringLiteral("-Sdisable"),
                           QStringLiteral("-Scode128.enable"), QStringLiteral("-Scode39.enable")} +
                   crops);
    if (!scan.waitForFinished(300000))
        return {};
    const QString xml = QString::fromUtf8(scan.readAllStandardOutput());
    static const QRegularExpression source(
        QStringLiteral("<source href='[^']*etikett-(\\d+)-(\\d+)\\.png'>(.*?)</source>"),
        QRegularExpression::DotMatchesEverythingOption);
    static const QRegularExpression symbol(
        QStringLiteral("<symbol type='([^']+)'[^>]*>.*?<data><!\\[CDATA\\[(.*?)\\]\\]></data>"),
        QRegularExpression::DotMatchesEverythingOption);
    for (auto s = source.globalMatch(xml); s.hasNext();) {
        const auto src = s.next();
        const QString body = src.captured(3);
        for (auto it = symbol.globalMatch(body); it.hasNext();) {
            const auto m = it.next();
            out.append({m.captured(1), m.captured(2), src.captured(1).toInt(), src.captured(2).toInt()});
        }
    }
    return out;
}

template <typename T>
T* child(QWidget& w, const char* name) {
    auto* c = w.findChild<T*>(QString::fromLatin1(name));
    Q_ASSERT(c);
    return c;
}

// A book without a number: the number the insert rule proposed is cleared.
void addBookWithoutNumber(Table& books, const QString& titel) {
    books.Append();
    books.FieldByName(QStringLiteral("Nummer")).Clear();
    books.FieldByName(QStringLiteral("Titel")).setAsString(titel);
    books.Post();
}

// Prints the window's labels into the file, through the print dialog and the file dialog.
bool printTo(TEtikettenF& w, const QString& pdf) {
    PrintDialogService::answerNext(PrintDialogService::Answer::toFile(pdf));
    FileDialogService::answerNext(pdf);
    w.BDruckenClick();
    return QFileInfo::exists(pdf);
}

} // namespace

class tst_labelprint : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init() { printing::PrinterChoice::selectDefault(); }
    void randomSelectionsDecodeOnTheirPlaces();
    void withoutNumberLeftOutAndCounted();
    void sheetThatDoesNotFitIsRefused();
    void contentStaysInsideItsLabel_data();
    void contentStaysInsideItsLabel();
    void previewShowsTheSheets();
    void scannedLabelsBookALoan();
};

// A random selection of books on a random sheet from a random start: every number decodes exactly once,
// on the sheet and in the label the start position and the list's order say, and nothing else is found.
void tst_labelprint::randomSelectionsDecodeOnTheirPlaces() {
    if (!toolsThere())
        QSKIP("pdftoppm (poppler-utils) or zbarimg (zbar-tools) is not installed");
    const quint32 seed = 4711;
    QRandomGenerator rng(seed);
    for (int round = 0; round < 3; ++round) {
        Fixture f;
        QList<int> used;
        for (int i = 0; i < 60; ++i) {
            int n = 0;
            do
                n = rng.bounded(1, 40000);
            while (used.contains(n));
            used << n;
            f.addBook(n, QStringLiteral("Verfasser %1").arg(i),
                      QStringLiteral("Ein recht langer Titel, der nicht auf das Etikett passt, Nr. %1").arg(i));
        }
        Table& books = f.books();
        // The list as the main window shows it: ordered by title and narrowed.
        books.setIndexFieldNames(QStringLiteral("Verfasser"));
        books.setFilter(QStringLiteral("Nummer > 12000"));
        books.setFiltered(true);

        TEtikettenF w(f.library(), LabelKind::Book, nullptr);
        w.show();
        const int sheetIndex = int(rng.bounded(0, int(LabelSheets::builtIn().size())));
        child<QComboBox>(w, "CBBogen")->setCurrentIndex(sheetIndex);
        const LabelSheet sheet = LabelSheets::builtIn()[sheetIndex];
        const int start = int(rng.bounded(1, sheet.perSheet() + 1));
        child<QSpinBox>(w, "EStart")->setValue(start);
        const bool code39 = round == 1;
        child<QComboBox>(w, "CBStrichcode")->setCurrentIndex(code39 ? 1 : 0);
        child<QLineEdit>(w, "EBibliothek")->setText(QStringLiteral("Gemeindebücherei Tomarelle"));

        QList<qint32> expected;
        for (int row = 0; row < books.viewCount(); ++row)
            expected << books.valueAt(row, books.fieldIndex(QStringLiteral("Nummer"))).toInt();
        QCOMPARE(w.selection().records.size(), expected.size());

        const QString where =
            QStringLiteral("seed %1 round %2 sheet %3 start %4").arg(seed).arg(round).arg(sheet.name).arg(start);
        const QString pdf = f.path(QStringLiteral("etiketten.pdf"));
        QVERIFY2(printTo(w, pdf), qPrintable(where + MessageService::takeShownTexts().join(QLatin1Char('|'))));
        const QList<Found> found = readBarcodes(pdf, sheet, f.path(QStringLiteral("seiten")));

        const LabelPlan plan(int(expected.size()), 1, start, sheet.perSheet());
        QCOMPARE(found.size(), expected.size());
        for (int k = 0; k < expected.size(); ++k) {
            const QString number = QString::number(expected[k]);
            const LabelPlace place = plan.place(k);
            int hits = 0;
            for (const Found& b : found) {
                if (b.text != number)
                    continue;
                ++hits;
                QCOMPARE(b.type, code39 ? QStringLiteral("CODE-39") : QStringLiteral("CODE-128"));
                QVERIFY2(b.page == place.sheet, qPrintable(where + QStringLiteral(" label %1").arg(k)));
                QVERIFY2(b.index == place.index,
                         qPrintable(where + QStringLiteral(" label %1 at %2").arg(k).arg(b.index)));
            }
            QVERIFY2(hits == 1, qPrintable(where + QStringLiteral(": %1 read %2 times").arg(number).arg(hits)));
        }
        w.reject();
    }
}

void tst_labelprint::withoutNumberLeftOutAndCounted() {
    Fixture f;
    f.addBook(5, QStringLiteral("Ende"), QStringLiteral("Momo"));
    addBookWithoutNumber(f.books(), QStringLiteral("Ohne Nummer"));
    f.addBook(6, QStringLiteral("Ende"), QStringLiteral("Jim Knopf"));
    addBookWithoutNumber(f.books(), QStringLiteral("Auch ohne"));
    TEtikettenF w(f.library(), LabelKind::Book, nullptr);
    w.show();
    // Millimetres with the decimal comma, whatever the system's locale.
    QCOMPARE(child<QDoubleSpinBox>(w, "EOben")->text(), QStringLiteral("0,50 mm"));
    child<QSpinBox>(w, "EKopien")->setValue(2);
    QCOMPARE(w.countText(), QStringLiteral("4 Etiketten auf 1 Blatt"));
    QVERIFY2(
        w.noteText().contains(QStringLiteral("2 Bücher ohne Nummer bekommen kein Etikett und werden ausgelassen.")),
        qPrintable(w.noteText()));
    child<QSpinBox>(w, "EStart")->setValue(23);
    QCOMPARE(w.countText(), QStringLiteral("4 Etiketten auf 2 Blättern"));
    w.reject();
}

void tst_labelprint::sheetThatDoesNotFitIsRefused() {
    Fixture f;
    f.addBook(5, QStringLiteral("Ende"), QStringLiteral("Momo"));
    TEtikettenF w(f.library(), LabelKind::Book, nullptr);
    w.show();
    auto* sheets = child<QComboBox>(w, "CBBogen");
    sheets->setCurrentIndex(sheets->count() - 1);
    child<QSpinBox>(w, "EZeilen")->setValue(12);
    QVERIFY2(w.noteText().contains(QStringLiteral("Höhe des A4-Blatts")), qPrintable(w.noteText()));
    w.BDruckenClick();
    const QStringList shown = MessageService::takeShownTexts();
    QCOMPARE(shown.size(), 1);
    QVERIFY2(shown[0].contains(QStringLiteral("senkrechter Abstand")), qPrintable(shown[0]));
    QVERIFY(PrintDialogService::takeAsked().isEmpty());
    // The user's own sheet is kept in the settings when the window closes.
    w.reject();
    QCOMPARE(LabelSheets::loadUserSheet().rows, 12);
    QCOMPARE(INI::ReadSettingString(QStringLiteral("EtikettBogen")), LabelSheets::userSheetName());
}

void tst_labelprint::contentStaysInsideItsLabel_data() {
    QTest::addColumn<int>("dpi");
    QTest::addColumn<int>("kind");
    QTest::addColumn<double>("edge"); // the printer's unprintable edge all round, in millimetres
    QTest::newRow("book labels, 150 dpi") << 150 << int(LabelKind::Book) << 0.0;
    QTest::newRow("book labels, 203 dpi, 12 mm edge") << 203 << int(LabelKind::Book) << 12.0;
    QTest::newRow("reader cards, 300 dpi") << 300 << int(LabelKind::Reader) << 0.0;
    QTest::newRow("reader cards, 457 dpi, 12 mm edge") << 457 << int(LabelKind::Reader) << 12.0;
}

// Every dot drawn lies inside its label's rectangle and inside the printer's printable area, at whatever
// resolution: a sheet with gaps between the labels is drawn into an image at the printer's resolution.
void tst_labelprint::contentStaysInsideItsLabel() {
    QFETCH(int, dpi);
    QFETCH(int, kind);
    QFETCH(double, edge);
    LabelPrintout p;
    p.kind = LabelKind(kind);
    p.sheet = {QStringLiteral("Eigener Bogen"), 3, 6, 60, 40, 6, 7, 67, 47};
    QVERIFY(p.sheet.check().isEmpty());
    for (int i = 0; i < 20; ++i) {
        LabelRecord r;
        r.nummer = 1000000 + i * 7919;
        r.signatur = QStringLiteral("Kinder Mü %1 WWWWWWWWWWWWWWWWWWWWWWW").arg(i);
        r.titel = QStringLiteral("Ein überaus langer Titel, der auf keinem Etikett Platz hat %1").arg(i);
        r.vorname = QStringLiteral("Maximilian-Alexander");
        r.nachname = QStringLiteral("Müller-Lüdenscheidt von Wolkenstein-Trostburg");
        p.records << r;
    }
    p.plan = LabelPlan(int(p.records.size()), 1, 1, p.sheet.perSheet());
    p.library = QStringLiteral("Gemeindebücherei mit einem sehr, sehr langen Namen");
    p.card.validUntil = QDate(2027, 12, 31);
    auto dots = [dpi](double mm) { return int(std::lround(mm * dpi / 25.4)); };
    const QSize size(dots(210), dots(297));
    const QRect printable(QPoint(dots(edge), dots(edge)),
                          QPoint(size.width() - dots(edge) - 1, size.height() - dots(edge) - 1));
    LabelPainter painter(p, dpi, edge > 0 ? printable : QRect());
    QVERIFY2(painter.checkBarcodes().isEmpty(), qPrintable(painter.checkBarcodes()));
    QImage image(size, QImage::Format_Grayscale8);
    image.fill(Qt::white);
    {
        QPainter qp(&image);
        painter.drawSheet(qp, 1);
    }
    QList<QRect> labels;
    for (int i = 0; i < p.sheet.perSheet(); ++i)
        labels << painter.labelRect(i);
    // Where ink may be: inside a label and inside the printable area.
    QImage allowed(size, QImage::Format_Grayscale8);
    allowed.fill(0);
    {
        QPainter mask(&allowed);
        mask.setClipRect(printable);
        for (const QRect& r : labels)
            mask.fillRect(r, Qt::white);
    }
    int inked = 0;
    for (int y = 0; y < image.height(); ++y) {
        const uchar* line = image.constScanLine(y);
        const uchar* may = allowed.constScanLine(y);
        for (int x = 0; x < image.width(); ++x) {
            if (line[x] > 200)
                continue;
            ++inked;
            if (may[x] == 0)
                QFAIL(
                    qPrintable(QStringLiteral("a dot at %1,%2 outside its label or the printable area").arg(x).arg(y)));
        }
    }
    QVERIFY(inked > 0);
}

void tst_labelprint::previewShowsTheSheets() {
    Fixture f;
    for (int n = 1; n <= 30; ++n)
        f.addReader(n, QStringLiteral("Vorname%1").arg(n), QStringLiteral("Nachname%1").arg(n));
    TEtikettenF w(f.library(), LabelKind::Reader, nullptr);
    w.show();
    // Reader cards start on the card sheet: ten to a sheet.
    QCOMPARE(w.countText(), QStringLiteral("30 Etiketten auf 3 Blättern"));
    child<QCheckBox>(w, "CBGueltig")->setChecked(true);
    w.BVorschauClick();
    QVERIFY(w.preview());
    QCOMPARE(w.preview()->job()->job()->PageCount(), 3);
    QVERIFY(QTest::qWaitForWindowExposed(w.preview()));
    QCOMPARE(w.preview()->Preview1()->PageIndex(), 1);
    w.preview()->close();
    QTRY_VERIFY(!w.preview());
    w.reject();
}

// The numbers read off a printed reader card and a printed book label, typed into the booking window the way
// a scanner types them, book the loan.
void tst_labelprint::scannedLabelsBookALoan() {
    if (!toolsThere())
        QSKIP("pdftoppm (poppler-utils) or zbarimg (zbar-tools) is not installed");
    Fixture f;
    const int reader = f.addReader(1207, QStringLiteral("Jörg"), QStringLiteral("Brückner"));
    f.addReader(12, QStringLiteral("Anna"), QStringLiteral("Zwölf"));
    f.addBook(120, QStringLiteral("Ende"), QStringLiteral("Momo"));
    const int book = f.addBook(31415, QStringLiteral("Funke"), QStringLiteral("Tintenherz"));

    QString readerText;
    QString bookText;
    for (const LabelKind kind : {LabelKind::Reader, LabelKind::Book}) {
        TEtikettenF w(f.library(), kind, nullptr);
        w.show();
        child<QRadioButton>(w, "RBBereich")->setChecked(true);
        const int wanted = kind == LabelKind::Reader ? 1207 : 31415;
        child<QSpinBox>(w, "EVon")->setValue(wanted);
        child<QSpinBox>(w, "EBis")->setValue(wanted);
        const QString pdf =
            f.path(kind == LabelKind::Reader ? QStringLiteral("ausweis.pdf") : QStringLiteral("buch.pdf"));
        QVERIFY(printTo(w, pdf));
        const QList<Found> found = readBarcodes(
            pdf, w.printout().sheet, f.path(kind == LabelKind::Reader ? QStringLiteral("a") : QStringLiteral("b")));
        QCOMPARE(found.size(), 1);
        QCOMPARE(found[0].text, LabelLayout::barcodeText(wanted));
        (kind == LabelKind::Reader ? readerText : bookText) = found[0].text;
        w.reject();
    }

    TAusleiheBuchenF desk(f.library(), nullptr);
    desk.show();
    desk.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&desk));
    for (const auto& [name, text] : {std::pair{"ELeserNummer", readerText}, std::pair{"EBuchNummer", bookText}}) {
        auto* box = child<QLineEdit>(desk, name);
        box->setFocus(Qt::TabFocusReason);
        box->selectAll();
        QTest::keyClicks(box, text);
        QTest::keyClick(box, Qt::Key_Return);
    }
    QCOMPARE(f.loans().RecordCount(), 1);
    f.loans().First();
    QCOMPARE(f.loans().FieldByName(QStringLiteral("LeserID")).AsInteger(), reader);
    QCOMPARE(f.loans().FieldByName(QStringLiteral("BuecherID")).AsInteger(), book);
    desk.reject();
}

QTEST_MAIN(tst_labelprint)
#include "tst_labelprint.moc"
