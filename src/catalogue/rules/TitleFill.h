#pragma once

#include "catalogue/rules/TitleData.h"

#include <QHash>
#include <QList>
#include <QString>

namespace lesaro {

// Which fields of the book a catalogue record fills. Empty fields are filled; a field that already holds
// another text is only listed as a conflict, for the window to ask about; the keywords go into the empty
// keyword fields, leaving out those the book has already.
class TitleFill {
public:
    struct Change {
        QString field; // the book table's field name
        QString value;
    };

    // current: the book's present texts by field name (Verfasser, Titel, …, Schlagwort1 … Schlagwort10).
    TitleFill(const TitleData& data, const QHash<QString, QString>& current);

    // Fields that are empty now.
    const QList<Change>& fills() const { return m_fills; }
    // Fields that hold another text now, with the record's text.
    const QList<Change>& conflicts() const { return m_conflicts; }

    // The fields a record may fill, in the window's order, without the keywords.
    static const QStringList& fieldNames();
    // The keyword fields.
    static QStringList keywordFields();

private:
    QList<Change> m_fills;
    QList<Change> m_conflicts;
};

} // namespace lesaro
