#include "core/GermanLocale.h"

#include "core/Clock.h"
#include "core/Win1252.h"

#include <QLocale>
#include <QVarLengthArray>
#include <cmath>
#include <unicode/ucol.h>

namespace lesaro::GermanLocale {

namespace {

class Collators {
public:
    Collators() {
        m_exact = open(UCOL_TERTIARY);
        m_ignoreCase = open(UCOL_SECONDARY);
    }
    ~Collators() {
        if (m_exact)
            ucol_close(m_exact);
        if (m_ignoreCase)
            ucol_close(m_ignoreCase);
    }
    Collators(const Collators&) = delete;
    Collators& operator=(const Collators&) = delete;

    UCollator* exact() const { return m_exact; }
    UCollator* ignoreCase() const { return m_ignoreCase; }

private:
    static UCollator* open(UColAttributeValue strength) {
        UErrorCode status = U_ZERO_ERROR;
        UCollator* c = ucol_open("de_DE", &status);
        if (U_FAILURE(status))
            return nullptr;
        ucol_setAttribute(c, UCOL_STRENGTH, strength, &status);
        ucol_setAttribute(c, UCOL_CASE_FIRST, UCOL_LOWER_FIRST, &status);
        ucol_setAttribute(c, UCOL_ALTERNATE_HANDLING, UCOL_NON_IGNORABLE, &status);
        return c;
    }
    UCollator* m_exact = nullptr;
    UCollator* m_ignoreCase = nullptr;
};

const Collators& collators() {
    static const Collators c;
    return c;
}

using Utf16 = QVarLengthArray<UChar, 256>;

void toUtf16(QByteArrayView text, Utf16& out) {
    out.resize(text.size());
    for (qsizetype i = 0; i < text.size(); ++i)
        out[i] = win1252::toUnicode(static_cast<unsigned char>(text[i]));
}

} // namespace

void install() {
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
}

QString formatDate(QDate date) {
    if (!date.isValid())
        return {};
    return QStringLiteral("%1.%2.%3")
        .arg(date.day(), 2, 10, QLatin1Char('0'))
        .arg(date.month(), 2, 10, QLatin1Char('0'))
        .arg(date.year(), 4, 10, QLatin1Char('0'));
}

std::optional<QDate> parseDate(QStringView text) {
    const QStringView t = text.trimmed();
    const auto parts = t.split(QLatin1Char('.'));
    if (parts.size() != 3 && !(parts.size() == 4 && parts[3].isEmpty()))
        return std::nullopt;
    int numbers[3];
    for (int i = 0; i < 3; ++i) {
        const QStringView p = parts[i].trimmed();
        if (p.isEmpty() || p.size() > 4)
            return std::nullopt;
        for (QChar c : p) {
            if (!c.isDigit() || c.unicode() > '9')
                return std::nullopt;
        }
        numbers[i] = p.toInt();
    }
    int year = numbers[2];
    if (parts[2].trimmed().size() <= 2) {
        const int current = Clock::today().year();
        year += (current / 100) * 100;
        if (year > current + 49)
            year -= 100;
        else if (year < current - 50)
            year += 100;
    }
    const QDate d(year, numbers[1], numbers[0]);
    if (!d.isValid() || year < 1)
        return std::nullopt;
    return d;
}

QString formatMoney(double amount) {
    QString s = QString::number(std::fabs(amount), 'f', 2);
    if (s.startsWith(QLatin1String("0.")))
        s.remove(0, 1); // "#.00": no forced digit before the separator
    s.replace(QLatin1Char('.'), QLatin1Char(','));
    if (amount < 0 && s != QLatin1String(",00"))
        s.prepend(QLatin1Char('-'));
    return s + QStringLiteral(" €");
}

QString formatDecimal(double amount) {
    QString s = QString::number(amount, 'g', 15);
    s.replace(QLatin1Char('.'), QLatin1Char(','));
    return s;
}

std::optional<double> parseDecimal(QStringView text) {
    QString t = text.trimmed().toString();
    if (t.endsWith(QStringLiteral("€")))
        t = t.chopped(1).trimmed();
    if (t.isEmpty() || t.contains(QLatin1Char('.')))
        return std::nullopt; // a point would be a thousands mark in German: refuse rather than guess
    t.replace(QLatin1Char(','), QLatin1Char('.'));
    bool ok = false;
    const double v = QLocale::c().toDouble(t, &ok);
    if (!ok || !std::isfinite(v))
        return std::nullopt;
    return v;
}

std::optional<qint32> parseInteger(QStringView text) {
    bool ok = false;
    const qint32 v = text.trimmed().toInt(&ok, 10);
    if (!ok)
        return std::nullopt;
    return v;
}

QByteArray sortKey(QByteArrayView win1252Text) {
    Utf16 s;
    toUtf16(win1252Text, s);
    UCollator* c = collators().exact();
    QByteArray key(qsizetype(s.size()) * 4 + 16, Qt::Uninitialized);
    int32_t n = ucol_getSortKey(c, s.constData(), int32_t(s.size()), reinterpret_cast<uint8_t*>(key.data()),
                                int32_t(key.size()));
    if (n > key.size()) {
        key.resize(n);
        n = ucol_getSortKey(c, s.constData(), int32_t(s.size()), reinterpret_cast<uint8_t*>(key.data()),
                            int32_t(key.size()));
    }
    key.resize(n > 0 ? n - 1 : 0); // drop ICU's terminating zero byte
    return key;
}

int compareText(QByteArrayView a, QByteArrayView b, bool ignoreCase) {
    Utf16 ua;
    Utf16 ub;
    toUtf16(a, ua);
    toUtf16(b, ub);
    const UCollationResult r = ucol_strcoll(ignoreCase ? collators().ignoreCase() : collators().exact(), ua.constData(),
                                            int32_t(ua.size()), ub.constData(), int32_t(ub.size()));
    return r == UCOL_LESS ? -1 : (r == UCOL_GREATER ? 1 : 0);
}

} // namespace lesaro::GermanLocale
