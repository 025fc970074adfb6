#pragma once

#include "ui/LesaroDialog.h"

#include <QList>

class QListWidget;

namespace lesaro {

class LibraryHandle;

// Removes single entries from the remembered-value lists. Books that carry a removed value keep it.
class TComboBoxenLoeschenF : public LesaroDialog {
    Q_OBJECT
public:
    explicit TComboBoxenLoeschenF(LibraryHandle& library, QWidget* parent = nullptr);

    void FormShow() override;
    // "Löschen" under the list box of that number (1 Verlag, 2 Erscheinungsort, 3 Sachgruppe, 4 Standort,
    // 5 Schlagwort).
    void Button1Click() { removeSelected(0); }
    void Button2Click() { removeSelected(1); }
    void Button3Click() { removeSelected(2); }
    void Button4Click() { removeSelected(3); }
    void Button5Click() { removeSelected(4); }
    void BSchliessenClick();

private:
    struct RememberedList {
        QString key;
        QListWidget* box;
    };
    void removeSelected(int list);
    void fill(const RememberedList& list);

    LibraryHandle& m_library;
    QList<RememberedList> m_lists; // in the order of the buttons
};

} // namespace lesaro
