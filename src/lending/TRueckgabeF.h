#pragma once

#include "lending/DeskWindow.h"

namespace lesaro {

class DatePicker;

// Books the return of a lent book. Enter in the number box (a hand scanner's end of a number) books the
// return of the book with that number at once.
class TRueckgabeF : public DeskWindow {
    Q_OBJECT
public:
    explicit TRueckgabeF(LibraryHandle& library, QWidget* parent = nullptr);

    void DBGrid2CellClick();

protected:
    void showDates() override;
    QString bookAtDesk() override;

private:
    DatePicker* m_DTPBis;
};

} // namespace lesaro
