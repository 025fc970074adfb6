// lesaro-source run as a separate process: what it prints for each kind of source, and how it fails.
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

namespace {

struct Run {
    int status = -1;
    QByteArray out;
    QByteArray err;
};

Run run(const QStringList& args) {
    QProcess p;
    p.start(QStringLiteral(LESARO_SOURCE_TOOL), args);
    Run r;
    if (!p.waitForFinished(30000) || p.exitStatus() != QProcess::NormalExit)
        return r;
    r.status = p.exitCode();
    r.out = p.readAllStandardOutput();
    r.err = p.readAllStandardError();
    return r;
}

QString fixture(const char* name) {
    return QStringLiteral(LESARO_SOURCE_DIR "/tests/exchange/data/") + QString::fromLatin1(name);
}

} // namespace

class SourceToolTest : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;

    QString write(const char* name, const QByteArray& bytes) {
        const QString path = m_dir.filePath(QString::fromLatin1(name));
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly))
            qFatal("cannot write");
        f.write(bytes);
        return path;
    }

private Q_SLOTS:
    void dumpPrintsRecordsAsJson_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QByteArray>("json");
        const QString csv = write("liste.TXT", "Verfasser;Titel\r\nM\xfcller;\"a,b\"\r\n\r\n");
        // The empty line at the end is no record.
        QTest::newRow("text, semicolon preset")
            << QStringList{"dump", csv}
            << QByteArray("{\"records\":[[\"Verfasser\",\"Titel\"],[\"Müller\",\"\\\"a,b\\\"\"]]}");
        QTest::newRow("text, comma") << QStringList{"dump", csv, "--separator", "comma"}
                                     << QByteArray(
                                            "{\"records\":[[\"Verfasser;Titel\"],[\"Müller;\\\"a\",\"b\\\"\"]]}");
        QTest::newRow("UTF-8 text with its mark")
            << QStringList{"dump",
                           write("utf8.csv", "\xef\xbb\xbfVerfasser;Titel\r\nWei\xc3\x9f;\xd0\x9c\xd0\xb8\xd1\x80\r\n")}
            << QByteArray("{\"records\":[[\"Verfasser\",\"Titel\"],[\"Weiß\",\"Мир\"]]}");
        QTest::newRow("workbook sheet by name") << QStringList{"dump", fixture("books.xlsx"), "--table", "Leser"}
                                                << QByteArray("{\"records\":[[\"Anna\",\"Öztürk\"]]}");
        QTest::newRow("sheet names") << QStringList{"tables", fixture("books.ods")}
                                     << QByteArray("{\"tables\":[\"Bücher\",\"Leser\"]}");
        QTest::newRow("a text source has no tables") << QStringList{"tables", csv} << QByteArray("{\"tables\":[]}");
    }
    void dumpPrintsRecordsAsJson() {
        QFETCH(QStringList, args);
        QFETCH(QByteArray, json);
        const Run r = run(args);
        QCOMPARE(r.status, 0);
        QCOMPARE(r.out.trimmed(), json);
        QVERIFY(r.err.isEmpty());
    }

    void accessTablesAndRecords() {
        const QString nwind = QStringLiteral(LESARO_SOURCE_DIR "/../shared/data/fixtures/nwind.mdb");
        if (!QFile::exists(nwind))
            QSKIP("the sample database is not beside the repository");
        const Run tables = run({QStringLiteral("tables"), nwind});
        QCOMPARE(tables.status, 0);
        QVERIFY(QJsonDocument::fromJson(tables.out)["tables"].toArray().contains(QStringLiteral("Shippers")));
        const Run dump = run({QStringLiteral("dump"), nwind, QStringLiteral("--table"), QStringLiteral("Shippers")});
        QCOMPARE(dump.status, 0);
        const QJsonArray records = QJsonDocument::fromJson(dump.out)["records"].toArray();
        QCOMPARE(records.size(), 3);
        QCOMPARE(records[0].toArray()[1].toString(), QStringLiteral("Speedy Express"));
    }

    void unreadableSourceGivesTheWizardsMessage_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("message");
        QTest::newRow("missing text") << QStringList{"dump", "/nicht/da.csv"}
                                      << "Quelldatei konnte nicht gefunden werden";
        QTest::newRow("missing mdb") << QStringList{"tables", "/nicht/da.mdb"}
                                     << "Accessdatei konnte nicht gefunden werden";
        QTest::newRow("damaged mdb in capitals") << QStringList{"tables", write("BUCH.MDB", "kein Access")}
                                                 << "„BUCH.MDB“ ist keine Accessdatei oder ist beschädigt";
        QTest::newRow("unknown sheet") << QStringList{"dump", fixture("books.xls"), "--table", "Tabelle9"}
                                       << "„books.xls“ ist keine Exceldatei oder ist beschädigt";
    }
    void unreadableSourceGivesTheWizardsMessage() {
        QFETCH(QStringList, args);
        QFETCH(QString, message);
        const Run r = run(args);
        QCOMPARE(r.status, 1);
        QCOMPARE(QString::fromUtf8(r.err).trimmed(), message);
        QVERIFY(r.out.isEmpty());
    }

    void wrongUseShowsTheUsage_data() {
        QTest::addColumn<QStringList>("args");
        QTest::newRow("nothing") << QStringList{};
        QTest::newRow("unknown command") << QStringList{"zeige", "x.csv"};
        QTest::newRow("unknown separator") << QStringList{"dump", "x.csv", "--separator", "pipe"};
        QTest::newRow("option without value") << QStringList{"dump", "x.csv", "--table"};
        QTest::newRow("options on tables") << QStringList{"tables", "x.mdb", "--table", "a"};
    }
    void wrongUseShowsTheUsage() {
        QFETCH(QStringList, args);
        const Run r = run(args);
        QCOMPARE(r.status, 2);
        QVERIFY(r.err.startsWith("Aufruf:"));
    }
};

QTEST_GUILESS_MAIN(SourceToolTest)
#include "tst_source_tool.moc"
