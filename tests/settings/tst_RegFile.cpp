// The .reg format of the settings: what the export writes, what the reader takes, and merging a file into
// existing settings.
#include "settings/RegistryName.h"
#include "settings/SettingsStore.h"
#include "support/Files.h"

#include <QFile>
#include <QHash>
#include <QStringDecoder>
#include <QTemporaryDir>
#include <QTest>
#include <climits>

using namespace lesaro;
using lesaro::testing::readAll;
using lesaro::testing::writeAll;

namespace {

QByteArray utf16(const QString& text) {
    QByteArray bytes("\xFF\xFE", 2);
    for (QChar c : text) {
        bytes.append(char(c.unicode() & 0xFF));
        bytes.append(char(c.unicode() >> 8));
    }
    return bytes;
}

// A .reg document written with "\n"; stored with CR LF like the registry editor's export.
QByteArray regFile(const QString& text) {
    QString crlf = text;
    return utf16(crlf.replace(u'\n', QStringLiteral("\r\n")));
}

QString decodeExport(const QByteArray& bytes) {
    QStringDecoder dec(QStringDecoder::Utf16LE);
    return dec(bytes.mid(2));
}

} // namespace

class tst_RegFile : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();
    void exportWritesTheEditorsFormat();
    void valuesRoundTrip_data();
    void valuesRoundTrip();
    void entriesRoundTrip_data();
    void entriesRoundTrip();
    void escapingIsReversibleAndKeepsNamesApart();
    void entriesComeInRegistryOrder();
    void importMergesIntoExistingSettings();
    void importCanReplaceTheWholeKey();
    void importReadsOtherSpellingsOfTheFormat_data();
    void importReadsOtherSpellingsOfTheFormat();
    void importRefusesWhatIsNoSettingsFile_data();
    void importRefusesWhatIsNoSettingsFile();
    void importOfDamagedFileTakesReadableLines();

private:
    QString path(const QString& name) const { return m_dir->filePath(name); }
    std::unique_ptr<QTemporaryDir> m_dir;
};

