#include "lending/TRueckgabeF.h"

#include "core/Clock.h"
#include "lending/LoanFilters.h"
#include "lending/NarrowingGroup.h"
#include "ui/ButtonBar.h"
#include "ui/DataGrid.h"
#include "ui/DatePicker.h"
#include "ui/FlatButton.h"
#include "ui/Library.h"
#include "ui/MessageService.h"

#include <QBoxLayout>
#include <QLabel>
#include <QLineEdit>

namespace lesaro {

namespace {
enum BookBox { BuchNummer, Verfasser, Titel };
} // namespace

TRueckgabeF::TRueckgabeF(Library& library, QWidget* parent)
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
    LoanDesk::Return result = LoanDesk::Return::Returned;
    if (!run([&] { result = m_desk.bookReturn(m_DTPBis->date()); }))
        return false;
    if (result != LoanDesk::Return::Returned) {
        MessageService::notice(this, LoanDesk::message(result));
        return false;
    }
    m_LEingetragen->show();
    return true;
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
        MessageService::notice(this,
                               QStringLiteral("Kein rückbuchbares Buch mit der Nummer %1 vorhanden").arg(box->text()));
        box->selectAll();
        return;
    }
    if (giveBack())
        box->clear();
}

} // namespace lesaro
