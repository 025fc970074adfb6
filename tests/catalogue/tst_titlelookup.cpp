#include "SruFixtures.h"
#include "SruResponder.h"
#include "catalogue/sru/TitleLookup.h"

#include <QUrlQuery>
#include <QtTest>
#include <optional>

using namespace lesaro;
using namespace lesaro::testing;
using namespace lesaro::testing::sru;
using Outcome = TitleLookup::Outcome;

// The lookup over HTTP against a local responder: what is sent, what comes back, and every way a service
// can fail the librarian.
class TitleLookupTest : public QObject {
    Q_OBJECT

    std::unique_ptr<SruResponder> m_responder;
    std::unique_ptr<TitleLookup> m_lookup;
    std::optional<TitleLookup::Result> m_result;

    SruService service(const QString& path = QStringLiteral("/sru/dnb")) {
        return {m_responder->address(path), QStringLiteral("num")};
    }
    // Starts a lookup and waits for its end; no test depends on how long it takes.
    TitleLookup::Result lookup(const QList<SruService>& services,
                               const QString& isbn = QStringLiteral("9783161484100")) {
        m_result.reset();
        m_lookup->start(services, isbn);
        if (!QTest::qWaitFor([this] { return m_result.has_value(); }, 60000))
            qFatal("lookup never ended");
        return *m_result;
    }

private Q_SLOTS:
    void init() {
        m_responder = std::make_unique<SruResponder>();
        m_lookup = std::make_unique<TitleLookup>();
        connect(m_lookup.get(), &TitleLookup::finished, this, [this](const TitleLookup::Result& r) {
            QVERIFY(!m_result.has_value()); // one end per lookup
            m_result = r;
        });
    }
    void cleanup() {
        m_lookup.reset();
        m_responder.reset();
    }

    void oneHitAndOnlyTheIsbnIsSent() {
        m_responder->answer(response({novel()}));
        const TitleLookup::Result r = lookup({service()}, QStringLiteral("978-3-16-148410-0"));
        QCOMPARE(r.outcome, Outcome::Found);
        QCOMPARE(r.records.size(), 1);
        QCOMPARE(r.records.first().title, QStringLiteral("Die Stadt am Fluss : Roman"));
        QCOMPARE(m_responder->requests().size(), 1);
        const QUrl url = m_responder->lastUrl();
        QCOMPARE(url.path(), QStringLiteral("/sru/dnb"));
        QCOMPARE(QUrlQuery(url).queryItemValue(QStringLiteral("query"), QUrl::FullyDecoded),
                 QStringLiteral("num=9783161484100"));
        // Nothing but the request line and plain protocol headers: no cookie, no referrer, no system details.
        const QList<QByteArray> lines = m_responder->requests().first().split('\n');
        const QList<QByteArray> allowed{"host",       "accept",        "accept-language", "accept-encoding",
                                        "user-agent", "cache-control", "pragma",          "connection"};
        for (const QByteArray& raw : lines.mid(1)) {
            const QByteArray line = raw.trimmed();
            const QByteArray name = line.left(line.indexOf(':')).trimmed().toLower();
            QVERIFY2(allowed.contains(name), line.constData());
            if (name == "accept-language" || name == "user-agent")
                QVERIFY2(line.endsWith(": de") || line.endsWith(": Lesaro"), line.constData());
        }
    }

    void twoHitsAndNone() {
        m_responder->answer(response({novel(), novel()}));
        QCOMPARE(lookup({service()}).records.size(), 2);
        m_responder->answer(response({}));
        const TitleLookup::Result none = lookup({service()});
        QCOMPARE(none.outcome, Outcome::NothingFound);
        QCOMPARE(none.message, QStringLiteral("Zu dieser ISBN wurde nichts gefunden."));
    }

    void failures_data() {
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QByteArray>("location");
        QTest::addColumn<qint64>("stream");
        QTest::addColumn<QString>("message");
        QTest::newRow("HTTP 500") << 500 << QByteArray("<html>Fehler</html>") << QByteArray() << qint64(0)
                                  << "HTTP-Fehler 500";
        QTest::newRow("HTTP 404") << 404 << QByteArray() << QByteArray() << qint64(0) << "HTTP-Fehler 404";
        QTest::newRow("malformed XML") << 200 << QByteArray("<searchRetrieveResponse><records><record>") << QByteArray()
                                       << qint64(0) << "kein gültiges XML";
        QTest::newRow("redirect to another host")
            << 302 << QByteArray() << QByteArray("http://localhost:1/sru/dnb") << qint64(0) << "anderen Rechner";
        QTest::newRow("over 5 MB without a stated length")
            << 200 << QByteArray() << QByteArray() << qint64(6 * 1024 * 1024) << "größer als 5 MB";
    }
    void failures() {
        QFETCH(int, status);
        QFETCH(QByteArray, body);
        QFETCH(QByteArray, location);
        QFETCH(qint64, stream);
        QFETCH(QString, message);
        SruResponder::Reply reply{status, "Status", body, {}};
        if (!location.isEmpty())
            reply.headers << std::pair<QByteArray, QByteArray>{"Location", location};
        reply.streamBytes = stream;
        m_responder->setReply(reply);
        const TitleLookup::Result r = lookup({service()});
        QCOMPARE(r.outcome, Outcome::Failed);
        QVERIFY(r.records.isEmpty());
        QVERIFY2(r.message.contains(message), qPrintable(r.message));
        QCOMPARE(m_responder->requests().size(), 1); // the redirect was not followed
    }

