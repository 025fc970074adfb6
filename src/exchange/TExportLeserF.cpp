#include "exchange/TExportLeserF.h"

#include "ui/LibraryHandle.h"

namespace lesaro {

QList<ExportWindow::FieldChoice> TExportLeserF::fieldChoices() {
    auto f = [](const char* box, const char* caption, const char* field, const char* header, int position) {
        return FieldChoice{QString::fromLatin1(box),
                           QString::fromUtf8(caption),
                           {QString::fromLatin1(field), QString::fromUtf8(header)},
                           position};
    };
    // The window lists "Bemerkungen" before "Sonstiges"; the file has Sonstiges before Bemerkung.
    return {f("CBNummer", "Nummer", "Nummer", "Nr.", 1),
            f("CBVorname", "Vorname", "Vorname", "Vorname", 2),
            f("CBNachname", "Nachname", "Nachname", "Nachname", 3),
            f("CBStrasse", "Straße", "Strae", "Straße", 4),
            f("CBPLZ", "PLZ", "PLZ", "PLZ", 5),
            f("CBOrt", "Ort", "Ort", "Ort", 6),
            f("CBTelefon", "Telefon", "Telefon", "Telefon", 7),
            f("CBemail", "eMail", "eMail", "eMail", 8),
            f("CBBemerkung", "Bemerkungen", "Bemerkung", "Bemerkung", 10),
            f("CBSonstiges", "Sonstiges", "Sonstiges1", "Sonstiges", 9)};
}

TExportLeserF::TExportLeserF(LibraryHandle& library, QWidget* parent)
    : ExportWindow(library.DataLeser(), fieldChoices(), 2, QStringLiteral("Exportierte Leser"), parent)
    , m_library(library) {
    setObjectName(QStringLiteral("ExportLeserF"));
    setWindowTitle(QStringLiteral("Leser exportieren"));
    setClientSize(437, 398);
}

} // namespace lesaro
