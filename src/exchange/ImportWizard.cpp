#include "exchange/ImportWizard.h"

#include "core/EngineError.h"
#include "core/Table.h"
#include "exchange/PreviewModel.h"
#include "ui/DataSource.h"
#include "ui/FileDialogService.h"
#include "ui/FlatButton.h"
#include "ui/MessageService.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QProgressDialog>
#include <QRadioButton>
#include <QTableView>
#include <QTableWidget>
#include <QToolButton>
#include <QVBoxLayout>
#include <new>

namespace lesaro {

namespace {

constexpr int kRowHeight = 18;

QLabel* label(const QString& text, QWidget* parent) {
    auto* l = new QLabel(text, parent);
    l->setWordWrap(true);
    return l;
}

// A string grid: no header row or column, whole rows selected, rows 18 pixels high.
void styleGrid(QTableView* grid, int columnWidth) {
    grid->horizontalHeader()->hide();
    grid->verticalHeader()->hide();
    grid->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    grid->verticalHeader()->setDefaultSectionSize(kRowHeight);
    grid->horizontalHeader()->setDefaultSectionSize(columnWidth);
    grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    grid->setSelectionMode(QAbstractItemView::SingleSelection);
    grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid->setWordWrap(false);
}

} // namespace

ImportWizard::ImportWizard(DataSource& source, QList<ImportTarget> targets, QWidget* parent)
    : LesaroDialog(parent)
    , m_source(source)
    , m_targets(std::move(targets))
    , m_assignment(m_targets.size(), -1)
    , m_P1(new QWidget(contentArea()))
    , m_preview(new PreviewModel(this))
    , m_P2(new QWidget(contentArea()))
    , m_preview2(new PreviewModel(this)) {
    m_P1->setObjectName(QStringLiteral("P1"));
    m_P2->setObjectName(QStringLiteral("P2"));
    auto* layout = new QVBoxLayout(contentArea());
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_P1);
    layout->addWidget(m_P2);
    buildStep1();
    buildStep2();
    m_SRColorButton4 = addBarButton(QStringLiteral("SRColorButton4"), QStringLiteral(" Weiter"));
    m_SRColorButton11 = addBarButton(QStringLiteral("SRColorButton11"), QStringLiteral(" zurück zu Schritt 1"));
    m_SRColorButton12 = addBarButton(QStringLiteral("SRColorButton12"), QStringLiteral(" Abschluss"));
    connect(m_SRColorButton4, &QPushButton::clicked, this, &ImportWizard::SRColorButton4Click);
    connect(m_SRColorButton11, &QPushButton::clicked, this, &ImportWizard::SRColorButton11Click);
    connect(m_SRColorButton12, &QPushButton::clicked, this, &ImportWizard::SRColorButton12Click);
    setClientSize(585, 383);
    showStep(1);
}

