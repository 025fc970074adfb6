#pragma once

#include "ui/LesaroDialog.h"

namespace lesaro {

class Library;

// Removes single entries from the remembered-value lists.
class TComboBoxenLoeschenF : public LesaroDialog {
    Q_OBJECT
public:
    explicit TComboBoxenLoeschenF(Library& library, QWidget* parent = nullptr);

private:
    Library& m_library;
};

} // namespace lesaro
