#include "LibraryGenerator.h"

#include "Random.h"
#include "Vocabulary.h"
#include "WeightedChoice.h"
#include "core/LibraryTables.h"
#include "core/Table.h"
#include "core/Win1252.h"

#include <algorithm>
#include <cmath>
#include <iterator>
#include <stdexcept>

namespace lesaro::bench {

namespace {

constexpr int kLoanPeriodDays = 30; // the setting "Tage" of a fresh installation

int columnIndex(const QList<ColumnDef>& columns, const char* name) {
    for (int i = 0; i < columns.size(); ++i) {
        if (columns[i].name == QLatin1String(name))
            return i;
    }
    throw std::logic_error(std::string("no column ") + name);
}

QString utf8(const char* text) {
    return QString::fromUtf8(text);
}

// Texts in the form the table stores them, without trailing blanks, so that the generated rows can be
// compared with what the engine holds.
Value text(const QString& s) {
    QByteArray bytes = win1252::encode(s);
    while (bytes.endsWith(' '))
        bytes.chop(1);
    return Value::text(bytes);
}

template <typename List>
const char* pickFrom(const List& list, Random& random) {
    return list[random.below(quint32(std::size(list)))];
}

QString capitalised(const QString& s) {
    return s.isEmpty() ? s : s.left(1).toUpper() + s.mid(1);
}

QString withoutArticle(const char* nounWithArticle) {
    const QString s = utf8(nounWithArticle);
    return s.mid(s.indexOf(QLatin1Char(' ')) + 1);
}

// Umlauts and ß spelled out, as people write them in e-mail addresses.
QString mailName(const QString& s) {
    QString r;
    for (QChar c : s.toLower()) {
        switch (c.unicode()) {
        case u'ä':
            r += QStringLiteral("ae");
            break;
        case u'ö':
        case u'ø':
            r += QStringLiteral("oe");
            break;
        case u'ü':
            r += QStringLiteral("ue");
            break;
        case u'ß':
            r += QStringLiteral("ss");
            break;
        case u' ':
        case u'\'':
            break;
        default:
            r += c.unicode() < 128 ? c : QChar(u'x');
        }
    }
    return r;
}

QString digits(Random& random, int count) {
    QString s;
    for (int i = 0; i < count; ++i)
        s += QChar(u'0' + random.below(10));
    return s;
}

QString isbn(Random& random, int publicationYear, int publisherGroup) {
    const QString group = QString::number(publisherGroup);
    if (publicationYear >= 2007) {
        const QString title = digits(random, 8 - int(group.size()));
        const QString plain = QStringLiteral("9783") + group + title;
        int sum = 0;
        for (int i = 0; i < 12; ++i)
            sum += (plain[i].unicode() - u'0') * (i % 2 ? 3 : 1);
        const int check = (10 - sum % 10) % 10;
        return QStringLiteral("978-3-%1-%2-%3").arg(group, title).arg(check);
    }
    const QString title = digits(random, 8 - int(group.size()));
    const QString plain = QStringLiteral("3") + group + title;
    int sum = 0;
    for (int i = 0; i < 9; ++i)
        sum += (10 - i) * (plain[i].unicode() - u'0');
    const int check = (11 - sum % 11) % 11;
    return QStringLiteral("3-%1-%2-%3").arg(group, title, check == 10 ? QStringLiteral("X") : QString::number(check));
}

QString makeAuthor(Random& random, const WeightedChoice& surnames) {
    namespace v = vocabulary;
    if (random.chance(0.03))
        return utf8(pickFrom(v::institutionalAuthors(), random));
    auto person = [&] {
        const QString surname = utf8(v::surnames()[size_t(surnames.pick(random))]);
        const QString first =
            utf8(random.chance(0.5) ? pickFrom(v::femaleFirstNames(), random) : pickFrom(v::maleFirstNames(), random));
        return surname + QStringLiteral(", ") + first;
    };
    QString author = person();
    if (random.chance(0.03))
        author += QStringLiteral("; ") + person();
    if (random.chance(0.02))
        author += QStringLiteral(" (Hrsg.)");
    // Hand-typed catalogues: some entries all in lower case, a few with the surname in capitals.
    if (random.chance(0.015))
        author = author.toLower();
    else if (random.chance(0.01))
        author = author.section(QLatin1Char(','), 0, 0).toUpper() + author.mid(author.indexOf(QLatin1Char(',')));
    return author;
}

QString makeTitle(Random& random, bool children) {
    namespace v = vocabulary;
    QString title;
    switch (random.below(children ? 8 : 11)) {
    case 0:
    case 1:
    case 2:
        title = capitalised(utf8(pickFrom(v::titleNouns(), random))) + QLatin1Char(' ') +
                utf8(pickFrom(v::titlePlaces(), random));
        break;
    case 3:
        title = capitalised(utf8(pickFrom(v::titleNouns(), random))) + QStringLiteral(" und ") +
                utf8(pickFrom(v::titleNouns(), random));
        break;
    case 4:
    case 5:
        title = utf8(pickFrom(v::firstNamesForTitles(), random)) + QStringLiteral(" und ") +
                utf8(pickFrom(v::titleNouns(), random));
        break;
    case 6:
        title = QStringLiteral("Das große Buch der ") + utf8(pickFrom(v::titlePlurals(), random));
        break;
    case 7:
        title = withoutArticle(pickFrom(v::titleNouns(), random)) + QStringLiteral(" und ") +
                withoutArticle(pickFrom(v::titleNouns(), random));
        break;
    case 8:
        title = QStringLiteral("Einführung in die ") + utf8(pickFrom(v::sciences(), random));
        break;
    case 9:
        title = QStringLiteral("Geschichte der Stadt ") + utf8(v::towns()[random.below(12)].name);
        break;
    default:
        title = capitalised(utf8(pickFrom(v::titleNouns(), random)));
        break;
    }
    if (random.chance(0.05))
        title += QStringLiteral(", Band %1").arg(random.between(1, 12));
    else if (random.chance(0.03))
        title += QStringLiteral(": Roman");
    if (random.chance(0.004))
        title = title.toUpper();
    return title;
}

} // namespace

LibraryGenerator::LibraryGenerator(LibrarySizes sizes, quint64 seed)
    : m_sizes(sizes) {
    m_library.today = QDate(2022, 6, 15);
    // Each part draws from its own stream, so changing how one table is generated leaves the others alone.
    Random bookRandom(seed);
    Random readerRandom(seed ^ 0x5EADE25ull);
    Random loanRandom(seed ^ 0xA0511ull);
    generateBooks(bookRandom);
    generateReaders(readerRandom);
    generateLoans(loanRandom);
    buildHistory();
}

void LibraryGenerator::generateBooks(Random& random) {
    namespace v = vocabulary;
    const QList<ColumnDef> columns = LibraryTables::bookColumns();
    const int cId = columnIndex(columns, "ID"), cNummer = columnIndex(columns, "Nummer"),
              cVerfasser = columnIndex(columns, "Verfasser"), cTitel = columnIndex(columns, "Titel"),
              cVerlag = columnIndex(columns, "Verlag"), cJahr = columnIndex(columns, "Erscheinungsjahr"),
              cOrt = columnIndex(columns, "Erscheinungsort"), cAuflage = columnIndex(columns, "Auflage"),
              cSachgruppe = columnIndex(columns, "Sachgruppe"), cSignatur = columnIndex(columns, "Signatur"),
              cStandort = columnIndex(columns, "Standort"), cIsbn = columnIndex(columns, "ISBN"),
              cPreis = columnIndex(columns, "Preis"), cBemerkung = columnIndex(columns, "Bemerkung"),
              cAusgeliehen = columnIndex(columns, "ausgeliehen"), cKeyword1 = columnIndex(columns, "Schlagwort1");

    const int start = dayFromDate(m_library.today.addYears(-10));
    const int today = dayFromDate(m_library.today);
    const int weeded = std::max(1, m_sizes.books / 100);
    const int total = m_sizes.books + weeded;

    // The stock at the start of the ten years comes first; later acquisitions follow in order, so IDs
    // rise with the day a book came into the library.
    m_bookAcquired.resize(size_t(total));
    for (qint32& day : m_bookAcquired)
        day = random.chance(0.55) ? start : random.between(start + 1, today - 1);
    std::sort(m_bookAcquired.begin(), m_bookAcquired.end());

    const WeightedChoice surnameChoice = WeightedChoice::zipf(int(v::surnames().size()), 0.7);
    std::vector<QString> authors(static_cast<size_t>(std::max(50, total * 2 / 7)));
    for (QString& a : authors)
        a = makeAuthor(random, surnameChoice);
    const WeightedChoice authorChoice = WeightedChoice::zipf(int(authors.size()), 0.5);
    const WeightedChoice keywordChoice = WeightedChoice::zipf(int(v::keywords().size()), 1.0);
    const WeightedChoice publisherChoice = WeightedChoice::zipf(int(v::publishers().size()), 0.8);
    std::vector<double> groupWeights;
    for (const auto& g : v::subjectGroups())
        groupWeights.push_back(g.weight);
    const WeightedChoice groupChoice(groupWeights);

    m_library.books.assign(size_t(total), Row(size_t(columns.size())));
    for (int i = 0; i < total; ++i) {
        Row& row = m_library.books[size_t(i)];
        const int id = i + 1;
        row[size_t(cId)] = Value::integer(id);
        row[size_t(cNummer)] = Value::integer(random.chance(0.03) ? 100000 + id : 1000 + id);

        const auto& group = v::subjectGroups()[size_t(groupChoice.pick(random))];
        const QString author = authors[size_t(authorChoice.pick(random))];
        row[size_t(cVerfasser)] = random.chance(0.01) ? Value() : text(author);
        row[size_t(cTitel)] = text(makeTitle(random, group.children));

        const auto& publisher = v::publishers()[size_t(publisherChoice.pick(random))];
        if (!random.chance(0.04))
            row[size_t(cVerlag)] = text(utf8(publisher.name));
        if (!random.chance(0.06))
            row[size_t(cOrt)] = text(utf8(random.chance(0.03) ? "Berlin" : publisher.place));

        const int acquiredYear = dateFromDay(m_bookAcquired[size_t(i)]).year();
        const int age = std::min(80, int(-std::log(1.0 - random.unit()) * 6.0));
        const int year = acquiredYear - age;
        if (random.chance(0.01))
            row[size_t(cJahr)] = text(QStringLiteral("o.J."));
        else if (!random.chance(0.04))
            row[size_t(cJahr)] = text(QString::number(year));
        if (random.chance(0.35))
            row[size_t(cAuflage)] = text(utf8(pickFrom(v::editions(), random)));
        if (!random.chance(0.03))
            row[size_t(cSachgruppe)] = text(utf8(group.name));
        if (!random.chance(0.1)) {
            const QString surname = author.section(QLatin1Char(','), 0, 0).left(3);
            row[size_t(cSignatur)] = text(utf8(group.shelfCode) + QLatin1Char(' ') + capitalised(surname.toLower()));
        }
        if (random.chance(0.03))
            row[size_t(cStandort)] = text(QStringLiteral("Magazin"));
        else if (group.children && random.chance(0.7))
            row[size_t(cStandort)] = text(QStringLiteral("Kinderecke"));
        else if (!random.chance(0.05))
            row[size_t(cStandort)] = text(QStringLiteral("Regal %1").arg(random.between(1, 40)));
        if (year >= 1970 && !random.chance(0.06))
            row[size_t(cIsbn)] = text(isbn(random, year, publisher.isbnGroup));
        if (random.chance(0.01)) {
            row[size_t(cPreis)] = Value::money(0.5);
        } else if (!random.chance(0.12)) {
            static const double kCents[] = {0.0, 0.5, 0.9, 0.95, 0.99};
            const double euros =
                std::max(2.0, std::floor(std::exp(std::log(group.children ? 9.0 : 15.0) + 0.5 * random.normal())));
            row[size_t(cPreis)] = Value::money(euros + kCents[random.below(5)]);
        }
        if (random.chance(0.06))
            row[size_t(cBemerkung)] = text(utf8(pickFrom(v::remarks(), random)));
        row[size_t(cAusgeliehen)] = Value::boolean(false);

        // Keywords: most books have a handful, some none, some all ten; common words are much more common.
        const double r = random.unit();
        const int count = r < 0.06   ? 0
                          : r < 0.30 ? random.between(1, 3)
                          : r < 0.75 ? random.between(4, 7)
                                     : random.between(8, 10);
        std::vector<int> chosen;
        while (int(chosen.size()) < count) {
            const int k = keywordChoice.pick(random);
            if (std::find(chosen.begin(), chosen.end(), k) == chosen.end())
                chosen.push_back(k);
        }
        int slots[10] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9};
        if (random.chance(0.05)) {
            for (int s = 9; s > 0; --s)
                std::swap(slots[s], slots[random.below(quint32(s + 1))]);
        }
        for (int s = 0; s < 10; ++s) {
            Value& cell = row[size_t(cKeyword1 + slots[s])];
            if (s < count)
                cell = text(utf8(v::keywords()[size_t(chosen[size_t(s)])]));
            else if (random.chance(0.12))
                cell = Value::text(QByteArray("")); // typed and cleared again: empty text, not null
        }
    }

