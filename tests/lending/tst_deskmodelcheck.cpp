#include "LendingFixture.h"
#include "lending/NarrowingGroup.h"
#include "lending/TAusleiheBuchenF.h"
#include "lending/TRueckgabeF.h"
#include "ui/DataGrid.h"
#include "ui/FlatButton.h"
#include "ui/LibraryHandle.h"
#include "ui/MessageService.h"

#include <QLabel>
#include <QLineEdit>
#include <QRandomGenerator>
#include <QtTest>
#include <algorithm>
#include <optional>
#include <tuple>

using namespace lesaro;
using namespace lendingtest;

// The lending desk driven the way a librarian drives it, by random sequences of scans (valid, unknown,
// passing a shorter number on the way, repeated, with a letter), typed narrowing, clicks in the lists,
// clicks and double clicks on " Buchen", Esc and reopening, on a small random library. A plain model of
// what the librarian chose runs beside it: every loan or return booked is of the pair chosen last, nothing
// is booked while nothing is chosen, no book has two open loans, every lent flag agrees with the open loans,
// a list shows a selection exactly while something is chosen, and "EINGETRAGEN" shows only after the
// booking it reports.
namespace {

const QString kNotANumber = QStringLiteral("„%1“ ist keine Nummer. Bitte nur Ziffern eingeben.");

struct Person {
    int id;
    int nummer;
    QString vorname;
    QString nachname;
};
struct Item {
    int id;
    int nummer;
    QString verfasser;
    QString titel;
};

// One list with its boxes as the librarian left it.
struct GroupModel {
    enum class State { Chosen, Spent, Unmatched } state = State::Chosen;
    std::optional<int> chosen; // the ID, once known
    QString numberText;
    QString narrowField; // empty: no narrowing in effect
    QString narrowText;
};

enum class Window { None, Loan, Return };

class Desk {
public:
    Desk(quint32 seed)
        : m_seed(seed)
        , m_random(seed) {}

    void build(Fixture<LibraryHandle>& f) {
        static const int readerNumbers[] = {1, 2, 7, 12, 17, 70, 77, 170, 777};
        static const int bookNumbers[] = {1, 2, 3, 11, 12, 13, 21, 111, 112, 121, 1111};
        static const char* vornamen[] = {"Anna", "Andreas", "Bernd", "Berta", "Clara"};
        static const char* nachnamen[] = {"Meier", "Meister", "Moser", "Berg", "Brandt"};
        static const char* verfasser[] = {"Ende", "Enzensberger", "Kafka", "Kaestner", "Funke"};
        static const char* titel[] = {"Momo", "Emil", "Herr der Diebe", "Hexe", "Maus"};
        QList<int> numbers(std::begin(readerNumbers), std::end(readerNumbers));
        std::shuffle(numbers.begin(), numbers.end(), m_random);
        const int readerCount = 2 + int(m_random.bounded(5));
        for (int i = 0; i < readerCount; ++i) {
            const QString v = QString::fromLatin1(vornamen[m_random.bounded(5)]);
            const QString n = QString::fromLatin1(nachnamen[m_random.bounded(5)]);
            m_readers.append({f.addReader(v, n, numbers[i]), numbers[i], v, n});
        }
        numbers = QList<int>(std::begin(bookNumbers), std::end(bookNumbers));
        std::shuffle(numbers.begin(), numbers.end(), m_random);
        const int bookCount = 3 + int(m_random.bounded(7));
        for (int i = 0; i < bookCount; ++i) {
            const QString v = QString::fromLatin1(verfasser[m_random.bounded(5)]);
            const QString t = QString::fromLatin1(titel[m_random.bounded(5)]);
            const bool lent = m_random.bounded(3) == 0;
            const int id = f.addBook(v, t, lent, numbers[i]);
            m_books.append({id, numbers[i], v, t});
            if (lent) {
                const int reader = m_readers[m_random.bounded(int(m_readers.size()))].id;
                f.addLoan(id, reader, QDate(2024, 1, 2), QDate(2024, 2, 1));
                m_loans.append({id, reader, true});
                m_open.insert(id, reader);
            }
        }
    }

