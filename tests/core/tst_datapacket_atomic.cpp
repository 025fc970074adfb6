// Whole-file writes and reads of the table files: a write replaces the file in one step or not at all.

#include "core/AtomicFile.h"
#include "core/EngineError.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <sys/resource.h>

using namespace lesaro;

namespace {

QByteArray contents(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("(fehlt)");
}

QString errorOf(const std::function<void()>& f) {
    try {
        f();
    } catch (const EngineError& e) {
        return e.message();
    }
    return {};
}

// Lets writes beyond a size fail as on a full disk, even for root, for as long as it lives.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        std::signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &m_old);
        rlimit limit = m_old;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit() { setrlimit(RLIMIT_FSIZE, &m_old); }

private:
    rlimit m_old{};
};

} // namespace

class TestDatapacketAtomic : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void writesAndReplaces();
    void failedWriteKeepsOldFile();
    void reportsFolderThatIsMissing();
    void writesInPieces();
    void failedPieceKeepsOldFile();
    void readsWholeFile();
    void readsIntoMemoryItIsGiven();
    void reportsUnreadableFiles();
};

void TestDatapacketAtomic::writesAndReplaces() {
    QTemporaryDir dir;
    const QString path = dir.filePath("leser30.b04");
    writeFileAtomically(path, "eins");
    QCOMPARE(contents(path), QByteArray("eins"));
    writeFileAtomically(path, QByteArray(100000, 'z'));
    QCOMPARE(contents(path), QByteArray(100000, 'z'));
    writeFileAtomically(path, QByteArray());
    QCOMPARE(contents(path), QByteArray());
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{"leser30.b04"});
}

void TestDatapacketAtomic::failedWriteKeepsOldFile() {
    QTemporaryDir dir;
    const QString path = dir.filePath("buecher30.b04");
    writeFileAtomically(path, "der alte Stand");
    QString message;
    {
        FileSizeLimit limit(4096);
        message = errorOf([&] { writeFileAtomically(path, QByteArray(64 * 1024, 'n')); });
    }
    QVERIFY2(message.startsWith(QStringLiteral("Die Datei '%1' kann nicht").arg(QDir::toNativeSeparators(path))),
             qPrintable(message));
    QCOMPARE(contents(path), QByteArray("der alte Stand"));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{"buecher30.b04"});
}

void TestDatapacketAtomic::reportsFolderThatIsMissing() {
    QTemporaryDir dir;
    const QString path = dir.filePath("fehlt/ausleihe30.b04");
    const QString message = errorOf([&] { writeFileAtomically(path, "x"); });
    QVERIFY2(message.startsWith(
                 QStringLiteral("Die Datei '%1' kann nicht angelegt werden: ").arg(QDir::toNativeSeparators(path))),
             qPrintable(message));
    QVERIFY(!QFile::exists(path));
}

// Until commit() the old file stays whole; a writer given up before that leaves no trace.
void TestDatapacketAtomic::writesInPieces() {
    QTemporaryDir dir;
    const QString path = dir.filePath("buecher30.b04");
    writeFileAtomically(path, "der alte Stand");
    {
        AtomicFileWriter file(path);
        file.write("eins ");
        file.write(QByteArray());
        file.write(QByteArray(70000, 'z'));
        QCOMPARE(contents(path), QByteArray("der alte Stand"));
    }
    QCOMPARE(contents(path), QByteArray("der alte Stand"));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{"buecher30.b04"});

    AtomicFileWriter file(path, 5 + 70000);
    file.write("eins ");
    file.write(QByteArray(70000, 'z'));
    file.commit();
    QCOMPARE(contents(path), "eins " + QByteArray(70000, 'z'));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{"buecher30.b04"});
}

void TestDatapacketAtomic::failedPieceKeepsOldFile() {
    QTemporaryDir dir;
    const QString path = dir.filePath("leser30.b04");
    writeFileAtomically(path, "der alte Stand");
    QString message;
    {
        FileSizeLimit limit(4096);
        AtomicFileWriter file(path);
        file.write(QByteArray(2048, 'a'));
        message = errorOf([&] { file.write(QByteArray(64 * 1024, 'n')); });
    }
    QVERIFY2(message.startsWith(
                 QStringLiteral("Die Datei '%1' kann nicht geschrieben werden").arg(QDir::toNativeSeparators(path))),
             qPrintable(message));
    QCOMPARE(contents(path), QByteArray("der alte Stand"));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{"leser30.b04"});
}

void TestDatapacketAtomic::readsWholeFile() {
    QTemporaryDir dir;
    const QString path = dir.filePath("plz.xml");
    const QByteArray bytes(300000, 'p');
    writeFileAtomically(path, bytes);
    QCOMPARE(readWholeFile(path), bytes);
    QCOMPARE(readWholeFile(path, bytes.size()), bytes);
}

// A file read again goes into the memory it is given, whatever that held before, unless someone else holds it.
void TestDatapacketAtomic::readsIntoMemoryItIsGiven() {
    QTemporaryDir dir;
    const QString path = dir.filePath("ausleihe30.b04");
    writeFileAtomically(path, QByteArray(1000, 'k'));

    QByteArray larger(5000, 'x');
    const quintptr memory = quintptr(larger.constData());
    const QByteArray read = readWholeFile(path, kMaxWholeFileSize, std::move(larger));
    QCOMPARE(read, QByteArray(1000, 'k'));
    QCOMPARE(quintptr(read.constData()), memory);

    QCOMPARE(readWholeFile(path, kMaxWholeFileSize, QByteArray(10, 'x')), QByteArray(1000, 'k'));

    const QByteArray shared(5000, 's');
    QCOMPARE(readWholeFile(path, kMaxWholeFileSize, shared), QByteArray(1000, 'k'));
    QCOMPARE(shared, QByteArray(5000, 's'));

    // Memory far beyond the file's size is not kept with it.
    const QByteArray huge(8 * 1024 * 1024, 'h');
    QVERIFY(readWholeFile(path, kMaxWholeFileSize, QByteArray(huge.constData(), huge.size())).capacity() < 1024 * 1024);
}

void TestDatapacketAtomic::reportsUnreadableFiles() {
    QTemporaryDir dir;
    const QString missing = dir.filePath("fehlt.b04");
    QCOMPARE(errorOf([&] { readWholeFile(missing); }),
             QStringLiteral("Die Datei '%1' kann nicht geöffnet werden: Die Datei ist nicht vorhanden.")
                 .arg(QDir::toNativeSeparators(missing)));
    QVERIFY(!errorOf([&] { readWholeFile(dir.path()); }).isEmpty());

    const QString big = dir.filePath("gross.b04");
    writeFileAtomically(big, QByteArray(1000, 'g'));
    QVERIFY(errorOf([&] { readWholeFile(big, 999); }).contains(QStringLiteral("größer als 999 Bytes")));
}

QTEST_GUILESS_MAIN(TestDatapacketAtomic)
#include "tst_datapacket_atomic.moc"
