#pragma once

#include "ui/LesaroDialog.h"

namespace lesaro {

class Library;

// The reader entry window, bound to the current reader.
class TLeserEingebenF : public LesaroDialog {
    Q_OBJECT
public:
    explicit TLeserEingebenF(Library& library, QWidget* parent = nullptr);

protected:
    bool FormCloseQuery() override;

private:
    Library& m_library;
};

} // namespace lesaro
