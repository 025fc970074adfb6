#include "core/Win1252.h"

#include <array>

namespace lesaro::win1252 {

namespace {

// 0x80..0x9F differ from Latin-1; 0 marks the five bytes Windows-1252 leaves undefined.
constexpr char16_t kHigh[32] = {0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
                                0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
                                0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

unsigned char fromUnicode(char16_t c) {
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF))
        return static_cast<unsigned char>(c);
    for (int i = 0; i < 32; ++i) {
        if (kHigh[i] == c && c != 0)
            return static_cast<unsigned char>(0x80 + i);
    }
    return '?';
}

constexpr std::array<unsigned char, 256> makeFold() {
    std::array<unsigned char, 256> t{};
    for (int i = 0; i < 256; ++i)
        t[i] = static_cast<unsigned char>(i);
    for (int c = 'A'; c <= 'Z'; ++c)
        t[c] = static_cast<unsigned char>(c + 32);
    for (int c = 0xC0; c <= 0xDE; ++c) {
        if (c != 0xD7)
            t[c] = static_cast<unsigned char>(c + 32);
    }
    t[0x8A] = 0x9A;
    t[0x8C] = 0x9C;
    t[0x8E] = 0x9E;
    t[0x9F] = 0xFF;
    return t;
}

constexpr std::array<unsigned char, 256> kFold = makeFold();

} // namespace

const unsigned char kFoldLower[256] = {
#define LESARO_F(i) kFold[i]
#define LESARO_F8(i)                                                                                                   \
    LESARO_F(i), LESARO_F(i + 1), LESARO_F(i + 2), LESARO_F(i + 3), LESARO_F(i + 4), LESARO_F(i + 5), LESARO_F(i + 6), \
        LESARO_F(i + 7)
#define LESARO_F64(i)                                                                                                  \
    LESARO_F8(i), LESARO_F8(i + 8), LESARO_F8(i + 16), LESARO_F8(i + 24), LESARO_F8(i + 32), LESARO_F8(i + 40),        \
        LESARO_F8(i + 48), LESARO_F8(i + 56)
    LESARO_F64(0), LESARO_F64(64), LESARO_F64(128), LESARO_F64(192)
#undef LESARO_F64
#undef LESARO_F8
#undef LESARO_F
};

char16_t toUnicode(unsigned char byte) {
    if (byte >= 0x80 && byte < 0xA0) {
        const char16_t c = kHigh[byte - 0x80];
        return c ? c : char16_t(byte);
    }
    return byte;
}

QByteArray encode(QStringView text) {
    QByteArray out(text.size(), Qt::Uninitialized);
    char* p = out.data();
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        // A surrogate pair is one character the code page cannot hold: one '?' for both halves.
        if (QChar::isHighSurrogate(c) && i + 1 < text.size() && QChar::isLowSurrogate(text[i + 1].unicode())) {
            ++i;
            *p++ = '?';
            continue;
        }
        *p++ = static_cast<char>(fromUnicode(c));
    }
    out.truncate(p - out.constData());
    return out;
}

QString decode(const char* data, qsizetype size) {
    QString out(size, Qt::Uninitialized);
    QChar* q = out.data();
    for (qsizetype i = 0; i < size; ++i)
        q[i] = QChar(toUnicode(static_cast<unsigned char>(data[i])));
    return out;
}

QByteArray foldLower(const QByteArray& bytes) {
    QByteArray out(bytes.size(), Qt::Uninitialized);
    for (qsizetype i = 0; i < bytes.size(); ++i)
        out[i] = static_cast<char>(kFoldLower[static_cast<unsigned char>(bytes[i])]);
    return out;
}

bool isLetter(unsigned char c) {
    return QChar(toUnicode(c)).isLetter();
}

} // namespace lesaro::win1252
