// The reader and book exports: the exact bytes of each format, the window's choices and their memory, and
// the sound handling of values that would break the file (quotes, markup, characters beyond Windows-1252,
// a target that cannot be written).
#include "ExchangeFixture.h"

#include "core/EngineError.h"
#include "exchange/TExportF.h"
#include "exchange/TExportLeserF.h"
#include "exchange/rules/ExportWriter.h"
#include "ui/FlatButton.h"

#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QFileDialog>
#include <QGroupBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QtTest>

using namespace lesaro;

namespace {

QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("(fehlt)");
}

template <typename T>
T* child(QWidget* w, const char* name) {
    T* c = w->findChild<T*>(QString::fromLatin1(name));
    if (!c)
        qFatal("no control %s", name);
    return c;
}

} // namespace

class ExportTest : public QObject {
    Q_OBJECT
    std::unique_ptr<test::ExchangeLibrary> m_lib;

    Table& readers() { return m_lib->library->ClientLeser(); }
    Table& books() { return m_lib->library->ClientBuecher(); }

    void twoReaders() {
        test::addReader(readers(), {"7", "Anna", "Öztürk", "Hauptstraße 1", "79100", "Freiburg", "0761 1", "a@b.de",
                                    "Klasse 5", "liest gern"});
        test::addReader(readers(), {"12", "Bernd", "Meier"});
    }

    // The window with the format and target chosen as a user would, then "Exportieren".
    QByteArray exportThroughWindow(ExportWindow& w, const char* format, const std::function<void()>& choose = {}) {
        w.FormShow();
        child<QRadioButton>(&w, format)->click();
        if (choose)
            choose();
        const QString target = m_lib->path(QStringLiteral("ziel.txt"));
        child<QLineEdit>(&w, "EZieldatei")->setText(target);
        child<FlatButton>(&w, "Button1")->click();
        return readAll(target);
    }

private Q_SLOTS:
    void initTestCase() { GermanLocale::install(); }
    void init() { m_lib = std::make_unique<test::ExchangeLibrary>(); }
    void cleanup() { m_lib.reset(); }

