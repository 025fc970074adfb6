#include "core/Clock.h"
#include "printing/PrintFixture.h"
#include "printing/PrinterChoice.h"
#include "statistics/TStatistikF.h"
#include "ui/DatePicker.h"

#include <QAbstractButton>
#include <QChart>
#include <QChartView>
#include <QComboBox>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QStandardPaths>
#include <QTabWidget>
#include <QTableView>
#include <QTest>

using namespace lesaro;
using namespace lesaro::statistics;
using printtest::Fixture;

namespace {

const QDate kToday(2025, 6, 15);
const QString kSecretFirst = QStringLiteral("Zacharias");
const QString kSecretLast = QStringLiteral("Quellenberg");

QString readAll(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(f.readAll());
}

QString modelText(const QAbstractItemModel* model) {
    QString out;
    for (int c = 0; c < model->columnCount(); ++c)
        out += model->headerData(c, Qt::Horizontal).toString() + QLatin1Char('\t');
    for (int r = 0; r < model->rowCount(); ++r)
        for (int c = 0; c < model->columnCount(); ++c)
            out += model->index(r, c).data().toString() + QLatin1Char('\t');
    return out;
}

// A small library: loans this year and last year, one without a date, one overdue, books never lent.
struct StatLibrary : Fixture {
    int roman, krimi, alt, nie;
    StatLibrary() {
        Clock::setFixedNow(QDateTime(kToday, QTime(10, 0)));
        roman = addBook(1, QStringLiteral("Fontane"), QStringLiteral("Effi Briest"));
        krimi = addBook(2, QStringLiteral("Glauser"), QStringLiteral("Wachtmeister Studer"));
        alt = addBook(3, QStringLiteral("Stifter"), QStringLiteral("Der Nachsommer"));
        nie = addBook(4, QStringLiteral("Raabe"), QStringLiteral("Stopfkuchen"));
        setBook(roman, "Roman", "R 12", "Regal 2");
        setBook(krimi, "Krimi", "K 3", "Regal 1");
        setBook(alt, "Roman", "R 1", "Keller");
        setBook(nie, "", "A 9", "Regal 3");
        const int reader = addReader(1, kSecretFirst, kSecretLast);
        const int other = addReader(2, QStringLiteral("Anna"), QStringLiteral("Ohnesorg"));
        addLoan(roman, reader, QDate(2025, 1, 1), QDate(2025, 1, 31), QDate(2025, 1, 20));
        addLoan(roman, other, QDate(2025, 3, 31), QDate(2025, 4, 30), QDate(2025, 4, 2));
        addLoan(krimi, reader, QDate(2025, 5, 2), QDate(2025, 6, 1)); // open and overdue
        addLoan(roman, other, QDate(2024, 1, 10), QDate(2024, 2, 10), QDate(2024, 2, 1));
        addLoan(alt, other, QDate(2018, 5, 1), QDate(2018, 6, 1), QDate(2018, 5, 20));
        testing::addLoan(loans(), roman, reader, QDate(), QDate(), QDate(2025, 2, 1)); // no lending date
    }
    ~StatLibrary() { Clock::setFixedNow({}); }
    void setBook(int id, const char* group, const char* signatur, const char* standort) {
        QVERIFY(books().Locate(QStringLiteral("ID"), {id}));
        books().Edit();
        books().FieldByName(QStringLiteral("Sachgruppe")).setAsString(QString::fromUtf8(group));
        books().FieldByName(QStringLiteral("Signatur")).setAsString(QString::fromUtf8(signatur));
        books().FieldByName(QStringLiteral("Standort")).setAsString(QString::fromUtf8(standort));
        books().Post();
    }
};

} // namespace

class TestStatistikWindow : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void opensOnTheCalendarYear();
    void quickPeriods();
    void backwardsPeriodIsRefused();
    void emptyPeriod();
    void weedingList();
    void exportsFiles();
    void failedExportIsReported();
    void reportPdf();
    void noReaderNameAnywhere();
};

