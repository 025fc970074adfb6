// The exported page in a real browser: headless Chromium opens it from the folder (file://) with a search in
// the address, and the test reads the page as the browser built it. The hits are the books a plain
// computation finds, hostile titles stay text, and the availability is the one exported.

#include "CatalogueBooks.h"
#include "core/GermanLocale.h"
#include "core/Win1252.h"
#include "readercatalogue/rules/CatalogueText.h"
#include "readercatalogue/rules/ReaderCatalogue.h"
#include "support/RulesLibrary.h"

#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>
#include <algorithm>

using namespace lesaro;
using namespace lesaro::catalogue_test;

namespace {

QString unescaped(QString html) {
    html.replace(QLatin1String("&lt;"), QLatin1String("<"));
    html.replace(QLatin1String("&gt;"), QLatin1String(">"));
    html.replace(QLatin1String("&quot;"), QLatin1String("\""));
    html.replace(QLatin1String("&nbsp;"), QString(QChar(0xA0)));
    html.replace(QLatin1String("&amp;"), QLatin1String("&"));
    return html;
}

// The rows of the result table, each as its cells' texts.
QList<QStringList> resultRows(const QString& dom) {
    const qsizetype start = dom.indexOf(QLatin1String("<tbody id=\"treffer\">"));
    const qsizetype end = dom.indexOf(QLatin1String("</tbody>"), start);
    if (start < 0 || end < 0)
        return {};
    const QString body = dom.mid(start, end - start);
    static const QRegularExpression row(QStringLiteral("<tr>(.*?)</tr>"));
    static const QRegularExpression cell(QStringLiteral("<td[^>]*>(.*?)</td>"));
    QList<QStringList> rows;
    for (auto r = row.globalMatch(body); r.hasNext();) {
        QStringList cells;
        const QString inner = r.next().captured(1);
        for (auto c = cell.globalMatch(inner); c.hasNext();)
            cells.append(unescaped(c.next().captured(1)));
        rows.append(cells);
    }
    return rows;
}

QString textOf(const QString& dom, const QString& id) {
    const QRegularExpression e(QStringLiteral("id=\"%1\"[^>]*>(.*?)</").arg(id));
    return unescaped(e.match(dom).captured(1));
}

bool authorTitleLess(const Book& a, const Book& b) {
    if (a.verfasser.isEmpty() != b.verfasser.isEmpty())
        return b.verfasser.isEmpty();
    const QByteArray ka = GermanLocale::sortKey(win1252::encode(a.verfasser));
    const QByteArray kb = GermanLocale::sortKey(win1252::encode(b.verfasser));
    if (ka != kb)
        return ka < kb;
    return GermanLocale::sortKey(win1252::encode(a.titel)) < GermanLocale::sortKey(win1252::encode(b.titel));
}

// The search as plainly as it can be said: every word of the query, folded, stands somewhere in the folded
// author, title, keywords or subject group.
QStringList expectedTitles(const QList<Book>& books, const QString& query, const QString& sachgruppe,
                           const QString& standort, bool byTitle) {
    QList<Book> hits;
    const QStringList words = CatalogueText::folded(query).split(QLatin1Char(' '), Qt::SkipEmptyParts);
    for (const Book& b : books) {
        if (!sachgruppe.isEmpty() && b.sachgruppe != sachgruppe)
            continue;
        if (!standort.isEmpty() && b.standort != standort)
            continue;
        const QString hay =
            CatalogueText::folded(b.verfasser + QLatin1Char('|') + b.titel + QLatin1Char('|') +
                                  b.schlagwoerter.join(QLatin1Char('|')) + QLatin1Char('|') + b.sachgruppe);
        if (std::all_of(words.begin(), words.end(), [&](const QString& w) { return hay.contains(w); }))
            hits.append(b);
    }
    std::stable_sort(hits.begin(), hits.end(), authorTitleLess);
    if (byTitle)
        std::stable_sort(hits.begin(), hits.end(), [](const Book& a, const Book& b) {
            return GermanLocale::sortKey(win1252::encode(a.titel)) < GermanLocale::sortKey(win1252::encode(b.titel));
        });
    QStringList titles;
    for (const Book& b : hits)
        titles.append(b.titel);
    return titles;
}

} // namespace

class tst_CatalogueBrowser : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;
    QString m_browser;
    QString m_page;
    QList<Book> m_books;

    QString dom(const QString& fragment) {
        QProcess p;
        QUrl url = QUrl::fromLocalFile(m_page);
        url.setFragment(fragment, QUrl::TolerantMode);
        p.start(m_browser,
                {QStringLiteral("--headless"), QStringLiteral("--no-sandbox"), QStringLiteral("--disable-gpu"),
                 QStringLiteral("--user-data-dir=") + m_dir.filePath(QStringLiteral("profil")),
                 QStringLiteral("--dump-dom"), QString::fromLatin1(url.toEncoded())});
        if (!p.waitForFinished(120000) || p.exitStatus() != QProcess::NormalExit)
            qWarning() << "Chromium:" << p.readAllStandardError();
        return QString::fromUtf8(p.readAllStandardOutput());
    }

    // The result table's titles (second column) in page order.
    static QStringList titles(const QList<QStringList>& rows) {
        QStringList t;
        for (const QStringList& r : rows)
            t.append(r.value(1));
        return t;
    }

