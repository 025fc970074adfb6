#pragma once

// A library on a temporary folder with empty tables and its own settings file, for the exchange tests.
#include "ExchangeRows.h"
#include "core/GermanLocale.h"
#include "core/Table.h"
#include "settings/SettingsStore.h"
#include "ui/FileDialogService.h"
#include "ui/LibraryHandle.h"
#include "ui/MessageService.h"

#include <QTemporaryDir>
#include <memory>

namespace test {

struct ExchangeLibrary {
    QTemporaryDir dir;
    std::unique_ptr<lesaro::LibraryHandle> library;

    ExchangeLibrary() {
        lesaro::SettingsStore::redirectInstance(dir.path() + QStringLiteral("/Lesaro.reg"));
        library = std::make_unique<lesaro::LibraryHandle>();
        library->data().FormCreate(dir.path(), dir.path());
        library->data().CreateEmptyTables();
        lesaro::MessageService::setAnswering(true);
        lesaro::FileDialogService::setAnswering(true);
    }
    QString path(const QString& name) const { return dir.path() + QLatin1Char('/') + name; }
};

} // namespace test
