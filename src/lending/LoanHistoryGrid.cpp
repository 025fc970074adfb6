#include "lending/LoanHistoryGrid.h"

#include "core/EngineError.h"
#include "core/Table.h"
#include "ui/DataSource.h"
#include "ui/ErrorPath.h"
#include "ui/MessageService.h"

#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QSet>

namespace lesaro {

LoanHistoryModel::LoanHistoryModel(DataSource* source, QList<GridColumn> columns, Table& readers,
                                   QList<ReaderLookupColumn> lookups, QObject* parent)
    : TableModel(source, std::move(columns), parent)
    , m_readers(readers)
    , m_lookups(std::move(lookups)) {}

QString LoanHistoryModel::readerFieldOf(int column) const {
    const QString field = fieldName(column);
    for (const ReaderLookupColumn& l : m_lookups) {
        if (l.field.compare(field, Qt::CaseInsensitive) == 0)
            return l.readerField;
    }
    return {};
}

QStringList LoanHistoryModel::readerValues(int column) const {
    const QString readerField = readerFieldOf(column);
    const int f = m_readers.fieldIndex(readerField);
    if (f < 0 || !m_readers.Active())
        return {};
    QStringList values;
    QSet<QString> seen;
    for (int p = 0; p < m_readers.viewCount(); ++p) {
        const QString text = m_readers.displayTextAt(p, f);
        if (!seen.contains(text)) {
            seen.insert(text);
            values.append(text);
        }
    }
    return values;
}

Qt::ItemFlags LoanHistoryModel::flags(const QModelIndex& index) const {
    Qt::ItemFlags f = TableModel::flags(index);
    if (index.isValid() && table().fieldIndex(fieldName(index.column())) >= 0)
        f |= Qt::ItemIsEditable;
    return f;
}

QVariant LoanHistoryModel::data(const QModelIndex& index, int role) const {
    // The text box starts from the text the cell shows.
    if (role == Qt::EditRole)
        return TableModel::data(index, Qt::DisplayRole);
    return TableModel::data(index, role);
}

bool LoanHistoryModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (role != Qt::EditRole || !index.isValid() || index.row() != currentRow())
        return false;
    const QString text = value.toString();
    if (text == data(index, Qt::DisplayRole).toString())
        return false; // nothing typed: the row stays unchanged and is not posted
    try {
        put(index.column(), text);
    } catch (const EngineError& e) {
        m_error = e.message();
        return false;
    }
    return true;
}

void LoanHistoryModel::put(int column, const QString& text) {
    Table& t = table();
    if (t.State() == TableState::Browse)
        t.Edit();
    const QString readerField = readerFieldOf(column);
    if (readerField.isEmpty()) {
        t.FieldByName(fieldName(column)).setAsString(text.trimmed());
        return;
    }
    // Another reader for the loan: the first whose field shows the chosen value.
    Field leser = t.FieldByName(QStringLiteral("LeserID"));
    if (text.trimmed().isEmpty()) {
        leser.Clear();
        return;
    }
    const int f = m_readers.fieldIndex(readerField);
    for (int p = 0; p < m_readers.viewCount(); ++p) {
        if (m_readers.displayTextAt(p, f) == text) {
            const Value id = m_readers.valueAt(p, m_readers.fieldIndex(QStringLiteral("ID")));
            if (id.isNull())
                leser.Clear();
            else
                leser.setAsInteger(id.toInt());
            return;
        }
    }
    throw EngineError(QStringLiteral("Kein Leser mit dem Wert '%1' vorhanden").arg(text));
}

QString LoanHistoryModel::takeError() {
    return std::exchange(m_error, QString());
}

QWidget* LoanHistoryDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                                           const QModelIndex& index) const {
    const auto* model = qobject_cast<const LoanHistoryModel*>(index.model());
    if (!model || model->readerFieldOf(index.column()).isEmpty())
        return QStyledItemDelegate::createEditor(parent, option, index);
    auto* box = new QComboBox(parent);
    box->setObjectName(QStringLiteral("ReaderChoice"));
    box->addItems(model->readerValues(index.column()));
    return box;
}

void LoanHistoryDelegate::setEditorData(QWidget* editor, const QModelIndex& index) const {
    if (auto* box = qobject_cast<QComboBox*>(editor)) {
        box->setCurrentIndex(box->findText(index.data(Qt::DisplayRole).toString()));
        return;
    }
    QStyledItemDelegate::setEditorData(editor, index);
}

void LoanHistoryDelegate::setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const {
    if (auto* box = qobject_cast<QComboBox*>(editor)) {
        if (box->currentIndex() >= 0)
            model->setData(index, box->currentText(), Qt::EditRole);
    } else {
        QStyledItemDelegate::setModelData(editor, model, index);
    }
    auto* history = qobject_cast<LoanHistoryModel*>(model);
    const QString error = history ? history->takeError() : QString();
    if (!error.isEmpty())
        MessageService::error(editor->window(), error);
}

LoanHistoryGrid::LoanHistoryGrid(QWidget* parent)
    : DataGrid(parent) {
    setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                    QAbstractItemView::AnyKeyPressed);
    setItemDelegate(new LoanHistoryDelegate(this));
    setDeleteEnabled(true);
    setTabKeyNavigation(true);
}

void LoanHistoryGrid::bindEditable(DataSource* source, const QList<GridColumn>& columns, Table& readers,
                                   const QList<ReaderLookupColumn>& lookups) {
    m_history = new LoanHistoryModel(source, columns, readers, lookups, this);
    bind(m_history);
}

void LoanHistoryGrid::appendBelowLast() {
    if (!m_history)
        return;
    Table& t = m_history->table();
    runOrShowError(window(), [&] {
        if (t.State() == TableState::Insert)
            return; // the new row is not yet saved: one empty row at a time
        if (t.RecordCount() > 0 && t.RecNo() != t.RecordCount() - 1)
            return;
        t.Append();
    });
}

void LoanHistoryGrid::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Down && event->modifiers() == Qt::NoModifier && m_history &&
        state() != QAbstractItemView::EditingState) {
        Table& t = m_history->table();
        if (t.State() != TableState::Insert && (t.RecordCount() == 0 || t.RecNo() == t.RecordCount() - 1)) {
            appendBelowLast();
            event->accept();
            return;
        }
        if (t.State() == TableState::Insert) {
            // Leaving the new row downwards saves it, as leaving any row does.
            runOrShowError(window(), [&] { t.CheckBrowseMode(); });
            event->accept();
            return;
        }
    }
    DataGrid::keyPressEvent(event);
}

} // namespace lesaro
