// lesaro-datapacket as support staff use it: dump and copy of files put together here byte by byte, and
// its refusal of damaged files and wrong calls.

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

namespace {

struct Run {
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

Run tool(const QStringList& args) {
    QProcess p;
    p.start(QStringLiteral(LESARO_DATAPACKET_TOOL), args);
    if (!p.waitForFinished(30000) || p.exitStatus() != QProcess::NormalExit)
        return {};
    return {p.exitCode(), p.readAllStandardOutput(), p.readAllStandardError()};
}

class Bytes {
public:
    Bytes& u8(quint32 v) {
        m_b.append(char(v));
        return *this;
    }
    Bytes& u16(quint32 v) { return u8(v & 0xFF).u8(v >> 8); }
    Bytes& u32(quint32 v) { return u16(v & 0xFFFF).u16(v >> 16); }
    Bytes& raw(QByteArrayView b) {
        m_b.append(b);
        return *this;
    }
    Bytes& name(QByteArrayView n) { return u8(quint32(n.size())).raw(n); }
    Bytes& hex(const char* h) { return raw(QByteArray::fromHex(h)); }
    operator QByteArray() const { return m_b; }

private:
    QByteArray m_b;
};

// Five columns of every kind; three slots: inserted, its first version superseded by a change, and the
// changed version; the log to match; and, when asked, a table parameter the program does not know.
QByteArray sample(bool withUnknownParameter) {
    Bytes columns;
    columns.name("ID").u32(0x00010004).u16(0).u16(0);
    columns.name("Name").u32(0x00490001).u16(0).u16(1).name("WIDTH").u32(0x00020002).u16(20);
    columns.name("Preis")
        .u32(0x00040008)
        .u16(0)
        .u16(1)
        .name("SUBTYPE")
        .u32(0x00490002)
        .u16(6)
        .raw(QByteArray("Money\0", 6));
    columns.name("Da").u32(0x00030002).u16(2).u16(0);
    columns.name("Tag").u32(0x00060004).u16(0).u16(0);

    Bytes params;
    params.u16(withUnknownParameter ? 2 : 1);
    params.name("CHANGE_LOG").u32(0x00820004).u32(9);
    for (quint32 n : {1, 0, 4, 2, 0, 4, 3, 2, 8})
        params.u32(n);
    if (withUnknownParameter)
        params.name("LCID").u32(0x00010004).u32(1031);

    Bytes rows;
    // 12.5 = 00 00 00 00 00 00 29 40; 0.1 = 9A 99 99 99 99 99 B9 3F; 15.2.2022 = day 738201, 1.1.2022 = 738156
    rows.hex("04 0000 01000000 06 4dfc6c6c6572 0000000000002940 ffff 99430b00");
    rows.hex("05 1001 02000000 01 00 0000"); // bitmap: Preis (column 2) and Tag (column 4) null
    rows.hex("0c 0000 02000000 03 4e6575 9a9999999999b93f 0100 6c430b00");

    const QByteArray c = columns;
    const QByteArray p = params;
    Bytes packet;
    packet.hex("9619e0bd 0100 0000 18000000").u16(5).u32(3).u32(3).u16(quint32(24 + c.size() + p.size()));
    return QByteArray(packet) + c + p + QByteArray(rows);
}

bool writeFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

QByteArray contents(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("(fehlt)");
}

} // namespace

class TestDatapacketTool : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void dumpsAsJson();
    void copiesUnchanged();
    void copiesThroughXml();
    void refusesDamagedFiles_data();
    void refusesDamagedFiles();
    void explainsWrongCalls_data();
    void explainsWrongCalls();

private:
    QTemporaryDir m_dir;
};

void TestDatapacketTool::dumpsAsJson() {
    const QString in = m_dir.filePath("sample.b04");
    QVERIFY(writeFile(in, sample(true)));
    const Run r = tool({"dump", in});
    QCOMPARE(r.exitCode, 0);
    QVERIFY2(r.err.isEmpty(), r.err.constData());
    const QByteArray expected = R"({"columns":[{"name":"ID","kind":"integer","width":null,"attributes":0},)"
                                R"({"name":"Name","kind":"text","width":20,"attributes":0},)"
                                R"({"name":"Preis","kind":"money","width":null,"attributes":0},)"
                                R"({"name":"Da","kind":"boolean","width":null,"attributes":2},)"
                                R"({"name":"Tag","kind":"date","width":null,"attributes":0}],)"
                                R"("slots":[{"status":4,"values":[1,"Müller",12.5,true,"2022-02-15"]},)"
                                R"({"status":5,"values":[2,"",null,false,null]},)"
                                R"({"status":12,"values":[2,"Neu",0.1,true,"2022-01-01"]}],)"
                                R"("changeLog":[[1,0,4],[2,0,4],[3,2,8]],"liveRows":2,"parameters":["LCID"]})";
    QJsonParseError error;
    const QJsonDocument actual = QJsonDocument::fromJson(r.out, &error);
    QVERIFY2(error.error == QJsonParseError::NoError, qPrintable(error.errorString()));
    QCOMPARE(actual.object(), QJsonDocument::fromJson(expected).object());
    // The keys stand in the documented order.
    QVERIFY(r.out.indexOf("\"columns\"") < r.out.indexOf("\"slots\""));
    QVERIFY(r.out.indexOf("\"changeLog\"") < r.out.indexOf("\"liveRows\""));
    QVERIFY(r.out.indexOf("\"liveRows\"") < r.out.indexOf("\"parameters\""));
}

