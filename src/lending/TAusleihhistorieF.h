#pragma once

#include "lending/rules/LoanDesk.h"
#include "ui/LesaroDialog.h"

#include <QVariant>

namespace lesaro {

class DataGrid;
class DBText;
class LibraryHandle;
class LoanHistoryGrid;

// Every loan of one book, past and present: the loan table as the book entry window has narrowed it to
// its current book. The list is editable; whatever is changed there, the book's `ausgeliehen` follows its
// open loans, so a loan made open again here cannot be joined by a second one at the desk.
class TAusleihhistorieF : public LesaroDialog {
    Q_OBJECT
public:
    explicit TAusleihhistorieF(LibraryHandle& library, QWidget* parent = nullptr);

    void FormCreate();
    void FormShow() override;
    bool FormCloseQuery() override;
    void DBGrid1TitleClick(const QString& field);
    void BSchliessenClick();

    // The list whose column widths the main window keeps under "BreiteE".
    DataGrid* DBGrid1() const;
    LoanHistoryGrid* historyGrid() const { return m_DBGrid1; }

private:
    void loansChanged();

    LibraryHandle& m_library;
    LoanDesk m_desk;
    DBText* m_DBText1;
    DBText* m_DBText2;
    LoanHistoryGrid* m_DBGrid1;
    QVariant m_bookId; // the book shown, while the window is open
    bool m_syncQueued = false;
};

} // namespace lesaro
