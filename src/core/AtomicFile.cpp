#include "core/AtomicFile.h"

#include "core/EngineError.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <cerrno>
#include <cstring>
#include <sys/mman.h>
#include <sys/statvfs.h>
#include <unistd.h>

namespace lesaro {

namespace {

QString shownPath(const QString& path) {
    return QDir::toNativeSeparators(path);
}

[[noreturn]] void tooLarge(const QString& path, qint64 maxBytes) {
    throw EngineError(QStringLiteral("Die Datei '%1' ist größer als %2 Bytes und kann nicht gelesen werden.")
                          .arg(shownPath(path))
                          .arg(maxBytes));
}

QString germanForErrno(int error) {
    switch (error) {
    case ENOENT:
        return QStringLiteral("Die Datei oder der Ordner ist nicht vorhanden.");
    case EACCES:
    case EPERM:
        return QStringLiteral("Keine Berechtigung für diesen Zugriff.");
    case ENOSPC:
    case EDQUOT:
        return QStringLiteral("Der Datenträger ist voll.");
    case EROFS:
        return QStringLiteral("Der Datenträger ist schreibgeschützt.");
    case EISDIR:
        return QStringLiteral("Das ist ein Ordner und keine Datei.");
    case ENOTDIR:
        return QStringLiteral("Ein Teil des Pfades ist eine Datei und kein Ordner.");
    default:
        return {};
    }
}

// The system's text for the common errors, as Qt passes it on, back to our own German reason.
QString germanForSystemText(const QString& systemText) {
    for (int error : {ENOENT, EACCES, EPERM, ENOSPC, EDQUOT, EROFS, EISDIR, ENOTDIR}) {
        if (systemText == QString::fromLocal8Bit(std::strerror(error)))
            return germanForErrno(error);
    }
    return {};
}

} // namespace

FileProblem fileProblem(const QString& path, bool writing, qint64 bytesToWrite, QString* where) {
    const QFileInfo target(path);
    const auto found = [where](FileProblem problem, const QString& at) {
        if (where)
            *where = at;
        return problem;
    };
    // The nearest folder on the way that exists; a file standing in for a folder shows up here.
    QFileInfo folder(target.absolutePath());
    while (!folder.exists() && folder.absoluteFilePath() != folder.absolutePath())
        folder = QFileInfo(folder.absolutePath());
    if (folder.exists() && !folder.isDir())
        return found(FileProblem::NotAFolder, folder.absoluteFilePath());
    if (target.isDir())
        return found(FileProblem::IsAFolder, target.absoluteFilePath());
    if (folder.absoluteFilePath() != target.absolutePath())
        return found(FileProblem::FolderMissing, target.absolutePath());
    const QByteArray file = QFile::encodeName(target.absoluteFilePath());
    if (!writing) {
        if (!target.exists())
            return found(FileProblem::FileMissing, target.absoluteFilePath());
        if (::access(file.constData(), R_OK) != 0 && errno == EACCES)
            return found(FileProblem::NoPermission, target.absoluteFilePath());
        return FileProblem::Other;
    }
    const QByteArray dir = QFile::encodeName(folder.absoluteFilePath());
    struct statvfs fs {};
    if (::statvfs(dir.constData(), &fs) == 0) {
        if (fs.f_flag & ST_RDONLY)
            return found(FileProblem::ReadOnly, folder.absoluteFilePath());
        const qint64 free = qint64(fs.f_bavail) * qint64(fs.f_frsize);
        // Some blocks always go to the file system's own bookkeeping: a disk with less than the file and a
        // little more left is as good as full.
        if (free < std::max<qint64>(bytesToWrite, 0) + 64 * 1024)
            return found(FileProblem::DiskFull, folder.absoluteFilePath());
    }
    if (::access(dir.constData(), W_OK) != 0 && errno == EACCES)
        return found(FileProblem::NoPermission, folder.absoluteFilePath());
    if (target.exists() && ::access(file.constData(), W_OK) != 0 && errno == EACCES)
        return found(FileProblem::NoPermission, target.absoluteFilePath());
    return FileProblem::Other;
}

QString fileErrorReason(const QString& path, bool writing, const QString& systemText, qint64 bytesToWrite) {
    QString where;
    switch (fileProblem(path, writing, bytesToWrite, &where)) {
    case FileProblem::FileMissing:
        return QStringLiteral("Die Datei ist nicht vorhanden.");
    case FileProblem::FolderMissing:
        return QStringLiteral("Der Ordner „%1“ ist nicht vorhanden.").arg(shownPath(where));
    case FileProblem::NotAFolder:
        return QStringLiteral("„%1“ ist eine Datei und kein Ordner.").arg(shownPath(where));
    case FileProblem::IsAFolder:
        return QStringLiteral("„%1“ ist ein Ordner und keine Datei.").arg(shownPath(where));
    case FileProblem::NoPermission:
        return writing ? QStringLiteral("Keine Schreibberechtigung für „%1“.").arg(shownPath(where))
                       : QStringLiteral("Keine Leseberechtigung für diese Datei.");
    case FileProblem::ReadOnly:
        return QStringLiteral("Der Datenträger ist schreibgeschützt.");
    case FileProblem::DiskFull:
        return QStringLiteral("Der Datenträger ist voll.");
    case FileProblem::Other:
        break;
    }
    const QString german = germanForSystemText(systemText);
    return german.isEmpty() ? systemText : german;
}

AtomicFileWriter::AtomicFileWriter(const QString& path, qint64 expectedSize)
    : m_path(path)
    , m_expectedSize(expectedSize)
    , m_file(std::make_unique<QSaveFile>(path)) {
    // Never fall back to writing the target in place: a failure half-way would destroy the old file.
    m_file->setDirectWriteFallback(false);
    // Unbuffered, so that a write the disk refuses fails here: with Qt's buffer it fails only inside
    // commit(), which on a full disk then still puts the empty temporary file in the old file's place.
    if (!m_file->open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        throw EngineError(QStringLiteral("Die Datei '%1' kann nicht angelegt werden: %2")
                              .arg(shownPath(path), fileErrorReason(path, true, m_file->errorString(), expectedSize)));
}

// An unfinished temporary file is removed with the QSaveFile.
AtomicFileWriter::~AtomicFileWriter() = default;

void AtomicFileWriter::write(QByteArrayView bytes) {
    if (bytes.isEmpty())
        return;
    if (m_file->write(bytes.data(), bytes.size()) != bytes.size()) {
        const QString system = m_file->errorString();
        m_file->cancelWriting(); // frees the space the partial file took, so a full disk is seen as full
        throw EngineError(QStringLiteral("Die Datei '%1' kann nicht geschrieben werden: %2")
                              .arg(shownPath(m_path), fileErrorReason(m_path, true, system, m_expectedSize)));
    }
}

void AtomicFileWriter::commit() {
    // commit() flushes the temporary file to disk before it takes the old file's place.
    if (!m_file->commit())
        throw EngineError(
            QStringLiteral("Die Datei '%1' kann nicht geschrieben werden: %2")
                .arg(shownPath(m_path), fileErrorReason(m_path, true, m_file->errorString(), m_expectedSize)));
}

void writeFileAtomically(const QString& path, const QByteArray& bytes) {
    AtomicFileWriter file(path, bytes.size());
    file.write(bytes);
    file.commit();
}

namespace {

// A large library file is read into fresh memory, which the kernel hands out one 4 KB page at a time, each
// with a fault of its own: on a virtual machine those faults cost more than the copying, several times the
// time of the whole load. Huge pages take the same memory in 2 MB steps. The advice covers every page the
// buffer touches: a buffer this large is a mapping of its own, and advice for only a part of it would split
// the mapping, which then could no longer grow in place when the first new row is appended but would be
// copied whole. Only advice: where the kernel has no huge pages to give, the pages come as before.
void adviseHugePages(QByteArray& bytes) {
    constexpr qsizetype kLarge = 4 * 1024 * 1024;
    if (bytes.size() < kLarge)
        return;
    const quintptr page = quintptr(::sysconf(_SC_PAGESIZE));
    const quintptr begin = quintptr(bytes.data()) & ~(page - 1);
    const quintptr end = (quintptr(bytes.data()) + quintptr(bytes.size()) + page - 1) & ~(page - 1);
    ::madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
}

} // namespace

QByteArray readWholeFile(const QString& path, qint64 maxBytes, QByteArray reuse) {
    QFile file(path);
    // Unbuffered: the content goes straight into its buffer, without a stop in the device's own.
    if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        throw EngineError(QStringLiteral("Die Datei '%1' kann nicht geöffnet werden: %2")
                              .arg(shownPath(path), fileErrorReason(path, false, file.errorString())));
    const qint64 size = file.size();
    if (size > maxBytes)
        tooLarge(path, maxBytes);

    // Read into one buffer of the reported size; a device whose size is unknown (a pipe) or that grows
    // meanwhile is read on in chunks up to the bound.
    QByteArray bytes;
    if (reuse.isDetached()) {
        bytes = std::move(reuse);
        bytes.reserve(size); // grows in place where it can, and to the size exactly
        bytes.resize(size);
    } else {
        bytes = QByteArray(size, Qt::Uninitialized);
        adviseHugePages(bytes);
    }
    qint64 filled = 0;
    for (;;) {
        if (filled == bytes.size()) {
            if (file.atEnd() && !file.isSequential())
                break;
            const qint64 grow = std::min<qint64>(std::max<qint64>(bytes.size(), 64 * 1024), maxBytes + 1 - filled);
            if (grow <= 0)
                tooLarge(path, maxBytes);
            bytes.resize(filled + grow);
        }
        const qint64 got = file.read(bytes.data() + filled, bytes.size() - filled);
        if (got < 0)
            throw EngineError(QStringLiteral("Die Datei '%1' kann nicht gelesen werden: %2")
                                  .arg(shownPath(path), fileErrorReason(path, false, file.errorString())));
        if (got == 0)
            break;
        filled += got;
    }
    if (filled > maxBytes)
        tooLarge(path, maxBytes);
    bytes.truncate(filled);
    // A reused buffer far larger than the file would hold on to memory for the life of the content.
    if (bytes.capacity() - filled > std::max<qsizetype>(filled / 4, 1024 * 1024))
        bytes.squeeze();
    return bytes;
}

} // namespace lesaro
