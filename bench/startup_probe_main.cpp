// The program as the start-up benchmark runs it: the installed program's run, which reports once its main
// window is up and then ends as after "Beenden", releasing the data folder. Built with the benchmark only.
#include "app/ProgramRun.h"
#include "shell/TMainform.h"
#include "ui/MessageService.h"

#include <QTimer>
#include <cstdio>

namespace {

class StartupProbe : public lesaro::RunExtension {
public:
    void started(lesaro::TMainform& window, lesaro::LibraryHandle&, lesaro::ProgramSession&) override {
        // The first turn of the message loop comes once the window is shown and its start-up is through.
        QTimer::singleShot(0, &window, [&window] {
            std::fputs("shown\n", stdout);
            std::fflush(stdout);
            window.Beenden1Click();
        });
    }
};

} // namespace

int main(int argc, char* argv[]) {
    // The notice of a start after a crash would wait for an OK nobody gives; it is recorded instead.
    lesaro::MessageService::setAnswering(true);
    StartupProbe probe;
    return lesaro::runProgram(argc, argv, &probe);
}
