#pragma once

// The library's tables with their own rules (identifiers and numbers for new rows) on a temporary data folder
// and settings file, and no window: for the tests of the rules targets, which link no widget library.

#include "core/Table.h"
#include "library/LibraryData.h"
#include "library/RecordRules.h"
#include "settings/SettingsStore.h"
#include "support/LoanRows.h"

#include <QTemporaryDir>
#include <memory>

namespace lesaro::testing {

// A book with the given number; returns the ID the insert rule gave it.
inline int addNumberedBook(Table& t, int nummer, const QString& verfasser, const QString& titel,
                           const QString& preis = {}) {
    t.Append();
    t.FieldByName(QStringLiteral("Nummer")).setAsInteger(nummer);
    t.FieldByName(QStringLiteral("Verfasser")).setAsString(verfasser);
    t.FieldByName(QStringLiteral("Titel")).setAsString(titel);
    if (!preis.isEmpty())
        t.FieldByName(QStringLiteral("Preis")).setAsString(preis);
    const int id = t.FieldByName(QStringLiteral("ID")).AsInteger();
    t.Post();
    return id;
}

// A reader with the given number; returns the ID the insert rule gave it.
inline int addNumberedReader(Table& t, int nummer, const QString& vorname, const QString& nachname) {
    t.Append();
    t.FieldByName(QStringLiteral("Nummer")).setAsInteger(nummer);
    t.FieldByName(QStringLiteral("Vorname")).setAsString(vorname);
    t.FieldByName(QStringLiteral("Nachname")).setAsString(nachname);
    const int id = t.FieldByName(QStringLiteral("ID")).AsInteger();
    t.Post();
    return id;
}

class RulesLibrary {
public:
    RulesLibrary()
        : m_dir(std::make_unique<QTemporaryDir>()) {
        SettingsStore::redirectInstance(m_dir->filePath(QStringLiteral("Lesaro.reg")));
        m_data = std::make_unique<LibraryData>();
        m_rules = std::make_unique<RecordRules>(*m_data);
        m_data->FormCreate(m_dir->path(), m_dir->path());
        m_data->CreateEmptyTables();
    }
    ~RulesLibrary() {
        m_rules.reset();
        m_data.reset();
        SettingsStore::redirectInstance(m_dir->filePath(QStringLiteral("nach-dem-test.reg")));
    }
    RulesLibrary(const RulesLibrary&) = delete;
    RulesLibrary& operator=(const RulesLibrary&) = delete;

    Table& books() { return m_data->ClientBuecher; }
    Table& readers() { return m_data->ClientLeser; }
    Table& loans() { return m_data->ClientAusleihe; }
    QString path(const QString& name) const { return m_dir->filePath(name); }

    int addBook(int nummer, const QString& verfasser, const QString& titel, const QString& preis = {}) {
        return addNumberedBook(books(), nummer, verfasser, titel, preis);
    }
    int addReader(int nummer, const QString& vorname, const QString& nachname) {
        return addNumberedReader(readers(), nummer, vorname, nachname);
    }
    void addLoan(int bookId, int readerId, QDate from, QDate due, QDate returned = {}) {
        testing::addLoan(loans(), bookId, readerId, from, due, returned);
    }

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<LibraryData> m_data;
    std::unique_ptr<RecordRules> m_rules;
};

} // namespace lesaro::testing