void tst_RegFile::init() {
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

void tst_RegFile::exportWritesTheEditorsFormat() {
    SettingsStore store(path(QStringLiteral("Lesaro.reg")));
    store.writeInteger(QStringLiteral("Tage"), 30);
    store.writeString(QStringLiteral("Sicherung"), QStringLiteral("C:\\Sicherung\\"));
    store.writeString(QStringLiteral("DruckTitel"), QStringLiteral("Der \"kleine\" Prinz"));
    store.writeInteger(QStringLiteral("LastBuchID"), -1);
    store.writeString(QStringLiteral("Verlag"), QStringLiteral("Verlag:"));
    store.writeString(QStringLiteral("Notiz"), QStringLiteral("a\nb"));
    store.addListEntry(QStringLiteral("Verlag"), QStringLiteral("Ärzte-Verlag"));
    store.addListEntry(QStringLiteral("Standort"), QStringLiteral("Reihe\\Band 2"));
    store.addListEntry(QStringLiteral("Standort"), QStringLiteral("Keller"));

    const QString exported = path(QStringLiteral("einstellungen.reg"));
    QString error;
    QVERIFY2(store.exportTo(exported, &error), qPrintable(error));
    const QByteArray expected =
        regFile(QStringLiteral("Windows Registry Editor Version 5.00\n"
                               "\n"
                               "[HKEY_CURRENT_USER\\SOFTWARE\\Orvendel Software\\Lesaro]\n"
                               "\"Tage\"=dword:0000001e\n"
                               "\"Sicherung\"=\"C:\\\\Sicherung\\\\\"\n"
                               "\"DruckTitel\"=\"Der \\\"kleine\\\" Prinz\"\n"
                               "\"LastBuchID\"=dword:ffffffff\n"
                               "\"Verlag\"=\"Verlag:\"\n"
                               "\"Notiz\"=hex(1):61,00,0a,00,62,00,00,00\n"
                               "\n"
                               "[HKEY_CURRENT_USER\\SOFTWARE\\Orvendel Software\\Lesaro\\Standort]\n"
                               "\n"
                               "[HKEY_CURRENT_USER\\SOFTWARE\\Orvendel Software\\Lesaro\\Standort\\Keller]\n"
                               "\n"
                               "[HKEY_CURRENT_USER\\SOFTWARE\\Orvendel Software\\Lesaro\\Standort\\Reihe⧵005CBand 2]\n"
                               "\n"
                               "[HKEY_CURRENT_USER\\SOFTWARE\\Orvendel Software\\Lesaro\\Verlag]\n"
                               "\n"
                               "[HKEY_CURRENT_USER\\SOFTWARE\\Orvendel Software\\Lesaro\\Verlag\\Ärzte-Verlag]\n"
                               "\n"));
    const QByteArray actual = readAll(exported);
    QCOMPARE(decodeExport(actual), decodeExport(expected));
    QCOMPARE(actual, expected);

    // The settings file itself is the same export.
    QVERIFY(store.flush());
    QCOMPARE(readAll(store.filePath()), expected);
}

void tst_RegFile::valuesRoundTrip_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("text");

    QTest::newRow("empty") << QStringLiteral("DruckTitel") << QString();
    QTest::newRow("blanks") << QStringLiteral("Titel") << QStringLiteral("  zwei  Leerzeichen  ");
    QTest::newRow("umlauts") << QStringLiteral("Verfasser") << QStringLiteral("Größe, Übermaß, Äpfel – „Zitat“ €");
    QTest::newRow("backslash") << QStringLiteral("Sicherung") << QStringLiteral("C:\\Daten\\Sicherung\\");
    QTest::newRow("slash") << QStringLiteral("DruckTitel") << QStringLiteral("Bücher/Medien 1/2");
    QTest::newRow("quotes") << QStringLiteral("DruckTitel") << QStringLiteral("\"Der\" \\\"Prinz\"\\");
    QTest::newRow("line breaks") << QStringLiteral("Bemerkungen") << QStringLiteral("Zeile 1\r\nZeile 2\n");
    QTest::newRow("zero inside") << QStringLiteral("Titel") << QString::fromUtf16(u"a\0b\0", 4);
    QTest::newRow("tab and non-BMP") << QStringLiteral("Titel") << QStringLiteral("a\tb 𝄞");
    QTest::newRow("escape character") << QStringLiteral("Titel") << QStringLiteral("⧵005C ⧵");
    QTest::newRow("very long") << QStringLiteral("Titel") << QStringLiteral("Lange Zeile \\ \" ").repeated(20000);
    QTest::newRow("name with backslash") << QStringLiteral("BreiteAVerlag\\Ort") << QStringLiteral("x");
    QTest::newRow("name with quote") << QStringLiteral("Breite\"B\"") << QStringLiteral("y");
    QTest::newRow("name with line break") << QStringLiteral("BreiteC\nTitel") << QStringLiteral("z");
    QTest::newRow("default value") << QString() << QStringLiteral("Standard");
}

void tst_RegFile::valuesRoundTrip() {
    QFETCH(QString, name);
    QFETCH(QString, text);
    const QString exported = path(QStringLiteral("einstellungen.reg"));
    {
        SettingsStore store(path(QStringLiteral("a.reg")));
        store.writeString(name, text);
        store.writeInteger(QStringLiteral("Zahl ") + name, INT_MIN);
        store.writeInteger(QStringLiteral("Tage"), 30);
        QVERIFY(store.exportTo(exported));
    }
    SettingsStore restored(path(QStringLiteral("b.reg")));
    QString error;
    QVERIFY2(restored.importFrom(exported, &error), qPrintable(error));
    QCOMPARE(restored.readString(name), text);
    QCOMPARE(restored.readInteger(QStringLiteral("Zahl ") + name), INT_MIN);
    QCOMPARE(restored.readInteger(QStringLiteral("Tage")), 30);
    // Reading the restored file back gives the same bytes again.
    QVERIFY(restored.flush());
    QCOMPARE(readAll(restored.filePath()), readAll(exported));
}