    // Weeding: a few books, each gone on a day after it had time to be lent.
    m_library.bookWeeded.assign(size_t(total), false);
    m_bookWeededOn.assign(size_t(total), 0);
    int marked = 0;
    while (marked < weeded) {
        const int i = int(random.below(quint32(total)));
        if (m_library.bookWeeded[size_t(i)] || m_bookAcquired[size_t(i)] > today - 400)
            continue;
        m_library.bookWeeded[size_t(i)] = true;
        m_bookWeededOn[size_t(i)] = random.between(m_bookAcquired[size_t(i)] + 200, today - 1);
        ++marked;
    }
}

void LibraryGenerator::generateReaders(Random& random) {
    namespace v = vocabulary;
    const QList<ColumnDef> columns = LibraryTables::readerColumns();
    const int cId = columnIndex(columns, "ID"), cNummer = columnIndex(columns, "Nummer"),
              cVorname = columnIndex(columns, "Vorname"), cNachname = columnIndex(columns, "Nachname"),
              cStrae = columnIndex(columns, "Strae"), cPlz = columnIndex(columns, "PLZ"),
              cOrt = columnIndex(columns, "Ort"), cTelefon = columnIndex(columns, "Telefon"),
              cMail = columnIndex(columns, "eMail"), cSonstiges = columnIndex(columns, "Sonstiges1"),
              cBemerkung = columnIndex(columns, "Bemerkung");

    const int start = dayFromDate(m_library.today.addYears(-10));
    const int today = dayFromDate(m_library.today);
    const int departed = std::max(1, m_sizes.readers / 50);
    const int total = m_sizes.readers + departed;

    m_readerJoined.resize(size_t(total));
    for (qint32& day : m_readerJoined)
        day = random.chance(0.45) ? start : random.between(start + 1, today - 1);
    std::sort(m_readerJoined.begin(), m_readerJoined.end());

    const WeightedChoice surnameChoice = WeightedChoice::zipf(int(v::surnames().size()), 0.7);
    std::vector<double> townWeights;
    for (const auto& t : v::towns())
        townWeights.push_back(t.weight);
    const WeightedChoice townChoice(townWeights);
    const WeightedChoice streetChoice = WeightedChoice::zipf(int(v::streets().size()), 0.6);
    static const char* const kMobile[] = {"0151", "0152", "0157", "0160", "0170", "0171", "0172", "0176", "0179"};
    static const char* const kMailDomains[] = {"example.org", "example.net", "example.com"};
    static const char* const kReaderRemarks[] = {"Ausweis verlängert", "Mahngebühr offen", "liest gern Krimis",
                                                 "Vorbestellung Harry-Reihe"};

    m_library.readers.assign(size_t(total), Row(size_t(columns.size())));
    for (int i = 0; i < total; ++i) {
        Row& row = m_library.readers[size_t(i)];
        const int id = i + 1;
        row[size_t(cId)] = Value::integer(id);
        row[size_t(cNummer)] = Value::integer(random.chance(0.03) ? 5000 + id : id);
        const QString first =
            utf8(random.chance(0.52) ? pickFrom(v::femaleFirstNames(), random) : pickFrom(v::maleFirstNames(), random));
        const QString last = utf8(v::surnames()[size_t(surnameChoice.pick(random))]);
        row[size_t(cVorname)] = text(first);
        row[size_t(cNachname)] = text(last);
        QString street = utf8(v::streets()[size_t(streetChoice.pick(random))]) + QLatin1Char(' ') +
                         QString::number(random.between(1, 120));
        if (random.chance(0.05))
            street += QLatin1Char(random.chance(0.5) ? 'a' : 'b');
        if (!random.chance(0.02))
            row[size_t(cStrae)] = text(street);
        const auto& town = v::towns()[size_t(townChoice.pick(random))];
        row[size_t(cPlz)] = text(utf8(town.postcode));
        row[size_t(cOrt)] = text(utf8(town.name));
        const double phone = random.unit();
        if (phone < 0.25)
            row[size_t(cTelefon)] = text(utf8(pickFrom(kMobile, random)) + QLatin1Char(' ') + digits(random, 7));
        else if (phone < 0.30)
            row[size_t(cTelefon)] = text(utf8(town.areaCode) + QLatin1Char('/') + digits(random, 5));
        else if (phone < 0.80)
            row[size_t(cTelefon)] = text(utf8(town.areaCode) + QLatin1Char(' ') + digits(random, random.between(5, 6)));
        if (random.chance(0.55)) {
            const QString local =
                random.chance(0.6) ? mailName(first) + QLatin1Char('.') + mailName(last)
                                   : mailName(first.left(1)) + mailName(last) + QString::number(random.between(1, 99));
            row[size_t(cMail)] = text(local + QLatin1Char('@') + utf8(pickFrom(kMailDomains, random)));
        }
        if (random.chance(0.15))
            row[size_t(cSonstiges)] = text(utf8(pickFrom(v::readerNotes(), random)));
        if (random.chance(0.03))
            row[size_t(cBemerkung)] = text(utf8(pickFrom(kReaderRemarks, random)));
    }

    // Readers who moved away; the first reader stays for good.
    m_library.readerDeparted.assign(size_t(total), false);
    m_readerLeftOn.assign(size_t(total), 0);
    int marked = 0;
    while (marked < departed) {
        const int i = 1 + int(random.below(quint32(total - 1)));
        if (m_library.readerDeparted[size_t(i)] || m_readerJoined[size_t(i)] > today - 400)
            continue;
        m_library.readerDeparted[size_t(i)] = true;
        m_readerLeftOn[size_t(i)] = random.between(m_readerJoined[size_t(i)] + 150, today - 1);
        ++marked;
    }
}

