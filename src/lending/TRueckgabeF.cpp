#include "lending/TRueckgabeF.h"

#include "ui/Library.h"

namespace lesaro {

TRueckgabeF::TRueckgabeF(Library& library, QWidget* parent)
    : LesaroDialog(parent)
    , m_library(library) {
    setObjectName(QStringLiteral("RueckgabeF"));
    setWindowTitle(QStringLiteral("Buchrückgabe"));
}

} // namespace lesaro