void tst_RegFile::entriesRoundTrip_data() {
    QTest::addColumn<QString>("entry");
    QTest::addColumn<bool>("storedAsTyped"); // ordinary texts appear unescaped as key names in the file

    QTest::newRow("plain") << QStringLiteral("Keller") << true;
    QTest::newRow("case and umlauts") << QStringLiteral("StadtBücherei Süd") << true;
    QTest::newRow("blanks") << QStringLiteral(" vorn und hinten ") << true;
    QTest::newRow("slash") << QStringLiteral("Regal 3/4") << true;
    QTest::newRow("quote") << QStringLiteral("Regal \"A\"") << true;
    QTest::newRow("brackets") << QStringLiteral("[Magazin] x]") << true;
    QTest::newRow("leading minus") << QStringLiteral("-Ausgeschieden") << true;
    QTest::newRow("semicolon") << QStringLiteral(";Kommentar?") << true;
    QTest::newRow("long") << QStringLiteral("Sehr langer Eintrag ").repeated(500) << true;
    QTest::newRow("backslash") << QStringLiteral("Reihe\\Band 2") << false;
    QTest::newRow("unc path") << QStringLiteral("\\\\server\\freigabe\\") << false;
    QTest::newRow("escape character") << QStringLiteral("⧵005C") << false;
    QTest::newRow("line break") << QStringLiteral("Zeile\r\nUmbruch") << false;
}

void tst_RegFile::entriesRoundTrip() {
    QFETCH(QString, entry);
    QFETCH(bool, storedAsTyped);
    const QString exported = path(QStringLiteral("einstellungen.reg"));
    {
        SettingsStore store(path(QStringLiteral("a.reg")));
        store.addListEntry(QStringLiteral("Standort"), entry);
        store.addListEntry(QStringLiteral("Standort"), QStringLiteral("Dachboden"));
        QVERIFY(store.exportTo(exported));
    }
    const QString header = QStringLiteral("[HKEY_CURRENT_USER\\SOFTWARE\\Orvendel Software\\Lesaro\\Standort\\%1]");
    QCOMPARE(decodeExport(readAll(exported)).contains(header.arg(entry)), storedAsTyped);

    SettingsStore restored(path(QStringLiteral("b.reg")));
    QVERIFY(restored.importFrom(exported));
    const QStringList entries = restored.listEntries(QStringLiteral("Standort"));
    QCOMPARE(entries.size(), 2);
    QVERIFY2(entries.contains(entry), qPrintable(entries.join(u'|')));
}

// Every text over a small alphabet of the awkward characters: the escape reverses exactly, and two texts
// get the same key only when they are equal apart from letter case.
void tst_RegFile::escapingIsReversibleAndKeepsNamesApart() {
    const QString alphabet = QStringLiteral("a\\⧵05C\nA");
    QHash<QString, QString> textOfKey;
    QStringList texts{QString()};
    for (int length = 1; length <= 5; ++length) {
        QStringList longer;
        for (const QString& t : std::as_const(texts)) {
            if (t.size() == length - 1) {
                for (QChar c : alphabet)
                    longer.append(t + c);
            }
        }
        texts += longer;
    }
    for (const QString& text : std::as_const(texts)) {
        const QString key = RegistryName::fromText(text, RegistryName::Kind::Key);
        QVERIFY(!key.contains(u'\\') && !key.contains(u'\n'));
        QCOMPARE(RegistryName::toText(key), text);
        const QString folded = RegistryName::fold(key);
        const auto known = textOfKey.constFind(folded);
        if (known != textOfKey.cend())
            QCOMPARE(RegistryName::fold(*known), RegistryName::fold(text));
        textOfKey.insert(folded, text);
    }
}

