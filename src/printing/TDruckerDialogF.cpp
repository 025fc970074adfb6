#include "printing/TDruckerDialogF.h"

#include "printing/PrinterChoice.h"
#include "printing/TDruckervorschauF.h"
#include "settings/INI.h"
#include "ui/FlatButton.h"
#include "ui/LibraryHandle.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <utility>

namespace lesaro {

namespace {

struct BoxPlace {
    const char* name;
    const char* caption;
    int row;
    int column;
};

// In printing order, each with its place in the group "Felder".
const BoxPlace BookBoxes[] = {
    {"CBNummer", "Nummer", 0, 0},
    {"CBVerfasser", "Verfasser", 1, 0},
    {"CBTitel", "Titel", 2, 0},
    {"CBVerlag", "Verlag", 0, 1},
    {"CBErscheinungsjahr", "Erscheinungsjahr", 1, 1},
    {"CBErscheinungsort", "Erscheinungsort", 2, 1},
    {"CBAuflage", "Auflage", 0, 2},
    {"CBSachgruppe", "Sachgruppe", 1, 2},
    {"CBSignatur", "Signatur", 0, 3},
    {"CBStandort", "Standort", 1, 3},
    {"CBISBN", "ISBN", 2, 2},
    {"CBPreis", "Preis", 2, 3},
    {"CBBemerkungen", "Bemerkungen", 3, 0},
    {"CBS1", "Schlagwort 1", 3, 1},
    {"CBS2", "Schlagwort 2", 3, 2},
    {"CBS3", "Schlagwort 3", 3, 3},
    {"CBS4", "Schlagwort 4", 4, 0},
    {"CBS5", "Schlagwort 5", 4, 1},
    {"CBS6", "Schlagwort 6", 4, 2},
    {"CBS7", "Schlagwort 7", 4, 3},
    {"CBS8", "Schlagwort 8", 5, 0},
    {"CBS9", "Schlagwort 9", 5, 1},
    {"CBS10", "Schlagwort 10", 5, 2},
};

} // namespace

TDruckerDialogF::TDruckerDialogF(LibraryHandle& library, QWidget* parent)
    : LesaroDialog(parent)
    , m_library(library) {
    setObjectName(QStringLiteral("DruckerDialogF"));
    setWindowTitle(QStringLiteral("Bücherdaten drucken"));
    m_parts = printing::buildPrintOptions(contentArea());
    for (const BoxPlace& b : BookBoxes)
        m_columnBoxes.append(
            printing::addFieldBox(m_parts, QString::fromLatin1(b.name), QString::fromUtf8(b.caption), b.row, b.column));
    m_narrowButton = addBarButton(QStringLiteral("Button4"), QStringLiteral("Bücher eingrenzen/sortieren"));
    FlatButton* preview = addBarButton(QStringLiteral("BNeu"), QStringLiteral("Vorschau"));
    FlatButton* close = addBarButton(QStringLiteral("BSchliessen"), QStringLiteral("Schließen"));
    m_narrowButton->setVisible(false);
    setClientSize(431, 326);

    connect(m_parts.Button2, &QPushButton::clicked, this, &TDruckerDialogF::Button2Click);
    connect(preview, &QPushButton::clicked, this, &TDruckerDialogF::Button1Click);
    connect(close, &QPushButton::clicked, this, &TDruckerDialogF::Button3Click);
    connect(m_narrowButton, &QPushButton::clicked, this, &TDruckerDialogF::Button4Click);
}

void TDruckerDialogF::setNarrowButtonVisible(bool visible) {
    m_narrowButton->setVisible(visible);
}

bool TDruckerDialogF::takeNarrowRequest() {
    return std::exchange(m_narrowRequested, false);
}

void TDruckerDialogF::setFieldCaptions(const QStringList& bookColumnCaptions) {
    for (int i = 1; i <= 12 && i < bookColumnCaptions.size(); ++i)
        m_columnBoxes[i]->setText(bookColumnCaptions[i]);
}

printing::ListOptions TDruckerDialogF::listOptions() const {
    return printing::listOptionsOf(m_parts, m_columnBoxes);
}

void TDruckerDialogF::FormShow() {
    printing::PrinterChoice::selectDefault();
    m_parts.LDrucker->setText(printing::PrinterChoice::currentName());
    m_parts.ETitel->setText(INI::ReadSettingString(QStringLiteral("DruckTitel")));
    m_parts.CBSeitenzahlenDrucken->setChecked(INI::ReadSettingInteger(QStringLiteral("SeitenzahlenDrucken")) != 0);
}

void TDruckerDialogF::Button2Click() {
    printing::changePrinter(m_parts, this);
}

void TDruckerDialogF::Button1Click() {
    auto* preview = new TDruckervorschauF(
        m_library, [this] { return listOptions(); }, this);
    preview->exec();
    INI::WriteSettingString(QStringLiteral("DruckTitel"), m_parts.ETitel->text());
    INI::WriteSettingInteger(QStringLiteral("SeitenzahlenDrucken"), m_parts.CBSeitenzahlenDrucken->isChecked() ? 1 : 0);
    accept();
}

void TDruckerDialogF::Button3Click() {
    reject();
}

void TDruckerDialogF::Button4Click() {
    m_narrowRequested = true;
    reject();
}

} // namespace lesaro
