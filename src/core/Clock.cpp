#include "core/Clock.h"

namespace lesaro::Clock {

namespace {
QDateTime& fixedNow() {
    static QDateTime fixed;
    return fixed;
}
} // namespace

QDateTime now() {
    return fixedNow().isValid() ? fixedNow() : QDateTime::currentDateTime();
}

qint64 nowMSecsSinceEpoch() {
    return fixedNow().isValid() ? fixedNow().toMSecsSinceEpoch() : QDateTime::currentMSecsSinceEpoch();
}

QDate today() {
    return now().date();
}

void setFixedNow(const QDateTime& when) {
    fixedNow() = when;
}

} // namespace lesaro::Clock
