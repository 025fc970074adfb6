#pragma once

#include "printing/ListPreviewWindow.h"

namespace lesaro {

class LibraryHandle;

// The preview of the book list: the book table in its current order and filter.
class TDruckervorschauF : public ListPreviewWindow {
    Q_OBJECT
public:
    TDruckervorschauF(LibraryHandle& library, std::function<printing::ListOptions()> options, QWidget* parent);
};

} // namespace lesaro
