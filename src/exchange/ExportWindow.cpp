#include "exchange/ExportWindow.h"

#include "core/AtomicFile.h"
#include "core/EngineError.h"
#include "core/Table.h"
#include "ui/DataSource.h"
#include "ui/FileDialogService.h"
#include "ui/FlatButton.h"
#include "ui/MessageService.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressDialog>
#include <QRadioButton>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

namespace lesaro {

namespace {

QRadioButton* radio(const char* name, const QString& caption, QWidget* parent) {
    auto* b = new QRadioButton(caption, parent);
    b->setObjectName(QString::fromLatin1(name));
    return b;
}

QGroupBox* group(const char* name, const QString& caption, QWidget* parent) {
    auto* g = new QGroupBox(caption, parent);
    g->setObjectName(QString::fromLatin1(name));
    return g;
}

// The book export holds 23 check boxes in the window's design height: groups keep their margins small.
template <typename L>
L* compact(L* layout) {
    layout->setContentsMargins(6, 2, 4, 2);
    layout->setSpacing(0);
    return layout;
}

} // namespace

ExportWindow::ExportWindow(DataSource& source, QList<FieldChoice> fields, int fieldColumns, QString htmlTitle,
                           QWidget* parent)
    : LesaroDialog(parent)
    , m_source(source)
    , m_fields(std::move(fields))
    , m_htmlTitle(std::move(htmlTitle)) {
    QWidget* area = contentArea();
    auto* layout = new QVBoxLayout(area);
    layout->setContentsMargins(8, 4, 8, 4);
    layout->setSpacing(2);

    auto* format = group("GBFormat", QStringLiteral("Format"), area);
    auto* formatRow = compact(new QHBoxLayout(format));
    formatRow->setSpacing(16);
    m_RBCSV = radio("RBCSV", QStringLiteral("CSV"), format);
    m_RBHTML = radio("RBHTML", QStringLiteral("HTML"), format);
    m_RBTXT = radio("RBTXT", QStringLiteral("TXT"), format);
    for (QRadioButton* b : {m_RBCSV, m_RBHTML, m_RBTXT})
        formatRow->addWidget(b);
    formatRow->addStretch();
    m_RBCSV->setChecked(true);
    layout->addWidget(format);

    auto* target = group("GBDateiname", QStringLiteral("Dateiname"), area);
    auto* targetRow = compact(new QHBoxLayout(target));
    targetRow->setSpacing(6);
    targetRow->addWidget(new QLabel(QStringLiteral("Zieldatei"), target));
    m_EZieldatei = new QLineEdit(target);
    m_EZieldatei->setObjectName(QStringLiteral("EZieldatei"));
    targetRow->addWidget(m_EZieldatei, 1);
    m_SpeedButton1 = new QToolButton(target);
    m_SpeedButton1->setObjectName(QStringLiteral("SpeedButton1"));
    m_SpeedButton1->setText(QStringLiteral("…"));
    m_SpeedButton1->setToolTip(QStringLiteral("Zieldatei wählen"));
    targetRow->addWidget(m_SpeedButton1);
    layout->addWidget(target);

    m_GBFelder = group("GBFelder", QStringLiteral("Felder"), area);
    auto* fieldGrid = compact(new QGridLayout(m_GBFelder));
    fieldGrid->setHorizontalSpacing(0);
    const int perColumn = int((m_fields.size() + fieldColumns - 1) / fieldColumns);
    for (qsizetype i = 0; i < m_fields.size(); ++i) {
        auto* box = new QCheckBox(m_fields[i].caption, m_GBFelder);
        box->setObjectName(m_fields[i].checkBox);
        box->setChecked(true);
        fieldGrid->addWidget(box, int(i) % perColumn, int(i) / perColumn);
        m_fieldBoxes.append(box);
    }
    layout->addWidget(m_GBFelder);

    auto* options = new QHBoxLayout;
    m_GBTrennzeichen = group("GBTrennzeichen", QStringLiteral("Feld-Trennzeichen"), area);
    auto* separators = compact(new QVBoxLayout(m_GBTrennzeichen));
    m_RBTabulator = radio("RBTabulator", QStringLiteral("Tabulator"), m_GBTrennzeichen);
    m_RBSemikolon = radio("RBSemikolon", QStringLiteral("Semikolon"), m_GBTrennzeichen);
    m_RBKomma = radio("RBKomma", QStringLiteral("Komma"), m_GBTrennzeichen);
    for (QRadioButton* b : {m_RBTabulator, m_RBSemikolon, m_RBKomma})
        separators->addWidget(b);
    m_RBKomma->setChecked(true);
    options->addWidget(m_GBTrennzeichen);

    m_GBKennzeichner = group("GBKennzeichner", QStringLiteral("Text-Kennzeichner"), area);
    auto* qualifiers = compact(new QVBoxLayout(m_GBKennzeichner));
    m_RBdoppelt = radio("RBdoppelt", QStringLiteral("Anführungszeichen: \" \""), m_GBKennzeichner);
    m_RBeinfach = radio("RBeinfach", QStringLiteral("Anführungszeichen: ' '"), m_GBKennzeichner);
    m_RBkeine = radio("RBkeine", QStringLiteral("keine"), m_GBKennzeichner);
    for (QRadioButton* b : {m_RBdoppelt, m_RBeinfach, m_RBkeine})
        qualifiers->addWidget(b);
    m_RBdoppelt->setChecked(true);
    options->addWidget(m_GBKennzeichner);
    layout->addLayout(options);

    auto* title = group("GBTitelzeile", QStringLiteral("Titelzeile"), area);
    auto* titleRow = compact(new QHBoxLayout(title));
    m_CBTitelzeile = new QCheckBox(QStringLiteral("Erste Zeile enthält die Feldbezeichner"), title);
    m_CBTitelzeile->setObjectName(QStringLiteral("CBTitelzeile"));
    m_CBTitelzeile->setChecked(true);
    titleRow->addWidget(m_CBTitelzeile);
    layout->addWidget(title);
    layout->addStretch();

    m_Button1 = addBarButton(QStringLiteral("Button1"), QStringLiteral("Exportieren"));

    connect(m_RBCSV, &QRadioButton::clicked, this, &ExportWindow::RBCSVClick);
    connect(m_RBHTML, &QRadioButton::clicked, this, &ExportWindow::RBHTMLClick);
    connect(m_RBTXT, &QRadioButton::clicked, this, &ExportWindow::RBTXTClick);
    connect(m_EZieldatei, &QLineEdit::textChanged, this, &ExportWindow::EZieldateiChange);
    connect(m_SpeedButton1, &QToolButton::clicked, this, &ExportWindow::SpeedButton1Click);
    connect(m_Button1, &QPushButton::clicked, this, &ExportWindow::Button1Click);
}

void ExportWindow::FormShow() {
    m_EZieldatei->clear();
    m_Button1->setEnabled(false);
    RBCSVClick();
}

void ExportWindow::setSeparatorsEnabled(bool on) {
    for (QWidget* w : std::initializer_list<QWidget*>{m_GBTrennzeichen, m_GBKennzeichner, m_RBTabulator, m_RBSemikolon,
                                                      m_RBKomma, m_RBdoppelt, m_RBeinfach, m_RBkeine})
        w->setEnabled(on);
}

void ExportWindow::RBCSVClick() {
    setSeparatorsEnabled(true);
    m_RBdoppelt->setChecked(true);
    m_RBKomma->setChecked(true);
    for (QRadioButton* b : {m_RBeinfach, m_RBkeine, m_RBTabulator, m_RBSemikolon})
        b->setEnabled(false);
}

void ExportWindow::RBHTMLClick() {
    setSeparatorsEnabled(false);
}

void ExportWindow::RBTXTClick() {
    setSeparatorsEnabled(true);
}

void ExportWindow::EZieldateiChange() {
    m_Button1->setEnabled(!m_EZieldatei->text().isEmpty());
}

void ExportWindow::SpeedButton1Click() {
    QString filter = QStringLiteral("CSV-Dateien (*.csv)");
    QString extension = QStringLiteral("csv");
    if (m_RBHTML->isChecked()) {
        filter = QStringLiteral("HTML-Dateien (*.html)");
        extension = QStringLiteral("html");
    } else if (m_RBTXT->isChecked()) {
        filter = QStringLiteral("Text-Dateien (*.txt)");
        extension = QStringLiteral("txt");
    }
    QString name = FileDialogService::saveFileName(this, windowTitle(), {}, filter);
    if (name.isEmpty())
        return;
    // The dialog's default extension: a chosen name without one gets the format's. The dialog asked before
    // replacing the name as typed; the completed name may be another file that is already there, and a
    // librarian's file is not replaced unasked either. The question is the dialog's own, word for word.
    if (QFileInfo(name).suffix().isEmpty()) {
        name += QLatin1Char('.') + extension;
        const QString question = QStringLiteral("Die Datei %1 existiert bereits.\nSoll sie überschrieben werden?")
                                     .arg(QFileInfo(name).fileName());
        if (QFileInfo::exists(name) && MessageService::confirm(this, question) != MessageService::Button::Yes)
            return;
    }
    m_EZieldatei->setText(name);
}

ExportSettings ExportWindow::settings() const {
    ExportSettings s;
    s.format = m_RBHTML->isChecked()  ? ExportFormat::Html
               : m_RBTXT->isChecked() ? ExportFormat::Txt
                                      : ExportFormat::Csv;
    s.separator = m_RBTabulator->isChecked() ? '\t' : m_RBKomma->isChecked() ? ',' : ';';
    s.qualifier = m_RBkeine->isChecked() ? '\0' : m_RBeinfach->isChecked() ? '\'' : '"';
    s.titleRow = m_CBTitelzeile->isChecked();
    s.htmlTitle = m_htmlTitle;
    QList<std::pair<int, ExportColumn>> chosen;
    for (qsizetype i = 0; i < m_fields.size(); ++i)
        if (m_fieldBoxes[i]->isChecked())
            chosen.append({m_fields[i].position, m_fields[i].column});
    std::stable_sort(chosen.begin(), chosen.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    for (const auto& c : chosen)
        s.columns.append(c.second);
    return s;
}

void ExportWindow::Button1Click() {
    const QString target = m_EZieldatei->text();
    if (target.isEmpty())
        return;
    const ExportSettings s = settings();
    ExportResult result;
    try {
        // The lists hold still while the table is read, and are shown once at the end.
        ControlsDisabled quiet({&m_source});
        std::unique_ptr<QProgressDialog> progress;
        if (m_source.table().viewCount() > kProgressThreshold) {
            progress = std::make_unique<QProgressDialog>(QStringLiteral("Daten werden exportiert …"), QString(), 0,
                                                         m_source.table().viewCount(), this);
            progress->setWindowModality(Qt::WindowModal);
            progress->setMinimumDuration(0);
            progress->setValue(0);
        }
        result = exportTable(m_source.table(), s, [&](int done, int) {
            if (progress)
                progress->setValue(done);
        });
        writeFileAtomically(target, result.bytes);
    } catch (const EngineError& e) {
        MessageService::error(this, e.message());
        return;
    }
    if (result.replacedValues > 0)
        MessageService::notice(this, QStringLiteral("%1 Werte enthielten Zeichen, die der Zeichensatz Windows-1252 "
                                                    "nicht kennt; sie wurden als \"?\" geschrieben.")
                                         .arg(result.replacedValues));
    accept();
}

} // namespace lesaro
