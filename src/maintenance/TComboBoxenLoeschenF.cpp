#include "maintenance/TComboBoxenLoeschenF.h"

#include "settings/INI.h"
#include "ui/FlatButton.h"
#include "ui/LibraryHandle.h"

#include <QGridLayout>
#include <QGuiApplication>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

namespace lesaro {

namespace {

struct ListDesign {
    const char* box;
    const char* label;
    QLatin1StringView key;
    const char* button;
};
// In the order of the buttons; the first three stand in the upper row, the other two below them.
const ListDesign kLists[] = {
    {"LBVerlag", "Verlag", INI::Verlag, "Button1"},
    {"LBOrt", "Erscheinungsort", INI::Erscheinungsort, "Button2"},
    {"LBSachgruppe", "Sachgruppe", INI::Sachgruppe, "Button3"},
    {"LBStandort", "Standort", INI::Standort, "Button4"},
    {"LBSchlagwort", "Schlagwort", INI::Schlagwort, "Button5"},
};

// The order in which the lists are read when the window is shown (indices into kLists).
constexpr int kShowOrder[] = {2, 1, 3, 0, 4};

} // namespace

TComboBoxenLoeschenF::TComboBoxenLoeschenF(LibraryHandle& library, QWidget* parent)
    : LesaroDialog(parent)
    , m_library(library) {
    setObjectName(QStringLiteral("ComboBoxenLoeschenF"));
    setWindowTitle(QStringLiteral("Ordnung schaffen"));

    auto* layout = new QVBoxLayout(contentArea());
    layout->setContentsMargins(10, 10, 10, 10);
    layout->setSpacing(10);
    auto* instruction =
        new QLabel(QStringLiteral("Bitte markieren Sie die zu löschenden Daten und drücken dann jeweils auf löschen!"),
                   contentArea());
    instruction->setObjectName(QStringLiteral("Label6"));
    instruction->setWordWrap(true);
    layout->addWidget(instruction);

    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(12);
    grid->setVerticalSpacing(8);
    for (int i = 0; i < int(std::size(kLists)); ++i) {
        const ListDesign& d = kLists[i];
        auto* column = new QVBoxLayout;
        column->setSpacing(3);
        auto* label = new QLabel(QString::fromLatin1(d.label), contentArea());
        auto* box = new QListWidget(contentArea());
        box->setObjectName(QString::fromLatin1(d.box));
        box->setSelectionMode(QAbstractItemView::SingleSelection);
        label->setBuddy(box);
        auto* remove = new QPushButton(QStringLiteral("Löschen"), contentArea());
        remove->setObjectName(QString::fromLatin1(d.button));
        remove->setAutoDefault(false);
        connect(remove, &QPushButton::clicked, this, [this, i] { removeSelected(i); });
        column->addWidget(label);
        column->addWidget(box, 1);
        column->addWidget(remove, 0, Qt::AlignLeft);
        grid->addLayout(column, i / 3, i % 3);
        m_lists << RememberedList{QString(d.key), box};
    }
    layout->addLayout(grid, 1);

    connect(addBarButton(QStringLiteral("BSchliessen"), QStringLiteral(" Schließen")), &QPushButton::clicked, this,
            &TComboBoxenLoeschenF::BSchliessenClick);
    setClientSize(516, 432);
}

void TComboBoxenLoeschenF::FormShow() {
    for (int i : kShowOrder)
        fill(m_lists[i]);
    // Centred on the screen, not on the main window.
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

void TComboBoxenLoeschenF::fill(const RememberedList& list) {
    list.box->clear();
    list.box->addItems(INI::ReadRememberedValues(list.key));
}

void TComboBoxenLoeschenF::removeSelected(int index) {
    const RememberedList& list = m_lists[index];
    const QList<QListWidgetItem*> selected = list.box->selectedItems();
    if (selected.isEmpty())
        return;
    INI::RemoveRememberedValue(list.key, selected.first()->text());
    fill(list);
}

void TComboBoxenLoeschenF::BSchliessenClick() {
    reject();
}

} // namespace lesaro
