#pragma once

#include "ui/LesaroDialog.h"

namespace lesaro {

class LibraryHandle;

// Held the database objects of an import read; never shown. The data-access layer in exchange/sources reads
// the sources in its place, so the wizards need no window for it.
class TAccessFormF : public LesaroDialog {
    Q_OBJECT
public:
    explicit TAccessFormF(LibraryHandle& library, QWidget* parent = nullptr);

private:
    LibraryHandle& m_library;
};

} // namespace lesaro
