#pragma once

#include <QHash>
#include <QList>
#include <QObject>
#include <QString>

namespace lesaro {

class Table;

// The other books with the same ISBN as the one in the book window: a second copy is welcome, but the
// librarian should know of the first. All stored books count, whatever a list's filter hides. The ISBNs
// are gathered once in a hash by their ISBN-13 form and gathered again after the book table's rows change,
// so that typing in the ISBN box never reads thirty thousand rows at each key.
class IsbnCopies : public QObject {
    Q_OBJECT
public:
    struct Copy {
        int id = 0;
        QString nummer;
        QString verfasser;
        QString titel;
    };

    explicit IsbnCopies(Table& books, QObject* parent = nullptr);

    // The books whose ISBN is the same as isbn (in any of its forms), other than the book exceptId, in the
    // order they were stored.
    QList<Copy> copies(const QString& isbn, int exceptId);

    // "Bereits vorhanden: Nr. 1234, Verfasser: Titel"; empty when there are none.
    static QString note(const QList<Copy>& copies);

private:
    void build();

    Table& m_books;
    QHash<QString, QList<qsizetype>> m_slots; // ISBN key → live slots
    bool m_stale = true;
};

} // namespace lesaro
