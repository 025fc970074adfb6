#include "readercatalogue/rules/CatalogueContent.h"

#include "core/GermanLocale.h"
#include "core/Table.h"
#include "core/Win1252.h"
#include "library/AllRows.h"

#include <QHash>
#include <algorithm>
#include <numeric>

namespace lesaro {

namespace {

struct SortKeys {
    QByteArray author;
    QByteArray title;
    qint64 nummer = 0;
    bool noAuthor = false;
};

QString trimmedText(const Table& table, int row, int field) {
    if (field < 0)
        return {};
    const Value v = table.valueAt(row, field);
    if (v.isNull())
        return {};
    QString text = v.kind() == FieldKind::Text ? win1252::decode(v.bytes()) : table.displayTextAt(row, field);
    // Line breaks and other control characters (a remark of several lines) show as blanks on the page, and the
    // page's data keeps U+001F free to divide the values.
    for (QChar& c : text)
        if (c.unicode() < 0x20)
            c = QLatin1Char(' ');
    return text.trimmed();
}

QStringList distinctInGermanOrder(const std::vector<CatalogueBook>& books, int column) {
    if (column < 0)
        return {};
    QHash<QString, bool> seen;
    QStringList values;
    for (const CatalogueBook& b : books) {
        const QString& v = b.values[column];
        if (!v.isEmpty() && !seen.contains(v)) {
            seen.insert(v, true);
            values.append(v);
        }
    }
    std::vector<std::pair<QByteArray, QString>> keyed;
    keyed.reserve(size_t(values.size()));
    for (const QString& v : values)
        keyed.emplace_back(GermanLocale::sortKey(win1252::encode(v)), v);
    std::sort(keyed.begin(), keyed.end());
    QStringList sorted;
    for (auto& k : keyed)
        sorted.append(k.second);
    return sorted;
}

} // namespace

int CatalogueContent::lentCount() const {
    return int(std::count_if(books.begin(), books.end(), [](const CatalogueBook& b) { return b.lent; }));
}

CatalogueContent CatalogueContent::collect(Table& books, Table& loans, const CatalogueChoice& choice, QDate today,
                                           const std::function<void(int, int)>& progress) {
    CatalogueContent content;
    content.stand = today;
    content.choice = choice;
    content.choice.normalize();
    const QList<CatalogueColumn>& columns = content.choice.columns;

    // The due dates of the open loans, by book: read whole, whatever the loan list shows now.
    QHash<qint32, QDate> due;
    if (content.choice.availability && content.choice.dueDates && loans.Active()) {
        const int bookId = loans.fieldIndex(QStringLiteral("BuecherID"));
        const int returned = loans.fieldIndex(QStringLiteral("DatumBis"));
        const int dueDate = loans.fieldIndex(QStringLiteral("DatumBisSoll"));
        forAllRows(loans, [&](int row) {
            const Value book = loans.valueAt(row, bookId);
            const Value d = loans.valueAt(row, dueDate);
            if (book.isNull() || d.isNull() || !loans.valueAt(row, returned).isNull())
                return;
            // A book has one open loan; should an old file hold two, the later due date is the honest one.
            const QDate date = dateFromDay(d.toDay());
            QDate& known = due[book.toInt()];
            if (!known.isValid() || date > known)
                known = date;
        });
    }

    struct Source {
        CatalogueColumn column;
        QList<int> fields;
    };
    QList<Source> sources;
    for (CatalogueColumn c : columns) {
        Source s{c, {}};
        if (c == CatalogueColumn::Schlagwoerter) {
            for (int i = 1; i <= 10; ++i)
                s.fields.append(books.fieldIndex(QStringLiteral("Schlagwort%1").arg(i)));
        } else {
            s.fields.append(books.fieldIndex(CatalogueChoice::info(c).field));
        }
        sources.append(s);
    }
    const int idField = books.fieldIndex(QStringLiteral("ID"));
    const int lentField = books.fieldIndex(QStringLiteral("ausgeliehen"));
    const int authorField = books.fieldIndex(QStringLiteral("Verfasser"));
    const int titleField = books.fieldIndex(QStringLiteral("Titel"));
    const int numberField = books.fieldIndex(QStringLiteral("Nummer"));

    std::vector<SortKeys> keys;
    auto readRow = [&](int row, int total) {
        CatalogueBook b;
        b.values.reserve(sources.size());
        for (const Source& s : sources) {
            if (s.column == CatalogueColumn::Schlagwoerter) {
                QStringList words;
                for (int f : s.fields) {
                    const QString w = trimmedText(books, row, f);
                    if (!w.isEmpty())
                        words.append(w);
                }
                b.values.append(words.join(QStringLiteral(", ")));
            } else {
                b.values.append(trimmedText(books, row, s.fields[0]));
            }
        }
        if (content.choice.availability) {
            const Value lent = books.valueAt(row, lentField);
            b.lent = !lent.isNull() && lent.toBool();
            if (b.lent && content.choice.dueDates) {
                const Value id = books.valueAt(row, idField);
                if (!id.isNull())
                    b.due = due.value(id.toInt());
            }
        }
        SortKeys k;
        const Value author = books.valueAt(row, authorField);
        k.noAuthor = author.isNull() || author.bytes().trimmed().isEmpty();
        k.author = k.noAuthor ? QByteArray() : GermanLocale::sortKey(author.bytes().trimmed());
        const Value title = books.valueAt(row, titleField);
        k.title = title.isNull() ? QByteArray() : GermanLocale::sortKey(title.bytes().trimmed());
        const Value nummer = books.valueAt(row, numberField);
        k.nummer = nummer.isNull() ? 0 : nummer.toInt();
        content.books.push_back(std::move(b));
        keys.push_back(std::move(k));
        if (progress && (row + 1) % 512 == 0)
            progress(row + 1, total);
    };

    if (books.Active()) {
        if (content.choice.books == CatalogueChoice::Books::All) {
            int total = 0;
            forAllRows(books, [&](int row) {
                if (row == 0) {
                    total = books.viewCount(); // the whole table while the filter is paused
                    content.books.reserve(size_t(total));
                }
                readRow(row, total);
            });
        } else {
            const int total = books.viewCount();
            content.books.reserve(size_t(total));
            for (int row = 0; row < total; ++row)
                readRow(row, total);
        }
    }

    const int n = int(content.books.size());
    std::vector<int> byAuthor(static_cast<size_t>(n));
    std::iota(byAuthor.begin(), byAuthor.end(), 0);
    std::stable_sort(byAuthor.begin(), byAuthor.end(), [&](int a, int b) {
        const SortKeys& x = keys[size_t(a)];
        const SortKeys& y = keys[size_t(b)];
        if (x.noAuthor != y.noAuthor)
            return y.noAuthor;
        if (x.author != y.author)
            return x.author < y.author;
        if (x.title != y.title)
            return x.title < y.title;
        return x.nummer < y.nummer;
    });
    std::vector<CatalogueBook> ordered;
    std::vector<SortKeys> orderedKeys;
    ordered.reserve(size_t(n));
    orderedKeys.reserve(size_t(n));
    for (int i : byAuthor) {
        ordered.push_back(std::move(content.books[size_t(i)]));
        orderedKeys.push_back(std::move(keys[size_t(i)]));
    }
    content.books = std::move(ordered);

    content.titleOrder.resize(size_t(n));
    std::iota(content.titleOrder.begin(), content.titleOrder.end(), 0);
    // Positions are already in author order, so books of the same title stand by author.
    std::stable_sort(content.titleOrder.begin(), content.titleOrder.end(),
                     [&](int a, int b) { return orderedKeys[size_t(a)].title < orderedKeys[size_t(b)].title; });

    content.sachgruppen = distinctInGermanOrder(content.books, int(columns.indexOf(CatalogueColumn::Sachgruppe)));
    content.standorte = distinctInGermanOrder(content.books, int(columns.indexOf(CatalogueColumn::Standort)));
    if (progress)
        progress(n, n);
    return content;
}

} // namespace lesaro
