#include "settings/TitleServices.h"

#include "settings/INI.h"

namespace lesaro::TitleServices {

namespace {

QString read(const char* name) {
    return INI::ReadSettingString(QString::fromLatin1(name)).trimmed();
}

} // namespace

Service first() {
    Service s{read("TiteldatenAdresse"), read("TiteldatenIndex")};
    if (s.address.isEmpty())
        s.address = kPresetAddress;
    if (s.index.isEmpty())
        s.index = kPresetIndex;
    return s;
}

Service second() {
    Service s{read("TiteldatenAdresse2"), read("TiteldatenIndex2")};
    if (!s.address.isEmpty() && s.index.isEmpty())
        s.index = QStringLiteral("isbn");
    return s;
}

void store(const Service& first, const Service& second) {
    INI::WriteSettingString(QStringLiteral("TiteldatenAdresse"), first.address.trimmed());
    INI::WriteSettingString(QStringLiteral("TiteldatenIndex"), first.index.trimmed());
    INI::WriteSettingString(QStringLiteral("TiteldatenAdresse2"), second.address.trimmed());
    INI::WriteSettingString(QStringLiteral("TiteldatenIndex2"), second.index.trimmed());
}

QList<Service> configured() {
    QList<Service> services{first()};
    if (const Service s = second(); !s.address.isEmpty())
        services << s;
    return services;
}

} // namespace lesaro::TitleServices
