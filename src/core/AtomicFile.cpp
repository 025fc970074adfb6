#include "core/AtomicFile.h"

#include "core/EngineError.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>

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

} // namespace

void writeFileAtomically(const QString& path, const QByteArray& bytes) {
    QSaveFile file(path);
    // Never fall back to writing the target in place: a failure half-way would destroy the old file.
    file.setDirectWriteFallback(false);
    if (!file.open(QIODevice::WriteOnly))
        throw EngineError(
            QStringLiteral("Die Datei '%1' kann nicht angelegt werden: %2").arg(shownPath(path), file.errorString()));
    if (file.write(bytes) != bytes.size()) {
        const QString reason = file.errorString();
        file.cancelWriting();
        throw EngineError(
            QStringLiteral("Die Datei '%1' kann nicht geschrieben werden: %2").arg(shownPath(path), reason));
    }
    // commit() flushes the temporary file to disk before it takes the old file's place.
    if (!file.commit())
        throw EngineError(QStringLiteral("Die Datei '%1' kann nicht geschrieben werden: %2")
                              .arg(shownPath(path), file.errorString()));
}

QByteArray readWholeFile(const QString& path, qint64 maxBytes) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw EngineError(
            QStringLiteral("Die Datei '%1' kann nicht geöffnet werden: %2").arg(shownPath(path), file.errorString()));
    const qint64 size = file.size();
    if (size > maxBytes)
        tooLarge(path, maxBytes);

    // Read into one buffer of the reported size; a device whose size is unknown (a pipe) or that grows
    // meanwhile is read on in chunks up to the bound.
    QByteArray bytes(size, Qt::Uninitialized);
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
                                  .arg(shownPath(path), file.errorString()));
        if (got == 0)
            break;
        filled += got;
    }
    if (filled > maxBytes)
        tooLarge(path, maxBytes);
    bytes.truncate(filled);
    return bytes;
}

} // namespace lesaro
