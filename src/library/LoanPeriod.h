#pragma once

namespace lesaro {

// The standard loan period: the setting "Tage". A library handed over without it (another account, a
// settings file lost) or with a period that is not positive lends for the period the Options show.
class LoanPeriod {
public:
    static constexpr int kDefaultDays = 30;
    static int days();
};

} // namespace lesaro