    void readerExportBytes_data() {
        QTest::addColumn<QString>("format");
        QTest::addColumn<QString>("separator");
        QTest::addColumn<QString>("qualifier");
        QTest::addColumn<bool>("titleRow");
        QTest::addColumn<QByteArray>("bytes");
        const QByteArray header = "\"Nr.\",\"Vorname\",\"Nachname\",\"Stra\xdf"
                                  "e\",\"PLZ\",\"Ort\",\"Telefon\","
                                  "\"eMail\",\"Sonstiges\",\"Bemerkung\",\r\n";
        const QByteArray anna = "\"7\",\"Anna\",\"\xd6zt\xfcrk\",\"Hauptstra\xdf"
                                "e 1\",\"79100\",\"Freiburg\","
                                "\"0761 1\",\"a@b.de\",\"Klasse 5\",\"liest gern\",\r\n";
        const QByteArray bernd = "\"12\",\"Bernd\",\"Meier\",\"\",\"\",\"\",\"\",\"\",\"\",\"\",\r\n";
        QTest::newRow("defaults: CSV, comma, double quotes, header") << "RBCSV"
                                                                     << ""
                                                                     << "" << true << header + anna + bernd;
        QTest::newRow("CSV without header") << "RBCSV"
                                            << ""
                                            << "" << false << anna + bernd;
        QTest::newRow("TXT with tab and no qualifier")
            << "RBTXT"
            << "RBTabulator"
            << "RBkeine" << true
            << QByteArray("Nr.\tVorname\tNachname\tStra\xdf"
                          "e\tPLZ\tOrt\tTelefon\teMail\tSonstiges\tBemerkung\t\r\n"
                          "7\tAnna\t\xd6zt\xfcrk\tHauptstra\xdf"
                          "e 1\t79100\tFreiburg\t0761 1\ta@b.de\tKlasse 5\tliest gern\t\r\n"
                          "12\tBernd\tMeier\t\t\t\t\t\t\t\t\r\n");
        QTest::newRow("TXT with semicolon and single quotes")
            << "RBTXT"
            << "RBSemikolon"
            << "RBeinfach" << false
            << QByteArray("'7';'Anna';'\xd6zt\xfcrk';'Hauptstra\xdf"
                          "e 1';'79100';'Freiburg';'0761 1';'a@b.de';"
                          "'Klasse 5';'liest gern';\r\n'12';'Bernd';'Meier';'';'';'';'';'';'';'';\r\n");
        QTest::newRow("HTML with header")
            << "RBHTML"
            << ""
            << "" << true
            << QByteArray("<HTML><HEAD><TITLE>Exportierte Leser</TITLE>\r\n"
                          "<META http-equiv=\"Content-Type\" content=\"text/html; charset=iso-8859-1\"></HEAD>\r\n"
                          "<BODY>\r\n<TABLE Border=\"1\" CellPadding=\"1\" CellSpacing=\"1\">\r\n<TR>\r\n"
                          "<th>Nr.</th>\r\n<th>Vorname</th>\r\n<th>Nachname</th>\r\n<th>Stra\xdf"
                          "e</th>\r\n"
                          "<th>PLZ</th>\r\n<th>Ort</th>\r\n<th>Telefon</th>\r\n<th>eMail</th>\r\n"
                          "<th>Sonstiges</th>\r\n<th>Bemerkung</th>\r\n</TR>\r\n"
                          "<TR>\r\n<td>7</td><td>Anna</td><td>\xd6zt\xfcrk</td><td>Hauptstra\xdf"
                          "e 1</td><td>79100</td>"
                          "<td>Freiburg</td><td>0761 1</td><td>a@b.de</td><td>Klasse 5</td><td>liest gern</td></TR>\r\n"
                          "<TR>\r\n<td>12</td><td>Bernd</td><td>Meier</td><td></td><td></td><td></td><td></td>"
                          "<td></td><td></td><td></td></TR>\r\n</Table></BODY></HTML>\r\n");
    }
    void readerExportBytes() {
        QFETCH(QString, format);
        QFETCH(QString, separator);
        QFETCH(QString, qualifier);
        QFETCH(bool, titleRow);
        QFETCH(QByteArray, bytes);
        twoReaders();
        TExportLeserF w(*m_lib->library);
        const QByteArray written = exportThroughWindow(w, qPrintable(format), [&] {
            if (!separator.isEmpty())
                child<QRadioButton>(&w, qPrintable(separator))->click();
            if (!qualifier.isEmpty())
                child<QRadioButton>(&w, qPrintable(qualifier))->click();
            child<QCheckBox>(&w, "CBTitelzeile")->setChecked(titleRow);
        });
        QCOMPARE(written, bytes);
        QVERIFY(MessageService::takeShown().isEmpty()); // no message on success
        QCOMPARE(readers().RecNo(), 1);                 // the last row is current afterwards
        QVERIFY(!w.isVisible());
    }

    void fieldChoicesShapeTheFile_data() {
        QTest::addColumn<QStringList>("unchecked");
        QTest::addColumn<QString>("format");
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("without Bemerkungen only Bemerkung goes")
            << QStringList{"CBBemerkung"} << "RBCSV"
            << QByteArray("\"Nr.\",\"Vorname\",\"Nachname\",\"Stra\xdf"
                          "e\",\"PLZ\",\"Ort\",\"Telefon\",\"eMail\","
                          "\"Sonstiges\",\r\n\"12\",\"Bernd\",\"Meier\",\"\",\"\",\"\",\"\",\"\",\"Klasse 5\",\r\n");
        const QStringList all{"CBNummer", "CBVorname", "CBNachname", "CBStrasse",   "CBPLZ",
                              "CBOrt",    "CBTelefon", "CBemail",    "CBBemerkung", "CBSonstiges"};
        QTest::newRow("no field: empty lines") << all << "RBCSV" << QByteArray("\r\n\r\n");
        QTest::newRow("no field in HTML: rows without cells")
            << all << "RBHTML"
            << QByteArray("<HTML><HEAD><TITLE>Exportierte Leser</TITLE>\r\n"
                          "<META http-equiv=\"Content-Type\" content=\"text/html; charset=iso-8859-1\"></HEAD>\r\n"
                          "<BODY>\r\n<TABLE Border=\"1\" CellPadding=\"1\" CellSpacing=\"1\">\r\n<TR>\r\n</TR>\r\n"
                          "<TR>\r\n</TR>\r\n</Table></BODY></HTML>\r\n");
    }
    void fieldChoicesShapeTheFile() {
        QFETCH(QStringList, unchecked);
        QFETCH(QString, format);
        QFETCH(QByteArray, bytes);
        test::addReader(readers(), {"12", "Bernd", "Meier", "", "", "", "", "", "Klasse 5", "Notiz"});
        TExportLeserF w(*m_lib->library);
        QCOMPARE(exportThroughWindow(w, qPrintable(format),
                                     [&] {
                                         for (const QString& box : unchecked)
                                             child<QCheckBox>(&w, qPrintable(box))->setChecked(false);
                                     }),
                 bytes);
    }

