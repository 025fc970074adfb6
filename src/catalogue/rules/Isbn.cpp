#include "catalogue/rules/Isbn.h"

#include <QRegularExpression>

namespace lesaro::Isbn {

namespace {

// "ISBN", "ISBN:", "ISBN-10:", "ISBN 13" and the like as printed before the number.
const QRegularExpression& printedPrefix() {
    static const QRegularExpression re(QStringLiteral("^\\s*ISBN(?:[- ]?1[03])?\\s*:?\\s*"),
                                       QRegularExpression::CaseInsensitiveOption);
    return re;
}

QString withoutPrefix(const QString& text) {
    QString t = text;
    return t.remove(printedPrefix());
}

bool isSeparator(QChar c) {
    return c == u'-' || c == u' ' || c == u'\t' || c == QChar(0x2010) || c == QChar(0x2011) || c == QChar(0x2013) ||
           c == QChar(0x00A0);
}

int digit(QChar c) {
    return c.unicode() - u'0';
}

// ISBN-10: the weighted sum 10·d1 + 9·d2 + … + 1·d10 is divisible by 11, X standing for ten.
QChar check10(const QString& first9) {
    int sum = 0;
    for (int i = 0; i < 9; ++i)
        sum += (10 - i) * digit(first9[i]);
    const int c = (11 - sum % 11) % 11;
    return c == 10 ? QChar(u'X') : QChar(u'0' + c);
}

// EAN-13 and ISBN-13: the digits weighted 1, 3, 1, 3, … add up to a multiple of ten.
QChar check13(const QString& first12) {
    int sum = 0;
    for (int i = 0; i < 12; ++i)
        sum += (i % 2 == 0 ? 1 : 3) * digit(first12[i]);
    return QChar(u'0' + (10 - sum % 10) % 10);
}

bool allDigits(QStringView s) {
    for (QChar c : s) {
        if (!c.isDigit() || c.unicode() > 0x7f)
            return false;
    }
    return true;
}

} // namespace

QString compact(const QString& text) {
    QString out;
    const QString t = withoutPrefix(text);
    out.reserve(t.size());
    for (QChar c : t) {
        if (isSeparator(c))
            continue;
        if (c.unicode() >= u'0' && c.unicode() <= u'9')
            out += c;
        else if (c == u'X' || c == u'x')
            out += QChar(u'X');
        else
            return {};
    }
    // X stands only for the check digit of an ISBN-10.
    const qsizetype x = out.indexOf(u'X');
    if (x >= 0 && x != out.size() - 1)
        return {};
    return out;
}

Verdict check(const QString& text) {
    if (text.trimmed().isEmpty())
        return Verdict::Empty;
    const QString c = compact(text);
    if (c.isEmpty())
        return Verdict::NotAnIsbn;
    if (c.size() == 10)
        return check10(c.left(9)) == c[9] ? Verdict::Valid10 : Verdict::WrongCheckDigit;
    if (c.size() == 13) {
        // The check digit of an EAN is never X.
        if (!allDigits(c) || check13(c.left(12)) != c[12])
            return Verdict::WrongCheckDigit;
        return c.startsWith(u"978") || c.startsWith(u"979") ? Verdict::Valid13 : Verdict::NotBookland;
    }
    return Verdict::WrongLength;
}

bool isValid(Verdict verdict) {
    return verdict == Verdict::Valid10 || verdict == Verdict::Valid13;
}

QString warningText(Verdict verdict) {
    switch (verdict) {
    case Verdict::WrongCheckDigit:
        return QStringLiteral("Prüfziffer stimmt nicht – bitte ISBN prüfen");
    case Verdict::WrongLength:
        return QStringLiteral("Eine ISBN hat 10 oder 13 Stellen – bitte ISBN prüfen");
    case Verdict::NotBookland:
        return QStringLiteral("Diese EAN beginnt nicht mit 978 oder 979 und ist keine ISBN – bitte ISBN prüfen");
    case Verdict::NotAnIsbn:
        return QStringLiteral("Eine ISBN besteht aus Ziffern (am Ende auch X) – bitte ISBN prüfen");
    case Verdict::Empty:
    case Verdict::Valid10:
    case Verdict::Valid13:
        break;
    }
    return {};
}

QString toIsbn13(const QString& text) {
    if (check(text) != Verdict::Valid10)
        return {};
    const QString digits = compact(text);
    const QChar newCheck = check13(QStringLiteral("978") + digits.left(9));
    // Keep the librarian's grouping: the number as typed without its old check digit, then the new one.
    QString body = withoutPrefix(text).trimmed();
    const qsizetype last = body.lastIndexOf(QRegularExpression(QStringLiteral("[0-9Xx]")));
    body.truncate(last);
    const bool grouped = body.contains(u'-') || body.contains(u' ');
    QString separator;
    for (QChar c : body) {
        if (isSeparator(c)) {
            separator = c;
            break;
        }
    }
    return QStringLiteral("978") + (grouped ? separator : QString()) + body + newCheck;
}

QString key(const QString& text) {
    const QString c = compact(text);
    switch (check(text)) {
    case Verdict::Valid10:
        return QStringLiteral("978") + c.left(9) + check13(QStringLiteral("978") + c.left(9));
    default:
        return c;
    }
}

} // namespace lesaro::Isbn
