#pragma once

#include <QStringList>

namespace lesaro {

// The book entry window as the book table's rules see it. It registers itself with the rules while it exists.
class BookEntryWindow {
public:
    virtual ~BookEntryWindow() = default;
    // Only while the window shows do saved books feed its lists and the remembered values, and does a move
    // through the books narrow the loans and name the borrower.
    virtual bool entryShowing() const = 0;
    // The drop-down lists, named by the window's box names ("CBStand", "CBOrt", "CBSach", "CBVerlag",
    // "CBSchlagwort1" … "CBSchlagwort10").
    virtual QStringList items(const QString& box) const = 0;
    virtual void setItems(const QString& box, const QStringList& items) = 0;
    // LAusleiher: who has the current book ("Vorname Nachname"), empty when it is not lent.
    virtual void showBorrower(const QString& borrower) = 0;
};

} // namespace lesaro