void LibraryGenerator::generateLoans(Random& random) {
    const QList<ColumnDef> columns = LibraryTables::loanColumns();
    const int cId = columnIndex(columns, "ID"), cBuch = columnIndex(columns, "BuecherID"),
              cLeser = columnIndex(columns, "LeserID"), cVon = columnIndex(columns, "DatumVon"),
              cBis = columnIndex(columns, "DatumBis"), cBemerkung = columnIndex(columns, "Bemerkung"),
              cSoll = columnIndex(columns, "DatumBisSoll");
    const int booksCol = columnIndex(LibraryTables::bookColumns(), "ausgeliehen");

    const int start = dayFromDate(m_library.today.addYears(-10));
    const int today = dayFromDate(m_library.today);
    const int span = today - start;
    const int bookCount = int(m_library.books.size());

    // A book can be lent from the day after it came until the day before it was weeded (or until today).
    const auto books = size_t(bookCount);
    std::vector<int> first(books), last(books), capacity(books);
    std::vector<double> weights(books);
    for (int b = 0; b < bookCount; ++b) {
        first[size_t(b)] = m_bookAcquired[size_t(b)] + 1;
        last[size_t(b)] = m_library.bookWeeded[size_t(b)] ? m_bookWeededOn[size_t(b)] - 2 : today - 1;
        const int days = std::max(0, last[size_t(b)] - first[size_t(b)] + 1);
        capacity[size_t(b)] = days / 12;
        weights[size_t(b)] = std::exp(0.9 * random.normal()) * double(days) / double(span);
    }
    const WeightedChoice bookChoice(weights);
    std::vector<int> count(size_t(bookCount), 0);
    for (int assigned = 0; assigned < m_sizes.loans;) {
        const int b = bookChoice.pick(random);
        if (count[size_t(b)] < capacity[size_t(b)]) {
            ++count[size_t(b)];
            ++assigned;
        }
    }

    std::vector<LoanPlan> plans;
    plans.reserve(size_t(m_sizes.loans));
    for (int b = 0; b < bookCount; ++b) {
        const int n = count[size_t(b)];
        if (n == 0)
            continue;
        // n lending days at least two days apart: sorted offsets, then room for the gaps added back.
        const int room = last[size_t(b)] - first[size_t(b)] + 1 - 2 * (n - 1);
        std::vector<int> offsets(static_cast<size_t>(n));
        for (int& o : offsets)
            o = int(random.below(quint32(room)));
        std::sort(offsets.begin(), offsets.end());
        const bool forgotten = !m_library.bookWeeded[size_t(b)] && random.chance(0.06);
        for (int i = 0; i < n; ++i) {
            LoanPlan p;
            p.book = b + 1;
            p.lent = first[size_t(b)] + offsets[size_t(i)] + 2 * i;
            const double r = random.unit();
            const int duration = r < 0.03   ? random.between(1, 6)
                                 : r < 0.85 ? random.between(7, 35)
                                            : random.between(36, 120);
            int back = p.lent + duration;
            if (i + 1 < n) {
                back = std::min(back, first[size_t(b)] + offsets[size_t(i) + 1] + 2 * (i + 1));
            } else if (m_library.bookWeeded[size_t(b)]) {
                back = std::min(back, m_bookWeededOn[size_t(b)] - 1);
            } else if (forgotten || back >= today) {
                back = -1;
            }
            p.returned = back;
            plans.push_back(p);
        }
    }
    std::sort(plans.begin(), plans.end(), [](const LoanPlan& a, const LoanPlan& b) {
        return a.lent != b.lent ? a.lent < b.lent : a.book < b.book;
    });

    std::vector<double> readerWeights(m_library.readers.size());
    for (double& w : readerWeights)
        w = std::exp(random.normal());
    const WeightedChoice readerChoice(readerWeights);
    for (LoanPlan& p : plans) {
        p.reader = 1;
        for (int attempt = 0; attempt < 64; ++attempt) {
            const int r = readerChoice.pick(random);
            const bool joined = m_readerJoined[size_t(r)] <= p.lent;
            const bool stays =
                !m_library.readerDeparted[size_t(r)] || (p.returned >= 0 && p.returned <= m_readerLeftOn[size_t(r)]);
            if (joined && stays) {
                p.reader = r + 1;
                break;
            }
        }
    }

    m_library.loanPlans = plans;
    m_library.loans.assign(plans.size(), Row(size_t(columns.size())));
    for (size_t i = 0; i < plans.size(); ++i) {
        const LoanPlan& p = plans[i];
        Row& row = m_library.loans[i];
        row[size_t(cId)] = Value::integer(qint32(i + 1));
        row[size_t(cBuch)] = Value::integer(p.book);
        row[size_t(cLeser)] = Value::integer(p.reader);
        row[size_t(cVon)] = Value::date(p.lent);
        if (p.returned >= 0) {
            row[size_t(cBis)] = Value::date(p.returned);
            if (random.chance(0.005))
                row[size_t(cBemerkung)] = text(QStringLiteral("Buch beschädigt zurück"));
        } else {
            row[size_t(cSoll)] = Value::date(p.lent + kLoanPeriodDays);
            m_library.books[size_t(p.book - 1)][size_t(booksCol)] = Value::boolean(true);
        }
    }
}

