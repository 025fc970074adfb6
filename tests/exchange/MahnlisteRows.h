#pragma once

// The day the overdue list tests run on, their rows, and the list's CSV read back.
#include "exchange/ExchangeRows.h"
#include "support/RulesLibrary.h"

#include <QDate>
#include <QList>
#include <QStringList>

namespace mahntest {

using namespace lesaro;

inline const QDate Today(2024, 3, 15);

inline int addBook(Table& t, int nummer, const QString& verfasser, const QString& titel) {
    return testing::addNumberedBook(t, nummer, verfasser, titel);
}

inline int addReader(Table& t, const QStringList& values) {
    test::addReader(t, values);
    t.Last();
    return t.FieldByName(QStringLiteral("ID")).AsInteger();
}

// The values of a CSV line written with ';' and '"', doubled quotes taken back.
inline QStringList splitLine(const QString& line) {
    QStringList values;
    QString value;
    bool quoted = false;
    for (qsizetype i = 0; i < line.size(); ++i) {
        const QChar c = line[i];
        if (quoted) {
            if (c == QLatin1Char('"') && i + 1 < line.size() && line[i + 1] == QLatin1Char('"')) {
                value += c;
                ++i;
            } else if (c == QLatin1Char('"')) {
                quoted = false;
            } else {
                value += c;
            }
        } else if (c == QLatin1Char('"')) {
            quoted = true;
        } else if (c == QLatin1Char(';')) {
            values.append(value);
            value.clear();
        } else {
            value += c;
        }
    }
    if (!value.isEmpty())
        values.append(value);
    return values;
}

inline QList<QStringList> parse(const QByteArray& bytes) {
    QList<QStringList> rows;
    const QString text = QString::fromLatin1(bytes); // the tests' texts stay within Latin-1
    for (const QString& line : text.split(QStringLiteral("\r\n"), Qt::SkipEmptyParts))
        rows.append(splitLine(line));
    return rows;
}

} // namespace mahntest