void TestStatistikWindow::opensOnTheCalendarYear() {
    StatLibrary lib;
    TStatistikF w(lib.library(), nullptr);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QCOMPARE(w.DTPVon()->date(), QDate(2025, 1, 1));
    QCOMPARE(w.DTPBis()->date(), QDate(2025, 12, 31));
    QCOMPARE(w.DTPSeit()->date(), QDate(2020, 6, 15));
    QCOMPARE(w.PageControl1()->currentIndex(), int(TStatistikF::Monate));
    const StatisticsFigures& f = w.figures();
    QCOMPARE(f.loans, 3);
    QCOMPARE(f.loansYearBefore, 1);
    QCOMPARE(f.loansWithoutDate, 1);
    QCOMPARE(f.books, 4);
    QCOMPARE(f.booksLentNow, 1);
    QCOMPARE(f.loansOverdueNow, 1);
    QCOMPARE(f.booksNeverLent, 1);
    QCOMPARE(f.months.size(), 12);
    QCOMPARE(f.months[0].loans, 1);
    QCOMPARE(f.months[0].loansYearBefore, 1);
    QCOMPARE(f.months[2].loans, 1); // 31 March, not April
    QVERIFY(w.LHinweis()->text().contains(QStringLiteral("1 Ausleihe ohne Datum")));
    QVERIFY(w.chartView(TStatistikF::Monate)->chart()->title().contains(QStringLiteral("01.01.2025 – 31.12.2025")));
    QVERIFY(MessageService::takeShown().isEmpty());
}

void TestStatistikWindow::quickPeriods() {
    StatLibrary lib;
    TStatistikF w(lib.library(), nullptr);
    w.FormShow();
    w.CBZeitraum()->setCurrentIndex(1);
    QCOMPARE(w.DTPVon()->date(), QDate(2024, 8, 1));
    QCOMPARE(w.DTPBis()->date(), QDate(2025, 7, 31));
    QCOMPARE(w.figures().loans, 3);
    w.CBZeitraum()->setCurrentIndex(2);
    QCOMPARE(w.DTPVon()->date(), QDate(2024, 6, 16));
    QCOMPARE(w.DTPBis()->date(), kToday);
    QCOMPARE(w.figures().months.size(), 13);
    w.DTPVon()->setDate(QDate(2025, 2, 1));
    QCOMPARE(w.CBZeitraum()->currentIndex(), 3);
    QCOMPARE(w.DTPBis()->date(), kToday);
    QCOMPARE(w.figures().loans, 2);
}

void TestStatistikWindow::backwardsPeriodIsRefused() {
    StatLibrary lib;
    TStatistikF w(lib.library(), nullptr);
    w.FormShow();
    MessageService::takeShown();
    w.DTPBis()->setDate(QDate(2024, 12, 31));
    const QList<MessageService::Shown> shown = MessageService::takeShown();
    QCOMPARE(shown.size(), 1);
    QVERIFY(shown[0].text.contains(QStringLiteral("„Bis“ liegt vor dem Datum bei „Von“")));
    QCOMPARE(w.LHinweis()->text(), shown[0].text);
    QCOMPARE(w.figures().loans, 0);
    // No report of a period that does not exist.
    QVERIFY(!w.BJahresberichtClick());
    QCOMPARE(MessageService::takeShown().size(), 1);
    QVERIFY(FileDialogService::takeAsked().isEmpty());
}

void TestStatistikWindow::emptyPeriod() {
    StatLibrary lib;
    TStatistikF w(lib.library(), nullptr);
    w.FormShow();
    w.DTPVon()->setDate(QDate(2021, 1, 1));
    w.DTPBis()->setDate(QDate(2021, 12, 31));
    QVERIFY(w.LHinweis()->text().startsWith(QStringLiteral("Keine Ausleihen im Zeitraum")));
    QVERIFY(w.chartView(TStatistikF::Monate)->chart()->title().contains(QStringLiteral("Keine Ausleihen im Zeitraum")));
    QVERIFY(MessageService::takeShown().isEmpty());
}

