#include "readercatalogue/rules/CatalogueFolder.h"

#include "core/AtomicFile.h"
#include "core/EngineError.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QStorageInfo>

#include <cerrno>
#include <cstdio>
#include <cstring>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace lesaro {

namespace {

QString shown(const QString& path) {
    return QDir::toNativeSeparators(path);
}

QString systemText(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

// A name beside the target that no other catalogue export picks at the same moment.
QString besideName(const QString& parent, const QString& name, const char* kind) {
    return parent + QStringLiteral("/.") + name + QLatin1Char('.') + QLatin1String(kind) + QLatin1Char('-') +
           QString::number(QRandomGenerator::global()->generate() & 0xFFFFFF, 16);
}

void syncFolder(const QString& folder) {
#ifdef Q_OS_UNIX
    const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
#else
    Q_UNUSED(folder);
#endif
}

// Removes the new folder when the export stops before it took the old one's place.
class StagingFolder {
public:
    explicit StagingFolder(QString path)
        : m_path(std::move(path)) {}
    ~StagingFolder() {
        if (!m_path.isEmpty())
            QDir(m_path).removeRecursively();
    }
    StagingFolder(const StagingFolder&) = delete;
    StagingFolder& operator=(const StagingFolder&) = delete;
    const QString& path() const { return m_path; }
    void release() { m_path.clear(); }

private:
    QString m_path;
};

void writeOne(const QString& path, const QByteArray& bytes, qint64& written, qint64 total,
              const std::function<void(qint64, qint64)>& progress) {
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        throw EngineError(QStringLiteral("Die Datei '%1' kann nicht angelegt werden: %2")
                              .arg(shown(path), fileErrorReason(path, true, f.errorString(), bytes.size())));
    constexpr qsizetype kChunk = 1 << 20;
    for (qsizetype at = 0; at < bytes.size(); at += kChunk) {
        const qsizetype n = std::min(kChunk, bytes.size() - at);
        if (f.write(bytes.constData() + at, n) != n)
            throw EngineError(QStringLiteral("Die Datei '%1' kann nicht geschrieben werden: %2")
                                  .arg(shown(path), fileErrorReason(path, true, f.errorString(), bytes.size())));
        written += n;
        if (progress)
            progress(written, total);
    }
    bool ok = f.flush();
#ifdef Q_OS_UNIX
    ok = ok && ::fsync(f.handle()) == 0;
#endif
    const QString error = f.errorString();
    f.close();
    if (!ok || f.error() != QFileDevice::NoError)
        throw EngineError(QStringLiteral("Die Datei '%1' kann nicht geschrieben werden: %2")
                              .arg(shown(path), fileErrorReason(path, true, error, bytes.size())));
}

} // namespace

bool CatalogueFolder::isCatalogue(const QString& folder) {
    QFile index(folder + QStringLiteral("/index.html"));
    if (!index.open(QIODevice::ReadOnly))
        return false;
    return index.read(4096).contains(CataloguePage::generatorMark());
}

QString CatalogueFolder::refusal(const QString& folder) {
    const QFileInfo info(folder);
    if (!info.exists() && !info.isSymLink())
        return {};
    if (!info.isDir())
        return QStringLiteral("„%1“ ist eine Datei und kein Ordner.").arg(shown(folder));
    // The top of a stick or a share cannot be swapped for another folder, and holds more than a catalogue.
    const QString clean = QDir::cleanPath(info.absoluteFilePath());
    if (QDir::cleanPath(QStorageInfo(clean).rootPath()) == clean)
        return QStringLiteral("„%1“ ist die oberste Ebene eines Laufwerks. Bitte wählen Sie dort einen Ordner für "
                              "den Leserkatalog.")
            .arg(shown(folder));
    if (QDir(folder).isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System) ||
        isCatalogue(folder))
        return {};
    return QStringLiteral("Der Ordner „%1“ enthält andere Dateien und keinen Leserkatalog. Damit dort nichts "
                          "verloren geht, schreibt das Programm den Katalog nur in einen neuen oder leeren Ordner "
                          "oder über einen früheren Leserkatalog.")
        .arg(shown(folder));
}

