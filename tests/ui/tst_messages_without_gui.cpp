// Message boxes asked for where no widget application exists (a QtCore-only caller): nothing crashes, the
// text is not lost, and a question is answered as a closed box would answer it.
#include "ui/MessageService.h"

#include <QtTest>

using namespace lesaro;
using B = MessageService::Button;

class MessagesWithoutGuiTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QCoreApplication::setApplicationName(QStringLiteral("Lesaro")); }

    void textGoesToTheErrorOutput() {
        QTest::ignoreMessage(QtWarningMsg, "Lesaro: Die Einstellungsdatei war beschädigt.");
        MessageService::warning(nullptr, QStringLiteral("Die Einstellungsdatei war beschädigt."));
        QTest::ignoreMessage(QtWarningMsg, "Lesaro: Datei nicht gefunden");
        MessageService::error(nullptr, QStringLiteral("Datei nicht gefunden"));
    }

    void questionTakesTheEscapeButton() {
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("^Bestätigen: Speichern\\?$")));
        QCOMPARE(MessageService::confirm(nullptr, QStringLiteral("Speichern?"), B::Yes | B::No | B::Cancel), B::Cancel);
    }
};

QTEST_GUILESS_MAIN(MessagesWithoutGuiTest)
#include "tst_messages_without_gui.moc"
