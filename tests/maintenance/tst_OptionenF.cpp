// The Options window: the eleven book field captions and the standard loan period, alone and in the main
// window, whose lists take the new captions at once and keep them after a restart.
#include "core/GermanLocale.h"
#include "maintenance/TOptionenF.h"
#include "search/TAuswertenF.h"
#include "settings/FieldCaptions.h"
#include "settings/INI.h"
#include "settings/SettingsStore.h"
#include "support/ProgramRun.h"
#include "ui/DataGrid.h"
#include "ui/LibraryHandle.h"
#include "ui/MessageService.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QToolButton>
#include <QtTest>
#include <memory>

using namespace lesaro;

namespace {

using Captions = QList<std::pair<QString, QString>>; // edit, text

const Captions kFirstStart = {{"EVerfasser", "Verfasser"},
                              {"ETitel", "Titel"},
                              {"EVerlag", "Verlag"},
                              {"EErscheinungsort", "Ort"},
                              {"EAuflage", "Auflage"},
                              {"EErscheinungsjahr", "Jahr"},
                              {"EISBN", "ISBN"},
                              {"ESignatur", "Signatur"},
                              {"EStandort", "Standort"},
                              {"ESachgruppe", "Sachgruppe"},
                              {"EBemerkungen", "Bemerkungen"}};

} // namespace

class tst_OptionenF : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<LibraryHandle> m_library;
    std::unique_ptr<TOptionenF> m_window;

    QLineEdit* edit(const QString& name) {
        auto* e = m_window->findChild<QLineEdit*>(name);
        if (!e)
            qFatal("no edit %s", qPrintable(name));
        return e;
    }
    QLineEdit* ETage() { return edit(QStringLiteral("ETage")); }
    void press(const char* button) { m_window->findChild<QPushButton*>(QString::fromLatin1(button))->click(); }
    static int storedPeriod() { return INI::ReadSettingInteger(QStringLiteral("Tage")); }

