#include "printing/TDruckervorschauAusleihlisteF.h"

#include "printing/rules/ListTables.h"
#include "settings/FieldCaptions.h"
#include "ui/LibraryHandle.h"

namespace lesaro {

using namespace printing;

namespace {

ListPreviewWindow::Setup setupFor(LibraryHandle& library, std::function<ListOptions()> options) {
    ListPreviewWindow::Setup s;
    s.objectName = QStringLiteral("DruckervorschauAusleihlisteF");
    s.caption = QStringLiteral("Druckervorschau Ausleihliste");
    s.listName = QStringLiteral("Ausleihliste");
    s.clientSize = QSize(618, 513);
    s.orientationButton = false;
    s.design = loanListDesign();
    s.source = std::make_unique<TableListSource>(library.ClientAusleihe(), loanListColumns(),
                                                 QList<Table*>{&library.ClientBuecher(), &library.ClientLeser()});
    s.options = std::move(options);
    return s;
}

} // namespace

TDruckervorschauAusleihlisteF::TDruckervorschauAusleihlisteF(LibraryHandle& library,
                                                             std::function<ListOptions()> options, QWidget* parent)
    : ListPreviewWindow(setupFor(library, std::move(options)), parent) {}

} // namespace lesaro
