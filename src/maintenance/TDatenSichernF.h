#pragma once

#include "ui/LesaroDialog.h"

namespace lesaro {

class Library;

// Backs up the data and settings to a folder and reads them back.
class TDatenSichernF : public LesaroDialog {
    Q_OBJECT
public:
    explicit TDatenSichernF(Library& library, QWidget* parent = nullptr);

private:
    Library& m_library;
};

} // namespace lesaro
