#pragma once

#include "ui/LesaroDialog.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QRadioButton;

namespace lesaro {

class DataGrid;
class FlatButton;
class LibraryHandle;

// Searches the catalogue by one field or by the ten keywords and shows the hits. It narrows the main
// window's book table itself, so the hit list is the book table as filtered; closing takes the filter off
// and puts the books back into number order.
class TAuswertenF : public LesaroDialog {
    Q_OBJECT
public:
    explicit TAuswertenF(LibraryHandle& library, QWidget* parent = nullptr);

    DataGrid* DBGrid1() const { return m_DBGrid1; }

    void FormShow() override;
    void BAnzeigenClick();
    void Button1Click(); // " Alle Daten (sortiert)"
    void Button3Click(); // " Drucken"
    void DBGrid1DblClick();
    void DBGrid1TitleClick(const QString& fieldName);
    void FormClose();

    void done(int result) override;

Q_SIGNALS:
    // The book table is in edit state on the hit (or inserting into an empty list); show the book entry window.
    void bookEntryRequested();
    // Print the hit list in its current order with the book list printing.
    void printRequested();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildLayout();

    LibraryHandle& m_library;
    QComboBox* m_CB1 = nullptr;
    QLineEdit* m_E1 = nullptr;
    QRadioButton* m_RBexakt = nullptr;
    QRadioButton* m_RBTeil = nullptr;
    QLabel* m_LAnzahl = nullptr;
    DataGrid* m_DBGrid1 = nullptr;
};

} // namespace lesaro
