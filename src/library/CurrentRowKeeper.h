#pragma once

#include <QVariant>

namespace lesaro {

class Table;

// Keeps a table's current row where the user left it while a rule works on another row of the same table:
// remembers the row by its `ID` and returns to it at the end of the scope. Without it, a command the user
// gives next ("Buch löschen") would act on the row the rule last touched.
class CurrentRowKeeper {
public:
    explicit CurrentRowKeeper(Table& table);
    ~CurrentRowKeeper();
    CurrentRowKeeper(const CurrentRowKeeper&) = delete;
    CurrentRowKeeper& operator=(const CurrentRowKeeper&) = delete;

private:
    Table& m_table;
    QVariant m_id; // invalid when the table had no current row
};

} // namespace lesaro
