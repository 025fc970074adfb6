#pragma once

#include "printing/rules/ListLayout.h"

#include <QMetaObject>
#include <QStringList>

namespace lesaro {
class Table;
}

namespace lesaro::printing {

// The columns of the three printed lists with their design constants.
ListDesign bookListDesign(const QStringList& bookColumnCaptions);
ListDesign readerListDesign();
ListDesign loanListDesign();

// One column of a list source: the field and how its text is taken.
struct SourceColumn {
    enum class Kind { Plain, Money, Date };
    QString field;
    Kind kind = Kind::Plain;
    // A field whose value decides the column's text (the book's identifier for its title); empty when none.
    QString sameTextField = {};
};

QList<SourceColumn> bookListColumns();
QList<SourceColumn> readerListColumns();
QList<SourceColumn> loanListColumns();

// A library table as a list: rows read by position, so that drawing a page never moves the table's
// current row (and the main window's lists stay where the librarian left them).
class TableListSource : public ListSource {
public:
    // partners: tables whose changes change this table's lookup fields.
    TableListSource(Table& table, QList<SourceColumn> columns, QList<Table*> partners = {});
    ~TableListSource() override;
    TableListSource(const TableListSource&) = delete;
    TableListSource& operator=(const TableListSource&) = delete;

    int rowCount() const override;
    QString text(int row, int column) const override;
    QString measuredText(int row, int column) const override;
    std::optional<qint64> sameTextKey(int row, int column) const override;
    QString signature() const override;

private:
    Table& m_table;
    QList<SourceColumn> m_columns;
    QList<int> m_fields;
    QList<int> m_keyFields;
    QList<QMetaObject::Connection> m_connections;
    quint64 m_generation = 0;
};

} // namespace lesaro::printing
