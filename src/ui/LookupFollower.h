#pragma once

#include <QObject>
#include <initializer_list>

namespace lesaro {

class DataSource;

// The loan list shows the book's title and the reader's name through lookup fields, which the loan table
// computes when a cell is read. A change to a book or reader therefore changes what the loan list should
// show without the loan table hearing of it; this tells the loan table's controls whenever a row of one of
// the looked-up tables changes, so a corrected title shows in every loan list at once.
class LookupFollower : public QObject {
    Q_OBJECT
public:
    LookupFollower(DataSource& lookupSide, std::initializer_list<DataSource*> lookedUp, QObject* parent = nullptr);

private:
    void tell();

    DataSource& m_lookupSide;
};

} // namespace lesaro
