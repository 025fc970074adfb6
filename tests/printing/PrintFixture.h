#pragma once

// A library on a temporary folder with its own settings, for the tests of the print windows and the
// printed files.

#include "core/GermanLocale.h"
#include "core/Table.h"
#include "settings/FieldCaptions.h"
#include "settings/SettingsStore.h"
#include "support/LoanRows.h"
#include "support/RulesLibrary.h"
#include "ui/FileDialogService.h"
#include "ui/LibraryHandle.h"
#include "ui/MessageService.h"
#include "ui/PrintDialogService.h"

#include <QDate>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

namespace printtest {

using namespace lesaro;

class Fixture {
public:
    Fixture()
        : m_dir(std::make_unique<QTemporaryDir>()) {
        SettingsStore::redirectInstance(m_dir->filePath(QStringLiteral("Lesaro.reg")));
        FieldCaptions::ApplyFieldCaptions();
        MessageService::setAnswering(true);
        FileDialogService::setAnswering(true);
        PrintDialogService::setAnswering(true);
        m_library = std::make_unique<LibraryHandle>();
        m_library->data().FormCreate(m_dir->path(), m_dir->path());
        m_library->data().CreateEmptyTables();
    }
    ~Fixture() {
        m_library.reset();
        MessageService::setAnswering(false);
        FileDialogService::setAnswering(false);
        PrintDialogService::setAnswering(false);
        SettingsStore::redirectInstance(m_dir->filePath(QStringLiteral("nach-dem-test.reg")));
    }

    LibraryHandle& library() { return *m_library; }
    Table& books() { return m_library->ClientBuecher(); }
    Table& readers() { return m_library->ClientLeser(); }
    Table& loans() { return m_library->ClientAusleihe(); }
    QString path(const QString& name) const { return m_dir->filePath(name); }

    // Returns the new row's ID.
    int addBook(int nummer, const QString& verfasser, const QString& titel, const QString& preis = {}) {
        return testing::addNumberedBook(books(), nummer, verfasser, titel, preis);
    }
    int addReader(int nummer, const QString& vorname, const QString& nachname) {
        return testing::addNumberedReader(readers(), nummer, vorname, nachname);
    }
    void addLoan(int bookId, int readerId, QDate from, QDate due, QDate returned = {}) {
        testing::addLoan(loans(), bookId, readerId, from, due, returned);
    }

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<LibraryHandle> m_library;
};

// The text of a PDF file, one entry per page, as pdftotext reads it.
inline QStringList pdfPages(const QString& file) {
    QProcess p;
    p.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), file, QStringLiteral("-")});
    if (!p.waitForFinished(60000) || p.exitCode() != 0)
        return {};
    QStringList pages = QString::fromUtf8(p.readAllStandardOutput()).split(QLatin1Char('\f'));
    if (!pages.isEmpty() && pages.last().trimmed().isEmpty())
        pages.removeLast();
    return pages;
}

} // namespace printtest
