#include "exchange/TExportF.h"

#include "ui/LibraryHandle.h"

namespace lesaro {

QList<ExportWindow::FieldChoice> TExportF::fieldChoices() {
    QList<FieldChoice> choices;
    auto f = [&](const char* box, const char* caption, const char* field, const char* header) {
        choices.append({QString::fromLatin1(box),
                        QString::fromUtf8(caption),
                        {QString::fromLatin1(field), QString::fromUtf8(header)},
                        int(choices.size())});
    };
    // Headers as the book list titles its columns, so a re-import finds the same names.
    f("CBNummer", "Nummer", "Nummer", "Nr.");
    f("CBVerfasser", "Verfasser", "Verfasser", "Verfasser");
    f("CBTitel", "Titel", "Titel", "Titel");
    f("CBVerlag", "Verlag", "Verlag", "Verlag");
    f("CBErscheinungsjahr", "Erscheinungsjahr", "Erscheinungsjahr", "Erscheinungsjahr");
    f("CBErscheinungsort", "Erscheinungsort", "Erscheinungsort", "Erscheinungsort");
    f("CBAuflage", "Auflage", "Auflage", "Auflage");
    f("CBSachgruppe", "Sachgruppe", "Sachgruppe", "Sachgruppe");
    f("CBSignatur", "Signatur", "Signatur", "Signatur");
    f("CBStandort", "Standort", "Standort", "Standort");
    f("CBISBN", "ISBN", "ISBN", "ISBN");
    f("CBPreis", "Preis", "Preis", "Preis");
    f("CBBemerkungen", "Bemerkungen", "Bemerkung", "Bemerkung");
    for (int i = 1; i <= 10; ++i)
        choices.append({QStringLiteral("CBS%1").arg(i),
                        QStringLiteral("Schlagwort %1").arg(i),
                        {QStringLiteral("Schlagwort%1").arg(i), QStringLiteral("Schlagwort %1").arg(i)},
                        int(choices.size())});
    return choices;
}

TExportF::TExportF(LibraryHandle& library, QWidget* parent)
    : ExportWindow(library.DataBuecher(), fieldChoices(), 4, QStringLiteral("Exportierte Bücher"), parent)
    , m_library(library) {
    setObjectName(QStringLiteral("ExportF"));
    setWindowTitle(QStringLiteral("Bücher exportieren"));
    setClientSize(437, 441);
}

} // namespace lesaro
