#include "printing/TDruckerDialogLeserF.h"

#include "printing/TDruckerVorschauLeserF.h"

namespace lesaro {

namespace {

PrintOptionsDialog::Setup readerSetup() {
    PrintOptionsDialog::Setup s;
    s.objectName = QStringLiteral("DruckerDialogLeserF");
    s.caption = QStringLiteral("Leserdaten drucken");
    s.clientSize = QSize(442, 302);
    s.titleSetting = QStringLiteral("DruckTitelLeser");
    s.pageNumberSetting = QStringLiteral("DruckSeitenzahlenLeser");
    s.boxes = {{"CBNummer", "Nummer"},      {"CBVorname", "Vorname"}, {"CBNachname", "Nachname"},
               {"CBStrasse", "Straße"},     {"CBPLZ", "PLZ"},         {"CBOrt", "Ort"},
               {"CBTelefon", "Telefon"},    {"CBEmail", "eMail"},     {"CBSonstiges", "Sonstiges"},
               {"CBBemerkung", "Bemerkung"}};
    s.makePreview = [](LibraryHandle& library, std::function<printing::ListOptions()> options, QWidget* parent) {
        return new TDruckerVorschauLeserF(library, std::move(options), parent);
    };
    return s;
}

} // namespace

TDruckerDialogLeserF::TDruckerDialogLeserF(LibraryHandle& library, QWidget* parent)
    : PrintOptionsDialog(library, readerSetup(), parent) {}

} // namespace lesaro
