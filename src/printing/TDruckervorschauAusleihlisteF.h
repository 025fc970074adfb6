#pragma once

#include "printing/ListPreviewWindow.h"

namespace lesaro {

class LibraryHandle;

// The preview of the loan and overdue lists: the loan table as the main window has filtered it, always in portrait.
class TDruckervorschauAusleihlisteF : public ListPreviewWindow {
    Q_OBJECT
public:
    TDruckervorschauAusleihlisteF(LibraryHandle& library, std::function<printing::ListOptions()> options,
                                  QWidget* parent);
};

} // namespace lesaro
