// The page "Titeldaten" of the Options: the catalogue services the book window asks for an ISBN.
#include "core/GermanLocale.h"
#include "maintenance/TOptionenF.h"
#include "settings/FieldCaptions.h"
#include "settings/INI.h"
#include "settings/SettingsStore.h"
#include "settings/TitleServices.h"
#include "ui/LibraryHandle.h"
#include "ui/MessageService.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>

using namespace lesaro;

class tst_OptionenTiteldaten : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<LibraryHandle> m_library;
    std::unique_ptr<TOptionenF> m_window;

    QLineEdit* edit(const char* name) {
        auto* e = m_window->findChild<QLineEdit*>(QString::fromLatin1(name));
        if (!e)
            qFatal("no edit %s", name);
        return e;
    }
    void press(const char* button) { m_window->findChild<QPushButton*>(QString::fromLatin1(button))->click(); }

private Q_SLOTS:
    void initTestCase() { GermanLocale::install(); }
    void init() {
        m_dir = std::make_unique<QTemporaryDir>();
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

    void presetIsTheNationalLibrary() {
        m_window->show();
        auto* pages = m_window->findChild<QTabWidget*>(QStringLiteral("PageControl1"));
        QCOMPARE(pages->tabText(1), QStringLiteral("Titeldaten"));
        QCOMPARE(edit("ETiteldatenAdresse")->text(), QStringLiteral("https://services.dnb.de/sru/dnb"));
        QCOMPARE(edit("ETiteldatenIndex")->text(), QStringLiteral("num"));
        QCOMPARE(edit("ETiteldatenAdresse2")->text(), QString());
        QCOMPARE(TitleServices::configured().size(), 1);
    }

    void okStoresBothServicesAndThePresetComesBack() {
        m_window->show();
        edit("ETiteldatenAdresse")->setText(QStringLiteral("https://katalog.example.org/sru"));
        edit("ETiteldatenIndex")->setText(QStringLiteral("isbn"));
        edit("ETiteldatenAdresse2")->setText(QStringLiteral("http://sru.example.net/opac"));
        press("BNeu");
        QVERIFY(!m_window->isVisible());
        const QList<TitleServices::Service> services = TitleServices::configured();
        QCOMPARE(services.size(), 2);
        QCOMPARE(services[0].address, QStringLiteral("https://katalog.example.org/sru"));
        QCOMPARE(services[0].index, QStringLiteral("isbn"));
        QCOMPARE(services[1].address, QStringLiteral("http://sru.example.net/opac"));

        m_window->show();
        QCOMPARE(edit("ETiteldatenAdresse")->text(), QStringLiteral("https://katalog.example.org/sru"));
        press("BTiteldatenStandard");
        press("BNeu");
        QCOMPARE(TitleServices::first().address, QStringLiteral("https://services.dnb.de/sru/dnb"));
        QCOMPARE(TitleServices::first().index, QStringLiteral("num"));
    }

    void addressThatIsNoWebAddressKeepsTheWindowOpen_data() {
        QTest::addColumn<QString>("address");
        QTest::newRow("no scheme") << "services.dnb.de/sru/dnb";
        QTest::newRow("a file") << "file:///tmp/antwort.xml";
    }
    void addressThatIsNoWebAddressKeepsTheWindowOpen() {
        QFETCH(QString, address);
        m_window->show();
        edit("ETiteldatenAdresse2")->setText(address);
        press("BNeu");
        QVERIFY(m_window->isVisible());
        const QStringList texts = MessageService::takeShownTexts();
        QCOMPARE(texts.size(), 1);
        QVERIFY2(texts.first().contains(QStringLiteral("keine gültige Adresse")), qPrintable(texts.first()));
        QCOMPARE(TitleServices::second().address, QString());
    }
};

QTEST_MAIN(tst_OptionenTiteldaten)
#include "tst_OptionenTiteldaten.moc"
