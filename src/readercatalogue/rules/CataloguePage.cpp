#include "readercatalogue/rules/CataloguePage.h"

#include "core/EngineError.h"
#include "core/GermanLocale.h"
#include "readercatalogue/rules/CatalogueContent.h"
#include "readercatalogue/rules/CatalogueText.h"

#include <QFile>

namespace lesaro {

namespace {

QByteArray resource(const QString& name) {
    QFile f(QStringLiteral(":/leserkatalog/") + name);
    if (!f.open(QIODevice::ReadOnly))
        throw EngineError(QStringLiteral("Die Vorlage „%1“ des Leserkatalogs fehlt im Programm.").arg(name));
    return f.readAll();
}

QString withThousands(qsizetype n) {
    QString digits = QString::number(n);
    for (qsizetype i = digits.size() - 3; i > 0; i -= 3)
        digits.insert(i, QLatin1Char('.'));
    return digits;
}

void appendStrings(QByteArray& out, const QStringList& values) {
    out += '[';
    for (qsizetype i = 0; i < values.size(); ++i) {
        if (i > 0)
            out += ',';
        out += CatalogueText::jsString(values[i]);
    }
    out += ']';
}

} // namespace

QByteArray CataloguePage::generatorMark() {
    return QByteArrayLiteral("<meta name=\"generator\" content=\"Lesaro Leserkatalog\">");
}

QByteArray CataloguePage::indexHtml(const CatalogueContent& content) {
    QByteArray page = resource(QStringLiteral("index.html"));
    const qsizetype n = qsizetype(content.books.size());
    const QString count = n == 1 ? QStringLiteral("1 Buch") : withThousands(n) + QStringLiteral(" Bücher");
    page.replace("@STAND@", CatalogueText::html(GermanLocale::formatDate(content.stand)).toUtf8());
    page.replace("@ANZAHL@", CatalogueText::html(count).toUtf8());
    return page;
}

QByteArray CataloguePage::dataScript(const CatalogueContent& content) {
    const CatalogueChoice& choice = content.choice;
    QByteArray out;
    out.reserve(qsizetype(content.books.size()) * 24 * (choice.columns.size() + 2) + 4096);
    out += "// Leserkatalog, erzeugt am " + GermanLocale::formatDate(content.stand).toUtf8() + "\n";
    out += "window.LESARO_KATALOG = {\n\"stand\": " + CatalogueText::jsString(GermanLocale::formatDate(content.stand));
    out += ",\n\"spalten\": [";
    for (qsizetype i = 0; i < choice.columns.size(); ++i) {
        const CatalogueColumnInfo& info = CatalogueChoice::info(choice.columns[i]);
        out += (i > 0 ? ", " : "") + QByteArray("{\"feld\": ") + CatalogueText::jsString(info.key) +
               ", \"titel\": " + CatalogueText::jsString(info.heading) + "}";
    }
    out += "],\n\"verfuegbarkeit\": ";
    out += choice.availability ? "true" : "false";
    out += ",\n\"rueckgabe\": ";
    out += choice.availability && choice.dueDates ? "true" : "false";
    out += ",\n\"sachgruppen\": ";
    appendStrings(out, content.sachgruppen);
    out += ",\n\"standorte\": ";
    appendStrings(out, content.standorte);
    out += ",\n\"anzahl\": " + QByteArray::number(qsizetype(content.books.size()));
    out += ",\n\"titelfolge\": [";
    for (size_t i = 0; i < content.titleOrder.size(); ++i) {
        if (i > 0)
            out += ',';
        out += QByteArray::number(content.titleOrder[i]);
    }
    // A column as one string, its values divided by U+001F (which no value holds): a browser reads a few long
    // strings many times faster than 30,000 small arrays, and folds each column for the search in one call.
    const QChar divider(0x1F);
    out += "],\n\"werte\": [";
    for (qsizetype c = 0; c < choice.columns.size(); ++c) {
        QString column;
        for (size_t i = 0; i < content.books.size(); ++i) {
            if (i > 0)
                column += divider;
            column += content.books[i].values[c];
        }
        out += (c > 0 ? ",\n" : "\n") + CatalogueText::jsString(column);
    }
    out += "]";
    if (choice.availability) {
        QByteArray lent;
        QString due;
        lent.reserve(qsizetype(content.books.size()));
        for (size_t i = 0; i < content.books.size(); ++i) {
            const CatalogueBook& b = content.books[i];
            lent += b.lent ? '1' : '0';
            if (i > 0)
                due += divider;
            if (b.lent && b.due.isValid())
                due += GermanLocale::formatDate(b.due);
        }
        out += ",\n\"ausgeliehen\": \"" + lent + '"';
        if (choice.dueDates)
            out += ",\n\"zurueckBis\": " + CatalogueText::jsString(due);
    }
    out += "\n};\n";
    return out;
}

QList<CatalogueFile> CataloguePage::files(const CatalogueContent& content) {
    return {
        {QStringLiteral("index.html"), indexHtml(content)},
        {QStringLiteral("katalog.css"), resource(QStringLiteral("katalog.css"))},
        {QStringLiteral("katalog.js"), resource(QStringLiteral("katalog.js"))},
        {QStringLiteral("katalog-daten.js"), dataScript(content)},
    };
}

} // namespace lesaro
