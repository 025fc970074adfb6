#pragma once

#include <QString>

namespace lesaro {

class Table;

// What a start after a crash puts right before the recovered tables are written. The journal brings back
// every posted row, but two things it cannot: the number counters live in the settings, which reach the
// disk later than the journal, and a loan or a return is two posts (the loan row, then the book's lent
// flag), so a crash between them leaves the two disagreeing.
class RecoveryRepair {
public:
    // Raises "LastBuchNummer" and "LastLeserNummer" to at least the largest `Nummer` of the live books and
    // readers; never lowers them. Otherwise the next new book would be proposed a number a recovered book
    // already carries, and a scanner would then lend the wrong book. Every start applies it, not only the one
    // after a crash: a library handed over without its settings has the same lagging counters.
    static void raiseNumberCounters(const Table& books, const Table& readers);
    // The same for the one table an import is about to number, "ClientBuecher" or "ClientLeser" by its
    // name; any other table has no number counter and is left alone.
    static void raiseNumberCounter(const Table& table);

    // Sets every book's `ausgeliehen` to whether it has an open loan (`DatumBis` empty; an empty flag counts
    // as available and stays when the book has none), seeing all rows
    // whatever filter a table has; the books' filter and current row stay as they were. Returns how many
    // books were changed. One pass over the loans, one over the books, and a post per changed book.
    static int alignLentFlags(Table& books, const Table& loans);

    // The sentence added to the recovery notice; empty when nothing was changed.
    static QString lentFlagsSentence(int repaired);
};

} // namespace lesaro