    void emptyTableGivesHeaderOrFrameOnly() {
        TExportLeserF w(*m_lib->library);
        QCOMPARE(exportThroughWindow(w, "RBCSV"),
                 QByteArray("\"Nr.\",\"Vorname\",\"Nachname\",\"Stra\xdf"
                            "e\",\"PLZ\","
                            "\"Ort\",\"Telefon\",\"eMail\",\"Sonstiges\",\"Bemerkung\",\r\n"));
        const QByteArray html = exportThroughWindow(w, "RBHTML");
        QVERIFY(html.endsWith("<th>Bemerkung</th>\r\n</TR>\r\n</Table></BODY></HTML>\r\n"));
        QVERIFY(!html.contains("<td>"));
    }

    void rowsComeInTheTablesCurrentOrderAndFilter() {
        test::addReader(readers(), {"3", "Carla", "Zander"});
        test::addReader(readers(), {"1", "Anna", "Berg"});
        test::addReader(readers(), {"2", "Bernd", "Adam"});
        readers().setIndexFieldNames(QStringLiteral("Nachname"));
        readers().setFilter(QStringLiteral("Nummer > 1"));
        readers().setFiltered(true);
        TExportLeserF w(*m_lib->library);
        QCOMPARE(exportThroughWindow(w, "RBTXT",
                                     [&] {
                                         child<QCheckBox>(&w, "CBTitelzeile")->setChecked(false);
                                         for (const char* box : {"CBVorname", "CBStrasse", "CBPLZ", "CBOrt",
                                                                 "CBTelefon", "CBemail", "CBBemerkung", "CBSonstiges"})
                                             child<QCheckBox>(&w, box)->setChecked(false);
                                     }),
                 QByteArray("\"2\",\"Adam\",\r\n\"3\",\"Zander\",\r\n"));
    }

    // Values that would break the file in other programs: qualifiers are doubled, markup is escaped, a
    // line break stays inside the quoted value.
    void valuesCannotBreakTheFile_data() {
        QTest::addColumn<QString>("format");
        QTest::addColumn<QString>("qualifier");
        QTest::addColumn<QByteArray>("line");
        QTest::newRow("CSV doubles double quotes")
            << "RBCSV"
            << "" << QByteArray("\"Der \"\"Hobbit\"\"\",\"Tim & Struppi <1>\",\r\n");
        QTest::newRow("TXT doubles single quotes")
            << "RBTXT"
            << "RBeinfach" << QByteArray("'Der \"Hobbit\"','Tim & Struppi <1>',\r\n");
        QTest::newRow("TXT without qualifier writes as is")
            << "RBTXT"
            << "RBkeine" << QByteArray("Der \"Hobbit\",Tim & Struppi <1>,\r\n");
        QTest::newRow("HTML escapes markup")
            << "RBHTML"
            << "" << QByteArray("<td>Der &quot;Hobbit&quot;</td><td>Tim &amp; Struppi &lt;1&gt;</td></TR>\r\n");
    }
    void valuesCannotBreakTheFile() {
        QFETCH(QString, format);
        QFETCH(QString, qualifier);
        QFETCH(QByteArray, line);
        books().Append();
        books().FieldByName(QStringLiteral("Verfasser")).setAsString(QStringLiteral("Der \"Hobbit\""));
        books().FieldByName(QStringLiteral("Titel")).setAsString(QStringLiteral("Tim & Struppi <1>"));
        books().Post();
        TExportF w(*m_lib->library);
        const QByteArray bytes = exportThroughWindow(w, qPrintable(format), [&] {
            if (!qualifier.isEmpty())
                child<QRadioButton>(&w, qPrintable(qualifier))->click();
            child<QCheckBox>(&w, "CBTitelzeile")->setChecked(false);
            for (QCheckBox* box : child<QGroupBox>(&w, "GBFelder")->findChildren<QCheckBox*>())
                box->setChecked(box->objectName() == QLatin1String("CBVerfasser") ||
                                box->objectName() == QLatin1String("CBTitel"));
        });
        QVERIFY2(bytes.endsWith(format == QLatin1String("RBHTML") ? line + "</Table></BODY></HTML>\r\n" : line),
                 bytes.constData());
    }

