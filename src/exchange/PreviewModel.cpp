#include "exchange/PreviewModel.h"

namespace lesaro {

PreviewModel::PreviewModel(QObject* parent)
    : QAbstractTableModel(parent) {}

void PreviewModel::setGrid(PreviewGrid grid) {
    beginResetModel();
    m_grid = std::move(grid);
    endResetModel();
}

int PreviewModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : m_grid.rowCount();
}

int PreviewModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : m_grid.columnCount();
}

QVariant PreviewModel::data(const QModelIndex& index, int role) const {
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    if (role == Qt::DisplayRole || role == Qt::ToolTipRole)
        return m_grid.cell(index.column(), index.row());
    return {};
}

} // namespace lesaro
