#pragma once

#include <QList>
#include <QRectF>
#include <QString>

namespace lesaro::labels {

// An A4 sheet of self-adhesive labels, given as the maker prints it on the packet: columns × rows, the
// label's size, the margins to the first label and the pitch from one label's corner to the next. All
// measures in millimetres.
struct LabelSheet {
    QString name;
    int columns = 1;
    int rows = 1;
    double labelWidth = 0;
    double labelHeight = 0;
    double top = 0;
    double left = 0;
    double hPitch = 0; // from a label's left edge to the next one's in the row
    double vPitch = 0; // from a label's top edge to the next one's in the column

    static constexpr double kA4Width = 210.0;
    static constexpr double kA4Height = 297.0;

    int perSheet() const { return columns * rows; }
    // The label at index (from 0, row by row, left to right) on its sheet, from the sheet's corner.
    QRectF labelRect(int index) const;
    // Empty when the labels fit on A4; otherwise the German reason, naming the measure that does not fit.
    QString check() const;
    // Empty when every label lies inside the printer's printable area (millimetres from the sheet's corner);
    // otherwise the German warning naming the edge the labels reach into.
    QString edgeWarning(const QRectF& printable) const;

    bool operator==(const LabelSheet&) const = default;
};

namespace LabelSheets {

// The common sheets, by their geometry.
const QList<LabelSheet>& builtIn();
// The name under which the user's own sheet is offered.
QString userSheetName();
// The user's own sheet from the settings ("EtikettBogen…"); a first run proposes the 3 × 8 sheet.
LabelSheet loadUserSheet();
void storeUserSheet(const LabelSheet& sheet);

} // namespace LabelSheets

} // namespace lesaro::labels
