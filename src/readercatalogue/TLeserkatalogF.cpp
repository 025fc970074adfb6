#include "readercatalogue/TLeserkatalogF.h"

#include "core/Clock.h"
#include "core/EngineError.h"
#include "readercatalogue/rules/CatalogueFolder.h"
#include "readercatalogue/rules/ReaderCatalogue.h"
#include "settings/INI.h"
#include "ui/DataSource.h"
#include "ui/FileDialogService.h"
#include "ui/FlatButton.h"
#include "ui/LibraryHandle.h"
#include "ui/MessageService.h"

#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressDialog>
#include <QRadioButton>
#include <QStorageInfo>
#include <QToolButton>
#include <QVBoxLayout>

namespace lesaro {

namespace {

const QString kChoiceSetting = QStringLiteral("Leserkatalog");
const QString kFolderSetting = QStringLiteral("LeserkatalogOrdner");

QGroupBox* group(const char* name, const QString& caption, QWidget* parent) {
    auto* g = new QGroupBox(caption, parent);
    g->setObjectName(QString::fromLatin1(name));
    return g;
}

QString withThousands(int n) {
    QString digits = QString::number(n);
    for (qsizetype i = digits.size() - 3; i > 0; i -= 3)
        digits.insert(i, QLatin1Char('.'));
    return digits;
}

} // namespace

TLeserkatalogF::TLeserkatalogF(LibraryHandle& library, QWidget* parent)
    : LesaroDialog(parent)
    , m_library(library) {
    setObjectName(QStringLiteral("LeserkatalogF"));
    setWindowTitle(QStringLiteral("Katalog für Leser exportieren"));
    QWidget* area = contentArea();
    auto* layout = new QVBoxLayout(area);
    layout->setContentsMargins(10, 8, 10, 8);
    layout->setSpacing(6);

    auto* intro = new QLabel(QStringLiteral("Der Katalog ist ein Ordner mit der Seite „index.html“, die jeder Browser "
                                            "öffnet: vom USB-Stick, aus einem Netzwerkordner oder von einem "
                                            "einfachen Webspace. Daten der Leser kommen nie hinein."),
                             area);
    intro->setWordWrap(true);
    layout->addWidget(intro);

    auto* books = group("GBBuecher", QStringLiteral("Bücher"), area);
    auto* booksLayout = new QVBoxLayout(books);
    m_RBAlle = new QRadioButton(QStringLiteral("&Alle Bücher"), books);
    m_RBAlle->setObjectName(QStringLiteral("RBAlle"));
    m_RBListe = new QRadioButton(QStringLiteral("Nur die Bücher, die die &Bücherliste gerade zeigt"), books);
    m_RBListe->setObjectName(QStringLiteral("RBListe"));
    booksLayout->addWidget(m_RBAlle);
    booksLayout->addWidget(m_RBListe);
    layout->addWidget(books);

    auto* columns = group("GBSpalten", QStringLiteral("Spalten"), area);
    auto* columnGrid = new QGridLayout(columns);
    const QList<CatalogueColumnInfo>& all = CatalogueChoice::allColumns();
    const int perColumn = int((all.size() + 2) / 3);
    for (qsizetype i = 0; i < all.size(); ++i) {
        auto* box = new QCheckBox(all[i].caption, columns);
        box->setObjectName(QStringLiteral("CB") + all[i].key.left(1).toUpper() + all[i].key.mid(1));
        if (all[i].fixed) {
            box->setChecked(true);
            box->setEnabled(false);
            box->setToolTip(QStringLiteral("Verfasser und Titel braucht die Suche; sie stehen immer im Katalog."));
        }
        columnGrid->addWidget(box, int(i) % perColumn, int(i) / perColumn);
        m_columnBoxes.append(box);
    }
    layout->addWidget(columns);

    auto* availability = group("GBVerfuegbarkeit", QStringLiteral("Verfügbarkeit"), area);
    auto* availabilityLayout = new QVBoxLayout(availability);
    m_CBVerfuegbarkeit =
        new QCheckBox(QStringLiteral("&Zeigen, ob ein Buch verfügbar oder ausgeliehen ist"), availability);
    m_CBVerfuegbarkeit->setObjectName(QStringLiteral("CBVerfuegbarkeit"));
    m_CBRueckgabe = new QCheckBox(QStringLiteral("Bei ausgeliehenen Büchern „&zurück bis …“ zeigen"), availability);
    m_CBRueckgabe->setObjectName(QStringLiteral("CBRueckgabe"));
    availabilityLayout->addWidget(m_CBVerfuegbarkeit);
    availabilityLayout->addWidget(m_CBRueckgabe);
    layout->addWidget(availability);

    auto* target = group("GBZiel", QStringLiteral("Zielordner"), area);
    auto* targetRow = new QHBoxLayout(target);
    auto* targetLabel = new QLabel(QStringLiteral("&Ordner"), target);
    targetRow->addWidget(targetLabel);
    m_EZielordner = new QLineEdit(target);
    m_EZielordner->setObjectName(QStringLiteral("EZielordner"));
    m_EZielordner->setMinimumWidth(320);
    targetLabel->setBuddy(m_EZielordner);
    targetRow->addWidget(m_EZielordner, 1);
    m_SpeedButton1 = new QToolButton(target);
    m_SpeedButton1->setObjectName(QStringLiteral("SpeedButton1"));
    m_SpeedButton1->setText(QStringLiteral("…"));
    m_SpeedButton1->setToolTip(QStringLiteral("Zielordner wählen"));
    targetRow->addWidget(m_SpeedButton1);
    layout->addWidget(target);

    m_BExportieren = addBarButton(QStringLiteral("BExportieren"), QStringLiteral("Exportieren"));

    connect(m_EZielordner, &QLineEdit::textChanged, this, &TLeserkatalogF::EZielordnerChange);
    connect(m_CBVerfuegbarkeit, &QCheckBox::clicked, this, &TLeserkatalogF::CBVerfuegbarkeitClick);
    connect(m_SpeedButton1, &QToolButton::clicked, this, &TLeserkatalogF::SpeedButton1Click);
    connect(m_BExportieren, &QPushButton::clicked, this, &TLeserkatalogF::BExportierenClick);
}

void TLeserkatalogF::showChoice(const CatalogueChoice& choice) {
    (choice.books == CatalogueChoice::Books::Listed ? m_RBListe : m_RBAlle)->setChecked(true);
    const QList<CatalogueColumnInfo>& all = CatalogueChoice::allColumns();
    for (qsizetype i = 0; i < all.size(); ++i)
        m_columnBoxes[i]->setChecked(all[i].fixed || choice.has(all[i].column));
    m_CBVerfuegbarkeit->setChecked(choice.availability);
    m_CBRueckgabe->setChecked(choice.dueDates);
    CBVerfuegbarkeitClick();
}

CatalogueChoice TLeserkatalogF::choice() const {
    CatalogueChoice c;
    c.books = m_RBListe->isChecked() ? CatalogueChoice::Books::Listed : CatalogueChoice::Books::All;
    const QList<CatalogueColumnInfo>& all = CatalogueChoice::allColumns();
    for (qsizetype i = 0; i < all.size(); ++i)
        if (m_columnBoxes[i]->isChecked())
            c.columns.append(all[i].column);
    c.availability = m_CBVerfuegbarkeit->isChecked();
    c.dueDates = m_CBRueckgabe->isChecked();
    c.normalize();
    return c;
}

void TLeserkatalogF::FormShow() {
    const QString stored = INI::ReadSettingString(kChoiceSetting);
    showChoice(stored.isEmpty() ? CatalogueChoice::defaults() : CatalogueChoice::fromSetting(stored));
    m_EZielordner->setText(INI::ReadSettingString(kFolderSetting));
    EZielordnerChange();
}

void TLeserkatalogF::EZielordnerChange() {
    m_BExportieren->setEnabled(!m_EZielordner->text().trimmed().isEmpty());
}

void TLeserkatalogF::CBVerfuegbarkeitClick() {
    m_CBRueckgabe->setEnabled(m_CBVerfuegbarkeit->isChecked());
}

QString TLeserkatalogF::catalogueFolderFor(const QString& picked) {
    const QString folder = QDir::cleanPath(picked);
    if (CatalogueFolder::isCatalogue(folder))
        return folder;
    const bool empty = QDir(folder).isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System);
    const bool driveTop = QDir::cleanPath(QStorageInfo(folder).rootPath()) == folder;
    if (empty && !driveTop)
        return folder;
    return QDir(folder).filePath(QStringLiteral("Leserkatalog"));
}

