#pragma once

#include "ui/LesaroDialog.h"

class QLabel;

namespace lesaro {

// The About window ("Hilfe" > "Info"): program, version, what it is for, and the credit the postcode list
// owes its source under its licence.
class TInfoF : public LesaroDialog {
    Q_OBJECT
public:
    explicit TInfoF(QWidget* parent = nullptr);

    static QString versionText() { return QStringLiteral("Version 2012"); }
    static QString postcodeCredit() { return QStringLiteral("Postleitzahlen: GeoNames (geonames.org), CC BY 4.0"); }
    static QString postcodeLicence() { return QStringLiteral("https://creativecommons.org/licenses/by/4.0/"); }

private:
    QLabel* addLine(const QString& objectName, const QString& text);
};

} // namespace lesaro
