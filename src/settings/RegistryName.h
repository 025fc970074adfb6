#pragma once

#include <QString>
#include <QStringView>

namespace lesaro::RegistryName {

// A registry key name cannot hold "\" (it separates the keys of a path), yet a remembered entry such as
// "Reihe\Band 2" must come back exactly as it was typed. Such characters are written as the escape
// character U+29F5 (REVERSE SOLIDUS OPERATOR, "⧵") followed by the four upper-case hex digits of the
// UTF-16 code unit: "Reihe\Band 2" is kept as the key "Reihe⧵005CBand 2". Escaped are "\" (in key names
// only; value names may hold it), the escape character itself and the control characters U+0000 to
// U+001F and U+007F, which would break the line format of a .reg file. The escape character lies outside
// Windows-1252, in which all texts of the library tables are held, so the entries that come from book
// fields never contain it and are stored unescaped whenever they hold no "\".
constexpr char16_t kEscape = u'\u29F5';

enum class Kind { Key, Value };

QString fromText(QStringView text, Kind kind);
// Reverses fromText; an escape character not followed by four hex digits is taken literally.
QString toText(QStringView name);

// The form under which names are compared and keys are enumerated: each UTF-16 code unit in upper case,
// as the registry compares names (so "ß" and "SS" stay different names).
QString fold(QStringView name);

} // namespace lesaro::RegistryName
