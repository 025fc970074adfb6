#pragma once

#include "ui/GridColumn.h"

#include <QAbstractTableModel>
#include <QList>

namespace lesaro {

class DataSource;
class Table;

// Presents a table's view (its order and filter) to grids, one row per view row and one column per
// GridColumn. Nothing is computed per row up front: every cell is read from the table when a grid paints
// it, so a list of any length opens at once. A row being inserted is not yet part of the view; it is shown
// after the view's rows until it is posted or cancelled.
class TableModel : public QAbstractTableModel {
    Q_OBJECT
public:
    TableModel(DataSource* source, QList<GridColumn> columns, QObject* parent = nullptr);

    DataSource* dataSource() const { return m_source; }
    Table& table() const;

    const QList<GridColumn>& columns() const { return m_columns; }
    void setColumns(QList<GridColumn> columns);
    QString fieldName(int column) const;
    void setColumnTitle(int column, const QString& title);

    // The grid row of the table's current row (the pending new row while inserting), -1 when none.
    int currentRow() const;
    // The view position a grid row shows, -1 for the pending new row and for rows outside the view.
    int viewPosition(int row) const;
    bool isPendingRow(int row) const { return m_pendingRow && row == m_viewRows; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    void resetFromTable();
    void onStateChanged();
    void onFieldChanged();
    void onLookupValuesChanged();
    void updateIndicator();
    void resolveFields();

    DataSource* m_source;
    QList<GridColumn> m_columns;
    QList<int> m_fieldIndexes; // per column, -1 for an unknown field
    QList<bool> m_rightAligned;
    int m_viewRows = 0;        // view rows announced to the grids
    bool m_pendingRow = false; // a row being inserted is shown after them
    int m_indicatorRow = -1;   // the row whose header shows the current-row mark
};

} // namespace lesaro
