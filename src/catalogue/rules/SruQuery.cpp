#include "catalogue/rules/SruQuery.h"

#include "catalogue/rules/Isbn.h"

#include <QRegularExpression>
#include <QUrlQuery>

namespace lesaro::SruQuery {

QUrl requestUrl(const SruService& service, const QString& isbn, QString* error) {
    auto fail = [error](const QString& text) {
        if (error)
            *error = text;
        return QUrl();
    };
    const QUrl base(service.address.trimmed(), QUrl::StrictMode);
    const QString scheme = base.scheme().toLower();
    if (!base.isValid() || (scheme != u"https" && scheme != u"http") || base.host().isEmpty() || base.hasFragment())
        return fail(QStringLiteral("Die Adresse des Titeldaten-Dienstes „%1“ ist keine gültige http- oder "
                                   "https-Adresse. Bitte in den Optionen auf der Seite „Titeldaten“ prüfen.")
                        .arg(service.address));
    // A CQL index is a name such as "isbn" or "dnb.num"; anything else would change the query.
    static const QRegularExpression indexName(QStringLiteral("^[A-Za-z][A-Za-z0-9._-]*$"));
    const QString index = service.index.trimmed();
    if (!indexName.match(index).hasMatch())
        return fail(QStringLiteral("Der Suchindex „%1“ des Titeldaten-Dienstes ist kein gültiger Name. Bitte in "
                                   "den Optionen auf der Seite „Titeldaten“ prüfen.")
                        .arg(service.index));
    const QString number = Isbn::compact(isbn);
    if (number.size() != 10 && number.size() != 13)
        return fail(QStringLiteral("Bitte zuerst eine ISBN mit 10 oder 13 Stellen eingeben."));

    QUrl url = base;
    // The base address may carry parameters of its own (an access token of the service); ours come after.
    QUrlQuery query(base);
    query.addQueryItem(QStringLiteral("version"), QStringLiteral("1.1"));
    query.addQueryItem(QStringLiteral("operation"), QStringLiteral("searchRetrieve"));
    query.addQueryItem(QStringLiteral("query"), index + QStringLiteral("=") + number);
    query.addQueryItem(QStringLiteral("recordSchema"), QStringLiteral("MARC21-xml"));
    query.addQueryItem(QStringLiteral("maximumRecords"), QString::number(kMaximumRecords));
    url.setQuery(query);
    return url;
}

} // namespace lesaro::SruQuery
