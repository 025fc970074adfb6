#include "catalogue/TDB1EingabeF.h"

#include "catalogue/ComboItems.h"
#include "catalogue/rules/Isbn.h"
#include "catalogue/rules/IsbnCopies.h"
#include "catalogue/rules/TitleFill.h"
#include "core/Table.h"
#include "settings/INI.h"
#include "settings/TitleServices.h"
#include "ui/ButtonBar.h"
#include "ui/DBComboBox.h"
#include "ui/DBEdit.h"
#include "ui/DBMemo.h"
#include "ui/DBNavigator.h"
#include "ui/FlatButton.h"
#include "ui/LibraryHandle.h"
#include "ui/MessageService.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

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

    m_copies = new IsbnCopies(m_library.ClientBuecher(), this);
    m_lookup = new TitleLookup(this);
    connect(m_lookup, &TitleLookup::finished, this, &TDB1EingabeF::titleDataArrived);
    // Title data asked for one book never fill another.
    connect(&m_library.DataBuecher(), &DataSource::currentRowChanged, this, [this] {
        if (m_lookup->running())
            m_lookup->cancel();
    });
    connect(m_isbn, &QLineEdit::textChanged, this, &TDB1EingabeF::DBEdit6Change);
    DBEdit6Change();

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
    // The rules call this whenever the window's book changes. Two books of one ISBN show the same text in
    // the box, which then says nothing, so the note on other copies is looked for here as well.
    DBEdit6Change();
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

    m_isbn = area->findChild<DBEdit*>(QStringLiteral("DBEdit6"));
    buildIsbnTools(area, m_isbn);
}

void TDB1EingabeF::buildIsbnTools(QWidget* area, QWidget* isbnEdit) {
    // Beside the ISBN box, where the right column has no label: the hint or the conversion, then the lookup.
    // Like the history button they take no focus, so the tab order stays that of the fields; Enter in the
    // ISBN box asks for the title data.
    const QRect box = isbnEdit->geometry();
    const int x = box.right() + 3;
    m_isbnWarning = new QLabel(area);
    m_isbnWarning->setObjectName(QStringLiteral("LISBNWarnung"));
    m_isbnWarning->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxWarning).pixmap(16, 16));
    m_isbnWarning->setGeometry(x, box.y() + 2, 18, 18);
    m_isbnWarning->hide();

    m_isbn13 = new QToolButton(area);
    m_isbn13->setObjectName(QStringLiteral("BISBN13"));
    m_isbn13->setText(QStringLiteral("13"));
    m_isbn13->setToolTip(QStringLiteral("In ISBN-13 umwandeln"));
    m_isbn13->setFocusPolicy(Qt::NoFocus);
    m_isbn13->setGeometry(x, box.y(), 24, box.height());
    m_isbn13->hide();
    connect(m_isbn13, &QToolButton::clicked, this, &TDB1EingabeF::BISBN13Click);

    m_fetch = new QPushButton(QStringLiteral("Titeldaten holen"), area);
    m_fetch->setObjectName(QStringLiteral("BTiteldaten"));
    m_fetch->setToolTip(QStringLiteral("Titeldaten zu dieser ISBN beim Bibliothekskatalog abfragen (nur die ISBN "
                                       "wird übertragen)"));
    m_fetch->setFocusPolicy(Qt::NoFocus);
    m_fetch->setGeometry(x + 27, box.y() - 1, kRightInputX - 4 - (x + 27), box.height() + 2);
    connect(m_fetch, &QPushButton::clicked, this, &TDB1EingabeF::BTiteldatenClick);

    // Below the left column, above the borrower line: a second copy, a running lookup.
    const int below = kTop + int(std::size(kLeftRows)) * kRow - 1;
    m_isbnNote = new QLabel(area);
    m_isbnNote->setObjectName(QStringLiteral("LISBNHinweis"));
    m_isbnNote->setTextFormat(Qt::PlainText); // titles and names as stored, never markup
    m_isbnNote->setGeometry(kLeftLabelX, below, kRightInputX - kLeftLabelX - 8, 17);

    isbnEdit->installEventFilter(this);
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
    // The rules' scroll step names the borrower and, through it, the book's other copies.
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
    if (!m_entry.closeQuery())
        return false;
    // A lookup still running has no book left to fill.
    m_lookup->cancel();
    return true;
}

} // namespace lesaro

