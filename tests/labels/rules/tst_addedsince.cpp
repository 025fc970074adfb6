// "hinzugekommen seit": the mark from the first start-up copy made on or after the day.

#include "core/Table.h"
#include "labels/rules/AddedSince.h"
#include "labels/rules/LabelSelection.h"
#include "library/StartupCopies.h"
#include "support/RulesLibrary.h"

#include <QDir>
#include <QFile>
#include <QTest>

using namespace lesaro;
using namespace lesaro::labels;
using lesaro::testing::RulesLibrary;

namespace {

const QDate kToday(2026, 3, 10);

// A start-up copy of the library as it stands, made at the given moment.
void startupCopy(RulesLibrary& lib, const QString& stamp, const QDateTime& made) {
    const QString folder = lib.path(QStringLiteral("backup/") + stamp);
    QDir().mkpath(folder);
    lib.books().SaveToFile(folder + QStringLiteral("/buecher30.b04"));
    lib.readers().SaveToFile(folder + QStringLiteral("/leser30.b04"));
    lib.loans().SaveToFile(folder + QStringLiteral("/ausleihe30.b04"));
    StartupCopies::markMade(folder, made);
}

AddedSinceMark markFor(RulesLibrary& lib, QDate since) {
    return AddedSince::mark(lib.path(QString()), QStringLiteral("buecher30.b04"), since, kToday,
                            qint32(lib.books().largestStoredInteger(QStringLiteral("ID"))));
}

} // namespace

class tst_addedsince : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void firstCopyOnOrAfterTheDay();
    void withoutCopyOrWithDamagedCopy();
};

void tst_addedsince::firstCopyOnOrAfterTheDay() {
    RulesLibrary lib;
    lib.addBook(1, QStringLiteral("A"), QStringLiteral("Alt"));
    const int lastOfFebruary = lib.addBook(2, QStringLiteral("B"), QStringLiteral("Alt"));
    startupCopy(lib, QStringLiteral("20260301-1"), QDateTime(QDate(2026, 3, 1), QTime(8, 15)));
    const int lastOfMarch3 = lib.addBook(3, QStringLiteral("C"), QStringLiteral("Neu am 1."));
    startupCopy(lib, QStringLiteral("20260305-1"), QDateTime(QDate(2026, 3, 5), QTime(9, 0)));
    lib.addBook(4, QStringLiteral("D"), QStringLiteral("Neu am 5."));

    AddedSinceMark m = markFor(lib, QDate(2026, 3, 1));
    QVERIFY2(m.error.isEmpty(), qPrintable(m.error));
    QCOMPARE(m.idAbove, lastOfFebruary);
    QVERIFY(m.note.isEmpty());
    QCOMPARE(select(lib.books(), LabelKind::Book, {SelectionMode::AddedSince, 0, 0, m.idAbove}).records.size(), 2);

    // Between two copies the later one is the first after the day: what came before it is missing, and the
    // window says so.
    m = markFor(lib, QDate(2026, 3, 3));
    QCOMPARE(m.idAbove, lastOfMarch3);
    QCOMPARE(m.note, QStringLiteral("Die älteste Startkopie seit dem 03.03.2026 ist vom 05.03.2026: was "
                                    "dazwischen hinzukam, fehlt."));

    // Before the oldest copy: the oldest copy, with the note.
    m = markFor(lib, QDate(2026, 1, 1));
    QCOMPARE(m.idAbove, lastOfFebruary);
    QVERIFY(!m.note.isEmpty());

    // A day still to come: nothing was added since.
    m = markFor(lib, kToday.addDays(1));
    QVERIFY(m.error.isEmpty());
    QVERIFY(select(lib.books(), LabelKind::Book, {SelectionMode::AddedSince, 0, 0, m.idAbove}).records.isEmpty());
}

void tst_addedsince::withoutCopyOrWithDamagedCopy() {
    RulesLibrary lib;
    lib.addBook(1, QStringLiteral("A"), QStringLiteral("Alt"));
    AddedSinceMark m = markFor(lib, QDate(2026, 3, 1));
    QCOMPARE(m.error, QStringLiteral("Seit dem 01.03.2026 gibt es keine Startkopie der Daten; ohne sie lässt sich "
                                     "nicht sagen, was seitdem hinzugekommen ist."));

    startupCopy(lib, QStringLiteral("20260302-1"), QDateTime(QDate(2026, 3, 2), QTime(8, 0)));
    QFile damaged(lib.path(QStringLiteral("backup/20260302-1/buecher30.b04")));
    QVERIFY(damaged.open(QIODevice::WriteOnly | QIODevice::Truncate));
    damaged.write("kein Datenpaket");
    damaged.close();
    StartupCopies::markMade(lib.path(QStringLiteral("backup/20260302-1")), QDateTime(QDate(2026, 3, 2), QTime(8, 0)));
    m = markFor(lib, QDate(2026, 3, 1));
    QVERIFY2(m.error.contains(QStringLiteral("ist nicht lesbar")), qPrintable(m.error));
}

QTEST_GUILESS_MAIN(tst_addedsince)
#include "tst_addedsince.moc"
