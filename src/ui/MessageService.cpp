#include "ui/MessageService.h"

#include <QApplication>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QQueue>
#include <cstdio>

namespace lesaro {

namespace {

struct Answering {
    bool on = false;
    bool terminating = false;
    QQueue<MessageService::Button> answers;
    QQueue<int> choices;
    QList<MessageService::Shown> shown;
    QList<QPointer<QMessageBox>> open; // boxes in their own event loop now
};

Answering& state() {
    static Answering a;
    return a;
}

MessageService::Button escapeButton(MessageService::Buttons buttons) {
    using B = MessageService::Button;
    for (B b : {B::Cancel, B::No, B::Ok}) {
        if (buttons.testFlag(b))
            return b;
    }
    return B::Ok;
}

MessageService::Button show(QWidget* parent, MessageService::Kind kind, const QString& title, const QString& text,
                            MessageService::Buttons buttons) {
    using B = MessageService::Button;
    Answering& a = state();
    if (a.terminating) {
        // A box now would wait for an answer that never comes and keep the program from ending.
        std::fprintf(stderr, "%s: %s\n", qPrintable(title), qPrintable(text));
        if (a.on)
            a.shown.append({kind, title, text, buttons, escapeButton(buttons)});
        return escapeButton(buttons);
    }
    if (a.on) {
        B answer = escapeButton(buttons);
        if (kind == MessageService::Kind::Confirmation) {
            if (a.answers.isEmpty())
                qWarning("MessageService: no answer queued for \"%s\"", qPrintable(text));
            else
                answer = a.answers.dequeue();
        }
        a.shown.append({kind, title, text, buttons, answer});
        return answer;
    }

    if (!qobject_cast<QApplication*>(QCoreApplication::instance())) {
        // A message box needs a widget application; the message must not be lost, and a question cannot be
        // asked, so it is answered as a closed box would be.
        qWarning("%s: %s", qPrintable(title), qPrintable(text));
        return escapeButton(buttons);
    }

    QMessageBox::Icon icon = QMessageBox::Information;
    switch (kind) {
    case MessageService::Kind::Confirmation:
        icon = QMessageBox::Question;
        break;
    case MessageService::Kind::Notice:
        icon = QMessageBox::Information;
        break;
    case MessageService::Kind::Warning:
        icon = QMessageBox::Warning;
        break;
    case MessageService::Kind::Error:
        icon = QMessageBox::Critical;
        break;
    }
    QMessageBox box(icon, title, text, QMessageBox::NoButton, parent);
    // Messages carry file names, typed entries and stored values: never markup.
    box.setTextFormat(Qt::PlainText);
    struct Choice {
        B button;
        const char* label;
        QMessageBox::ButtonRole role;
    };
    static const Choice choices[] = {{B::Yes, "&Ja", QMessageBox::YesRole},
                                     {B::No, "&Nein", QMessageBox::NoRole},
                                     {B::Ok, "OK", QMessageBox::AcceptRole},
                                     {B::Cancel, "Abbrechen", QMessageBox::RejectRole}};
    QList<std::pair<QPushButton*, B>> added;
    const B escape = escapeButton(buttons);
    for (const Choice& c : choices) {
        if (!buttons.testFlag(c.button))
            continue;
        QPushButton* b = box.addButton(QString::fromUtf8(c.label), c.role);
        added.append({b, c.button});
        if (c.button == escape)
            box.setEscapeButton(b);
    }
    if (!added.isEmpty())
        box.setDefaultButton(added.first().first);
    a.open.append(&box);
    box.exec();
    a.open.removeAll(&box);
    for (const auto& [b, button] : added) {
        if (box.clickedButton() == b)
            return button;
    }
    return escape;
}

QString applicationTitle() {
    return QGuiApplication::applicationDisplayName();
}

} // namespace

int MessageService::choose(QWidget* parent, Kind kind, const QString& text, const QStringList& labels,
                           int escapeIndex) {
    Answering& a = state();
    const QString title = kind == Kind::Confirmation ? confirmationTitle() : applicationTitle();
    if (a.terminating || a.on) {
        int answer = escapeIndex;
        if (a.terminating) {
            std::fprintf(stderr, "%s: %s\n", qPrintable(title), qPrintable(text));
        } else if (a.choices.isEmpty()) {
            qWarning("MessageService: no choice queued for \"%s\"", qPrintable(text));
        } else {
            answer = a.choices.dequeue();
        }
        if (a.on)
            a.shown.append({kind, title, text, Button::None, Button::None, labels, answer});
        return answer;
    }
    if (!qobject_cast<QApplication*>(QCoreApplication::instance())) {
        qWarning("%s: %s", qPrintable(title), qPrintable(text));
        return escapeIndex;
    }
    QMessageBox box(kind == Kind::Error     ? QMessageBox::Critical
                    : kind == Kind::Warning ? QMessageBox::Warning
                                            : QMessageBox::Question,
                    title, text, QMessageBox::NoButton, parent);
    box.setTextFormat(Qt::PlainText);
    QList<QPushButton*> buttons;
    for (const QString& label : labels)
        buttons.append(box.addButton(label, QMessageBox::ActionRole));
    if (escapeIndex >= 0 && escapeIndex < buttons.size()) {
        box.setEscapeButton(buttons[escapeIndex]);
        box.setDefaultButton(buttons[escapeIndex]);
    }
    a.open.append(&box);
    box.exec();
    a.open.removeAll(&box);
    const int pressed = int(buttons.indexOf(qobject_cast<QPushButton*>(box.clickedButton())));
    return pressed >= 0 ? pressed : escapeIndex;
}

void MessageService::setTerminating(bool on) {
    Answering& a = state();
    a.terminating = on;
    if (!on)
        return;
    for (const QPointer<QMessageBox>& box : std::exchange(a.open, {})) {
        if (!box)
            continue;
        // Maybe nobody read it; the error output keeps it.
        std::fprintf(stderr, "%s: %s\n", qPrintable(box->windowTitle()), qPrintable(box->text()));
        box->done(QDialog::Rejected); // leaves its event loop; show() then returns the escape button
    }
}

bool MessageService::terminating() {
    return state().terminating;
}

void MessageService::answerNextChoice(int index) {
    state().choices.enqueue(index);
}

MessageService::Button MessageService::confirm(QWidget* parent, const QString& text, Buttons buttons) {
    if (buttons == Buttons(Button::None))
        buttons = Button::Ok;
    return show(parent, Kind::Confirmation, confirmationTitle(), text, buttons);
}

void MessageService::notice(QWidget* parent, const QString& text) {
    show(parent, Kind::Notice, applicationTitle(), text, Button::Ok);
}

void MessageService::warning(QWidget* parent, const QString& text) {
    show(parent, Kind::Warning, applicationTitle(), text, Button::Ok);
}

void MessageService::error(QWidget* parent, const QString& text) {
    show(parent, Kind::Error, applicationTitle(), text, Button::Ok);
}

void MessageService::setAnswering(bool on) {
    Answering& a = state();
    a.on = on;
    a.terminating = false;
    a.answers.clear();
    a.choices.clear();
    a.shown.clear();
}

bool MessageService::answering() {
    return state().on;
}

void MessageService::answerNext(Button answer) {
    state().answers.enqueue(answer);
}

QList<MessageService::Shown> MessageService::takeShown() {
    return std::exchange(state().shown, {});
}

QStringList MessageService::takeShownTexts() {
    QStringList texts;
    for (const Shown& s : takeShown())
        texts.append(s.text);
    return texts;
}

} // namespace lesaro
