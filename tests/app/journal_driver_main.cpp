// The program as the crash journal's kill test runs it: the installed program's run with the test's driver
// working the windows. Built with the tests only, never installed.
#include "JournalTestDriver.h"
#include "app/ProgramRun.h"

#include <QString>

namespace {

class DriverExtension : public lesaro::RunExtension {
public:
    explicit DriverExtension(QString plan)
        : m_plan(std::move(plan)) {}
    void started(lesaro::TMainform& window, lesaro::LibraryHandle& library, lesaro::ProgramSession&) override {
        lesaro::JournalTestDriver::start(window, library, m_plan);
    }

private:
    QString m_plan;
};

} // namespace

int main(int argc, char* argv[]) {
    // The plan "tag:count:interval" comes first; whatever follows is the application's.
    DriverExtension driver(argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString());
    return lesaro::runProgram(argc, argv, &driver);
}
