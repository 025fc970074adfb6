#pragma once

#include "printing/rules/ListLayout.h"

#include <QFont>

class QPainter;

namespace lesaro::printing {

// A list page drawn with a QPainter in device units: the printer, the PDF file and the preview's
// recording all go through here.
class PainterCanvas : public ListCanvas {
public:
    explicit PainterCanvas(QPainter& painter);

    void setFont(const QString& family, int cellHeight) override;
    void setPenWidth(int width) override;
    void textOut(int x, int y, TextAlign align, const QString& text) override;
    void horizontalLine(int x1, int x2, int y) override;

private:
    QPainter& m_painter;
    QFont m_font;
};

} // namespace lesaro::printing
