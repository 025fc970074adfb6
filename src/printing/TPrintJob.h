#pragma once

#include "printing/rules/PageGeometry.h"

#include <QFont>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QRect>
#include <QString>
#include <functional>
#include <optional>

class QImage;
class QPainter;
class QPrinter;
class QWidget;

namespace lesaro {

// The print job of every printout: it owns the page geometry and the link to the printer, and for every
// page printed or previewed it hands a painter to its owner's callbacks, which draw the page in the
// printer's device units, the same code for the printer, the PDF file and the preview. Linked previews and
// linked jobs learn of a change of page count or geometry through Update.
class TPrintJob : public QObject {
    Q_OBJECT
public:
    explicit TPrintJob(QObject* parent = nullptr);
    ~TPrintJob() override;

    static QString marginsOutsideText();
    static QString marginsQuestionText();

    // --- Properties; setting one of the geometry properties to a new value runs Update.
    int PageCount() const { return m_pageCount; }
    void setPageCount(int count); // a value <= 0 is stored as 1
    QString Title() const { return m_title; }
    void setTitle(const QString& title) { m_title = title; }
    bool MultiDoc() const { return m_multiDoc; }
    void setMultiDoc(bool on) { m_multiDoc = on; }
    TMargins Margins() const { return m_page.margins; }
    void setMargins(const TMargins& margins);
    TUnits MarginsUnits() const { return m_page.marginsUnits; }
    void setMarginsUnits(TUnits units);
    TMarginsError MarginsError() const { return m_marginsError; }
    void setMarginsError(TMarginsError mode);
    double Header() const { return m_page.header; }
    void setHeader(double height);
    TUnits HeaderUnits() const { return m_page.headerUnits; }
    void setHeaderUnits(TUnits units);
    double Footer() const { return m_page.footer; }
    void setFooter(double height);
    TUnits FooterUnits() const { return m_page.footerUnits; }
    void setFooterUnits(TUnits units);
    TPageMode PageMode() const { return m_page.pageMode; }
    void setPageMode(TPageMode mode);
    // In PageUnits. In pmDefault every reset replaces them with the printer's physical page.
    double PageWidth() const { return m_page.pageWidth; }
    void setPageWidth(double width);
    double PageHeight() const { return m_page.pageHeight; }
    void setPageHeight(double height);
    TUnits PageUnits() const { return m_page.pageUnits; }
    void setPageUnits(TUnits units);
    TPageOrientation Orientation() const { return m_orientation; }
    void setOrientation(TPageOrientation orientation);
    TJobOptions Options() const { return m_page.options; }
    void setOptions(TJobOptions options);
    bool RelativeCoords() const { return m_relativeCoords; }
    void setRelativeCoords(bool on);

    // --- The printer.
    // The printer the job works on: the current printer of the run unless one is given (nullptr returns to it).
    QPrinter& printer() const;
    void setPrinter(QPrinter* printer);
    bool PrinterOK() const;
    TPrinterCaps DeviceCaps() const;
    int DPIX() const { return DeviceCaps().dpiX; }
    int DPIY() const { return DeviceCaps().dpiY; }
    int PhysicalPageWidth() const { return DeviceCaps().physicalWidth; }
    int PhysicalPageHeight() const { return DeviceCaps().physicalHeight; }
    bool Aborted() const;

    double ConvertUnits(TUnits from, TUnits to, double fullRange, TDirection direction, double value) const;
    // Left and right against the sheet's width, top and bottom against its height.
    TMargins ConvertMargins(TUnits from, TUnits to, const TMargins& margins) const;

    // --- Geometry in device units.
    virtual void ResetToDefaultPage();
    virtual QRect GetSheetRect() const;
    virtual QRect GetPrintableRect() const;
    virtual QRect GetMarginRect() const;
    virtual QRect GetHeaderRect() const;
    virtual QRect GetPageRect() const;
    virtual QRect GetFooterRect() const;
    // Where the printer can print, on the sheet; the preview clips its page to it.
    QRect GetPrintableAreaOnSheet() const;

    // --- Drawing.
    // The job that draws the given page.
    virtual TPrintJob* ActiveInstance(int pageIndex);
    // Draws page pageIndex (from 1) on the painter, which must work in this printer's device units.
    virtual void Draw(QPainter& painter, int pageIndex, TDrawTarget target);
    void PaintTo(QPainter& painter, int pageIndex) { Draw(painter, pageIndex, TDrawTarget::dtExternal); }
    // A font of the given point size at the printer's resolution.
    QFont PointFont(const QString& family, double points) const;
    // A picture drawn into a rectangle as the stretch mode and the alignment say.
    void DrawBitmap(QPainter& painter, const QRect& rect, const QImage& image, TStretchMode mode,
                    Qt::Alignment alignment = Qt::AlignLeft | Qt::AlignTop) const;
    // One line of text from its top-left corner, with a tab stop every eight average character widths.
    void TabbedTextOut(QPainter& painter, int x, int y, const QString& text) const;

