#include "exchange/MahnlisteExportieren.h"

#include "core/AtomicFile.h"
#include "core/Clock.h"
#include "core/EngineError.h"
#include "exchange/rules/MahnlisteExport.h"
#include "ui/FileDialogService.h"
#include "ui/LibraryHandle.h"
#include "ui/MessageService.h"

#include <QFileInfo>

namespace lesaro {

void MahnlisteExportieren(LibraryHandle& library, QWidget* parent) {
    const MahnlisteResult list =
        mahnliste(library.ClientAusleihe(), library.ClientBuecher(), library.ClientLeser(), Clock::today());
    if (list.rows == 0) {
        MessageService::notice(parent, QStringLiteral("Zurzeit ist kein Buch überfällig; die Mahnliste wäre leer."));
        return;
    }
    QString name = FileDialogService::saveFileName(parent, QStringLiteral("Mahnliste exportieren"), {},
                                                   QStringLiteral("CSV-Dateien (*.csv)"));
    if (name.isEmpty())
        return;
    if (QFileInfo(name).suffix().isEmpty())
        name += QStringLiteral(".csv");
    try {
        writeFileAtomically(name, list.file.bytes);
    } catch (const EngineError& e) {
        MessageService::error(parent, e.message());
        return;
    }
    QString text =
        list.rows == 1
            ? QStringLiteral("Die Mahnliste mit 1 überfälligen Ausleihe wurde gespeichert.")
            : QStringLiteral("Die Mahnliste mit %1 überfälligen Ausleihen wurde gespeichert.").arg(list.rows);
    if (list.file.replacedValues > 0)
        text += QStringLiteral("\n%1 Werte enthielten Zeichen, die der Zeichensatz Windows-1252 nicht kennt; sie "
                               "wurden als \"?\" geschrieben.")
                    .arg(list.file.replacedValues);
    MessageService::notice(parent, text);
}

} // namespace lesaro
