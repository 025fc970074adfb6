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

private:
    void placePanel();
    int screenDpi() const;
    void scrollToTopLeft();

    QPointer<TPrintJob> m_job;
    ViewMode m_mode = ViewMode::WholePage;
    int m_scale = 100;
    int m_page = 1;
    int m_shadowSize = 8;
    QColor m_shadowColor = QColor(0x40, 0x40, 0x40);
    QWidget* m_canvas;
    TDrawPanel* m_panel;
    QPicture m_recording;
    bool m_rendering = false;
    bool m_renderAgain = false;
};

} // namespace lesaro
