#pragma once

#include "labels/LabelPainter.h"
#include "printing/TPrintJob.h"

#include <QObject>
#include <memory>

class QPrinter;

namespace lesaro::labels {

// A printout of labels on the print job: one page per sheet. The job prints on a printer of its own, set up
// like the current one of the run but always on A4, which the label sheets are made for, so that the
// paper of the lists is left as the user chose it.
class LabelJob : public QObject {
    Q_OBJECT
public:
    LabelJob(LabelPrintout printout, QObject* parent);
    ~LabelJob() override;

    TPrintJob* job() const { return m_job; }
    const LabelPrintout& printout() const { return m_printout; }
    // Where the job's printer prints, in millimetres from the sheet's corner.
    QRectF printableMm() const;
    // Empty when the printout can go to the printer; otherwise why not (German).
    QString check() const;
    // The print dialog (whose printers include "PDF-Datei"), then the printout with a progress window.
    bool printWithDialog(QWidget* parent);

private:
    void draw(QPainter& painter, int sheet, const QRect& pageRect);

    LabelPrintout m_printout;
    std::unique_ptr<QPrinter> m_printer;
    TPrintJob* m_job;
    std::unique_ptr<LabelPainter> m_painter;
    int m_painterDpi = 0;
    QRect m_painterPrintable;
};

} // namespace lesaro::labels
