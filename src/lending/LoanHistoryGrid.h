#pragma once

#include "ui/DataGrid.h"
#include "ui/TableModel.h"

#include <QStyledItemDelegate>

namespace lesaro {

class Table;

// A reader column of the loan table: a lookup field shown through the loan's LeserID.
struct ReaderLookupColumn {
    QString field;       // LeserNummer
    QString readerField; // Nummer
};

// The loan table as an editable list: stored fields take typed text, a reader column takes another
// reader's value from the reader table (which changes the loan's LeserID). Everything else is the
// read-only model's.
class LoanHistoryModel : public TableModel {
    Q_OBJECT
public:
    LoanHistoryModel(DataSource* source, QList<GridColumn> columns, Table& readers, QList<ReaderLookupColumn> lookups,
                     QObject* parent = nullptr);

    // The reader field behind a lookup column, empty for a stored field.
    QString readerFieldOf(int column) const;
    // Every value of that reader field, in the reader table's order, each once.
    QStringList readerValues(int column) const;

    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;

    // The text refused by the last setData, for the grid to report.
    QString takeError();

private:
    void put(int column, const QString& text);

    Table& m_readers;
    QList<ReaderLookupColumn> m_lookups;
    QString m_error;
};

// Offers a drop-down list of reader values in a reader column, a plain text box elsewhere.
class LoanHistoryDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    void setEditorData(QWidget* editor, const QModelIndex& index) const override;
    void setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const override;
};

// The loan history's list: editable cells, Ctrl+Delete after "Datensatz löschen?", and a new row below the
// last one when the cursor goes down from it.
class LoanHistoryGrid : public DataGrid {
    Q_OBJECT
public:
    explicit LoanHistoryGrid(QWidget* parent = nullptr);

    void bindEditable(DataSource* source, const QList<GridColumn>& columns, Table& readers,
                      const QList<ReaderLookupColumn>& lookups);
    LoanHistoryModel* historyModel() const { return m_history; }

    // Appends a new row when the current row is the last one; Down arrow on the last row does this.
    void appendBelowLast();

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    LoanHistoryModel* m_history = nullptr;
};

} // namespace lesaro
