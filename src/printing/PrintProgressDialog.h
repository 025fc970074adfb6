#pragma once

#include <QProgressDialog>
#include <QString>

namespace lesaro {

class TPrintJob;

// The progress of a printout, page n of m, following the job's own reports; "Abbrechen" stops the
// printout after the page being drawn (and a PDF file is then not written). It shows itself only when
// a printout takes a moment.
class PrintProgressDialog : public QProgressDialog {
    Q_OBJECT
public:
    PrintProgressDialog(TPrintJob& job, QWidget* parent);

    static QString pageText(int page, int pages);

private:
    TPrintJob& m_job;
    int m_started = 0;
};

} // namespace lesaro
