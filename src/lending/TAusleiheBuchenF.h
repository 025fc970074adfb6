#pragma once

#include "lending/rules/LoanDesk.h"
#include "ui/LesaroDialog.h"

class QLabel;
class QLineEdit;

namespace lesaro {

class DataGrid;
class DatePicker;
class FlatButton;
class LibraryHandle;
class NarrowingGroup;

// Lends one book to one reader at a time.
//
// Beside the mouse, the window serves a hand scanner: Enter in the reader number box takes the reader and
// moves on to the book number box; Enter there books the loan and stays for the reader's next book.
class TAusleiheBuchenF : public LesaroDialog {
    Q_OBJECT
public:
    explicit TAusleiheBuchenF(LibraryHandle& library, QWidget* parent = nullptr);

    void FormShow() override;
    void setVisible(bool visible) override;
    void FormClose();
    void DTPVonChange();
    void ELeserNummerChange();
    void EVornameChange();
    void ENachnameChange();
    void EBuchNummerChange();
    void EVerfasserChange();
    void ETitelChange();
    void ELeserNummerEnter();
    void EVornameEnter();
    void ENachnameEnter();
    void EBuchNummerEnter();
    void EVerfasserEnter();
    void ETitelEnter();
    void DBGrid1CellClick();
    void DBGrid1TitleClick(const QString& field);
    void DBGrid2TitleClick(const QString& field);
    void BBuchenClick();
    void BSchliessenClick();
    // Enter in the number boxes (the scanner's end of a number).
    void ELeserNummerReturn();
    void EBuchNummerReturn();

    NarrowingGroup* readerGroup() const { return m_readers; }
    NarrowingGroup* bookGroup() const { return m_books; }

private:
    // Books the loan of the chosen book to the chosen reader; true when it was entered.
    bool book();
    // Shows a refusal; "EINGETRAGEN" goes, as it reports an earlier booking.
    void refuse(const QString& text);

    LibraryHandle& m_library;
    LoanDesk m_desk;
    QLabel* m_LEingetragen;
    NarrowingGroup* m_readers;
    NarrowingGroup* m_books;
    DatePicker* m_DTPVon;
    DatePicker* m_DTPSollBis;
};

} // namespace lesaro