void ImportWizard::buildStep1() {
    auto* row = new QHBoxLayout(m_P1);
    row->setContentsMargins(10, 8, 10, 8);
    auto* left = new QVBoxLayout;
    left->setSpacing(4);
    left->addWidget(label(QStringLiteral("1. Schritt: Bitte wählen Sie die Quelldatei aus:"), m_P1));
    auto* pathRow = new QHBoxLayout;
    m_EQuelldatei = new QLineEdit(m_P1);
    m_EQuelldatei->setObjectName(QStringLiteral("EQuelldatei"));
    pathRow->addWidget(m_EQuelldatei, 1);
    m_SpeedButton4 = new QToolButton(m_P1);
    m_SpeedButton4->setObjectName(QStringLiteral("SpeedButton4"));
    m_SpeedButton4->setText(QStringLiteral("…"));
    m_SpeedButton4->setToolTip(QStringLiteral("Quelldatei wählen"));
    pathRow->addWidget(m_SpeedButton4);
    left->addLayout(pathRow);
    left->addSpacing(8);
    left->addWidget(label(QStringLiteral("2. Schritt für Excel- und Accessdateien: Auswahl der Tabelle"), m_P1));
    m_CBTabellen = new QComboBox(m_P1);
    m_CBTabellen->setObjectName(QStringLiteral("CBTabellen"));
    left->addWidget(m_CBTabellen);
    m_CBTitelzeile = new QCheckBox(QStringLiteral("1. Spalte in Excel-Datei enthält Feldbezeichner"), m_P1);
    m_CBTitelzeile->setObjectName(QStringLiteral("CBTitelzeile"));
    left->addWidget(m_CBTitelzeile);
    left->addSpacing(8);
    left->addWidget(label(QStringLiteral("2. Schritt für CSV- und Text-Dateien: Trennzeichen"), m_P1));
    m_RBTabulator = new QRadioButton(QStringLiteral("Tabulator"), m_P1);
    m_RBTabulator->setObjectName(QStringLiteral("RBTabulator"));
    m_RBSemikolon = new QRadioButton(QStringLiteral("Semikolon"), m_P1);
    m_RBSemikolon->setObjectName(QStringLiteral("RBSemikolon"));
    m_RBKomma = new QRadioButton(QStringLiteral("Komma"), m_P1);
    m_RBKomma->setObjectName(QStringLiteral("RBKomma"));
    m_RBSemikolon->setChecked(true);
    for (QRadioButton* b : {m_RBTabulator, m_RBSemikolon, m_RBKomma}) {
        left->addWidget(b);
        connect(b, &QRadioButton::clicked, this, &ImportWizard::CBTabellenClick);
    }
    auto* encodingRow = new QHBoxLayout;
    encodingRow->addWidget(new QLabel(QStringLiteral("Zeichensatz:"), m_P1));
    m_CBZeichensatz = new QComboBox(m_P1);
    m_CBZeichensatz->setObjectName(QStringLiteral("CBZeichensatz"));
    m_CBZeichensatz->addItem(QStringLiteral("Windows (ANSI)"), int(exchange::TextEncoding::Windows1252));
    m_CBZeichensatz->addItem(QStringLiteral("UTF-8"), int(exchange::TextEncoding::Utf8));
    m_CBZeichensatz->setToolTip(QStringLiteral("Wie die Textdatei geschrieben ist; beim Wählen der Datei erkannt"));
    encodingRow->addWidget(m_CBZeichensatz, 1);
    left->addLayout(encodingRow);
    connect(m_CBZeichensatz, &QComboBox::activated, this, &ImportWizard::CBZeichensatzClick);
    left->addStretch();
    row->addLayout(left, 1);

    auto* right = new QVBoxLayout;
    right->setSpacing(4);
    right->addWidget(label(QStringLiteral("Hier sehen Sie die Vorschau der Datei"), m_P1));
    m_SGDatei = new QTableView(m_P1);
    m_SGDatei->setObjectName(QStringLiteral("SGDatei"));
    m_SGDatei->setModel(m_preview);
    styleGrid(m_SGDatei, 105);
    m_SGDatei->setFixedWidth(2 * 105 + 2 * m_SGDatei->frameWidth() + 18);
    right->addWidget(m_SGDatei, 1);
    row->addLayout(right);

    connect(m_SpeedButton4, &QToolButton::clicked, this, &ImportWizard::SpeedButton4Click);
    connect(m_CBTabellen, &QComboBox::activated, this, &ImportWizard::CBTabellenClick);
    connect(m_CBTitelzeile, &QCheckBox::clicked, this, &ImportWizard::CBTabellenClick);
}

