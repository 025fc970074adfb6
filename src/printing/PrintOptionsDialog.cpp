#include "printing/PrintOptionsDialog.h"

#include "printing/PrinterChoice.h"
#include "settings/INI.h"
#include "ui/FlatButton.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace lesaro {

PrintOptionsDialog::PrintOptionsDialog(LibraryHandle& library, Setup setup, QWidget* parent)
    : LesaroDialog(parent)
    , m_library(library)
    , m_setup(std::move(setup)) {
    setObjectName(m_setup.objectName);
    setWindowTitle(m_setup.caption);
    m_parts = printing::buildPrintOptions(contentArea());
    for (int i = 0; i < m_setup.boxes.size(); ++i)
        m_columnBoxes.append(printing::addFieldBox(m_parts, QString::fromLatin1(m_setup.boxes[i].name),
                                                   QString::fromUtf8(m_setup.boxes[i].caption), i / 3, i % 3));
    FlatButton* preview = addBarButton(QStringLiteral("BNeu"), QStringLiteral("Vorschau"));
    FlatButton* close = addBarButton(QStringLiteral("BSchliessen"), QStringLiteral("Schließen"));
    setClientSize(m_setup.clientSize.width(), m_setup.clientSize.height());

    connect(m_parts.Button2, &QPushButton::clicked, this, &PrintOptionsDialog::Button2Click);
    connect(preview, &QPushButton::clicked, this, &PrintOptionsDialog::BNeuClick);
    connect(close, &QPushButton::clicked, this, &PrintOptionsDialog::BSchliessenClick);
}

printing::ListOptions PrintOptionsDialog::listOptions() const {
    return printing::listOptionsOf(m_parts, m_columnBoxes);
}

void PrintOptionsDialog::FormShow() {
    printing::PrinterChoice::selectDefault();
    m_parts.LDrucker->setText(printing::PrinterChoice::currentName());
    m_parts.ETitel->setText(INI::ReadSettingString(m_setup.titleSetting));
    m_parts.CBSeitenzahlenDrucken->setChecked(INI::ReadSettingInteger(m_setup.pageNumberSetting) == 1);
}

void PrintOptionsDialog::Button2Click() {
    printing::changePrinter(m_parts, this);
}

void PrintOptionsDialog::BNeuClick() {
    QDialog* preview = m_setup.makePreview(
        m_library, [this] { return listOptions(); }, this);
    preview->exec();
    INI::WriteSettingString(m_setup.titleSetting, m_parts.ETitel->text());
    INI::WriteSettingInteger(m_setup.pageNumberSetting, m_parts.CBSeitenzahlenDrucken->isChecked() ? 1 : 0);
    accept();
}

void PrintOptionsDialog::BSchliessenClick() {
    reject();
}

} // namespace lesaro
