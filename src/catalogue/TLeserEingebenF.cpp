#include "catalogue/TLeserEingebenF.h"

#include "catalogue/ComboItems.h"
#include "catalogue/rules/PostcodeLookup.h"
#include "ui/ButtonBar.h"
#include "ui/DBComboBox.h"
#include "ui/DBEdit.h"
#include "ui/DBMemo.h"
#include "ui/DBNavigator.h"
#include "ui/DataGrid.h"
#include "ui/FlatButton.h"
#include "ui/LibraryHandle.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QToolButton>

namespace lesaro {

namespace {

// Captions at the left, inputs 180 wide beside them, a row every 24 pixels.
constexpr int kTop = 8;
constexpr int kRow = 24;
constexpr int kInputHeight = 21;
constexpr int kLabelX = 16;
constexpr int kInputX = 110;
constexpr int kInputWidth = 180;

struct Row {
    const char* caption;
    const char* control;
    const char* field;
};

// Tab order 0 to 9; the town box (5) and the remarks box (9) are made apart.
constexpr Row kRows[] = {
    {"Nummer", "DBEdit4", "Nummer"},         {"Vorname", "DBEdit1", "Vorname"}, {"Nachname", "DBEdit2", "Nachname"},
    {"Straße", "DBEdit3", "Strae"},          {"PLZ", "DBEdit8", "PLZ"},         {"Ort", "CBOrt", "Ort"},
    {"Telefon", "DBEdit5", "Telefon"},       {"eMail", "DBEdit9", "eMail"},     {"Sonstiges", "DBEdit6", "Sonstiges1"},
    {"Bemerkungen", "DBMemo1", "Bemerkung"},
};

} // namespace

TLeserEingebenF::TLeserEingebenF(LibraryHandle& library, QWidget* parent)
    : LesaroDialog(parent)
    , m_library(library)
    , m_entry(library.DataLeser(), this)
    , m_postcodes(new PostcodeLookup(library.ClientDataSet4(), this)) {
    setObjectName(QStringLiteral("LeserEingebenF"));
    setWindowTitle(QStringLiteral("Leserverwaltung"));
    // Unlike the other dialogs this one keeps the system's face colour and an ordinary window frame.
    setPalette(QApplication::palette());
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                   Qt::MSWindowsFixedSizeDialogHint);
    buildLayout();
    setClientSize(371, 439);
    m_library.rules().setReaderEntryWindow(this);
}

TLeserEingebenF::~TLeserEingebenF() {
    m_library.rules().setReaderEntryWindow(nullptr);
}

bool TLeserEingebenF::entryShowing() const {
    return isVisible();
}