void LibraryGenerator::buildHistory() {
    std::vector<LibraryEvent>& h = m_library.history;
    h.clear();
    for (size_t i = 0; i < m_library.books.size(); ++i) {
        h.push_back({m_bookAcquired[i], LibraryEvent::AcquireBook, qint32(i + 1)});
        if (m_library.bookWeeded[i])
            h.push_back({m_bookWeededOn[i], LibraryEvent::WeedBook, qint32(i + 1)});
    }
    for (size_t i = 0; i < m_library.readers.size(); ++i) {
        h.push_back({m_readerJoined[i], LibraryEvent::RegisterReader, qint32(i + 1)});
        if (m_library.readerDeparted[i])
            h.push_back({m_readerLeftOn[i], LibraryEvent::Depart, qint32(i + 1)});
    }
    for (size_t i = 0; i < m_library.loanPlans.size(); ++i) {
        const LoanPlan& p = m_library.loanPlans[i];
        h.push_back({p.lent, LibraryEvent::Lend, qint32(i + 1)});
        if (p.returned >= 0)
            h.push_back({p.returned, LibraryEvent::Return, qint32(i + 1)});
    }
    std::sort(h.begin(), h.end(), [](const LibraryEvent& a, const LibraryEvent& b) {
        if (a.day != b.day)
            return a.day < b.day;
        if (a.kind != b.kind)
            return a.kind < b.kind;
        return a.id < b.id;
    });
}

