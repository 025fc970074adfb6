#include "exchange/sources/ImportSource.h"

#include "core/EngineError.h"
#include "exchange/sources/AccessSource.h"
#include "exchange/sources/DelimitedText.h"
#include "exchange/sources/OdsSource.h"
#include "exchange/sources/XlsSource.h"
#include "exchange/sources/XlsxSource.h"

#include <QFileInfo>

namespace lesaro::exchange {

namespace {
QString suffixOf(const QString& path) {
    return QFileInfo(path).suffix().toLower();
}
} // namespace

SourceKind sourceKindOf(const QString& path) {
    const QString suffix = suffixOf(path);
    if (suffix == QLatin1String("mdb") || suffix == QLatin1String("accdb"))
        return SourceKind::Access;
    if (suffix == QLatin1String("xls") || suffix == QLatin1String("xlsx") || suffix == QLatin1String("ods"))
        return SourceKind::Excel;
    return SourceKind::Text;
}

char separatorChar(Separator separator) {
    switch (separator) {
    case Separator::Tab:
        return '\t';
    case Separator::Comma:
        return ',';
    case Separator::Semicolon:
        break;
    }
    return ';';
}

QString unreadableMessage(SourceKind kind) {
    switch (kind) {
    case SourceKind::Access:
        return QStringLiteral("Accessdatei konnte nicht gefunden werden");
    case SourceKind::Excel:
        return QStringLiteral("Exceldatei konnte nicht gefunden werden");
    case SourceKind::Text:
        break;
    }
    return QStringLiteral("Quelldatei konnte nicht gefunden werden");
}

QStringList ImportSource::tableNames(const QString& path) {
    const SourceKind kind = sourceKindOf(path);
    if (kind == SourceKind::Text)
        return {};
    try {
        if (kind == SourceKind::Access)
            return AccessSource::tableNames(path);
        const QString suffix = suffixOf(path);
        if (suffix == QLatin1String("xlsx"))
            return XlsxSource::tableNames(path);
        if (suffix == QLatin1String("ods"))
            return OdsSource::tableNames(path);
        return XlsSource::tableNames(path);
    } catch (const EngineError&) {
        throw EngineError(unreadableMessage(kind));
    }
}

SourceRecords ImportSource::read(const QString& path, const QString& table, Separator separator) {
    const SourceKind kind = sourceKindOf(path);
    if (kind == SourceKind::Text)
        return DelimitedText::readFile(path, separatorChar(separator));
    try {
        QString name = table;
        if (name.isEmpty()) {
            const QStringList names = tableNames(path);
            if (names.isEmpty())
                throw EngineError(unreadableMessage(kind));
            name = names.first();
        }
        if (kind == SourceKind::Access)
            return AccessSource::read(path, name);
        const QString suffix = suffixOf(path);
        if (suffix == QLatin1String("xlsx"))
            return XlsxSource::read(path, name);
        if (suffix == QLatin1String("ods"))
            return OdsSource::read(path, name);
        return XlsSource::read(path, name);
    } catch (const EngineError&) {
        throw EngineError(unreadableMessage(kind));
    }
}

} // namespace lesaro::exchange
