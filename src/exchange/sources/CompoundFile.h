#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

namespace lesaro::exchange {

// The container of an Excel 97-2003 workbook: a little file system of fixed-size sectors, chained through
// an allocation table, with a directory of named streams; small streams live in 64-byte sectors of their
// own inside one stream. Only what the import needs is read: a stream at the top level, by name.
//
// The file is outside input. Every offset is checked against the bytes at hand, every chain is followed at
// most once around (a loop ends it) and no stream is taken larger than the file, so a damaged or hostile
// file gives no stream rather than a crash, a hang or a huge allocation.
class CompoundFile {
public:
    // Nothing when the bytes are no compound file this reader understands.
    static std::optional<CompoundFile> open(const QByteArray& file);

    // The named stream of the top level (names compared without regard to case), or nothing when there is
    // none or it cannot be read whole.
    std::optional<QByteArray> stream(const QString& name) const;

    // The names of the top-level streams, in directory order.
    QStringList streamNames() const;

    // Whether every directory entry in use is well formed: a known kind and a name of at most 31 characters
    // ending where its length says. Other readers of the same file trust these lengths.
    bool directoryIsSound() const { return m_soundDirectory; }

private:
    struct Entry {
        QString name;
        int type = 0;
        quint32 left = 0, right = 0, child = 0;
        quint32 start = 0;
        quint64 size = 0;
    };

    explicit CompoundFile(const QByteArray& file)
        : m_file(file) {}
    bool load();
    std::optional<QByteArray> chain(const std::vector<quint32>& table, quint32 start, quint64 size, bool mini) const;
    std::optional<QByteArray> sectorBytes(quint32 sector) const;
    std::vector<int> topLevel() const;

    QByteArray m_file;
    int m_sectorSize = 512;
    quint32 m_miniCutoff = 4096;
    std::vector<quint32> m_fat;
    std::vector<quint32> m_miniFat;
    std::vector<Entry> m_entries;
    QByteArray m_miniStream;
    bool m_soundDirectory = true;
};

} // namespace lesaro::exchange
