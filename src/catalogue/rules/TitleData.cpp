#include "catalogue/rules/TitleData.h"

namespace lesaro {

QString TitleData::summary() const {
    QString line = title.isEmpty() ? QStringLiteral("(ohne Titel)") : title;
    if (!authors.isEmpty())
        line = authors.first() + QStringLiteral(": ") + line;
    QStringList details;
    for (const QString& s : {edition, publisher, year, isbn}) {
        if (!s.isEmpty())
            details << s;
    }
    if (!details.isEmpty())
        line += QStringLiteral(" (") + details.join(QStringLiteral(", ")) + QStringLiteral(")");
    return line;
}

} // namespace lesaro
