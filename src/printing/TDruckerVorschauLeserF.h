#pragma once

#include "printing/ListPreviewWindow.h"

namespace lesaro {

class Library;

// The preview of the reader list: the reader table in its current order and filter.
class TDruckerVorschauLeserF : public ListPreviewWindow {
    Q_OBJECT
public:
    TDruckerVorschauLeserF(Library& library, std::function<printing::ListOptions()> options, QWidget* parent);
};

} // namespace lesaro
