#pragma once

#include <QObject>
#include <QRect>
#include <QString>
#include <functional>

class QPainter;
class QPrinter;
class QWidget;

namespace lesaro {

// The print job of every printout: it owns the page geometry and the link to the current printer, and
// for every page printed or previewed it hands a painter to its owner's two callbacks, which draw the
// page in the printer's device units, the same code for the printer, the PDF file and the preview.
// Linked previews learn of a change of page count or geometry through updated().
class TPrintJob : public QObject {
    Q_OBJECT
public:
    enum class Orientation { Default, Portrait, Landscape };
    enum class DrawTarget { Print, Preview, MetaPreview, External };

    explicit TPrintJob(QObject* parent = nullptr);

    int PageCount() const { return m_pageCount; }
    void setPageCount(int count); // a value <= 0 is stored as 1
    QString Title() const { return m_title; }
    void setTitle(const QString& title) { m_title = title; }
    Orientation orientation() const { return m_orientation; }
    void setOrientation(Orientation orientation);

    // The page in device units: the printer's physical page, read again at every reset.
    double PageWidth() const { return m_pageWidth; }
    double PageHeight() const { return m_pageHeight; }
    int DPIX() const;
    int DPIY() const;
    bool PrinterOK() const;
    QPrinter& printer() const;

    void ResetToDefaultPage();
    QRect GetSheetRect() const;
    // Where the printer can print, on the sheet; the preview clips its page to it.
    QRect GetPrintableRect() const;

    // Draws page pageIndex (from 1) on the painter, which must work in this printer's device units.
    void Draw(QPainter& painter, int pageIndex, DrawTarget target);
    void PaintTo(QPainter& painter, int pageIndex) { Draw(painter, pageIndex, DrawTarget::External); }

    // Prints pages from startPage to endPage on the current printer; "PDF-Datei" asks for the file first.
    // Returns false when nothing was printed (refused, cancelled, or failed; a failure is shown).
    bool PrintEx(int startPage, int endPage, QWidget* parent);
    bool Print(QWidget* parent) { return PrintEx(1, m_pageCount, parent); }
    bool PrintDialog(QWidget* parent);
    bool PrinterSetupDialog(QWidget* parent);
    // The page being drawn is finished; printing stops before the next one.
    void Abort() { m_abort = true; }
    // The user stops a running printout: like Abort, and a PDF file is then not written.
    void Cancel() {
        m_abort = true;
        m_cancelled = true;
    }

    void Update();

    // Before every page drawn, on the painter of that page.
    std::function<void(TPrintJob&, QPainter&, DrawTarget)> OnInitDraw;
    // Draws one page; rect is the page band.
    std::function<void(TPrintJob&, QPainter&, int pageIndex, const QRect& rect, DrawTarget)> OnDraw;
    std::function<void(TPrintJob&)> OnStartPrint;
    std::function<void(TPrintJob&, int pageIndex)> OnStartPrintPage;
    std::function<void(TPrintJob&)> OnEndPrint;

Q_SIGNALS:
    // The page count, the orientation or the printer changed: linked previews render again.
    void updated();

private:
    bool printPages(QPrinter& printer, int startPage, int endPage, QWidget* parent);

    int m_pageCount = 1;
    QString m_title;
    Orientation m_orientation = Orientation::Default;
    double m_pageWidth = 2000;
    double m_pageHeight = 3000;
    bool m_abort = false;
    bool m_cancelled = false;
    int m_updateLock = 0;
};

} // namespace lesaro