    void statedLengthOverTheLimitIsRefused() {
        SruResponder::Reply reply;
        reply.headers << std::pair<QByteArray, QByteArray>{"Content-Length", "6000000"};
        reply.streamBytes = 6000000;
        m_responder->setReply(reply);
        const TitleLookup::Result r = lookup({service()});
        QCOMPARE(r.outcome, Outcome::Failed);
        QVERIFY2(r.message.contains(QStringLiteral("größer als 5 MB")), qPrintable(r.message));
    }

    void redirectOnTheSameHostIsFollowed() {
        SruResponder::Reply moved{301, "Moved", {}, {{"Location", m_responder->address("/neu").toLatin1()}}};
        m_responder->setReplyFor(QStringLiteral("/sru/dnb"), moved);
        m_responder->answer(response({novel()}));
        QCOMPARE(lookup({service()}).outcome, Outcome::Found);
        QCOMPARE(m_responder->requests().size(), 2);
        QCOMPARE(m_responder->lastUrl().path(), QStringLiteral("/neu"));
    }

    void serviceThatNeverAnswersTimesOut() {
        m_responder->hang();
        m_lookup->setTimeout(200);
        const TitleLookup::Result r = lookup({service()});
        QCOMPARE(r.outcome, Outcome::Failed);
        QVERIFY2(r.message.contains(QStringLiteral("nicht rechtzeitig")), qPrintable(r.message));
        QVERIFY(!m_lookup->running());
    }

    void cancelWhileWaiting() {
        m_responder->hang();
        m_result.reset();
        m_lookup->start({service()}, QStringLiteral("9783161484100"));
        QVERIFY(m_lookup->running());
        QTRY_COMPARE(m_responder->requests().size(), 1);
        m_lookup->cancel();
        QVERIFY(m_result.has_value());
        QCOMPARE(m_result->outcome, Outcome::Cancelled);
        QVERIFY(!m_lookup->running());
        // Nothing more arrives for the cancelled lookup.
        m_result.reset();
        QTest::qWait(50);
        QVERIFY(!m_result.has_value());
    }

    void serviceOfflineGivesAGermanMessage() {
        quint16 closedPort = 0;
        {
            QTcpServer probe;
            QVERIFY(probe.listen(QHostAddress::LocalHost));
            closedPort = probe.serverPort();
        }
        const TitleLookup::Result r =
            lookup({{QStringLiteral("http://127.0.0.1:%1/sru").arg(closedPort), QStringLiteral("num")}});
        QCOMPARE(r.outcome, Outcome::Failed);
        QVERIFY2(r.message.contains(QStringLiteral("nicht erreichbar")), qPrintable(r.message));
    }

    // The second service is asked when the first finds nothing or fails; a failure of the first is reported
    // only when the second finds nothing either.
    void secondServiceAfterTheFirst() {
        SruResponder second;
        second.answer(response({novel()}));
        m_responder->answer(response({}));
        const SruService other{second.address(), QStringLiteral("isbn")};
        QCOMPARE(lookup({service(), other}).outcome, Outcome::Found);
        QCOMPARE(QUrlQuery(second.lastUrl()).queryItemValue(QStringLiteral("query")),
                 QStringLiteral("isbn=9783161484100"));

        m_responder->setReply(SruResponder::Reply{500, "Internal Server Error", {}, {}});
        QCOMPARE(lookup({service(), other}).outcome, Outcome::Found);
        second.answer(response({}));
        const TitleLookup::Result r = lookup({service(), other});
        QCOMPARE(r.outcome, Outcome::Failed);
        QVERIFY(r.message.contains(QStringLiteral("500")));
    }

    void noServiceOrBadAddress() {
        QCOMPARE(lookup({}).outcome, Outcome::Failed);
        const TitleLookup::Result r = lookup({{QStringLiteral("nur ein Wort"), QStringLiteral("num")}});
        QCOMPARE(r.outcome, Outcome::Failed);
        QVERIFY2(r.message.contains(QStringLiteral("keine gültige")), qPrintable(r.message));
        QVERIFY(m_responder->requests().isEmpty());
    }
};

QTEST_GUILESS_MAIN(TitleLookupTest)
#include "tst_titlelookup.moc"
