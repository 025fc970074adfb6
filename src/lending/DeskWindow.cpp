#include "lending/DeskWindow.h"

#include "lending/NarrowingGroup.h"
#include "lending/rules/LoanFilters.h"
#include "ui/DataGrid.h"
#include "ui/FlatButton.h"
#include "ui/LibraryHandle.h"
#include "ui/MessageService.h"

#include <QLabel>
#include <QLineEdit>

namespace lesaro {

namespace {
enum BookBox { BuchNummer, Verfasser, Titel };
} // namespace

DeskWindow::DeskWindow(LibraryHandle& library, bool lentBooks, QWidget* parent)
    : LesaroDialog(parent)
    , m_library(library)
    , m_desk(library.data())
    , m_lentBooks(lentBooks) {
    connect(this, &QDialog::finished, this, &DeskWindow::FormClose);
}

QLabel* DeskWindow::makeEnteredLabel(QWidget* parent) {
    m_LEingetragen = new QLabel(QStringLiteral("EINGETRAGEN"), parent);
    m_LEingetragen->setObjectName(QStringLiteral("LEingetragen"));
    QFont f = m_LEingetragen->font();
    f.setBold(true);
    m_LEingetragen->setFont(f);
    m_LEingetragen->setStyleSheet(QStringLiteral("color: #008000;"));
    m_LEingetragen->hide();
    return m_LEingetragen;
}

void DeskWindow::addList(const DeskList& list) {
    m_lists.append(list);
}

NarrowingGroup* DeskWindow::makeBookGroup(QWidget* parent) {
    const bool lent = m_lentBooks;
    m_books = new NarrowingGroup(
        QStringLiteral("Buch"), &m_library.DataBuecher(), QStringLiteral("DBGrid2"),
        {{QStringLiteral("Nummer"), QStringLiteral("Nummer"), 0},
         {QStringLiteral("Verfasser"), QStringLiteral("Verfasser"), 160},
         {QStringLiteral("Titel"), QStringLiteral("Titel"), 160}},
        {{QStringLiteral("EBuchNummer"), QStringLiteral("Nummer"), QStringLiteral("Nummer")},
         {QStringLiteral("EVerfasser"), QStringLiteral("Verfasser"), QStringLiteral("Verfasser")},
         {QStringLiteral("ETitel"), QStringLiteral("Titel"), QStringLiteral("Titel")}},
        [lent](const QString& field, const QString& text) { return LoanFilters::bookFilter(lent, field, text); },
        parent);
    addList({m_books, &m_library.ClientBuecher(),
             lent ? LoanDesk::message(LoanDesk::Return::NoBooks) : LoanDesk::message(LoanDesk::Booking::NoBooks),
             lent ? QStringLiteral("Kein rückbuchbares Buch mit der Nummer %1 vorhanden")
                  : QStringLiteral("Kein ausleihbares Buch mit der Nummer %1 vorhanden"),
             QStringLiteral("Bitte ein Buch wählen")});
    connect(m_books, &NarrowingGroup::numberReturnPressed, this, &DeskWindow::EBuchNummerReturn);
    return m_books;
}

void DeskWindow::addDeskButtons() {
    FlatButton* buchen = addBarButton(QStringLiteral("BBuchen"), QStringLiteral(" Buchen"));
    FlatButton* schliessen = addBarButton(QStringLiteral("BSchliessen"), QStringLiteral(" Schließen"));
    connect(buchen, &QPushButton::clicked, this, &DeskWindow::BBuchenClick);
    connect(schliessen, &QPushButton::clicked, this, &DeskWindow::BSchliessenClick);
}

void DeskWindow::FormShow() {
    m_LEingetragen->hide();
    showDates();
    run([this] {
        Table& books = m_library.ClientBuecher();
        books.setFilter(LoanFilters::lentFilter(m_lentBooks));
        books.setFiltered(true);
    });
    for (const DeskList& list : std::as_const(m_lists))
        list.group->resetChoice();
    // Opening is not entering a box: the texts of the last opening stay as they were.
    m_lists.first().group->numberBox()->setFocus(Qt::ActiveWindowFocusReason);
}

void DeskWindow::setVisible(bool visible) {
    for (const DeskList& list : std::as_const(m_lists))
        list.group->setOpening(visible);
    LesaroDialog::setVisible(visible);
    for (const DeskList& list : std::as_const(m_lists))
        list.group->setOpening(false);
}

void DeskWindow::FormClose() {
    run([this] {
        for (const DeskList& list : std::as_const(m_lists))
            list.table->setFiltered(false);
    });
}

void DeskWindow::EBuchNummerChange() {
    m_books->boxChange(BuchNummer);
}
void DeskWindow::EVerfasserChange() {
    m_books->boxChange(Verfasser);
}
void DeskWindow::ETitelChange() {
    m_books->boxChange(Titel);
}
void DeskWindow::EBuchNummerEnter() {
    m_books->boxEnter(BuchNummer);
}
void DeskWindow::EVerfasserEnter() {
    m_books->boxEnter(Verfasser);
}
void DeskWindow::ETitelEnter() {
    m_books->boxEnter(Titel);
}

void DeskWindow::DBGrid2TitleClick(const QString& field) {
    m_books->titleClick(field);
}

void DeskWindow::BBuchenClick() {
    enterBooking();
}

void DeskWindow::BSchliessenClick() {
    reject();
}

bool DeskWindow::enterBooking() {
    using Choice = NarrowingGroup::Choice;
    QString refusal;
    for (const DeskList& list : std::as_const(m_lists)) {
        if (list.table->RecordCount() == 0) {
            refusal = list.empty;
            break;
        }
    }
    for (int i = 0; refusal.isEmpty() && i < m_lists.size(); ++i) {
        const DeskList& list = m_lists[i];
        if (list.group->choice() == Choice::Spent)
            return false; // the second click of a double click: the book it meant is booked already
        if (list.group->choice() != Choice::Chosen)
            refusal = list.group->unmatchedMessage(list.notFound, list.pick);
    }
    if (!refusal.isEmpty()) {
        refuse(refusal);
        return false;
    }
    // The confirmation of an earlier booking must not stand beside an error of this one.
    m_LEingetragen->hide();
    if (!run([&] { refusal = bookAtDesk(); }))
        return false;
    if (!refusal.isEmpty()) {
        refuse(refusal);
        return false;
    }
    // The list has moved on to a neighbouring book that nobody chose; a reader stays for the next book.
    m_books->numberBox()->clear();
    m_books->markSpent();
    m_LEingetragen->show();
    return true;
}

bool DeskWindow::refusesTypedNumber(NarrowingGroup* group) {
    QLineEdit* box = group->numberBox();
    if (box->text().isEmpty() || group->currentMatchesNumber())
        return false;
    for (const DeskList& list : std::as_const(m_lists)) {
        if (list.group == group)
            refuse(group->unmatchedMessage(list.notFound, list.pick));
    }
    box->selectAll();
    return true;
}

void DeskWindow::EBuchNummerReturn() {
    if (m_books->numberBox()->text().isEmpty())
        return;
    if (refusesTypedNumber(m_books))
        return;
    enterBooking(); // a booking empties the box, ready for the next scan
}

void DeskWindow::refuse(const QString& text) {
    m_LEingetragen->hide();
    MessageService::notice(this, text);
}

void DeskWindow::hideEntered() {
    m_LEingetragen->hide();
}

} // namespace lesaro
