#pragma once

#include <QDateEdit>

namespace lesaro {

// A date field with a calendar to drop down, showing dd.MM.yyyy; it starts on today.
//
// Typing enters a whole date: the first digit starts a new entry (whatever was selected or where the cursor
// stood), the dots may be typed or left out, and the date is taken when the year has four digits. An
// impossible date (31.02.2027) is refused with a German message and the box keeps its date; a date is never
// made out of the old day and the newly typed month. An unfinished entry is given up when the box loses the
// focus; Enter or a click elsewhere in the window says so first, and does not act on the old date unseen.
class DatePicker : public QDateEdit {
    Q_OBJECT
public:
    explicit DatePicker(QWidget* parent = nullptr);

    // The texts of the two refusals.
    static QString impossibleDateMessage(const QString& typed);
    static QString unfinishedDateMessage(const QString& typed);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    QValidator::State validate(QString& input, int& pos) const override;

private:
    void type(QChar c);
    void showTyped();
    void takeEntry();
    void endEntry();
    void refuseUnfinished();

    bool m_entering = false;
    QString m_typed; // the entry so far, with the dots as shown
};

} // namespace lesaro
