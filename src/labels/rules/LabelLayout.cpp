#include "labels/rules/LabelLayout.h"

#include <algorithm>

namespace lesaro::labels::LabelLayout {

namespace {

const QString kEllipsis = QStringLiteral("…");

// Lays lines and the barcode down the content from the top: each part takes its share of the height.
class Column {
public:
    explicit Column(const QRectF& content)
        : m_content(content)
        , m_y(content.top()) {}

    QRectF take(double height) {
        const QRectF cell(m_content.left(), m_y, m_content.width(), height);
        m_y += height;
        return cell;
    }
    void gap(double height) { m_y += height; }

private:
    QRectF m_content;
    double m_y;
};

LabelLine line(const QRectF& cell, const QString& text, bool bold, const TextWidth& width) {
    return {cell, fitted(text.simplified(), cell.width(), cell.height(), bold, width), bold};
}

} // namespace

QString barcodeText(qint32 nummer) {
    return QString::number(nummer);
}

QString fitted(const QString& text, double maxWidth, double cellHeight, bool bold, const TextWidth& width) {
    if (text.isEmpty() || width(text, cellHeight, bold) <= maxWidth)
        return text;
    // The longest beginning that fits with the ellipsis; the widths grow with the length.
    qsizetype low = 0;
    qsizetype high = text.size() - 1;
    while (low < high) {
        const qsizetype mid = (low + high + 1) / 2;
        if (width(text.left(mid).trimmed() + kEllipsis, cellHeight, bold) <= maxWidth)
            low = mid;
        else
            high = mid - 1;
    }
    return low == 0 ? QString() : text.left(low).trimmed() + kEllipsis;
}

QRectF contentRect(const QRectF& label, const QRectF& printable) {
    const double margin = std::clamp(std::min(label.width(), label.height()) * 0.06, 1.0, 2.5);
    const QRectF inner = label.adjusted(margin, margin, -margin, -margin);
    return printable.isValid() ? inner.intersected(printable) : inner;
}

LabelDrawing book(const LabelRecord& record, const QString& library, const QRectF& content, const TextWidth& width) {
    const double h = content.height();
    LabelDrawing d;
    d.barcodeText = barcodeText(record.nummer);
    Column c(content);
    if (!library.trimmed().isEmpty())
        d.lines.append(line(c.take(h * 0.11), library, false, width));
    d.lines.append(line(c.take(h * 0.23), record.signatur, true, width));
    d.lines.append(line(c.take(h * 0.12), record.titel, false, width));
    c.gap(h * 0.03);
    const double rest = content.bottom() - c.take(0).top();
    const double number = h * 0.11;
    d.barcodeBand = c.take(std::max(0.0, rest - number));
    d.lines.append({c.take(number), d.barcodeText, false});
    return d;
}

LabelDrawing readerCard(const LabelRecord& record, const QString& library, const ReaderCardOptions& options,
                        const QRectF& content, const TextWidth& width) {
    const double h = content.height();
    LabelDrawing d;
    d.barcodeText = barcodeText(record.nummer);
    Column c(content);
    if (!library.trimmed().isEmpty())
        d.lines.append(line(c.take(h * 0.13), library, true, width));
    const QString name = QStringList{record.vorname.trimmed(), record.nachname.trimmed()}.join(QLatin1Char(' '));
    d.lines.append(line(c.take(h * 0.17), name.trimmed(), false, width));
    c.gap(h * 0.04);
    const double number = h * 0.1;
    const double valid = options.validUntil.isValid() ? h * 0.1 : 0.0;
    const double rest = content.bottom() - c.take(0).top();
    d.barcodeBand = c.take(std::max(0.0, rest - number - valid));
    d.lines.append({c.take(number), d.barcodeText, false});
    if (options.validUntil.isValid())
        d.lines.append(
            line(c.take(valid),
                 QStringLiteral("gültig bis %1").arg(options.validUntil.toString(QStringLiteral("dd.MM.yyyy"))), false,
                 width));
    return d;
}

} // namespace lesaro::labels::LabelLayout
