#pragma once

#include "ui/LesaroDialog.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QToolButton;

namespace lesaro {

class FlatButton;
class LibraryHandle;

// Backs up the data and settings to a folder and reads them back, or goes back to the state of an earlier
// start from one of the start-up copies.
class TDatenSichernF : public LesaroDialog {
    Q_OBJECT
public:
    explicit TDatenSichernF(LibraryHandle& library, QWidget* parent = nullptr);

    void FormShow() override;
    void SpeedButton1Click();
    void SpeedButton2Click();
    void Button1Click(); // "Sichern"
    void Button3Click(); // "Zurücklesen"
    void BStartkopieClick();
    void Button2Click(); // "Schließen"

Q_SIGNALS:
    // The tables were replaced (the lists show them already) and perhaps the settings merged.
    void restored();

private:
    void buildLayout();
    void fillStartupCopies();
    // Reads and checks the three tables of folder, then replaces the library's with them. False, after the
    // message, when nothing or not everything could be done.
    bool restoreFrom(const QString& folder);
    void restoreSettings(const QString& folder);

    LibraryHandle& m_library;
    QLineEdit* m_edit1 = nullptr;
    QToolButton* m_speedButton1 = nullptr;
    FlatButton* m_button1 = nullptr;
    QLineEdit* m_edit2 = nullptr;
    QToolButton* m_speedButton2 = nullptr;
    FlatButton* m_button3 = nullptr;
    QComboBox* m_cbStartkopie = nullptr;
    FlatButton* m_bStartkopie = nullptr;
};

} // namespace lesaro
