#pragma once

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

} // namespace lesaro::printing
