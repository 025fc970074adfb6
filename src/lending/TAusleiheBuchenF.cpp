#include "lending/TAusleiheBuchenF.h"

#include "core/Clock.h"
#include "lending/NarrowingGroup.h"
#include "lending/rules/LoanFilters.h"
#include "library/LoanPeriod.h"
#include "ui/DataGrid.h"
#include "ui/DatePicker.h"
#include "ui/FlatButton.h"
#include "ui/LibraryHandle.h"
#include "ui/MessageService.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>

namespace lesaro {

namespace {
enum ReaderBox { LeserNummer, Vorname, Nachname };
enum BookBox { BuchNummer, Verfasser, Titel };

const QString kNoReaderNumber = QStringLiteral("Kein Leser mit der Nummer %1 vorhanden");
const QString kNoBookNumber = QStringLiteral("Kein ausleihbares Buch mit der Nummer %1 vorhanden");
const QString kPickReader = QStringLiteral("Bitte einen Leser wählen");
const QString kPickBook = QStringLiteral("Bitte ein Buch wählen");

QLabel* makeEnteredLabel(QWidget* parent) {
    auto* label = new QLabel(QStringLiteral("EINGETRAGEN"), parent);
    label->setObjectName(QStringLiteral("LEingetragen"));
    QFont f = label->font();
    f.setBold(true);
    label->setFont(f);
    label->setStyleSheet(QStringLiteral("color: #008000;"));
    label->hide();
    return label;
}
} // namespace

TAusleiheBuchenF::TAusleiheBuchenF(LibraryHandle& library, QWidget* parent)
    : LesaroDialog(parent)
    , m_library(library)
    , m_desk(library.data()) {
    setObjectName(QStringLiteral("AusleiheBuchenF"));
    setWindowTitle(QStringLiteral("Ausleihe buchen"));
    setClientSize(550, 541);
    QWidget* area = contentArea();

    m_LEingetragen = makeEnteredLabel(area);
    m_LEingetragen->setGeometry(14, 2, 200, 18);

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
    m_books = new NarrowingGroup(
        QStringLiteral("Buch"), &library.DataBuecher(), QStringLiteral("DBGrid2"),
        {{QStringLiteral("Nummer"), QStringLiteral("Nummer"), 0},
         {QStringLiteral("Verfasser"), QStringLiteral("Verfasser"), 160},
         {QStringLiteral("Titel"), QStringLiteral("Titel"), 160}},
        {{QStringLiteral("EBuchNummer"), QStringLiteral("Nummer"), QStringLiteral("Nummer")},
         {QStringLiteral("EVerfasser"), QStringLiteral("Verfasser"), QStringLiteral("Verfasser")},
         {QStringLiteral("ETitel"), QStringLiteral("Titel"), QStringLiteral("Titel")}},
        [](const QString& field, const QString& text) { return LoanFilters::bookFilter(false, field, text); }, area);
    m_books->move(14, 226);

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

    FlatButton* buchen = addBarButton(QStringLiteral("BBuchen"), QStringLiteral(" Buchen"));
    FlatButton* schliessen = addBarButton(QStringLiteral("BSchliessen"), QStringLiteral(" Schließen"));

    setTabOrder(m_readers->grid(), m_books->numberBox());
    setTabOrder(m_books->grid(), m_DTPVon);
    setTabOrder(m_DTPVon, m_DTPSollBis);

    connect(m_readers, &NarrowingGroup::cellClicked, this, &TAusleiheBuchenF::DBGrid1CellClick);
    connect(m_books, &NarrowingGroup::cellClicked, this, &TAusleiheBuchenF::DBGrid1CellClick);
    connect(m_readers, &NarrowingGroup::numberReturnPressed, this, &TAusleiheBuchenF::ELeserNummerReturn);
    connect(m_books, &NarrowingGroup::numberReturnPressed, this, &TAusleiheBuchenF::EBuchNummerReturn);
    connect(m_DTPVon, &QDateEdit::dateChanged, this, &TAusleiheBuchenF::DTPVonChange);
    connect(buchen, &QPushButton::clicked, this, &TAusleiheBuchenF::BBuchenClick);
    connect(schliessen, &QPushButton::clicked, this, &TAusleiheBuchenF::BSchliessenClick);
    connect(this, &QDialog::finished, this, &TAusleiheBuchenF::FormClose);
}

void TAusleiheBuchenF::FormShow() {
    m_LEingetragen->hide();
    m_DTPVon->setDate(Clock::today());
    DTPVonChange();
    run([this] {
        Table& books = m_library.ClientBuecher();
        books.setFilter(LoanFilters::lentFilter(false));
        books.setFiltered(true);
    });
    m_readers->resetChoice();
    m_books->resetChoice();
    // Opening is not entering a box: the texts of the last opening stay as they were.
    m_readers->numberBox()->setFocus(Qt::ActiveWindowFocusReason);
}

void TAusleiheBuchenF::setVisible(bool visible) {
    for (NarrowingGroup* group : {m_readers, m_books})
        group->setOpening(visible);
    LesaroDialog::setVisible(visible);
    for (NarrowingGroup* group : {m_readers, m_books})
        group->setOpening(false);
}

void TAusleiheBuchenF::FormClose() {
    run([this] {
        m_library.ClientLeser().setFiltered(false);
        m_library.ClientBuecher().setFiltered(false);
    });
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
void TAusleiheBuchenF::EBuchNummerChange() {
    m_books->boxChange(BuchNummer);
}
void TAusleiheBuchenF::EVerfasserChange() {
    m_books->boxChange(Verfasser);
}
void TAusleiheBuchenF::ETitelChange() {
    m_books->boxChange(Titel);
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
void TAusleiheBuchenF::EBuchNummerEnter() {
    m_books->boxEnter(BuchNummer);
}
void TAusleiheBuchenF::EVerfasserEnter() {
    m_books->boxEnter(Verfasser);
}
void TAusleiheBuchenF::ETitelEnter() {
    m_books->boxEnter(Titel);
}

void TAusleiheBuchenF::DBGrid1CellClick() {
    m_LEingetragen->hide();
}

void TAusleiheBuchenF::DBGrid1TitleClick(const QString& field) {
    m_readers->titleClick(field);
}

void TAusleiheBuchenF::DBGrid2TitleClick(const QString& field) {
    m_books->titleClick(field);
}

void TAusleiheBuchenF::BBuchenClick() {
    book();
}

bool TAusleiheBuchenF::book() {
    using Choice = NarrowingGroup::Choice;
    QString refusal;
    if (m_library.ClientLeser().RecordCount() == 0)
        refusal = LoanDesk::message(LoanDesk::Booking::NoReaders);
    else if (m_library.ClientBuecher().RecordCount() == 0)
        refusal = LoanDesk::message(LoanDesk::Booking::NoBooks);
    else if (m_readers->choice() != Choice::Chosen)
        refusal = m_readers->unmatchedMessage(kNoReaderNumber, kPickReader);
    else if (m_books->choice() == Choice::Spent)
        return false; // the second click of a double click: the book it meant is lent already
    else if (m_books->choice() != Choice::Chosen)
        refusal = m_books->unmatchedMessage(kNoBookNumber, kPickBook);
    if (!refusal.isEmpty()) {
        refuse(refusal);
        return false;
    }
    // The confirmation of an earlier booking must not stand beside an error of this one.
    m_LEingetragen->hide();
    LoanDesk::Booking result = LoanDesk::Booking::Booked;
    if (!run([&] { result = m_desk.bookLoan(m_DTPVon->date(), m_DTPSollBis->date()); }))
        return false;
    if (result != LoanDesk::Booking::Booked) {
        refuse(LoanDesk::message(result));
        return false;
    }
    // The list has moved on to a neighbouring book that nobody chose; the reader stays for the next book.
    m_books->numberBox()->clear();
    m_books->markSpent();
    m_LEingetragen->show();
    return true;
}

void TAusleiheBuchenF::refuse(const QString& text) {
    m_LEingetragen->hide();
    MessageService::notice(this, text);
}

void TAusleiheBuchenF::BSchliessenClick() {
    reject();
}

void TAusleiheBuchenF::ELeserNummerReturn() {
    // A number the scanner read that no reader carries must not leave the previous reader selected for
    // the next book: the librarian hears about it instead.
    QLineEdit* box = m_readers->numberBox();
    if (!box->text().isEmpty() && !m_readers->currentMatchesNumber()) {
        refuse(m_readers->unmatchedMessage(kNoReaderNumber, kPickReader));
        box->selectAll();
        return;
    }
    if (m_library.ClientLeser().RecordCount() == 0) {
        refuse(LoanDesk::message(LoanDesk::Booking::NoReaders));
        return;
    }
    m_books->numberBox()->setFocus(Qt::TabFocusReason);
    m_books->numberBox()->clear();
}

void TAusleiheBuchenF::EBuchNummerReturn() {
    QLineEdit* box = m_books->numberBox();
    if (box->text().isEmpty())
        return;
    if (!m_books->currentMatchesNumber()) {
        refuse(m_books->unmatchedMessage(kNoBookNumber, kPickBook));
        box->selectAll();
        return;
    }
    book(); // a booking empties the box, ready for the reader's next book
}

} // namespace lesaro
