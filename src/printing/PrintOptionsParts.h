#pragma once

#include "printing/rules/ListLayout.h"

#include <QList>
#include <QString>

class QCheckBox;
class QGridLayout;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QWidget;

namespace lesaro::printing {

// The groups "Drucker" and "Überschriften" and the group "Felder" that the three print options windows
// share, with their controls under the names the windows use.
struct PrintOptionsParts {
    QLabel* LDrucker = nullptr;
    QPushButton* Button2 = nullptr;
    QLineEdit* ETitel = nullptr;
    QCheckBox* CBSeitenzahlenDrucken = nullptr;
    QGroupBox* GBFelder = nullptr;
    QGridLayout* fieldGrid = nullptr;
};

// Lays the three groups out in the window's content area.
PrintOptionsParts buildPrintOptions(QWidget* content);

// A ticked field check box in the group "Felder" at the given place.
QCheckBox* addFieldBox(const PrintOptionsParts& parts, const QString& objectName, const QString& caption, int row,
                       int column);

// What the window holds for the pages: title, page numbers and the ticked fields in printing order.
ListOptions listOptionsOf(const PrintOptionsParts& parts, const QList<QCheckBox*>& columnBoxes);

// The printer-setup dialog ("Ändern"), then the chosen printer's name in the group "Drucker".
void changePrinter(const PrintOptionsParts& parts, QWidget* window);

} // namespace lesaro::printing
