#pragma once

#include "labels/LabelPainter.h"

#include <QDialog>

namespace lesaro {
class TPreview;
class TPreviewToolbar;
} // namespace lesaro

namespace lesaro::labels {

class LabelJob;

// The label sheets in the print preview, one sheet a page; "Print" on the bar opens the print dialog. The
// window is made for one preview and deleted when it closes, with its job.
class TEtikettenVorschauF : public QDialog {
    Q_OBJECT
public:
    TEtikettenVorschauF(LabelPrintout printout, QWidget* parent);
    ~TEtikettenVorschauF() override;

    LabelJob* job() const { return m_job; }
    TPreview* Preview1() const { return m_preview; }
    TPreviewToolbar* PreviewToolbar1() const { return m_toolbar; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    LabelJob* m_job;
    TPreviewToolbar* m_toolbar;
    TPreview* m_preview;
    bool m_shown = false;
};

} // namespace lesaro::labels
