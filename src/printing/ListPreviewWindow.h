#pragma once

#include "printing/QtTextMeasurer.h"
#include "printing/ShapedTexts.h"
#include "printing/TPrintJob.h"
#include "printing/rules/ListLayout.h"

#include <QDialog>
#include <functional>
#include <memory>

class QPushButton;

namespace lesaro {

class TPreview;
class TPreviewToolbar;

// The frame of the three list preview windows: the button bar along the top, the preview below it and the
// print job whose two callbacks lay out the list. The window is made for one preview and deleted when it
// closes, with its job and its layout.
class ListPreviewWindow : public QDialog {
    Q_OBJECT
public:
    struct Setup {
        QString objectName;
        QString caption;
        // The document's name for the spooler and the PDF when the list has no title of its own.
        QString listName;
        QSize clientSize;
        bool orientationButton = true;
        printing::ListDesign design;
        std::unique_ptr<printing::ListSource> source;
        std::function<printing::ListOptions()> options; // read live while a page is drawn
    };

    // The page count a job holds while the end of its list is still to be found: drawing the page on which
    // the list ends settles the true count.
    static constexpr int kOpenPageCount = 1000;

    ListPreviewWindow(Setup setup, QWidget* parent);
    ~ListPreviewWindow() override;

    TPrintJob* PrintJob1() const { return m_job; }
    TPreview* Preview1() const { return m_preview; }
    TPreviewToolbar* PreviewToolbar1() const { return m_toolbar; }
    QPushButton* SpeedButton1() const { return m_orientationButton; }
    printing::ListLayout& layout() { return m_layout; }

    void PrintJob1InitDraw(TPrintJob& job, QPainter& painter, TDrawTarget target);
    void PrintJob1Draw(TPrintJob& job, QPainter& painter, int pageIndex, const QRect& rect, TDrawTarget target);
    void SpeedButton1Click();
    // "Print" on the bar: the whole list on the current printer, with a progress dialog that can cancel.
    bool printList();

protected:
    void showEvent(QShowEvent* event) override;

private:
    printing::PageSetup pageSetup() const;
    QString documentTitle() const;

    std::unique_ptr<printing::ListSource> m_source;
    std::function<printing::ListOptions()> m_options;
    QString m_listName;
    printing::QtTextMeasurer m_measurer;
    printing::ShapedTexts m_shapes;
    printing::ListLayout m_layout;
    TPrintJob* m_job;
    TPreviewToolbar* m_toolbar;
    TPreview* m_preview;
    QPushButton* m_orientationButton = nullptr;
    bool m_shown = false;
};

} // namespace lesaro
