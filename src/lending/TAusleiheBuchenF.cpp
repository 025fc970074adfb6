#include "lending/TAusleiheBuchenF.h"

#include "core/Clock.h"
#include "lending/NarrowingGroup.h"
#include "lending/rules/LoanFilters.h"
#include "library/LoanPeriod.h"
#include "ui/DataGrid.h"
#include "ui/DatePicker.h"
#include "ui/LibraryHandle.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>

namespace lesaro {

namespace {
enum ReaderBox { LeserNummer, Vorname, Nachname };
} // namespace

TAusleiheBuchenF::TAusleiheBuchenF(LibraryHandle& library, QWidget* parent)
    : DeskWindow(library, false, parent) {
    setObjectName(QStringLiteral("AusleiheBuchenF"));
    setWindowTitle(QStringLiteral("Ausleihe buchen"));
    setClientSize(550, 541);
    QWidget* area = contentArea();

    makeEnteredLabel(area)->setGeometry(14, 2, 200, 18);

    m_readers =
        new NarrowingGroup(QStringLiteral("Leser"), &library.DataLeser(), QStringLiteral("DBGrid1"),
                           {{QStringLiteral("Nummer"), QStringLiteral("Nummer"), 0},
                            {QStringLiteral("Vorname"), QStringLiteral("Vorname"), 0},
                            {QStringLiteral("Nachname"), QStringLiteral("Nachname"), 0}},
                           {{QStringLiteral("ELeserNummer"), QStringLiteral("Nummer"), QStringLiteral("Nummer")},
                            {QStringLiteral("EVorname"), QStringLiteral("Vorname"), QStringLiteral("Vorname")},
                            {QStringLiteral("ENachname"), QStringLiteral("Nachname"), QStringLiteral("Nachname")}},
                           &LoanFilters::readerFilter, area);
    m_readers->move(14, 20);
    addList({m_readers, &library.ClientLeser(), LoanDesk::message(LoanDesk::Booking::NoReaders),
             QStringLiteral("Kein Leser mit der Nummer %1 vorhanden"), QStringLiteral("Bitte einen Leser wählen")});
    NarrowingGroup* books = makeBookGroup(area);
    books->move(14, 226);

    auto* dates = new QGroupBox(QStringLiteral("Daten"), area);
    dates->setGeometry(14, 432, 521, 49);
    auto* vonLabel = new QLabel(QStringLiteral("Ausleihdatum"), dates);
    vonLabel->setGeometry(12, 20, 80, 20);
    m_DTPVon = new DatePicker(dates);
    m_DTPVon->setObjectName(QStringLiteral("DTPVon"));
    m_DTPVon->setGeometry(96, 18, 130, 24);
    vonLabel->setBuddy(m_DTPVon);
    auto* sollLabel = new QLabel(QStringLiteral("Soll-Rückgabe"), dates);
    sollLabel->setGeometry(262, 20, 84, 20);
    m_DTPSollBis = new DatePicker(dates);
    m_DTPSollBis->setObjectName(QStringLiteral("DTPSollBis"));
    m_DTPSollBis->setGeometry(350, 18, 130, 24);
    sollLabel->setBuddy(m_DTPSollBis);

    addDeskButtons();

    setTabOrder(m_readers->grid(), books->numberBox());
    setTabOrder(books->grid(), m_DTPVon);
    setTabOrder(m_DTPVon, m_DTPSollBis);

    connect(m_readers, &NarrowingGroup::cellClicked, this, &TAusleiheBuchenF::DBGrid1CellClick);
    connect(books, &NarrowingGroup::cellClicked, this, &TAusleiheBuchenF::DBGrid1CellClick);
    connect(m_readers, &NarrowingGroup::numberReturnPressed, this, &TAusleiheBuchenF::ELeserNummerReturn);
    connect(m_DTPVon, &QDateEdit::dateChanged, this, &TAusleiheBuchenF::DTPVonChange);
}

void TAusleiheBuchenF::showDates() {
    m_DTPVon->setDate(Clock::today());
    DTPVonChange();
}

void TAusleiheBuchenF::DTPVonChange() {
    m_DTPSollBis->setDate(LoanFilters::dueDate(m_DTPVon->date(), LoanPeriod::days()));
}

void TAusleiheBuchenF::ELeserNummerChange() {
    m_readers->boxChange(LeserNummer);
}
void TAusleiheBuchenF::EVornameChange() {
    m_readers->boxChange(Vorname);
}
void TAusleiheBuchenF::ENachnameChange() {
    m_readers->boxChange(Nachname);
}
void TAusleiheBuchenF::ELeserNummerEnter() {
    m_readers->boxEnter(LeserNummer);
}
void TAusleiheBuchenF::EVornameEnter() {
    m_readers->boxEnter(Vorname);
}
void TAusleiheBuchenF::ENachnameEnter() {
    m_readers->boxEnter(Nachname);
}

void TAusleiheBuchenF::DBGrid1CellClick() {
    hideEntered();
}

void TAusleiheBuchenF::DBGrid1TitleClick(const QString& field) {
    m_readers->titleClick(field);
}

QString TAusleiheBuchenF::bookAtDesk() {
    return LoanDesk::message(m_desk.bookLoan(m_DTPVon->date(), m_DTPSollBis->date()));
}

void TAusleiheBuchenF::ELeserNummerReturn() {
    // A number the scanner read that no reader carries must not leave the previous reader selected for
    // the next book: the librarian hears about it instead.
    if (refusesTypedNumber(m_readers))
        return;
    if (m_library.ClientLeser().RecordCount() == 0) {
        refuse(LoanDesk::message(LoanDesk::Booking::NoReaders));
        return;
    }
    bookGroup()->numberBox()->setFocus(Qt::TabFocusReason);
    bookGroup()->numberBox()->clear();
}

} // namespace lesaro
