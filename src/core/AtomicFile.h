#pragma once

#include <QByteArray>
#include <QString>

namespace lesaro {

// Largest file readWholeFile takes unless told otherwise; a table file of a long-running library is a
// small fraction of it.
constexpr qint64 kMaxWholeFileSize = 0x7FFFFFFF;

// Replaces the file at path by bytes as one step: the bytes go to a temporary file in the same folder,
// which is flushed and then renamed over the old file. A failure at any point leaves the old file as it was
// and throws EngineError with a German message that names the file and the system's reason.
void writeFileAtomically(const QString& path, const QByteArray& bytes);

// The whole content of a file. Throws EngineError with a German message and the system's reason when the
// file cannot be opened or read, or when it is larger than maxBytes.
QByteArray readWholeFile(const QString& path, qint64 maxBytes = kMaxWholeFileSize);

} // namespace lesaro
