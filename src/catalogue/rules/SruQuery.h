#pragma once

#include <QString>
#include <QUrl>

namespace lesaro {

// A library catalogue that answers SRU (Search/Retrieve via URL) with MARC 21 XML records.
struct SruService {
    QString address; // the base address, "https://services.dnb.de/sru/dnb"
    QString index;   // the CQL index the ISBN is searched in, "isbn"
};

namespace SruQuery {

// The most records one lookup asks for; a printed ISBN rarely names more than a few.
inline constexpr int kMaximumRecords = 10;

// The searchRetrieve request for one ISBN: the base address with version, operation, the query
// "index=ISBN", the record schema MARC21-xml and the number of records; nothing else of the library leaves
// the computer. The ISBN is sent as its compact characters. Empty (and error set to the German reason) when
// the address is no http or https address with a host or the index is not a plain name.
QUrl requestUrl(const SruService& service, const QString& isbn, QString* error);

} // namespace SruQuery
} // namespace lesaro