void ImportWizard::buildStep2() {
    auto* layout = new QVBoxLayout(m_P2);
    layout->setContentsMargins(10, 8, 10, 8);
    layout->setSpacing(4);
    layout->addWidget(label(QStringLiteral("3. Schritt: Bitte links und rechts die zusammengehörenden Zeilen markieren "
                                           "und dann auf den Pfeil klicken."),
                            m_P2));
    auto* grids = new QGridLayout;
    grids->addWidget(new QLabel(QStringLiteral("Spaltenzuordnung"), m_P2), 0, 0);
    grids->addWidget(new QLabel(QStringLiteral("Quelldatei"), m_P2), 0, 2);

    m_SGDatenbank = new QTableWidget(int(m_targets.size()), 3, m_P2);
    m_SGDatenbank->setObjectName(QStringLiteral("SGDatenbank"));
    styleGrid(m_SGDatenbank, 100);
    m_SGDatenbank->horizontalHeader()->show();
    m_SGDatenbank->horizontalHeader()->setStretchLastSection(true);
    m_SGDatenbank->setColumnWidth(0, 105);
    m_SGDatenbank->setColumnWidth(1, 90);
    grids->addWidget(m_SGDatenbank, 1, 0);

    auto* buttons = new QVBoxLayout;
    buttons->addStretch();
    m_SpeedButton5 = new QToolButton(m_P2);
    m_SpeedButton5->setObjectName(QStringLiteral("SpeedButton5"));
    m_SpeedButton5->setArrowType(Qt::LeftArrow);
    m_SpeedButton5->setToolTip(QStringLiteral("Zuordnen"));
    m_SpeedButton1 = new QToolButton(m_P2);
    m_SpeedButton1->setObjectName(QStringLiteral("SpeedButton1"));
    m_SpeedButton1->setText(QStringLiteral("X"));
    m_SpeedButton1->setToolTip(QStringLiteral("Zuordnung entfernen"));
    buttons->addWidget(m_SpeedButton5);
    buttons->addWidget(m_SpeedButton1);
    buttons->addStretch();
    grids->addLayout(buttons, 1, 1);

    m_SgDatei2 = new QTableView(m_P2);
    m_SgDatei2->setObjectName(QStringLiteral("SgDatei2"));
    m_SgDatei2->setModel(m_preview2);
    styleGrid(m_SgDatei2, 105);
    grids->addWidget(m_SgDatei2, 1, 2);
    grids->setColumnStretch(0, 3);
    grids->setColumnStretch(2, 2);
    layout->addLayout(grids, 1);

    connect(m_SpeedButton5, &QToolButton::clicked, this, &ImportWizard::SpeedButton5Click);
    connect(m_SpeedButton1, &QToolButton::clicked, this, &ImportWizard::SpeedButton1Click);
}

const PreviewGrid& ImportWizard::preview() const {
    return m_preview->grid();
}

void ImportWizard::showStep(int step) {
    m_P1->setVisible(step == 1);
    m_P2->setVisible(step != 1);
    m_SRColorButton4->setVisible(step == 1);
    m_SRColorButton11->setVisible(step != 1);
    m_SRColorButton12->setVisible(step != 1);
}

void ImportWizard::FormShow() {
    showStep(1);
    m_SGDatenbank->setHorizontalHeaderLabels(
        {QStringLiteral("Feldname"), QStringLiteral("zug. Dateifeld"), QStringLiteral("1. Datensatz")});
    for (int r = 0; r < m_targets.size(); ++r) {
        if (!m_SGDatenbank->item(r, 0))
            m_SGDatenbank->setItem(r, 0, new QTableWidgetItem);
        m_SGDatenbank->item(r, 0)->setText(m_targets[r].label);
    }
}

void ImportWizard::SpeedButton4Click() {
    const QString path = FileDialogService::openFileName(this, QStringLiteral("Quelldatei öffnen"));
    if (path.isEmpty())
        return;
    m_CBTabellen->clear();
    m_EQuelldatei->setText(path);
    m_encodingFound = false;
    CBTabellenClick();
}

exchange::Separator ImportWizard::separator() const {
    if (m_RBTabulator->isChecked())
        return exchange::Separator::Tab;
    if (m_RBKomma->isChecked())
        return exchange::Separator::Comma;
    return exchange::Separator::Semicolon;
}

void ImportWizard::CBTabellenClick() {
    const QString path = m_EQuelldatei->text();
    if (path.isEmpty())
        return;
    try {
        if (exchange::sourceKindOf(path) != exchange::SourceKind::Text) {
            if (m_CBTabellen->count() == 0)
                m_CBTabellen->addItems(exchange::ImportSource::tableNames(path));
            if (m_CBTabellen->currentText().isEmpty() && m_CBTabellen->count() > 0)
                m_CBTabellen->setCurrentIndex(0);
            if (m_CBTabellen->currentText().isEmpty())
                throw EngineError(exchange::damagedMessage(exchange::sourceKindOf(path), path));
        } else if (!m_encodingFound) {
            m_CBZeichensatz->setCurrentIndex(
                m_CBZeichensatz->findData(int(exchange::ImportSource::textEncodingOf(path))));
            m_encodingFound = true;
        }
        const auto encoding = exchange::TextEncoding(m_CBZeichensatz->currentData().toInt());
        m_preview->setGrid(PreviewGrid::fromRecords(
            exchange::ImportSource::read(path, m_CBTabellen->currentText(), separator(), encoding)));
        m_SRColorButton4->setEnabled(true);
    } catch (const EngineError& e) {
        refuseSource(e.message());
    } catch (const std::bad_alloc&) {
        refuseSource(exchange::tooLargeMessage());
    }
}

void ImportWizard::CBZeichensatzClick() {
    m_encodingFound = true; // the user's choice stands until another file is chosen
    CBTabellenClick();
}

