#pragma once

#include "exchange/rules/ImportMapping.h"

#include <QAbstractTableModel>

namespace lesaro {

// The wizard's string grids over a preview: one column per source record, one row per source field, read
// only. A model rather than a widget per cell, so a source of ten thousand records previews at once.
class PreviewModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit PreviewModel(QObject* parent = nullptr);

    const PreviewGrid& grid() const { return m_grid; }
    void setGrid(PreviewGrid grid);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

private:
    PreviewGrid m_grid;
};

} // namespace lesaro
