// What loading and saving the library cost in memory, measured in a process of its own so that nothing else
// of the benchmark counts: the library's three files are loaded as the program's start loads them, then saved
// into another folder. Prints one "name value" line per figure. Built with the benchmark only.
#include "MemoryUse.h"
#include "core/EngineError.h"
#include "core/LibraryTables.h"
#include "core/Table.h"

#include <QCoreApplication>
#include <QDir>
#include <cstdio>

using namespace lesaro;
using namespace lesaro::bench;

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    if (argc != 3) {
        std::fputs("usage: lesaro-load-probe <library folder> <save folder>\n", stderr);
        return 2;
    }
    const QDir from(QString::fromLocal8Bit(argv[1]));
    const QDir to(QString::fromLocal8Bit(argv[2]));
    Table readers(QStringLiteral("ClientLeser"));
    Table loans(QStringLiteral("ClientAusleihe"));
    Table books(QStringLiteral("ClientBuecher"));
    readers.setColumns(LibraryTables::readerColumns());
    loans.setColumns(LibraryTables::loanColumns());
    books.setColumns(LibraryTables::bookColumns());
    LibraryTables::addLoanLookupFields(loans, books, readers);
    const std::pair<Table*, const char*> tables[] = {
        {&readers, LibraryTables::kReaderFile}, {&loans, LibraryTables::kLoanFile}, {&books, LibraryTables::kBookFile}};
    for (const auto& [table, file] : tables)
        table->setIndexFieldNames(QStringLiteral("ID")); // a fresh installation's order

    const auto print = [](const char* name, qint64 value) { std::printf("%s %lld\n", name, qlonglong(value)); };
    try {
        print("empty-kb", residentKb());
        const qint64 beforeLoad = minorFaults();
        for (const auto& [table, file] : tables)
            table->LoadFromFile(from.filePath(QString::fromLatin1(file)));
        print("load-faults", minorFaults() - beforeLoad);
        print("load-peak-kb", peakResidentKb());
        print("loaded-kb", residentKb());

        const bool peakReset = resetPeakResident();
        const qint64 beforeSave = minorFaults();
        for (const auto& [table, file] : tables)
            table->SaveToFile(to.filePath(QString::fromLatin1(file)));
        print("save-faults", minorFaults() - beforeSave);
        if (peakReset)
            print("save-peak-kb", peakResidentKb());
    } catch (const EngineError& e) {
        std::fprintf(stderr, "%s\n", qPrintable(e.message()));
        return 1;
    }
    return 0;
}
