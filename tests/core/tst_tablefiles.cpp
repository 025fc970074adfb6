#include "core/EngineError.h"
#include "core/GermanLocale.h"
#include "core/LibraryTables.h"
#include "core/Table.h"

#include <QTemporaryDir>
#include <QtTest>

using namespace lesaro;

// The table's own file operations: save and load through the file format, and the close rule.
class TableFilesTest : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;

    QString path(const char* name) const { return m_dir.filePath(QString::fromLatin1(name)); }
    static QByteArray read(const QString& p) {
        QFile f(p);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    static void addReader(Table& t, int id, const QString& name) {
        t.Append();
        t.FieldByName(QStringLiteral("ID")).setAsInteger(id);
        t.FieldByName(QStringLiteral("Nachname")).setAsString(name);
        t.Post();
    }

private Q_SLOTS:
    void initTestCase() { GermanLocale::install(); }

    void roundTripKeepsRowsOrderAndFilter() {
        Table t;
        t.setColumns(LibraryTables::readerColumns());
        t.CreateDataSet();
        addReader(t, 1, QStringLiteral("Zander"));
        addReader(t, 2, QStringLiteral("Adler"));
        addReader(t, 3, QStringLiteral("Müller"));
        t.First();
        t.Edit();
        t.FieldByName(QStringLiteral("Nachname")).setAsString(QStringLiteral("Zahn"));
        t.Post();
        QVERIFY(t.Locate(QStringLiteral("ID"), {3}));
        t.Delete();
        t.SaveToFile(path("leser.b04"));

        t.setIndexFieldNames(QStringLiteral("Nachname"));
        t.setFilter(QStringLiteral("ID < 10"));
        t.setFiltered(true);
        t.LoadFromFile(path("leser.b04"));
        QCOMPARE(t.ChangeCount(), qint64(0));
        QCOMPARE(t.RecordCount(), 2);
        QCOMPARE(t.FieldByName(QStringLiteral("Nachname")).AsString(), QStringLiteral("Adler")); // order applied again
        QCOMPARE(t.store().changeLog().size(), size_t(5));
        // A second save of the unchanged table gives the same bytes.
        t.SaveToFile(path("leser2.b04"));
        QCOMPARE(read(path("leser2.b04")), read(path("leser.b04")));
    }

    void xmlNameGivesXml() {
        Table t;
        t.setColumns(LibraryTables::postcodeColumns());
        t.CreateDataSet();
        t.SaveToFile(path("plz.XML"));
        QVERIFY(read(path("plz.XML")).startsWith("<?xml"));
        t.LoadFromFile(path("plz.XML"));
        QCOMPARE(t.RecordCount(), 0);
    }

    void closeRule() {
        const QString file = path("rule.b04");
        Table t;
        t.setColumns(LibraryTables::readerColumns());
        t.setFileName(file);
        t.CreateDataSet();
        t.Close(); // file missing: written
        QVERIFY(QFileInfo::exists(file));
        QFile::remove(file);
        QFile f(file);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(QByteArray());
        f.close();

        Table u;
        u.setColumns(LibraryTables::readerColumns());
        u.setFileName(path("unchanged.b04"));
        u.CreateDataSet();
        u.SaveToFile();
        const QDateTime written = QFileInfo(path("unchanged.b04")).lastModified();
        u.LoadFromFile();
        QTest::qWait(20);
        u.Close(); // unchanged and present: nothing written
        QCOMPARE(QFileInfo(path("unchanged.b04")).lastModified(), written);
        u.Open();
        addReader(u, 1, QStringLiteral("Neu"));
        u.Close(); // changed: written
        u.LoadFromFile();
        QCOMPARE(u.RecordCount(), 1);
    }

    void failedLoadLeavesTableClosedAndFileAlone() {
        const QString file = path("kaputt.b04");
        QFile f(file);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(QByteArray::fromHex("9619E0BD0100000018000000"));
        f.close();
        Table t;
        t.setColumns(LibraryTables::readerColumns());
        t.setFileName(file);
        t.CreateDataSet();
        QVERIFY_THROWS_EXCEPTION(EngineError, t.LoadFromFile());
        QVERIFY(!t.Active());
        // Rows added after the failed load are never written over the damaged file by the close rule.
        t.Open();
        addReader(t, 1, QStringLiteral("Im Speicher"));
        t.Close();
        QCOMPARE(read(file), QByteArray::fromHex("9619E0BD0100000018000000"));

        const QString empty = path("leer.b04");
        QFile e(empty);
        QVERIFY(e.open(QIODevice::WriteOnly));
        e.close();
        try {
            t.LoadFromFile(empty);
            QFAIL("loaded an empty file");
        } catch (const EngineError& err) {
            QCOMPARE(err.message(), QStringLiteral("Fehlender Daten-Provider oder Datenpaket"));
        }
        QVERIFY_THROWS_EXCEPTION(EngineError, t.LoadFromFile(path("gibt-es-nicht.b04")));
    }

    // A table loaded again reads the new file into the memory of its old rows: whatever the sizes, it must then
    // hold exactly the new file's rows, and rows someone else still holds must stay as they were.
    void loadingAgainReusesTheRowsMemory() {
        const auto write = [this](const char* name, int readers) {
            Table w;
            w.setColumns(LibraryTables::readerColumns());
            w.CreateDataSet();
            for (int i = 1; i <= readers; ++i)
                addReader(w, i, QStringLiteral("Leser %1 ").arg(i).repeated(1 + i % 7));
            w.SaveToFile(path(name));
            return read(path(name));
        };
        const QByteArray many = write("viele.b04", 400);
        const QByteArray few = write("wenige.b04", 3);
        const auto savedAgain = [this](Table& t) {
            t.SaveToFile(path("wieder.b04"));
            return read(path("wieder.b04"));
        };

        Table t;
        t.setColumns(LibraryTables::readerColumns());
        t.LoadFromFile(path("viele.b04"));
        const auto memoryOf = [&t] { return quintptr(t.store().arena().constData()); };
        const quintptr memory = memoryOf();
        t.LoadFromFile(path("viele.b04"));
        QCOMPARE(memoryOf(), memory);
        QCOMPARE(t.RecordCount(), 400);

        t.LoadFromFile(path("wenige.b04"));
        QCOMPARE(memoryOf(), memory);
        QCOMPARE(t.RecordCount(), 3);
        QCOMPARE(savedAgain(t), few);
        t.LoadFromFile(path("viele.b04"));
        QCOMPARE(savedAgain(t), many);

        const RowStore held = t.store();
        t.LoadFromFile(path("wenige.b04"));
        QCOMPARE(WriteDatapacket(held, DatapacketForm::Binary), many);
        QCOMPARE(savedAgain(t), few);
    }

    // The rows give way before the file is read: a load that fails leaves the table empty, tells so through
    // the hook, and the close rule writes neither the damaged file nor the last good one.
    void failedLoadAgainLeavesTableEmpty() {
        Table w;
        w.setColumns(LibraryTables::readerColumns());
        w.CreateDataSet();
        addReader(w, 1, QStringLiteral("Alt"));
        w.SaveToFile(path("gut.b04"));
        const QByteArray good = read(path("gut.b04"));
        const QByteArray damaged = good.left(good.size() - 3);
        QFile f(path("kaputt2.b04"));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(damaged);
        f.close();

        Table t;
        t.setColumns(LibraryTables::readerColumns());
        t.setFileName(path("kaputt2.b04"));
        t.LoadFromFile(path("gut.b04"));
        int replaced = 0;
        t.AfterStoreReplaced = [&replaced](Table&) { ++replaced; };
        QVERIFY_THROWS_EXCEPTION(EngineError, t.LoadFromFile());
        QVERIFY(!t.Active());
        QCOMPARE(replaced, 1);
        QCOMPARE(t.store().slotCount(), 0);
        t.Open();
        QCOMPARE(t.RecordCount(), 0);
        addReader(t, 2, QStringLiteral("Neu"));
        QCOMPARE(t.RecordCount(), 1);
        t.Close();
        QCOMPARE(read(path("kaputt2.b04")), damaged);
        QCOMPARE(read(path("gut.b04")), good);
    }
};

QTEST_GUILESS_MAIN(TableFilesTest)
#include "tst_tablefiles.moc"
