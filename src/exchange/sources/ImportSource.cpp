#include "exchange/sources/ImportSource.h"

#include "core/EngineError.h"
#include "exchange/sources/AccessSource.h"
#include "exchange/sources/DelimitedText.h"
#include "exchange/sources/OdsSource.h"
#include "exchange/sources/XlsSource.h"
#include "exchange/sources/XlsxSource.h"

#include <QFileInfo>
#include <QLocale>
#include <new>

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

QString damagedMessage(SourceKind kind, const QString& path) {
    const QString name = QFileInfo(path).fileName();
    switch (kind) {
    case SourceKind::Access:
        return QStringLiteral("„%1“ ist keine Accessdatei oder ist beschädigt").arg(name);
    case SourceKind::Excel:
        return QStringLiteral("„%1“ ist keine Exceldatei oder ist beschädigt").arg(name);
    case SourceKind::Text:
        break;
    }
    return QStringLiteral("„%1“ kann nicht gelesen werden").arg(name);
}

QString tooLargeMessage() {
    return QStringLiteral("Die Quelldatei ist zu groß für den Import: sie enthält mehr als %1 Werte.")
        .arg(QLocale(QLocale::German).toString(kMaxSourceCells));
}

void CellBudget::take(qint64 cells) {
    m_used += cells;
    if (m_used > kMaxSourceCells)
        throw SourceRefused(tooLargeMessage());
}

namespace {

// A reader's failure as the wizard reports it: a file that is not there is not found, one that is there is
// no source of its kind or damaged; a refusal with its own message keeps it, and running out of memory on a
// source is a refusal too, never the end of the program.
template <typename Read>
auto reading(const QString& path, SourceKind kind, Read read) -> decltype(read()) {
    try {
        return read();
    } catch (const SourceRefused&) {
        throw;
    } catch (const EngineError&) {
        if (!QFileInfo(path).isFile())
            throw EngineError(unreadableMessage(kind));
        throw EngineError(damagedMessage(kind, path));
    } catch (const std::bad_alloc&) {
        throw SourceRefused(tooLargeMessage());
    }
}

} // namespace

QStringList ImportSource::tableNames(const QString& path) {
    const SourceKind kind = sourceKindOf(path);
    if (kind == SourceKind::Text)
        return {};
    return reading(path, kind, [&]() -> QStringList {
        if (kind == SourceKind::Access)
            return AccessSource::tableNames(path);
        const QString suffix = suffixOf(path);
        if (suffix == QLatin1String("xlsx"))
            return XlsxSource::tableNames(path);
        if (suffix == QLatin1String("ods"))
            return OdsSource::tableNames(path);
        return XlsSource::tableNames(path);
    });
}

TextEncoding ImportSource::textEncodingOf(const QString& path) {
    return reading(path, SourceKind::Text, [&] { return DelimitedText::encodingOf(DelimitedText::readBytes(path)); });
}

SourceRecords ImportSource::read(const QString& path, const QString& table, Separator separator,
                                 std::optional<TextEncoding> encoding) {
    const SourceKind kind = sourceKindOf(path);
    if (kind == SourceKind::Text)
        return reading(path, kind, [&] {
            const QByteArray bytes = DelimitedText::readBytes(path);
            return DelimitedText::parse(bytes, separatorChar(separator),
                                        encoding.value_or(DelimitedText::encodingOf(bytes)));
        });
    return reading(path, kind, [&]() -> SourceRecords {
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
    });
}

} // namespace lesaro::exchange
