#include "catalogue/rules/MarcRecord.h"

#include "catalogue/rules/Isbn.h"

#include <QRegularExpression>
#include <QXmlStreamReader>

namespace lesaro {

namespace {

// The catalogue's texts as a librarian would type them: composed characters (the catalogues send umlauts
// as a letter and a combining mark, which the book table cannot store), without the control characters
// that mark the part of a title not used for sorting ("\x98Der\x9c Name der Rose"), and single blanks.
QString clean(const QString& text) {
    QString t = text;
    t.removeIf([](QChar c) { return c.category() == QChar::Other_Control && !c.isSpace(); });
    return t.normalized(QString::NormalizationForm_C).simplified();
}

// The punctuation the cataloguing rules put at the end of a subfield before the next one (" /", " :" …).
QString withoutEndPunctuation(const QString& text, const QString& marks = QStringLiteral("/:;=,")) {
    QString t = text.trimmed();
    while (!t.isEmpty() && marks.contains(t.back()))
        t = t.chopped(1).trimmed();
    return t;
}

// "[Berlin]": the cataloguer supplied the place; the brackets are not part of it.
QString withoutBrackets(const QString& text) {
    if (text.startsWith(u'[') && text.endsWith(u']'))
        return text.mid(1, text.size() - 2).trimmed();
    return text;
}

QString firstYear(const QString& text) {
    static const QRegularExpression year(QStringLiteral("(?<![0-9])([12][0-9]{3})(?![0-9])"));
    const QRegularExpressionMatch m = year.match(text);
    return m.hasMatch() ? m.captured(1) : QString();
}

// The ISBN in an 020 $a: older records add a qualifier, "3-16-148410-X (kart.)".
QString isbnPart(const QString& text) {
    static const QRegularExpression number(QStringLiteral("^[0-9Xx -]+"));
    const QRegularExpressionMatch m = number.match(text.trimmed());
    return m.hasMatch() ? m.captured(0).trimmed() : QString();
}

} // namespace

QStringList MarcRecord::DataField::values(QChar code) const {
    QStringList out;
    for (const Subfield& s : subfields) {
        if (s.code == code)
            out << s.value;
    }
    return out;
}

QString MarcRecord::DataField::first(QChar code) const {
    for (const Subfield& s : subfields) {
        if (s.code == code)
            return s.value;
    }
    return {};
}

bool MarcRecord::read(QXmlStreamReader& xml, QString* error) {
    const QString notMarc = QStringLiteral("Ein Datensatz der Antwort ist kein MARC-21-Datensatz.");
    auto fail = [error](const QString& text) {
        if (error)
            *error = text;
        return false;
    };
    if (!xml.isStartElement() || xml.name() != u"record")
        return fail(notMarc);
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isEndElement() && xml.name() == u"record")
            return true;
        if (!xml.isStartElement())
            continue;
        const auto name = xml.name();
        if (name == u"controlfield") {
            const QString tag = xml.attributes().value(QStringLiteral("tag")).toString();
            m_controlFields.append({tag, xml.readElementText(QXmlStreamReader::IncludeChildElements)});
        } else if (name == u"datafield") {
            DataField field;
            const QXmlStreamAttributes a = xml.attributes();
            field.tag = a.value(QStringLiteral("tag")).toString();
            const QString ind1 = a.value(QStringLiteral("ind1")).toString();
            const QString ind2 = a.value(QStringLiteral("ind2")).toString();
            field.ind1 = ind1.isEmpty() ? QChar(u' ') : ind1.front();
            field.ind2 = ind2.isEmpty() ? QChar(u' ') : ind2.front();
            while (xml.readNextStartElement()) {
                if (xml.name() == u"subfield") {
                    const QString code = xml.attributes().value(QStringLiteral("code")).toString();
                    const QString value = xml.readElementText(QXmlStreamReader::IncludeChildElements);
                    if (!code.isEmpty())
                        field.subfields.append({code.front(), value});
                } else {
                    xml.skipCurrentElement();
                }
            }
            m_dataFields.append(std::move(field));
        } else {
            xml.skipCurrentElement(); // the leader and anything a service adds
        }
    }
    return fail(notMarc);
}

QString MarcRecord::controlField(const QString& tag) const {
    for (const auto& [t, value] : m_controlFields) {
        if (t == tag)
            return value;
    }
    return {};
}

QList<const MarcRecord::DataField*> MarcRecord::dataFields(const QString& tag) const {
    QList<const DataField*> out;
    for (const DataField& f : m_dataFields) {
        if (f.tag == tag)
            out << &f;
    }
    return out;
}

