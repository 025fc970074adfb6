#pragma once

#include "ui/LesaroDialog.h"

namespace lesaro {

class Library;

// Options of the printed book list.
class TDruckerDialogF : public LesaroDialog {
    Q_OBJECT
public:
    explicit TDruckerDialogF(Library& library, QWidget* parent = nullptr);

    // The main window shows the button "Bücher eingrenzen/sortieren" and afterwards asks whether the
    // dialog was closed with it; asking clears the request.
    void setNarrowButtonVisible(bool visible) { m_narrowButtonVisible = visible; }
    bool takeNarrowRequest();

private:
    Library& m_library;
    bool m_narrowButtonVisible = false;
    bool m_narrowRequested = false;
};

} // namespace lesaro
