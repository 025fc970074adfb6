#pragma once

// Answers of an SRU service as the SRU 1.1 searchRetrieve response and the MARC 21 XML ("slim") schema lay
// them out, in the shape the German National Library's service gives them: a record per hit inside
// <recordData>, ISBNs in 020 with the printed form in $9, the publication statement in 264, subject chains
// in 689. Written by hand for the tests; no answer of a real service is copied here.

#include <QByteArray>
#include <QList>
#include <QString>

namespace lesaro::testing::sru {

struct Field {
    QString tag;
    QString ind1 = QStringLiteral(" ");
    QString ind2 = QStringLiteral(" ");
    QList<std::pair<char, QString>> subfields;
};

inline QString escaped(const QString& text) {
    return text.toHtmlEscaped();
}

inline QString marcRecord(const QList<Field>& fields, const QString& fixed008 = {}) {
    QString x = QStringLiteral("<record xmlns=\"http://www.loc.gov/MARC21/slim\" type=\"Bibliographic\">"
                               "<leader>00000nam a2200000 c 4500</leader>"
                               "<controlfield tag=\"001\">1234567890</controlfield>");
    if (!fixed008.isEmpty())
        x += QStringLiteral("<controlfield tag=\"008\">%1</controlfield>").arg(escaped(fixed008));
    for (const Field& f : fields) {
        x += QStringLiteral("<datafield tag=\"%1\" ind1=\"%2\" ind2=\"%3\">").arg(f.tag, f.ind1, f.ind2);
        for (const auto& [code, value] : f.subfields)
            x += QStringLiteral("<subfield code=\"%1\">%2</subfield>").arg(QChar::fromLatin1(code), escaped(value));
        x += QStringLiteral("</datafield>");
    }
    return x + QStringLiteral("</record>");
}

inline QByteArray response(const QStringList& records, int numberOfRecords = -1) {
    QString x = QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                               "<searchRetrieveResponse xmlns=\"http://www.loc.gov/zing/srw/\">"
                               "<version>1.1</version><numberOfRecords>%1</numberOfRecords>")
                    .arg(numberOfRecords < 0 ? records.size() : numberOfRecords);
    if (!records.isEmpty()) {
        x += QStringLiteral("<records>");
        for (int i = 0; i < records.size(); ++i)
            x += QStringLiteral("<record><recordSchema>MARC21-xml</recordSchema><recordPacking>xml</recordPacking>"
                                "<recordData>%1</recordData><recordPosition>%2</recordPosition></record>")
                     .arg(records[i])
                     .arg(i + 1);
        x += QStringLiteral("</records>");
    }
    x += QStringLiteral("<echoedSearchRetrieveRequest><version>1.1</version><query>num=9783161484100</query>"
                        "</echoedSearchRetrieveRequest></searchRetrieveResponse>");
    return x.toUtf8();
}

// A novel with everything the book window takes over.
inline QString novel() {
    return marcRecord(
        {
            {"020",
             " ",
             " ",
             {{'a', "9783161484100"}, {'9', "978-3-16-148410-0"}, {'c', "Festeinband : EUR 22.00 (DE)"}}},
            {"020", " ", " ", {{'a', "9783161484117"}, {'9', "978-3-16-148411-7"}, {'c', "Taschenbuch"}}},
            {"100", "1", " ", {{'a', "Berger, Anna"}, {'e', "Verfasser"}, {'4', "aut"}}},
            {"245", "1", "0", {{'a', "\u0098Die\u009c Stadt am Fluss"}, {'b', "Roman"}, {'c', "Anna Berger"}}},
            {"250", " ", " ", {{'a', "2. Auflage"}}},
            {"264", " ", "1", {{'a', "Tübingen"}, {'b', "Mohr Siebeck"}, {'c', "[2019]"}}},
            {"264", " ", "4", {{'c', "© 2018"}}},
            {"700", "1", " ", {{'a', "Klein, Paul"}, {'e', "Verfasser"}, {'4', "aut"}}},
            {"700", "1", " ", {{'a', "Roth, Eva"}, {'e', "Herausgeber"}, {'4', "edt"}}},
            {"689", "0", "0", {{'a', "Tübingen"}, {'D', "g"}}},
            {"689", "0", "1", {{'a', "Familie"}, {'D', "s"}}},
            {"650", " ", "7", {{'a', "familie"}, {'2', "gnd"}}},
            {"650", " ", "7", {{'a', "Geschichte"}, {'2', "gnd"}}},
        },
        QStringLiteral("190101s2019    gw |||||r|||| 00| 0 ger c"));
}

} // namespace lesaro::testing::sru
