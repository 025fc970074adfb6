#include "settings/RegFileCheck.h"

#include "core/AtomicFile.h"
#include "settings/RegFileFormat.h"
#include "settings/RegFileReader.h"
#include "settings/RegistryKey.h"
#include "settings/SettingsStore.h"

#include <QDir>
#include <QFile>

namespace lesaro::RegFileCheck {

namespace {
// The same bound as the settings store's: a backup of any settings file the program wrote is taken back.
using RegFileFormat::kMaxFileSize;
} // namespace

bool usable(const QString& path, QString* error) {
    const QString shown = QDir::toNativeSeparators(path);
    const auto fail = [error](const QString& message) {
        if (error)
            *error = message;
        return false;
    };
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return fail(QStringLiteral("Die Datei „%1“ konnte nicht geöffnet werden: %2")
                        .arg(shown, fileErrorReason(path, false, file.errorString())));
    const QByteArray bytes = file.read(kMaxFileSize + 1);
    if (file.error() != QFileDevice::NoError)
        return fail(QStringLiteral("Die Datei „%1“ konnte nicht gelesen werden: %2")
                        .arg(shown, fileErrorReason(path, false, file.errorString())));
    if (bytes.size() > kMaxFileSize)
        return fail(QStringLiteral("Die Datei „%1“ ist zu groß für eine Einstellungsdatei.").arg(shown));
    const RegFileReader reader(bytes);
    if (!reader.headerFound())
        return fail(QStringLiteral("Die Datei „%1“ ist keine Registrierungsdatei.").arg(shown));
    RegistryKey scratch;
    const RegReadResult result = reader.mergeInto(scratch, SettingsStore::keyPath());
    if (result.badLines > 0) {
        return fail(QStringLiteral("Die Datei „%1“ ist beschädigt: Zeile %2 konnte nicht gelesen werden.")
                        .arg(shown)
                        .arg(result.firstBadLine));
    }
    if (result.appliedSections == 0)
        return fail(QStringLiteral("Die Datei „%1“ enthält keine Einstellungen von Lesaro.").arg(shown));
    return true;
}

} // namespace lesaro::RegFileCheck
