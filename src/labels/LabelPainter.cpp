#include "labels/LabelPainter.h"

#include <QFontMetricsF>
#include <QPainter>
#include <cmath>

namespace lesaro::labels {

LabelPainter::LabelPainter(const LabelPrintout& printout, int dpi, const QRect& printable)
    : m_printout(printout)
    , m_dpi(std::max(1, dpi)) {
    if (!printable.isEmpty())
        m_printableMm =
            QRectF(toMm(printable.left()), toMm(printable.top()), toMm(printable.width()), toMm(printable.height()));
}

int LabelPainter::dots(double mm) const {
    return int(std::lround(mm * m_dpi / 25.4));
}

double LabelPainter::toMm(int d) const {
    return d * 25.4 / m_dpi;
}

QRect LabelPainter::labelRect(int index) const {
    const QRectF r = m_printout.sheet.labelRect(index);
    // Edges rounded on their own, so that labels side by side share their edge without a gap or overlap.
    const int left = dots(r.left());
    const int top = dots(r.top());
    return QRect(QPoint(left, top), QPoint(dots(r.right()) - 1, dots(r.bottom()) - 1));
}

const LabelPainter::Font& LabelPainter::font(double cellHeightMm, bool bold) {
    // The cell holds the line with its ascent and descent; the pixel size is about 86 % of it.
    const int pixels = std::max(1, int(cellHeightMm * 0.86 * m_dpi / 25.4));
    Font& f = m_fonts[{pixels, bold}];
    if (!f.metrics) {
        f.font = QFont(QStringLiteral("Arial"));
        f.font.setFamilies({QStringLiteral("Arial"), QStringLiteral("Liberation Sans")});
        f.font.setPixelSize(pixels);
        f.font.setBold(bold);
        f.font.setKerning(false);
        f.metrics = std::make_unique<QFontMetricsF>(f.font);
    }
    return f;
}

double LabelPainter::textWidthMm(const QString& text, double cellHeightMm, bool bold) {
    return font(cellHeightMm, bold).metrics->horizontalAdvance(text) * 25.4 / m_dpi;
}

const BarcodeSymbol& LabelPainter::symbol(const QString& text) {
    auto it = m_symbols.find(text);
    if (it == m_symbols.end())
        it = m_symbols.insert(text, Barcode::encode(text, m_printout.symbology));
    return *it;
}

QString LabelPainter::checkBarcodes() {
    if (m_printout.records.isEmpty())
        return {};
    // The widest symbol decides; widths grow with the length of the number, so one of each length is tried.
    QHash<qsizetype, QString> byLength;
    for (const LabelRecord& r : m_printout.records) {
        const QString text = LabelLayout::barcodeText(r.nummer);
        byLength.insert(text.size() * 2 + (text.startsWith(QLatin1Char('-')) ? 1 : 0), text);
    }
    const QRectF content = LabelLayout::contentRect(m_printout.sheet.labelRect(0), m_printableMm);
    for (const QString& text : std::as_const(byLength)) {
        const BarcodeSymbol s = Barcode::encode(text, m_printout.symbology);
        if (!s.ok())
            return s.error;
        if (Barcode::moduleDots(s.modules, dots(content.width()), m_dpi) == 0)
            return QStringLiteral("Der Strichcode der Nummer %1 (%2) passt nicht auf ein Etikett dieses Bogens: "
                                  "Bitte einen Bogen mit breiteren Etiketten wählen%3.")
                .arg(text, Barcode::symbologyName(m_printout.symbology),
                     m_printout.symbology == Symbology::Code39 ? QStringLiteral(" oder Code 128 nehmen") : QString());
    }
    return {};
}

void LabelPainter::drawSheet(QPainter& painter, int sheet) {
    const auto [first, count] = m_printout.plan.labelsOnSheet(sheet);
    m_symbols.clear();
    painter.save();
    painter.setPen(Qt::NoPen);
    for (int k = first; k < first + count; ++k) {
        const LabelPlace place = m_printout.plan.place(k);
        drawLabel(painter, m_printout.records[place.record], place.index);
    }
    painter.restore();
}

void LabelPainter::drawLabel(QPainter& painter, const LabelRecord& record, int index) {
    const QRectF labelMm = m_printout.sheet.labelRect(index);
    const QRectF content = LabelLayout::contentRect(labelMm, m_printableMm);
    if (content.isEmpty())
        return;
    const TextWidth width = [this](const QString& text, double cell, bool bold) {
        return textWidthMm(text, cell, bold);
    };
    const LabelDrawing d = m_printout.kind == LabelKind::Book
                               ? LabelLayout::book(record, m_printout.library, content, width)
                               : LabelLayout::readerCard(record, m_printout.library, m_printout.card, content, width);

    painter.setPen(Qt::black);
    for (const LabelLine& line : d.lines) {
        if (line.text.isEmpty())
            continue;
        painter.setFont(font(line.cell.height(), line.bold).font);
        const QRect cell(QPoint(dots(line.cell.left()), dots(line.cell.top())),
                         QPoint(dots(line.cell.right()) - 1, dots(line.cell.bottom()) - 1));
        painter.drawText(cell, Qt::AlignHCenter | Qt::AlignVCenter | Qt::TextSingleLine, line.text);
    }
    painter.setPen(Qt::NoPen);
    drawBarcode(painter, d.barcodeBand, d.barcodeText);
}

void LabelPainter::drawBarcode(QPainter& painter, const QRectF& bandMm, const QString& text) {
    const BarcodeSymbol& s = symbol(text);
    if (!s.ok() || bandMm.height() <= 0)
        return;
    const QRect band(QPoint(dots(bandMm.left()), dots(bandMm.top())),
                     QPoint(dots(bandMm.right()) - 1, dots(bandMm.bottom()) - 1));
    const int module = Barcode::moduleDots(s.modules, band.width(), m_dpi);
    if (module == 0)
        return;
    // Centred in the band; the quiet zones are part of the symbol's width and stay blank.
    const int symbolWidth = int(std::lround(s.modules * module));
    const int x0 = band.left() + (band.width() - symbolWidth) / 2;
    for (const Bar& bar : s.bars) {
        painter.fillRect(QRect(x0 + int(std::lround(bar.x * module)), band.top(), int(std::lround(bar.width * module)),
                               band.height()),
                         Qt::black);
    }
}

} // namespace lesaro::labels
