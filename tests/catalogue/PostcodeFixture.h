#pragma once

// The postcode table of a library on a temporary data folder and settings file, without any window, and the
// helpers that fill and read it.

#include "core/LibraryTables.h"
#include "core/Table.h"
#include "library/LibraryData.h"
#include "settings/SettingsStore.h"

#include <QTemporaryDir>
#include <memory>
#include <utility>

namespace lesaro::testing {

// Replaces the table's rows (the built-in postcode list) by a few rows, in the order given.
inline void fillPostcodes(Table& t, const QList<std::pair<QString, QString>>& rows) {
    t.Close();
    t.setFiltered(false);
    t.setFilter({});
    t.setColumns(LibraryTables::postcodeColumns());
    t.CreateDataSet();
    for (const auto& [plz, ort] : rows) {
        t.Append();
        t.FieldByName(QStringLiteral("PLZ")).setAsString(plz);
        t.FieldByName(QStringLiteral("Ort")).setAsString(ort);
        t.Post();
    }
    t.First();
}

inline QString text(Table& t, const char* field) {
    return t.FieldByName(QString::fromLatin1(field)).AsString();
}

class PostcodeFixture {
public:
    PostcodeFixture() {
        SettingsStore::redirectInstance(m_dir.path() + QStringLiteral("/Lesaro.reg"));
        m_data = std::make_unique<LibraryData>();
        m_data->FormCreate(m_dir.path(), m_dir.path());
        m_data->CreateEmptyTables();
    }
    PostcodeFixture(const PostcodeFixture&) = delete;
    PostcodeFixture& operator=(const PostcodeFixture&) = delete;

    Table& postcodes() { return m_data->ClientDataSet4; }
    void usePostcodes(const QList<std::pair<QString, QString>>& rows) { fillPostcodes(postcodes(), rows); }

private:
    QTemporaryDir m_dir;
    std::unique_ptr<LibraryData> m_data;
};

} // namespace lesaro::testing
