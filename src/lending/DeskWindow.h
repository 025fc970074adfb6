#pragma once

#include "lending/rules/LoanDesk.h"
#include "ui/LesaroDialog.h"

class QLabel;

namespace lesaro {

class LibraryHandle;
class NarrowingGroup;
class Table;

// What the loan booking and the return windows have in common: the book list with its search boxes, the
// "EINGETRAGEN" confirmation, the steps of opening and closing, Enter in the book number box (a hand
// scanner's end of a number) and the checks and confirmation around a booking. A window builds its own
// layout with the parts made here and says what its booking is.
class DeskWindow : public LesaroDialog {
    Q_OBJECT
public:
    void FormShow() override;
    void setVisible(bool visible) override;
    void FormClose();
    void EBuchNummerChange();
    void EVerfasserChange();
    void ETitelChange();
    void EBuchNummerEnter();
    void EVerfasserEnter();
    void ETitelEnter();
    void DBGrid2TitleClick(const QString& field);
    void BBuchenClick();
    void BSchliessenClick();
    // Books the book whose number was entered at once; only that book, never the one that happened to be
    // current before.
    void EBuchNummerReturn();

    NarrowingGroup* bookGroup() const { return m_books; }

protected:
    // lentBooks: the desk works on the lent books (the return) rather than on those that can be lent.
    DeskWindow(LibraryHandle& library, bool lentBooks, QWidget* parent);

    // One list the librarian chooses from, with the refusals when it is empty or nothing in it is chosen.
    struct DeskList {
        NarrowingGroup* group;
        Table* table;
        QString empty;    // the list has no rows
        QString notFound; // the number box names no row, %1 for the number
        QString pick;     // nothing is chosen
    };
    // The parts, made where the window's layout wants them. Lists are checked in the order they are added.
    QLabel* makeEnteredLabel(QWidget* parent);
    void addList(const DeskList& list);
    NarrowingGroup* makeBookGroup(QWidget* parent);
    void addDeskButtons();

    // Sets the window's dates for a new opening.
    virtual void showDates() = 0;
    // Books at the desk; the refusal the desk gives, empty when the booking was entered.
    virtual QString bookAtDesk() = 0;

    // Books with the chosen rows after the checks; true when it was entered.
    bool enterBooking();
    // A number typed into the group's number box that names no row: the librarian hears about it and the
    // number is selected for the next scan. True when so.
    bool refusesTypedNumber(NarrowingGroup* group);
    // Shows a refusal; "EINGETRAGEN" goes, as it reports an earlier booking.
    void refuse(const QString& text);
    void hideEntered();

    LibraryHandle& m_library;
    LoanDesk m_desk;

private:
    const bool m_lentBooks;
    QList<DeskList> m_lists;
    NarrowingGroup* m_books = nullptr;
    QLabel* m_LEingetragen = nullptr;
};

} // namespace lesaro
