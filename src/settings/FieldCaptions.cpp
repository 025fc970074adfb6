#include "settings/FieldCaptions.h"

#include "settings/INI.h"

namespace lesaro::FieldCaptions {

namespace {

// Column index and the setting that names it; the other columns have fixed titles.
struct Renamable {
    int index;
    const char* setting;
    const char* fallback; // written on a fresh installation
};
constexpr Renamable kRenamable[] = {
    {1, "Verfasser", "Verfasser"},
    {2, "Titel", "Titel"},
    {3, "Verlag", "Verlag"},
    {4, "Erscheinungsjahr", "Jahr"},
    {5, "Erscheinungsort", "Ort"},
    {6, "Auflage", "Auflage"},
    {7, "Sachgruppe", "Sachgruppe"},
    {8, "Signatur", "Signatur"},
    {9, "Standort", "Standort"},
    {10, "ISBN", "ISBN"},
    {12, "Bemerkungen", "Bemerkungen"},
};

} // namespace

QStringList bookColumnFields() {
    QStringList f{QStringLiteral("Nummer"),
                  QStringLiteral("Verfasser"),
                  QStringLiteral("Titel"),
                  QStringLiteral("Verlag"),
                  QStringLiteral("Erscheinungsjahr"),
                  QStringLiteral("Erscheinungsort"),
                  QStringLiteral("Auflage"),
                  QStringLiteral("Sachgruppe"),
                  QStringLiteral("Signatur"),
                  QStringLiteral("Standort"),
                  QStringLiteral("ISBN"),
                  QStringLiteral("Preis"),
                  QStringLiteral("Bemerkung")};
    for (int i = 1; i <= 10; ++i)
        f << QStringLiteral("Schlagwort%1").arg(i);
    return f;
}

QStringList BookColumnCaptions() {
    QStringList c{QStringLiteral("Nr.")};
    for (int i = 1; i <= 12; ++i)
        c << QString();
    c[11] = QStringLiteral("Preis");
    for (const Renamable& r : kRenamable)
        c[r.index] = INI::ReadSettingString(QString::fromLatin1(r.setting));
    for (int i = 1; i <= 10; ++i)
        c << QStringLiteral("Schlagwort %1").arg(i);
    return c;
}

QStringList LoanColumnCaptions() {
    return {QStringLiteral("Buch-Nr."),    QStringLiteral("Verfasser"),   QStringLiteral("Titel"),
            QStringLiteral("Leser-Nr."),   QStringLiteral("Vorname"),     QStringLiteral("Nachname"),
            QStringLiteral("Datum (Von)"), QStringLiteral("Datum (Bis)"), QStringLiteral("Soll-Rückgabe")};
}

QStringList ReaderColumnCaptions() {
    return {QStringLiteral("Nr."),      QStringLiteral("Vorname"), QStringLiteral("Nachname"),
            QStringLiteral("Straße"),   QStringLiteral("PLZ"),     QStringLiteral("Ort"),
            QStringLiteral("Telefon"),  QStringLiteral("eMail"),   QStringLiteral("Sonstiges"),
            QStringLiteral("Bemerkung")};
}

QStringList ApplyFieldCaptions() {
    if (INI::ReadSettingString(QStringLiteral("Verfasser")).isEmpty() &&
        INI::ReadSettingString(QStringLiteral("Auflage")).isEmpty()) {
        for (const Renamable& r : kRenamable)
            INI::WriteSettingString(QString::fromLatin1(r.setting), QString::fromLatin1(r.fallback));
    }
    return BookColumnCaptions();
}

} // namespace lesaro::FieldCaptions