private Q_SLOTS:
    void initTestCase() { GermanLocale::install(); }

    void init() {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
        SettingsStore::redirectInstance(m_dir->filePath(QStringLiteral("Lesaro.reg")));
        FieldCaptions::ApplyFieldCaptions();
        MessageService::setAnswering(true);
        m_library = std::make_unique<LibraryHandle>();
        m_window = std::make_unique<TOptionenF>(*m_library);
    }

    void cleanup() {
        m_window.reset();
        m_library.reset();
        MessageService::setAnswering(false);
        SettingsStore::redirectInstance(m_dir->filePath(QStringLiteral("nach-dem-test.reg")));
    }

    void firstStartShowsTheDefaultCaptionsAndThirtyDays() {
        m_window->show();
        QCOMPARE(m_window->windowTitle(), QStringLiteral("Optionen"));
        QCOMPARE(m_window->size(), QSize(326, 381));
        for (const auto& [name, text] : kFirstStart)
            QCOMPARE(edit(name)->text(), text);
        QCOMPARE(ETage()->text(), QStringLiteral("30"));
        QStringList groups;
        for (const QGroupBox* g : m_window->findChildren<QGroupBox*>())
            groups << g->title();
        QCOMPARE(groups, (QStringList{"Feldnamen ändern", "Standardleihdauer"}));
        QCOMPARE(m_window->findChild<QPushButton*>(QStringLiteral("BNeu"))->text(), QStringLiteral("OK"));
        QCOMPARE(m_window->findChild<QPushButton*>(QStringLiteral("BSchliessen"))->text(), QStringLiteral("Abbrechen"));
    }

    void periodShownOnOpening_data() {
        QTest::addColumn<int>("stored");
        QTest::addColumn<QString>("shown");
        QTest::newRow("two weeks") << 14 << "14";
        QTest::newRow("none stored reads as 0: thirty") << 0 << "30";
        QTest::newRow("negative stored: thirty, the period loans get") << -5 << "30";
        QTest::newRow("a typed long period") << 400 << "400";
    }
    void periodShownOnOpening() {
        QFETCH(int, stored);
        QFETCH(QString, shown);
        INI::WriteSettingInteger(QStringLiteral("Tage"), stored);
        m_window->show();
        QCOMPARE(ETage()->text(), shown);
    }

    void okStoresAppliesAndCloses() {
        m_window->show();
        QSignalSpy applied(m_window.get(), &TOptionenF::captionsApplied);
        edit(QStringLiteral("EStandort"))->setText(QStringLiteral("Regal"));
        edit(QStringLiteral("EErscheinungsjahr"))->setText(QStringLiteral("Erschienen"));
        ETage()->setText(QStringLiteral("21"));
        press("BNeu");
        QCOMPARE(applied.size(), 1);
        QVERIFY(!m_window->isVisible());
        QCOMPARE(m_window->result(), int(QDialog::Accepted));
        QCOMPARE(INI::ReadSettingString(QStringLiteral("Standort")), QStringLiteral("Regal"));
        QCOMPARE(INI::ReadSettingString(QStringLiteral("Erscheinungsjahr")), QStringLiteral("Erschienen"));
        QCOMPARE(INI::ReadSettingString(QStringLiteral("Titel")), QStringLiteral("Titel"));
        QCOMPARE(storedPeriod(), 21);
        QVERIFY(MessageService::takeShown().isEmpty());
    }

    // The period is stored as typed when it is a whole number, even outside what the arrows reach.
    void periodTypedByHandIsStored_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("stored");
        QTest::addColumn<QString>("shownNextTime");
        QTest::newRow("zero: stored, shown as thirty") << "0" << 0 << "30";
        QTest::newRow("beyond the arrows") << "500" << 500 << "500";
        QTest::newRow("blanks around") << " 45 " << 45 << "45";
    }
    void periodTypedByHandIsStored() {
        QFETCH(QString, typed);
        QFETCH(int, stored);
        QFETCH(QString, shownNextTime);
        INI::WriteSettingInteger(QStringLiteral("Tage"), 14);
        m_window->show();
        ETage()->setText(typed);
        press("BNeu");
        QCOMPARE(storedPeriod(), stored);
        m_window->show();
        QCOMPARE(ETage()->text(), shownNextTime);
    }

    // Not a whole number, or a negative one (every loan would be due before it was lent): the captions are
    // already stored, the period is not, nothing is applied, and the window stays open with the message.
    void periodThatCannotBeStoredStopsOk_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("message");
        const auto noInteger = [](const char* name, const QString& typed) {
            QTest::newRow(name) << typed << QStringLiteral("'%1' ist kein gültiger Integerwert").arg(typed);
        };
        noInteger("letters", QStringLiteral("abc"));
        noInteger("number with letters", QStringLiteral("12a"));
        noInteger("empty", QString());
        noInteger("decimal", QStringLiteral("1,5"));
        noInteger("too large for a whole number", QStringLiteral("99999999999"));
        QTest::newRow("negative") << "-5"
                                  << "Eine Leihfrist von -5 Tagen ist nicht möglich. Bitte geben Sie mindestens 1 "
                                     "Tag ein.";
    }
    void periodThatCannotBeStoredStopsOk() {
        QFETCH(QString, typed);
        QFETCH(QString, message);
        INI::WriteSettingInteger(QStringLiteral("Tage"), 14);
        m_window->show();
        QSignalSpy applied(m_window.get(), &TOptionenF::captionsApplied);
        edit(QStringLiteral("EVerfasser"))->setText(QStringLiteral("Autor"));
        ETage()->setText(typed);
        press("BNeu");
        QCOMPARE(MessageService::takeShownTexts(), QStringList{message});
        QVERIFY(m_window->isVisible());
        QCOMPARE(applied.size(), 0);
        QCOMPARE(INI::ReadSettingString(QStringLiteral("Verfasser")), QStringLiteral("Autor"));
        QCOMPARE(storedPeriod(), 14);
    }

    void arrowsStepBetweenOneAndAYear_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("up");
        QTest::addColumn<QString>("shown");
        QTest::newRow("up") << "30" << true << "31";
        QTest::newRow("down") << "30" << false << "29";
        QTest::newRow("up at a year stays") << "365" << true << "365";
        QTest::newRow("down at one stays") << "1" << false << "1";
        QTest::newRow("up from a typed zero") << "0" << true << "1";
        QTest::newRow("down from a typed 500") << "500" << false << "365";
        QTest::newRow("no number: the bottom") << "abc" << true << "1";
    }
    void arrowsStepBetweenOneAndAYear() {
        QFETCH(QString, typed);
        QFETCH(bool, up);
        QFETCH(QString, shown);
        m_window->show();
        ETage()->setText(typed);
        m_window->findChild<QToolButton*>(up ? QStringLiteral("UpDown1Auf") : QStringLiteral("UpDown1Ab"))->click();
        QCOMPARE(ETage()->text(), shown);
    }

    void cancelDiscardsWhatWasTyped() {
        INI::WriteSettingInteger(QStringLiteral("Tage"), 14);
        m_window->show();
        QSignalSpy applied(m_window.get(), &TOptionenF::captionsApplied);
        edit(QStringLiteral("ETitel"))->setText(QStringLiteral("Werk"));
        ETage()->setText(QStringLiteral("7"));
        press("BSchliessen");
        QVERIFY(!m_window->isVisible());
        QCOMPARE(applied.size(), 0);
        QCOMPARE(INI::ReadSettingString(QStringLiteral("Titel")), QStringLiteral("Titel"));
        QCOMPARE(storedPeriod(), 14);
        m_window->show();
        QCOMPARE(edit(QStringLiteral("ETitel"))->text(), QStringLiteral("Titel"));
        QCOMPARE(ETage()->text(), QStringLiteral("14"));
    }

    // In the main window: the new captions reach both book lists at once, the widths are stored under the
    // new titles, and a restart shows them again.
    void renamedCaptionReachesTheListsAndSurvivesARestart() {
        m_window.reset();
        const QString base = m_dir->path() + QStringLiteral("/share");
        {
            test::ProgramRun run(base, m_dir->path());
            auto* options = run->findChild<TOptionenF*>();
            auto* search = run->findChild<TAuswertenF*>();
            QVERIFY(options && search);
            options->show();
            options->findChild<QLineEdit*>(QStringLiteral("EStandort"))->setText(QStringLiteral("Regal"));
            options->findChild<QPushButton*>(QStringLiteral("BNeu"))->click();
            QCOMPARE(run->grid(0)->columnTitles().at(9), QStringLiteral("Regal"));
            QCOMPARE(search->DBGrid1()->columnTitles().at(9), QStringLiteral("Regal"));
            QCOMPARE(INI::ReadSettingInteger(QStringLiteral("BreiteARegal")), run->grid(0)->columnWidth(9));
            QCOMPARE(INI::ReadSettingInteger(QStringLiteral("BreiteBRegal")), search->DBGrid1()->columnWidth(9));
            QVERIFY(INI::ReadSettingInteger(QStringLiteral("BreiteARegal")) > 0);
            run.finish();
        }
        test::ProgramRun again(base, m_dir->path());
        QCOMPARE(again->grid(0)->columnTitles().at(9), QStringLiteral("Regal"));
        auto* search = again->findChild<TAuswertenF*>();
        search->show();
        QVERIFY(search->findChild<QComboBox*>(QStringLiteral("CB1"))->findText(QStringLiteral("Regal")) >= 0);
        search->hide();
    }

    // Emptying both the author and the edition caption counts as a fresh installation: all eleven defaults
    // come back, the other nine renamed captions too.
    void emptyAuthorAndEditionBringBackAllDefaults() {
        m_window.reset();
        test::ProgramRun run(m_dir->path() + QStringLiteral("/share"), m_dir->path());
        auto* options = run->findChild<TOptionenF*>();
        options->show();
        options->findChild<QLineEdit*>(QStringLiteral("ETitel"))->setText(QStringLiteral("Werk"));
        options->findChild<QLineEdit*>(QStringLiteral("EVerfasser"))->clear();
        options->findChild<QLineEdit*>(QStringLiteral("EAuflage"))->clear();
        options->findChild<QPushButton*>(QStringLiteral("BNeu"))->click();
        QCOMPARE(run->grid(0)->columnTitles().mid(0, 7),
                 (QStringList{"Nr.", "Verfasser", "Titel", "Verlag", "Jahr", "Ort", "Auflage"}));
        options->show();
        for (const auto& [name, text] : kFirstStart)
            QCOMPARE(options->findChild<QLineEdit*>(name)->text(), text);
        options->hide();
    }
};

QTEST_MAIN(tst_OptionenF)
#include "tst_OptionenF.moc"
