#pragma once

#include <QColor>
#include <QPicture>
#include <QPointer>
#include <QScrollArea>

namespace lesaro {

class TPrintJob;
class TDrawPanel;

// Shows one page of a print job at a time, scaled, in a scrolling area. It never draws a page itself: it
// records the job's page at printer resolution and replays the recording, so the screen shows exactly what
// the printer gets.
class TPreview : public QScrollArea {
    Q_OBJECT
public:
    enum class ViewMode { WholePage, PageWidth, Custom };

    explicit TPreview(QWidget* parent = nullptr);
    ~TPreview() override;

    static const QList<int>& zoomSteps();

    TPrintJob* PrintJob() const { return m_job; }
    void setPrintJob(TPrintJob* job);
    ViewMode viewMode() const { return m_mode; }
    void setViewMode(ViewMode mode);
    int ViewScale() const { return m_scale; }
    void setViewScale(int scale); // only in Custom; held to 10…1000
    int PageIndex() const { return m_page; }
    void setPageIndex(int page);
    int ShadowSize() const { return m_shadowSize; }
    void setShadowSize(int size);
    QColor ShadowColor() const { return m_shadowColor; }
    void setShadowColor(const QColor& color);
    // The background around the page.
    QColor Color() const { return m_color; }
    void setColor(const QColor& color);
    // Whether the page follows a scroll bar while its slider is dragged, or only when it is let go.
    bool ScrollTracking() const;
    void setScrollTracking(bool on);
    // Dragging the page with the left mouse button scrolls it.
    bool DragScroll() const { return m_dragScroll; }
    void setDragScroll(bool on);

    // The page as shown, as a picture; and the same copied to the clipboard or written to a file (the
    // format from the file's suffix, PNG without one).
    QImage pageImage() const;
    void copyPageToClipboard() const;
    bool savePageToFile(const QString& fileName) const;

    void ZoomIn();
    void ZoomOut();
    // Records the current page afresh and shows it.
    void UpdatePreview();

    // The page as shown, for tests and screenshots.
    QWidget* pagePanel() const;
    const QPicture& recording() const { return m_recording; }

Q_SIGNALS:
    void previewUpdated(); // after each rendering: the bar and the scale box follow
    void pageChanged();

protected:
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void placePanel();
    int screenDpi() const;
    void scrollToTopLeft();

    QPointer<TPrintJob> m_job;
    ViewMode m_mode = ViewMode::WholePage;
    int m_scale = 100;
    int m_page = 1;
    int m_shadowSize = 8;
    QColor m_shadowColor = QColor(0x40, 0x40, 0x40); // 4210752
    QColor m_color = QColor(0x80, 0x80, 0x80);       // 8421504
    bool m_dragScroll = false;
    bool m_dragging = false;
    QPoint m_dragFrom;
    QPoint m_dragScrollFrom;
    QWidget* m_canvas;
    TDrawPanel* m_panel;
    QPicture m_recording;
    bool m_rendering = false;
    bool m_renderAgain = false;
};

} // namespace lesaro
