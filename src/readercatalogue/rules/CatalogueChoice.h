#pragma once

#include <QList>
#include <QString>

namespace lesaro {

// The book fields a reader catalogue can show, in the order of the page's columns.
enum class CatalogueColumn {
    Nummer,
    Verfasser,
    Titel,
    Erscheinungsjahr,
    Verlag,
    Erscheinungsort,
    Auflage,
    ISBN,
    Sachgruppe,
    Schlagwoerter,
    Signatur,
    Standort,
    Preis,
    Bemerkung,
};

struct CatalogueColumnInfo {
    CatalogueColumn column;
    QString key;      // the column's name in the page's data
    QString caption;  // its title in the window
    QString heading;  // its title on the page, short where the column is narrow
    QString field;    // the book field; the ten keywords for Schlagwoerter
    bool onByDefault; // price and remarks are the library's own business and stay off
    bool fixed;       // author and title are what the search is about: always in the catalogue
};

// What goes into a reader catalogue. Reader data never does: there is no choice for it.
struct CatalogueChoice {
    enum class Books { All, Listed };
    Books books = Books::All;       // Listed: the books the main window's book list shows now
    QList<CatalogueColumn> columns; // in page order; author and title always among them
    bool availability = true;       // "verfügbar" / "ausgeliehen"
    bool dueDates = true;           // "zurück bis …" for a lent book

    static const QList<CatalogueColumnInfo>& allColumns();
    static const CatalogueColumnInfo& info(CatalogueColumn column);
    static CatalogueChoice defaults();

    bool has(CatalogueColumn column) const { return columns.contains(column); }
    // Puts the columns into page order and adds author and title when missing.
    void normalize();

    // The choice as the settings keep it ("verfasser,titel,…;1;1;alle") and back; an unreadable text gives the
    // defaults.
    QString toSetting() const;
    static CatalogueChoice fromSetting(const QString& text);
};

} // namespace lesaro