    // Runs the steps; an empty result when the desk and the model agreed throughout.
    // A new reader or book is proposed a number no stored row carries, whatever row was saved last.
    QString proposalsAreNew(Fixture<LibraryHandle>& f) {
        const auto proposal = [this](Table& t) {
            // An old row saved again first: saving sets the counter to its number.
            t.First();
            for (int skip = int(m_random.bounded(quint32(std::max(1, t.RecordCount())))); skip > 0; --skip)
                t.Next();
            t.Edit();
            t.Post();
            t.Append();
            const int n = t.FieldByName(QStringLiteral("Nummer")).AsInteger();
            t.Cancel();
            return n;
        };
        const int reader = proposal(f.readers());
        for (const Person& p : m_readers) {
            if (p.nummer == reader)
                return QStringLiteral("seed %1: a new reader is proposed the number %2 of a stored one")
                    .arg(m_seed)
                    .arg(reader);
        }
        const int book = proposal(f.books());
        for (const Item& b : m_books) {
            if (b.nummer == book)
                return QStringLiteral("seed %1: a new book is proposed the number %2 of a stored one")
                    .arg(m_seed)
                    .arg(book);
        }
        return {};
    }

    QString run(Fixture<LibraryHandle>& f, int steps) {
        TAusleiheBuchenF loan(f.data());
        TRueckgabeF giveBack(f.data());
        m_f = &f;
        m_loanWindow = &loan;
        m_returnWindow = &giveBack;
        for (int step = 0; step < steps; ++step) {
            QString error = doStep();
            if (error.isEmpty())
                error = compare();
            if (!error.isEmpty())
                return QStringLiteral("seed %1, step %2: %3\nlast steps:\n  %4")
                    .arg(m_seed)
                    .arg(step)
                    .arg(error, m_log.join(QStringLiteral("\n  ")));
        }
        if (m_window != Window::None)
            activeDialog()->reject();
        return {};
    }

private:
    LesaroDialog* activeDialog() const {
        return m_window == Window::Loan ? static_cast<LesaroDialog*>(m_loanWindow) : m_returnWindow;
    }

    void log(const QString& line) {
        m_log.append(line);
        if (m_log.size() > 20)
            m_log.removeFirst();
    }

    static bool startsWith(const QString& value, const QString& prefix) {
        return value.startsWith(prefix, Qt::CaseInsensitive);
    }

    // The rows a group lists as the model sees them.
    QList<int> listed(const GroupModel& g, bool readers, bool lentBooks) const {
        QList<int> ids;
        if (readers) {
            for (const Person& p : m_readers) {
                const QString& v = g.narrowField == QStringLiteral("Vorname") ? p.vorname : p.nachname;
                if (g.narrowField.isEmpty() || startsWith(v, g.narrowText))
                    ids.append(p.id);
            }
            return ids;
        }
        for (const Item& b : m_books) {
            if (m_open.contains(b.id) != lentBooks)
                continue;
            const QString& v = g.narrowField == QStringLiteral("Verfasser") ? b.verfasser : b.titel;
            if (g.narrowField.isEmpty() || startsWith(v, g.narrowText))
                ids.append(b.id);
        }
        return ids;
    }

    // The ID with this number among the rows the box can find, if any.
    std::optional<int> byNumber(const QString& text, bool readers, bool lentBooks) const {
        bool ok = false;
        const int n = text.toInt(&ok);
        if (!ok)
            return std::nullopt;
        if (readers) {
            for (const Person& p : m_readers) {
                if (p.nummer == n)
                    return p.id;
            }
            return std::nullopt;
        }
        for (const Item& b : m_books) {
            if (b.nummer == n && m_open.contains(b.id) == lentBooks)
                return b.id;
        }
        return std::nullopt;
    }

    static QString unmatched(const GroupModel& g, const QString& notFound, const QString& pick) {
        const QString text = g.numberText.trimmed();
        if (text.isEmpty())
            return pick;
        bool ok = false;
        text.toLongLong(&ok);
        return ok ? notFound.arg(text) : kNotANumber.arg(text);
    }

    void refuse(const QString& text) {
        m_expected.append(text);
        m_entered = false;
    }

    // A list shows nothing chosen when the model knows no row yet: the librarian sees the highlighted one
    // and takes it (a narrowing typed, a window opened).
    void adoptShown(GroupModel& g, Table& table) {
        if (g.state == GroupModel::State::Chosen && !g.chosen && table.RecordCount() > 0)
            g.chosen = table.FieldByName(QStringLiteral("ID")).AsInteger();
    }

