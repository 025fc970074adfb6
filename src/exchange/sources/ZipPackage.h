#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <memory>

class QBuffer;
class QuaZip;

namespace lesaro::exchange {

// The zip container of an .xlsx or .ods workbook. Entries are read whole, each up to a bound, so a damaged
// or hostile file that claims a huge entry is refused instead of filling the memory.
class ZipPackage {
public:
    // Throws EngineError when the file is no readable zip.
    explicit ZipPackage(const QString& path);
    // The same on the bytes of a file.
    explicit ZipPackage(const QByteArray& bytes);
    ~ZipPackage();
    ZipPackage(const ZipPackage&) = delete;
    ZipPackage& operator=(const ZipPackage&) = delete;

    bool contains(const QString& name) const;
    // Throws EngineError when the entry is missing, too large or damaged.
    QByteArray read(const QString& name) const;
    QStringList names() const;

    static constexpr qint64 kMaxEntrySize = qint64(256) * 1024 * 1024;

private:
    std::unique_ptr<QBuffer> m_buffer; // the bytes the package reads, when given bytes
    std::unique_ptr<QuaZip> m_zip;
};

} // namespace lesaro::exchange
