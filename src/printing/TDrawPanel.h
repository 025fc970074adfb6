#pragma once

#include <QPicture>
#include <QWidget>

namespace lesaro {

// The page on screen: white with a thin black frame and a shadow along its right and bottom edges; the
// recording replayed stretched over the sheet and clipped to the printer's printable area.
class TDrawPanel : public QWidget {
    Q_OBJECT
public:
    explicit TDrawPanel(QWidget* parent = nullptr);

    void setPage(const QPicture* recording, const QSize& sheet, const QRect& printable, int shadowSize,
                 const QColor& shadowColor);

    // The white page with its frame and the replayed recording, into the given rectangle.
    void paintPage(QPainter& painter, const QRect& page) const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    const QPicture* m_recording = nullptr;
    QSize m_sheet;
    QRect m_printable;
    int m_shadowSize = 8;
    QColor m_shadowColor;
};

} // namespace lesaro
