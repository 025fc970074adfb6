#pragma once

#include "readercatalogue/rules/CatalogueChoice.h"

#include <QDate>
#include <QStringList>
#include <functional>
#include <vector>

namespace lesaro {

class Table;

// One book as the catalogue shows it: the chosen columns' texts, whether it is lent, and until when.
struct CatalogueBook {
    QStringList values; // one per chosen column, trimmed
    bool lent = false;  // the book's own "ausgeliehen", as the loan desk sees it
    QDate due;          // the due date of its open loan; invalid when none is known
};

// What a reader catalogue holds, taken from the tables at one moment: the books by author (then title, then
// number; books without an author last), the positions of the same books by title, and the values the
// page's two filters offer.
struct CatalogueContent {
    QDate stand;
    CatalogueChoice choice;
    std::vector<CatalogueBook> books;
    std::vector<int> titleOrder;
    QStringList sachgruppen; // distinct, in German order
    QStringList standorte;

    int lentCount() const;

    // Reads the books (all of them, or those the book list shows when the choice says so) and the open loans.
    // The tables' filters and current rows stay as they were. progress(done, total) is called now and then.
    static CatalogueContent collect(Table& books, Table& loans, const CatalogueChoice& choice, QDate today,
                                    const std::function<void(int done, int total)>& progress = {});
};

} // namespace lesaro
