#pragma once

#include "ui/GridColumn.h"

#include <QMenu>
#include <QPointer>
#include <QTableView>

namespace lesaro {

class DataSource;
class TableModel;

// A read-only list of a table: whole-row selection that follows the table's current row and moves it when
// the user picks another row, columns from a GridColumn list, a row indicator, a popup menu, and signals
// for a click on a column title and a double-click on a row.
class DataGrid : public QTableView {
    Q_OBJECT
public:
    explicit DataGrid(QWidget* parent = nullptr);

    // Shows the table behind source with these columns; the grid owns its model.
    void bind(DataSource* source, const QList<GridColumn>& columns);
    // The same with a model of the caller's making (an editable one, say); the grid takes it over.
    void bind(TableModel* model);
    void setColumns(const QList<GridColumn>& columns);
    TableModel* tableModel() const { return m_model; }
    DataSource* dataSource() const;

    // The menu shown on a right click (not owned).
    void setPopupMenu(QMenu* menu) { m_popupMenu = menu; }
    QMenu* popupMenu() const { return m_popupMenu; }

    // Widths by column title, as the settings keep them.
    QStringList columnTitles() const;
    int columnWidthByTitle(const QString& title) const;          // -1 when no column has the title
    void setColumnWidthByTitle(const QString& title, int width); // every column with the title

    // Ctrl+Delete asks "Datensatz löschen?" (OK, Abbrechen) and deletes the current row; off by default.
    void setDeleteEnabled(bool enabled) { m_deleteEnabled = enabled; }
    bool deleteEnabled() const { return m_deleteEnabled; }
    void confirmAndDeleteRow();

    // Selects the table's current row and scrolls it into view; the table's own signals call it.
    void selectCurrentRow();

Q_SIGNALS:
    void titleClicked(int column, const QString& fieldName);
    void rowDoubleClicked(int row);
    // The user confirmed the deletion; the row to go is still the table's current row.
    void rowDeleting();

protected:
    void contextMenuEvent(QContextMenuEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void rowsAboutToBeRemoved(const QModelIndex& parent, int start, int end) override;

private:
    void onCurrentRowChanged(const QModelIndex& current);
    void resyncLater();
    void applyDesignWidths();

    TableModel* m_model = nullptr;
    QList<QMetaObject::Connection> m_sourceConnections;
    QPointer<QMenu> m_popupMenu;
    bool m_deleteEnabled = false;
    bool m_syncing = false;
    bool m_resync = false; // the table did not follow the user's pick; the grid must follow the table
};

} // namespace lesaro