void TestStatistikWindow::weedingList() {
    StatLibrary lib;
    TStatistikF w(lib.library(), nullptr);
    w.FormShow();
    // Not lent since 15.06.2020: the old book and the one never lent; the lent book is not on the shelf.
    auto titles = [&] {
        QStringList out;
        for (const WeedingEntry& e : w.weeding())
            out << e.titel;
        return out;
    };
    QCOMPARE(titles(), (QStringList{QStringLiteral("Stopfkuchen"), QStringLiteral("Der Nachsommer")}));
    w.CBSortierung()->setCurrentIndex(1);
    QCOMPARE(titles(), (QStringList{QStringLiteral("Der Nachsommer"), QStringLiteral("Stopfkuchen")}));
    w.DTPSeit()->setDate(QDate(2016, 1, 1));
    QCOMPARE(titles(), (QStringList{QStringLiteral("Stopfkuchen")}));
    const StatisticsTable t = w.table(TStatistikF::Aussonderung);
    QCOMPARE(t.rows.size(), 1);
    QCOMPARE(t.rows[0][6], QStringLiteral("nie"));

    // Printed into a PDF file through the print dialog.
    const QString pdf = lib.path(QStringLiteral("aussonderung.pdf"));
    printing::PrinterChoice::selectDefault();
    PrintDialogService::answerNext(PrintDialogService::Answer::toFile(pdf));
    FileDialogService::answerNext(pdf); // "PDF-Datei" asks where the file goes
    w.PageControl1()->setCurrentIndex(TStatistikF::Aussonderung);
    QVERIFY(w.BDruckenClick());
    if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty())
        QSKIP("pdftotext is not installed");
    const QStringList pages = printtest::pdfPages(pdf);
    QCOMPARE(pages.size(), 1);
    QVERIFY(pages[0].contains(QStringLiteral("Stopfkuchen")));
    QVERIFY(pages[0].contains(QStringLiteral("Aussonderungsliste: nicht ausgeliehen seit 01.01.2016")));
}

void TestStatistikWindow::exportsFiles() {
    StatLibrary lib;
    TStatistikF w(lib.library(), nullptr);
    w.FormShow();
    // A chart as PNG, PDF and SVG.
    const QString png = lib.path(QStringLiteral("monate.png"));
    FileDialogService::answerNext(png);
    w.BExportierenClick();
    const QImage image(png);
    QVERIFY(!image.isNull());
    QVERIFY(image.width() > 1000);
    const QString pdf = lib.path(QStringLiteral("sachgruppen.pdf"));
    QVERIFY(w.exportChart(TStatistikF::Sachgruppen, pdf));
    QFile pdfFile(pdf);
    QVERIFY(pdfFile.open(QIODevice::ReadOnly));
    QVERIFY(pdfFile.read(5) == "%PDF-");
    // And as SVG: a drawing whose texts are the chart's own.
    const QString svg = lib.path(QStringLiteral("monate.svg"));
    QVERIFY(w.exportChart(TStatistikF::Monate, svg));
    QFile svgFile(svg);
    QVERIFY(svgFile.open(QIODevice::ReadOnly));
    const QByteArray drawing = svgFile.readAll();
    QVERIFY(drawing.contains("<svg"));
    QVERIFY(drawing.contains("</svg>"));

    // A table as CSV: the user picks the character set first.
    w.PageControl1()->setCurrentIndex(TStatistikF::Buecher);
    const QString csv = lib.path(QStringLiteral("buecher.csv"));
    MessageService::answerNextChoice(0);
    FileDialogService::answerNext(csv);
    w.BExportierenClick();
    QFile file(csv);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), QByteArray("\"Nummer\";\"Verfasser\";\"Titel\";\"Ausleihen\";\r\n"
                                        "\"1\";\"Fontane\";\"Effi Briest\";\"2\";\r\n"
                                        "\"2\";\"Glauser\";\"Wachtmeister Studer\";\"1\";\r\n"));
    file.close();
    // UTF-8 on the same file replaces it whole.
    w.PageControl1()->setCurrentIndex(TStatistikF::Sachgruppen);
    QVERIFY(w.exportTable(TStatistikF::Bestand, csv, true));
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray utf8 = file.readAll();
    QVERIFY(utf8.startsWith("\xEF\xBB\xBF\"Kennzahl\";\"Wert\";\r\n"));
    QVERIFY(utf8.contains("\"Bücher nie ausgeliehen\";\"1\";"));
    // Cancelling the character set writes nothing.
    w.PageControl1()->setCurrentIndex(TStatistikF::Bestand);
    MessageService::answerNextChoice(2);
    w.BExportierenClick();
    QVERIFY(FileDialogService::takeAsked().size() == 2);
}

