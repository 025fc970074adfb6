#include "readercatalogue/rules/CatalogueText.h"

namespace lesaro::CatalogueText {

namespace {

void appendUnicodeEscape(QByteArray& out, char16_t c) {
    static const char digits[] = "0123456789abcdef";
    out.append("\\u");
    out.append(digits[(c >> 12) & 0xF]);
    out.append(digits[(c >> 8) & 0xF]);
    out.append(digits[(c >> 4) & 0xF]);
    out.append(digits[c & 0xF]);
}

} // namespace

QByteArray jsString(QStringView text) {
    QByteArray out;
    out.reserve(text.size() + 2);
    out.append('"');
    for (const QChar qc : text) {
        const char16_t c = qc.unicode();
        if (c == u'\\') {
            out.append("\\\\");
        } else if (c < 0x20 || c == 0x7F || c == u'"' || c == u'\'' || c == u'<' || c == u'>' || c == u'&' ||
                   c == 0x2028 || c == 0x2029 || QChar::isSurrogate(c)) {
            appendUnicodeEscape(out, c);
        } else if (c < 0x80) {
            out.append(char(c));
        } else {
            // ASCII only: a web space that declares its scripts as Latin-1 cannot garble an umlaut.
            appendUnicodeEscape(out, c);
        }
    }
    out.append('"');
    return out;
}

QString html(QStringView text) {
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        switch (c) {
        case u'&':
            out += QLatin1String("&amp;");
            break;
        case u'<':
            out += QLatin1String("&lt;");
            break;
        case u'>':
            out += QLatin1String("&gt;");
            break;
        case u'"':
            out += QLatin1String("&quot;");
            break;
        case u'\'':
            out += QLatin1String("&#39;");
            break;
        default:
            if (c < 0x80) {
                out += QChar(c);
            } else if (QChar::isHighSurrogate(c) && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
                out += QStringLiteral("&#x%1;").arg(QChar::surrogateToUcs4(c, text[i + 1].unicode()), 0, 16);
                ++i;
            } else {
                out += QStringLiteral("&#x%1;").arg(uint(c), 0, 16);
            }
        }
    }
    return out;
}

QString folded(QStringView text) {
    const QString decomposed = text.toString().toLower().normalized(QString::NormalizationForm_D);
    QString out;
    out.reserve(decomposed.size());
    for (const QChar c : decomposed) {
        const char16_t u = c.unicode();
        if (u >= 0x0300 && u <= 0x036F)
            continue;
        if (u == 0x00DF)
            out += QLatin1String("ss");
        else if (u == 0x00E6)
            out += QLatin1String("ae");
        else if (u == 0x0153)
            out += QLatin1String("oe");
        else if (u == 0x00F8)
            out += QLatin1Char('o');
        else
            out += c;
    }
    return out;
}

} // namespace lesaro::CatalogueText