    void bookExportHasAllTwentyThreeColumns() {
        books().Append();
        books().FieldByName(QStringLiteral("Titel")).setAsString(QStringLiteral("Momo"));
        books().FieldByName(QStringLiteral("Preis")).setAsString(QStringLiteral("12,5"));
        books().FieldByName(QStringLiteral("Schlagwort10")).setAsString(QStringLiteral("Zeit"));
        books().Post();
        TExportF w(*m_lib->library);
        const QList<QByteArray> lines = exportThroughWindow(w, "RBTXT", [&] {
                                            child<QRadioButton>(&w, "RBSemikolon")->click();
                                            child<QRadioButton>(&w, "RBkeine")->click();
                                        }).split('\n');
        QCOMPARE(lines.size(), 3);
        QCOMPARE(lines[0], QByteArray("Nr.;Verfasser;Titel;Verlag;Erscheinungsjahr;Erscheinungsort;Auflage;Sachgruppe;"
                                      "Signatur;Standort;ISBN;Preis;Bemerkung;Schlagwort 1;Schlagwort 2;Schlagwort 3;"
                                      "Schlagwort 4;Schlagwort 5;Schlagwort 6;Schlagwort 7;Schlagwort 8;Schlagwort 9;"
                                      "Schlagwort 10;\r"));
        QCOMPARE(lines[1], QByteArray("1;;Momo;;;;;;;;;12,5;;;;;;;;;;;Zeit;\r"));
        QVERIFY(readAll(m_lib->path(QStringLiteral("ziel.txt"))).contains("<TITLE>") == false);
        QCOMPARE(exportThroughWindow(w, "RBHTML").left(47), QByteArray("<HTML><HEAD><TITLE>Exportierte B\xfc"
                                                                       "cher</TITLE>\r\n"));
    }

    // Beyond a few hundred rows the export shows its progress; the file is the same.
    void longExportShowsProgressAndWritesEveryRow() {
        const int count = ExportWindow::kProgressThreshold + 100;
        for (int i = 1; i <= count; ++i)
            test::addReader(readers(), {QString::number(i), QStringLiteral("Vorname"), QStringLiteral("Nachname")});
        TExportLeserF w(*m_lib->library);
        const QByteArray bytes = exportThroughWindow(w, "RBCSV");
        QCOMPARE(bytes.count("\r\n"), count + 1);
        QVERIFY(bytes.endsWith(QStringLiteral("\"%1\",\"Vorname\",\"Nachname\",\"\",\"\",\"\",\"\",\"\",\"\",\"\",\r\n")
                                   .arg(count)
                                   .toLatin1()));
        QCOMPARE(readers().RecNo(), count - 1);
    }

    void eachOpeningResetsTargetAndSeparatorsButKeepsChoices() {
        TExportLeserF w(*m_lib->library);
        w.FormShow();
        auto* button = child<FlatButton>(&w, "Button1");
        auto* target = child<QLineEdit>(&w, "EZieldatei");
        QVERIFY(child<QRadioButton>(&w, "RBCSV")->isChecked());
        QVERIFY(!button->isEnabled());
        target->setText(QStringLiteral("x.csv"));
        QVERIFY(button->isEnabled());
        target->clear();
        QVERIFY(!button->isEnabled());

        // CSV: comma and double quotes only.
        for (const char* name : {"RBeinfach", "RBkeine", "RBTabulator", "RBSemikolon"})
            QVERIFY2(!child<QRadioButton>(&w, name)->isEnabled(), name);
        child<QRadioButton>(&w, "RBTXT")->click();
        child<QRadioButton>(&w, "RBTabulator")->click();
        child<QRadioButton>(&w, "RBHTML")->click();
        QVERIFY(!child<QGroupBox>(&w, "GBTrennzeichen")->isEnabled());
        QVERIFY(!child<QRadioButton>(&w, "RBdoppelt")->isEnabled());
        child<QCheckBox>(&w, "CBPLZ")->setChecked(false);
        child<QCheckBox>(&w, "CBTitelzeile")->setChecked(false);
        target->setText(QStringLiteral("x.html"));

        // Next opening: HTML stays chosen, separators as for CSV and enabled, target empty.
        w.FormShow();
        QVERIFY(child<QRadioButton>(&w, "RBHTML")->isChecked());
        QVERIFY(child<QGroupBox>(&w, "GBTrennzeichen")->isEnabled());
        QVERIFY(child<QRadioButton>(&w, "RBKomma")->isChecked());
        QVERIFY(child<QRadioButton>(&w, "RBdoppelt")->isChecked());
        QVERIFY(target->text().isEmpty());
        QVERIFY(!button->isEnabled());
        QVERIFY(!child<QCheckBox>(&w, "CBPLZ")->isChecked());
        QVERIFY(!child<QCheckBox>(&w, "CBTitelzeile")->isChecked());
        QCOMPARE(w.settings().format, ExportFormat::Html);
    }

