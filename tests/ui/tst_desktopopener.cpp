// Opening the manual and the maker's page with the desktop's programs, and what the user is told when that
// does not work.
#include "ui/DesktopOpener.h"
#include "ui/LesaroDialog.h"
#include "ui/MessageService.h"

#include <QFile>
#include <QTemporaryDir>
#include <QToolButton>
#include <QtTest>

using namespace lesaro;
using B = MessageService::Button;

class DesktopOpenerTest : public QObject {
    Q_OBJECT

    QList<QUrl> m_opened;
    bool m_openerResult = true;
    QTemporaryDir m_programFolder;

    void putManual() {
        QFile manual(DesktopOpener::manualPath());
        QVERIFY(manual.open(QIODevice::WriteOnly));
    }

private Q_SLOTS:
    void initTestCase() {
        QVERIFY(m_programFolder.isValid());
        DesktopOpener::setOpener([this](const QUrl& url) {
            m_opened << url;
            return m_openerResult;
        });
    }

    void init() {
        DesktopOpener::setProgramFolder(m_programFolder.path());
        MessageService::setAnswering(true);
        m_opened.clear();
        m_openerResult = true;
        QFile::remove(DesktopOpener::manualPath());
    }

    void cleanupTestCase() {
        DesktopOpener::setOpener({});
        DesktopOpener::setProgramFolder({});
    }

    void manualLiesInTheProgramFolder() {
        QCOMPARE(DesktopOpener::manualPath(), m_programFolder.filePath(QStringLiteral("Lesaro - Handbuch.pdf")));
        DesktopOpener::setProgramFolder({});
        QCOMPARE(QFileInfo(DesktopOpener::manualPath()).absolutePath(), QCoreApplication::applicationDirPath());
    }

    // Every dialog's help button opens the manual.
    void helpButtonOpensTheManual() {
        putManual();
        LesaroDialog d;
        d.findChild<QToolButton*>(QStringLiteral("BHilfe"))->click();
        QCOMPARE(m_opened, QList<QUrl>{QUrl::fromLocalFile(DesktopOpener::manualPath())});
        QCOMPARE(MessageService::takeShown().size(), 0);
    }

    // Each failure is a notice with one "OK" button that says what went wrong, so the user is not left
    // wondering why nothing happened.
    void failureIsReported_data() {
        QTest::addColumn<bool>("openManual");
        QTest::addColumn<bool>("manualPresent");
        QTest::addColumn<bool>("opens");
        QTest::addColumn<int>("attempts");
        QTest::addColumn<QStringList>("phrases");
        QTest::newRow("manual missing") << true << false << true << 0
                                        << QStringList{QStringLiteral("„Lesaro - Handbuch.pdf“ wurde nicht gefunden"),
                                                       QDir::toNativeSeparators(m_programFolder.path())};
        QTest::newRow("no PDF viewer") << true << true << false << 1
                                       << QStringList{QStringLiteral("„Lesaro - Handbuch.pdf“ konnte nicht geöffnet"),
                                                      QStringLiteral("PDF-Dateien")};
        // The address comes with it, to be typed in elsewhere.
        QTest::newRow("no browser") << false << false << false << 1
                                    << QStringList{QStringLiteral("kein Webbrowser"),
                                                   QStringLiteral("https://www.orvendel-software.de")};
    }
    void failureIsReported() {
        QFETCH(bool, openManual);
        QFETCH(bool, manualPresent);
        QFETCH(bool, opens);
        QFETCH(int, attempts);
        QFETCH(QStringList, phrases);
        if (manualPresent)
            putManual();
        m_openerResult = opens;
        LesaroDialog parent;
        QVERIFY(!(openManual ? DesktopOpener::openManual(&parent) : DesktopOpener::openMakerPage(&parent)));
        QCOMPARE(m_opened.size(), attempts);
        const auto shown = MessageService::takeShown();
        QCOMPARE(shown.size(), 1);
        QCOMPARE(shown[0].kind, MessageService::Kind::Notice);
        QCOMPARE(shown[0].buttons, MessageService::Buttons(B::Ok));
        for (const QString& phrase : phrases)
            QVERIFY2(shown[0].text.contains(phrase), qPrintable(shown[0].text));
    }

    void makerPageOpensTheMakersAddress() {
        QVERIFY(DesktopOpener::openMakerPage(nullptr));
        QCOMPARE(m_opened, QList<QUrl>{QUrl(QStringLiteral("https://www.orvendel-software.de"))});
        QVERIFY(MessageService::takeShown().isEmpty());
    }
};

QTEST_MAIN(DesktopOpenerTest)
#include "tst_desktopopener.moc"
