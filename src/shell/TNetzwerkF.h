#pragma once

#include "ui/LesaroDialog.h"

class QLabel;

namespace lesaro {

// "Hilfe" > "Netzwerk- und Mehrbenutzerbetrieb": why the program is for one user on one computer, and how
// the data move to another computer.
class TNetzwerkF : public LesaroDialog {
    Q_OBJECT
public:
    explicit TNetzwerkF(QWidget* parent = nullptr);

    // The folder this run works in, so the user knows what the note is about; empty hides the line.
    void setDataFolder(const QString& folder);

private:
    QLabel* addParagraph(const QString& objectName, const QString& text);

    QLabel* m_datenordner;
};

} // namespace lesaro
