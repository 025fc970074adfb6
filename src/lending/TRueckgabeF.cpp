#include "lending/TRueckgabeF.h"

#include "core/Clock.h"
#include "lending/NarrowingGroup.h"
#include "ui/ButtonBar.h"
#include "ui/DataGrid.h"
#include "ui/DatePicker.h"

#include <QBoxLayout>
#include <QLabel>

namespace lesaro {

TRueckgabeF::TRueckgabeF(LibraryHandle& library, QWidget* parent)
    : DeskWindow(library, true, parent) {
    setObjectName(QStringLiteral("RueckgabeF"));
    setWindowTitle(QStringLiteral("Buchrückgabe"));
    setClientSize(548, 267);

    NarrowingGroup* books = makeBookGroup(contentArea());
    books->move(14, 8);

    // The bar carries the return date and the confirmation at its left, the buttons at its right.
    auto* bar = qobject_cast<QBoxLayout*>(buttonBar()->layout());
    QLabel* entered = makeEnteredLabel(buttonBar());
    entered->setFixedWidth(entered->sizeHint().width());
    m_DTPBis = new DatePicker(buttonBar());
    m_DTPBis->setObjectName(QStringLiteral("DTPBis"));
    m_DTPBis->setFixedWidth(120);
    bar->insertWidget(0, entered);
    bar->insertWidget(1, m_DTPBis);
    bar->insertStretch(2, 100);
    // The label's place stays reserved, so the picker does not jump when it appears.
    QSizePolicy keep = entered->sizePolicy();
    keep.setRetainSizeWhenHidden(true);
    entered->setSizePolicy(keep);

    addDeskButtons();
    setTabOrder(books->grid(), m_DTPBis);

    connect(books, &NarrowingGroup::cellClicked, this, &TRueckgabeF::DBGrid2CellClick);
}

void TRueckgabeF::showDates() {
    m_DTPBis->setDate(Clock::today());
}

void TRueckgabeF::DBGrid2CellClick() {
    hideEntered();
}

QString TRueckgabeF::bookAtDesk() {
    return LoanDesk::message(m_desk.bookReturn(m_DTPBis->date()));
}

} // namespace lesaro