void TLeserkatalogF::SpeedButton1Click() {
    const QString current = m_EZielordner->text().trimmed();
    const QString start = current.isEmpty() ? QString() : QFileInfo(current).absolutePath();
    const QString picked =
        FileDialogService::existingFolder(this, QStringLiteral("Zielordner für den Leserkatalog wählen"), start);
    if (picked.isEmpty())
        return;
    m_EZielordner->setText(QDir::toNativeSeparators(catalogueFolderFor(picked)));
}

void TLeserkatalogF::BExportierenClick() {
    const QString target = QDir::fromNativeSeparators(m_EZielordner->text().trimmed());
    if (target.isEmpty())
        return;
    // A relative name would land wherever the program happened to start.
    if (QDir::isRelativePath(target)) {
        MessageService::error(this, QStringLiteral("Bitte geben Sie den Zielordner mit seinem vollständigen Pfad an "
                                                   "(zum Beispiel /media/stick/Leserkatalog)."));
        return;
    }
    const CatalogueChoice c = choice();
    INI::WriteSettingString(kChoiceSetting, c.toSetting());
    INI::WriteSettingString(kFolderSetting, QDir::toNativeSeparators(target));

    ReaderCatalogueResult result;
    {
        QProgressDialog progress(QStringLiteral("Der Leserkatalog wird geschrieben …"), QString(), 0, 1000, this);
        progress.setWindowTitle(windowTitle());
        progress.setWindowModality(Qt::WindowModal);
        progress.setMinimumDuration(0);
        progress.setValue(0);
        try {
            // The lists hold still while the whole book table is read, and are shown once at the end.
            ControlsDisabled quiet({&m_library.DataBuecher(), &m_library.DataAusleihe()});
            result = exportReaderCatalogue(m_library.ClientBuecher(), m_library.ClientAusleihe(), c, target,
                                           Clock::today(), [&](int done, int) { progress.setValue(done); });
        } catch (const EngineError& e) {
            progress.close();
            MessageService::error(this, e.message());
            return;
        }
    }
    const QString shownFolder = QDir::toNativeSeparators(QFileInfo(target).absoluteFilePath());
    const QString count =
        result.books == 1 ? QStringLiteral("1 Buch") : withThousands(result.books) + QStringLiteral(" Büchern");
    MessageService::notice(this, QStringLiteral("Der Leserkatalog mit %1 steht jetzt im Ordner „%2“.\nLeser öffnen "
                                                "dort die Datei „index.html“ im Browser.")
                                     .arg(count, shownFolder));
    accept();
}

} // namespace lesaro
