// The scoped pause of the data sources' controls around bulk work.
#include "core/EngineError.h"
#include "core/LibraryTables.h"
#include "core/Table.h"
#include "support/UiFixture.h"
#include "ui/DataSource.h"

#include <QtTest>

using namespace lesaro;
using namespace lesaro::testing;

class ControlsDisabledTest : public QObject {
    Q_OBJECT

    Table m_books{QStringLiteral("ClientBuecher")};
    Table m_readers{QStringLiteral("ClientLeser")};
    Table m_loans{QStringLiteral("ClientAusleihe")};
    std::unique_ptr<DataSource> m_dataBuecher;
    std::unique_ptr<DataSource> m_dataLeser;
    std::unique_ptr<DataSource> m_dataAusleihe;
    QStringList m_log; // "Leser aus", "Leser an", … in the order the sources told their controls

    QList<DataSource*> all() const { return {m_dataBuecher.get(), m_dataLeser.get(), m_dataAusleihe.get()}; }

private Q_SLOTS:
    void init() {
        fillBooks(m_books, 5);
        m_dataBuecher = std::make_unique<DataSource>(m_books);
        m_dataLeser = std::make_unique<DataSource>(m_readers);
        m_dataAusleihe = std::make_unique<DataSource>(m_loans);
        m_log.clear();
        for (auto [source, name] : {std::pair{m_dataBuecher.get(), "Bücher"}, std::pair{m_dataLeser.get(), "Leser"},
                                    std::pair{m_dataAusleihe.get(), "Ausleihe"}}) {
            connect(source, &DataSource::controlsEnabledChanged, this, [this, name](bool enabled) {
                m_log << QString::fromUtf8(name) + (enabled ? QStringLiteral(" an") : QStringLiteral(" aus"));
            });
        }
    }

    // The main window quietens readers, loans and books, and brings back readers, books and loans.
    void ordersAreKept_data() {
        QTest::addColumn<bool>("ownEnableOrder");
        QTest::addColumn<QStringList>("log");
        QTest::newRow("one order") << false << QStringList{"Leser aus", "Ausleihe aus", "Bücher aus",
                                                           "Leser an",  "Ausleihe an",  "Bücher an"};
        QTest::newRow("main window's orders")
            << true << QStringList{"Leser aus", "Ausleihe aus", "Bücher aus", "Leser an", "Bücher an", "Ausleihe an"};
    }
    void ordersAreKept() {
        QFETCH(bool, ownEnableOrder);
        QFETCH(QStringList, log);
        DataSource* leser = m_dataLeser.get();
        DataSource* ausleihe = m_dataAusleihe.get();
        DataSource* buecher = m_dataBuecher.get();
        {
            std::optional<ControlsDisabled> quiet;
            if (ownEnableOrder)
                quiet.emplace(std::initializer_list<DataSource*>{leser, ausleihe, buecher},
                              std::initializer_list<DataSource*>{leser, buecher, ausleihe});
            else
                quiet.emplace(std::initializer_list<DataSource*>{leser, ausleihe, buecher});
            for (DataSource* s : all())
                QVERIFY(s->ControlsDisabled());
        }
        for (DataSource* s : all())
            QVERIFY(!s->ControlsDisabled());
        QCOMPARE(m_log, log);
    }

    // An engine failure in the middle of the work must not leave the lists frozen, and the lists then show
    // what the table holds after the failure.
    void failureReenables() {
        QSignalSpy reset(m_dataBuecher.get(), &DataSource::viewReset);
        try {
            ControlsDisabled quiet{m_dataBuecher.get(), m_dataLeser.get()};
            m_books.setIndexFieldNames(QStringLiteral("Verfasser"));
            m_books.FieldByName(QStringLiteral("kein Feld")); // throws
            QFAIL("the engine did not refuse an unknown field");
        } catch (const EngineError&) {
        }
        QVERIFY(!m_dataBuecher->ControlsDisabled());
        QVERIFY(!m_dataLeser->ControlsDisabled());
        QCOMPARE(reset.size(), 1);
        QCOMPARE(m_log, (QStringList{"Bücher aus", "Leser aus", "Bücher an", "Leser an"}));
    }

    // Should telling a control fail half-way, the sources already quietened are brought back before the
    // failure goes on.
    void failureWhileDisablingReenables() {
        connect(m_dataLeser.get(), &DataSource::controlsEnabledChanged, this, [](bool enabled) {
            if (!enabled)
                throw EngineError(QStringLiteral("Steuerelement nicht bereit"));
        });
        QVERIFY_THROWS_EXCEPTION(EngineError, ControlsDisabled({m_dataBuecher.get(), m_dataLeser.get()}));
        QVERIFY(!m_dataBuecher->ControlsDisabled());
        QVERIFY(!m_dataLeser->ControlsDisabled());
    }

    // A pause the caller holds already outlives the guard; a source left out of the enable order is not
    // forgotten.
    void pausesNestAndNothingStaysFrozen() {
        m_dataBuecher->DisableControls();
        { ControlsDisabled quiet({m_dataBuecher.get(), m_dataAusleihe.get()}, {m_dataBuecher.get()}); }
        QVERIFY(m_dataBuecher->ControlsDisabled());
        QVERIFY(!m_dataAusleihe->ControlsDisabled());
        m_dataBuecher->EnableControls();
        QVERIFY(!m_dataBuecher->ControlsDisabled());
    }
};

QTEST_MAIN(ControlsDisabledTest)
#include "tst_controlsdisabled.moc"
