#pragma once

#include "printing/rules/ListLayout.h"

#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>

namespace lesaro {
class Table;
}

namespace lesaro::printing {

// One overdue book on a reader's letter.
struct MahnBook {
    QString nummer; // empty when the book is no longer in the catalogue
    QString verfasser;
    QString titel;
    QDate due;
};

// A reader with overdue loans and the books the letter asks back.
struct MahnReader {
    int id = 0;
    QString vorname;
    QString nachname;
    QString strasse;
    QString plz;
    QString ort;
    QList<MahnBook> books;

    QString name() const;
    // A letter needs a street or a town to reach anyone by post.
    bool hasAddress() const;
    // The lines of the address field: name, then street and "PLZ Ort" where given.
    QStringList addressLines() const;
};

struct MahnCollection {
    QList<MahnReader> readers;
    int loansWithoutReader = 0; // overdue loans whose reader is gone: no letter can be addressed
};

// The overdue loans (library/OverdueLoans), grouped by reader: readers by last name, first name, then
// record; each reader's books by due date, then number. The tables are read whole, whatever the main
// window's lists are filtered by at the moment; their current rows stay.
MahnCollection collectOverdue(Table& loans, Table& books, Table& readers, QDate today);

// The editable parts of the letter, kept in the settings store.
struct MahnTexts {
    QString sender;  // the return line above the address
    QString body;    // paragraphs separated by line breaks
    QString closing; // one line each

    static MahnTexts defaults();
    // Empty stored texts read as the defaults, so a letter is never sent without words.
    static MahnTexts load();
    void save() const;

    static const QString SenderSetting;
    static const QString BodySetting;
    static const QString ClosingSetting;
};

// The page in device units, as the print job gives it.
struct MahnPage {
    int width = 0;
    int height = 0;
    int dpi = 300;
};

// One thing drawn on a letter page.
struct MahnItem {
    enum class Kind { Text, Rule };
    Kind kind = Kind::Text;
    int x = 0;
    int y = 0; // text: top of the line; rule: its height
    int x2 = 0;
    int cellHeight = 0;
    QString text;
    int book = -1; // the reader's book this table row shows, -1 otherwise
};

struct MahnLaidPage {
    int reader = 0; // index into the readers
    int pageOfLetter = 1;
    int pagesOfLetter = 1;
    QList<MahnItem> items;
};

// The letters on A4 for a window envelope: the address field 45 mm from the top and 20 mm from the left,
// 85 × 45 mm, with the small return line at its top; below it the date, the subject, the salutation, the
// text, the table of overdue books and the closing. A table that does not fit continues on further pages
// of the same letter, with its headings again. Laid out whole in advance, so the page count is known
// before the first page is shown.
class MahnLayout {
public:
    MahnLayout(MahnTexts texts, QDate date, TextMeasurer& measurer);

    QList<MahnLaidPage> layout(const QList<MahnReader>& readers, const MahnPage& page);
    static void draw(ListCanvas& canvas, const MahnLaidPage& page);

    static const QString Family;

private:
    int mm(double millimetres) const;
    QStringList wrap(const QString& text, int cellHeight, int width);
    QString elide(const QString& text, int cellHeight, int width);
    void layoutReader(const MahnReader& reader, int index, QList<MahnLaidPage>& pages);

    MahnTexts m_texts;
    QDate m_date;
    TextMeasurer& m_measurer;
    MahnPage m_page;
};

} // namespace lesaro::printing
