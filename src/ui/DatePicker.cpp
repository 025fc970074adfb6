#include "ui/DatePicker.h"

#include "core/Clock.h"

#include <QLocale>

namespace lesaro {

DatePicker::DatePicker(QWidget* parent)
    : QDateEdit(parent) {
    setLocale(QLocale(QLocale::German, QLocale::Germany)); // month and day names in the calendar
    setDisplayFormat(QStringLiteral("dd.MM.yyyy"));
    setCalendarPopup(true);
    setDate(Clock::today());
}

} // namespace lesaro
