#pragma once

#include <QList>
#include <QString>

namespace lesaro::TitleServices {

// A catalogue service the book window asks for the title data of an ISBN, as the Options store it.
struct Service {
    QString address;
    QString index;
};

// The preset: the German National Library's public SRU service and its index of numbers (ISBN and others).
inline constexpr QLatin1StringView kPresetAddress{"https://services.dnb.de/sru/dnb"};
inline constexpr QLatin1StringView kPresetIndex{"num"};

// The settings "TiteldatenAdresse" and "TiteldatenIndex" name the first service (the preset while they are
// empty), "TiteldatenAdresse2" and "TiteldatenIndex2" a second one, asked when the first finds nothing or
// fails; without an address it is not asked.
Service first();
Service second();
void store(const Service& first, const Service& second);

// The services in the order they are asked.
QList<Service> configured();

} // namespace lesaro::TitleServices
