#pragma once

#include <QString>
#include <QStringList>

namespace lesaro {

// One catalogue record as the book window can take it over, read from a MARC 21 record. Every text is in
// the composed Unicode form (NFC), without the catalogue's non-sorting marks and punctuation between fields.
struct TitleData {
    QStringList authors; // "Nachname, Vorname", the main author first
    QString title;       // title and remainder of the title, "Titel : Untertitel"
    QString publisher;
    QString place;
    QString year;
    QString edition;
    QString isbn; // the ISBN of the record that matches the one asked for, in its printed form when given
    QStringList subjects;

    // The authors as the field Verfasser holds them.
    QString verfasser() const { return authors.join(QStringLiteral("; ")); }
    // One line for a choice between several records.
    QString summary() const;
};

} // namespace lesaro
