#pragma once

#include <QByteArray>
#include <QString>
#include <QStringView>

namespace lesaro::win1252 {

// Table texts are single-byte Windows-1252; these convert at the edge to and from QString.
// Characters that Windows-1252 cannot hold become '?'.
QByteArray encode(QStringView text);
QString decode(const char* data, qsizetype size);
inline QString decode(const QByteArray& bytes) {
    return decode(bytes.constData(), bytes.size());
}
char16_t toUnicode(unsigned char byte);

// Case folding of a single byte to lower case (A-Z, the accented capitals, Š, Œ, Ž, Ÿ).
extern const unsigned char kFoldLower[256];
inline unsigned char foldLower(unsigned char c) {
    return kFoldLower[c];
}
QByteArray foldLower(const QByteArray& bytes);
bool isLetter(unsigned char c);

} // namespace lesaro::win1252