void LibraryGenerator::createTables(Table& books, Table& readers, Table& loans) {
    books.setColumns(LibraryTables::bookColumns());
    readers.setColumns(LibraryTables::readerColumns());
    loans.setColumns(LibraryTables::loanColumns());
    LibraryTables::addLoanLookupFields(loans, books, readers);
    for (Table* t : {&books, &readers, &loans}) {
        t->CreateDataSet();
        t->setIndexFieldNames(QStringLiteral("ID")); // the sort order of a fresh installation
    }
}

namespace {

// Field index of each stored column (lookup fields stand between the stored ones in the loan table).
std::vector<int> fieldMap(const Table& table) {
    std::vector<int> map;
    for (const ColumnDef& c : table.columns())
        map.push_back(table.fieldIndex(c.name));
    return map;
}

void appendRow(Table& table, const std::vector<int>& map, const Row& row) {
    table.Append();
    for (size_t c = 0; c < row.size(); ++c) {
        if (!row[c].isNull())
            table.field(map[c]).setValue(row[c]);
    }
    table.Post();
}

void locateId(Table& table, int idField, qint32 id) {
    if (!table.Locate(QStringLiteral("ID"), {QVariant(id)}) || table.field(idField).AsInteger() != id)
        throw std::runtime_error(table.name().toStdString() + ": Locate of ID " + std::to_string(id) + " failed");
}

} // namespace

