#include "catalogue/TDB1EingabeF.h"

#include "catalogue/ComboItems.h"
#include "settings/INI.h"
#include "ui/ButtonBar.h"
#include "ui/DBComboBox.h"
#include "ui/DBEdit.h"
#include "ui/DBMemo.h"
#include "ui/DBNavigator.h"
#include "ui/FlatButton.h"
#include "ui/LibraryHandle.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QToolButton>

namespace lesaro {

namespace {

// The design measures: labels at the left edge, inputs 150 wide beside them, a row every 24 pixels.
constexpr int kTop = 8;
constexpr int kRow = 24;
constexpr int kInputHeight = 21;
constexpr int kInputWidth = 150;
constexpr int kLeftLabelX = 10;
constexpr int kLeftInputX = 118;
constexpr int kRightLabelX = 290;
constexpr int kRightInputX = 405;
constexpr int kMemoHeight = 57;

enum class Kind { Edit, Box };

struct LeftRow {
    const char* label;
    const char* caption;
    const char* control;
    Kind kind;
    const char* field;
};

// Tab order 0 to 11.
constexpr LeftRow kLeftRows[] = {
    {"Label7", "Nummer", "DBEdit4", Kind::Edit, "Nummer"},
    {"LVerfasser", "Verfasser", "DBEdit1", Kind::Edit, "Verfasser"},
    {"LTitel", "Titel", "DBEdit2", Kind::Edit, "Titel"},
    {"LVerlag", "Verlag", "CBVerlag", Kind::Box, "Verlag"},
    {"LErcsheinungsjahr", "Erscheinungsjahr", "DBEdit8", Kind::Edit, "Erscheinungsjahr"},
    {"LErscheinungsort", "Erscheinungsort", "CBOrt", Kind::Box, "Erscheinungsort"},
    {"LAuflage", "Auflage", "DBEdit9", Kind::Edit, "Auflage"},
    {"LSachgruppe", "Sachgruppe", "CBSach", Kind::Box, "Sachgruppe"},
    {"LISBN", "ISBN", "DBEdit6", Kind::Edit, "ISBN"},
    {"LSignatur", "Signatur", "DBID", Kind::Edit, "Signatur"},
    {"LStandort", "Standort", "CBStand", Kind::Box, "Standort"},
    {"LPreis", "Preis", "DBEdit3", Kind::Edit, "Preis"},
};

// The labels the book column captions 1 to 12 name, in caption order.
constexpr const char* kCaptionedLabels[] = {"LVerfasser",       "LTitel",   "LVerlag",     "LErcsheinungsjahr",
                                            "LErscheinungsort", "LAuflage", "LSachgruppe", "LSignatur",
                                            "LStandort",        "LISBN",    "LPreis",      "LBemerkungen"};

// Remembered-value list and the box that shows it, in the order the lists are read.
struct ListBox {
    QLatin1StringView list;
    const char* box;
};
constexpr ListBox kListBoxes[] = {{INI::Sachgruppe, "CBSach"},
                                  {INI::Erscheinungsort, "CBOrt"},
                                  {INI::Standort, "CBStand"},
                                  {INI::Verlag, "CBVerlag"},
                                  {INI::Schlagwort, "CBSchlagwort1"}};

QLabel* makeLabel(QWidget* parent, const char* name, const QString& caption, int x, int y, int width) {
    auto* label = new QLabel(caption, parent);
    label->setObjectName(QString::fromLatin1(name));
    // Most captions are the field names the librarian typed in the Options: never markup.
    label->setTextFormat(Qt::PlainText);
    label->setGeometry(x, y + 3, width, 16);
    return label;
}

} // namespace

TDB1EingabeF::TDB1EingabeF(LibraryHandle& library, QWidget* parent)
    : LesaroDialog(parent)
    , m_library(library)
    , m_entry(library.DataBuecher(), this) {
    setObjectName(QStringLiteral("DB1EingabeF"));
    setWindowTitle(QStringLiteral("Bücher eingeben"));
    buildLayout();
    bindControls();
    setClientSize(585, 387);

    m_library.rules().setBookEntryWindow(this);
}

TDB1EingabeF::~TDB1EingabeF() {
    // The rules outlive the window.
    m_library.rules().setBookEntryWindow(nullptr);
}

bool TDB1EingabeF::entryShowing() const {
    return isVisible();
}

void TDB1EingabeF::showBorrower(const QString& borrower) {
    m_borrower->setText(borrower);
}

void TDB1EingabeF::buildLayout() {
    QWidget* area = contentArea();
    QList<QWidget*> tabOrder;
    for (int i = 0; i < int(std::size(kLeftRows)); ++i) {
        const LeftRow& row = kLeftRows[i];
        const int y = kTop + i * kRow;
        makeLabel(area, row.label, QString::fromUtf8(row.caption), kLeftLabelX, y, kLeftInputX - kLeftLabelX - 4);
        QWidget* input = nullptr;
        if (row.kind == Kind::Edit) {
            auto* edit = new DBEdit(area);
            m_edits << edit;
            input = edit;
        } else {
            auto* box = new DBComboBox(area);
            m_boxes << box;
            input = box;
        }
        input->setObjectName(QString::fromLatin1(row.control));
        input->setProperty("dataField", QString::fromLatin1(row.field));
        input->setGeometry(kLeftInputX, y, kInputWidth, kInputHeight);
        tabOrder << input;
    }

    const int labelWidth = kRightInputX - kRightLabelX - 4;
    makeLabel(area, "LBemerkungen", QStringLiteral("Bemerkungen"), kRightLabelX, kTop, labelWidth);
    m_memo = new DBMemo(area);
    m_memo->setObjectName(QStringLiteral("DBMemo1"));
    m_memo->setGeometry(kRightInputX, kTop, kInputWidth, kMemoHeight);
    tabOrder << m_memo;

    const int keywordsTop = kTop + kMemoHeight + 6;
    makeLabel(area, "LSchlagworte", QStringLiteral("Schlagworte"), kRightLabelX, keywordsTop, labelWidth);
    for (int i = 1; i <= 10; ++i) {
        auto* box = new DBComboBox(area);
        box->setObjectName(QStringLiteral("CBSchlagwort%1").arg(i));
        box->setProperty("dataField", QStringLiteral("Schlagwort%1").arg(i));
        box->setGeometry(kRightInputX, keywordsTop + (i - 1) * kRow, kInputWidth, kInputHeight);
        m_boxes << box;
        tabOrder << box;
    }

    // The borrower line sits below both columns, the history button at its right.
    const int borrowerY = keywordsTop + 10 * kRow + 2;
    makeLabel(area, "Lausgeliehen", QStringLiteral("Ausgeliehen an"), kLeftLabelX, borrowerY,
              kLeftInputX - kLeftLabelX - 4);
    m_borrower = new QLabel(area);
    m_borrower->setObjectName(QStringLiteral("LAusleiher"));
    m_borrower->setTextFormat(Qt::PlainText); // a reader's name as typed, never markup
    m_borrower->setGeometry(kLeftInputX, borrowerY + 3, kRightInputX - kLeftInputX - 8, 16);
    m_history = new QPushButton(QStringLiteral("Ausleihhistorie"), area);
    m_history->setObjectName(QStringLiteral("SpeedButton1"));
    m_history->setFocusPolicy(Qt::NoFocus);
    m_history->setGeometry(kRightInputX, borrowerY, kInputWidth, 23);
    connect(m_history, &QPushButton::clicked, this, &TDB1EingabeF::SpeedButton1Click);

    for (const char* name : kCaptionedLabels)
        m_captionedLabels << area->findChild<QLabel*>(QString::fromLatin1(name));

    FlatButton* neu = addBarButton(QStringLiteral("SRColorButton1"), QStringLiteral("NEU"));
    FlatButton* save = addBarButton(QStringLiteral("BSpeichern"), QStringLiteral("Speichern"));
    FlatButton* remove = addBarButton(QStringLiteral("BLoeschen"), QStringLiteral("Löschen"));
    FlatButton* close = addBarButton(QStringLiteral("BSchliessen"), QStringLiteral("Schließen"));
    connect(neu, &QPushButton::clicked, this, &TDB1EingabeF::BNeuClick);
    connect(save, &QPushButton::clicked, this, &TDB1EingabeF::Button3Click);
    connect(remove, &QPushButton::clicked, this, &TDB1EingabeF::Button4Click);
    connect(close, &QPushButton::clicked, this, &TDB1EingabeF::Button1Click);
    tabOrder << neu << save << remove << close;

    m_navigator = new DBNavigator(buttonBar());
    m_navigator->setObjectName(QStringLiteral("DBNavigator2"));
    m_navigator->button(DBNavigator::Button::Prior)->setToolTip(QStringLiteral("Vorheriges Mitglied"));
    m_navigator->button(DBNavigator::Button::Next)->setToolTip(QStringLiteral("Nächstes Mitglied"));
    if (auto* bar = qobject_cast<QHBoxLayout*>(buttonBar()->layout()))
        bar->insertWidget(bar->indexOf(close) + 1, m_navigator);

    for (int i = 1; i < tabOrder.size(); ++i)
        setTabOrder(tabOrder[i - 1], tabOrder[i]);
}

void TDB1EingabeF::bindControls() {
    DataSource* books = &m_library.DataBuecher();
    for (DBEdit* edit : std::as_const(m_edits))
        edit->bind(books, edit->property("dataField").toString());
    for (DBComboBox* box : std::as_const(m_boxes))
        box->bind(books, box->property("dataField").toString());
    m_memo->bind(books, QStringLiteral("Bemerkung"));
    m_navigator->bind(books);
}

DBComboBox* TDB1EingabeF::box(const QString& name) const {
    for (DBComboBox* b : m_boxes) {
        if (b->objectName() == name)
            return b;
    }
    return nullptr;
}

QStringList TDB1EingabeF::items(const QString& name) const {
    const DBComboBox* b = box(name);
    return b ? comboItems(b) : QStringList();
}

void TDB1EingabeF::setItems(const QString& name, const QStringList& items) {
    if (DBComboBox* b = box(name))
        replaceComboItems(b, items);
}

void TDB1EingabeF::LoadRememberedValues() {
    m_library.ClientBuecher().First();
    for (const char* name : {"CBOrt", "CBSach", "CBStand", "CBVerlag"})
        setItems(QString::fromLatin1(name), {});
    for (const ListBox& pair : kListBoxes)
        setItems(QString::fromLatin1(pair.box), INI::ReadRememberedValues(QString(pair.list)));
    const QStringList keywords = items(QStringLiteral("CBSchlagwort1"));
    for (int i = 2; i <= 10; ++i)
        setItems(QStringLiteral("CBSchlagwort%1").arg(i), keywords);
}

void TDB1EingabeF::ApplyFieldCaptions(const QStringList& bookColumnCaptions) {
    for (int i = 0; i < m_captionedLabels.size(); ++i) {
        // LPreis always says "Preis", whatever the caption table holds.
        if (m_captionedLabels[i] && i + 1 < bookColumnCaptions.size())
            m_captionedLabels[i]->setText(i == 10 ? QStringLiteral("Preis") : bookColumnCaptions[i + 1]);
    }
}

void TDB1EingabeF::FormShow() {
    run([this] { m_library.rules().ClientBuecherAfterScroll(m_library.ClientBuecher()); });
}

void TDB1EingabeF::BNeuClick() {
    m_entry.insertNew();
}

void TDB1EingabeF::Button3Click() {
    if (m_entry.editing())
        m_entry.save();
}

void TDB1EingabeF::Button4Click() {
    m_entry.remove(QStringLiteral("Möchten Sie dieses Buch wirklich löschen?"));
}

void TDB1EingabeF::Button1Click() {
    reject();
}

void TDB1EingabeF::SpeedButton1Click() {
    Q_EMIT loanHistoryRequested();
}

bool TDB1EingabeF::FormCloseQuery() {
    return m_entry.closeQuery();
}

} // namespace lesaro
