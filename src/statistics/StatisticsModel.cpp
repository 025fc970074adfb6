#include "statistics/StatisticsModel.h"

namespace lesaro {

StatisticsModel::StatisticsModel(QObject* parent)
    : QAbstractTableModel(parent) {}

void StatisticsModel::setTable(const QStringList& headers, int rows, Cell cell, QList<int> rightAligned) {
    beginResetModel();
    m_headers = headers;
    m_rows = rows;
    m_cell = std::move(cell);
    m_right = std::move(rightAligned);
    endResetModel();
}

int StatisticsModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : m_rows;
}

int StatisticsModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(m_headers.size());
}

QVariant StatisticsModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= m_rows || index.column() >= m_headers.size())
        return {};
    if (role == Qt::DisplayRole)
        return m_cell(index.row(), index.column());
    if (role == Qt::TextAlignmentRole)
        return int((m_right.contains(index.column()) ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter);
    return {};
}

QVariant StatisticsModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 && section < m_headers.size())
        return m_headers[section];
    return QAbstractTableModel::headerData(section, orientation, role);
}

} // namespace lesaro
