#include "catalogue/rules/TitleFill.h"

#include "catalogue/rules/Isbn.h"

namespace lesaro {

const QStringList& TitleFill::fieldNames() {
    static const QStringList names{QStringLiteral("Verfasser"),
                                   QStringLiteral("Titel"),
                                   QStringLiteral("Verlag"),
                                   QStringLiteral("Erscheinungsjahr"),
                                   QStringLiteral("Erscheinungsort"),
                                   QStringLiteral("Auflage"),
                                   QStringLiteral("ISBN")};
    return names;
}

QStringList TitleFill::keywordFields() {
    QStringList names;
    for (int i = 1; i <= 10; ++i)
        names << QStringLiteral("Schlagwort%1").arg(i);
    return names;
}

namespace {

// The width of the book table's text fields.
constexpr qsizetype kFieldWidth = 100;

// As many authors as the field holds whole, the main author first; the table would cut the last one short.
QString fittingAuthors(const QStringList& authors) {
    QString out;
    for (const QString& a : authors) {
        const QString next = out.isEmpty() ? a : out + QStringLiteral("; ") + a;
        if (next.size() > kFieldWidth && !out.isEmpty())
            break;
        out = next;
    }
    return out;
}

} // namespace

TitleFill::TitleFill(const TitleData& data, const QHash<QString, QString>& current) {
    const QString values[] = {
        fittingAuthors(data.authors), data.title, data.publisher, data.year, data.place, data.edition, data.isbn};
    const QStringList& names = fieldNames();
    for (int i = 0; i < names.size(); ++i) {
        const QString& value = values[i];
        if (value.isEmpty())
            continue;
        const QString now = current.value(names[i]).trimmed();
        // The same ISBN in another form (scanned without hyphens) gives way to the form printed on the book.
        const bool sameIsbn = names[i] == u"ISBN" && !Isbn::key(now).isEmpty() && Isbn::key(now) == Isbn::key(value);
        if (now.isEmpty() || (sameIsbn && now != value))
            m_fills.append({names[i], value});
        else if (now != value)
            m_conflicts.append({names[i], value});
    }

    // Keywords: into the empty keyword fields in order, each heading once, as far as the fields go.
    QStringList present;
    QStringList empty;
    for (const QString& name : keywordFields()) {
        const QString now = current.value(name).trimmed();
        if (now.isEmpty())
            empty << name;
        else
            present << now;
    }
    for (const QString& subject : data.subjects) {
        if (empty.isEmpty())
            break;
        bool known = false;
        for (const QString& p : std::as_const(present))
            known = known || p.compare(subject, Qt::CaseInsensitive) == 0;
        if (known)
            continue;
        m_fills.append({empty.takeFirst(), subject});
        present << subject;
    }
}

} // namespace lesaro
