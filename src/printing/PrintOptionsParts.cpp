#include "printing/PrintOptionsParts.h"

#include "printing/PrinterChoice.h"
#include "ui/PrintDialogService.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace lesaro::printing {

PrintOptionsParts buildPrintOptions(QWidget* content) {
    PrintOptionsParts p;
    auto* layout = new QVBoxLayout(content);
    // The three groups share the design's small client area; the field boxes get what the first two leave.
    layout->setContentsMargins(8, 4, 8, 4);
    layout->setSpacing(2);

    auto* printerGroup = new QGroupBox(QStringLiteral("Drucker"), content);
    auto* printerRow = new QHBoxLayout(printerGroup);
    printerRow->setContentsMargins(8, 2, 8, 4);
    printerRow->addWidget(new QLabel(QStringLiteral("Drucker:"), printerGroup));
    p.LDrucker = new QLabel(QStringLiteral("Standarddrucker"), printerGroup);
    p.LDrucker->setObjectName(QStringLiteral("LDrucker"));
    printerRow->addWidget(p.LDrucker, 1);
    p.Button2 = new QPushButton(QStringLiteral("Ändern"), printerGroup);
    p.Button2->setObjectName(QStringLiteral("Button2"));
    printerRow->addWidget(p.Button2);
    layout->addWidget(printerGroup);

    auto* headingGroup = new QGroupBox(QStringLiteral("Überschriften"), content);
    auto* headingGrid = new QGridLayout(headingGroup);
    headingGrid->setContentsMargins(8, 2, 8, 4);
    headingGrid->setVerticalSpacing(2);
    headingGrid->addWidget(new QLabel(QStringLiteral("Titel"), headingGroup), 0, 0);
    p.ETitel = new QLineEdit(headingGroup);
    p.ETitel->setObjectName(QStringLiteral("ETitel"));
    headingGrid->addWidget(p.ETitel, 0, 1);
    p.CBSeitenzahlenDrucken = new QCheckBox(QStringLiteral("Seitenzahlen ausdrucken"), headingGroup);
    p.CBSeitenzahlenDrucken->setObjectName(QStringLiteral("CBSeitenzahlenDrucken"));
    headingGrid->addWidget(p.CBSeitenzahlenDrucken, 1, 1);
    layout->addWidget(headingGroup);

    p.GBFelder = new QGroupBox(QStringLiteral("Felder"), content);
    p.GBFelder->setObjectName(QStringLiteral("GBFelder"));
    p.fieldGrid = new QGridLayout(p.GBFelder);
    p.fieldGrid->setContentsMargins(8, 2, 8, 4);
    p.fieldGrid->setVerticalSpacing(0);
    layout->addWidget(p.GBFelder, 1);
    return p;
}

QCheckBox* addFieldBox(const PrintOptionsParts& parts, const QString& objectName, const QString& caption, int row,
                       int column) {
    auto* box = new QCheckBox(caption, parts.GBFelder);
    box->setObjectName(objectName);
    box->setChecked(true);
    box->setMinimumHeight(box->sizeHint().height());
    parts.fieldGrid->addWidget(box, row, column);
    return box;
}

ListOptions listOptionsOf(const PrintOptionsParts& parts, const QList<QCheckBox*>& columnBoxes) {
    ListOptions o;
    o.title = parts.ETitel->text();
    o.pageNumbers = parts.CBSeitenzahlenDrucken->isChecked();
    for (const QCheckBox* box : columnBoxes)
        o.ticked.append(box->isChecked());
    return o;
}

void changePrinter(const PrintOptionsParts& parts, QWidget* window) {
    PrintDialogService::printerSetup(PrinterChoice::current(), window);
    parts.LDrucker->setText(PrinterChoice::currentName());
}

} // namespace lesaro::printing
