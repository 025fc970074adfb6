#pragma once

// A library on a temporary data folder and settings file, with a few helpers that fill its tables the way
// the other windows would (outside the entry windows, so no remembered values are touched).

#include "PostcodeFixture.h"
#include "core/GermanLocale.h"
#include "core/Table.h"
#include "settings/SettingsStore.h"
#include "ui/LibraryHandle.h"
#include "ui/MessageService.h"

#include <QApplication>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>
#include <utility>

namespace lesaro::testing {

class CatalogueFixture {
public:
    CatalogueFixture() {
        SettingsStore::redirectInstance(m_dir.path() + QStringLiteral("/Lesaro.reg"));
        m_library = std::make_unique<LibraryHandle>();
        m_library->data().FormCreate(m_dir.path(), m_dir.path());
        m_library->data().CreateEmptyTables();
        m_library->data().applySortOrders(); // by ID, as a fresh installation has them
        MessageService::setAnswering(true);
    }
    ~CatalogueFixture() {
        MessageService::setAnswering(false);
        m_library.reset();
    }
    CatalogueFixture(const CatalogueFixture&) = delete;
    CatalogueFixture& operator=(const CatalogueFixture&) = delete;

    LibraryHandle& library() { return *m_library; }
    Table& books() { return m_library->ClientBuecher(); }
    Table& readers() { return m_library->ClientLeser(); }
    Table& loans() { return m_library->ClientAusleihe(); }
    Table& postcodes() { return m_library->ClientDataSet4(); }

    // Returns the new book's ID.
    int addBook(const QString& verfasser, const QString& titel) {
        Table& t = books();
        t.Append();
        t.FieldByName(QStringLiteral("Verfasser")).setAsString(verfasser);
        t.FieldByName(QStringLiteral("Titel")).setAsString(titel);
        t.Post();
        return t.FieldByName(QStringLiteral("ID")).AsInteger();
    }
    int addReader(const QString& vorname, const QString& nachname) {
        Table& t = readers();
        t.Append();
        t.FieldByName(QStringLiteral("Vorname")).setAsString(vorname);
        t.FieldByName(QStringLiteral("Nachname")).setAsString(nachname);
        t.Post();
        return t.FieldByName(QStringLiteral("ID")).AsInteger();
    }
    void lend(int book, int reader, bool returned) {
        Table& t = loans();
        t.Append();
        t.FieldByName(QStringLiteral("BuecherID")).setAsInteger(book);
        t.FieldByName(QStringLiteral("LeserID")).setAsInteger(reader);
        t.FieldByName(QStringLiteral("DatumVon")).setAsString(QStringLiteral("01.02.2022"));
        if (returned)
            t.FieldByName(QStringLiteral("DatumBis")).setAsString(QStringLiteral("03.02.2022"));
        t.Post();
    }
    // Replaces the built-in postcode list by a few rows, in the order given.
    void usePostcodes(const QList<std::pair<QString, QString>>& rows) { fillPostcodes(postcodes(), rows); }

private:
    QTemporaryDir m_dir;
    std::unique_ptr<LibraryHandle> m_library;
};

// Shows a window as the user has it: visible and active, so focus moves between its controls.
inline bool showActive(QWidget& w) {
    w.show();
    QApplication::setActiveWindow(&w);
    w.activateWindow();
    return QTest::qWaitForWindowActive(&w);
}

} // namespace lesaro::testing
