// "Katalog für Leser exportieren" as the librarian reaches it: from the menu "Bücher", on the main window's
// own tables, with the folder picked through the file dialog service.

#include "CatalogueBooks.h"
#include "support/Files.h"
#include "support/ProgramRun.h"

#include "core/Clock.h"
#include "core/GermanLocale.h"
#include "readercatalogue/TLeserkatalogF.h"
#include "readercatalogue/rules/CatalogueFolder.h"
#include "settings/SettingsStore.h"
#include "ui/FileDialogService.h"
#include "ui/FlatButton.h"
#include "ui/MessageService.h"

#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QToolButton>
#include <QtTest>

using namespace lesaro;
using namespace lesaro::catalogue_test;
using lesaro::test::runWithDialog;

class tst_LeserkatalogF : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;

    template <typename T>
    static T* child(QWidget* w, const char* name) {
        T* c = w->findChild<T*>(QString::fromLatin1(name));
        if (!c)
            qFatal("no control %s", name);
        return c;
    }

private Q_SLOTS:
    void initTestCase() {
        GermanLocale::install();
        MessageService::setAnswering(true);
        FileDialogService::setAnswering(true);
        Clock::setFixedNow(QDateTime(Today, QTime(10, 0)));
        // A settings file of its own: the window keeps its folder and choice there from one run to the next.
        SettingsStore::redirectInstance(m_dir.filePath(QStringLiteral("Lesaro.reg")));
    }
    void cleanupTestCase() { Clock::setFixedNow({}); }

    void exportFromTheMenu() {
        test::ProgramRun run(m_dir.filePath(QStringLiteral("base")), m_dir.filePath(QStringLiteral("bin")));
        QList<Book> books = fixtureBooks();
        addFixture(run.library().ClientBuecher(), run.library().ClientLeser(), run.library().ClientAusleihe(), books);
        // The librarian's stick: a file of its own, so the catalogue goes into a folder on it.
        const QString stick = m_dir.filePath(QStringLiteral("stick"));
        QVERIFY(QDir().mkpath(stick));
        testing::writeAll(stick + QStringLiteral("/Hausaufgaben.odt"), "wichtig");
        const QString target = stick + QStringLiteral("/Leserkatalog");

        const QString seen = runWithDialog(*run, "Leserkatalog1", [&](QWidget* w) {
            // Price and remarks stay out by default; author and title cannot be left out.
            QVERIFY(!child<QCheckBox>(w, "CBPreis")->isChecked());
            QVERIFY(!child<QCheckBox>(w, "CBBemerkung")->isChecked());
            QVERIFY(child<QCheckBox>(w, "CBVerfasser")->isChecked() &&
                    !child<QCheckBox>(w, "CBVerfasser")->isEnabled());
            QVERIFY(child<QCheckBox>(w, "CBStandort")->isChecked());
            QVERIFY(child<QRadioButton>(w, "RBAlle")->isChecked());
            QVERIFY(!child<FlatButton>(w, "BExportieren")->isEnabled());
            child<QCheckBox>(w, "CBVerfuegbarkeit")->click();
            QVERIFY(!child<QCheckBox>(w, "CBRueckgabe")->isEnabled());
            child<QCheckBox>(w, "CBVerfuegbarkeit")->click();
            child<QCheckBox>(w, "CBNummer")->setChecked(true);

            FileDialogService::answerNext(stick);
            child<QToolButton>(w, "SpeedButton1")->click();
            QCOMPARE(child<QLineEdit>(w, "EZielordner")->text(), QDir::toNativeSeparators(target));
            child<FlatButton>(w, "BExportieren")->click();
            QVERIFY(!w->isVisible());
        });
        QCOMPARE(seen, QStringLiteral("LeserkatalogF|Katalog für Leser exportieren"));
        QCOMPARE(MessageService::takeShownTexts(),
                 QStringList{QStringLiteral("Der Leserkatalog mit 11 Büchern steht jetzt im Ordner „%1“.\nLeser "
                                            "öffnen dort die Datei „index.html“ im Browser.")
                                 .arg(QDir::toNativeSeparators(target))});
        QVERIFY(CatalogueFolder::isCatalogue(target));
        const QByteArray data = testing::readAll(target + QStringLiteral("/katalog-daten.js"));
        QVERIFY(data.contains("\"feld\": \"nummer\""));
        QVERIFY(!data.contains("Geheim"));
        QCOMPARE(testing::readAll(stick + QStringLiteral("/Hausaufgaben.odt")), QByteArray("wichtig"));

        // The next time: the folder and the choice as left. A folder with other files is refused with a German
        // message, the window stays open, and the earlier catalogue stays.
        const QString foreign = m_dir.filePath(QStringLiteral("fremd"));
        QVERIFY(QDir().mkpath(foreign));
        testing::writeAll(foreign + QStringLiteral("/brief.txt"), "Brief");
        runWithDialog(*run, "Leserkatalog1", [&](QWidget* w) {
            QCOMPARE(child<QLineEdit>(w, "EZielordner")->text(), QDir::toNativeSeparators(target));
            QVERIFY(child<QCheckBox>(w, "CBNummer")->isChecked());
            for (const QString& folder : {foreign, QStringLiteral("Leserkatalog")}) {
                child<QLineEdit>(w, "EZielordner")->setText(folder);
                child<FlatButton>(w, "BExportieren")->click();
                QVERIFY(w->isVisible());
            }
        });
        const QList<MessageService::Shown> shown = MessageService::takeShown();
        QCOMPARE(shown.size(), 2);
        QCOMPARE(shown[0].kind, MessageService::Kind::Error);
        QVERIFY2(shown[0].text.contains(QStringLiteral("enthält andere Dateien")), qPrintable(shown[0].text));
        QVERIFY2(shown[1].text.contains(QStringLiteral("vollständigen Pfad")), qPrintable(shown[1].text));
        QVERIFY(!QFileInfo::exists(QStringLiteral("Leserkatalog")));
        QCOMPARE(QDir(foreign).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
                 QStringList{QStringLiteral("brief.txt")});
        QVERIFY(CatalogueFolder::isCatalogue(target));
    }
};

QTEST_MAIN(tst_LeserkatalogF)
#include "tst_LeserkatalogF.moc"
