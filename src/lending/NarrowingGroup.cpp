#include "lending/NarrowingGroup.h"

#include "core/Table.h"
#include "lending/LoanFilters.h"
#include "ui/DataGrid.h"
#include "ui/DataSource.h"
#include "ui/ErrorPath.h"

#include <QFocusEvent>
#include <QLabel>
#include <QLineEdit>

namespace lesaro {

namespace {
constexpr int kGridX = 12;
constexpr int kGridY = 20;
constexpr int kGridWidth = 433;
constexpr int kGridHeight = 113;
constexpr int kBoxWidth = 121;
constexpr int kBoxGap = 7;
} // namespace

NarrowingGroup::NarrowingGroup(const QString& title, DataSource* source, const QString& gridName,
                               const QList<GridColumn>& columns, const QList<Box>& boxes,
                               std::function<QString(const QString&, const QString&)> filterFor, QWidget* parent)
    : QGroupBox(title, parent)
    , m_source(source)
    , m_grid(new DataGrid(this))
    , m_boxDefs(boxes)
    , m_filterFor(std::move(filterFor)) {
    setFixedSize(521, 201);
    m_grid->setObjectName(gridName);
    m_grid->setGeometry(kGridX, kGridY, kGridWidth, kGridHeight);
    m_grid->bind(source, columns);
    connect(m_grid, &DataGrid::titleClicked, this, [this](int, const QString& field) { titleClick(field); });
    connect(m_grid, &QAbstractItemView::clicked, this, &NarrowingGroup::cellClicked);

    const int captionY = kGridY + kGridHeight + 6;
    for (int i = 0; i < boxes.size(); ++i) {
        const int x = kGridX + i * (kBoxWidth + kBoxGap);
        auto* caption = new QLabel(boxes[i].caption, this);
        caption->setGeometry(x, captionY, kBoxWidth, 16);
        auto* edit = new QLineEdit(this);
        edit->setObjectName(boxes[i].objectName);
        edit->setGeometry(x, captionY + 17, kBoxWidth, 22);
        caption->setBuddy(edit);
        edit->installEventFilter(this);
        connect(edit, &QLineEdit::textChanged, this, [this, i] { boxChange(i); });
        m_boxes.append(edit);
    }
    connect(m_boxes[0], &QLineEdit::returnPressed, this, &NarrowingGroup::numberReturnPressed);
    // The boxes come before the list in the tab order, as the librarian types first and picks second.
    for (int i = 0; i + 1 < m_boxes.size(); ++i)
        setTabOrder(m_boxes[i], m_boxes[i + 1]);
    setTabOrder(m_boxes.last(), m_grid);
}

void NarrowingGroup::boxChange(int index) {
    Table& table = m_source->table();
    const QString text = m_boxes[index]->text();
    runOrShowError(window(), [&] {
        if (index == 0) {
            if (text.isEmpty())
                return;
            // No match leaves the current row where it is.
            table.Locate(m_boxDefs[0].field, {text}, LocateOption::CaseInsensitive | LocateOption::PartialKey);
            return;
        }
        LoanFilters::applyNarrowing(table, m_filterFor(m_boxDefs[index].field, text));
    });
}

void NarrowingGroup::boxEnter(int index) {
    for (int i = 0; i < m_boxes.size(); ++i) {
        if (i != index)
            m_boxes[i]->clear();
    }
}

void NarrowingGroup::titleClick(const QString& field) {
    if (field.isEmpty())
        return;
    runOrShowError(window(), [&] { m_source->table().setIndexFieldNames(field); });
}

bool NarrowingGroup::currentMatchesNumber() const {
    Table& table = m_source->table();
    if (table.RecordCount() == 0)
        return false;
    bool ok = false;
    const qint64 typed = numberBox()->text().trimmed().toLongLong(&ok);
    const Field number = table.FieldByName(m_boxDefs[0].field);
    return ok && !number.IsNull() && number.AsInteger() == typed;
}

bool NarrowingGroup::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusIn) {
        // Coming back to the window (after a message box, from another program) is not entering the box,
        // and neither is the first focus the window hands out while it opens.
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        const int index = int(m_boxes.indexOf(qobject_cast<QLineEdit*>(watched)));
        if (index >= 0 && !m_opening && reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason)
            boxEnter(index);
    }
    return QGroupBox::eventFilter(watched, event);
}

} // namespace lesaro
