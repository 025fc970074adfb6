#include "ui/TableModel.h"

#include "core/Table.h"
#include "ui/DataSource.h"

namespace lesaro {

TableModel::TableModel(DataSource* source, QList<GridColumn> columns, QObject* parent)
    : QAbstractTableModel(parent)
    , m_source(source)
    , m_columns(std::move(columns)) {
    resolveFields();
    m_viewRows = table().viewCount();
    m_pendingRow = table().State() == TableState::Insert;
    m_indicatorRow = currentRow();
    connect(m_source, &DataSource::viewReset, this, &TableModel::resetFromTable);
    // Posting may move the row anywhere in the order and deleting closes a gap; a reset costs nothing here,
    // because nothing is held per row.
    connect(m_source, &DataSource::rowsChanged, this, &TableModel::resetFromTable);
    connect(m_source, &DataSource::stateChanged, this, &TableModel::onStateChanged);
    connect(m_source, &DataSource::fieldChanged, this, &TableModel::onFieldChanged);
    connect(m_source, &DataSource::currentRowChanged, this, &TableModel::updateIndicator);
    connect(m_source, &DataSource::lookupValuesChanged, this, &TableModel::onLookupValuesChanged);
}

Table& TableModel::table() const {
    return m_source->table();
}

void TableModel::setColumns(QList<GridColumn> columns) {
    beginResetModel();
    m_columns = std::move(columns);
    resolveFields();
    endResetModel();
}

QString TableModel::fieldName(int column) const {
    return column >= 0 && column < m_columns.size() ? m_columns[column].field : QString();
}

void TableModel::setColumnTitle(int column, const QString& title) {
    if (column < 0 || column >= m_columns.size() || m_columns[column].title == title)
        return;
    m_columns[column].title = title;
    Q_EMIT headerDataChanged(Qt::Horizontal, column, column);
}

int TableModel::currentRow() const {
    const Table& t = table();
    if (m_pendingRow && t.State() == TableState::Insert)
        return m_viewRows;
    const int pos = t.RecNo();
    return pos >= 0 && pos < m_viewRows ? pos : -1;
}

int TableModel::viewPosition(int row) const {
    return row >= 0 && row < m_viewRows ? row : -1;
}

int TableModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : m_viewRows + (m_pendingRow ? 1 : 0);
}

int TableModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(m_columns.size());
}

QVariant TableModel::data(const QModelIndex& index, int role) const {
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    const int field = m_fieldIndexes[index.column()];
    if (field < 0)
        return {};
    switch (role) {
    case Qt::DisplayRole: {
        Table& t = table();
        const int row = index.row();
        // The row being edited or inserted shows its unsaved values.
        const bool editing = (isPendingRow(row) && t.State() == TableState::Insert) ||
                             (t.State() == TableState::Edit && row == t.RecNo());
        if (editing)
            return t.field(field).DisplayText();
        return t.displayTextAt(viewPosition(row), field);
    }
    case Qt::TextAlignmentRole:
        // A plain number, which every item delegate of Qt 6 reads.
        return int(Qt::AlignVCenter | (m_rightAligned[index.column()] ? Qt::AlignRight : Qt::AlignLeft));
    default:
        return {};
    }
}

QVariant TableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Horizontal) {
        if (role == Qt::DisplayRole && section >= 0 && section < m_columns.size())
            return m_columns[section].title;
        return {};
    }
    if (role == Qt::TextAlignmentRole)
        return int(Qt::AlignCenter);
    if (role != Qt::DisplayRole || section != m_indicatorRow || section < 0)
        return {};
    // The row indicator: an arrow on the current row, a bar while it is edited, a star for a new row.
    switch (table().State()) {
    case TableState::Edit:
        return QStringLiteral("I");
    case TableState::Insert:
        return QStringLiteral("*");
    default:
        return QStringLiteral("\u25B8");
    }
}

Qt::ItemFlags TableModel::flags(const QModelIndex& index) const {
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
}

void TableModel::resetFromTable() {
    beginResetModel();
    resolveFields();
    m_viewRows = table().viewCount();
    m_pendingRow = table().State() == TableState::Insert;
    m_indicatorRow = currentRow();
    endResetModel();
}

void TableModel::onStateChanged() {
    const bool inserting = table().State() == TableState::Insert;
    if (inserting && !m_pendingRow) {
        beginInsertRows({}, m_viewRows, m_viewRows);
        m_pendingRow = true;
        endInsertRows();
    } else if (!inserting && m_pendingRow) {
        beginRemoveRows({}, m_viewRows, m_viewRows);
        m_pendingRow = false;
        endRemoveRows();
    }
    // A cancelled edit shows the stored values again; the indicator shows the new state.
    onFieldChanged();
    updateIndicator();
}

void TableModel::onFieldChanged() {
    const int row = currentRow();
    if (row >= 0 && !m_columns.isEmpty())
        Q_EMIT dataChanged(index(row, 0), index(row, int(m_columns.size()) - 1), {Qt::DisplayRole});
}

void TableModel::onLookupValuesChanged() {
    // Cells are read when painted, so telling the grids is all it takes.
    if (rowCount() > 0 && !m_columns.isEmpty())
        Q_EMIT dataChanged(index(0, 0), index(rowCount() - 1, int(m_columns.size()) - 1), {Qt::DisplayRole});
}

void TableModel::updateIndicator() {
    const int old = m_indicatorRow;
    m_indicatorRow = currentRow();
    if (old >= 0 && old != m_indicatorRow && old < rowCount())
        Q_EMIT headerDataChanged(Qt::Vertical, old, old);
    if (m_indicatorRow >= 0)
        Q_EMIT headerDataChanged(Qt::Vertical, m_indicatorRow, m_indicatorRow);
}

void TableModel::resolveFields() {
    m_fieldIndexes.clear();
    m_rightAligned.clear();
    Table& t = table();
    for (const GridColumn& c : std::as_const(m_columns)) {
        const int field = t.fieldIndex(c.field);
        m_fieldIndexes.append(field);
        const FieldKind kind = field >= 0 ? t.field(field).kind() : FieldKind::Text;
        m_rightAligned.append(kind == FieldKind::Integer || kind == FieldKind::Money);
    }
}

} // namespace lesaro