    void browseOffersTheFormatsFileTypeAndExtension_data() {
        QTest::addColumn<QString>("format");
        QTest::addColumn<QString>("answer");
        QTest::addColumn<QString>("target");
        // "@" stands for the test's own folder, where no file of these names is in the way.
        QTest::newRow("CSV adds csv") << "RBCSV"
                                      << "@/leser"
                                      << "@/leser.csv";
        QTest::newRow("HTML adds html") << "RBHTML"
                                        << "@/leser"
                                        << "@/leser.html";
        QTest::newRow("TXT keeps a given extension") << "RBTXT"
                                                     << "@/leser.dat"
                                                     << "@/leser.dat";
        QTest::newRow("cancelled leaves the target") << "RBCSV"
                                                     << ""
                                                     << "vorher";
    }
    void browseOffersTheFormatsFileTypeAndExtension() {
        QFETCH(QString, format);
        QFETCH(QString, answer);
        QFETCH(QString, target);
        answer.replace(QLatin1Char('@'), m_lib->dir.path());
        target.replace(QLatin1Char('@'), m_lib->dir.path());
        TExportLeserF w(*m_lib->library);
        w.FormShow();
        child<QRadioButton>(&w, qPrintable(format))->click();
        child<QLineEdit>(&w, "EZieldatei")->setText(QStringLiteral("vorher"));
        FileDialogService::answerNext(answer);
        w.SpeedButton1Click();
        QCOMPARE(child<QLineEdit>(&w, "EZieldatei")->text(), target);
        QCOMPARE(FileDialogService::takeAsked().size(), 1);
    }

    // The real save dialog, as the librarian meets it: a chosen file that is already there is replaced by the
    // export only after a yes to the dialog's question.
    void saveDialogReplacesAnExistingFileOnlyAfterYes_data() {
        QTest::addColumn<bool>("replace");
        QTest::newRow("no keeps the file") << false;
        QTest::newRow("yes replaces it") << true;
    }
    void saveDialogReplacesAnExistingFileOnlyAfterYes() {
        QFETCH(bool, replace);
        twoReaders();
        const QString target = m_lib->path(QStringLiteral("leser.csv"));
        {
            QFile f(target);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("alt\r\n");
        }
        TExportLeserF w(*m_lib->library);
        w.FormShow();
        w.show();
        FileDialogService::setAnswering(false);
        bool asked = false;
        QTimer::singleShot(0, &w, [&] {
            auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            if (!dialog)
                return;
            // The question comes up inside accept(); it is answered from the queue, and after a no the dialog,
            // still open, is cancelled.
            QTimer::singleShot(0, dialog, [&, dialog] {
                auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
                asked = box && box->text().contains(QStringLiteral("leser.csv"));
                if (box)
                    box->button(replace ? QMessageBox::Yes : QMessageBox::No)->click();
                if (!replace)
                    QTimer::singleShot(0, dialog, &QDialog::reject);
            });
            dialog->selectFile(target);
            QMetaObject::invokeMethod(dialog, "accept", Qt::DirectConnection);
        });
        w.SpeedButton1Click();
        FileDialogService::setAnswering(true);
        QVERIFY(asked);
        auto* button = child<FlatButton>(&w, "Button1");
        QCOMPARE(child<QLineEdit>(&w, "EZieldatei")->text(), replace ? target : QString());
        QCOMPARE(button->isEnabled(), replace);
        button->click();
        if (replace)
            QVERIFY(readAll(target).startsWith("\"Nr.\""));
        else
            QCOMPARE(readAll(target), QByteArray("alt\r\n"));
    }

