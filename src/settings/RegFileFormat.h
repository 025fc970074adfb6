#pragma once

#include <QLatin1StringView>
#include <QtGlobal>

namespace lesaro::RegFileFormat {

// First line of the registry editor's export in UTF-16LE; the older ANSI form starts with "REGEDIT4".
constexpr QLatin1StringView kHeader{"Windows Registry Editor Version 5.00"};
constexpr QLatin1StringView kHeaderAnsi{"REGEDIT4"};
// The settings tree is six levels deep (hive, SOFTWARE, maker, program, list, entry). Deeper paths are
// refused: that bounds the recursion, and the size of an export, which writes every key with its full path.
constexpr int kMaxDepth = 16;
// Largest settings file read. A real one is kilobytes, a very long-used one with tens of thousands of
// remembered entries a few tens of megabytes; the bound is only there against absurd inputs. Nothing larger
// is ever written either, so that the program never leaves a file its next start refuses.
constexpr qint64 kMaxFileSize = 256 * 1024 * 1024;

} // namespace lesaro::RegFileFormat
