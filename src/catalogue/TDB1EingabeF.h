#pragma once

#include "ui/LesaroDialog.h"

namespace lesaro {

class Library;

// The book entry window: every input is bound to the current book, so the lists show a change at once.
class TDB1EingabeF : public LesaroDialog {
    Q_OBJECT
public:
    explicit TDB1EingabeF(Library& library, QWidget* parent = nullptr);

    // Fills the drop-down lists from the remembered values; moves the book table to its first row.
    void LoadRememberedValues();

protected:
    bool FormCloseQuery() override;

private:
    Library& m_library;
};

} // namespace lesaro