void tst_RegFile::entriesComeInRegistryOrder() {
    // The registry orders by the upper-case form, code unit by code unit: "_" (0x5F) after "Z", "AB"
    // before "A_B", umlauts after ASCII letters.
    const QStringList added{QStringLiteral("zebra"),  QStringLiteral("Äpfel"), QStringLiteral("Apfel"),
                            QStringLiteral("_unter"), QStringLiteral("a_b"),   QStringLiteral("apfel2"),
                            QStringLiteral("ab"),     QStringLiteral("Z"),     QStringLiteral("9"),
                            QStringLiteral("10")};
    const QStringList expected{QStringLiteral("10"),    QStringLiteral("9"),      QStringLiteral("ab"),
                               QStringLiteral("Apfel"), QStringLiteral("apfel2"), QStringLiteral("a_b"),
                               QStringLiteral("Z"),     QStringLiteral("zebra"),  QStringLiteral("_unter"),
                               QStringLiteral("Äpfel")};
    const QString exported = path(QStringLiteral("einstellungen.reg"));
    {
        SettingsStore store(path(QStringLiteral("a.reg")));
        for (const QString& entry : added)
            store.addListEntry(QStringLiteral("Schlagwort"), entry);
        QCOMPARE(store.listEntries(QStringLiteral("Schlagwort")), expected);
        QVERIFY(store.exportTo(exported));
    }
    SettingsStore restored(path(QStringLiteral("b.reg")));
    QVERIFY(restored.importFrom(exported));
    QCOMPARE(restored.listEntries(QStringLiteral("Schlagwort")), expected);
}

void tst_RegFile::importMergesIntoExistingSettings() {
    SettingsStore store(path(QStringLiteral("Lesaro.reg")));
    store.writeInteger(QStringLiteral("A"), 1);
    store.writeString(QStringLiteral("B"), QStringLiteral("alt"));
    store.writeString(QStringLiteral("Gelöscht"), QStringLiteral("x"));
    store.addListEntry(QStringLiteral("Standort"), QStringLiteral("Keller"));
    store.addListEntry(QStringLiteral("Verlag"), QStringLiteral("Piper"));
    store.addListEntry(QStringLiteral("Schlagwort"), QStringLiteral("Krimi"));

    const QString file = path(QStringLiteral("einstellungen.reg"));
    writeAll(file,
             regFile(QStringLiteral("Windows Registry Editor Version 5.00\n"
                                    "\n"
                                    "[HKEY_CURRENT_USER\\Software\\Orvendel Software\\Lesaro]\n"
                                    "\"b\"=\"neu\"\n"
                                    "\"C\"=dword:00000005\n"
                                    "\"Gelöscht\"=-\n"
                                    "\n"
                                    "[HKEY_CURRENT_USER\\Software\\Orvendel Software\\Lesaro\\Standort\\KELLER]\n"
                                    "\n"
                                    "[HKEY_CURRENT_USER\\Software\\Orvendel Software\\Lesaro\\Standort\\Dachboden]\n"
                                    "\n"
                                    "[-HKEY_CURRENT_USER\\Software\\Orvendel Software\\Lesaro\\Verlag]\n"
                                    "\n"
                                    "[HKEY_CURRENT_USER\\Software\\Andere Firma\\Programm]\n"
                                    "\"A\"=dword:00000063\n")));
    QString error;
    QVERIFY2(store.importFrom(file, &error), qPrintable(error));
    // A restore is on disk at once, and existing names keep their spelling.
    QVERIFY(!store.isDirty());
    const QString saved = decodeExport(readAll(store.filePath()));
    QVERIFY(saved.contains(QStringLiteral(
        "[HKEY_CURRENT_USER\\SOFTWARE\\Orvendel Software\\Lesaro]\r\n\"A\"=dword:00000001\r\n\"B\"=\"neu\"\r\n")));
    QVERIFY(saved.contains(QStringLiteral("\\Standort\\Keller]")));
    QVERIFY(!saved.contains(QStringLiteral("Andere Firma")));

    QCOMPARE(store.readInteger(QStringLiteral("A")), 1);
    QCOMPARE(store.readString(QStringLiteral("B")), QStringLiteral("neu"));
    QCOMPARE(store.readInteger(QStringLiteral("c")), 5);
    QCOMPARE(store.readString(QStringLiteral("Gelöscht")), QString());
    QCOMPARE(store.listEntries(QStringLiteral("Standort")), QStringList({"Dachboden", "Keller"}));
    QCOMPARE(store.listEntries(QStringLiteral("Verlag")), QStringList());
    QCOMPARE(store.listEntries(QStringLiteral("Schlagwort")), QStringList({"Krimi"}));
}

