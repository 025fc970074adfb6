#include "ui/PrintDialogService.h"

#include <QDialogButtonBox>
#include <QPageSetupDialog>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QQueue>

namespace lesaro {

namespace {

struct Answering {
    bool on = false;
    QQueue<PrintDialogService::Answer> answers;
    QList<PrintDialogService::Asked> asked;
};

Answering& state() {
    static Answering a;
    return a;
}

void apply(const PrintDialogService::Answer& answer, PrintDialogService::Kind kind, QPrinter& printer) {
    if (!answer.printerName.isEmpty())
        printer.setPrinterName(answer.printerName);
    if (!answer.outputFileName.isEmpty()) {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(answer.outputFileName);
    }
    if (answer.orientation)
        printer.setPageOrientation(*answer.orientation);
    if (kind != PrintDialogService::Kind::Print)
        return;
    if (answer.fromPage > 0 && answer.toPage >= answer.fromPage) {
        printer.setPrintRange(QPrinter::PageRange);
        printer.setFromTo(answer.fromPage, answer.toPage);
    } else {
        printer.setPrintRange(QPrinter::AllPages);
        printer.setFromTo(0, 0);
    }
}

// Returns true with the result in accepted when a test answers instead of the user.
bool answered(PrintDialogService::Kind kind, QPrinter& printer, QWidget* parent, const QString& title, int pageCount,
              bool& accepted) {
    Answering& a = state();
    if (!a.on)
        return false;
    a.asked.append({kind, title, parent, printer.printerName(), pageCount});
    const PrintDialogService::Answer answer =
        a.answers.isEmpty() ? PrintDialogService::Answer::cancelled() : a.answers.dequeue();
    accepted = answer.accepted;
    if (accepted)
        apply(answer, kind, printer);
    return true;
}

} // namespace

bool PrintDialogService::print(QPrinter& printer, QWidget* parent, const QString& title, int pageCount) {
    bool accepted = false;
    if (answered(Kind::Print, printer, parent, title, pageCount, accepted))
        return accepted;
    QPrintDialog dialog(&printer, parent);
    if (!title.isEmpty())
        dialog.setWindowTitle(title);
    if (pageCount > 0) {
        dialog.setOption(QAbstractPrintDialog::PrintPageRange);
        dialog.setMinMax(1, pageCount);
        printer.setFromTo(1, pageCount);
    }
    return dialog.exec() == QDialog::Accepted;
}

bool PrintDialogService::printerSetup(QPrinter& printer, QWidget* parent, const QString& title) {
    bool accepted = false;
    if (answered(Kind::PrinterSetup, printer, parent, title, 0, accepted))
        return accepted;
    QPrintDialog dialog(&printer, parent);
    if (!title.isEmpty())
        dialog.setWindowTitle(title);
    // Only the choice of printer: no pages, copies or selection, since nothing is printed yet.
    dialog.setOptions(QAbstractPrintDialog::PrintToFile);
    // Where the dialog is Qt's own, its confirming button must not promise a printout.
    if (auto* box = dialog.findChild<QDialogButtonBox*>()) {
        if (QPushButton* ok = box->button(QDialogButtonBox::Ok))
            ok->setText(QStringLiteral("OK"));
    }
    return dialog.exec() == QDialog::Accepted;
}

bool PrintDialogService::pageSetup(QPrinter& printer, QWidget* parent, const QString& title) {
    bool accepted = false;
    if (answered(Kind::PageSetup, printer, parent, title, 0, accepted))
        return accepted;
    QPageSetupDialog dialog(&printer, parent);
    if (!title.isEmpty())
        dialog.setWindowTitle(title);
    return dialog.exec() == QDialog::Accepted;
}

void PrintDialogService::setAnswering(bool on) {
    Answering& a = state();
    a.on = on;
    a.answers.clear();
    a.asked.clear();
}

bool PrintDialogService::answering() {
    return state().on;
}

void PrintDialogService::answerNext(const Answer& answer) {
    state().answers.enqueue(answer);
}

QList<PrintDialogService::Asked> PrintDialogService::takeAsked() {
    return std::exchange(state().asked, {});
}

} // namespace lesaro
