#include "ui/MessageService.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QQueue>

namespace lesaro {

namespace {

struct Answering {
    bool on = false;
    QQueue<MessageService::Button> answers;
    QList<MessageService::Shown> shown;
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
    box.exec();
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
    a.answers.clear();
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
