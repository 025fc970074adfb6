#pragma once

#include <QList>
#include <QObject>

namespace lesaro {

class FieldLink;
class Table;

// What the controls of the windows bind to: one per table, shared by every grid, edit and navigator that
// shows it. It relays the table's observer signals and can hold them back while a preparation moves the
// table (DisableControls), so that lists do not repaint row by row; EnableControls then refreshes every
// bound control once.
class DataSource : public QObject {
    Q_OBJECT
public:
    explicit DataSource(Table& table, QObject* parent = nullptr);

    Table& table() const { return *m_table; }

    // Counted: controls stay quiet until every DisableControls has been matched.
    void DisableControls();
    void EnableControls();
    bool ControlsDisabled() const { return m_disabledCount > 0; }

    // Hands every bound control's pending text to the table once more and reports the first one the table
    // refuses (message box, focus back in the control). Windows call it before Post, because a text the
    // field refused while it was typed has not reached the table.
    bool UpdateRecord();

    // Used by FieldLink.
    void addLink(FieldLink* link);
    void removeLink(FieldLink* link);

Q_SIGNALS:
    void viewReset();
    void currentRowChanged();
    void rowsChanged();
    void stateChanged();
    void fieldChanged(int field);
    void controlsEnabledChanged(bool enabled);

private:
    void relay(void (Table::*from)(), void (DataSource::*to)());

    Table* m_table;
    int m_disabledCount = 0;
    QList<FieldLink*> m_links;
};

} // namespace lesaro
