#pragma once

#include "lending/rules/LoanDesk.h"
#include "ui/LesaroDialog.h"

class QLabel;

namespace lesaro {

class DatePicker;
class LibraryHandle;
class NarrowingGroup;

// Books the return of a lent book. Enter in the number box (a hand scanner's end of a number) books the
// return of the book with that number at once.
class TRueckgabeF : public LesaroDialog {
    Q_OBJECT
public:
    explicit TRueckgabeF(LibraryHandle& library, QWidget* parent = nullptr);

    void FormShow() override;
    void setVisible(bool visible) override;
    void FormClose();
    void EBuchNummerChange();
    void EVerfasserChange();
    void ETitelChange();
    void EBuchNummerEnter();
    void EVerfasserEnter();
    void ETitelEnter();
    void DBGrid2CellClick();
    void DBGrid2TitleClick(const QString& field);
    void BBuchenClick();
    void BSchliessenClick();
    void EBuchNummerReturn();

    NarrowingGroup* bookGroup() const { return m_books; }

private:
    // Books the return of the chosen book; true when it was entered.
    bool giveBack();
    // Shows a refusal; "EINGETRAGEN" goes, as it reports an earlier return.
    void refuse(const QString& text);

    LibraryHandle& m_library;
    LoanDesk m_desk;
    NarrowingGroup* m_books;
    QLabel* m_LEingetragen;
    DatePicker* m_DTPBis;
};

} // namespace lesaro
