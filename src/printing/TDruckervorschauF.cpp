#include "printing/TDruckervorschauF.h"

#include "printing/rules/ListTables.h"
#include "settings/FieldCaptions.h"
#include "ui/LibraryHandle.h"

namespace lesaro {

using namespace printing;

namespace {

ListPreviewWindow::Setup setupFor(LibraryHandle& library, std::function<ListOptions()> options) {
    ListPreviewWindow::Setup s;
    s.objectName = QStringLiteral("DruckervorschauF");
    s.caption = QStringLiteral("Druckervorschau");
    s.listName = QStringLiteral("Bücherliste");
    s.clientSize = QSize(662, 483);
    s.orientationButton = true;
    s.design = bookListDesign(FieldCaptions::BookColumnCaptions());
    s.source = std::make_unique<TableListSource>(library.ClientBuecher(), bookListColumns());
    s.options = std::move(options);
    return s;
}

} // namespace

TDruckervorschauF::TDruckervorschauF(LibraryHandle& library, std::function<ListOptions()> options, QWidget* parent)
    : ListPreviewWindow(setupFor(library, std::move(options)), parent) {}

} // namespace lesaro
