#pragma once

#include "readercatalogue/rules/CatalogueChoice.h"
#include "ui/LesaroDialog.h"

#include <QList>

class QCheckBox;
class QLineEdit;
class QRadioButton;
class QToolButton;

namespace lesaro {

class FlatButton;
class LibraryHandle;

// "Katalog für Leser exportieren": which books and columns go into the catalogue, whether it tells what is
// lent, and the folder it goes to. The choice and the folder are kept for the next time.
class TLeserkatalogF : public LesaroDialog {
    Q_OBJECT
public:
    explicit TLeserkatalogF(LibraryHandle& library, QWidget* parent = nullptr);

    // The choice the window shows now.
    CatalogueChoice choice() const;

    // Handlers.
    void FormShow() override;
    void EZielordnerChange();
    void CBVerfuegbarkeitClick();
    void SpeedButton1Click();
    void BExportierenClick();

    // The folder a picked folder stands for: itself when it is empty or an earlier catalogue; else its
    // sub-folder "Leserkatalog", so that a stick's or a share's other files stay where they are.
    static QString catalogueFolderFor(const QString& picked);

private:
    void showChoice(const CatalogueChoice& choice);

    LibraryHandle& m_library;
    QRadioButton* m_RBAlle;
    QRadioButton* m_RBListe;
    QList<QCheckBox*> m_columnBoxes; // one per CatalogueChoice::allColumns(), in that order
    QCheckBox* m_CBVerfuegbarkeit;
    QCheckBox* m_CBRueckgabe;
    QLineEdit* m_EZielordner;
    QToolButton* m_SpeedButton1;
    FlatButton* m_BExportieren;
};

} // namespace lesaro