    // A name chosen without extension gets the format's; when that names a file that is already there, the
    // window asks, as the dialog would have for the name itself.
    void completedNameAsksBeforeReplacing_data() {
        QTest::addColumn<bool>("exists");
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("taken");
        QTest::newRow("new file, no question") << false << int(MessageService::Button::None) << true;
        QTest::newRow("existing file, no") << true << int(MessageService::Button::No) << false;
        QTest::newRow("existing file, closed box") << true << int(MessageService::Button::None) << false;
        QTest::newRow("existing file, yes") << true << int(MessageService::Button::Yes) << true;
    }
    void completedNameAsksBeforeReplacing() {
        QFETCH(bool, exists);
        QFETCH(int, answer);
        QFETCH(bool, taken);
        const QString completed = m_lib->path(QStringLiteral("leser.csv"));
        if (exists) {
            QFile f(completed);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("alt\r\n");
        }
        TExportLeserF w(*m_lib->library);
        w.FormShow();
        child<QLineEdit>(&w, "EZieldatei")->setText(QStringLiteral("vorher"));
        FileDialogService::answerNext(m_lib->path(QStringLiteral("leser")));
        if (answer != int(MessageService::Button::None))
            MessageService::answerNext(MessageService::Button(answer));
        w.SpeedButton1Click();
        const QList<MessageService::Shown> shown = MessageService::takeShown();
        QCOMPARE(shown.size(), exists ? 1 : 0);
        if (exists) {
            QCOMPARE(shown[0].kind, MessageService::Kind::Confirmation);
            QCOMPARE(shown[0].title, QStringLiteral("Bestätigen"));
            QCOMPARE(shown[0].text,
                     QStringLiteral("Die Datei leser.csv existiert bereits.\nSoll sie überschrieben werden?"));
            QCOMPARE(readAll(completed), QByteArray("alt\r\n"));
        }
        QCOMPARE(child<QLineEdit>(&w, "EZieldatei")->text(), taken ? completed : QStringLiteral("vorher"));
    }

    void missingFolderIsReportedAndTheWindowStays() {
        twoReaders();
        TExportLeserF w(*m_lib->library);
        w.show();
        const QString target = m_lib->path(QStringLiteral("fehlt/leser.csv"));
        child<QLineEdit>(&w, "EZieldatei")->setText(target);
        child<FlatButton>(&w, "Button1")->click();
        const QStringList texts = MessageService::takeShownTexts();
        QCOMPARE(texts.size(), 1);
        QVERIFY2(texts[0].contains(QStringLiteral("leser.csv")), qPrintable(texts[0]));
        QVERIFY(w.isVisible());
        QVERIFY(!QFileInfo::exists(target));
        QVERIFY(QDir(m_lib->dir.path()).entryList(QDir::Files).filter(QStringLiteral("leser")).isEmpty());
    }

    // A target that cannot be written: the system's reason in a message, the window stays open, and a file
    // that was there before is left whole.
    void failedWriteKeepsThePreviousFileAndTheWindow() {
        twoReaders();
        const QString folder = m_lib->path(QStringLiteral("nur-lesen"));
        QVERIFY(QDir().mkpath(folder));
        const QString target = folder + QStringLiteral("/leser.csv");
        {
            QFile f(target);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("alt\r\n");
        }
        QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner);
        if (QFileInfo(folder).isWritable() && QFile(folder + QStringLiteral("/probe")).open(QIODevice::WriteOnly))
            QSKIP("running with rights that ignore folder permissions");
        TExportLeserF w(*m_lib->library);
        w.show();
        child<QLineEdit>(&w, "EZieldatei")->setText(target);
        child<FlatButton>(&w, "Button1")->click();
        QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        const QList<MessageService::Shown> shown = MessageService::takeShown();
        QCOMPARE(shown.size(), 1);
        QCOMPARE(shown[0].kind, MessageService::Kind::Error);
        QVERIFY2(shown[0].text.contains(QStringLiteral("leser.csv")), qPrintable(shown[0].text));
        QVERIFY(w.isVisible());
        QCOMPARE(readAll(target), QByteArray("alt\r\n"));
    }
};

QTEST_MAIN(ExportTest)
#include "tst_export.moc"