// A source that cannot be read leaves nothing of the one before it: " Weiter" would otherwise take the
// earlier file's records under the new name.
void ImportWizard::refuseSource(const QString& message) {
    m_preview->setGrid(PreviewGrid::fromRecords({}));
    m_SRColorButton4->setEnabled(false);
    MessageService::error(this, message);
}

void ImportWizard::SRColorButton4Click() {
    if (!m_SRColorButton4->isEnabled())
        return;
    m_preview2->setGrid(m_preview->grid());
    showStep(3);
}

void ImportWizard::SpeedButton5Click() {
    const int r = m_SGDatenbank->currentIndex().isValid() ? m_SGDatenbank->currentIndex().row() : -1;
    const int f = m_SgDatei2->currentIndex().isValid() ? m_SgDatei2->currentIndex().row() : -1;
    if (r < 0 || r >= m_assignment.size() || f < 0)
        return;
    const PreviewGrid& grid = m_preview2->grid();
    for (int c = 1; c <= 2; ++c) {
        if (!m_SGDatenbank->item(r, c))
            m_SGDatenbank->setItem(r, c, new QTableWidgetItem);
        m_SGDatenbank->item(r, c)->setText(grid.cell(c - 1, f));
    }
    m_assignment[r] = f;
}

void ImportWizard::SpeedButton1Click() {
    const int r = m_SGDatenbank->currentIndex().isValid() ? m_SGDatenbank->currentIndex().row() : -1;
    if (r < 0 || r >= m_assignment.size())
        return;
    for (int c = 1; c <= 2; ++c)
        if (QTableWidgetItem* item = m_SGDatenbank->item(r, c))
            item->setText(QString());
    m_assignment[r] = -1;
}

void ImportWizard::SRColorButton11Click() {
    showStep(1);
}

void ImportWizard::SRColorButton12Click() {
    const PreviewGrid& grid = m_preview2->grid();
    const bool titleRow = m_CBTitelzeile->isChecked();
    const ImportReport before = ImportRun::unstorable(m_source.table(), grid, m_targets, m_assignment, titleRow);
    if (before.unstorable > 0 &&
        MessageService::confirm(this, QStringLiteral("%1 Felder enthalten Zeichen, die die Tabellendateien nicht "
                                                     "speichern können; sie würden als „?“ übernommen, z. B.\n%2\n\n"
                                                     "Trotzdem importieren?")
                                          .arg(before.unstorable)
                                          .arg(before.unstorableExamples.first())) != MessageService::Button::Yes)
        return;
    ImportReport report;
    try {
        // The lists show the result once, at the end.
        ControlsDisabled quiet({&m_source});
        std::unique_ptr<QProgressDialog> progress;
        if (grid.columnCount() > kProgressThreshold) {
            progress = std::make_unique<QProgressDialog>(QStringLiteral("Daten werden importiert …"), QString(), 0,
                                                         grid.columnCount(), this);
            progress->setWindowModality(Qt::WindowModal);
            progress->setMinimumDuration(0);
            progress->setValue(0);
        }
        ImportRun::run(
            m_source.table(), grid, m_targets, m_assignment, titleRow,
            [&](int done, int) {
                if (progress && done % 128 == 0)
                    progress->setValue(done);
            },
            &report);
    } catch (const EngineError& e) {
        MessageService::error(this, e.message());
        return;
    }
    QStringList notes;
    if (report.dropped > 0)
        notes.append((report.dropped == 1
                          ? QStringLiteral("1 Wert konnte nicht übernommen werden:\n")
                          : QStringLiteral("%1 Werte konnten nicht übernommen werden:\n").arg(report.dropped)) +
                     report.droppedExamples.join(QLatin1Char('\n')) +
                     (report.dropped > report.droppedExamples.size() ? QStringLiteral("\n…") : QString()));
    if (report.unstorable > 0)
        notes.append(QStringLiteral("%1 Felder wurden mit „?“ für Zeichen übernommen, die die Tabellendateien "
                                    "nicht speichern können:\n")
                         .arg(report.unstorable) +
                     report.unstorableExamples.join(QLatin1Char('\n')) +
                     (report.unstorable > report.unstorableExamples.size() ? QStringLiteral("\n…") : QString()));
    if (!notes.isEmpty())
        MessageService::notice(this, notes.join(QStringLiteral("\n\n")));
    accept();
}

} // namespace lesaro
