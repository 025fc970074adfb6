#include "printing/TDruckerVorschauLeserF.h"

#include "printing/rules/ListTables.h"
#include "settings/FieldCaptions.h"
#include "ui/LibraryHandle.h"

namespace lesaro {

using namespace printing;

namespace {

ListPreviewWindow::Setup setupFor(LibraryHandle& library, std::function<ListOptions()> options) {
    ListPreviewWindow::Setup s;
    s.objectName = QStringLiteral("DruckerVorschauLeserF");
    s.caption = QStringLiteral("Leserdaten drucken");
    s.listName = QStringLiteral("Leserliste");
    s.clientSize = QSize(678, 501);
    s.orientationButton = true;
    s.design = readerListDesign();
    s.source = std::make_unique<TableListSource>(library.ClientLeser(), readerListColumns());
    s.options = std::move(options);
    return s;
}

} // namespace

TDruckerVorschauLeserF::TDruckerVorschauLeserF(LibraryHandle& library, std::function<ListOptions()> options,
                                               QWidget* parent)
    : ListPreviewWindow(setupFor(library, std::move(options)), parent) {}

} // namespace lesaro