    // --- Printing. The parent is the window that messages and file dialogs stand over.
    // Pages from startPage to endPage (from the higher one down with pmReverse) on the printer; "PDF-Datei"
    // asks for the file first, and with pmMultiDoc writes every page into a numbered file of its own.
    // Returns false when nothing was printed (refused, cancelled, or failed; a failure is shown).
    bool PrintEx(int startPage, int endPage, TPrintModes modes = {}, QWidget* parent = nullptr);
    virtual bool Print(QWidget* parent = nullptr);
    virtual bool PrintDialog(QWidget* parent = nullptr);
    virtual bool PrinterSetupDialog(QWidget* parent = nullptr);
    // The page being drawn is finished; printing stops before the next one.
    virtual void Abort() { m_abort = true; }
    // The user stops a running printout: like Abort, and a PDF file is then not written.
    void Cancel() {
        m_abort = true;
        m_cancelled = true;
    }
    bool Printing() const { return m_printing; }
    // The pages of the printout in progress.
    int PagesToPrint() const { return m_pagesToPrint; }

    // --- Updates.
    void Update();
    void LockUpdate() { ++m_updateLock; }
    void UnlockUpdate() { m_updateLock = std::max(0, m_updateLock - 1); }
    void LockJobsUpdate() { ++m_jobsLock; }
    void UnlockJobsUpdate() { m_jobsLock = std::max(0, m_jobsLock - 1); }
    void LockControlsUpdate() { ++m_controlsLock; }
    void UnlockControlsUpdate() { m_controlsLock = std::max(0, m_controlsLock - 1); }
    void LockDraw() { ++m_drawLock; }
    void UnlockDraw() { m_drawLock = std::max(0, m_drawLock - 1); }
    bool UpdateLocked() const { return m_updateLock > 0; }
    bool DrawLocked() const { return m_drawLock > 0; }

    // A control (a preview) that Update tells to show the job afresh; it is unlinked when it is destroyed.
    void LinkControl(QObject* control, std::function<void()> update);
    void UnlinkControl(QObject* control);
    // Another job that follows this one's updates.
    void LinkJob(TPrintJob* job);
    void UnlinkJob(TPrintJob* job);

    // --- Callbacks of the owner.
    // Before every page drawn, after the defaults are set, on the painter of that page.
    std::function<void(TPrintJob&, QPainter&, TDrawTarget)> OnInitDraw;
    // Draws one band of a page into rect.
    std::function<void(TPrintJob&, QPainter&, int pageIndex, const QRect& rect, TDrawArea area, TDrawTarget)> OnDraw;
    // May refuse a printout by setting allow to false.
    std::function<void(TPrintJob&, bool& allow)> OnAllowPrint;

Q_SIGNALS:
    void OnPrinterSetupChange();
    void OnStartPrint();
    void OnEndPrint();
    void OnStartPrintPage(int pageIndex);
    void OnEndPrintPage(int pageIndex);
    // Pages done so far, the first and the last count of the printout.
    void OnPrintProgress(int pos, int min, int max);
    // After every update that reached the linked controls.
    void updated();

protected:
    virtual void InitDraw(QPainter& painter, TDrawTarget target);
    virtual void DrawArea(QPainter& painter, int pageIndex, const QRect& rect, TDrawArea area, TDrawTarget target);
    virtual void PrinterSetupChange();
    virtual bool AllowPrint();
    virtual void StartPrint();
    virtual void EndPrint();
    virtual void PrintProgress(int pos, int min, int max);
    virtual void StartPrintPage(int pageIndex);
    virtual void EndPrintPage(int pageIndex);
    // Begins a new sheet before the given page, which is not the first of its document.
    virtual void ForceNewPage(int pageIndex);
    virtual void ApplyUpdates();
    void CheckMargins();

private:
    struct LinkedControl {
        QPointer<QObject> control;
        std::function<void()> update;
    };
    struct Declined {
        TMargins margins;
        TUnits units;
        TPrinterCaps caps;
    };

    QWidget* dialogParent(QWidget* parent) const;
    bool onPrinterCanvas() const { return m_drawTarget == TDrawTarget::dtPrint; }

    int m_pageCount = 1;
    QString m_title;
    bool m_multiDoc = false;
    TMarginsError m_marginsError = TMarginsError::meAutoFix;
    TPageOrientation m_orientation = TPageOrientation::orDefault;
    bool m_relativeCoords = false;
    TPageSettings m_page;
    QPrinter* m_printer = nullptr;

    bool m_abort = false;
    bool m_cancelled = false;
    bool m_printing = false;
    int m_pagesToPrint = 0;
    int m_updateLock = 0;
    int m_jobsLock = 0;
    int m_controlsLock = 0;
    int m_drawLock = 0;
    bool m_notifyingJobs = false;
    std::optional<TDrawTarget> m_drawTarget;
    std::optional<Declined> m_declined;
    QList<LinkedControl> m_controls;
    QList<QPointer<TPrintJob>> m_jobs;
};

} // namespace lesaro
