#include "CatalogueFixture.h"
#include "catalogue/EntrySteps.h"
#include "core/EngineError.h"
#include "ui/DataSource.h"

#include <QWidget>

using namespace lesaro;
using namespace lesaro::testing;
using B = MessageService::Button;

// The save, new, delete and close steps both entry windows run, driven without a window: what they return,
// what they ask and show, and where a failure of the table's rules leaves the row.
enum class Which { Book, Reader };
enum class Step { Save, New, Delete, CloseYes, CloseNo, CloseCancel };
enum class Fault { None, AfterPost, AfterInsert, AfterScroll };
Q_DECLARE_METATYPE(Which)
Q_DECLARE_METATYPE(Step)
Q_DECLARE_METATYPE(Fault)
Q_DECLARE_METATYPE(lesaro::TableState)

namespace {
const QString kRefused = QStringLiteral("Die Regel der Tabelle lehnt ab");
const QString kClose = QStringLiteral("Änderungen speichern beim aktuellen Datensatz?");

// Makes one of the table's rules fail after whatever it did before.
void inject(Table& t, Fault fault) {
    auto failAfter = [](std::function<void(Table&)> rule) {
        return [rule](Table& table) {
            if (rule)
                rule(table);
            throw EngineError(kRefused);
        };
    };
    switch (fault) {
    case Fault::None:
        break;
    case Fault::AfterPost:
        t.AfterPost = failAfter(t.AfterPost);
        break;
    case Fault::AfterInsert:
        t.AfterInsert = failAfter(t.AfterInsert);
        break;
    case Fault::AfterScroll:
        t.AfterScroll = failAfter(t.AfterScroll);
        break;
    }
}
} // namespace

class EntryStepsTest : public QObject {
    Q_OBJECT

    std::unique_ptr<CatalogueFixture> m_fx;

private Q_SLOTS:
    void initTestCase() { GermanLocale::install(); }
    void init() { m_fx = std::make_unique<CatalogueFixture>(); }
    void cleanup() { m_fx.reset(); }

