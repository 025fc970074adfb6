#pragma once

#include "exchange/ImportWizard.h"

namespace lesaro {

class Library;

// Imports books from another file through a field mapping.
class TWizzardF : public ImportWizard {
    Q_OBJECT
public:
    explicit TWizzardF(Library& library, QWidget* parent = nullptr);

private:
    Library& m_library;
};

} // namespace lesaro
