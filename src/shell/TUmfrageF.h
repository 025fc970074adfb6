#pragma once

#include "ui/LesaroDialog.h"

#include <functional>

class QButtonGroup;
class QComboBox;
class QLineEdit;
class QPlainTextEdit;
class QPrinter;
class QRadioButton;

namespace lesaro {

// "Hilfe" > "UMFRAGE zur Verbesserung des Programmes": a short questionnaire the user fills in and prints
// to send to the maker. Nothing leaves the computer except on paper. The window lives for the whole run,
// so answers typed earlier are still there when it is opened again.
class TUmfrageF : public LesaroDialog {
    Q_OBJECT
public:
    explicit TUmfrageF(QWidget* parent = nullptr);

    // The filled-in questionnaire as it is printed.
    QString surveyHtml() const;

    // Asks for a printer and prints; false when the user cancelled or printing failed (the user is told).
    bool BDruckenClick();

private:
    QString einsatzAnswer() const;
    bool printOn(QPrinter& printer) const;

    QLineEdit* m_bibliothek;
    QButtonGroup* m_einsatz;
    QRadioButton* m_sonstige;
    QLineEdit* m_sonstigeText;
    QComboBox* m_buecherzahl;
    QPlainTextEdit* m_gut;
    QPlainTextEdit* m_fehlt;
};

} // namespace lesaro
