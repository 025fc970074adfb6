#pragma once

#include "printing/ListPreviewWindow.h"

namespace lesaro {

class LibraryHandle;

// The preview of the reader list: the reader table in its current order and filter.
class TDruckerVorschauLeserF : public ListPreviewWindow {
    Q_OBJECT
public:
    TDruckerVorschauLeserF(LibraryHandle& library, std::function<printing::ListOptions()> options, QWidget* parent);
};

} // namespace lesaro
