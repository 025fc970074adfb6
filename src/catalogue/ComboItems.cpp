#include "catalogue/ComboItems.h"

#include <QComboBox>

namespace lesaro {

void replaceComboItems(QComboBox* box, const QStringList& items) {
    const QString text = box->currentText();
    box->clear();
    box->addItems(items);
    if (box->isEditable())
        box->setEditText(text);
    else
        box->setCurrentIndex(box->findText(text));
}

QStringList comboItems(const QComboBox* box) {
    QStringList items;
    items.reserve(box->count());
    for (int i = 0; i < box->count(); ++i)
        items << box->itemText(i);
    return items;
}

} // namespace lesaro
