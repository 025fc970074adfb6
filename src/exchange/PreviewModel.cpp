#include "exchange/PreviewModel.h"

#include <QTextDocument>

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
    if (role == Qt::DisplayRole)
        return m_grid.cell(index.column(), index.row());
    // A tooltip that looks like markup is shown as markup: a cell of the source file is shown as it stands.
    if (role == Qt::ToolTipRole) {
        const QString text = m_grid.cell(index.column(), index.row());
        return Qt::mightBeRichText(text)
                   ? QStringLiteral("<p style=\"white-space:pre-wrap\">%1</p>").arg(text.toHtmlEscaped())
                   : text;
    }
    return {};
}

} // namespace lesaro