namespace lesaro {

namespace {

// The fields a lookup fills, which must be empty for Enter in the ISBN box to ask.
constexpr const char* kTitleFields[] = {"Verfasser",        "Titel",           "Verlag",
                                        "Erscheinungsjahr", "Erscheinungsort", "Auflage"};

} // namespace

QString TDB1EingabeF::fieldText(const QString& field) const {
    Table& books = m_library.ClientBuecher();
    if (!books.Active() || books.fieldIndex(field) < 0)
        return {};
    if (books.State() != TableState::Insert && books.RecordCount() == 0)
        return {};
    return books.FieldByName(field).AsString();
}

int TDB1EingabeF::currentBookId() const {
    return fieldText(QStringLiteral("ID")).toInt();
}

QString TDB1EingabeF::fieldCaption(const QString& field) const {
    for (const LeftRow& row : kLeftRows) {
        if (field == QLatin1StringView(row.field)) {
            if (const auto* label = findChild<QLabel*>(QString::fromLatin1(row.label));
                label && !label->text().isEmpty())
                return label->text();
        }
    }
    if (field.startsWith(u"Schlagwort"))
        return QStringLiteral("Schlagwort ") + field.mid(10);
    return field;
}

bool TDB1EingabeF::titleFieldsEmpty() const {
    for (const char* field : kTitleFields) {
        if (!fieldText(QString::fromLatin1(field)).trimmed().isEmpty())
            return false;
    }
    return true;
}

void TDB1EingabeF::showIsbnNote(const QString& text) {
    // One line below the fields: a long title is cut with an ellipsis, the tooltip holds it whole.
    m_isbnNote->setText(m_isbnNote->fontMetrics().elidedText(text, Qt::ElideRight, m_isbnNote->width()));
    m_isbnNote->setToolTip(text);
}

void TDB1EingabeF::DBEdit6Change() {
    const QString text = m_isbn->text();
    const Isbn::Verdict verdict = Isbn::check(text);
    const QString warning = Isbn::warningText(verdict);
    m_isbnWarning->setToolTip(warning);
    m_isbnWarning->setVisible(!warning.isEmpty());
    m_isbn13->setVisible(verdict == Isbn::Verdict::Valid10);
    // The other copies are looked for only while the window shows: the book table's every load and move
    // would otherwise index the whole catalogue's ISBNs in the middle of the start. Showing looks afresh.
    const bool look = m_copies && isVisible();
    m_copiesNote = IsbnCopies::note(look ? m_copies->copies(text, currentBookId()) : QList<IsbnCopies::Copy>());
    if (!m_lookup || !m_lookup->running())
        showIsbnNote(m_copiesNote);
}

void TDB1EingabeF::BISBN13Click() {
    const QString converted = Isbn::toIsbn13(m_isbn->text());
    if (converted.isEmpty())
        return;
    // As if typed: the box puts the book into edit state and stores the text.
    m_isbn->setFocus();
    m_isbn->selectAll();
    m_isbn->insert(converted);
}

bool TDB1EingabeF::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_isbn && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        // A scanner ends the number with Enter: on a book with no title data yet that asks for them.
        if ((key == Qt::Key_Return || key == Qt::Key_Enter) && !m_lookup->running() && titleFieldsEmpty() &&
            Isbn::compact(m_isbn->text()).size() >= 10) {
            BTiteldatenClick();
            return true;
        }
    }
    return LesaroDialog::eventFilter(watched, event);
}

void TDB1EingabeF::showAsking(bool asking) {
    m_fetch->setText(asking ? QStringLiteral("Abbrechen") : QStringLiteral("Titeldaten holen"));
    if (asking)
        showIsbnNote(QStringLiteral("Titeldaten werden geholt …"));
    else
        showIsbnNote(m_copiesNote);
}

void TDB1EingabeF::BTiteldatenClick() {
    if (m_lookup->running()) {
        m_lookup->cancel();
        return;
    }
    const QString isbn = m_isbn->text();
    const qsizetype length = Isbn::compact(isbn).size();
    if (length != 10 && length != 13) {
        MessageService::notice(this, QStringLiteral("Bitte zuerst eine ISBN mit 10 oder 13 Stellen eingeben."));
        return;
    }
    QList<SruService> services;
    for (const TitleServices::Service& s : TitleServices::configured())
        services << SruService{s.address, s.index};
    m_askedForBook = currentBookId();
    m_askedIsbn = isbn;
    showAsking(true);
    m_lookup->start(services, isbn);
}

