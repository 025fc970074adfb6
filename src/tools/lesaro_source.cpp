// lesaro-source: shows what the import wizard receives from a source file, through the same data-access
// layer and the same extension rule. For support: "the wizard shows nothing" is answered by looking at
// exactly what the wizard was given.
//
//   lesaro-source tables FILE
//   lesaro-source dump FILE [--table NAME] [--separator semicolon|comma|tab]

#include "core/EngineError.h"
#include "exchange/sources/ImportSource.h"

#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStringList>

#include <cstdio>

using namespace lesaro;
using namespace lesaro::exchange;

namespace {

constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

int usage() {
    std::fputs("Aufruf: lesaro-source tables DATEI\n"
               "        lesaro-source dump DATEI [--table NAME] [--separator semicolon|comma|tab]\n",
               stderr);
    return kExitUsage;
}

void write(const QJsonObject& object) {
    const QByteArray bytes = QJsonDocument(object).toJson(QJsonDocument::Compact) + '\n';
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    if (args.size() < 2)
        return usage();
    const QString command = args[0];
    const QString path = args[1];
    QString table;
    Separator separator = Separator::Semicolon;
    for (qsizetype i = 2; i < args.size(); i += 2) {
        if (i + 1 >= args.size() || command != QLatin1String("dump"))
            return usage();
        const QString& value = args[i + 1];
        if (args[i] == QLatin1String("--table")) {
            table = value;
        } else if (args[i] == QLatin1String("--separator")) {
            if (value == QLatin1String("semicolon"))
                separator = Separator::Semicolon;
            else if (value == QLatin1String("comma"))
                separator = Separator::Comma;
            else if (value == QLatin1String("tab"))
                separator = Separator::Tab;
            else
                return usage();
        } else {
            return usage();
        }
    }
    try {
        if (command == QLatin1String("tables")) {
            if (args.size() != 2)
                return usage();
            write({{QStringLiteral("tables"), QJsonArray::fromStringList(ImportSource::tableNames(path))}});
            return 0;
        }
        if (command != QLatin1String("dump"))
            return usage();
        QJsonArray records;
        for (const QStringList& record : ImportSource::read(path, table, separator))
            records.append(QJsonArray::fromStringList(record));
        write({{QStringLiteral("records"), records}});
        return 0;
    } catch (const EngineError& e) {
        std::fprintf(stderr, "%s\n", e.message().toUtf8().constData());
        return kExitFailed;
    }
}
