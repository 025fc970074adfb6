#include "exchange/MahnlisteExport.h"

#include "core/AtomicFile.h"
#include "core/Clock.h"
#include "core/EngineError.h"
#include "core/GermanLocale.h"
#include "core/Table.h"
#include "library/AllRows.h"
#include "ui/FileDialogService.h"
#include "ui/LibraryHandle.h"
#include "ui/MessageService.h"

#include <QCollator>
#include <QFileInfo>
#include <QHash>
#include <algorithm>

namespace lesaro {

namespace {

QStringList rowTexts(Table& table, int row, const QStringList& fields) {
    QStringList out;
    for (const QString& name : fields) {
        const int index = table.fieldIndex(name);
        out.append(index < 0 ? QString() : table.stringAt(row, index).trimmed());
    }
    return out;
}

struct Line {
    QStringList reader; // Lesernummer, Vorname, Nachname, Straße, PLZ, Ort, Telefon, E-Mail
    QStringList book;   // Buchnummer, Verfasser, Titel
    QDate lent;
    QDate due;
    int readerId = 0;
};

} // namespace

QStringList mahnlisteHeaders() {
    return {QStringLiteral("Lesernummer"), QStringLiteral("Vorname"),
            QStringLiteral("Nachname"),    QStringLiteral("Straße"),
            QStringLiteral("PLZ"),         QStringLiteral("Ort"),
            QStringLiteral("Telefon"),     QStringLiteral("E-Mail"),
            QStringLiteral("Buchnummer"),  QStringLiteral("Verfasser"),
            QStringLiteral("Titel"),       QStringLiteral("ausgeliehen am"),
            QStringLiteral("fällig seit"), QStringLiteral("Tage überfällig")};
}

MahnlisteResult mahnliste(Table& loans, Table& books, Table& readers, QDate today) {
    const QStringList readerFields{QStringLiteral("Nummer"),  QStringLiteral("Vorname"), QStringLiteral("Nachname"),
                                   QStringLiteral("Strae"),   QStringLiteral("PLZ"),     QStringLiteral("Ort"),
                                   QStringLiteral("Telefon"), QStringLiteral("eMail")};
    const QStringList bookFields{QStringLiteral("Nummer"), QStringLiteral("Verfasser"), QStringLiteral("Titel")};
    QHash<int, QStringList> readerById, bookById;
    forAllRows(readers, [&](int row) {
        const Value id = readers.valueAt(row, readers.fieldIndex(QStringLiteral("ID")));
        if (!id.isNull())
            readerById.insert(id.toInt(), rowTexts(readers, row, readerFields));
    });
    forAllRows(books, [&](int row) {
        const Value id = books.valueAt(row, books.fieldIndex(QStringLiteral("ID")));
        if (!id.isNull())
            bookById.insert(id.toInt(), rowTexts(books, row, bookFields));
    });

    QList<Line> lines;
    const int bookId = loans.fieldIndex(QStringLiteral("BuecherID")),
              readerId = loans.fieldIndex(QStringLiteral("LeserID")),
              from = loans.fieldIndex(QStringLiteral("DatumVon")), back = loans.fieldIndex(QStringLiteral("DatumBis")),
              due = loans.fieldIndex(QStringLiteral("DatumBisSoll"));
    const qint32 todayDay = dayFromDate(today);
    forAllRows(loans, [&](int row) {
        const Value dueValue = loans.valueAt(row, due);
        if (dueValue.isNull() || dueValue.toDay() >= todayDay || !loans.valueAt(row, back).isNull())
            return;
        Line line;
        const Value reader = loans.valueAt(row, readerId);
        line.readerId = reader.isNull() ? 0 : reader.toInt();
        // A loan whose reader is gone still belongs on the list: the librarian must chase the book.
        line.reader = reader.isNull() ? QStringList() : readerById.value(reader.toInt());
        while (line.reader.size() < 8)
            line.reader.append(QString());
        const Value book = loans.valueAt(row, bookId);
        line.book = book.isNull() ? QStringList() : bookById.value(book.toInt());
        while (line.book.size() < 3)
            line.book.append(QString());
        const Value lent = loans.valueAt(row, from);
        line.lent = lent.isNull() ? QDate() : dateFromDay(lent.toDay());
        line.due = dateFromDay(dueValue.toDay());
        lines.append(line);
    });

    QCollator collator(QLocale(QLocale::German, QLocale::Germany));
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    std::stable_sort(lines.begin(), lines.end(), [&](const Line& a, const Line& b) {
        if (const int c = collator.compare(a.reader[2], b.reader[2]))
            return c < 0;
        if (const int c = collator.compare(a.reader[1], b.reader[1]))
            return c < 0;
        if (a.readerId != b.readerId)
            return a.readerId < b.readerId;
        if (a.due != b.due)
            return a.due < b.due;
        return a.book[0].toLongLong() < b.book[0].toLongLong();
    });

    ExportSettings settings;
    settings.format = ExportFormat::Csv;
    settings.separator = ';';
    settings.qualifier = '"';
    settings.titleRow = true;
    for (const QString& header : mahnlisteHeaders())
        settings.columns.append({header, header});
    ExportFile file(settings);
    for (const Line& line : lines) {
        file.beginRow();
        for (const QString& v : line.reader)
            file.value(v);
        for (const QString& v : line.book)
            file.value(v);
        file.value(GermanLocale::formatDate(line.lent));
        file.value(GermanLocale::formatDate(line.due));
        file.value(QString::number(line.due.daysTo(today)));
        file.endRow();
    }
    MahnlisteResult result;
    result.rows = int(lines.size());
    result.file.bytes = file.finish();
    result.file.replacedValues = file.replacedValues();
    return result;
}

void MahnlisteExportieren(LibraryHandle& library, QWidget* parent) {
    const MahnlisteResult list =
        mahnliste(library.ClientAusleihe(), library.ClientBuecher(), library.ClientLeser(), Clock::today());
    if (list.rows == 0) {
        MessageService::notice(parent, QStringLiteral("Zurzeit ist kein Buch überfällig; die Mahnliste wäre leer."));
        return;
    }
    QString name = FileDialogService::saveFileName(parent, QStringLiteral("Mahnliste exportieren"), {},
                                                   QStringLiteral("CSV-Dateien (*.csv)"));
    if (name.isEmpty())
        return;
    if (QFileInfo(name).suffix().isEmpty())
        name += QStringLiteral(".csv");
    try {
        writeFileAtomically(name, list.file.bytes);
    } catch (const EngineError& e) {
        MessageService::error(parent, e.message());
        return;
    }
    QString text =
        list.rows == 1
            ? QStringLiteral("Die Mahnliste mit 1 überfälligen Ausleihe wurde gespeichert.")
            : QStringLiteral("Die Mahnliste mit %1 überfälligen Ausleihen wurde gespeichert.").arg(list.rows);
    if (list.file.replacedValues > 0)
        text += QStringLiteral("\n%1 Werte enthielten Zeichen, die der Zeichensatz Windows-1252 nicht kennt; sie "
                               "wurden als \"?\" geschrieben.")
                    .arg(list.file.replacedValues);
    MessageService::notice(parent, text);
}

} // namespace lesaro
