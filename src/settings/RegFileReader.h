#pragma once

#include <QByteArrayView>
#include <QString>
#include <QStringList>

namespace lesaro {

class RegistryKey;

struct RegReadResult {
    bool exactEncoding = false; // UTF-16LE with byte-order mark and nothing left over, as exported
    bool headerFound = false;
    int badLines = 0;        // lines that were not well-formed and were skipped
    int firstBadLine = 0;    // 1-based; 0 when there was none
    int appliedSections = 0; // sections of the kept key or below it
    int ignoredSections = 0; // sections elsewhere in the registry, left alone
    bool changed = false;    // the tree differs from before
};

// Reads a .reg file (the registry editor's export format) and merges it into a key tree. It takes every
// well-formed line and skips the others, so a damaged or cut file still gives what it holds; the result
// tells whether anything was skipped. It accepts the UTF-16LE export with byte-order mark and, leniently,
// the same text in UTF-16 without mark, UTF-8 or Windows-1252 (the older "REGEDIT4" files).
class RegFileReader {
public:
    explicit RegFileReader(QByteArrayView bytes);

    bool exactEncoding() const { return m_exactEncoding; }
    // The first non-blank line names the format; a file without it is no .reg file.
    bool headerFound() const { return m_headerFound; }

    // root stands above the hives (its sub-keys are "HKEY_CURRENT_USER" and so on). Only sections at
    // keptPath or below it are merged (keys created, values set or removed); a deletion ("[-…]") of the
    // kept key or of a key above it removes that key. Everything else is counted and left alone.
    RegReadResult mergeInto(RegistryKey& root, const QStringList& keptPath) const;

private:
    QString m_text;
    bool m_exactEncoding = false;
    bool m_headerFound = false;
};

} // namespace lesaro
