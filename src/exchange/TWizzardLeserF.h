#pragma once

#include "exchange/ImportWizard.h"

namespace lesaro {

class LibraryHandle;

// Imports readers from another file through a field mapping.
class TWizzardLeserF : public ImportWizard {
    Q_OBJECT
public:
    explicit TWizzardLeserF(LibraryHandle& library, QWidget* parent = nullptr);

private:
    LibraryHandle& m_library;
};

} // namespace lesaro
