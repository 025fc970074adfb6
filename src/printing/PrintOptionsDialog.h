#pragma once

#include "printing/PrintOptionsParts.h"
#include "printing/rules/ListLayout.h"
#include "ui/LesaroDialog.h"

#include <functional>

class QCheckBox;

namespace lesaro {

class FlatButton;
class LibraryHandle;

// The options window of the reader list and of the loan lists: printer, title, page numbers and the
// column check boxes, "Vorschau" and "Schließen". Title and page numbers are read from the settings at
// each showing and stored only after a preview; the ticks last for the run.
class PrintOptionsDialog : public LesaroDialog {
    Q_OBJECT
public:
    struct FieldBox {
        const char* name;
        const char* caption;
    };
    struct Setup {
        QString objectName;
        QString caption;
        QSize clientSize;
        QString titleSetting;
        QString pageNumberSetting;
        QList<FieldBox> boxes; // in printing order, placed row by row, three to a row
        // Makes the preview window for the options given; the window deletes itself when closed.
        std::function<QDialog*(LibraryHandle&, std::function<printing::ListOptions()>, QWidget*)> makePreview;
    };

    PrintOptionsDialog(LibraryHandle& library, Setup setup, QWidget* parent);

    printing::ListOptions listOptions() const;
    QList<QCheckBox*> columnBoxes() const { return m_columnBoxes; }

    void FormShow() override;
    void Button2Click();
    void BNeuClick();
    void BSchliessenClick();

private:
    LibraryHandle& m_library;
    Setup m_setup;
    printing::PrintOptionsParts m_parts;
    QList<QCheckBox*> m_columnBoxes;
};

} // namespace lesaro