    void opened(GroupModel& g, Table& table) {
        g.narrowField.clear();
        g.narrowText.clear();
        g.chosen.reset();
        const QString text = g.numberText.trimmed();
        bool matches = text.isEmpty();
        if (!matches && table.RecordCount() > 0) {
            bool ok = false;
            const qint64 n = text.toLongLong(&ok);
            const Field nummer = table.FieldByName(QStringLiteral("Nummer"));
            matches = ok && !nummer.IsNull() && nummer.AsInteger() == n;
        }
        g.state = matches ? GroupModel::State::Chosen : GroupModel::State::Unmatched;
        adoptShown(g, table);
    }

    // " Buchen" in the loan window, as the model expects it.
    void modelBook() {
        if (listed(m_readerGroup, true, false).isEmpty())
            return refuse(QStringLiteral("Keine Leser vorhanden"));
        if (listed(m_bookGroup, false, false).isEmpty())
            return refuse(QStringLiteral("Keine ausleihbaren Bücher vorhanden"));
        if (m_readerGroup.state != GroupModel::State::Chosen)
            return refuse(unmatched(m_readerGroup, QStringLiteral("Kein Leser mit der Nummer %1 vorhanden"),
                                    QStringLiteral("Bitte einen Leser wählen")));
        if (m_bookGroup.state == GroupModel::State::Spent)
            return;
        if (m_bookGroup.state != GroupModel::State::Chosen)
            return refuse(unmatched(m_bookGroup, QStringLiteral("Kein ausleihbares Buch mit der Nummer %1 vorhanden"),
                                    QStringLiteral("Bitte ein Buch wählen")));
        adoptShown(m_readerGroup, m_f->readers());
        adoptShown(m_bookGroup, m_f->books());
        if (!m_readerGroup.chosen || !m_bookGroup.chosen)
            return refuse(QStringLiteral("(the model knows no chosen row)"));
        const int reader = *m_readerGroup.chosen;
        const int book = *m_bookGroup.chosen;
        m_loans.append({book, reader, true});
        m_open.insert(book, reader);
        m_bookGroup.state = GroupModel::State::Spent;
        m_bookGroup.chosen.reset();
        m_bookGroup.numberText.clear();
        m_entered = true;
    }

    void modelReturn() {
        if (listed(m_returnGroup, false, true).isEmpty())
            return refuse(QStringLiteral("Keine rückbuchbaren Bücher vorhanden"));
        if (m_returnGroup.state == GroupModel::State::Spent)
            return;
        if (m_returnGroup.state != GroupModel::State::Chosen)
            return refuse(unmatched(m_returnGroup,
                                    QStringLiteral("Kein rückbuchbares Buch mit der Nummer %1 vorhanden"),
                                    QStringLiteral("Bitte ein Buch wählen")));
        adoptShown(m_returnGroup, m_f->books());
        if (!m_returnGroup.chosen)
            return refuse(QStringLiteral("(the model knows no chosen row)"));
        const int book = *m_returnGroup.chosen;
        for (auto& loan : m_loans) {
            if (std::get<0>(loan) == book && std::get<2>(loan))
                std::get<2>(loan) = false;
        }
        m_open.remove(book);
        m_returnGroup.state = GroupModel::State::Spent;
        m_returnGroup.chosen.reset();
        m_returnGroup.numberText.clear();
        m_entered = true;
    }

    // A number for a box: one the box finds, one of a row it cannot find (lent, or not lent), one nobody has,
    // one that passes a shorter number on the way, the last one again, or one with a letter.
    QString someNumber(bool readers) {
        const int kind = int(m_random.bounded(6));
        if (kind == 0 && !m_lastScan.isEmpty())
            return m_lastScan;
        if (kind == 1)
            return QStringLiteral("99999");
        if (kind == 2)
            return QStringLiteral("%1x").arg(1 + m_random.bounded(9));
        const int n = readers ? m_readers[m_random.bounded(int(m_readers.size()))].nummer
                              : m_books[m_random.bounded(int(m_books.size()))].nummer;
        if (kind == 3)
            return QString::number(n) + QString::number(n % 10); // 7 -> 77, 12 -> 122
        return QString::number(n);
    }

    static void enterBox(QLineEdit* e) { e->setFocus(Qt::TabFocusReason); }

