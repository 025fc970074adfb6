#pragma once

#include <QList>
#include <QPageLayout>
#include <QPointer>
#include <QString>
#include <QWidget>
#include <optional>

class QPrinter;

namespace lesaro {

// Every print dialog of the program goes through here: the print dialog itself, the printer set-up (which
// printer) and the page set-up (paper and orientation). Each works on the caller's printer and returns
// true when the user confirmed; the printer then holds the choice.
//
// Tests switch on answering: then no dialog is shown, each request is recorded, and the next queued answer
// is put into the printer (a cancel when none is queued). This works without any installed printer, as on
// the offscreen platform: an answer then prints into a PDF file.
class PrintDialogService {
public:
    enum class Kind { Print, PrinterSetup, PageSetup };

    // What a test answers in place of the user. Only what is set is changed in the printer.
    struct Answer {
        bool accepted = false;
        QString printerName;    // takes effect only for a printer the system knows
        QString outputFileName; // print into this PDF file instead of a printer
        std::optional<QPageLayout::Orientation> orientation;
        // Pages chosen in the print dialog; 0 for both means all pages. Ignored by the set-up dialogs.
        int fromPage = 0;
        int toPage = 0;

        static Answer cancelled() { return {}; }
        static Answer toFile(const QString& pdfFile, int fromPage = 0, int toPage = 0) {
            Answer a;
            a.accepted = true;
            a.outputFileName = pdfFile;
            a.fromPage = fromPage;
            a.toPage = toPage;
            return a;
        }
    };

    // What a dialog was asked with.
    struct Asked {
        Kind kind;
        QString title;
        QPointer<QWidget> parent;
        QString printerName; // the printer when the dialog was asked for
        int pageCount;       // pages offered by the print dialog, 0 when none
    };

    PrintDialogService() = delete;

    // The print dialog. With pageCount > 0 the pages 1 to pageCount are offered and preset as the range;
    // afterwards printer.printRange(), fromPage() and toPage() say what the user chose.
    static bool print(QPrinter& printer, QWidget* parent, const QString& title = {}, int pageCount = 0);
    // Chooses the printer (and its properties) without printing anything.
    static bool printerSetup(QPrinter& printer, QWidget* parent, const QString& title = {});
    // Paper size, orientation and margins.
    static bool pageSetup(QPrinter& printer, QWidget* parent, const QString& title = {});

    static void setAnswering(bool on); // also empties the queue and the record
    static bool answering();
    static void answerNext(const Answer& answer);
    static QList<Asked> takeAsked();
};

} // namespace lesaro
