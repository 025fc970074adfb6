#include "exchange/rules/MahnlisteExport.h"

#include "core/GermanLocale.h"
#include "library/OverdueLoans.h"

namespace lesaro {

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
    // A loan whose reader is gone still belongs on the list, with empty contact data: the librarian must
    // chase the book.
    const QList<OverdueLoan> overdue = OverdueLoans::select(loans, books, readers, today);

    ExportSettings settings;
    settings.format = ExportFormat::Csv;
    settings.separator = ';';
    settings.qualifier = '"';
    settings.titleRow = true;
    for (const QString& header : mahnlisteHeaders())
        settings.columns.append({header, header});
    ExportFile file(settings);
    for (const OverdueLoan& loan : overdue) {
        file.beginRow();
        for (const QString& v : {loan.readerNummer, loan.vorname, loan.nachname, loan.strasse, loan.plz, loan.ort,
                                 loan.telefon, loan.email, loan.buchNummer, loan.verfasser, loan.titel})
            file.value(v);
        file.value(GermanLocale::formatDate(loan.lent));
        file.value(GermanLocale::formatDate(loan.due));
        file.value(QString::number(loan.due.daysTo(today)));
        file.endRow();
    }
    MahnlisteResult result;
    result.rows = int(overdue.size());
    result.file.bytes = file.finish();
    result.file.replacedValues = file.replacedValues();
    return result;
}

} // namespace lesaro