    void stepsAndFailures_data() {
        QTest::addColumn<Which>("which");
        QTest::addColumn<Step>("step");
        QTest::addColumn<Fault>("fault");
        QTest::addColumn<bool>("result");       // of save and the close question; true for the others
        QTest::addColumn<QStringList>("shown"); // every message, in order
        QTest::addColumn<int>("rows");          // saved rows afterwards
        QTest::addColumn<TableState>("state");
        QTest::addColumn<QString>("name"); // the first saved row's name at the end (the change is "Geändert")
        const QString book = QStringLiteral("Möchten Sie dieses Buch wirklich löschen?");
        const QString reader = QStringLiteral("Möchten Sie diesen Leser wirklich löschen?");
        for (const Which which : {Which::Book, Which::Reader}) {
            const char* w = which == Which::Book ? "book" : "reader";
            const QString remove = which == Which::Book ? book : reader;
            const QString first = which == Which::Book ? QStringLiteral("Fontane") : QStringLiteral("Anna");
            auto row = [&](const char* what) -> QTestData& { return QTest::addRow("%s: %s", w, what) << which; };
            const auto E = TableState::Edit;
            const auto Br = TableState::Browse;
            const auto In = TableState::Insert;
            row("save") << Step::Save << Fault::None << true << QStringList() << 2 << Br << "Geändert";
            // The post rule runs once the row is stored: the message tells, the change is kept.
            row("save, post rule fails") << Step::Save << Fault::AfterPost << false << QStringList{kRefused} << 2 << Br
                                         << "Geändert";
            row("new") << Step::New << Fault::None << true << QStringList() << 2 << In << first;
            row("new, insert rule fails")
                << Step::New << Fault::AfterInsert << true << QStringList{kRefused} << 2 << In << first;
            row("delete") << Step::Delete << Fault::None << true << QStringList{remove} << 1 << Br << "";
            row("delete, scroll rule fails")
                << Step::Delete << Fault::AfterScroll << true << QStringList{remove, kRefused} << 1 << Br << "";
            row("close, Ja") << Step::CloseYes << Fault::None << true << QStringList{kClose} << 2 << Br << "Geändert";
            row("close, Ja, post rule fails: stays") << Step::CloseYes << Fault::AfterPost << false
                                                     << QStringList{kClose, kRefused} << 2 << Br << "Geändert";
            row("close, Nein") << Step::CloseNo << Fault::None << true << QStringList{kClose} << 2 << Br << first;
            row("close, Nein, scroll rule fails: stays")
                << Step::CloseNo << Fault::AfterScroll << false << QStringList{kClose, kRefused} << 2 << Br << first;
            row("close, Abbrechen: stays")
                << Step::CloseCancel << Fault::None << false << QStringList{kClose} << 2 << E << first;
        }
    }
    void stepsAndFailures() {
        QFETCH(Which, which);
        QFETCH(Step, step);
        QFETCH(Fault, fault);
        QFETCH(bool, result);
        QFETCH(QStringList, shown);
        QFETCH(int, rows);
        QFETCH(TableState, state);
        QFETCH(QString, name);
        const bool book = which == Which::Book;
        if (book) {
            m_fx->addBook(QStringLiteral("Fontane"), QStringLiteral("Effi Briest"));
            m_fx->addBook(QStringLiteral("Storm"), QStringLiteral("Der Schimmelreiter"));
        } else {
            m_fx->addReader(QStringLiteral("Anna"), QStringLiteral("Meier"));
            m_fx->addReader(QStringLiteral("Bernd"), QStringLiteral("Schulz"));
        }
        DataSource& source = book ? m_fx->library().DataBuecher() : m_fx->library().DataLeser();
        Table& t = source.table();
        const QString field = book ? QStringLiteral("Verfasser") : QStringLiteral("Vorname");
        t.First();
        if (step != Step::New && step != Step::Delete) {
            t.Edit();
            t.FieldByName(field).setAsString(QStringLiteral("Geändert"));
        }
        inject(t, fault);
        QWidget window;
        EntrySteps steps(source, &window);
        QCOMPARE(&steps.table(), &t);

        bool got = true;
        switch (step) {
        case Step::Save:
            got = steps.save();
            break;
        case Step::New:
            steps.insertNew();
            break;
        case Step::Delete:
            MessageService::answerNext(B::Yes);
            steps.remove(book ? QStringLiteral("Möchten Sie dieses Buch wirklich löschen?")
                              : QStringLiteral("Möchten Sie diesen Leser wirklich löschen?"));
            break;
        case Step::CloseYes:
        case Step::CloseNo:
        case Step::CloseCancel:
            MessageService::answerNext(step == Step::CloseYes ? B::Yes : step == Step::CloseNo ? B::No : B::Cancel);
            got = steps.closeQuery();
            break;
        }
        QCOMPARE(got, result);
        const auto messages = MessageService::takeShown();
        QStringList texts;
        for (const auto& m : messages)
            texts << m.text;
        QCOMPARE(texts, shown);
        // A failure is an error box; the questions are confirmations.
        for (const auto& m : messages)
            QCOMPARE(m.kind, m.text == kRefused ? MessageService::Kind::Error : MessageService::Kind::Confirmation);
        QCOMPARE(t.State(), state);
        QCOMPARE(steps.editing(), state != TableState::Browse);
        // A row left open keeps what was typed until the test drops it.
        if (state == TableState::Edit)
            QCOMPARE(t.FieldByName(field).AsString(), QStringLiteral("Geändert"));
        t.AfterPost = nullptr;
        t.AfterInsert = nullptr;
        t.AfterScroll = nullptr;
        t.Cancel();
        QCOMPARE(t.RecordCount(), rows);
        t.First();
        // After a delete the first row is the second one added, so only the count tells.
        if (!name.isEmpty())
            QCOMPARE(t.FieldByName(field).AsString(), name);
    }

    void emptyTableNeitherAsksNorDeletes() {
        QWidget window;
        EntrySteps steps(m_fx->library().DataLeser(), &window);
        steps.remove(QStringLiteral("Möchten Sie diesen Leser wirklich löschen?"));
        QVERIFY(MessageService::takeShown().isEmpty());
        QCOMPARE(m_fx->readers().RecordCount(), 0);
        // And an untouched table closes without a question.
        QVERIFY(steps.closeQuery());
        QVERIFY(MessageService::takeShown().isEmpty());
    }
};

QTEST_MAIN(EntryStepsTest)
#include "tst_entrysteps.moc"