// A file that deletes the settings key and writes it anew replaces everything.
void tst_RegFile::importCanReplaceTheWholeKey() {
    SettingsStore store(path(QStringLiteral("Lesaro.reg")));
    store.writeInteger(QStringLiteral("A"), 1);
    store.addListEntry(QStringLiteral("Standort"), QStringLiteral("Keller"));
    const QString file = path(QStringLiteral("einstellungen.reg"));
    writeAll(file, regFile(QStringLiteral("Windows Registry Editor Version 5.00\n"
                                          "\n"
                                          "[-HKEY_CURRENT_USER\\SOFTWARE\\Orvendel Software\\Lesaro]\n"
                                          "\n"
                                          "[HKEY_CURRENT_USER\\SOFTWARE\\Orvendel Software\\Lesaro]\n"
                                          "\"Tage\"=dword:0000001e\n")));
    QVERIFY(store.importFrom(file));
    QCOMPARE(store.readInteger(QStringLiteral("A")), 0);
    QCOMPARE(store.readInteger(QStringLiteral("Tage")), 30);
    QCOMPARE(store.listEntries(QStringLiteral("Standort")), QStringList());
}

void tst_RegFile::importReadsOtherSpellingsOfTheFormat_data() {
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("number");

    const QString key = QStringLiteral("[HKEY_CURRENT_USER\\SOFTWARE\\Orvendel Software\\Lesaro]\n");
    const QString v5 = QStringLiteral("Windows Registry Editor Version 5.00\n\n") + key;
    QTest::newRow("REGEDIT4 in Windows-1252")
        << (QStringLiteral("REGEDIT4\r\n\r\n") + key + QStringLiteral("\"Titel\"=\"Bücher ")).toLatin1() + "\x80\"\r\n"
        << QStringLiteral("Titel") << QStringLiteral("Bücher €") << 0;
    QTest::newRow("UTF-8 with mark") << QByteArray("\xEF\xBB\xBF") +
                                            (v5 + QStringLiteral("\"Titel\"=\"Bücher\"\n")).toUtf8()
                                     << QStringLiteral("Titel") << QStringLiteral("Bücher") << 0;
    QTest::newRow("LF line ends") << utf16(v5 + QStringLiteral("\"Tage\"=dword:0000000e\n")) << QStringLiteral("Tage")
                                  << QString() << 14;
    QTest::newRow("hex over several lines")
        << regFile(v5 + QStringLiteral("\"Notiz\"=hex(1):61,00,\\\n  62,00,\\\n  00,00\n")) << QStringLiteral("Notiz")
        << QStringLiteral("ab") << 0;
    QTest::newRow("number as hex(4)") << regFile(v5 + QStringLiteral("\"Tage\"=hex(4):1e,00,00,00\n"))
                                      << QStringLiteral("Tage") << QString() << 30;
    QTest::newRow("spaces and capitals") << regFile(v5 + QStringLiteral("  \"Tage\" = DWORD:0000001E  \n"))
                                         << QStringLiteral("Tage") << QString() << 30;
    QTest::newRow("comment and default value") << regFile(v5 + QStringLiteral("; Kommentar\n@=\"Standard\"\n"))
                                               << QString() << QStringLiteral("Standard") << 0;
    QTest::newRow("other type reads as nothing")
        << regFile(v5 + QStringLiteral("\"Pfad\"=hex(2):25,00,00,00\n")) << QStringLiteral("Pfad") << QString() << 0;
}