    // Entering a box empties the group's other boxes and thereby undoes their narrowing.
    static void enteredBox(GroupModel& g, bool numberBox) {
        g.narrowField.clear();
        g.narrowText.clear();
        if (!numberBox)
            g.numberText.clear();
    }

    QString scanInto(NarrowingGroup* real, GroupModel& g, bool readers, bool lentBooks, bool pressEnter) {
        const QString number = someNumber(readers);
        m_lastScan = number;
        QLineEdit* box = real->numberBox();
        enterBox(box);
        enteredBox(g, true);
        box->selectAll();
        QTest::keyClicks(box, number);
        g.numberText = number;
        const std::optional<int> found = byNumber(number, readers, lentBooks);
        g.state = found ? GroupModel::State::Chosen : GroupModel::State::Unmatched;
        g.chosen = found;
        if (pressEnter)
            QTest::keyClick(box, Qt::Key_Return);
        return number;
    }

    QString narrowInto(NarrowingGroup* real, GroupModel& g, Table& table, bool readers) {
        static const char* texts[] = {"a", "an", "b", "be", "m", "me", "e", "en", "k", "h", "mo", "z"};
        const int index = 1 + int(m_random.bounded(2));
        const QString text = QString::fromLatin1(texts[m_random.bounded(12)]);
        QLineEdit* box = real->box(index);
        enterBox(box);
        enteredBox(g, false);
        box->selectAll();
        QTest::keyClicks(box, text);
        g.narrowField = readers ? (index == 1 ? QStringLiteral("Vorname") : QStringLiteral("Nachname"))
                                : (index == 1 ? QStringLiteral("Verfasser") : QStringLiteral("Titel"));
        g.narrowText = text;
        g.state = GroupModel::State::Chosen;
        g.chosen.reset();
        adoptShown(g, table);
        return QStringLiteral("%1 '%2'").arg(g.narrowField, text);
    }

    QString clickInto(NarrowingGroup* real, GroupModel& g, bool readers) {
        DataGrid* grid = real->grid();
        const int rows = grid->model()->rowCount();
        if (rows == 0)
            return QStringLiteral("(empty list)");
        const int row = int(m_random.bounded(rows));
        int nummer = grid->model()->index(row, 0).data().toInt();
        grid->scrollTo(grid->model()->index(row, 1));
        const QRect cell = grid->visualRect(grid->model()->index(row, 1)).intersected(grid->viewport()->rect());
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, cell.center());
        // A press on a row the list shows only in part scrolls it into view, and the release then lands on
        // the row now under the pointer: the librarian has chosen that one, as with a real mouse.
        const QModelIndex underPointer = grid->indexAt(cell.center());
        if (underPointer.isValid() && underPointer.row() != row && grid->currentIndex().row() == underPointer.row())
            nummer = grid->model()->index(underPointer.row(), 0).data().toInt();
        g.state = GroupModel::State::Chosen;
        g.chosen.reset();
        if (readers) {
            for (const Person& p : m_readers) {
                if (p.nummer == nummer)
                    g.chosen = p.id;
            }
        } else {
            for (const Item& b : m_books) {
                if (b.nummer == nummer)
                    g.chosen = b.id;
            }
        }
        m_entered = false; // a click in a list hides the confirmation
        return QString::number(nummer);
    }

    void clickBuchen(bool twice) {
        auto* button = activeDialog()->findChild<FlatButton*>(QStringLiteral("BBuchen"));
        if (twice) {
            // As the system delivers a double click: press, release, press, double click, release.
            QTest::mouseClick(button, Qt::LeftButton);
            QTest::mousePress(button, Qt::LeftButton);
            QTest::mouseDClick(button, Qt::LeftButton);
            QTest::mouseRelease(button, Qt::LeftButton);
        } else {
            QTest::mouseClick(button, Qt::LeftButton);
        }
        for (int i = 0; i < (twice ? 2 : 1); ++i) {
            if (m_window == Window::Loan)
                modelBook();
            else
                modelReturn();
        }
    }

