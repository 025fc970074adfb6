#pragma once

#include "printing/QtTextMeasurer.h"
#include "printing/ShapedTexts.h"
#include "printing/TPrintJob.h"
#include "printing/rules/MahnLetters.h"

#include <QDialog>

class QLabel;
class QPushButton;

namespace lesaro {

class LibraryHandle;
class TPreview;
class TPreviewToolbar;
class TMahnOptionenF;

// "Mahnungen": the overdue letters in the print preview, one letter per reader with overdue books, printed
// through the print job like the lists. The status line counts the letters and the readers without an
// address, whose letters carry the name only and must be handed over rather than posted.
class TMahnungenF : public QDialog {
    Q_OBJECT
public:
    TMahnungenF(LibraryHandle& library, QWidget* parent);
    ~TMahnungenF() override;

    // The letters' options window, reached from the bar ("Mahnschreiben…").
    void setOptionsWindow(TMahnOptionenF* options) { m_options = options; }

    // Gathers the letters afresh and shows them; tells the user instead when no book is overdue.
    int exec() override;
    // Gathers the overdue readers and lays out the letters as of today.
    void refresh();

    TPrintJob* PrintJob1() const { return m_job; }
    TPreview* Preview1() const { return m_preview; }
    TPreviewToolbar* PreviewToolbar1() const { return m_toolbar; }
    QLabel* StatusText() const { return m_status; }
    QPushButton* BtnMahnOptionen() const { return m_optionsButton; }
    const printing::MahnCollection& collection() const { return m_collection; }
    const QList<printing::MahnLaidPage>& pages() const { return m_pages; }

    void OptionenClick();
    // The whole set of letters on the current printer, with a progress dialog that can cancel.
    bool printLetters();
    static QString statusText(const printing::MahnCollection& collection);

protected:
    void showEvent(QShowEvent* event) override;

private:
    void layOut();

    LibraryHandle& m_library;
    TMahnOptionenF* m_options = nullptr;
    printing::MahnCollection m_collection;
    printing::MahnTexts m_texts;
    QList<printing::MahnLaidPage> m_pages;
    printing::MahnPage m_laidFor;
    printing::QtTextMeasurer m_measurer;
    printing::ShapedTexts m_shapes;
    TPrintJob* m_job;
    TPreviewToolbar* m_toolbar;
    TPreview* m_preview;
    QPushButton* m_optionsButton;
    QLabel* m_status;
};

} // namespace lesaro
