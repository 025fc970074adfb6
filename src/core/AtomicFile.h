#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <memory>

class QSaveFile;

namespace lesaro {

// Largest file readWholeFile takes unless told otherwise; a table file of a long-running library is a
// small fraction of it.
constexpr qint64 kMaxWholeFileSize = 0x7FFFFFFF;

// Replaces the file at path by bytes as one step: the bytes go to a temporary file in the same folder,
// which is flushed and then renamed over the old file. A failure at any point leaves the old file as it was
// and throws EngineError with a German message that names the file and the system's reason.
void writeFileAtomically(const QString& path, const QByteArray& bytes);

// The same step for content written in pieces, so that a large file needs no copy of itself in memory. The
// old file is replaced only by commit(); an object destroyed before that leaves it as it was.
class AtomicFileWriter {
public:
    // expectedSize: the bytes that will be written, when known, so that a nearly full disk counts as full.
    explicit AtomicFileWriter(const QString& path, qint64 expectedSize = -1);
    ~AtomicFileWriter();
    AtomicFileWriter(const AtomicFileWriter&) = delete;
    AtomicFileWriter& operator=(const AtomicFileWriter&) = delete;

    void write(QByteArrayView bytes);
    void commit();

private:
    QString m_path;
    qint64 m_expectedSize;
    std::unique_ptr<QSaveFile> m_file;
};

// The whole content of a file. Throws EngineError with a German message and the system's reason when the
// file cannot be opened or read, or when it is larger than maxBytes. The content goes into the memory of
// reuse when that is not shared with another array and large enough, so that a file read again in place of
// one read before takes no fresh memory.
QByteArray readWholeFile(const QString& path, qint64 maxBytes = kMaxWholeFileSize, QByteArray reuse = {});

// The common reasons why a file cannot be read or written, found by looking at the file system after the
// failure: the system's own text is English, and for a full disk often only "Unknown error".
enum class FileProblem { Other, FileMissing, FolderMissing, NotAFolder, IsAFolder, NoPermission, ReadOnly, DiskFull };

// where: the path the problem lies with (the file, or the folder on its way). bytesToWrite (when known)
// lets a nearly full disk count as full.
FileProblem fileProblem(const QString& path, bool writing, qint64 bytesToWrite = -1, QString* where = nullptr);

// The German reason for a failed read or write of path; the system's text only when none of the common
// causes is found.
QString fileErrorReason(const QString& path, bool writing, const QString& systemText, qint64 bytesToWrite = -1);

} // namespace lesaro
