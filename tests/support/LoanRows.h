#pragma once

// Loan rows written straight into the loan table, the way the desk or the history leaves them.

#include "core/Table.h"

#include <QDate>
#include <QString>

namespace lesaro::testing {

// An invalid due or returned date leaves that field empty, so a loan without a returned date stays open.
inline void addLoan(Table& t, int bookId, int readerId, QDate from, QDate due, QDate returned = {}) {
    t.Append();
    t.FieldByName(QStringLiteral("BuecherID")).setAsInteger(bookId);
    t.FieldByName(QStringLiteral("LeserID")).setAsInteger(readerId);
    t.FieldByName(QStringLiteral("DatumVon")).setAsDate(from);
    if (due.isValid())
        t.FieldByName(QStringLiteral("DatumBisSoll")).setAsDate(due);
    if (returned.isValid())
        t.FieldByName(QStringLiteral("DatumBis")).setAsDate(returned);
    t.Post();
}

} // namespace lesaro::testing
