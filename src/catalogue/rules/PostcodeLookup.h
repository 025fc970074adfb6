#pragma once

#include <QHash>
#include <QObject>
#include <QStringList>

namespace lesaro {

class Table;

// The towns of a postcode from the built-in postcode table, in table order. The table has some sixteen
// thousand rows and a postcode may have dozens of places, so the rows are gathered once per postcode in a
// hash and looked up from there; narrowing the table with a filter would read every row at each lookup.
// The hash is built again after the table's rows change (a restore reloads it).
class PostcodeLookup : public QObject {
    Q_OBJECT
public:
    explicit PostcodeLookup(Table& postcodes, QObject* parent = nullptr);

    // The postcode is compared exactly as typed; an unknown one, or an empty text, has no towns.
    QStringList towns(const QString& postcode);

private:
    void build();

    Table& m_postcodes;
    QHash<QString, QStringList> m_towns;
    bool m_stale = true;
};

} // namespace lesaro
