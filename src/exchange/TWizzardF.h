#pragma once

#include "exchange/ImportWizard.h"

namespace lesaro {

class LibraryHandle;

// Imports books from another file through a field mapping.
class TWizzardF : public ImportWizard {
    Q_OBJECT
public:
    explicit TWizzardF(LibraryHandle& library, QWidget* parent = nullptr);

private:
    LibraryHandle& m_library;
};

} // namespace lesaro