void tst_RegFile::importReadsOtherSpellingsOfTheFormat() {
    QFETCH(QByteArray, file);
    QFETCH(QString, name);
    QFETCH(QString, text);
    QFETCH(int, number);
    const QString source = path(QStringLiteral("einstellungen.reg"));
    writeAll(source, file);
    SettingsStore store(path(QStringLiteral("Lesaro.reg")));
    QString error;
    QVERIFY2(store.importFrom(source, &error), qPrintable(error));
    QCOMPARE(store.readString(name), text);
    QCOMPARE(store.readInteger(name), number);
}

void tst_RegFile::importRefusesWhatIsNoSettingsFile_data() {
    QTest::addColumn<QByteArray>("file"); // null: no file at all
    QTest::addColumn<QString>("reason");

    QTest::newRow("missing") << QByteArray() << QStringLiteral("konnte nicht geöffnet werden");
    QTest::newRow("empty") << QByteArray("") << QStringLiteral("keine Registrierungsdatei");
    QTest::newRow("binary") << QByteArray("\x00\x01\x02\xFF\xFE\x00garbage", 13)
                            << QStringLiteral("keine Registrierungsdatei");
    QTest::newRow("text table") << QByteArray("Nummer;Titel\r\n1;Faust\r\n")
                                << QStringLiteral("keine Registrierungsdatei");
    QTest::newRow("values without header")
        << regFile(QStringLiteral("[HKEY_CURRENT_USER\\SOFTWARE\\Orvendel Software\\Lesaro]\n\"A\"=dword:00000009\n"))
        << QStringLiteral("keine Registrierungsdatei");
    QTest::newRow("other program")
        << regFile(QStringLiteral("Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER\\Software\\Andere]\n"
                                  "\"A\"=dword:00000009\n"))
        << QStringLiteral("enthält keine Einstellungen von Lesaro");
}

void tst_RegFile::importRefusesWhatIsNoSettingsFile() {
    QFETCH(QByteArray, file);
    QFETCH(QString, reason);
    const QString source = path(QStringLiteral("einstellungen.reg"));
    if (!file.isNull())
        writeAll(source, file);
    SettingsStore store(path(QStringLiteral("Lesaro.reg")));
    store.writeInteger(QStringLiteral("A"), 1);
    QString error;
    QVERIFY(!store.importFrom(source, &error));
    QVERIFY2(error.contains(reason), qPrintable(error));
    QCOMPARE(store.readInteger(QStringLiteral("A")), 1);
}

void tst_RegFile::importOfDamagedFileTakesReadableLines() {
    const QString source = path(QStringLiteral("einstellungen.reg"));
    writeAll(source, regFile(QStringLiteral("Windows Registry Editor Version 5.00\n"
                                            "\n"
                                            "[HKEY_CURRENT_USER\\SOFTWARE\\Orvendel Software\\Lesaro]\n"
                                            "\"Tage\"=dword:0000000e\n"
                                            "\"Sicherung\"=C:\\Sicherung\n"
                                            "\"DruckTitel\"=\"Bestand\"\n"
                                            "[HKEY_CURRENT_USER\\SOFTWARE\\Orvendel Software\\Lesaro\\Standort\\\\]\n"
                                            "\"LastBuchID\"=dword:000000")));
    SettingsStore store(path(QStringLiteral("Lesaro.reg")));
    QString error;
    QVERIFY(!store.importFrom(source, &error));
    QVERIFY2(error.contains(QStringLiteral("3 Zeilen, die erste davon Zeile 5")), qPrintable(error));
    QCOMPARE(store.readInteger(QStringLiteral("Tage")), 14);
    QCOMPARE(store.readString(QStringLiteral("DruckTitel")), QStringLiteral("Bestand"));
    QCOMPARE(store.readString(QStringLiteral("Sicherung")), QString());
    QCOMPARE(store.readInteger(QStringLiteral("LastBuchID")), 0);
    QCOMPARE(store.listEntries(QStringLiteral("Standort")), QStringList());
}

QTEST_GUILESS_MAIN(tst_RegFile)
#include "tst_RegFile.moc"
