#include "printing/TDruckerDialogAusleihlisteF.h"

#include "printing/TDruckervorschauAusleihlisteF.h"

namespace lesaro {

namespace {

PrintOptionsDialog::Setup loanSetup() {
    PrintOptionsDialog::Setup s;
    s.objectName = QStringLiteral("DruckerDialogAusleihlisteF");
    s.caption = QStringLiteral("Ausleihliste");
    s.clientSize = QSize(443, 283);
    s.titleSetting = QStringLiteral("DruckTitelAusleihliste");
    s.pageNumberSetting = QStringLiteral("DruckSeitenzahlenAusleihliste");
    s.boxes = {{"CBBuchNummer", "Buch-Nr."},   {"CBVerfasser", "Verfasser"},  {"CBTitel", "Titel"},
               {"CBLeserNummer", "Leser-Nr."}, {"CBVorname", "Vorname"},      {"CBNachname", "Nachname"},
               {"CBDatumVon", "Datum (Von)"},  {"CBDatumBis", "Datum (Bis)"}, {"CBSollRueckgabe", "Soll-Rückgabe"}};
    s.makePreview = [](LibraryHandle& library, std::function<printing::ListOptions()> options, QWidget* parent) {
        return new TDruckervorschauAusleihlisteF(library, std::move(options), parent);
    };
    return s;
}

} // namespace

TDruckerDialogAusleihlisteF::TDruckerDialogAusleihlisteF(LibraryHandle& library, QWidget* parent)
    : PrintOptionsDialog(library, loanSetup(), parent) {}

} // namespace lesaro
