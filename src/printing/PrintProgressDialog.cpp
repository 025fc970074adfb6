#include "printing/PrintProgressDialog.h"

#include "printing/TPrintJob.h"

namespace lesaro {

PrintProgressDialog::PrintProgressDialog(TPrintJob& job, QWidget* parent)
    : QProgressDialog(parent)
    , m_job(job) {
    setObjectName(QStringLiteral("PrintProgress"));
    setWindowTitle(QStringLiteral("Drucken"));
    setCancelButtonText(QStringLiteral("Abbrechen"));
    setWindowModality(Qt::WindowModal);
    setMinimumDuration(300);
    setAutoClose(false);
    setAutoReset(false);
    setMinimumWidth(320);
    // Nothing shows before the printout begins.
    setValue(0);
    reset();

    connect(&job, &TPrintJob::OnStartPrint, this, [this] {
        m_started = 0;
        setRange(0, std::max(1, m_job.PagesToPrint()));
        setLabelText(pageText(1, m_job.PagesToPrint()));
        setValue(0);
    });
    // Pages are counted as they come, so that a printout from the last page down also counts up.
    connect(&job, &TPrintJob::OnStartPrintPage, this, [this](int) {
        ++m_started;
        setLabelText(pageText(m_started, m_job.PagesToPrint()));
    });
    connect(&job, &TPrintJob::OnPrintProgress, this, [this](int pos, int, int max) {
        setMaximum(std::max(1, max));
        setValue(pos);
    });
    // The window goes, and so does its timer to show itself: a printout that failed before that timer ran
    // out would otherwise bring the window up over the message that tells why.
    connect(&job, &TPrintJob::OnEndPrint, this, [this] {
        hide();
        reset();
    });
    connect(this, &QProgressDialog::canceled, &job, &TPrintJob::Cancel);
}

QString PrintProgressDialog::pageText(int page, int pages) {
    return QStringLiteral("Seite %1 von %2").arg(page).arg(pages);
}

} // namespace lesaro
