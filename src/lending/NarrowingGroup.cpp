#include "lending/NarrowingGroup.h"

#include "core/Table.h"
#include "lending/rules/LoanFilters.h"
#include "library/CurrentRowKeeper.h"
#include "ui/DataGrid.h"
#include "ui/DataSource.h"
#include "ui/ErrorPath.h"

#include <QFocusEvent>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <limits>
#include <optional>

namespace lesaro {

namespace {
constexpr int kGridX = 12;
constexpr int kGridY = 20;
constexpr int kGridWidth = 433;
constexpr int kGridHeight = 113;
constexpr int kBoxWidth = 121;
constexpr int kBoxGap = 7;

// The number box's text as a number; nullopt when it is none (letters, a lone minus sign).
std::optional<qint64> typedNumber(const QString& text) {
    bool ok = false;
    const qint64 value = text.trimmed().toLongLong(&ok);
    return ok ? std::optional<qint64>(value) : std::nullopt;
}

bool movesInList(int key) {
    switch (key) {
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
    case Qt::Key_Home:
    case Qt::Key_End:
        return true;
    default:
        return false;
    }
}
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
    // The grid selects the table's current row on these signals; connected after it, the group takes the
    // selection away again while nothing is chosen.
    connect(source, &DataSource::currentRowChanged, this, &NarrowingGroup::showChoice);
    connect(m_grid->model(), &QAbstractItemModel::modelReset, this, &NarrowingGroup::showChoice);
    m_grid->installEventFilter(this);
    m_grid->viewport()->installEventFilter(this);

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
        // Narrowing by a name is choosing: the list's current row is then the one the librarian means.
        // Emptying a box on entering another is not, so only the librarian's own typing counts.
        if (i > 0)
            connect(edit, &QLineEdit::textEdited, this, [this] { setChoice(Choice::Chosen); });
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
            if (text.trimmed().isEmpty())
                return;
            // Letters are no number: nothing to look for, and the engine's filter error would mean nothing
            // to the librarian. Enter and " Buchen" say that a number is expected.
            const std::optional<qint64> number = typedNumber(text);
            bool found = false;
            if (number && *number >= std::numeric_limits<qint32>::min() &&
                *number <= std::numeric_limits<qint32>::max())
                found = table.Locate(m_boxDefs[0].field, {QString::number(*number)},
                                     LocateOption::CaseInsensitive | LocateOption::PartialKey);
            // No match leaves the current row where it is, but not chosen: while typing 77777 the list passes
            // reader 777, who must not be the one who gets the book.
            setChoice(found ? Choice::Chosen : Choice::Unmatched);
            return;
        }
        LoanFilters::applyNarrowing(table, m_filterFor(m_boxDefs[index].field, text));
    });
}

void NarrowingGroup::boxEnter(int index) {
    // Undoing the other boxes' narrowing widens the list, and the table would start again at its first row:
    // a book the librarian picked would silently give way to it when the reader's card is scanned next.
    const CurrentRowKeeper keep(m_source->table());
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
    const std::optional<qint64> typed = typedNumber(numberBox()->text());
    const Field number = table.FieldByName(m_boxDefs[0].field);
    return typed && !number.IsNull() && number.AsInteger() == *typed;
}

void NarrowingGroup::resetChoice() {
    const bool numberInEffect = !numberBox()->text().trimmed().isEmpty();
    setChoice(numberInEffect && !currentMatchesNumber() ? Choice::Unmatched : Choice::Chosen);
}

QString NarrowingGroup::unmatchedMessage(const QString& notFound, const QString& pickPrompt) const {
    const QString text = numberBox()->text().trimmed();
    if (text.isEmpty())
        return pickPrompt;
    if (numberBoxHoldsNoNumber())
        return QStringLiteral("„%1“ ist keine Nummer. Bitte nur Ziffern eingeben.").arg(text);
    return notFound.arg(text);
}

bool NarrowingGroup::numberBoxHoldsNoNumber() const {
    const QString text = numberBox()->text().trimmed();
    return !text.isEmpty() && !typedNumber(text);
}

void NarrowingGroup::setChoice(Choice choice) {
    m_choice = choice;
    showChoice();
}

void NarrowingGroup::showChoice() {
    if (m_choice == Choice::Chosen)
        m_grid->selectCurrentRow();
    else if (m_grid->selectionModel())
        m_grid->selectionModel()->clearSelection();
}

bool NarrowingGroup::eventFilter(QObject* watched, QEvent* event) {
    // A row picked in the list by mouse or keys is the librarian's choice.
    if (watched == m_grid->viewport() && event->type() == QEvent::MouseButtonPress &&
        m_grid->indexAt(static_cast<QMouseEvent*>(event)->position().toPoint()).isValid())
        setChoice(Choice::Chosen);
    if (watched == m_grid && event->type() == QEvent::KeyPress && movesInList(static_cast<QKeyEvent*>(event)->key()))
        setChoice(Choice::Chosen);
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
