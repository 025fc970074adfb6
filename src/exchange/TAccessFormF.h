#pragma once

#include "ui/LesaroDialog.h"

namespace lesaro {

class Library;

// Lets the user pick the table or sheet of an import source.
class TAccessFormF : public LesaroDialog {
    Q_OBJECT
public:
    explicit TAccessFormF(Library& library, QWidget* parent = nullptr);

private:
    Library& m_library;
};

} // namespace lesaro