void TLeserEingebenF::buildLayout() {
    QWidget* area = contentArea();
    DataSource* readers = &m_library.DataLeser();
    QList<QWidget*> tabOrder;
    int y = kTop;
    for (const Row& row : kRows) {
        auto* label = new QLabel(QString::fromUtf8(row.caption), area);
        label->setGeometry(kLabelX, y + 3, kInputX - kLabelX - 4, 16);
        const QString name = QString::fromLatin1(row.control);
        const QString field = QString::fromLatin1(row.field);
        QWidget* input = nullptr;
        int height = kInputHeight;
        if (name == QLatin1String("CBOrt")) {
            m_town = new DBComboBox(area);
            m_town->bind(readers, field);
            input = m_town;
        } else if (name == QLatin1String("DBMemo1")) {
            m_memo = new DBMemo(area);
            m_memo->bind(readers, field);
            input = m_memo;
            height = 73;
        } else {
            auto* edit = new DBEdit(area);
            edit->bind(readers, field);
            m_edits << edit;
            input = edit;
        }
        input->setObjectName(name);
        input->setGeometry(kInputX, y, kInputWidth, height);
        tabOrder << input;
        y += height > kInputHeight ? height + 5 : kRow;
    }
    for (DBEdit* edit : std::as_const(m_edits)) {
        if (edit->objectName() == QLatin1String("DBEdit8"))
            connect(edit, &DBEdit::exited, this, &TLeserEingebenF::DBEdit8Exit);
    }

    auto* loansLabel = new QLabel(QStringLiteral("ausgeliehene Bücher"), area);
    loansLabel->setObjectName(QStringLiteral("Label11"));
    loansLabel->setGeometry(kLabelX, y, 200, 16);
    m_loans = new DataGrid(area);
    m_loans->setObjectName(QStringLiteral("DBGrid1"));
    m_loans->bind(&m_library.DataAusleihe(), {{QStringLiteral("BuchNummer"), QStringLiteral("Nummer"), 50},
                                              {QStringLiteral("BuchVerfasser"), QStringLiteral("Verfasser"), 100},
                                              {QStringLiteral("BuchTitel"), QStringLiteral("Titel"), 100}});
    m_loans->setGeometry(kLabelX, y + 17, 289, 64);
    connect(m_loans, &DataGrid::titleClicked, this, [this](int, const QString& field) { DBGrid1TitleClick(field); });
    tabOrder << m_loans;

    FlatButton* neu = addBarButton(QStringLiteral("SRColorButton1"), QStringLiteral("NEU"));
    FlatButton* save = addBarButton(QStringLiteral("BSpeichern"), QStringLiteral("Speichern"));
    FlatButton* remove = addBarButton(QStringLiteral("BLoeschen"), QStringLiteral("Löschen"));
    FlatButton* close = addBarButton(QStringLiteral("BSchliessen"), QStringLiteral("Schließen"));
    connect(neu, &QPushButton::clicked, this, &TLeserEingebenF::SRColorButton1Click);
    connect(save, &QPushButton::clicked, this, &TLeserEingebenF::BSpeichernClick);
    connect(remove, &QPushButton::clicked, this, &TLeserEingebenF::BLoeschenClick);
    connect(close, &QPushButton::clicked, this, &TLeserEingebenF::BSchliessenClick);
    tabOrder << neu << save << remove << close;
    // The window is narrow: four captions, the navigator and the help button share its 371 pixels.
    for (FlatButton* b : {neu, save, remove, close})
        b->setStyleSheet(b->styleSheet() + QStringLiteral(" lesaro--FlatButton { padding: 3px 6px; }"));
    if (auto* bar = qobject_cast<QHBoxLayout*>(buttonBar()->layout())) {
        bar->setSpacing(5);
        bar->setContentsMargins(6, 0, 6, 0);
    }

    m_navigator = new DBNavigator(buttonBar());
    m_navigator->setObjectName(QStringLiteral("DBNavigator2"));
    m_navigator->button(DBNavigator::Button::Prior)->setToolTip(QStringLiteral("Vorheriges Mitglied"));
    m_navigator->button(DBNavigator::Button::Next)->setToolTip(QStringLiteral("Nächstes Mitglied"));
    m_navigator->bind(readers);
    if (auto* bar = qobject_cast<QHBoxLayout*>(buttonBar()->layout()))
        bar->insertWidget(bar->indexOf(close) + 1, m_navigator);

    for (int i = 1; i < tabOrder.size(); ++i)
        setTabOrder(tabOrder[i - 1], tabOrder[i]);
}

void TLeserEingebenF::FormShow() {
    run([this] { m_library.rules().ClientLeserAfterScroll(m_library.ClientLeser()); });
}

void TLeserEingebenF::DBEdit8Exit() {
    Table& readers = m_library.ClientLeser();
    if (!readers.Active())
        return;
    // The postcode is looked up exactly as it stands in the field; a quote or a star in it is a
    // character like any other and finds nothing.
    const QStringList towns = m_postcodes->towns(readers.FieldByName(QStringLiteral("PLZ")).AsString());
    replaceComboItems(m_town, towns);
    if (towns.isEmpty() || !m_town->currentText().isEmpty() || !m_entry.editing())
        return;
    run([&] { readers.FieldByName(QStringLiteral("Ort")).setAsString(towns.first()); });
}

void TLeserEingebenF::SRColorButton1Click() {
    m_entry.insertNew();
}

void TLeserEingebenF::BSpeichernClick() {
    // The box that has the focus may hold a text the table has not taken yet; it counts as a change.
    if (!m_library.DataLeser().UpdateRecord())
        return;
    if (m_entry.editing() && m_library.ClientLeser().Modified())
        m_entry.save();
}

void TLeserEingebenF::BLoeschenClick() {
    m_entry.remove(QStringLiteral("Möchten Sie diesen Leser wirklich löschen?"));
}

void TLeserEingebenF::BSchliessenClick() {
    reject();
}

void TLeserEingebenF::DBGrid1TitleClick(const QString& fieldName) {
    run([&] { m_library.ClientAusleihe().setIndexFieldNames(fieldName); });
}

bool TLeserEingebenF::FormCloseQuery() {
    return m_entry.closeQuery();
}

} // namespace lesaro
