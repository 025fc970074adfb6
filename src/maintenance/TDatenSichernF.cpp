#include "maintenance/TDatenSichernF.h"

#include "core/EngineError.h"
#include "library/StartupCopies.h"
#include "maintenance/rules/DataBackup.h"
#include "settings/INI.h"
#include "settings/RegFileCheck.h"
#include "ui/FileDialogService.h"
#include "ui/FlatButton.h"
#include "ui/LibraryHandle.h"
#include "ui/MessageService.h"

#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QFrame>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QStyle>
#include <QToolButton>

namespace lesaro {

namespace {

QString restoreQuestion() {
    return QStringLiteral("Beim Zurücklesen der Datenbank werden alle jetzigen Daten mit der zurückgelesenen "
                          "Version überschrieben! Sind Sie sicher?");
}

QFrame* separator(QWidget* parent) {
    auto* line = new QFrame(parent);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    return line;
}

} // namespace

TDatenSichernF::TDatenSichernF(LibraryHandle& library, QWidget* parent)
    : LesaroDialog(parent)
    , m_library(library) {
    setObjectName(QStringLiteral("DatenSichernF"));
    setWindowTitle(QStringLiteral("Datenbank sichern"));
    buildLayout();
    connect(m_speedButton1, &QToolButton::clicked, this, &TDatenSichernF::SpeedButton1Click);
    connect(m_speedButton2, &QToolButton::clicked, this, &TDatenSichernF::SpeedButton2Click);
    connect(m_button1, &FlatButton::clicked, this, &TDatenSichernF::Button1Click);
    connect(m_button3, &FlatButton::clicked, this, &TDatenSichernF::Button3Click);
    connect(m_bStartkopie, &FlatButton::clicked, this, &TDatenSichernF::BStartkopieClick);
    FlatButton* close = addBarButton(QStringLiteral("BSchliessen"), QStringLiteral("Schließen"));
    connect(close, &FlatButton::clicked, this, &TDatenSichernF::Button2Click);
    // The start-up copies below the two folder halves need room beyond the classic 353 × 282.
    setClientSize(353, 330);
}

void TDatenSichernF::buildLayout() {
    QWidget* area = contentArea();
    auto* grid = new QGridLayout(area);
    grid->setContentsMargins(12, 10, 12, 10);
    grid->setHorizontalSpacing(6);
    grid->setVerticalSpacing(6);

    const auto folderRow = [&](int row, const QString& editName, const QString& buttonName, QLineEdit** edit,
                               QToolButton** button) {
        // Empty until a folder is chosen or stored: a preset such as the file-system root would let "Sichern"
        // write the backup where nobody meant it to go.
        *edit = new QLineEdit(area);
        (*edit)->setObjectName(editName);
        // Only the browse button and the stored setting fill the field.
        (*edit)->setReadOnly(true);
        *button = new QToolButton(area);
        (*button)->setObjectName(buttonName);
        (*button)->setIcon(style()->standardIcon(QStyle::SP_DirOpenIcon));
        (*button)->setToolTip(QStringLiteral("Ordner auswählen"));
        grid->addWidget(*edit, row, 0);
        grid->addWidget(*button, row, 1);
    };
    const auto label = [&](int row, const QString& name, const QString& text) {
        auto* l = new QLabel(text, area);
        l->setObjectName(name);
        l->setWordWrap(true);
        grid->addWidget(l, row, 0, 1, 2);
    };
    const auto commandRow = [&](int row, const QString& name, const QString& caption) {
        auto* b = new FlatButton(caption, Qt::white, area);
        b->setObjectName(name);
        b->setMinimumWidth(150);
        grid->addWidget(b, row, 0, 1, 2, Qt::AlignLeft);
        return b;
    };

    label(0, QStringLiteral("Label1"), QStringLiteral("Datenbank sichern in folgendes Verzeichnis"));
    folderRow(1, QStringLiteral("Edit1"), QStringLiteral("SpeedButton1"), &m_edit1, &m_speedButton1);
    m_button1 = commandRow(2, QStringLiteral("Button1"), QStringLiteral("Sichern"));
    grid->addWidget(separator(area), 3, 0, 1, 2);
    label(4, QStringLiteral("Label2"), QStringLiteral("Datenbank aus folgendem Verzeichnis zurücklesen:"));
    folderRow(5, QStringLiteral("Edit2"), QStringLiteral("SpeedButton2"), &m_edit2, &m_speedButton2);
    m_button3 = commandRow(6, QStringLiteral("Button3"), QStringLiteral("Zurücklesen"));
    grid->addWidget(separator(area), 7, 0, 1, 2);
    label(8, QStringLiteral("Label3"), QStringLiteral("Oder den Stand eines Programmstarts zurücklesen:"));
    m_cbStartkopie = new QComboBox(area);
    m_cbStartkopie->setObjectName(QStringLiteral("CBStartkopie"));
    grid->addWidget(m_cbStartkopie, 9, 0, 1, 2);
    m_bStartkopie = commandRow(10, QStringLiteral("BStartkopie"), QStringLiteral("Startkopie zurücklesen"));
    grid->setRowStretch(11, 1);
    grid->setColumnStretch(0, 1);
}

void TDatenSichernF::FormShow() {
    const QString stored = INI::ReadSettingString(QStringLiteral("Sicherung"));
    if (!stored.isEmpty()) {
        m_edit1->setText(stored);
        m_edit2->setText(stored);
    }
    fillStartupCopies();
}

void TDatenSichernF::fillStartupCopies() {
    m_cbStartkopie->clear();
    const QString backupFolder = m_library.data().DataFolder() + QStringLiteral("backup");
    const QLocale german(QLocale::German, QLocale::Germany);
    for (const StartupCopies::Copy& copy : StartupCopies::list(backupFolder)) {
        m_cbStartkopie->addItem(QStringLiteral("Start vom %1 um %2 Uhr")
                                    .arg(german.toString(copy.made.date(), QStringLiteral("dd.MM.yyyy")),
                                         german.toString(copy.made.time(), QStringLiteral("HH:mm:ss"))),
                                copy.folder);
    }
    const bool any = m_cbStartkopie->count() > 0;
    if (!any)
        m_cbStartkopie->addItem(QStringLiteral("Keine Startkopien vorhanden"));
    m_cbStartkopie->setEnabled(any);
    m_bStartkopie->setEnabled(any);
}

void TDatenSichernF::SpeedButton1Click() {
    const QString folder =
        FileDialogService::existingFolder(this, QStringLiteral("Ordner für die Sicherung wählen"), m_edit1->text());
    if (!folder.isEmpty())
        m_edit1->setText(folder);
}

void TDatenSichernF::SpeedButton2Click() {
    const QString folder =
        FileDialogService::existingFolder(this, QStringLiteral("Ordner mit der Sicherung wählen"), m_edit2->text());
    if (!folder.isEmpty())
        m_edit2->setText(folder);
}

void TDatenSichernF::Button1Click() {
    // Without a folder the command asks for one first.
    if (m_edit1->text().trimmed().isEmpty()) {
        SpeedButton1Click();
        if (m_edit1->text().trimmed().isEmpty())
            return;
    }
    const QString folder = DataBackup::withSeparator(m_edit1->text());
    m_edit1->setText(folder);
    if (!run([&] { DataBackup::writeBackup(m_library.data(), folder); }))
        return;
    accept();
}

void TDatenSichernF::Button3Click() {
    if (m_edit2->text().trimmed().isEmpty()) {
        SpeedButton2Click();
        if (m_edit2->text().trimmed().isEmpty())
            return;
    }
    const QString folder = DataBackup::withSeparator(m_edit2->text());
    m_edit2->setText(folder);
    if (!run([&] { DataBackup::requireFolder(folder); }))
        return;
    if (MessageService::confirm(this, restoreQuestion()) != MessageService::Button::Yes)
        return;
    DataBackup::BackupSet set = DataBackup::BackupSet::Whole;
    if (!run([&] { set = DataBackup::checkBackupSet(folder); }))
        return;
    if (set == DataBackup::BackupSet::WithoutList &&
        MessageService::confirm(
            this, QStringLiteral("Der Ordner „%1“ enthält kein Inhaltsverzeichnis „%2“. So sehen Sicherungen früherer "
                                 "Ausgaben von Lesaro aus; ob ihre Dateien aus derselben Sicherung stammen, lässt "
                                 "sich nicht prüfen.\n\nMöchten Sie die Daten trotzdem zurücklesen?")
                      .arg(QDir::toNativeSeparators(folder), QString::fromLatin1(DataBackup::kManifestFile))) !=
            MessageService::Button::Yes)
        return;
    if (!restoreFrom(folder))
        return;
    restoreSettings(folder);
    accept();
}

void TDatenSichernF::BStartkopieClick() {
    const QString folder = m_cbStartkopie->currentData().toString();
    if (folder.isEmpty())
        return;
    if (MessageService::confirm(this, restoreQuestion()) != MessageService::Button::Yes)
        return;
    if (restoreFrom(folder))
        accept();
}

void TDatenSichernF::Button2Click() {
    reject();
}

bool TDatenSichernF::restoreFrom(const QString& folder) {
    DataBackup::Tables tables;
    if (!run([&] { tables = DataBackup::readTables(folder); }))
        return false;
    bool complete = true;
    try {
        const ControlsDisabled paused = m_library.tableControlsDisabled();
        DataBackup::restoreTables(m_library.data(), std::move(tables));
    } catch (const EngineError& e) {
        // The tables in memory are the restored ones; only their files in the data folder are behind.
        MessageService::error(this, e.message() + QStringLiteral("\n\nDie Daten wurden zurückgelesen, aber nicht "
                                                                 "im Datenordner gespeichert."));
        complete = false;
    }
    Q_EMIT restored();
    if (complete && m_library.data().savingBlocked()) {
        MessageService::notice(this, QStringLiteral("Die Daten wurden zurückgelesen und im Datenordner gespeichert. "
                                                    "Weil der Start nicht vollständig gelungen war, speichert Lesaro "
                                                    "weitere Änderungen erst nach einem Neustart. Bitte beenden Sie "
                                                    "Lesaro jetzt und starten Sie es neu."));
    }
    return complete;
}

void TDatenSichernF::restoreSettings(const QString& folder) {
    const QString path = folder + QString::fromLatin1(DataBackup::kSettingsFile);
    // A backup without settings restores the tables alone, without a word.
    if (!QFileInfo::exists(path))
        return;
    QString error;
    if (!RegFileCheck::usable(path, &error)) {
        MessageService::error(this, error + QStringLiteral("\n\nDie Einstellungen wurden nicht übernommen."));
        return;
    }
    if (MessageService::confirm(this, QStringLiteral("Möchten Sie die Einstellungen aus „%1“ übernehmen?")
                                          .arg(QDir::toNativeSeparators(path))) != MessageService::Button::Yes)
        return;
    if (!INI::ImportSettings(path, &error)) {
        MessageService::error(this, error);
        return;
    }
    Q_EMIT restored();
}

} // namespace lesaro
