#include "catalogue/EntrySteps.h"

#include "core/Table.h"
#include "ui/DataSource.h"
#include "ui/ErrorPath.h"
#include "ui/MessageService.h"

namespace lesaro {

EntrySteps::EntrySteps(DataSource& source, QWidget* window)
    : m_source(source)
    , m_window(window) {}

Table& EntrySteps::table() const {
    return m_source.table();
}

bool EntrySteps::editing() const {
    const TableState state = table().State();
    return state == TableState::Edit || state == TableState::Insert;
}

bool EntrySteps::save() {
    // The box that has the focus may hold a text the table has not taken yet.
    if (!m_source.UpdateRecord())
        return false;
    return runOrShowError(m_window, [this] { table().Post(); });
}

void EntrySteps::insertNew() {
    if (!m_source.UpdateRecord())
        return;
    runOrShowError(m_window, [this] { table().Insert(); });
}

void EntrySteps::remove(const QString& question) {
    if (table().RecordCount() == 0)
        return;
    if (MessageService::confirm(m_window, question) != MessageService::Button::Yes)
        return;
    runOrShowError(m_window, [this] { table().Delete(); });
}

bool EntrySteps::closeQuery() {
    if (!editing())
        return true;
    using B = MessageService::Button;
    switch (MessageService::confirm(m_window, QStringLiteral("Änderungen speichern beim aktuellen Datensatz?"),
                                    MessageService::Buttons(B::Yes) | B::No | B::Cancel)) {
    case B::Yes:
        return save();
    case B::No:
        return runOrShowError(m_window, [this] { table().Cancel(); });
    default:
        return false;
    }
}

} // namespace lesaro