TitleData MarcRecord::titleData(const QString& isbn) const {
    TitleData t;

    // The main author (100), then the co-authors among the added entries (700); editors, translators and
    // illustrators there carry another relator code and are left out.
    auto addAuthor = [&t](const DataField* f) {
        const QString name = withoutEndPunctuation(clean(f->first(u'a')));
        if (!name.isEmpty() && !t.authors.contains(name))
            t.authors << name;
    };
    for (const DataField* f : dataFields(QStringLiteral("100")))
        addAuthor(f);
    for (const DataField* f : dataFields(QStringLiteral("700"))) {
        const QStringList relators = f->values(u'4');
        const bool author = relators.isEmpty() || relators.contains(QStringLiteral("aut")) ||
                            relators.contains(QStringLiteral("http://id.loc.gov/vocabulary/relators/aut"));
        if (author)
            addAuthor(f);
    }

    if (const auto titles = dataFields(QStringLiteral("245")); !titles.isEmpty()) {
        const QString a = clean(titles.first()->first(u'a'));
        const QString b = withoutEndPunctuation(clean(titles.first()->first(u'b')));
        t.title = withoutEndPunctuation(a);
        if (!b.isEmpty()) {
            // A parallel title follows "=", a further title ";"; otherwise the remainder is a subtitle.
            const QString separator = a.endsWith(u'=')   ? QStringLiteral(" = ")
                                      : a.endsWith(u';') ? QStringLiteral(" ; ")
                                                         : QStringLiteral(" : ");
            t.title = t.title.isEmpty() ? b : t.title + separator + b;
        }
    }

    // Publication statement: 264 with second indicator 1 (publication), else any 264, else the older 260.
    const DataField* imprint = nullptr;
    for (const DataField* f : dataFields(QStringLiteral("264"))) {
        if (f->ind2 == u'1') {
            imprint = f;
            break;
        }
    }
    if (!imprint && !dataFields(QStringLiteral("264")).isEmpty())
        imprint = dataFields(QStringLiteral("264")).first();
    if (!imprint && !dataFields(QStringLiteral("260")).isEmpty())
        imprint = dataFields(QStringLiteral("260")).first();
    if (imprint) {
        t.place = withoutBrackets(withoutEndPunctuation(clean(imprint->first(u'a'))));
        t.publisher = withoutBrackets(withoutEndPunctuation(clean(imprint->first(u'b'))));
        t.year = firstYear(clean(imprint->first(u'c')));
    }
    if (t.year.isEmpty()) {
        // Date 1 of the fixed-length data elements.
        const QString fixed = controlField(QStringLiteral("008"));
        if (fixed.size() >= 11)
            t.year = firstYear(fixed.mid(7, 4));
    }

    if (const auto editions = dataFields(QStringLiteral("250")); !editions.isEmpty())
        t.edition = withoutEndPunctuation(clean(editions.first()->first(u'a')), QStringLiteral("/=,"));

    // The record may name the ISBNs of several bindings; the one asked for is the librarian's book. The
    // German National Library gives its printed form (with hyphens) in $9.
    const QString wanted = Isbn::key(isbn);
    QString firstIsbn;
    for (const DataField* f : dataFields(QStringLiteral("020"))) {
        const QString number = isbnPart(clean(f->first(u'a')));
        const QString printed = isbnPart(clean(f->first(u'9')));
        const QString shown = printed.isEmpty() ? number : printed;
        if (shown.isEmpty())
            continue;
        if (firstIsbn.isEmpty())
            firstIsbn = shown;
        if (!wanted.isEmpty() && (Isbn::key(number) == wanted || Isbn::key(printed) == wanted)) {
            t.isbn = shown;
            break;
        }
    }
    if (t.isbn.isEmpty())
        t.isbn = firstIsbn;

    // Subject headings: the German subject chains (689) first, then the topical terms (650).
    for (const char* tag : {"689", "650"}) {
        for (const DataField* f : dataFields(QString::fromLatin1(tag))) {
            const QString subject = withoutEndPunctuation(clean(f->first(u'a')), QStringLiteral("/:;=,."));
            if (subject.isEmpty())
                continue;
            bool known = false;
            for (const QString& s : std::as_const(t.subjects))
                known = known || s.compare(subject, Qt::CaseInsensitive) == 0;
            if (!known)
                t.subjects << subject;
        }
    }
    return t;
}

} // namespace lesaro
