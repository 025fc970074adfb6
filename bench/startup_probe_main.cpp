// The program as the start-up benchmark runs it: the installed program's run, which reports once its main
// window is up, changes one row of each table and then ends as after "Beenden", writing the tables and releasing
// the data folder. Built with the benchmark only.
//
// With "--session" (the memory benchmark) it first works as a librarian's day touches every part: each of the
// main window's windows shown and closed, every tab visited, and the reader list printed into the PDF file
// given after the flag. At the process's very end, after the tables were written, it reports its peak resident
// size ("peak-kb N").
#include "MemoryUse.h"
#include "app/ProgramRun.h"
#include "core/Field.h"
#include "core/Table.h"
#include "printing/PrinterChoice.h"
#include "printing/TDruckerVorschauLeserF.h"
#include "printing/rules/ListLayout.h"
#include "shell/TMainform.h"
#include "ui/FileDialogService.h"
#include "ui/LibraryHandle.h"
#include "ui/MessageService.h"

#include <QApplication>
#include <QDialog>
#include <QFileInfo>
#include <QTabWidget>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

QString g_sessionPdf;

void reportPeak() {
    std::printf("peak-kb %lld\n", qlonglong(lesaro::bench::peakResidentKb()));
    std::fflush(stdout);
}

// Every window the main window made, shown as the librarian opens it and closed again; every tab visited.
bool workSession(lesaro::TMainform& window, lesaro::LibraryHandle& library) {
    QTabWidget* pages = window.PageControl1();
    for (int i = 0; i < pages->count(); ++i) {
        pages->setCurrentIndex(i);
        QApplication::processEvents();
    }
    pages->setCurrentIndex(0);
    for (QDialog* dialog : window.findChildren<QDialog*>(Qt::FindDirectChildrenOnly)) {
        dialog->show();
        QApplication::processEvents();
        dialog->close();
        QApplication::processEvents();
    }
    lesaro::printing::PrinterChoice::select(lesaro::printing::PrinterChoice::PdfPrinterName);
    const lesaro::printing::ListOptions options{QStringLiteral("Leser"), true, {}};
    lesaro::TDruckerVorschauLeserF list(
        library, [&] { return options; }, &window);
    list.show();
    QApplication::processEvents();
    lesaro::FileDialogService::setAnswering(true);
    lesaro::FileDialogService::answerNext(g_sessionPdf);
    const bool printed = list.printList();
    lesaro::FileDialogService::setAnswering(false);
    list.close();
    return printed && QFileInfo(g_sessionPdf).size() > 0;
}

// A day's work changes every table, so that the end writes the whole library, as it does after a day at the desk.
void touchEveryTable(lesaro::LibraryHandle& library) {
    for (lesaro::Table* table : {&library.ClientBuecher(), &library.ClientLeser(), &library.ClientAusleihe()}) {
        table->First();
        if (table->Eof())
            continue;
        table->Edit();
        lesaro::Field remark = table->FieldByName(QStringLiteral("Bemerkung"));
        remark.setAsString(remark.AsString());
        table->Post();
    }
}

class StartupProbe : public lesaro::RunExtension {
public:
    void started(lesaro::TMainform& window, lesaro::LibraryHandle& library, lesaro::ProgramSession&) override {
        // The first turn of the message loop comes once the window is shown and its start-up is through.
        QTimer::singleShot(0, &window, [&window, &library] {
            std::fputs("shown\n", stdout);
            std::fflush(stdout);
            if (!g_sessionPdf.isEmpty() && !workSession(window, library)) {
                std::fputs("session failed\n", stdout);
                std::fflush(stdout);
            }
            touchEveryTable(library);
            window.Beenden1Click();
        });
    }
};

} // namespace

int main(int argc, char* argv[]) {
    // The notice of a start after a crash would wait for an OK nobody gives; it is recorded instead.
    lesaro::MessageService::setAnswering(true);
    if (argc == 3 && std::strcmp(argv[1], "--session") == 0) {
        g_sessionPdf = QString::fromLocal8Bit(argv[2]);
        argc = 1;
        // After the end's writing of the tables, which belongs to the session.
        std::atexit(reportPeak);
    }
    StartupProbe probe;
    return lesaro::runProgram(argc, argv, &probe);
}
