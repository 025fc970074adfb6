#pragma once

#include "printing/PrintOptionsParts.h"
#include "printing/rules/ListLayout.h"
#include "ui/LesaroDialog.h"

#include <QList>

class QCheckBox;

namespace lesaro {

class FlatButton;
class LibraryHandle;

// Options of the printed book list: printer, title, page numbers and the 23 columns. The ticks last for
// the run; title and page numbers come from the settings at each showing and are stored after a preview.
class TDruckerDialogF : public LesaroDialog {
    Q_OBJECT
public:
    explicit TDruckerDialogF(LibraryHandle& library, QWidget* parent = nullptr);

    // The main window shows the button "Bücher eingrenzen/sortieren" and afterwards asks whether the
    // dialog was closed with it; asking clears the request. The search window hides the button.
    void setNarrowButtonVisible(bool visible);
    bool takeNarrowRequest();

    // The captions of the renamable book fields (entries 1 to 12 of the book column captions), so that
    // the check boxes match the headings the list prints.
    void setFieldCaptions(const QStringList& bookColumnCaptions);

    // What the list reads while it draws.
    printing::ListOptions listOptions() const;
    QList<QCheckBox*> columnBoxes() const { return m_columnBoxes; }

    void FormShow() override;
    void Button2Click();
    void Button1Click();
    void Button3Click();
    void Button4Click();

private:
    LibraryHandle& m_library;
    printing::PrintOptionsParts m_parts;
    QList<QCheckBox*> m_columnBoxes; // in printing order
    FlatButton* m_narrowButton;
    bool m_narrowRequested = false;
};

} // namespace lesaro
