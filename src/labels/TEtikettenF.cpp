#include "labels/TEtikettenF.h"

#include "core/Clock.h"
#include "labels/LabelJob.h"
#include "labels/TEtikettenVorschauF.h"
#include "labels/rules/AddedSince.h"
#include "settings/INI.h"
#include "settings/SettingsStore.h"
#include "ui/DatePicker.h"
#include "ui/FlatButton.h"
#include "ui/LibraryHandle.h"
#include "ui/MessageService.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QRegularExpression>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QVBoxLayout>

namespace lesaro::labels {

namespace {

// Millimetres with the decimal comma, whatever the system's locale; a typed point counts as the comma.
class MeasureBox : public QDoubleSpinBox {
public:
    using QDoubleSpinBox::QDoubleSpinBox;

protected:
    QString textFromValue(double value) const override {
        return QString::number(value, 'f', decimals()).replace(QLatin1Char('.'), QLatin1Char(','));
    }
    double valueFromText(const QString& text) const override { return number(text).toDouble(); }
    QValidator::State validate(QString& input, int&) const override {
        static const QRegularExpression form(QStringLiteral("^\\d{0,3}([.,]\\d{0,2})?$"));
        const QString n = number(input);
        if (!form.match(n).hasMatch())
            return QValidator::Invalid;
        bool ok = false;
        const double v = QString(n).replace(QLatin1Char(','), QLatin1Char('.')).toDouble(&ok);
        return ok && v >= minimum() && v <= maximum() ? QValidator::Acceptable : QValidator::Intermediate;
    }

private:
    QString number(QString text) const {
        text = text.trimmed();
        if (text.endsWith(suffix()))
            text.chop(suffix().size());
        return text.trimmed().replace(QLatin1Char(','), QLatin1Char('.'));
    }
};

QDoubleSpinBox* measureBox(const QString& name, QWidget* parent) {
    auto* box = new MeasureBox(parent);
    box->setObjectName(name);
    box->setDecimals(2);
    box->setRange(0, 297);
    box->setSingleStep(0.1);
    box->setSuffix(QStringLiteral(" mm"));
    return box;
}

QSpinBox* countBox(const QString& name, int low, int high, QWidget* parent) {
    auto* box = new QSpinBox(parent);
    box->setObjectName(name);
    box->setRange(low, high);
    return box;
}

} // namespace

TEtikettenF::TEtikettenF(LibraryHandle& library, LabelKind kind, QWidget* parent)
    : LesaroDialog(parent)
    , m_library(library)
    , m_kind(kind)
    , m_CBBogen(new QComboBox(contentArea()))
    , m_ESpalten(countBox(QStringLiteral("ESpalten"), 0, 20, contentArea()))
    , m_EZeilen(countBox(QStringLiteral("EZeilen"), 0, 40, contentArea()))
    , m_EBreite(measureBox(QStringLiteral("EBreite"), contentArea()))
    , m_EHoehe(measureBox(QStringLiteral("EHoehe"), contentArea()))
    , m_EOben(measureBox(QStringLiteral("EOben"), contentArea()))
    , m_ELinks(measureBox(QStringLiteral("ELinks"), contentArea()))
    , m_EAbstandWaagerecht(measureBox(QStringLiteral("EAbstandWaagerecht"), contentArea()))
    , m_EAbstandSenkrecht(measureBox(QStringLiteral("EAbstandSenkrecht"), contentArea()))
    , m_RBListe(new QRadioButton(contentArea()))
    , m_RBBereich(new QRadioButton(QStringLiteral("von Nummer"), contentArea()))
    , m_RBSeit(new QRadioButton(contentArea()))
    , m_EVon(countBox(QStringLiteral("EVon"), std::numeric_limits<int>::min(), std::numeric_limits<int>::max(),
                      contentArea()))
    , m_EBis(countBox(QStringLiteral("EBis"), std::numeric_limits<int>::min(), std::numeric_limits<int>::max(),
                      contentArea()))
    , m_DTPSeit(new DatePicker(contentArea()))
    , m_EStart(countBox(QStringLiteral("EStart"), 1, 1, contentArea()))
    , m_EKopien(countBox(QStringLiteral("EKopien"), 1, 99, contentArea()))
    , m_CBStrichcode(new QComboBox(contentArea()))
    , m_EBibliothek(new QLineEdit(contentArea()))
    , m_LAnzahl(new QLabel(contentArea()))
    , m_LHinweis(new QLabel(contentArea())) {
    const bool books = kind == LabelKind::Book;
    setObjectName(books ? QStringLiteral("EtikettenF") : QStringLiteral("LeserausweiseF"));
    setWindowTitle(books ? QStringLiteral("Etiketten drucken") : QStringLiteral("Leserausweise drucken"));
    if (!books) {
        m_CBGueltig = new QCheckBox(QStringLiteral("gültig bis"), contentArea());
        m_CBGueltig->setObjectName(QStringLiteral("CBGueltig"));
        m_DTPGueltig = new DatePicker(contentArea());
        m_DTPGueltig->setObjectName(QStringLiteral("DTPGueltig"));
    }
    buildLayout();

    connect(m_CBBogen, &QComboBox::currentIndexChanged, this, &TEtikettenF::CBBogenChange);
    for (QSpinBox* box : {m_ESpalten, m_EZeilen})
        connect(box, &QSpinBox::valueChanged, this, &TEtikettenF::SheetFieldChange);
    for (QDoubleSpinBox* box : {m_EBreite, m_EHoehe, m_EOben, m_ELinks, m_EAbstandWaagerecht, m_EAbstandSenkrecht})
        connect(box, &QDoubleSpinBox::valueChanged, this, &TEtikettenF::SheetFieldChange);
    for (QRadioButton* r : {m_RBListe, m_RBBereich, m_RBSeit})
        connect(r, &QRadioButton::toggled, this, [this](bool on) {
            if (on)
                SelectionChange();
        });
    connect(m_EVon, &QSpinBox::valueChanged, this, [this] {
        if (m_RBBereich->isChecked())
            SelectionChange();
    });
    connect(m_EBis, &QSpinBox::valueChanged, this, [this] {
        if (m_RBBereich->isChecked())
            SelectionChange();
    });
    connect(m_DTPSeit, &QDateEdit::dateChanged, this, [this] {
        if (m_RBSeit->isChecked())
            SelectionChange();
    });
    connect(m_EStart, &QSpinBox::valueChanged, this, &TEtikettenF::recount);
    connect(m_EKopien, &QSpinBox::valueChanged, this, &TEtikettenF::recount);

    connect(addBarButton(QStringLiteral("BVorschau"), QStringLiteral("Vorschau")), &FlatButton::clicked, this,
            &TEtikettenF::BVorschauClick);
    connect(addBarButton(QStringLiteral("BDrucken"), QStringLiteral("Drucken")), &FlatButton::clicked, this,
            &TEtikettenF::BDruckenClick);
    connect(addBarButton(QStringLiteral("BSchliessen"), QStringLiteral("Schließen")), &FlatButton::clicked, this,
            &QDialog::reject);
    setClientSize(600, books ? 600 : 630);
}

TEtikettenF::~TEtikettenF() = default;

TEtikettenVorschauF* TEtikettenF::preview() const {
    return m_preview;
}

void TEtikettenF::buildLayout() {
    const bool books = m_kind == LabelKind::Book;
    QWidget* area = contentArea();
    auto* column = new QVBoxLayout(area);
    column->setContentsMargins(12, 10, 12, 6);

    auto* sheetBox = new QGroupBox(QStringLiteral("Etikettenbogen (A4)"), area);
    auto* sheetGrid = new QGridLayout(sheetBox);
    m_CBBogen->setObjectName(QStringLiteral("CBBogen"));
    for (const LabelSheet& s : LabelSheets::builtIn())
        m_CBBogen->addItem(s.name);
    m_CBBogen->addItem(LabelSheets::userSheetName());
    sheetGrid->addWidget(m_CBBogen, 0, 0, 1, 4);
    const struct {
        const char* caption;
        QWidget* box;
    } fields[] = {{"Spalten:", m_ESpalten},
                  {"Zeilen:", m_EZeilen},
                  {"Etikettenbreite:", m_EBreite},
                  {"Etikettenhöhe:", m_EHoehe},
                  {"Rand oben:", m_EOben},
                  {"Rand links:", m_ELinks},
                  {"Abstand waagerecht:", m_EAbstandWaagerecht},
                  {"Abstand senkrecht:", m_EAbstandSenkrecht}};
    for (int i = 0; i < int(std::size(fields)); ++i) {
        auto* label = new QLabel(QString::fromUtf8(fields[i].caption), sheetBox);
        label->setBuddy(fields[i].box);
        sheetGrid->addWidget(label, 1 + i / 2, (i % 2) * 2);
        sheetGrid->addWidget(fields[i].box, 1 + i / 2, (i % 2) * 2 + 1);
    }
    column->addWidget(sheetBox);

    auto* whichBox = new QGroupBox(books ? QStringLiteral("Welche Bücher") : QStringLiteral("Welche Leser"), area);
    auto* which = new QGridLayout(whichBox);
    m_RBListe->setObjectName(QStringLiteral("RBListe"));
    m_RBListe->setText(books ? QStringLiteral("die Bücher der Liste im Hauptfenster (Filter und Reihenfolge)")
                             : QStringLiteral("die Leser der Liste im Hauptfenster (Filter und Reihenfolge)"));
    m_RBBereich->setObjectName(QStringLiteral("RBBereich"));
    m_RBSeit->setObjectName(QStringLiteral("RBSeit"));
    m_RBSeit->setText(books ? QStringLiteral("hinzugekommen seit") : QStringLiteral("aufgenommen seit"));
    m_DTPSeit->setObjectName(QStringLiteral("DTPSeit"));
    auto* group = new QButtonGroup(this);
    for (QRadioButton* r : {m_RBListe, m_RBBereich, m_RBSeit})
        group->addButton(r);
    which->addWidget(m_RBListe, 0, 0, 1, 4);
    which->addWidget(m_RBBereich, 1, 0);
    which->addWidget(m_EVon, 1, 1);
    which->addWidget(new QLabel(QStringLiteral("bis"), whichBox), 1, 2, Qt::AlignRight);
    which->addWidget(m_EBis, 1, 3);
    which->addWidget(m_RBSeit, 2, 0);
    which->addWidget(m_DTPSeit, 2, 1);
    column->addWidget(whichBox);

    auto* printBox = new QGroupBox(QStringLiteral("Druck"), area);
    auto* form = new QFormLayout(printBox);
    form->addRow(QStringLiteral("Beginnen bei Etikett Nr.:"), m_EStart);
    form->addRow(books ? QStringLiteral("Etiketten je Buch:") : QStringLiteral("Ausweise je Leser:"), m_EKopien);
    m_CBStrichcode->setObjectName(QStringLiteral("CBStrichcode"));
    m_CBStrichcode->addItem(QStringLiteral("Code 128"));
    m_CBStrichcode->addItem(QStringLiteral("Code 39 (für ältere Scanner)"));
    form->addRow(QStringLiteral("Strichcode:"), m_CBStrichcode);
    m_EBibliothek->setObjectName(QStringLiteral("EBibliothek"));
    m_EBibliothek->setMaxLength(100);
    form->addRow(QStringLiteral("Name der Bücherei:"), m_EBibliothek);
    if (m_CBGueltig) {
        auto* valid = new QHBoxLayout;
        valid->addWidget(m_CBGueltig);
        valid->addWidget(m_DTPGueltig);
        valid->addStretch(1);
        form->addRow(QString(), valid);
        connect(m_CBGueltig, &QCheckBox::toggled, m_DTPGueltig, &QWidget::setEnabled);
    }
    column->addWidget(printBox);

    m_LAnzahl->setObjectName(QStringLiteral("LAnzahl"));
    QFont bold = m_LAnzahl->font();
    bold.setBold(true);
    m_LAnzahl->setFont(bold);
    m_LHinweis->setObjectName(QStringLiteral("LHinweis"));
    m_LHinweis->setWordWrap(true);
    m_LHinweis->setStyleSheet(QStringLiteral("color: #8b0000;"));
    column->addWidget(m_LAnzahl);
    column->addWidget(m_LHinweis);
    column->addStretch(1);
}

Table& TEtikettenF::table() {
    return m_kind == LabelKind::Book ? m_library.ClientBuecher() : m_library.ClientLeser();
}

QString TEtikettenF::settingPrefix() const {
    return m_kind == LabelKind::Book ? QStringLiteral("Etikett") : QStringLiteral("Ausweis");
}

void TEtikettenF::FormShow() {
    m_showing = true;
    // The printer chosen in the run stays the same while the window is open.
    m_printableMm = LabelJob(LabelPrintout{}, nullptr).printableMm();
    {
        const QSignalBlocker block(m_CBBogen);
        const QString stored = INI::ReadSettingString(settingPrefix() + QStringLiteral("Bogen"));
        int index = m_CBBogen->findText(stored);
        if (index < 0)
            index = m_kind == LabelKind::Book ? 0 : int(LabelSheets::builtIn().size()) - 1;
        m_CBBogen->setCurrentIndex(index);
    }
    CBBogenChange();
    m_CBStrichcode->setCurrentIndex(INI::ReadSettingInteger(settingPrefix() + QStringLiteral("Strichcode")) == 1 ? 1
                                                                                                                 : 0);
    m_EBibliothek->setText(INI::ReadSettingString(QStringLiteral("EtikettBibliothek")));
    m_EKopien->setValue(1);
    m_EStart->setValue(1);
    const QDate today = Clock::today();
    m_DTPSeit->setDate(today);
    if (m_DTPGueltig) {
        m_DTPGueltig->setDate(QDate(today.year(), 12, 31));
        m_CBGueltig->setChecked(false);
        m_DTPGueltig->setEnabled(false);
    }
    // The range proposes the numbers the table holds.
    const auto span = numberSpan(table());
    {
        const QSignalBlocker a(m_EVon);
        const QSignalBlocker b(m_EBis);
        m_EVon->setValue(span ? span->first : 1);
        m_EBis->setValue(span ? span->second : 1);
    }
    m_RBListe->setChecked(true);
    m_showing = false;
    SelectionChange();
    m_RBListe->setFocus();
}

bool TEtikettenF::FormCloseQuery() {
    storeSettings();
    return true;
}

void TEtikettenF::storeSettings() {
    INI::WriteSettingString(QStringLiteral("EtikettBibliothek"), m_EBibliothek->text().trimmed());
    INI::WriteSettingString(settingPrefix() + QStringLiteral("Bogen"), m_CBBogen->currentText());
    INI::WriteSettingInteger(settingPrefix() + QStringLiteral("Strichcode"), m_CBStrichcode->currentIndex());
    if (m_CBBogen->currentIndex() == m_CBBogen->count() - 1)
        LabelSheets::storeUserSheet(sheet());
    const QString error = SettingsStore::instance().takeWriteError();
    if (!error.isEmpty())
        MessageService::error(this, error);
}

LabelSheet TEtikettenF::sheet() const {
    LabelSheet s;
    s.name = m_CBBogen->currentText();
    s.columns = m_ESpalten->value();
    s.rows = m_EZeilen->value();
    s.labelWidth = m_EBreite->value();
    s.labelHeight = m_EHoehe->value();
    s.top = m_EOben->value();
    s.left = m_ELinks->value();
    s.hPitch = m_EAbstandWaagerecht->value();
    s.vPitch = m_EAbstandSenkrecht->value();
    return s;
}

void TEtikettenF::showSheet(const LabelSheet& s) {
    m_fillingSheet = true;
    m_ESpalten->setValue(s.columns);
    m_EZeilen->setValue(s.rows);
    m_EBreite->setValue(s.labelWidth);
    m_EHoehe->setValue(s.labelHeight);
    m_EOben->setValue(s.top);
    m_ELinks->setValue(s.left);
    m_EAbstandWaagerecht->setValue(s.hPitch);
    m_EAbstandSenkrecht->setValue(s.vPitch);
    m_fillingSheet = false;
}

void TEtikettenF::CBBogenChange() {
    const int index = m_CBBogen->currentIndex();
    const bool own = index == m_CBBogen->count() - 1;
    showSheet(own ? LabelSheets::loadUserSheet() : LabelSheets::builtIn().value(index));
    // A built-in sheet shows its measures; only the user's own sheet takes new ones.
    for (QWidget* box : std::initializer_list<QWidget*>{m_ESpalten, m_EZeilen, m_EBreite, m_EHoehe, m_EOben, m_ELinks,
                                                        m_EAbstandWaagerecht, m_EAbstandSenkrecht})
        box->setEnabled(own);
    SheetFieldChange();
}

void TEtikettenF::SheetFieldChange() {
    if (m_fillingSheet)
        return;
    const QSignalBlocker block(m_EStart);
    m_EStart->setMaximum(std::max(1, sheet().perSheet()));
    recount();
}

void TEtikettenF::SelectionChange() {
    if (m_showing)
        return;
    SelectionRequest request;
    m_selectionNote.clear();
    if (m_RBBereich->isChecked()) {
        request.mode = SelectionMode::NumberRange;
        request.from = m_EVon->value();
        request.to = m_EBis->value();
    } else if (m_RBSeit->isChecked()) {
        request.mode = SelectionMode::AddedSince;
        const AddedSinceMark mark = AddedSince::mark(
            m_library.data().DataFolder(),
            m_kind == LabelKind::Book ? QStringLiteral("buecher30.b04") : QStringLiteral("leser30.b04"),
            m_DTPSeit->date(), Clock::today(), qint32(table().largestStoredInteger(QStringLiteral("ID"))));
        if (!mark.error.isEmpty()) {
            m_selection = {};
            m_selectionNote = mark.error;
            recount();
            return;
        }
        request.idAbove = mark.idAbove;
        m_selectionNote = mark.note;
    }
    m_selection = select(table(), m_kind, request);
    recount();
}

LabelPrintout TEtikettenF::printout() {
    LabelPrintout p;
    p.kind = m_kind;
    p.sheet = sheet();
    p.records = m_selection.records;
    p.plan = LabelPlan(int(p.records.size()), m_EKopien->value(), m_EStart->value(), p.sheet.perSheet());
    p.symbology = m_CBStrichcode->currentIndex() == 1 ? Symbology::Code39 : Symbology::Code128;
    p.library = m_EBibliothek->text().trimmed();
    if (m_CBGueltig && m_CBGueltig->isChecked())
        p.card.validUntil = m_DTPGueltig->date();
    return p;
}

QString TEtikettenF::countText() const {
    return m_LAnzahl->text();
}

QString TEtikettenF::noteText() const {
    return m_LHinweis->text();
}

void TEtikettenF::recount() {
    const LabelSheet s = sheet();
    const QString problem = s.check();
    QStringList notes;
    if (!problem.isEmpty()) {
        m_LAnzahl->setText(QStringLiteral("Dieser Bogen passt nicht auf A4."));
        notes << problem;
    } else {
        const LabelPlan plan(int(m_selection.records.size()), m_EKopien->value(), m_EStart->value(), s.perSheet());
        m_LAnzahl->setText(LabelPlan::countText(plan.labelCount(), plan.sheetCount()));
        // Where the printer cannot print, the labels' content moves in; the user should know before the
        // sheet is spent.
        const QString edge = s.edgeWarning(m_printableMm);
        if (!edge.isEmpty())
            notes << edge;
    }
    if (m_selection.withoutNumber > 0) {
        const bool books = m_kind == LabelKind::Book;
        notes << (m_selection.withoutNumber == 1
                      ? (books ? QStringLiteral("1 Buch ohne Nummer bekommt kein Etikett und wird ausgelassen.")
                               : QStringLiteral("1 Leser ohne Nummer bekommt keinen Ausweis und wird ausgelassen."))
                      : (books ? QStringLiteral("%1 Bücher ohne Nummer bekommen kein Etikett und werden ausgelassen.")
                               : QStringLiteral("%1 Leser ohne Nummer bekommen keinen Ausweis und werden "
                                                "ausgelassen."))
                            .arg(m_selection.withoutNumber));
    }
    if (!m_selectionNote.isEmpty())
        notes << m_selectionNote;
    m_LHinweis->setText(notes.join(QLatin1Char('\n')));
}

bool TEtikettenF::ready(const LabelPrintout& p, const QString& problem) {
    if (!problem.isEmpty()) {
        MessageService::warning(this, problem);
        return false;
    }
    if (p.records.isEmpty()) {
        MessageService::notice(this, m_selectionNote.isEmpty() ? QStringLiteral("Es gibt keine Etiketten zu drucken.")
                                                               : m_selectionNote);
        return false;
    }
    return true;
}

void TEtikettenF::BVorschauClick() {
    run([this] {
        storeSettings();
        LabelPrintout p = printout();
        auto* window = new TEtikettenVorschauF(std::move(p), this);
        if (!ready(window->job()->printout(), window->job()->check())) {
            delete window;
            return;
        }
        m_preview = window;
        window->setModal(true);
        window->show();
    });
}

void TEtikettenF::BDruckenClick() {
    run([this] {
        storeSettings();
        LabelJob job(printout(), this);
        if (!ready(job.printout(), job.check()))
            return;
        job.printWithDialog(this);
    });
}

} // namespace lesaro::labels