private Q_SLOTS:
    void initTestCase() {
        GermanLocale::install();
        for (const char* name : {"chromium", "chromium-browser", "google-chrome"}) {
            m_browser = QStandardPaths::findExecutable(QString::fromLatin1(name));
            if (!m_browser.isEmpty())
                break;
        }
        if (m_browser.isEmpty())
            QSKIP("Chromium is not installed.");
        testing::RulesLibrary lib;
        m_books = fixtureBooks();
        addFixture(lib.books(), lib.readers(), lib.loans(), m_books);
        const QString folder = m_dir.filePath(QStringLiteral("Leserkatalog"));
        exportReaderCatalogue(lib.books(), lib.loans(), CatalogueChoice::defaults(), folder, Today);
        m_page = folder + QStringLiteral("/index.html");
    }

    void wholeCatalogueIsTextAndAvailability() {
        const QString page = dom({});
        QVERIFY2(page.contains(QLatin1String("id=\"treffer\"")), qPrintable(page.left(2000)));
        // Only the page's own two scripts; no element came out of a title.
        QCOMPARE(page.count(QLatin1String("<script")), 2);
        QVERIFY(!page.contains(QLatin1String("<img")));
        QVERIFY(!page.contains(QLatin1String("<b>")));
        QVERIFY(page.contains(QStringLiteral("<title>Bücherkatalog</title>")));
        QCOMPARE(textOf(page, QStringLiteral("stand")), QStringLiteral("Stand: 11.12.2026 · 11 Bücher"));
        QCOMPARE(textOf(page, QStringLiteral("anzahl")), QStringLiteral("11 Treffer"));

        const QList<QStringList> rows = resultRows(page);
        QCOMPARE(titles(rows), expectedTitles(m_books, {}, {}, {}, false));
        for (const QStringList& r : rows) {
            // Verfasser, Titel, Erscheinungsjahr, Sachgruppe, Schlagwörter, Signatur, Standort, Verfügbarkeit
            QCOMPARE(r.size(), 8);
            const Book& b =
                *std::find_if(m_books.begin(), m_books.end(), [&](const Book& x) { return x.titel == r[1]; });
            QCOMPARE(r[0], b.verfasser);
            QCOMPARE(r[3], b.sachgruppe);
            QCOMPARE(r[4], b.schlagwoerter.join(QStringLiteral(", ")));
            QCOMPARE(r[6], b.standort);
            const QString availability =
                b.due.isValid() ? QStringLiteral("ausgeliehen, zurück bis ") + GermanLocale::formatDate(b.due)
                : b.lent        ? QStringLiteral("ausgeliehen")
                                : QStringLiteral("verfügbar");
            QCOMPARE(r[7], availability);
        }
        // The filters offer the groups and places of the books.
        QVERIFY(page.contains(QLatin1String("<option value=\"Krimi &amp; Co\">Krimi &amp; Co</option>")));
        QVERIFY(page.contains(QLatin1String("<option value=\"&quot;>&lt;b>fett&lt;/b>\">")) ||
                page.contains(QLatin1String("<option value=\"&quot;&gt;&lt;b&gt;fett&lt;/b&gt;\">")));
    }

    void searches_data() {
        QTest::addColumn<QString>("query");
        QTest::addColumn<QString>("sachgruppe");
        QTest::addColumn<QString>("standort");
        QTest::addColumn<bool>("byTitle");
        QTest::newRow("müller in any case and spelling") << QStringLiteral("müller") << QString() << QString() << false;
        QTest::newRow("words in any order, filtered")
            << QStringLiteral("KINDER muller") << QStringLiteral("Roman") << QStringLiteral("Regal A") << false;
        QTest::newRow("hostile text as a search, by title")
            << QStringLiteral("<script>") << QString() << QString() << true;
        QTest::newRow("group and place by title")
            << QString() << QStringLiteral("Technik") << QStringLiteral("Keller") << true;
    }

    void searches() {
        QFETCH(QString, query);
        QFETCH(QString, sachgruppe);
        QFETCH(QString, standort);
        QFETCH(bool, byTitle);
        QStringList parts;
        auto add = [&](const char* key, const QString& value) {
            if (!value.isEmpty())
                parts.append(QString::fromLatin1(key) + QLatin1Char('=') +
                             QString::fromLatin1(QUrl::toPercentEncoding(value)));
        };
        add("q", query);
        add("sachgruppe", sachgruppe);
        add("standort", standort);
        if (byTitle)
            parts.append(QStringLiteral("sortierung=titel"));
        const QString page = dom(parts.join(QLatin1Char('&')));
        const QStringList expected = expectedTitles(m_books, query, sachgruppe, standort, byTitle);
        QVERIFY(!expected.isEmpty());
        QCOMPARE(titles(resultRows(page)), expected);
        QCOMPARE(page.count(QLatin1String("<script")), 2);
    }
};

QTEST_GUILESS_MAIN(tst_CatalogueBrowser)
#include "tst_CatalogueBrowser.moc"
