#include "settings/RegistryName.h"

namespace lesaro::RegistryName {

namespace {

bool needsEscape(char16_t c, Kind kind) {
    return c < 0x20 || c == 0x7F || c == kEscape || (kind == Kind::Key && c == u'\\');
}

int hexDigit(char16_t c) {
    if (c >= u'0' && c <= u'9')
        return c - u'0';
    if (c >= u'A' && c <= u'F')
        return c - u'A' + 10;
    if (c >= u'a' && c <= u'f')
        return c - u'a' + 10;
    return -1;
}

} // namespace

QString fromText(QStringView text, Kind kind) {
    qsizetype escapes = 0;
    for (QChar c : text)
        escapes += needsEscape(c.unicode(), kind) ? 1 : 0;
    if (escapes == 0)
        return text.toString();

    static constexpr char16_t kHex[] = u"0123456789ABCDEF";
    QString name;
    name.reserve(text.size() + 4 * escapes);
    for (QChar c : text) {
        const char16_t u = c.unicode();
        if (!needsEscape(u, kind)) {
            name.append(c);
            continue;
        }
        name.append(QChar(kEscape));
        for (int shift = 12; shift >= 0; shift -= 4)
            name.append(QChar(kHex[(u >> shift) & 0xF]));
    }
    return name;
}

QString toText(QStringView name) {
    if (!name.contains(QChar(kEscape)))
        return name.toString();
    QString text;
    text.reserve(name.size());
    for (qsizetype i = 0; i < name.size(); ++i) {
        const char16_t c = name.at(i).unicode();
        if (c == kEscape && i + 4 < name.size()) {
            int code = 0;
            for (qsizetype k = 1; k <= 4 && code >= 0; ++k) {
                const int d = hexDigit(name.at(i + k).unicode());
                code = d < 0 ? -1 : code * 16 + d;
            }
            if (code >= 0) {
                text.append(QChar(char16_t(code)));
                i += 4;
                continue;
            }
        }
        text.append(QChar(c));
    }
    return text;
}

QString fold(QStringView name) {
    QString folded(name.size(), Qt::Uninitialized);
    QChar* out = folded.data();
    for (qsizetype i = 0; i < name.size(); ++i)
        out[i] = name.at(i).toUpper();
    return folded;
}

} // namespace lesaro::RegistryName
