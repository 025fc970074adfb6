#pragma once

#include <QList>
#include <QObject>
#include <initializer_list>

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
    // Rows of a table that this table's lookup fields read have changed (see LookupFollower).
    void lookupValuesChanged();

private:
    void relay(void (Table::*from)(), void (DataSource::*to)());

    Table* m_table;
    int m_disabledCount = 0;
    QList<FieldLink*> m_links;
};

// Keeps the controls of some data sources quiet for a scope: DisableControls on each in the order given,
// EnableControls on leaving it, also when an EngineError ends the work early, so that a failed preparation
// never leaves the lists frozen. The sources are enabled in the order given, or in enableOrder when the
// window refreshes its lists in another order than it quietens them.
class ControlsDisabled {
public:
    explicit ControlsDisabled(std::initializer_list<DataSource*> sources);
    ControlsDisabled(std::initializer_list<DataSource*> disableOrder, std::initializer_list<DataSource*> enableOrder);
    ~ControlsDisabled();
    ControlsDisabled(const ControlsDisabled&) = delete;
    ControlsDisabled& operator=(const ControlsDisabled&) = delete;

private:
    void enableAll();

    QList<DataSource*> m_enableOrder;
    QList<DataSource*> m_disabled; // those paused so far, should pausing itself have failed half-way
};

} // namespace lesaro
