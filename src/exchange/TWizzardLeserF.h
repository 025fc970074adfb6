#pragma once

#include "exchange/ImportWizard.h"

namespace lesaro {

class Library;

// Imports readers from another file through a field mapping.
class TWizzardLeserF : public ImportWizard {
    Q_OBJECT
public:
    explicit TWizzardLeserF(Library& library, QWidget* parent = nullptr);

private:
    Library& m_library;
};

} // namespace lesaro
