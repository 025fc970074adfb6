#include "ui/DataGrid.h"

#include "core/EngineError.h"
#include "core/Table.h"
#include "ui/DataSource.h"
#include "ui/ErrorPath.h"
#include "ui/GermanInterface.h"
#include "ui/MessageService.h"
#include "ui/TableModel.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMenu>
#include <QPointer>
#include <QProxyStyle>
#include <QScopedValueRollback>
#include <QScrollBar>
#include <QStyleFactory>

namespace lesaro {

namespace {
constexpr int kDefaultColumnWidth = 64;
constexpr int kIndicatorWidth = 14;

// The columns' design widths leave no room for the style's usual text margin of three pixels a side: a
// five-digit number in "Nr." and a price in "Preis" (29 pixels each) would be cut to "1…". The cells
// therefore draw their text without that margin.
class CompactCellStyle : public QProxyStyle {
public:
    using QProxyStyle::QProxyStyle;
    int pixelMetric(PixelMetric metric, const QStyleOption* option, const QWidget* widget) const override {
        // The item text margin is this metric plus one.
        if (metric == PM_FocusFrameHMargin && qobject_cast<const DataGrid*>(widget))
            return -1;
        return QProxyStyle::pixelMetric(metric, option, widget);
    }
};

QStyle* compactCellStyle() {
    static QPointer<QStyle> style;
    if (!style) {
        style = new CompactCellStyle(QStyleFactory::create(QApplication::style()->name()));
        style->setParent(qApp);
    }
    return style;
}
} // namespace

DataGrid::DataGrid(QWidget* parent)
    : QTableView(parent) {
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setTabKeyNavigation(false);
    setWordWrap(false);
    setCornerButtonEnabled(false);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    setStyle(compactCellStyle());
    setFont(GermanInterface::listFont());

    // The selected row stays visible when the grid loses the focus.
    QPalette p = palette();
    p.setColor(QPalette::Inactive, QPalette::Highlight, p.color(QPalette::Active, QPalette::Highlight));
    p.setColor(QPalette::Inactive, QPalette::HighlightedText, p.color(QPalette::Active, QPalette::HighlightedText));
    setPalette(p);

    QHeaderView* rows = verticalHeader();
    const int rowHeight = fontMetrics().height() + 4;
    rows->setMinimumSectionSize(rowHeight);
    rows->setDefaultSectionSize(rowHeight);
    rows->setSectionResizeMode(QHeaderView::Fixed);
    rows->setSectionsClickable(false);
    rows->setFixedWidth(kIndicatorWidth);

    QHeaderView* titles = horizontalHeader();
    titles->setDefaultSectionSize(kDefaultColumnWidth);
    titles->setSectionResizeMode(QHeaderView::Interactive);
    titles->setSectionsMovable(false);
    titles->setSectionsClickable(true);
    titles->setHighlightSections(false);
    titles->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    connect(titles, &QHeaderView::sectionClicked, this,
            [this](int column) { Q_EMIT titleClicked(column, m_model ? m_model->fieldName(column) : QString()); });
    connect(this, &QAbstractItemView::doubleClicked, this, [this](const QModelIndex& index) {
        if (index.isValid())
            Q_EMIT rowDoubleClicked(index.row());
    });
}

void DataGrid::bind(DataSource* source, const QList<GridColumn>& columns) {
    bind(new TableModel(source, columns, this));
}

void DataGrid::bind(TableModel* model) {
    DataSource* source = model->dataSource();
    model->setParent(this);
    for (const auto& c : std::as_const(m_sourceConnections))
        disconnect(c);
    m_sourceConnections.clear();
    TableModel* oldModel = m_model;
    QItemSelectionModel* oldSelection = selectionModel();
    m_model = model;
    setModel(m_model); // makes a new selection model and leaves the old one to its owner
    delete oldSelection;
    delete oldModel;
    applyDesignWidths();
    connect(selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current) { onCurrentRowChanged(current); });
    connect(m_model, &QAbstractItemModel::modelReset, this, &DataGrid::selectCurrentRow);
    m_sourceConnections.append(connect(source, &DataSource::currentRowChanged, this, &DataGrid::selectCurrentRow));
    // While a preparation moves the table the grid keeps its last picture instead of showing rows the
    // model has not yet been told about.
    m_sourceConnections.append(connect(source, &DataSource::controlsEnabledChanged, this,
                                       [this](bool enabled) { setUpdatesEnabled(enabled); }));
    setUpdatesEnabled(!source->ControlsDisabled());
    selectCurrentRow();
}

void DataGrid::setColumns(const QList<GridColumn>& columns) {
    if (!m_model)
        return;
    m_model->setColumns(columns);
    applyDesignWidths();
}

DataSource* DataGrid::dataSource() const {
    return m_model ? m_model->dataSource() : nullptr;
}

