#include "printing/rules/MahnLetters.h"

#include "core/GermanLocale.h"
#include "library/OverdueLoans.h"
#include "settings/INI.h"

#include <algorithm>

namespace lesaro::printing {

QString MahnReader::name() const {
    return (vorname.trimmed() + QLatin1Char(' ') + nachname.trimmed()).trimmed();
}

bool MahnReader::hasAddress() const {
    return !strasse.trimmed().isEmpty() || !ort.trimmed().isEmpty();
}

QStringList MahnReader::addressLines() const {
    QStringList lines{name()};
    if (!hasAddress())
        return lines;
    if (!strasse.trimmed().isEmpty())
        lines.append(strasse.trimmed());
    const QString town = (plz.trimmed() + QLatin1Char(' ') + ort.trimmed()).trimmed();
    if (!town.isEmpty())
        lines.append(town);
    return lines;
}

MahnCollection collectOverdue(Table& loans, Table& books, Table& readers, QDate today) {
    MahnCollection result;
    // The selection comes ordered by reader, so a reader's loans stand together.
    for (const OverdueLoan& loan : OverdueLoans::select(loans, books, readers, today)) {
        if (!loan.readerKnown) {
            ++result.loansWithoutReader;
            continue;
        }
        if (result.readers.isEmpty() || result.readers.last().id != loan.readerId) {
            MahnReader r;
            r.id = loan.readerId;
            r.vorname = loan.vorname;
            r.nachname = loan.nachname;
            r.strasse = loan.strasse;
            r.plz = loan.plz;
            r.ort = loan.ort;
            result.readers.append(r);
        }
        result.readers.last().books.append(MahnBook{loan.buchNummer, loan.verfasser, loan.titel, loan.due});
    }
    return result;
}

const QString MahnTexts::SenderSetting = QStringLiteral("MahnAbsender");
const QString MahnTexts::BodySetting = QStringLiteral("MahnText");
const QString MahnTexts::ClosingSetting = QStringLiteral("MahnGruss");

MahnTexts MahnTexts::defaults() {
    // No made-up address: a return line that names a street the library is not in would send the letters
    // that cannot be delivered somewhere else. The library enters its own in the options.
    return {QStringLiteral("Ihre Bücherei"),
            QStringLiteral("die unten genannten Bücher haben Sie bei uns ausgeliehen; ihre Leihfrist ist abgelaufen. "
                           "Bitte bringen Sie die Bücher in den nächsten Tagen zurück oder lassen Sie die Leihfrist "
                           "bei uns verlängern.\n"
                           "Sollten Sie die Bücher inzwischen zurückgegeben haben, betrachten Sie dieses Schreiben "
                           "bitte als gegenstandslos."),
            QStringLiteral("Mit freundlichen Grüßen\n\nIhr Büchereiteam")};
}

namespace {
// The store keeps one line per value; line breaks travel as "\n", a backslash as "\\".
QString encodeLines(const QString& text) {
    QString out = text;
    out.replace(QLatin1Char('\\'), QLatin1String("\\\\"));
    out.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    out.replace(QLatin1Char('\n'), QLatin1String("\\n"));
    return out;
}
QString decodeLines(const QString& stored) {
    QString out;
    for (qsizetype i = 0; i < stored.size(); ++i) {
        if (stored[i] == QLatin1Char('\\') && i + 1 < stored.size()) {
            const QChar next = stored[++i];
            out += next == QLatin1Char('n') ? QChar(QLatin1Char('\n')) : next;
        } else {
            out += stored[i];
        }
    }
    return out;
}
} // namespace

MahnTexts MahnTexts::load() {
    const MahnTexts d = defaults();
    const auto read = [](const QString& name, const QString& fallback) {
        const QString stored = decodeLines(INI::ReadSettingString(name));
        return stored.trimmed().isEmpty() ? fallback : stored;
    };
    return {read(SenderSetting, d.sender), read(BodySetting, d.body), read(ClosingSetting, d.closing)};
}

void MahnTexts::save() const {
    INI::WriteSettingString(SenderSetting, encodeLines(sender));
    INI::WriteSettingString(BodySetting, encodeLines(body));
    INI::WriteSettingString(ClosingSetting, encodeLines(closing));
}

const QString MahnLayout::Family = QStringLiteral("Arial");

MahnLayout::MahnLayout(MahnTexts texts, QDate date, TextMeasurer& measurer)
    : m_texts(std::move(texts))
    , m_date(date)
    , m_measurer(measurer) {}

int MahnLayout::mm(double millimetres) const {
    return roundHalfEven(millimetres * m_page.dpi / 25.4);
}

QString MahnLayout::elide(const QString& text, int cellHeight, int width) {
    if (m_measurer.textWidth(Family, cellHeight, text) <= width)
        return text;
    const QString ellipsis = QStringLiteral("…");
    QString cut = text;
    while (!cut.isEmpty() && m_measurer.textWidth(Family, cellHeight, cut + ellipsis) > width)
        cut.chop(1);
    return cut.trimmed() + ellipsis;
}

QStringList MahnLayout::wrap(const QString& text, int cellHeight, int width) {
    QStringList lines;
    for (const QString& paragraph : text.split(QLatin1Char('\n'))) {
        QString line;
        for (const QString& word : paragraph.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
            const QString candidate = line.isEmpty() ? word : line + QLatin1Char(' ') + word;
            if (line.isEmpty() || m_measurer.textWidth(Family, cellHeight, candidate) <= width) {
                line = candidate;
            } else {
                lines.append(line);
                line = word;
            }
        }
        // A word longer than the line is cut rather than run off the paper.
        lines.append(elide(line, cellHeight, width));
    }
    return lines;
}

QList<MahnLaidPage> MahnLayout::layout(const QList<MahnReader>& readers, const MahnPage& page) {
    m_page = page;
    if (m_page.dpi <= 0)
        m_page.dpi = 300;
    QList<MahnLaidPage> pages;
    for (int i = 0; i < readers.size(); ++i)
        layoutReader(readers[i], i, pages);
    return pages;
}

void MahnLayout::layoutReader(const MahnReader& reader, int index, QList<MahnLaidPage>& pages) {
    const int left = mm(25);
    const int right = std::max(left + mm(60), m_page.width - mm(20));
    const int bottom = m_page.height - mm(22);
    const int body = mm(4.6), small = mm(2.9), table = mm(4.2);
    const int line = mm(5.2), rowPitch = mm(5.4);

    const qsizetype first = pages.size();
    MahnLaidPage current;
    current.reader = index;
    auto add = [&](int x, int y, int cell, const QString& text, int book = -1) {
        MahnItem item;
        item.x = x;
        item.y = y;
        item.cellHeight = cell;
        item.text = text;
        item.book = book;
        current.items.append(item);
    };
    auto rule = [&](int x1, int x2, int y) {
        MahnItem item;
        item.kind = MahnItem::Kind::Rule;
        item.x = x1;
        item.x2 = x2;
        item.y = y;
        current.items.append(item);
    };

    // The folding marks of the window envelope and the punch mark, at the left edge.
    for (const double at : {105.0, 148.5, 210.0})
        rule(mm(4), mm(at == 148.5 ? 10 : 8), mm(at));

    // The address field: the return line at its top, then the address from 17.7 mm down.
    const int fieldLeft = mm(20), fieldTop = mm(45);
    add(fieldLeft + mm(5), fieldTop + mm(1.5), small, elide(m_texts.sender, small, mm(80)));
    rule(fieldLeft + mm(5), fieldLeft + mm(80), fieldTop + mm(5));
    int y = fieldTop + mm(17.7);
    for (const QString& l : reader.addressLines()) {
        add(fieldLeft + mm(5), y, body, elide(l, body, mm(75)));
        y += mm(4.5);
    }

    const QString date = GermanLocale::formatDate(m_date);
    add(right - m_measurer.textWidth(Family, body, date), mm(98.5), body, date);
    add(left, mm(108), body, QStringLiteral("Erinnerung: Rückgabe überfälliger Bücher"));
    y = mm(120);
    const QString salutation =
        reader.name().isEmpty() ? QStringLiteral("Guten Tag,") : QStringLiteral("Guten Tag %1,").arg(reader.name());
    for (const QString& l : wrap(salutation, body, right - left)) {
        add(left, y, body, l);
        y += line;
    }
    auto newPage = [&] {
        pages.append(current);
        current = MahnLaidPage{};
        current.reader = index;
        y = mm(25);
        add(left, y, body,
            elide(QStringLiteral("Erinnerung an %1 (Fortsetzung)").arg(reader.name()), body, right - left));
        y += 2 * line;
    };

    y += line;
    // A long letter text runs on to the next page rather than off the paper.
    for (const QString& l : wrap(m_texts.body, body, right - left)) {
        if (y + line > bottom)
            newPage();
        add(left, y, body, l);
        y += line;
    }
    y += line;

    const int colNummer = left, colVerfasser = left + mm(22), colTitel = left + mm(70);
    const int colDue = right - std::max(m_measurer.textWidth(Family, table, QStringLiteral("00.00.0000")),
                                        m_measurer.textWidth(Family, table, QStringLiteral("fällig seit")));
    auto tableHead = [&] {
        add(colNummer, y, table, QStringLiteral("Nummer"));
        add(colVerfasser, y, table, QStringLiteral("Verfasser"));
        add(colTitel, y, table, QStringLiteral("Titel"));
        add(colDue, y, table, QStringLiteral("fällig seit"));
        y += rowPitch;
        rule(left, right, y - mm(0.8));
    };
    const QStringList closing = m_texts.closing.split(QLatin1Char('\n'));
    const int closingHeight = line + int(closing.size()) * line;
    if (!reader.books.isEmpty() && y + 2 * rowPitch > bottom)
        newPage();
    tableHead();
    for (int b = 0; b < reader.books.size(); ++b) {
        if (y + rowPitch > bottom) {
            newPage();
            tableHead();
        }
        const MahnBook& book = reader.books[b];
        add(colNummer, y, table, elide(book.nummer, table, colVerfasser - colNummer - mm(2)), b);
        add(colVerfasser, y, table, elide(book.verfasser, table, colTitel - colVerfasser - mm(2)), b);
        add(colTitel, y, table, elide(book.titel, table, colDue - colTitel - mm(2)), b);
        add(colDue, y, table, GermanLocale::formatDate(book.due), b);
        y += rowPitch;
    }
    if (y + closingHeight > bottom)
        newPage();
    y += line;
    for (const QString& l : closing) {
        if (y + line > bottom)
            newPage();
        add(left, y, body, elide(l, body, right - left));
        y += line;
    }
    pages.append(current);

    const int count = int(pages.size() - first);
    for (int p = 0; p < count; ++p) {
        MahnLaidPage& laid = pages[first + p];
        laid.pageOfLetter = p + 1;
        laid.pagesOfLetter = count;
        if (count > 1) {
            const QString footer = QStringLiteral("Seite %1 von %2").arg(p + 1).arg(count);
            MahnItem item;
            item.x = right - m_measurer.textWidth(Family, small, footer);
            item.y = m_page.height - mm(15);
            item.cellHeight = small;
            item.text = footer;
            laid.items.append(item);
        }
    }
}

void MahnLayout::draw(ListCanvas& canvas, const MahnLaidPage& page) {
    int font = -1;
    canvas.setPenWidth(0);
    for (const MahnItem& item : page.items) {
        if (item.kind == MahnItem::Kind::Rule) {
            canvas.horizontalLine(item.x, item.x2, item.y);
            continue;
        }
        if (item.cellHeight != font) {
            font = item.cellHeight;
            canvas.setFont(Family, font);
        }
        canvas.textOut(item.x, item.y, TextAlign::LeftTop, item.text);
    }
}

} // namespace lesaro::printing
