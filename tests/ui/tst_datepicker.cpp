// Dates typed into the date field: a typed date becomes exactly that date or is refused in German, never a
// mix of the old date and the typed one.
#include "core/GermanLocale.h"
#include "ui/DatePicker.h"
#include "ui/FlatButton.h"
#include "ui/MessageService.h"

#include <QLineEdit>
#include <QSignalSpy>
#include <QVBoxLayout>
#include <QtTest>

using namespace lesaro;

namespace {

const QDate kBefore(2027, 2, 8);

// Plays a script into the field: "^" is Ctrl+A, "<" Backspace, "~" Escape, "\n" Enter, the rest typed.
void play(QWidget* w, const QString& script) {
    for (const QChar c : script) {
        if (c == QLatin1Char('^'))
            QTest::keyClick(w, Qt::Key_A, Qt::ControlModifier);
        else if (c == QLatin1Char('<'))
            QTest::keyClick(w, Qt::Key_Backspace);
        else if (c == QLatin1Char('~'))
            QTest::keyClick(w, Qt::Key_Escape);
        else if (c == QLatin1Char('\n'))
            QTest::keyClick(w, Qt::Key_Return);
        else
            QTest::keyClicks(w, QString(c));
    }
}

} // namespace

class DatePickerTest : public QObject {
    Q_OBJECT

    QWidget m_window;
    DatePicker* m_picker = nullptr;
    FlatButton* m_button = nullptr;

private Q_SLOTS:
    void initTestCase() {
        GermanLocale::install();
        auto* layout = new QVBoxLayout(&m_window);
        m_picker = new DatePicker(&m_window);
        m_button = new FlatButton(QStringLiteral(" Buchen"), Qt::white, &m_window);
        layout->addWidget(m_picker);
        layout->addWidget(m_button);
        m_window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&m_window));
    }

    void init() {
        MessageService::setAnswering(true);
        m_button->setFocus(); // ends whatever entry a failed case left
        m_picker->setDate(kBefore);
        m_picker->setFocus();
        QTRY_VERIFY(m_picker->hasFocus());
    }

    void cleanup() { MessageService::setAnswering(false); }

    void typedDates_data() {
        QTest::addColumn<QString>("keys");
        QTest::addColumn<QDate>("date");
        QTest::addColumn<QString>("message"); // a part of the one message shown; empty: none
        const QString impossible = QStringLiteral("gibt es nicht");
        const QString unfinished = QStringLiteral("unvollständig");
        QTest::newRow("over a selection") << "^15.02.2027" << QDate(2027, 2, 15) << "";
        QTest::newRow("over a selection, other month") << "^09.01.2027" << QDate(2027, 1, 9) << "";
        QTest::newRow("digit by digit without dots") << "15022027" << QDate(2027, 2, 15) << "";
        QTest::newRow("digit by digit with dots") << "09.01.2027" << QDate(2027, 1, 9) << "";
        QTest::newRow("one-digit day and month") << "1.3.2027" << QDate(2027, 3, 1) << "";
        QTest::newRow("the same date again") << "08.02.2027" << kBefore << "";
        QTest::newRow("a second date after the first") << "15.02.202718032027" << QDate(2027, 3, 18) << "";
        QTest::newRow("typed back and corrected") << "15<<6022027" << QDate(2027, 2, 16) << "";
        QTest::newRow("the dot taken back") << "15.<032027" << QDate(2027, 3, 15) << "";
        QTest::newRow("letters are not taken") << "1a5.0x2.2027" << QDate(2027, 2, 15) << "";
        QTest::newRow("leap day in a leap year") << "29.02.2028" << QDate(2028, 2, 29) << "";
        QTest::newRow("31 February") << "31.02.2027" << kBefore << impossible;
        QTest::newRow("29 February, no leap year") << "29.02.2027" << kBefore << impossible;
        QTest::newRow("31 April") << "^31042027" << kBefore << impossible;
        QTest::newRow("month 13") << "01.13.2027" << kBefore << impossible;
        QTest::newRow("day 0") << "00.01.2027" << kBefore << impossible;
        QTest::newRow("year 0") << "01.01.0000" << kBefore << impossible;
        QTest::newRow("unfinished, Enter") << "15.02.202\n" << kBefore << unfinished;
        QTest::newRow("unfinished, Escape") << "15.0~" << kBefore << "";
        QTest::newRow("emptied, Enter") << "^<\n" << kBefore << unfinished;
    }
    void typedDates() {
        QFETCH(QString, keys);
        QFETCH(QDate, date);
        QFETCH(QString, message);
        play(m_picker, keys);
        QCOMPARE(m_picker->date(), date);
        QCOMPARE(m_picker->text(), date.toString(QStringLiteral("dd.MM.yyyy")));
        const QStringList shown = MessageService::takeShownTexts();
        if (message.isEmpty()) {
            QCOMPARE(shown, QStringList());
        } else {
            QCOMPARE(shown.size(), 1);
            QVERIFY2(shown.first().contains(message), qPrintable(shown.first()));
        }
        // Leaving the field keeps the date.
        m_button->setFocus();
        QTRY_VERIFY(!m_picker->hasFocus());
        QCOMPARE(m_picker->date(), date);
        QCOMPARE(m_picker->text(), date.toString(QStringLiteral("dd.MM.yyyy")));
    }

    // The field tells of each date it takes, once.
    void oneChangePerTypedDate() {
        QSignalSpy changed(m_picker, &QDateEdit::dateChanged);
        play(m_picker, QStringLiteral("^15.02.2027"));
        QCOMPARE(changed.size(), 1);
        QCOMPARE(changed.first().first().toDate(), QDate(2027, 2, 15));
    }

    // A button that takes no focus, clicked while a date is half typed, would act on the old date the
    // field no longer shows: the click is refused with the message, and the next click acts.
    void aClickElsewhereDuringAnEntry() {
        int clicks = 0;
        const auto connection = connect(m_button, &QAbstractButton::clicked, this, [&clicks] { ++clicks; });
        play(m_picker, QStringLiteral("15.02.20"));
        QCOMPARE(m_picker->date(), kBefore);
        QTest::mouseClick(m_button, Qt::LeftButton);
        QCOMPARE(clicks, 0);
        const QStringList shown = MessageService::takeShownTexts();
        QCOMPARE(shown.size(), 1);
        QVERIFY2(shown.first().contains(QStringLiteral("„15.02.20“ ist unvollständig")), qPrintable(shown.first()));
        QCOMPARE(m_picker->text(), QStringLiteral("08.02.2027"));
        QTest::mouseClick(m_button, Qt::LeftButton);
        QCOMPARE(clicks, 1);
        disconnect(connection);
    }
};

QTEST_MAIN(DatePickerTest)
#include "tst_datepicker.moc"