void CatalogueFolder::write(const QString& target, const QList<CatalogueFile>& files,
                            const std::function<void(qint64, qint64)>& progress) {
    const QString path = QDir::cleanPath(QFileInfo(target).absoluteFilePath());
    const QFileInfo pathInfo(path);
    const QString name = pathInfo.fileName();
    const QString parent = pathInfo.absolutePath();
    if (name.isEmpty() || path == parent)
        throw EngineError(
            QStringLiteral("Der Leserkatalog braucht einen eigenen Ordner, nicht „%1“.").arg(shown(path)));
    const QString refused = refusal(path);
    if (!refused.isEmpty())
        throw EngineError(refused);
    if (!QFileInfo(parent).isDir())
        throw EngineError(QStringLiteral("Der Ordner „%1“ ist nicht vorhanden.").arg(shown(parent)));

    QString stagingPath;
    for (int attempt = 0; stagingPath.isEmpty(); ++attempt) {
        const QString candidate = besideName(parent, name, "neu");
#ifdef Q_OS_UNIX
        const bool made = ::mkdir(QFile::encodeName(candidate).constData(), 0777) == 0;
        const int error = errno;
#else
        const bool made = QDir().mkdir(candidate);
        const int error = EEXIST;
#endif
        if (made)
            stagingPath = candidate;
        else if (error != EEXIST || attempt > 20)
            throw EngineError(QStringLiteral("Der Leserkatalog kann in „%1“ nicht geschrieben werden: %2")
                                  .arg(shown(parent), fileErrorReason(candidate, true, systemText(error))));
    }
    StagingFolder staging(stagingPath);

    qint64 total = 0;
    for (const CatalogueFile& f : files)
        total += f.bytes.size();
    qint64 written = 0;
    for (const CatalogueFile& f : files)
        writeOne(staging.path() + QLatin1Char('/') + f.name, f.bytes, written, total, progress);
    syncFolder(staging.path());

    const QByteArray from = QFile::encodeName(staging.path());
    const QByteArray to = QFile::encodeName(path);
    if (!QFileInfo::exists(path)) {
        if (std::rename(from.constData(), to.constData()) != 0)
            throw EngineError(QStringLiteral("Der Leserkatalog kann nicht nach „%1“ gestellt werden: %2")
                                  .arg(shown(path), fileErrorReason(path, true, systemText(errno))));
        staging.release();
        syncFolder(parent);
        return;
    }
#ifdef Q_OS_LINUX
    // Where the file system can exchange two names at once, readers never meet a missing catalogue.
    if (::renameat2(AT_FDCWD, from.constData(), AT_FDCWD, to.constData(), RENAME_EXCHANGE) == 0) {
        syncFolder(parent);
        return; // the staging name now holds the old catalogue, which the guard removes
    }
#endif
    // Elsewhere (a FAT stick, many shares) in two steps, the old catalogue set aside until the new one stands.
    const QString oldPath = besideName(parent, name, "alt");
    const QByteArray old = QFile::encodeName(oldPath);
    if (std::rename(to.constData(), old.constData()) != 0)
        throw EngineError(QStringLiteral("Der alte Leserkatalog in „%1“ kann nicht ersetzt werden: %2")
                              .arg(shown(path), fileErrorReason(path, true, systemText(errno))));
    if (std::rename(from.constData(), to.constData()) != 0) {
        const int error = errno;
        std::rename(old.constData(), to.constData());
        throw EngineError(QStringLiteral("Der Leserkatalog kann nicht nach „%1“ gestellt werden: %2")
                              .arg(shown(path), fileErrorReason(path, true, systemText(error))));
    }
    staging.release();
    syncFolder(parent);
    QDir(oldPath).removeRecursively();
}

} // namespace lesaro
