#pragma once

#include <QAbstractTableModel>
#include <QStringList>
#include <functional>

namespace lesaro {

// A read-only table of figures for the statistics window's grids. Its cells are made when the grid asks for
// them, so a weeding list of twenty thousand books costs no more to show than the rows on screen.
class StatisticsModel : public QAbstractTableModel {
    Q_OBJECT
public:
    using Cell = std::function<QString(int row, int column)>;

    explicit StatisticsModel(QObject* parent = nullptr);

    // rightAligned: the columns that hold counts.
    void setTable(const QStringList& headers, int rows, Cell cell, QList<int> rightAligned);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    QStringList m_headers;
    int m_rows = 0;
    Cell m_cell;
    QList<int> m_right;
};

} // namespace lesaro
