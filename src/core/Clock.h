#pragma once

#include <QDate>
#include <QDateTime>

namespace lesaro::Clock {

// The one source of "now" for the whole program (due dates, the overdue filter, start-up copy stamps),
// so that tests can fix the day.
QDateTime now();
// The same moment as milliseconds since the epoch, without the local time's conversion (which asks the
// system for its time zone every time): cheap enough to stamp every single change.
qint64 nowMSecsSinceEpoch();
QDate today();
void setFixedNow(const QDateTime& when); // an invalid QDateTime returns to the real clock

} // namespace lesaro::Clock
