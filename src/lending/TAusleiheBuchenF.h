#pragma once

#include "lending/DeskWindow.h"

namespace lesaro {

class DatePicker;

// Lends one book to one reader at a time.
//
// Beside the mouse, the window serves a hand scanner: Enter in the reader number box takes the reader and
// moves on to the book number box; Enter there books the loan and stays for the reader's next book.
class TAusleiheBuchenF : public DeskWindow {
    Q_OBJECT
public:
    explicit TAusleiheBuchenF(LibraryHandle& library, QWidget* parent = nullptr);

    void DTPVonChange();
    void ELeserNummerChange();
    void EVornameChange();
    void ENachnameChange();
    void ELeserNummerEnter();
    void EVornameEnter();
    void ENachnameEnter();
    void DBGrid1CellClick();
    void DBGrid1TitleClick(const QString& field);
    // Enter in the reader number box (the scanner's end of a number).
    void ELeserNummerReturn();

    NarrowingGroup* readerGroup() const { return m_readers; }

protected:
    void showDates() override;
    QString bookAtDesk() override;

private:
    NarrowingGroup* m_readers;
    DatePicker* m_DTPVon;
    DatePicker* m_DTPSollBis;
};

} // namespace lesaro