void LibraryGenerator::fillCurrent(Table& books, Table& readers, Table& loans) const {
    const std::vector<int> bookMap = fieldMap(books), readerMap = fieldMap(readers), loanMap = fieldMap(loans);
    for (size_t i = 0; i < m_library.books.size(); ++i) {
        if (!m_library.bookWeeded[i])
            appendRow(books, bookMap, m_library.books[i]);
    }
    for (size_t i = 0; i < m_library.readers.size(); ++i) {
        if (!m_library.readerDeparted[i])
            appendRow(readers, readerMap, m_library.readers[i]);
    }
    for (const Row& row : m_library.loans)
        appendRow(loans, loanMap, row);
}

void LibraryGenerator::replayHistory(Table& books, Table& readers, Table& loans) const {
    const std::vector<int> bookMap = fieldMap(books), readerMap = fieldMap(readers), loanMap = fieldMap(loans);
    const int bookId = books.fieldIndex(QStringLiteral("ID")), readerId = readers.fieldIndex(QStringLiteral("ID")),
              loanId = loans.fieldIndex(QStringLiteral("ID"));
    const int lentFlag = books.fieldIndex(QStringLiteral("ausgeliehen"));
    const int fBuch = loans.fieldIndex(QStringLiteral("BuecherID")),
              fLeser = loans.fieldIndex(QStringLiteral("LeserID")), fVon = loans.fieldIndex(QStringLiteral("DatumVon")),
              fBis = loans.fieldIndex(QStringLiteral("DatumBis")),
              fSoll = loans.fieldIndex(QStringLiteral("DatumBisSoll")),
              fBemerkung = loans.fieldIndex(QStringLiteral("Bemerkung"));
    const int cBemerkung = columnIndex(LibraryTables::loanColumns(), "Bemerkung");
    const int cAusgeliehen = columnIndex(LibraryTables::bookColumns(), "ausgeliehen");

    auto setLent = [&](qint32 id, bool lent) {
        locateId(books, bookId, id);
        books.Edit();
        books.field(lentFlag).setValue(Value::boolean(lent));
        books.Post();
    };

    for (const LibraryEvent& e : m_library.history) {
        switch (e.kind) {
        case LibraryEvent::AcquireBook: {
            Row row = m_library.books[size_t(e.id - 1)];
            row[size_t(cAusgeliehen)] = Value::boolean(false);
            appendRow(books, bookMap, row);
            break;
        }
        case LibraryEvent::RegisterReader:
            appendRow(readers, readerMap, m_library.readers[size_t(e.id - 1)]);
            break;
        case LibraryEvent::Lend: {
            const LoanPlan& p = m_library.loanPlans[size_t(e.id - 1)];
            loans.Append();
            loans.field(loanId).setValue(Value::integer(e.id));
            loans.field(fBuch).setValue(Value::integer(p.book));
            loans.field(fLeser).setValue(Value::integer(p.reader));
            loans.field(fVon).setValue(Value::date(p.lent));
            loans.field(fSoll).setValue(Value::date(p.lent + kLoanPeriodDays));
            loans.Post();
            setLent(p.book, true);
            break;
        }
        case LibraryEvent::Return: {
            const LoanPlan& p = m_library.loanPlans[size_t(e.id - 1)];
            locateId(loans, loanId, e.id);
            loans.Edit();
            loans.field(fBis).setValue(Value::date(p.returned));
            loans.field(fSoll).Clear();
            const Value& remark = m_library.loans[size_t(e.id - 1)][size_t(cBemerkung)];
            if (!remark.isNull())
                loans.field(fBemerkung).setValue(remark);
            loans.Post();
            setLent(p.book, false);
            break;
        }
        case LibraryEvent::WeedBook:
            locateId(books, bookId, e.id);
            books.Delete();
            break;
        case LibraryEvent::Depart:
            locateId(readers, readerId, e.id);
            readers.Delete();
            break;
        }
    }
}

} // namespace lesaro::bench
