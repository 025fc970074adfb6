#pragma once

#include "ui/LesaroDialog.h"

#include <QList>

class QLineEdit;
class QTabWidget;
class QToolButton;

namespace lesaro {

class LibraryHandle;

// The book field captions and the standard loan period.
class TOptionenF : public LesaroDialog {
    Q_OBJECT
public:
    explicit TOptionenF(LibraryHandle& library, QWidget* parent = nullptr);

    void FormShow() override;
    void Button1Click(); // "OK": store, apply, close
    void Button2Click(); // "Abbrechen"
    void UpDown1Click(bool up);
    // "Voreinstellung" on the page "Titeldaten": the German National Library's service again.
    void BTiteldatenStandardClick();

Q_SIGNALS:
    // The new captions are in the settings: the main window shows them in every list and then stores the
    // column widths under the new titles.
    void captionsApplied();

private:
    QWidget* buildTitleDataPage();

    struct CaptionEdit {
        const char* setting;
        QLineEdit* edit;
    };

    LibraryHandle& m_library;
    QList<CaptionEdit> m_captionEdits; // in the order "OK" writes them
    QLineEdit* m_ETage = nullptr;
    QTabWidget* m_pages = nullptr;
    QLineEdit* m_address = nullptr; // ETiteldatenAdresse
    QLineEdit* m_index = nullptr;   // ETiteldatenIndex
    QLineEdit* m_address2 = nullptr;
    QLineEdit* m_index2 = nullptr;
};

} // namespace lesaro