QStringList DataGrid::columnTitles() const {
    QStringList titles;
    if (m_model) {
        for (const GridColumn& c : m_model->columns())
            titles.append(c.title);
    }
    return titles;
}

int DataGrid::columnWidthByTitle(const QString& title) const {
    const int column = int(columnTitles().indexOf(title));
    return column < 0 ? -1 : columnWidth(column);
}

void DataGrid::setColumnWidthByTitle(const QString& title, int width) {
    const QStringList titles = columnTitles();
    for (int column = 0; column < titles.size(); ++column) {
        if (titles[column] == title)
            setColumnWidth(column, width);
    }
}

void DataGrid::selectCurrentRow() {
    if (!m_model || !selectionModel())
        return;
    const QScopedValueRollback guard(m_syncing, true);
    m_resync = false;
    const int row = m_model->currentRow();
    if (row < 0 || m_model->columnCount() == 0) {
        selectionModel()->clear();
        return;
    }
    const int column = currentIndex().isValid() ? currentIndex().column() : 0;
    const QModelIndex index = m_model->index(row, column);
    selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    // Following the table scrolls up and down only; the user's horizontal position stays.
    const int x = horizontalScrollBar()->value();
    scrollTo(index);
    horizontalScrollBar()->setValue(x);
}

// When rows go (a dropped new row, a deleted one) the view moves its current index by itself. That is no
// pick of the user's: followed, it would move the table off the row the engine has made current and hand a
// bound box's pending text to that row. The table's own signal selects its current row afterwards.
void DataGrid::rowsAboutToBeRemoved(const QModelIndex& parent, int start, int end) {
    const QScopedValueRollback guard(m_syncing, true);
    QTableView::rowsAboutToBeRemoved(parent, start, end);
}

void DataGrid::onCurrentRowChanged(const QModelIndex& current) {
    if (m_syncing || !m_model || !current.isValid() || current.row() == m_model->currentRow())
        return;
    DataSource* source = m_model->dataSource();
    Table& table = source->table();
    const int position = m_model->viewPosition(current.row());
    try {
        if (!source->UpdateRecord()) {
            resyncLater();
            return;
        }
        if (table.State() == TableState::Edit || table.State() == TableState::Insert) {
            // The pending row is finished first. Posting it can reorder the view, and then the clicked
            // position no longer names the clicked row: the grid stays on the posted one rather than guess.
            bool reordered = false;
            const auto watch = connect(m_model, &QAbstractItemModel::modelReset, this, [&] { reordered = true; });
            table.CheckBrowseMode();
            disconnect(watch);
            if (reordered) {
                resyncLater();
                return;
            }
        }
        if (position >= 0)
            table.MoveTo(position);
    } catch (const EngineError& e) {
        MessageService::error(this, e.message());
    }
    if (m_model->currentRow() != current.row())
        resyncLater();
}

void DataGrid::resyncLater() {
    // The view is still handling the click or key that picked the row and applies its selection after
    // this; the grid puts the table's row back once the view is done.
    m_resync = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            if (m_resync)
                selectCurrentRow();
        },
        Qt::QueuedConnection);
}

void DataGrid::mousePressEvent(QMouseEvent* event) {
    QTableView::mousePressEvent(event);
    if (m_resync)
        selectCurrentRow();
}

void DataGrid::mouseMoveEvent(QMouseEvent* event) {
    QTableView::mouseMoveEvent(event);
    if (m_resync)
        selectCurrentRow();
}

void DataGrid::confirmAndDeleteRow() {
    if (!m_model)
        return;
    if (MessageService::confirm(this, QStringLiteral("Datensatz löschen?"),
                                MessageService::Button::Ok | MessageService::Button::Cancel) !=
        MessageService::Button::Ok)
        return;
    runOrShowError(this, [this] {
        Q_EMIT rowDeleting();
        m_model->table().Delete();
    });
}

void DataGrid::keyPressEvent(QKeyEvent* event) {
    if (m_deleteEnabled && event->key() == Qt::Key_Delete && event->modifiers() == Qt::ControlModifier) {
        confirmAndDeleteRow();
        event->accept();
        return;
    }
    QTableView::keyPressEvent(event);
    if (m_resync)
        selectCurrentRow();
}

void DataGrid::contextMenuEvent(QContextMenuEvent* event) {
    if (!m_popupMenu) {
        QTableView::contextMenuEvent(event);
        return;
    }
    m_popupMenu->popup(event->globalPos());
    event->accept();
}

void DataGrid::applyDesignWidths() {
    const QList<GridColumn>& columns = m_model->columns();
    for (int column = 0; column < columns.size(); ++column)
        setColumnWidth(column, columns[column].width > 0 ? columns[column].width : kDefaultColumnWidth);
}

} // namespace lesaro
