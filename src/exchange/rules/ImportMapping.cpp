#include "exchange/rules/ImportMapping.h"

#include "core/EngineError.h"
#include "core/Field.h"
#include "core/Table.h"
#include "core/Win1252.h"
#include "library/RecoveryRepair.h"

namespace lesaro {

QList<ImportTarget> bookImportTargets() {
    auto t = [](const char* label, const char* field, ImportTarget::Refused refused = ImportTarget::Refused::Stop) {
        return ImportTarget{QString::fromUtf8(label), QString::fromLatin1(field), refused};
    };
    QList<ImportTarget> targets{t("Verfasser", "Verfasser"),
                                t("Titel", "Titel"),
                                t("Verlag", "Verlag"),
                                t("Erscheinungsjahr", "Erscheinungsjahr"),
                                t("Erscheinungsort", "Erscheinungsort"),
                                t("Auflage", "Auflage"),
                                t("Sachgruppe", "Sachgruppe"),
                                t("ISBN", "ISBN"),
                                t("Signatur", "Signatur"),
                                t("Standort", "Standort"),
                                t("Schlagworte", ""),
                                t("Preis", "Preis", ImportTarget::Refused::Drop),
                                t("Bemerkung", "Bemerkung", ImportTarget::Refused::Drop)};
    for (int i = 1; i <= 10; ++i)
        targets.append({QStringLiteral("Schlagwort %1").arg(i), QStringLiteral("Schlagwort%1").arg(i)});
    return targets;
}

QList<ImportTarget> readerImportTargets() {
    auto t = [](const char* label, const char* field, ImportTarget::Refused refused = ImportTarget::Refused::Stop) {
        return ImportTarget{QString::fromUtf8(label), QString::fromLatin1(field), refused};
    };
    return {t("Nr.", "Nummer"),
            t("Vorname", "Vorname"),
            t("Nachname", "Nachname"),
            t("Straße", "Strae"),
            t("PLZ", "PLZ", ImportTarget::Refused::Drop),
            t("Ort", "Ort"),
            t("Telefon", "Telefon"),
            t("eMail", "eMail"),
            t("Sonstiges", "Sonstiges1"),
            t("Bemerkung", "Bemerkung")};
}

PreviewGrid::PreviewGrid()
    : m_columns(2)
    , m_rows(5) {}

PreviewGrid PreviewGrid::fromRecords(exchange::SourceRecords records) {
    PreviewGrid grid;
    grid.m_rows = 0;
    for (const QStringList& r : records)
        grid.m_rows = std::max(grid.m_rows, int(r.size()));
    grid.m_columns = std::move(records);
    return grid;
}

QString PreviewGrid::cell(int column, int row) const {
    if (column < 0 || column >= m_columns.size())
        return {};
    const QStringList& c = m_columns[column];
    return row >= 0 && row < c.size() ? c[row] : QString();
}

namespace {

struct Filling {
    int field;
    int source;
    QString label;
    bool drop;
    bool keepWhenEmpty;
    FieldKind kind;
};

std::vector<Filling> fillingsOf(Table& table, const QList<ImportTarget>& targets, const QList<int>& assignment) {
    std::vector<Filling> fillings;
    for (qsizetype i = 0; i < targets.size() && i < assignment.size(); ++i) {
        if (assignment[i] < 0 || targets[i].field.isEmpty())
            continue;
        const int field = table.fieldIndex(targets[i].field);
        if (field < 0)
            continue;
        fillings.push_back({field, assignment[i], targets[i].label, targets[i].refused == ImportTarget::Refused::Drop,
                            targets[i].field == QLatin1String("Nummer"), table.FieldByName(targets[i].field).kind()});
    }
    return fillings;
}

// The table files hold single-byte Windows-1252 texts; a character beyond it is stored as "?".
bool storable(const QString& text) {
    return win1252::decode(win1252::encode(text)) == text;
}

void note(int& count, QStringList& examples, int column, const QString& label, const QString& text) {
    ++count;
    if (examples.size() < ImportReport::kExamples)
        examples.append(QStringLiteral("Datensatz %1, %2: „%3“").arg(column + 1).arg(label, text));
}

// "12.50" as other programs write a price: a single point and no comma is the decimal mark.
QString moneyText(const QString& text) {
    if (text.count(QLatin1Char('.')) == 1 && !text.contains(QLatin1Char(',')))
        return QString(text).replace(QLatin1Char('.'), QLatin1Char(','));
    return text;
}

} // namespace

ImportReport ImportRun::unstorable(Table& table, const PreviewGrid& grid, const QList<ImportTarget>& targets,
                                   const QList<int>& assignment, bool titleRow) {
    ImportReport report;
    const std::vector<Filling> fillings = fillingsOf(table, targets, assignment);
    for (int c = titleRow ? 1 : 0; c < grid.columnCount(); ++c)
        for (const Filling& f : fillings) {
            const QString text = grid.cell(c, f.source);
            if (f.kind == FieldKind::Text && !storable(text))
                note(report.unstorable, report.unstorableExamples, c, f.label, text);
        }
    return report;
}

int ImportRun::run(Table& table, const PreviewGrid& grid, const QList<ImportTarget>& targets,
                   const QList<int>& assignment, bool titleRow, const std::function<void(int, int)>& progress,
                   ImportReport* report) {
    const std::vector<Filling> fillings = fillingsOf(table, targets, assignment);
    ImportReport ignored;
    ImportReport& counts = report ? *report : ignored;
    // The counter lives in the settings, the rows in the data folder: a library handed over without its
    // settings would have its new rows numbered on top of the stored ones.
    RecoveryRepair::raiseNumberCounter(table);
    const int first = titleRow ? 1 : 0;
    const int total = std::max(0, grid.columnCount() - first);
    int posted = 0;
    for (int c = first; c < grid.columnCount(); ++c) {
        table.Insert();
        try {
            for (const Filling& f : fillings) {
                QString text = grid.cell(c, f.source);
                if (f.keepWhenEmpty && text.isEmpty())
                    continue;
                if (f.kind == FieldKind::Money)
                    text = moneyText(text);
                if (!f.drop) {
                    table.assignText(f.field, text);
                } else {
                    try {
                        table.assignText(f.field, text);
                    } catch (const EngineError&) {
                        table.assignText(f.field, QString());
                        note(counts.dropped, counts.droppedExamples, c, f.label, grid.cell(c, f.source));
                        continue;
                    }
                }
                if (f.kind == FieldKind::Text && !storable(text))
                    note(counts.unstorable, counts.unstorableExamples, c, f.label, text);
            }
            table.Post();
        } catch (const EngineError&) {
            if (table.State() != TableState::Browse)
                table.Cancel();
            throw;
        }
        ++posted;
        if (progress)
            progress(posted, total);
    }
    return posted;
}

} // namespace lesaro
