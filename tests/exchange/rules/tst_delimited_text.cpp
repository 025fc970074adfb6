// The import's reader of delimited text: the splitting rules case by case, and a round trip of random
// records written by the export and read back; the export's count of characters it cannot write.
#include "core/EngineError.h"
#include "core/Win1252.h"
#include "exchange/rules/ExportWriter.h"
#include "exchange/sources/DelimitedText.h"

#include <QRandomGenerator>
#include <QtTest>

using namespace lesaro;
using namespace lesaro::exchange;

Q_DECLARE_METATYPE(lesaro::exchange::SourceRecords)

class DelimitedTextTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void splitsLikeTheWizard_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<char>("separator");
        QTest::addColumn<SourceRecords>("records");
        QTest::newRow("empty file") << QByteArray() << ';' << SourceRecords{};
        QTest::newRow("one line without end") << QByteArray("a;b") << ';' << SourceRecords{{"a", "b"}};
        QTest::newRow("CR LF ends, no line after the last")
            << QByteArray("a;b\r\nc;d\r\n") << ';' << SourceRecords{{"a", "b"}, {"c", "d"}};
        QTest::newRow("LF and lone CR end lines too")
            << QByteArray("a\nb\rc") << ';' << SourceRecords{{"a"}, {"b"}, {"c"}};
        QTest::newRow("an empty line is no record")
            << QByteArray("a\r\n\r\n\nb\r\n\r\n") << ';' << SourceRecords{{"a"}, {"b"}};
        QTest::newRow("a line of blanks or separators is one")
            << QByteArray(" \r\n;") << ';' << SourceRecords{{" "}, {"", ""}};
        QTest::newRow("n separators give n + 1 pieces, empty ones included")
            << QByteArray(";x;;") << ';' << SourceRecords{{"", "x", "", ""}};
        QTest::newRow("fewer separators, fewer pieces")
            << QByteArray("a;b;c\r\nd\r\n") << ';' << SourceRecords{{"a", "b", "c"}, {"d"}};
        QTest::newRow("quotes mean nothing, the separator inside splits")
            << QByteArray("\"Tim; Struppi\";2") << ';' << SourceRecords{{"\"Tim", " Struppi\"", "2"}};
        QTest::newRow("no piece is trimmed") << QByteArray(" a ; b ") << ';' << SourceRecords{{" a ", " b "}};
        QTest::newRow("other separators stay in the values")
            << QByteArray("a,b;c\td") << ';' << SourceRecords{{"a,b", "c\td"}};
        QTest::newRow("comma") << QByteArray("a,b;c") << ',' << SourceRecords{{"a", "b;c"}};
        QTest::newRow("tab") << QByteArray("a\tb c") << '\t' << SourceRecords{{"a", "b c"}};
        QTest::newRow("Windows-1252 umlauts and euro")
            << QByteArray("M\xfcller;\x80 12") << ';' << SourceRecords{{"Müller", "€ 12"}};
        QTest::newRow("bytes Windows-1252 leaves unassigned still arrive")
            << QByteArray("\x81;\x8d") << ';'
            << SourceRecords{{win1252::decode("\x81", 1), win1252::decode("\x8d", 1)}};
        QTest::newRow("a NUL byte is an ordinary character")
            << QByteArray("a\0b;c", 5) << ';' << SourceRecords{{QString::fromLatin1("a\0b", 3), "c"}};
    }
    void splitsLikeTheWizard() {
        QFETCH(QByteArray, bytes);
        QFETCH(char, separator);
        QFETCH(SourceRecords, records);
        QCOMPARE(DelimitedText::parse(bytes, separator), records);
    }

    // Random records through the export (TXT with each separator and qualifier) and back through the reader.
    // The reader does not unquote, so the model of what comes back is the export's own rule: q + value with
    // q doubled + q, each followed by the separator, which leaves an empty last piece.
    void exportThenReadGivesTheRecordsBack() {
        const QString alphabet = QStringLiteral("abcXYZ 019äöüßÄÖÜé€\"'.,:-–&<>");
        const char separators[] = {';', ',', '\t'};
        const char qualifiers[] = {'\0', '"', '\''};
        for (quint32 seed = 1; seed <= 300; ++seed) {
            QRandomGenerator random(seed);
            const char separator = separators[random.bounded(3)];
            const char qualifier = qualifiers[random.bounded(3)];
            ExportSettings settings;
            settings.format = ExportFormat::Txt;
            settings.separator = separator;
            settings.qualifier = qualifier;
            settings.titleRow = random.bounded(2) == 1;
            const int columns = 1 + random.bounded(6);
            for (int c = 0; c < columns; ++c)
                settings.columns.append({QString(), QStringLiteral("Feld %1").arg(c)});
            SourceRecords written;
            if (settings.titleRow) {
                QStringList header;
                for (const ExportColumn& c : settings.columns)
                    header.append(c.header);
                written.append(header);
            }
            ExportFile file(settings);
            const int rows = random.bounded(8);
            for (int r = 0; r < rows; ++r) {
                QStringList record;
                file.beginRow();
                for (int c = 0; c < columns; ++c) {
                    QString value;
                    const int length = random.bounded(7);
                    for (int i = 0; i < length; ++i) {
                        QChar ch = alphabet[random.bounded(int(alphabet.size()))];
                        // A separator inside an unquoted value would split it: the reader's documented rule,
                        // tested in the table above; the round trip keeps to values that survive.
                        if (ch.toLatin1() == separator)
                            ch = QLatin1Char('x');
                        value += ch;
                    }
                    file.value(value);
                    record.append(value);
                }
                file.endRow();
                written.append(record);
            }
            const QByteArray bytes = file.finish();
            const SourceRecords read = DelimitedText::parse(bytes, separator);
            SourceRecords expected;
            for (const QStringList& record : written) {
                QStringList pieces;
                for (const QString& v : record) {
                    if (!qualifier) {
                        pieces.append(v);
                        continue;
                    }
                    const QString q = QString(QLatin1Char(qualifier));
                    pieces.append(q + QString(v).replace(q, q + q) + q);
                }
                pieces.append(QString());
                expected.append(pieces);
            }
            if (read != expected) {
                qWarning("seed %u, separator %d, qualifier %d, %d records", seed, separator, qualifier,
                         int(written.size()));
                for (qsizetype i = 0; i < std::min(read.size(), expected.size()); ++i)
                    if (read[i] != expected[i])
                        qWarning("record %d: read [%s], expected [%s]", int(i), qPrintable(read[i].join(u'|')),
                                 qPrintable(expected[i].join(u'|')));
                QCOMPARE(read.size(), expected.size());
                QFAIL("round trip differs");
            }
        }
    }

    // Which encoding a file is read in unless the user says otherwise.
    void encodingFollowsTheBytes_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("encoding");
        const int ansi = int(TextEncoding::Windows1252);
        const int utf8 = int(TextEncoding::Utf8);
        QTest::newRow("empty") << QByteArray() << ansi;
        QTest::newRow("plain ASCII") << QByteArray("Ende;Momo") << ansi;
        QTest::newRow("Windows-1252 umlauts") << QByteArray("Wei\xdf;K\xe4stner") << ansi;
        QTest::newRow("valid UTF-8 with umlauts") << QByteArray("Wei\xc3\x9f;K\xc3\xa4stner") << utf8;
        QTest::newRow("byte-order mark, then ASCII") << QByteArray("\xef\xbb\xbfVerfasser") << utf8;
        QTest::newRow("UTF-8 cut inside a character") << QByteArray("Wei\xc3") << ansi;
        QTest::newRow("an overlong form is no UTF-8") << QByteArray("\xc0\xaf") << ansi;
        QTest::newRow("a surrogate is no UTF-8") << QByteArray("\xed\xa0\x80") << ansi;
        QTest::newRow("Cyrillic and a four-byte character")
            << QByteArray("\xd0\x92\xd0\xbe\xd0\xb9\xd0\xbd\xd0\xb0;\xf0\x9f\x93\x9a") << utf8;
    }
    void encodingFollowsTheBytes() {
        QFETCH(QByteArray, bytes);
        QFETCH(int, encoding);
        QCOMPARE(int(DelimitedText::encodingOf(bytes)), encoding);
    }

    // Read as UTF-8 the mark is no part of the first field and the characters arrive whole; read as
    // Windows-1252 the same bytes give what the user saw before and can switch away from.
    void utf8FileReadAsUtf8() {
        const QByteArray bytes(
            "\xef\xbb\xbfVerfasser;Titel\r\nWei\xc3\x9f;\xd0\x92\xd0\xbe\xd0\xb9\xd0\xbd\xd0\xb0\r\n");
        QCOMPARE(DelimitedText::parse(bytes, ';', TextEncoding::Utf8),
                 (SourceRecords{{"Verfasser", "Titel"}, {"Weiß", "Война"}}));
        QCOMPARE(DelimitedText::parse(bytes, ';', TextEncoding::Windows1252).first().first(),
                 QStringLiteral("ï»¿Verfasser"));
    }

    void readFileRefusesWhatItCannotOpen() {
        try {
            DelimitedText::readFile(QStringLiteral("/nicht/vorhanden.csv"), ';');
            QFAIL("read a missing file");
        } catch (const EngineError& e) {
            QCOMPARE(e.message(), QStringLiteral("Quelldatei konnte nicht gefunden werden"));
        }
    }

    void charactersBeyondWindows1252AreCounted() {
        ExportSettings s;
        s.columns = {{QString(), QStringLiteral("a")}, {QString(), QStringLiteral("b")}};
        s.titleRow = false;
        ExportFile file(s);
        file.beginRow();
        file.value(QStringLiteral("Łódź"));  // two characters lost, one value
        file.value(QStringLiteral("€ 12?")); // euro is in the code page, the '?' was there before
        file.endRow();
        file.beginRow();
        file.value(QStringLiteral("ok"));
        file.value(QStringLiteral("日本"));
        file.endRow();
        QCOMPARE(file.finish(), QByteArray("\"?\xf3"
                                           "d?\",\"\x80 12?\",\r\n\"ok\",\"??\",\r\n"));
        QCOMPARE(file.replacedValues(), 2);
    }
};

QTEST_GUILESS_MAIN(DelimitedTextTest)
#include "tst_delimited_text.moc"
