// The import wizards: the two steps as the user goes through them (reading a source, assigning, removing,
// finishing), with the wizard's memory across openings. The rules of " Abschluss" on a preview are tested
// with the exchange's rules.
#include "ExchangeFixture.h"

#include "core/EngineError.h"
#include "exchange/PreviewModel.h"
#include "exchange/TWizzardF.h"
#include "exchange/TWizzardLeserF.h"
#include "exchange/rules/ImportMapping.h"
#include "settings/INI.h"
#include "ui/FlatButton.h"

#include <QAbstractItemModelTester>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTableView>
#include <QTableWidget>
#include <QTextDocument>
#include <QToolButton>
#include <QtTest>

using namespace lesaro;

namespace {

template <typename T>
T* child(QWidget* w, const char* name) {
    T* c = w->findChild<T*>(QString::fromLatin1(name));
    if (!c)
        qFatal("no control %s", name);
    return c;
}

// Target rows of the book wizard.
constexpr int kVerfasser = 0;
constexpr int kTitel = 1;
constexpr int kSchlagworte = 10;
constexpr int kPreis = 11;
constexpr int kSchlagwort1 = 13;

} // namespace

class ImportTest : public QObject {
    Q_OBJECT
    std::unique_ptr<test::ExchangeLibrary> m_lib;

    Table& books() { return m_lib->library->ClientBuecher(); }
    Table& readers() { return m_lib->library->ClientLeser(); }

    QString writeFile(const char* name, const QByteArray& bytes) {
        const QString path = m_lib->path(QString::fromLatin1(name));
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly))
            qFatal("cannot write %s", name);
        f.write(bytes);
        return path;
    }

    // Step 1 with a source chosen through the browse button, then " Weiter".
    void chooseSource(ImportWizard& w, const QString& path) {
        FileDialogService::answerNext(path);
        w.SpeedButton4Click();
    }
    void assign(ImportWizard& w, int target, int sourceField) {
        auto* left = child<QTableWidget>(&w, "SGDatenbank");
        auto* right = child<QTableView>(&w, "SgDatei2");
        left->setCurrentCell(target, 0);
        right->setCurrentIndex(right->model()->index(sourceField, 0));
        child<QToolButton>(&w, "SpeedButton5")->click();
    }
    QString cell(ImportWizard& w, int row, int column) {
        QTableWidgetItem* item = child<QTableWidget>(&w, "SGDatenbank")->item(row, column);
        return item ? item->text() : QString();
    }

