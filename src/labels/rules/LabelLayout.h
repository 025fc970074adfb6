#pragma once

#include "labels/rules/LabelSelection.h"

#include <QDate>
#include <QList>
#include <QRectF>
#include <QString>
#include <functional>

namespace lesaro::labels {

// The width, in millimetres, that a text takes in a line of the given cell height (millimetres), bold or not.
using TextWidth = std::function<double(const QString& text, double cellHeight, bool bold)>;

// One line of text on a label: its cell (millimetres from the label's corner), centred in it.
struct LabelLine {
    QRectF cell;
    QString text;
    bool bold = false;
};

// What a label shows and where, in millimetres from the label's top-left corner. The barcode band is the
// room for the symbol with its quiet zones; the plain-text number stands under it.
struct LabelDrawing {
    QList<LabelLine> lines;
    QRectF barcodeBand;
    QString barcodeText;
};

struct ReaderCardOptions {
    QDate validUntil; // no line when invalid
};

namespace LabelLayout {

// The text a barcode carries for a number, the same form the booking window's number boxes take when the
// scanner types it.
QString barcodeText(qint32 nummer);

// The text cut at the end with "…" so that it fits maxWidth; a text that fits stays whole.
QString fitted(const QString& text, double maxWidth, double cellHeight, bool bold, const TextWidth& width);

// The room inside a label that its content may use: the label less a margin all round, cut further by the
// printer's printable area (both in millimetres from the sheet's corner).
QRectF contentRect(const QRectF& label, const QRectF& printable);

// A book label: library name, shelf mark large, short title, barcode, number in plain text.
LabelDrawing book(const LabelRecord& record, const QString& library, const QRectF& content, const TextWidth& width);
// A reader card: library name, first and last name, barcode, number in plain text, "gültig bis".
LabelDrawing readerCard(const LabelRecord& record, const QString& library, const ReaderCardOptions& options,
                        const QRectF& content, const TextWidth& width);

} // namespace LabelLayout

} // namespace lesaro::labels
