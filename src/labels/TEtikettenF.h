#pragma once

#include "labels/LabelPainter.h"
#include "ui/LesaroDialog.h"

#include <QPointer>

class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QLabel;
class QLineEdit;
class QRadioButton;
class QSpinBox;

namespace lesaro {
class DatePicker;
class LibraryHandle;
class Table;
} // namespace lesaro

namespace lesaro::labels {

class TEtikettenVorschauF;

// "Etiketten drucken" for books and "Leserausweise drucken" for readers: the sheet, which labels, where on
// the first sheet to begin and how many of each, then the preview or the print dialog. A book or reader
// without a number gets no barcode and is left out; the window says how many.
class TEtikettenF : public LesaroDialog {
    Q_OBJECT
public:
    TEtikettenF(LibraryHandle& library, LabelKind kind, QWidget* parent);
    ~TEtikettenF() override;

    LabelKind kind() const { return m_kind; }
    // The printout as the window's fields stand; selection.withoutNumber is the count left out.
    LabelPrintout printout();
    const Selection& selection() const { return m_selection; }
    QString countText() const;
    QString noteText() const;

    // Handlers.
    void FormShow() override;
    bool FormCloseQuery() override;
    void CBBogenChange();
    void SheetFieldChange();
    void SelectionChange();
    void BVorschauClick();
    void BDruckenClick();

    // The last preview window shown, while it is open.
    TEtikettenVorschauF* preview() const;

private:
    void buildLayout();
    LabelSheet sheet() const;
    void showSheet(const LabelSheet& sheet);
    void recount();
    // Checks what the printout needs; false after telling the user.
    bool ready(const LabelPrintout& p, const QString& problem);
    void storeSettings();
    Table& table();
    QString settingPrefix() const;

    LibraryHandle& m_library;
    LabelKind m_kind;
    Selection m_selection;
    QString m_selectionNote;
    bool m_showing = false;
    bool m_fillingSheet = false;
    QRectF m_printableMm;
    QPointer<TEtikettenVorschauF> m_preview;

    QComboBox* m_CBBogen;
    QSpinBox* m_ESpalten;
    QSpinBox* m_EZeilen;
    QDoubleSpinBox* m_EBreite;
    QDoubleSpinBox* m_EHoehe;
    QDoubleSpinBox* m_EOben;
    QDoubleSpinBox* m_ELinks;
    QDoubleSpinBox* m_EAbstandWaagerecht;
    QDoubleSpinBox* m_EAbstandSenkrecht;
    QRadioButton* m_RBListe;
    QRadioButton* m_RBBereich;
    QRadioButton* m_RBSeit;
    QSpinBox* m_EVon;
    QSpinBox* m_EBis;
    DatePicker* m_DTPSeit;
    QSpinBox* m_EStart;
    QSpinBox* m_EKopien;
    QComboBox* m_CBStrichcode;
    QLineEdit* m_EBibliothek;
    QCheckBox* m_CBGueltig = nullptr;
    DatePicker* m_DTPGueltig = nullptr;
    QLabel* m_LAnzahl;
    QLabel* m_LHinweis;
};

} // namespace lesaro::labels