private Q_SLOTS:
    void initTestCase() { GermanLocale::install(); }
    void init() { m_lib = std::make_unique<test::ExchangeLibrary>(); }
    void cleanup() { m_lib.reset(); }

    void previewModelIsASoundModel() {
        PreviewModel model;
        QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        model.setGrid(PreviewGrid::fromRecords({{"a", "b", "c"}, {"d"}, {}}));
        QCOMPARE(model.columnCount(), 3);
        QCOMPARE(model.rowCount(), 3);
        QCOMPARE(model.index(0, 1).data().toString(), QStringLiteral("d"));
        QCOMPARE(model.index(2, 1).data().toString(), QString());
        model.setGrid(PreviewGrid());
        QCOMPARE(model.columnCount(), 2);
    }

    // A cell that looks like markup is shown as it stands, in the tooltip too.
    void previewShowsCellsAsTheyAre() {
        PreviewModel model;
        const QString markup = QStringLiteral("<font color=\"white\">x</font><h1>Bitte Buch einbehalten</h1>");
        model.setGrid(PreviewGrid::fromRecords({{markup, "Momo"}}));
        QCOMPARE(model.index(0, 0).data().toString(), markup);
        QTextDocument shown;
        shown.setHtml(model.index(0, 0).data(Qt::ToolTipRole).toString());
        QCOMPARE(shown.toPlainText(), markup);
        QCOMPARE(model.index(1, 0).data(Qt::ToolTipRole).toString(), QStringLiteral("Momo"));
    }

    // The wizard as the user goes through it, on a text file.
    void wizardFromTextFileToBooks() {
        const QString path =
            writeFile("liste.csv", "Verfasser;Titel;Jahr\r\nEnde;\"Momo; oder\";1973\r\nK\xe4stner\r\n");
        TWizzardF w(*m_lib->library);
        w.show();
        QVERIFY(child<QWidget>(&w, "P1")->isVisible());
        QCOMPARE(w.preview().columnCount(), 2);
        chooseSource(w, path);
        QCOMPARE(child<QLineEdit>(&w, "EQuelldatei")->text(), path);
        QCOMPARE(w.preview().columnCount(), 3);
        QCOMPARE(w.preview().rowCount(), 4);
        QCOMPARE(w.preview().cell(1, 1), QStringLiteral("\"Momo"));
        QCOMPARE(w.preview().cell(1, 2), QStringLiteral(" oder\""));
        QCOMPARE(w.preview().cell(2, 0), QStringLiteral("Kästner"));

        child<QRadioButton>(&w, "RBKomma")->click(); // read again with the other separator
        QCOMPARE(w.preview().rowCount(), 1);
        child<QRadioButton>(&w, "RBSemikolon")->click();
        child<QCheckBox>(&w, "CBTitelzeile")->click();

        child<FlatButton>(&w, "SRColorButton4")->click();
        QVERIFY(child<QWidget>(&w, "P2")->isVisible());
        QCOMPARE(child<QTableWidget>(&w, "SGDatenbank")->horizontalHeaderItem(1)->text(),
                 QStringLiteral("zug. Dateifeld"));
        QCOMPARE(cell(w, kSchlagwort1, 0), QStringLiteral("Schlagwort 1"));
        assign(w, kVerfasser, 0);
        assign(w, kTitel, 1);
        assign(w, kSchlagworte, 2);
        QCOMPARE(cell(w, kTitel, 1), QStringLiteral("Titel"));
        QCOMPARE(cell(w, kTitel, 2), QStringLiteral("\"Momo"));
        QCOMPARE(w.assignment()[kTitel], 1);

        // "X" on the title row removes that assignment only.
        child<QTableWidget>(&w, "SGDatenbank")->setCurrentCell(kTitel, 0);
        child<QToolButton>(&w, "SpeedButton1")->click();
        QCOMPARE(w.assignment()[kTitel], -1);
        QCOMPARE(cell(w, kTitel, 1), QString());
        QCOMPARE(w.assignment()[kVerfasser], 0);
        QCOMPARE(cell(w, kVerfasser, 1), QStringLiteral("Verfasser"));
        QCOMPARE(cell(w, kVerfasser, 2), QStringLiteral("Ende"));

        child<FlatButton>(&w, "SRColorButton12")->click();
        QVERIFY(!w.isVisible());
        QCOMPARE(books().RecordCount(), 2);
        QCOMPARE(test::text(books(), 0, "Verfasser"), QStringLiteral("Ende"));
        QCOMPARE(test::text(books(), 1, "Verfasser"), QStringLiteral("Kästner"));
        QCOMPARE(test::text(books(), 0, "Titel"), QString());
        QVERIFY(MessageService::takeShown().isEmpty());

        // The next opening starts on step 1 with path, preview and assignments of the last use.
        w.show();
        QVERIFY(child<QWidget>(&w, "P1")->isVisible());
        QCOMPARE(child<QLineEdit>(&w, "EQuelldatei")->text(), path);
        QCOMPARE(w.preview().columnCount(), 3);
        QCOMPARE(w.assignment()[kVerfasser], 0);
        QCOMPARE(w.assignment()[kSchlagworte], 2);
        QCOMPARE(cell(w, kVerfasser, 1), QStringLiteral("Verfasser"));
    }

    // The lists hear of an import once, at its end, also when a refused value ends it early.
    void listsRefreshOnceAtTheEnd_data() {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<int>("readers");
        QTest::addColumn<int>("messages");
        QTest::newRow("all imported") << QByteArray("1;Adam\r\n2;Berg\r\n3;Cohn\r\n") << 3 << 0;
        QTest::newRow("stopped at a refused number") << QByteArray("1;Adam\r\nzwei;Berg\r\n3;Cohn\r\n") << 1 << 1;
    }
    void listsRefreshOnceAtTheEnd() {
        QFETCH(QByteArray, file);
        QFETCH(int, readers);
        QFETCH(int, messages);
        TWizzardLeserF w(*m_lib->library);
        w.show();
        chooseSource(w, writeFile("leser.csv", file));
        w.SRColorButton4Click();
        assign(w, 0, 0);
        assign(w, 2, 1);
        DataSource& source = m_lib->library->DataLeser();
        QSignalSpy resets(&source, &DataSource::viewReset);
        QSignalSpy rows(&source, &DataSource::rowsChanged);
        w.SRColorButton12Click();
        QCOMPARE(this->readers().RecordCount(), readers);
        QCOMPARE(rows.count(), 0);
        QCOMPARE(resets.count(), 1);
        QVERIFY(!source.ControlsDisabled());
        QCOMPARE(MessageService::takeShownTexts().size(), messages);
        QCOMPARE(w.isVisible(), messages > 0); // a failed import leaves the wizard open on step 3
    }

    void longImportShowsProgressAndPostsEveryRecord() {
        const int count = ImportWizard::kProgressThreshold + 100;
        QByteArray file;
        for (int i = 1; i <= count; ++i)
            file += "Titel " + QByteArray::number(i) + "\r\n";
        TWizzardF w(*m_lib->library);
        w.show();
        chooseSource(w, writeFile("viele.csv", file));
        w.SRColorButton4Click();
        assign(w, kTitel, 0);
        w.SRColorButton12Click();
        QCOMPARE(books().RecordCount(), count);
        QCOMPARE(test::text(books(), count - 1, "Titel"), QStringLiteral("Titel %1").arg(count));
        QVERIFY(!w.isVisible());
    }

    void finishBeforeAnySourceGivesTheInitialColumns_data() {
        QTest::addColumn<bool>("titleRow");
        QTest::addColumn<int>("books");
        QTest::newRow("two empty books") << false << 2;
        QTest::newRow("one with the header box checked") << true << 1;
    }
    void finishBeforeAnySourceGivesTheInitialColumns() {
        QFETCH(bool, titleRow);
        QFETCH(int, books);
        TWizzardF w(*m_lib->library);
        w.show();
        child<QCheckBox>(&w, "CBTitelzeile")->setChecked(titleRow);
        w.SRColorButton4Click();
        w.SRColorButton12Click();
        QCOMPARE(this->books().RecordCount(), books);
    }

    // A refused source leaves nothing of the file before it: the preview is empty and " Weiter" blocked until
    // a readable source is chosen, so the earlier file's records cannot be imported again under the new name.
    // The message names the true reason.
    void refusedSourceEmptiesThePreviewAndBlocksWeiter_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("message");
        QTest::newRow("Access") << "kaputt.mdb" << QByteArray("keine Datenbank")
                                << "„kaputt.mdb“ ist keine Accessdatei oder ist beschädigt";
        QTest::newRow("text file named xls")
            << "kaputt.xls" << QByteArray("a;b\r\n") << "„kaputt.xls“ ist keine Exceldatei oder ist beschädigt";
        QTest::newRow("missing text") << "fehlt.txt" << QByteArray() << "Quelldatei konnte nicht gefunden werden";
        QTest::newRow("missing xls") << "fehlt.xls" << QByteArray() << "Exceldatei konnte nicht gefunden werden";
        // A newer Access file takes the Access path whatever the case of its name, and its damage gets the
        // Access message.
        QTest::newRow("damaged accdb in capitals") << "KAPUTT.ACCDB" << QByteArray("\0\1\0\0Standard ACE DB\0", 20)
                                                   << "„KAPUTT.ACCDB“ ist keine Accessdatei oder ist beschädigt";
        QFile nwind(QStringLiteral(LESARO_SOURCE_DIR "/../shared/data/fixtures/nwind.mdb"));
        if (nwind.open(QIODevice::ReadOnly))
            QTest::newRow("database cut short, named accdb")
                << "kurz.accdb" << nwind.read(8192) << "„kurz.accdb“ ist keine Accessdatei oder ist beschädigt";
    }
    void refusedSourceEmptiesThePreviewAndBlocksWeiter() {
        QFETCH(QString, name);
        QFETCH(QByteArray, bytes);
        QFETCH(QString, message);
        TWizzardLeserF w(*m_lib->library);
        w.show();
        chooseSource(w, writeFile("gut.csv", "1;Adam\r\n2;Berg\r\n"));
        QCOMPARE(w.preview().columnCount(), 2);
        auto* weiter = child<FlatButton>(&w, "SRColorButton4");
        const QString path = bytes.isEmpty() ? m_lib->path(name) : writeFile(qPrintable(name), bytes);
        chooseSource(w, path);
        QCOMPARE(MessageService::takeShownTexts(), QStringList{message});
        QCOMPARE(w.preview().columnCount(), 0);
        QVERIFY(!weiter->isEnabled());
        w.SRColorButton4Click();
        QVERIFY(child<QWidget>(&w, "P1")->isVisible());
        // A readable source frees " Weiter" again.
        chooseSource(w, m_lib->path(QStringLiteral("gut.csv")));
        QVERIFY(weiter->isEnabled());
        QCOMPARE(w.preview().columnCount(), 2);
    }

    // A text file in UTF-8 is read as UTF-8, with its byte-order mark or without; the wizard shows which
    // encoding it used, the user can switch, and the next file is looked at afresh.
    void textEncodingIsFoundShownAndSwitchable() {
        TWizzardF w(*m_lib->library);
        w.show();
        auto* encoding = child<QComboBox>(&w, "CBZeichensatz");
        chooseSource(w, writeFile("utf8.csv", "\xef\xbb\xbfVerfasser;Titel\r\nWei\xc3\x9f;Momo\r\n"));
        QCOMPARE(encoding->currentText(), QStringLiteral("UTF-8"));
        QCOMPARE(w.preview().cell(0, 0), QStringLiteral("Verfasser"));
        QCOMPARE(w.preview().cell(1, 0), QStringLiteral("Weiß"));
        encoding->setCurrentIndex(encoding->findText(QStringLiteral("Windows (ANSI)")));
        w.CBZeichensatzClick();
        QCOMPARE(w.preview().cell(1, 0), QStringLiteral("WeiÃŸ"));
        child<QRadioButton>(&w, "RBKomma")->click(); // the user's choice stands for this file
        QCOMPARE(encoding->currentText(), QStringLiteral("Windows (ANSI)"));
        chooseSource(w, writeFile("ohne.csv", "Wei\xc3\x9f;K\xc3\xa4stner\r\n"));
        QCOMPARE(encoding->currentText(), QStringLiteral("UTF-8"));
        QCOMPARE(w.preview().cell(0, 0), QStringLiteral("Weiß;Kästner"));
        chooseSource(w, writeFile("alt.csv", "Wei\xdf;K\xe4stner\r\n"));
        QCOMPARE(encoding->currentText(), QStringLiteral("Windows (ANSI)"));
        QCOMPARE(w.preview().cell(0, 0), QStringLiteral("Weiß;Kästner"));
        QVERIFY(MessageService::takeShownTexts().isEmpty());
    }

    // A price with a point as its decimal mark is taken; an empty line is no book; a value a field refuses
    // is counted and named at the end.
    void droppedValuesAreCountedAndNamed() {
        TWizzardF w(*m_lib->library);
        w.show();
        chooseSource(w, writeFile("preise.csv", "Momo;12.50\r\n\r\nEmil;zw\xf6lf Euro\r\nTim;7,5\r\nPaul;1.2.3\r\n"));
        w.SRColorButton4Click();
        assign(w, kTitel, 0);
        assign(w, kPreis, 1);
        w.SRColorButton12Click();
        QCOMPARE(books().RecordCount(), 4);
        QCOMPARE(test::text(books(), 0, "Preis"), QStringLiteral("12,5"));
        QCOMPARE(test::text(books(), 1, "Preis"), QString());
        QCOMPARE(test::text(books(), 2, "Preis"), QStringLiteral("7,5"));
        QCOMPARE(test::text(books(), 3, "Preis"), QString());
        QCOMPARE(MessageService::takeShownTexts(),
                 QStringList{QStringLiteral("2 Werte konnten nicht übernommen werden:\n"
                                            "Datensatz 2, Preis: „zwölf Euro“\nDatensatz 4, Preis: „1.2.3“")});
        QVERIFY(!w.isVisible());
    }

    // Characters the table files cannot hold are counted before anything is taken over, and the librarian
    // decides; the end names them again.
    void unstorableCharactersAreAskedAbout_data() {
        QTest::addColumn<bool>("go");
        QTest::newRow("the librarian declines") << false;
        QTest::newRow("the librarian goes on") << true;
    }
    void unstorableCharactersAreAskedAbout() {
        QFETCH(bool, go);
        TWizzardF w(*m_lib->library);
        w.show();
        chooseSource(w, writeFile("russisch.csv", "\xd0\x92\xd0\xbe\xd0\xb9\xd0\xbd\xd0\xb0 \xd0\xb8 "
                                                  "\xd0\xbc\xd0\xb8\xd1\x80;Tolstoi\r\nWei\xc3\x9f;Ende\r\n"));
        w.SRColorButton4Click();
        assign(w, kTitel, 0);
        assign(w, kVerfasser, 1);
        MessageService::answerNext(go ? MessageService::Button::Yes : MessageService::Button::No);
        w.SRColorButton12Click();
        const QList<MessageService::Shown> shown = MessageService::takeShown();
        QVERIFY(!shown.isEmpty());
        QCOMPARE(shown.first().kind, MessageService::Kind::Confirmation);
        QCOMPARE(shown.first().text,
                 QStringLiteral("1 Felder enthalten Zeichen, die die Tabellendateien nicht speichern "
                                "können; sie würden als „?“ übernommen, z. B.\n"
                                "Datensatz 1, Titel: „Война и мир“\n\nTrotzdem importieren?"));
        if (!go) {
            QCOMPARE(shown.size(), 1);
            QCOMPARE(books().RecordCount(), 0);
            QVERIFY(child<QWidget>(&w, "P2")->isVisible());
            return;
        }
        QCOMPARE(books().RecordCount(), 2);
        QCOMPARE(test::text(books(), 0, "Titel"), QStringLiteral("????? ? ???"));
        QCOMPARE(test::text(books(), 1, "Titel"), QStringLiteral("Weiß"));
        QCOMPARE(shown.size(), 2);
        QCOMPARE(shown.last().text, QStringLiteral("1 Felder wurden mit „?“ für Zeichen übernommen, die die "
                                                   "Tabellendateien nicht speichern können:\n"
                                                   "Datensatz 1, Titel: „Война и мир“"));
    }

    void accessSourceFillsTheTableListAndReaders() {
        const QString nwind = QStringLiteral(LESARO_SOURCE_DIR "/../shared/data/fixtures/nwind.mdb");
        if (!QFile::exists(nwind))
            QSKIP("the sample database is not beside the repository");
        TWizzardLeserF w(*m_lib->library);
        w.show();
        chooseSource(w, nwind);
        auto* tables = child<QComboBox>(&w, "CBTabellen");
        QCOMPARE(tables->currentText(), QStringLiteral("MSysObjects"));
        tables->setCurrentIndex(tables->findText(QStringLiteral("Customers")));
        w.CBTabellenClick();
        QCOMPARE(w.preview().columnCount(), 91);
        w.SRColorButton4Click();
        assign(w, 2, 2); // Nachname <- ContactName
        assign(w, 5, 5); // Ort <- City
        assign(w, 4, 7); // PLZ <- PostalCode
        QCOMPARE(cell(w, 5, 1), QStringLiteral("Berlin"));
        w.SRColorButton12Click();
        QCOMPARE(readers().RecordCount(), 91);
        QCOMPARE(test::text(readers(), 1, "PLZ"), QStringLiteral("05021"));
        QCOMPARE(test::text(readers(), 1, "Ort"), QStringLiteral("México D.F."));
    }

    // The postcode of an .xls sheet, a number formatted "00000", arrives in the reader table with its zero.
    void excelPostcodeKeepsItsLeadingZero() {
        TWizzardLeserF w(*m_lib->library);
        w.show();
        chooseSource(w, QStringLiteral(LESARO_TEST_DATA "/books.xls"));
        child<QCheckBox>(&w, "CBTitelzeile")->click();
        w.SRColorButton4Click();
        assign(w, 4, 3); // PLZ <- PLZ
        QCOMPARE(cell(w, 4, 1), QStringLiteral("PLZ"));
        QCOMPARE(cell(w, 4, 2), QStringLiteral("79100"));
        w.SRColorButton12Click();
        QCOMPARE(readers().RecordCount(), 2);
        QCOMPARE(test::text(readers(), 1, "PLZ"), QStringLiteral("01067"));
    }

    void excelSourceOffersItsSheets() {
        TWizzardF w(*m_lib->library);
        w.show();
        chooseSource(w, QStringLiteral(LESARO_TEST_DATA "/books.xlsx"));
        auto* tables = child<QComboBox>(&w, "CBTabellen");
        QCOMPARE(tables->count(), 2);
        QCOMPARE(w.preview().cell(1, 1), QStringLiteral("Der \"Hobbit\""));
        tables->setCurrentIndex(1);
        w.CBTabellenClick();
        QCOMPARE(w.preview().cell(0, 1), QStringLiteral("Öztürk"));
        // A new source empties the list and shows its own first sheet.
        chooseSource(w, QStringLiteral(LESARO_TEST_DATA "/books.ods"));
        QCOMPARE(tables->currentText(), QStringLiteral("Bücher"));
    }
};

QTEST_MAIN(ImportTest)
#include "tst_import.moc"