void TestDatapacketTool::copiesUnchanged() {
    const QString in = m_dir.filePath("copy-in.b04");
    const QString out = m_dir.filePath("copy-out.b04");
    QVERIFY(writeFile(in, sample(true)));
    const Run r = tool({"copy", in, out});
    QCOMPARE(r.exitCode, 0);
    // The very same bytes, but for the true stored as FF FF: a copy writes true as the format does, 01 00.
    QByteArray expected = sample(true);
    expected.replace(QByteArray::fromHex("ffff99430b00"), QByteArray::fromHex("010099430b00"));
    QCOMPARE(contents(out), expected);
    const QString again = m_dir.filePath("copy-again.b04");
    QCOMPARE(tool({"copy", out, again}).exitCode, 0);
    QCOMPARE(contents(again), expected);
}

void TestDatapacketTool::copiesThroughXml() {
    const QString in = m_dir.filePath("xml-in.b04");
    const QString xml = m_dir.filePath("xml-mid.XML");
    const QString back = m_dir.filePath("xml-back.b04");
    QVERIFY(writeFile(in, sample(false)));
    QCOMPARE(tool({"copy", in, xml}).exitCode, 0);
    const QByteArray text = contents(xml);
    QVERIFY2(text.startsWith("<?xml version=\"1.0\" standalone=\"yes\"?>  <DATAPACKET Version=\"2.0\">"),
             text.constData());
    QVERIFY(
        text.contains("<ROW RowState=\"4\" ID=\"1\" Name=\"M\xFCller\" Preis=\"12.5\" Da=\"TRUE\" Tag=\"20220215\"/>"));
    QVERIFY(text.contains("<PARAMS CHANGE_LOG=\"1 0 4 2 0 4 3 2 8\"/>"));
    QCOMPARE(tool({"copy", xml, back}).exitCode, 0);
    // Same content: the read-only bit of "Da" has its place in the text form too. (The bytes differ only where
    // the true stored as FF FF comes back as 01 00.)
    QCOMPARE(tool({"dump", back}).out, tool({"dump", in}).out);
    QByteArray expected = sample(false);
    expected.replace(QByteArray::fromHex("ffff99430b00"), QByteArray::fromHex("010099430b00"));
    QCOMPARE(contents(back), expected);
}

void TestDatapacketTool::refusesDamagedFiles_data() {
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QByteArray>("message");
    QTest::newRow("empty") << QByteArray() << QByteArray("Fehlender Daten-Provider oder Datenpaket");
    QTest::newRow("last byte missing") << sample(true).chopped(1) << QByteArray("Mismatch in datapacket.");
    QByteArray badType = sample(true);
    badType[24 + 3 + 2] = 0x07; // ID becomes a time column
    QTest::newRow("time column") << badType << QByteArray("Invalid field type.");
}

void TestDatapacketTool::refusesDamagedFiles() {
    QFETCH(QByteArray, file);
    QFETCH(QByteArray, message);
    const QString in = m_dir.filePath("damaged.b04");
    const QString fresh = m_dir.filePath("nicht-angelegt.b04");
    const QString existing = m_dir.filePath("bleibt.xml");
    QVERIFY(writeFile(in, file));
    QVERIFY(writeFile(existing, "unverändert"));

    const Run dump = tool({"dump", in});
    QCOMPARE(dump.exitCode, 1);
    QCOMPARE(dump.err.trimmed(), message);
    QVERIFY(dump.out.isEmpty());
    for (const QString& out : {fresh, existing}) {
        const Run copy = tool({"copy", in, out});
        QCOMPARE(copy.exitCode, 1);
        QCOMPARE(copy.err.trimmed(), message);
    }
    QVERIFY(!QFile::exists(fresh));
    QCOMPARE(contents(existing), QByteArray("unverändert"));
    QCOMPARE(QDir(m_dir.path()).entryList({"*.tmp*", "*~"}, QDir::Files), QStringList());
}

void TestDatapacketTool::explainsWrongCalls_data() {
    QTest::addColumn<QStringList>("args");
    QTest::newRow("nothing") << QStringList();
    QTest::newRow("dump without file") << QStringList{"dump"};
    QTest::newRow("copy without target") << QStringList{"copy", "a.b04"};
    QTest::newRow("unknown command") << QStringList{"kopieren", "a.b04", "b.b04"};
    QTest::newRow("dump with two files") << QStringList{"dump", "a.b04", "b.b04"};
}

void TestDatapacketTool::explainsWrongCalls() {
    QFETCH(QStringList, args);
    const Run r = tool(args);
    QCOMPARE(r.exitCode, 2);
    QVERIFY(r.out.isEmpty());
    QVERIFY2(r.err.startsWith("Aufruf:"), r.err.constData());
}

QTEST_GUILESS_MAIN(TestDatapacketTool)
#include "tst_datapacket_tool.moc"
