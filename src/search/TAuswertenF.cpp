#include "search/TAuswertenF.h"

#include "search/rules/BookSearch.h"
#include "settings/FieldCaptions.h"
#include "ui/DataGrid.h"
#include "ui/FlatButton.h"
#include "ui/LibraryHandle.h"

#include <QComboBox>
#include <QEvent>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QRadioButton>
#include <QVBoxLayout>

namespace lesaro {

namespace {

// Design widths of the 23 columns, Nummer … Bemerkung, then the ten keywords.
constexpr int kColumnWidths[] = {29, 75, 66, 55, 30, 43, 32, 45, 26, 33, 28, 29, 38};

QList<GridColumn> bookColumns() {
    const QStringList fields = FieldCaptions::bookColumnFields();
    const QStringList titles = FieldCaptions::BookColumnCaptions();
    QList<GridColumn> columns;
    for (int i = 0; i < fields.size(); ++i)
        columns << GridColumn{fields[i], titles.value(i), i < int(std::size(kColumnWidths)) ? kColumnWidths[i] : 50};
    return columns;
}

} // namespace

TAuswertenF::TAuswertenF(LibraryHandle& library, QWidget* parent)
    : LesaroDialog(parent)
    , m_library(library) {
    setObjectName(QStringLiteral("AuswertenF"));
    setWindowTitle(QStringLiteral("Auswerten"));
    buildLayout();
    setClientSize(796, 525);
}

void TAuswertenF::buildLayout() {
    // The field box with the hit count under it, "=", the text, and the two modes one above the other.
    auto* top = new QGridLayout;
    top->setContentsMargins(8, 6, 8, 6);
    top->setHorizontalSpacing(8);
    top->setVerticalSpacing(4);

    m_CB1 = new QComboBox(contentArea());
    m_CB1->setObjectName(QStringLiteral("CB1"));
    m_CB1->setEditable(true);
    m_CB1->setInsertPolicy(QComboBox::NoInsert);
    m_CB1->setFixedWidth(160);
    m_LAnzahl = new QLabel(contentArea());
    m_LAnzahl->setObjectName(QStringLiteral("LAnzahl"));
    QFont bold = m_LAnzahl->font();
    bold.setBold(true);
    m_LAnzahl->setFont(bold);
    m_LAnzahl->hide();
    auto* equals = new QLabel(QStringLiteral("="), contentArea());
    equals->setObjectName(QStringLiteral("Label19"));
    m_E1 = new QLineEdit(contentArea());
    m_E1->setObjectName(QStringLiteral("E1"));
    m_E1->setFixedWidth(320);
    m_RBexakt = new QRadioButton(QStringLiteral("exakt"), contentArea());
    m_RBexakt->setObjectName(QStringLiteral("RBexakt"));
    m_RBTeil = new QRadioButton(QStringLiteral("Teil"), contentArea());
    m_RBTeil->setObjectName(QStringLiteral("RBTeil"));
    m_RBTeil->setChecked(true);

    top->addWidget(m_CB1, 0, 0);
    top->addWidget(equals, 0, 1);
    top->addWidget(m_E1, 0, 2);
    top->addWidget(m_RBexakt, 0, 3);
    top->addWidget(m_LAnzahl, 1, 0);
    top->addWidget(m_RBTeil, 1, 3);
    top->setColumnStretch(4, 1);

    m_DBGrid1 = new DataGrid(contentArea());
    m_DBGrid1->setObjectName(QStringLiteral("DBGrid1"));
    m_DBGrid1->bind(&m_library.DataBuecher(), bookColumns());
    m_DBGrid1->setMinimumHeight(410);
    m_DBGrid1->viewport()->installEventFilter(this);

    auto* layout = new QVBoxLayout(contentArea());
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addLayout(top);
    layout->addWidget(m_DBGrid1, 1);

    connect(m_E1, &QLineEdit::returnPressed, this, &TAuswertenF::BAnzeigenClick); // E1KeyPress
    connect(addBarButton(QStringLiteral("BAnzeigen"), QStringLiteral(" Anzeigen")), &QPushButton::clicked, this,
            &TAuswertenF::BAnzeigenClick);
    connect(addBarButton(QStringLiteral("BSchliessen"), QStringLiteral(" Alle Daten (sortiert)")),
            &QPushButton::clicked, this, &TAuswertenF::Button1Click);
    connect(addBarButton(QStringLiteral("Button4"), QStringLiteral(" Drucken")), &QPushButton::clicked, this,
            &TAuswertenF::Button3Click);
    connect(m_DBGrid1, &DataGrid::titleClicked, this,
            [this](int, const QString& fieldName) { DBGrid1TitleClick(fieldName); });
}

void TAuswertenF::FormShow() {
    m_LAnzahl->hide();
    m_E1->clear();
    m_CB1->clear();
    m_CB1->addItems(BookSearch::fieldChoices(FieldCaptions::BookColumnCaptions()));
    m_CB1->setCurrentText(BookSearch::keywordChoice());
    m_E1->setFocus();
}

void TAuswertenF::BAnzeigenClick() {
    const QString text = m_E1->text().trimmed();
    m_E1->setText(text);
    run([&] {
        const int hits = BookSearch::run(m_library.ClientBuecher(), m_CB1->currentText(), text, m_RBexakt->isChecked());
        m_LAnzahl->setText(QString::number(hits) + QStringLiteral(" Treffer"));
        m_LAnzahl->show();
    });
}

void TAuswertenF::Button1Click() {
    Table& books = m_library.ClientBuecher();
    run([&] {
        books.setFiltered(false);
        books.setIndexFieldNames(QStringLiteral("Nummer;Nummer"));
    });
    // The count always tells how many books the list shows, here all of them.
    m_LAnzahl->setText(QString::number(books.RecordCount()) + QStringLiteral(" Treffer"));
    m_LAnzahl->show();
}

void TAuswertenF::Button3Click() {
    Q_EMIT printRequested();
}

void TAuswertenF::DBGrid1DblClick() {
    // On an empty hit list this starts a new book, which the book entry window then shows.
    if (!run([this] { m_library.ClientBuecher().Edit(); }))
        return;
    Q_EMIT bookEntryRequested();
}

void TAuswertenF::DBGrid1TitleClick(const QString& fieldName) {
    if (fieldName.isEmpty())
        return;
    run([&] { m_library.ClientBuecher().setIndexFieldNames(fieldName); });
}

void TAuswertenF::FormClose() {
    Table& books = m_library.ClientBuecher();
    run([&] {
        books.setFiltered(false);
        books.setIndexFieldNames(QStringLiteral("Nummer"));
    });
}

// Every way of closing ends here; nothing in this window keeps the user, so the close always happens.
void TAuswertenF::done(int result) {
    LesaroDialog::done(result);
    FormClose();
}

bool TAuswertenF::eventFilter(QObject* watched, QEvent* event) {
    // A double-click anywhere in the list opens the book, also below the last row and in an empty list.
    if (watched == m_DBGrid1->viewport() && event->type() == QEvent::MouseButtonDblClick &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        DBGrid1DblClick();
        return true;
    }
    return LesaroDialog::eventFilter(watched, event);
}

} // namespace lesaro