void TDB1EingabeF::titleDataArrived(const TitleLookup::Result& result) {
    showAsking(false);
    switch (result.outcome) {
    case TitleLookup::Outcome::Cancelled:
        return;
    case TitleLookup::Outcome::Failed:
        MessageService::error(this, result.message);
        return;
    case TitleLookup::Outcome::NothingFound:
        MessageService::notice(this, TitleLookup::nothingFoundMessage());
        return;
    case TitleLookup::Outcome::Found:
        break;
    }
    // The librarian went on working meanwhile: the data belong to the ISBN asked for, on the book asked for.
    if (currentBookId() != m_askedForBook || Isbn::key(m_isbn->text()) != Isbn::key(m_askedIsbn)) {
        showIsbnNote(QStringLiteral("Die ISBN wurde während der Abfrage geändert; die Titeldaten wurden nicht "
                                    "übernommen."));
        return;
    }
    const int chosen = result.records.size() == 1 ? 0 : chooseRecord(result.records);
    if (chosen < 0)
        return;
    takeOver(result.records[chosen]);
}

int TDB1EingabeF::chooseRecord(const QList<TitleData>& records) {
    LesaroDialog choice(this);
    choice.setObjectName(QStringLiteral("TitelAuswahlF"));
    choice.setWindowTitle(QStringLiteral("Titeldaten auswählen"));
    auto* layout = new QVBoxLayout(choice.contentArea());
    auto* label =
        new QLabel(QStringLiteral("Zu dieser ISBN gibt es %1 Einträge. Welcher ist das Buch?").arg(records.size()),
                   choice.contentArea());
    auto* list = new QListWidget(choice.contentArea());
    list->setObjectName(QStringLiteral("LBTreffer"));
    for (const TitleData& t : records)
        list->addItem(t.summary());
    list->setCurrentRow(0);
    layout->addWidget(label);
    layout->addWidget(list);
    connect(list, &QListWidget::itemDoubleClicked, &choice, &QDialog::accept);
    connect(choice.addBarButton(QStringLiteral("BUebernehmen"), QStringLiteral("Übernehmen")), &QPushButton::clicked,
            &choice, &QDialog::accept);
    connect(choice.addBarButton(QStringLiteral("BAbbrechen"), QStringLiteral("Abbrechen")), &QPushButton::clicked,
            &choice, &QDialog::reject);
    choice.setClientSize(520, 200);
    if (choice.exec() != QDialog::Accepted)
        return -1;
    return list->currentRow();
}

void TDB1EingabeF::takeOver(const TitleData& data) {
    QHash<QString, QString> current;
    for (const QString& field : TitleFill::fieldNames() + TitleFill::keywordFields())
        current.insert(field, fieldText(field));
    const TitleFill fill(data, current);
    QList<TitleFill::Change> changes = fill.fills();
    if (!fill.conflicts().isEmpty()) {
        QString question = QStringLiteral("Diese Felder sind schon ausgefüllt:\n");
        for (const TitleFill::Change& c : fill.conflicts())
            question += QStringLiteral("\n%1: „%2“ – im Katalog: „%3“")
                            .arg(fieldCaption(c.field), current.value(c.field).trimmed(), c.value);
        question += QStringLiteral("\n\nMit den Titeldaten überschreiben? (Nein füllt nur die leeren Felder.)");
        using B = MessageService::Button;
        switch (MessageService::confirm(this, question, MessageService::Buttons(B::Yes) | B::No | B::Cancel)) {
        case B::Yes:
            changes += fill.conflicts();
            break;
        case B::No:
            break;
        default:
            return;
        }
    }
    if (changes.isEmpty()) {
        showIsbnNote(QStringLiteral("Die Titeldaten bringen nichts Neues für dieses Buch."));
        return;
    }
    QStringList filled;
    int keywords = 0;
    const bool done = run([&] {
        Table& books = m_library.ClientBuecher();
        if (books.State() == TableState::Browse)
            books.Edit();
        for (const TitleFill::Change& c : std::as_const(changes)) {
            books.FieldByName(c.field).setAsString(c.value);
            if (c.field.startsWith(u"Schlagwort"))
                ++keywords;
            else
                filled << fieldCaption(c.field);
        }
    });
    if (keywords > 0)
        filled << (keywords == 1 ? QStringLiteral("1 Schlagwort") : QStringLiteral("%1 Schlagworte").arg(keywords));
    if (done) {
        // A second copy stays named: the record filled this book, the librarian still has the first one.
        const QString taken = QStringLiteral("Übernommen: ") + filled.join(QStringLiteral(", "));
        showIsbnNote(m_copiesNote.isEmpty() ? taken : m_copiesNote + QStringLiteral(" – ") + taken);
    }
}

} // namespace lesaro
