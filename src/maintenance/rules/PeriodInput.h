#pragma once

#include <QString>
#include <optional>

// The standard loan period as the Options window takes it from its edit box: what a typed text stands for,
// what the arrows make of it, and the messages for a text "OK" cannot store.
namespace lesaro::PeriodInput {

// The whole number "OK" stores for the typed text, or nothing when the text is none.
std::optional<int> fromText(const QString& text);

// The text one arrow step makes of the typed text: within 1 to 365, and a text that is no number starts at
// the bottom.
QString stepped(const QString& text, bool up);

// The message for a period that is not a whole number.
QString notAnIntegerMessage(const QString& text);
// The message for a negative period.
QString negativePeriodMessage(int days);

} // namespace lesaro::PeriodInput
