#pragma once

#include "ui/LesaroDialog.h"

namespace lesaro {

class Library;

// Searches the catalogue by one field or by the ten keywords and shows the hits.
class TAuswertenF : public LesaroDialog {
    Q_OBJECT
public:
    explicit TAuswertenF(Library& library, QWidget* parent = nullptr);

private:
    Library& m_library;
};

} // namespace lesaro
