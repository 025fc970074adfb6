#include "lending/TRueckgabeF.h"

#include "core/Clock.h"
#include "lending/NarrowingGroup.h"
#include "lending/rules/LoanFilters.h"
#include "ui/ButtonBar.h"
#include "ui/DataGrid.h"
#include "ui/DatePicker.h"
#include "ui/FlatButton.h"
#include "ui/LibraryHandle.h"
#include "ui/MessageService.h"

#include <QBoxLayout>
#include <QLabel>
#include <QLineEdit>

namespace lesaro {

namespace {
enum BookBox { BuchNummer, Verfasser, Titel };

const QString kNoBookNumber = QStringLiteral("Kein rückbuchbares Buch mit der Nummer %1 vorhanden");
const QString kPickBook = QStringLiteral("Bitte ein Buch wählen");
} // namespace

TRueckgabeF::TRueckgabeF(LibraryHandle& library, QWidget* parent)
    : LesaroDialog(parent)
    , m_library(library)
    , m_desk(library.data()) {
    setObjectName(QStringLiteral("RueckgabeF"));
    setWindowTitle(QStringLiteral("Buchrückgabe"));
    setClientSize(548, 267);

    m_books = new NarrowingGroup(
        QStringLiteral("Buch"), &library.DataBuecher(), QStringLiteral("DBGrid2"),
        {{QStringLiteral("Nummer"), QStringLiteral("Nummer"), 0},
         {QStringLiteral("Verfasser"), QStringLiteral("Verfasser"), 160},
         {QStringLiteral("Titel"), QStringLiteral("Titel"), 160}},
        {{QStringLiteral("EBuchNummer"), QStringLiteral("Nummer"), QStringLiteral("Nummer")},
         {QStringLiteral("EVerfasser"), QStringLiteral("Verfasser"), QStringLiteral("Verfasser")},
         {QStringLiteral("ETitel"), QStringLiteral("Titel"), QStringLiteral("Titel")}},
        [](const QString& field, const QString& text) { return LoanFilters::bookFilter(true, field, text); },
        contentArea());
    m_books->move(14, 8);

    // The bar carries the return date and the confirmation at its left, the buttons at its right.
    auto* bar = qobject_cast<QBoxLayout*>(buttonBar()->layout());
    m_LEingetragen = new QLabel(QStringLiteral("EINGETRAGEN"), buttonBar());
    m_LEingetragen->setObjectName(QStringLiteral("LEingetragen"));
    QFont f = m_LEingetragen->font();
    f.setBold(true);
    m_LEingetragen->setFont(f);
    m_LEingetragen->setStyleSheet(QStringLiteral("color: #008000;"));
    m_LEingetragen->setFixedWidth(m_LEingetragen->sizeHint().width());
    m_DTPBis = new DatePicker(buttonBar());
    m_DTPBis->setObjectName(QStringLiteral("DTPBis"));
    m_DTPBis->setFixedWidth(120);
    bar->insertWidget(0, m_LEingetragen);
    bar->insertWidget(1, m_DTPBis);
    bar->insertStretch(2, 100);
    m_LEingetragen->hide();
    // The label's place stays reserved, so the picker does not jump when it appears.
    QSizePolicy keep = m_LEingetragen->sizePolicy();
    keep.setRetainSizeWhenHidden(true);
    m_LEingetragen->setSizePolicy(keep);

    FlatButton* buchen = addBarButton(QStringLiteral("BBuchen"), QStringLiteral(" Buchen"));
    FlatButton* schliessen = addBarButton(QStringLiteral("BSchliessen"), QStringLiteral(" Schließen"));
    setTabOrder(m_books->grid(), m_DTPBis);

    connect(m_books, &NarrowingGroup::cellClicked, this, &TRueckgabeF::DBGrid2CellClick);
    connect(m_books, &NarrowingGroup::numberReturnPressed, this, &TRueckgabeF::EBuchNummerReturn);
    connect(buchen, &QPushButton::clicked, this, &TRueckgabeF::BBuchenClick);
    connect(schliessen, &QPushButton::clicked, this, &TRueckgabeF::BSchliessenClick);
    connect(this, &QDialog::finished, this, &TRueckgabeF::FormClose);
}

void TRueckgabeF::FormShow() {
    m_LEingetragen->hide();
    m_DTPBis->setDate(Clock::today());
    run([this] {
        Table& books = m_library.ClientBuecher();
        books.setFilter(LoanFilters::lentFilter(true));
        books.setFiltered(true);
    });
    m_books->resetChoice();
    // Opening is not entering a box: the texts of the last opening stay as they were.
    m_books->numberBox()->setFocus(Qt::ActiveWindowFocusReason);
}

void TRueckgabeF::setVisible(bool visible) {
    for (NarrowingGroup* group : {m_books})
        group->setOpening(visible);
    LesaroDialog::setVisible(visible);
    for (NarrowingGroup* group : {m_books})
        group->setOpening(false);
}

void TRueckgabeF::FormClose() {
    run([this] { m_library.ClientBuecher().setFiltered(false); });
}

void TRueckgabeF::EBuchNummerChange() {
    m_books->boxChange(BuchNummer);
}
void TRueckgabeF::EVerfasserChange() {
    m_books->boxChange(Verfasser);
}
void TRueckgabeF::ETitelChange() {
    m_books->boxChange(Titel);
}
void TRueckgabeF::EBuchNummerEnter() {
    m_books->boxEnter(BuchNummer);
}
void TRueckgabeF::EVerfasserEnter() {
    m_books->boxEnter(Verfasser);
}
void TRueckgabeF::ETitelEnter() {
    m_books->boxEnter(Titel);
}

void TRueckgabeF::DBGrid2CellClick() {
    m_LEingetragen->hide();
}

void TRueckgabeF::DBGrid2TitleClick(const QString& field) {
    m_books->titleClick(field);
}

void TRueckgabeF::BBuchenClick() {
    giveBack();
}

bool TRueckgabeF::giveBack() {
    using Choice = NarrowingGroup::Choice;
    QString refusal;
    if (m_library.ClientBuecher().RecordCount() == 0)
        refusal = LoanDesk::message(LoanDesk::Return::NoBooks);
    else if (m_books->choice() == Choice::Spent)
        return false; // the second click of a double click: the book it meant is back already
    else if (m_books->choice() != Choice::Chosen)
        refusal = m_books->unmatchedMessage(kNoBookNumber, kPickBook);
    if (!refusal.isEmpty()) {
        refuse(refusal);
        return false;
    }
    // The confirmation of an earlier return must not stand beside an error of this one.
    m_LEingetragen->hide();
    LoanDesk::Return result = LoanDesk::Return::Returned;
    if (!run([&] { result = m_desk.bookReturn(m_DTPBis->date()); }))
        return false;
    if (result != LoanDesk::Return::Returned) {
        refuse(LoanDesk::message(result));
        return false;
    }
    // The list has moved on to a neighbouring book that nobody chose.
    m_books->numberBox()->clear();
    m_books->markSpent();
    m_LEingetragen->show();
    return true;
}

void TRueckgabeF::refuse(const QString& text) {
    m_LEingetragen->hide();
    MessageService::notice(this, text);
}

void TRueckgabeF::BSchliessenClick() {
    reject();
}

void TRueckgabeF::EBuchNummerReturn() {
    QLineEdit* box = m_books->numberBox();
    if (box->text().isEmpty())
        return;
    // Only the book the scanner named is returned, never the one that happened to be current before.
    if (!m_books->currentMatchesNumber()) {
        refuse(m_books->unmatchedMessage(kNoBookNumber, kPickBook));
        box->selectAll();
        return;
    }
    giveBack(); // a return empties the box for the next scan
}

} // namespace lesaro
