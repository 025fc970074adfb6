#include "exchange/sources/ZipPackage.h"

#include "core/EngineError.h"

#include <QBuffer>
#include <quazip.h>
#include <quazipfile.h>
#include <quazipfileinfo.h>

namespace lesaro::exchange {

namespace {
[[noreturn]] void fail() {
    throw EngineError(QStringLiteral("Exceldatei konnte nicht gefunden werden"));
}
} // namespace

ZipPackage::ZipPackage(const QString& path)
    : m_zip(std::make_unique<QuaZip>(path)) {
    if (!m_zip->open(QuaZip::mdUnzip))
        fail();
}

ZipPackage::ZipPackage(const QByteArray& bytes)
    : m_buffer(std::make_unique<QBuffer>())
    , m_zip(std::make_unique<QuaZip>(m_buffer.get())) {
    m_buffer->setData(bytes);
    if (!m_zip->open(QuaZip::mdUnzip))
        fail();
}

ZipPackage::~ZipPackage() = default;

QStringList ZipPackage::names() const {
    return m_zip->getFileNameList();
}

bool ZipPackage::contains(const QString& name) const {
    return m_zip->setCurrentFile(name);
}

QByteArray ZipPackage::read(const QString& name) const {
    if (!m_zip->setCurrentFile(name))
        fail();
    QuaZipFileInfo64 info;
    if (!m_zip->getCurrentFileInfo(&info) || info.uncompressedSize > quint64(kMaxEntrySize))
        fail();
    QuaZipFile file(m_zip.get());
    if (!file.open(QIODevice::ReadOnly))
        fail();
    QByteArray bytes;
    bytes.reserve(qsizetype(info.uncompressedSize));
    char chunk[65536];
    for (;;) {
        const qint64 n = file.read(chunk, sizeof chunk);
        if (n < 0)
            fail();
        if (n == 0)
            break;
        if (bytes.size() + n > kMaxEntrySize)
            fail();
        bytes.append(chunk, qsizetype(n));
    }
    file.close();
    if (file.getZipError() != UNZ_OK)
        fail();
    return bytes;
}

} // namespace lesaro::exchange
