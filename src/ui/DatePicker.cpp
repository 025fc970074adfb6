#include "ui/DatePicker.h"

#include "core/Clock.h"
#include "ui/MessageService.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QLocale>
#include <QSignalBlocker>

namespace lesaro {

namespace {

constexpr int kSectionLength[] = {2, 2, 4}; // day, month, year

bool isComplete(const QString& typed) {
    const QStringList sections = typed.split(QLatin1Char('.'));
    return sections.size() == 3 && sections[2].size() == kSectionLength[2];
}

} // namespace

DatePicker::DatePicker(QWidget* parent)
    : QDateEdit(parent) {
    setLocale(QLocale(QLocale::German, QLocale::Germany)); // month and day names in the calendar
    setDisplayFormat(QStringLiteral("dd.MM.yyyy"));
    setCalendarPopup(true);
    setDate(Clock::today());
}

QString DatePicker::impossibleDateMessage(const QString& typed) {
    return QStringLiteral("Das Datum %1 gibt es nicht. Bitte geben Sie ein gültiges Datum in der Form TT.MM.JJJJ "
                          "ein.")
        .arg(typed);
}

QString DatePicker::unfinishedDateMessage(const QString& typed) {
    return QStringLiteral("Das Datum „%1“ ist unvollständig. Bitte geben Sie es in der Form TT.MM.JJJJ ein; das "
                          "Feld zeigt wieder das bisherige Datum.")
        .arg(typed);
}

QValidator::State DatePicker::validate(QString& input, int& pos) const {
    // The entry is ours until it is complete: the section editing underneath would otherwise take a part of
    // it, such as a three-digit year, as a date.
    if (m_entering)
        return QValidator::Intermediate;
    return QDateEdit::validate(input, pos);
}

void DatePicker::keyPressEvent(QKeyEvent* event) {
    const Qt::KeyboardModifiers mods = event->modifiers() & ~(Qt::ShiftModifier | Qt::KeypadModifier);
    const QString text = event->text();
    const bool typed = mods == Qt::NoModifier && text.size() == 1 && text[0].isPrint();
    if (typed) {
        if (text[0].isDigit() || text[0] == QLatin1Char('.'))
            type(text[0]);
        event->accept(); // letters and other signs have no place in a date
        return;
    }
    const int key = event->key();
    if (mods == Qt::NoModifier && (key == Qt::Key_Backspace || key == Qt::Key_Delete)) {
        if (!m_entering) {
            m_entering = true;
            m_typed.clear();
            qApp->installEventFilter(this);
        } else if (key == Qt::Key_Backspace) {
            m_typed.chop(1);
        }
        showTyped();
        event->accept();
        return;
    }
    if (m_entering) {
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            refuseUnfinished();
            event->accept();
            return;
        }
        if (key == Qt::Key_Escape) {
            endEntry();
            event->accept();
            return;
        }
        endEntry();
    }
    QDateEdit::keyPressEvent(event);
}

void DatePicker::focusOutEvent(QFocusEvent* event) {
    if (m_entering)
        endEntry();
    QDateEdit::focusOutEvent(event);
}

bool DatePicker::eventFilter(QObject* watched, QEvent* event) {
    // A click elsewhere (" Buchen" takes no focus) would act on the date the box held before the entry.
    if (m_entering && event->type() == QEvent::MouseButtonPress && watched->isWidgetType()) {
        auto* widget = static_cast<QWidget*>(watched);
        if (widget != this && !isAncestorOf(widget) && widget->window() == window()) {
            refuseUnfinished();
            return true;
        }
    }
    return QDateEdit::eventFilter(watched, event);
}

void DatePicker::type(QChar c) {
    if (!m_entering) {
        m_entering = true;
        m_typed.clear();
        qApp->installEventFilter(this);
    }
    const QStringList sections = m_typed.split(QLatin1Char('.'));
    const qsizetype index = sections.size() - 1;
    const QString& current = sections.last();
    if (c == QLatin1Char('.')) {
        // A dot ends a day or a month that has one digit; elsewhere it has nothing to end.
        if (!current.isEmpty() && index < 2)
            m_typed += c;
    } else if (current.size() < kSectionLength[index]) {
        m_typed += c;
        if (current.size() + 1 == kSectionLength[index] && index < 2)
            m_typed += QLatin1Char('.');
    } else if (index < 2) {
        // The dot after a full day or month was taken back: the digit still begins the next part.
        m_typed += QLatin1Char('.');
        m_typed += c;
    }
    if (isComplete(m_typed))
        takeEntry();
    else
        showTyped();
}

void DatePicker::showTyped() {
    const QSignalBlocker quiet(lineEdit());
    lineEdit()->setText(m_typed);
    lineEdit()->setCursorPosition(int(m_typed.size()));
}

void DatePicker::takeEntry() {
    const QStringList sections = m_typed.split(QLatin1Char('.'));
    const QDate typed(sections[2].toInt(), sections[1].toInt(), sections[0].toInt());
    const QString shown = m_typed;
    endEntry();
    if (!typed.isValid() || typed < minimumDate() || typed > maximumDate()) {
        MessageService::error(this, impossibleDateMessage(shown));
        return;
    }
    setDate(typed);
}

void DatePicker::endEntry() {
    m_entering = false;
    m_typed.clear();
    qApp->removeEventFilter(this);
    const QSignalBlocker quiet(lineEdit());
    lineEdit()->setText(textFromDateTime(dateTime()));
    selectAll();
}

void DatePicker::refuseUnfinished() {
    const QString shown = m_typed;
    endEntry();
    MessageService::error(this, unfinishedDateMessage(shown));
}

} // namespace lesaro