    QString doStep() {
        if (m_window == Window::None) {
            const bool loanWindow = m_random.bounded(3) != 0;
            QDialog* w = loanWindow ? static_cast<QDialog*>(m_loanWindow) : m_returnWindow;
            w->show();
            w->activateWindow();
            if (!QTest::qWaitForWindowActive(w))
                return QStringLiteral("the window did not become active");
            m_window = loanWindow ? Window::Loan : Window::Return;
            m_entered = false;
            if (loanWindow) {
                opened(m_readerGroup, m_f->readers());
                opened(m_bookGroup, m_f->books());
            } else {
                opened(m_returnGroup, m_f->books());
            }
            log(loanWindow ? QStringLiteral("open Ausleihe") : QStringLiteral("open Rückgabe"));
            return {};
        }
        const bool loanWindow = m_window == Window::Loan;
        if (loanWindow) {
            adoptShown(m_readerGroup, m_f->readers());
            adoptShown(m_bookGroup, m_f->books());
        } else {
            adoptShown(m_returnGroup, m_f->books());
        }
        const int action = int(m_random.bounded(20));
        // In the loan window half of the list actions go to the readers.
        const bool readers = loanWindow && m_random.bounded(2) == 0;
        NarrowingGroup* real = loanWindow ? (readers ? m_loanWindow->readerGroup() : m_loanWindow->bookGroup())
                                          : m_returnWindow->bookGroup();
        GroupModel& g = loanWindow ? (readers ? m_readerGroup : m_bookGroup) : m_returnGroup;
        Table& table = readers ? m_f->readers() : m_f->books();
        const QString side = readers ? QStringLiteral("Leser") : QStringLiteral("Buch");
        if (action < 6) {
            const bool pressEnter = action < 5;
            const QString number = scanInto(real, g, readers, !loanWindow, pressEnter);
            log(QStringLiteral("scan %1 %2%3").arg(side, number, pressEnter ? QStringLiteral(" Enter") : QString()));
            if (!pressEnter)
                return {};
            if (g.state != GroupModel::State::Chosen) {
                const QString notFound = readers ? QStringLiteral("Kein Leser mit der Nummer %1 vorhanden")
                                         : loanWindow
                                             ? QStringLiteral("Kein ausleihbares Buch mit der Nummer %1 vorhanden")
                                             : QStringLiteral("Kein rückbuchbares Buch mit der Nummer %1 vorhanden");
                refuse(unmatched(g, notFound, QString()));
            } else if (readers) {
                // The reader is taken; the book number box is entered and emptied for the book.
                enteredBox(m_bookGroup, true);
                m_bookGroup.numberText.clear();
            } else if (loanWindow) {
                modelBook();
            } else {
                modelReturn();
            }
            return {};
        }
        if (action < 10) {
            log(QStringLiteral("narrow %1 %2").arg(side, narrowInto(real, g, table, readers)));
            return {};
        }
        if (action < 14) {
            log(QStringLiteral("click %1 %2").arg(side, clickInto(real, g, readers)));
            return {};
        }
        if (action < 17) {
            log(QStringLiteral("Buchen"));
            clickBuchen(false);
            return {};
        }
        if (action < 19) {
            log(QStringLiteral("Buchen double click"));
            clickBuchen(true);
            return {};
        }
        log(QStringLiteral("Esc"));
        QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : activeDialog(), Qt::Key_Escape);
        if (activeDialog()->isVisible())
            return QStringLiteral("Esc did not close the window");
        m_window = Window::None;
        return {};
    }

    QString compare() {
        const QStringList shown = MessageService::takeShownTexts();
        if (shown != m_expected)
            return QStringLiteral("messages [%1], expected [%2]")
                .arg(shown.join(QStringLiteral(" | ")), m_expected.join(QStringLiteral(" | ")));
        m_expected.clear();

        // The loan rows against the model, and each book's flag against its open loans.
        const RowStore& loans = m_f->loans().store();
        QList<std::tuple<int, int, bool>> rows;
        QHash<int, int> openCount;
        for (qsizetype slot = 0; slot < loans.slotCount(); ++slot) {
            if (!SlotStatus::isLive(loans.status(slot)))
                continue;
            const int book = loans.value(slot, loans.columnIndex(QStringLiteral("BuecherID"))).toInt();
            const int reader = loans.value(slot, loans.columnIndex(QStringLiteral("LeserID"))).toInt();
            const bool open = loans.value(slot, loans.columnIndex(QStringLiteral("DatumBis"))).isNull();
            rows.append({book, reader, open});
            if (open && ++openCount[book] > 1)
                return QStringLiteral("book %1 has two open loans").arg(book);
        }
        QList<std::tuple<int, int, bool>> expected = m_loans;
        std::sort(rows.begin(), rows.end());
        std::sort(expected.begin(), expected.end());
        if (rows != expected) {
            QStringList a, b;
            for (const auto& [book, reader, open] : rows)
                a.append(QStringLiteral("%1>%2%3").arg(book).arg(reader).arg(open ? "" : " zurück"));
            for (const auto& [book, reader, open] : expected)
                b.append(QStringLiteral("%1>%2%3").arg(book).arg(reader).arg(open ? "" : " zurück"));
            return QStringLiteral("loans [%1], expected [%2]")
                .arg(a.join(QStringLiteral(", ")), b.join(QStringLiteral(", ")));
        }
        for (const Item& b : m_books) {
            if (m_f->lentFlag(b.id) != openCount.contains(b.id))
                return QStringLiteral("book %1: lent flag %2 with %3 open loans")
                    .arg(b.nummer)
                    .arg(m_f->lentFlag(b.id))
                    .arg(openCount.value(b.id));
        }
        if (m_window == Window::None)
            return {};

        if (activeDialog()->findChild<QLabel*>(QStringLiteral("LEingetragen"))->isVisible() != m_entered)
            return QStringLiteral("\"EINGETRAGEN\" %1").arg(m_entered ? "hidden after a booking" : "shown");
        const auto checkGroup = [&](NarrowingGroup* real, GroupModel& g, Table& table, const QString& name) {
            const bool listedRows = table.RecordCount() > 0;
            const bool chosen = g.state == GroupModel::State::Chosen && listedRows;
            if (!real->grid()->selectionModel()->selectedRows().isEmpty() != chosen)
                return QStringLiteral("list %1 %2").arg(name, chosen ? "shows no selection" : "shows a selection");
            if (chosen && g.chosen && table.FieldByName(QStringLiteral("ID")).AsInteger() != *g.chosen)
                return QStringLiteral("list %1: current row %2, chosen %3")
                    .arg(name)
                    .arg(table.FieldByName(QStringLiteral("ID")).AsInteger())
                    .arg(*g.chosen);
            return QString();
        };
        QString error;
        if (m_window == Window::Loan) {
            error = checkGroup(m_loanWindow->readerGroup(), m_readerGroup, m_f->readers(), QStringLiteral("Leser"));
            if (error.isEmpty())
                error = checkGroup(m_loanWindow->bookGroup(), m_bookGroup, m_f->books(), QStringLiteral("Buch"));
        } else {
            error = checkGroup(m_returnWindow->bookGroup(), m_returnGroup, m_f->books(), QStringLiteral("Buch"));
        }
        return error;
    }

    quint32 m_seed;
    QRandomGenerator m_random;
    Fixture<LibraryHandle>* m_f = nullptr;
    TAusleiheBuchenF* m_loanWindow = nullptr;
    TRueckgabeF* m_returnWindow = nullptr;
    Window m_window = Window::None;

    QList<Person> m_readers;
    QList<Item> m_books;
    QList<std::tuple<int, int, bool>> m_loans; // book, reader, open
    QHash<int, int> m_open;                    // book -> reader of its open loan
    GroupModel m_readerGroup, m_bookGroup, m_returnGroup;
    QStringList m_expected;
    bool m_entered = false;
    QString m_lastScan;
    QStringList m_log;
};

} // namespace

class DeskModelCheck : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { setUpProcess(); }
    void init() { MessageService::setAnswering(true); }

    void randomDesk_data() {
        QTest::addColumn<quint32>("seed");
        for (const quint32 seed : {1u, 2u, 3u, 5u, 8u, 13u, 21u, 34u, 55u, 89u, 144u, 233u})
            QTest::addRow("seed %u", seed) << seed;
    }
    void randomDesk() {
        QFETCH(quint32, seed);
        Fixture<LibraryHandle> f;
        INI::WriteSettingInteger(QStringLiteral("Tage"), 21);
        Desk desk(seed);
        desk.build(f);
        const QString failure = desk.run(f, 300);
        QVERIFY2(failure.isEmpty(), qPrintable(failure));
        const QString proposals = desk.proposalsAreNew(f);
        QVERIFY2(proposals.isEmpty(), qPrintable(proposals));
    }
};

QTEST_MAIN(DeskModelCheck)
#include "tst_deskmodelcheck.moc"
