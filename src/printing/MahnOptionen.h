#pragma once

#include "ui/LesaroDialog.h"

class QLineEdit;
class QPlainTextEdit;

namespace lesaro {

class LibraryHandle;
class FlatButton;

// "Mahnschreiben": the sender line, the letter text and the closing of the overdue letters, kept in the
// settings store. "Standard" fills in the program's wording; OK stores, Abbrechen leaves the store alone.
class TMahnOptionenF : public LesaroDialog {
    Q_OBJECT
public:
    TMahnOptionenF(LibraryHandle& library, QWidget* parent);

    QLineEdit* EditAbsender() const { return m_sender; }
    QPlainTextEdit* MemoText() const { return m_body; }
    QPlainTextEdit* MemoGruss() const { return m_closing; }

    void FormShow() override;
    void OKClick();
    void StandardClick();

private:
    QLineEdit* m_sender;
    QPlainTextEdit* m_body;
    QPlainTextEdit* m_closing;
};

} // namespace lesaro
