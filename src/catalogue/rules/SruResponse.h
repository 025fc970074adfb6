#pragma once

#include "catalogue/rules/TitleData.h"

#include <QByteArray>
#include <QList>
#include <QString>

namespace lesaro {

// The answer of an SRU searchRetrieve request, read with the MARC 21 XML ("slim") records it carries.
// Versions 1.1 and 2.0 of the answer are read alike (by element names, whatever their namespace), and so are
// records packed as XML or as escaped XML text.
struct SruAnswer {
    QList<TitleData> records;
    int numberOfRecords = 0; // as the service counts them; may exceed the records sent
    QString error;           // German; set when the answer is no SRU answer or reports a diagnostic
    bool ok() const { return error.isEmpty(); }
};

namespace SruResponse {

// isbn: the number asked for, so that the record's matching ISBN (of several editions) is the one taken.
SruAnswer parse(const QByteArray& xml, const QString& isbn);

} // namespace SruResponse
} // namespace lesaro
