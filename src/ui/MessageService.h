#pragma once

#include <QFlags>
#include <QList>
#include <QString>
#include <QStringList>

class QWidget;

namespace lesaro {

// Every message box of the program goes through here. Tests switch on answering: then no box is shown,
// each one is recorded, and confirmations take the next queued answer.
//
// The parent may be nullptr: start-up reports problems before the main window exists, and the box then
// stands alone, titled with the application's name. Without a widget application (a QtCore-only caller)
// the text goes to the error output instead and a confirmation takes its escape button.
class MessageService {
public:
    enum class Button { None = 0x0, Ok = 0x1, Yes = 0x2, No = 0x4, Cancel = 0x8 };
    Q_DECLARE_FLAGS(Buttons, Button)
    enum class Kind { Confirmation, Notice, Warning, Error };

    struct Shown {
        Kind kind;
        QString title;
        QString text;
        Buttons buttons;
        Button answer;
        QStringList choices = {}; // the buttons of choose()
        int choice = -1;          // and the one taken
    };

    MessageService() = delete;

    // A question titled "Bestätigen" with the buttons asked for ("&Ja", "&Nein", "OK", "Abbrechen"); returns
    // the button pressed, or the escape button (Abbrechen, else Nein, else OK) when the box is closed.
    static Button confirm(QWidget* parent, const QString& text, Buttons buttons = Buttons(Button::Yes) | Button::No);
    // A notice with one "OK" button.
    static void notice(QWidget* parent, const QString& text);
    // Something the user must know before going on (the data folder is in use, the settings file was
    // damaged), with one "OK" button.
    static void warning(QWidget* parent, const QString& text);
    // A failure, usually the German text of an engine error, with one "OK" button.
    static void error(QWidget* parent, const QString& text);

    // A question whose buttons carry the given labels, for choices that are not yes or no; returns the index
    // of the button pressed, or escapeIndex when the box is closed.
    static int choose(QWidget* parent, Kind kind, const QString& text, const QStringList& labels, int escapeIndex);

    static QString confirmationTitle() { return QStringLiteral("Bestätigen"); }

    // The system ends the program (SIGTERM, the end of the desktop session) and nobody will answer: every
    // open box closes as by its escape button, and from now on each box is answered at once in the same
    // way, its text going to the error output.
    static void setTerminating(bool on);
    static bool terminating();

    // Test hooks. Notices and errors never take a queued answer.
    static void setAnswering(bool on); // also empties the queue and the record
    static bool answering();
    static void answerNext(Button answer);
    static void answerNextChoice(int index);
    static QList<Shown> takeShown();
    static QStringList takeShownTexts();
};

Q_DECLARE_OPERATORS_FOR_FLAGS(MessageService::Buttons)

} // namespace lesaro