void TestStatistikWindow::failedExportIsReported() {
    StatLibrary lib;
    TStatistikF w(lib.library(), nullptr);
    w.FormShow();
    w.PageControl1()->setCurrentIndex(TStatistikF::Buecher);
    MessageService::takeShown();
    MessageService::answerNextChoice(0);
    FileDialogService::answerNext(lib.path(QStringLiteral("fehlt/buecher.csv")));
    QTest::mouseClick(w.findChild<QAbstractButton*>(QStringLiteral("BExportieren")), Qt::LeftButton);
    const QList<MessageService::Shown> shown = MessageService::takeShown();
    QCOMPARE(shown.size(), 2); // the character set, then the failure
    QCOMPARE(shown[1].kind, MessageService::Kind::Error);
    QVERIFY(shown[1].text.contains(QStringLiteral("buecher.csv")));
    QVERIFY(!QFile::exists(lib.path(QStringLiteral("fehlt/buecher.csv"))));
}

void TestStatistikWindow::reportPdf() {
    if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty())
        QSKIP("pdftotext is not installed");
    StatLibrary lib;
    TStatistikF w(lib.library(), nullptr);
    w.FormShow();
    printing::PrinterChoice::selectDefault();
    const QString before = printing::PrinterChoice::currentName();
    const QString pdf = lib.path(QStringLiteral("jahresbericht.pdf"));
    FileDialogService::answerNext(pdf);
    QVERIFY(w.BJahresberichtClick());
    QCOMPARE(printing::PrinterChoice::currentName(), before);
    const QStringList pages = printtest::pdfPages(pdf);
    QCOMPARE(pages.size(), 2);
    QVERIFY(pages[0].contains(QStringLiteral("Jahresbericht der Bücherei")));
    QVERIFY(pages[0].contains(QStringLiteral("Zeitraum: 01.01.2025 – 31.12.2025")));
    // Every key figure as computed, label and value on one line.
    const StatisticsTable key = StatisticsTables::keyFigures(w.figures());
    for (const QStringList& row : key.rows) {
        const QRegularExpression line(QRegularExpression::escape(row[0]) + QStringLiteral("\\s+") +
                                      QRegularExpression::escape(row[1]));
        QVERIFY2(line.match(pages[0]).hasMatch(), qPrintable(row.join(QLatin1Char(' '))));
    }
    QVERIFY(pages[0].contains(QStringLiteral("Ausleihen im Zeitraum")));
    QVERIFY(pages[0].contains(QStringLiteral("1 Ausleihe ohne Datum")));
    QVERIFY(pages[0].contains(QStringLiteral("Ausleihen je Monat")));
    QVERIFY(pages[1].contains(QStringLiteral("Ausleihen nach Sachgruppe")));
}

void TestStatistikWindow::noReaderNameAnywhere() {
    StatLibrary lib;
    TStatistikF w(lib.library(), nullptr);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QString seen = w.LHinweis()->text();
    for (QTableView* grid : w.findChildren<QTableView*>())
        seen += modelText(grid->model());
    for (QChartView* view : w.findChildren<QChartView*>())
        seen += view->chart()->title();
    for (int page = TStatistikF::Monate; page <= TStatistikF::Aussonderung; ++page) {
        const QString csv = lib.path(QStringLiteral("seite%1.csv").arg(page));
        QVERIFY(w.exportTable(TStatistikF::Page(page), csv, true));
        seen += readAll(csv);
    }
    if (!QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty()) {
        const QString pdf = lib.path(QStringLiteral("bericht.pdf"));
        FileDialogService::answerNext(pdf);
        QVERIFY(w.BJahresberichtClick());
        seen += printtest::pdfPages(pdf).join(QString());
    }
    QVERIFY(seen.contains(QStringLiteral("Effi Briest")));
    QVERIFY(!seen.contains(kSecretFirst));
    QVERIFY(!seen.contains(kSecretLast));
    QVERIFY(!seen.contains(QStringLiteral("Ohnesorg")));
}

QTEST_MAIN(TestStatistikWindow)
#include "tst_statistikwindow.moc"
