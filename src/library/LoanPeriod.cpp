#include "library/LoanPeriod.h"

#include "settings/INI.h"

namespace lesaro {

int LoanPeriod::days() {
    const int stored = INI::ReadSettingInteger(QStringLiteral("Tage"));
    return stored > 0 ? stored : kDefaultDays;
}

} // namespace lesaro
