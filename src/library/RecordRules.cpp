#include "library/RecordRules.h"

#include "library/BookEntryWindow.h"
#include "library/LibraryData.h"
#include "library/ReaderEntryWindow.h"
#include "settings/INI.h"

#include <QSet>
#include <algorithm>
#include <limits>

namespace lesaro {

RecordRules::RecordRules(LibraryData& data)
    : m_data(data) {
    data.ClientBuecher.AfterInsert = [this](Table& t) { ClientBuecherAfterInsert(t); };
    data.ClientBuecher.AfterPost = [this](Table& t) { ClientBuecherAfterPost(t); };
    data.ClientBuecher.AfterScroll = [this](Table& t) { ClientBuecherAfterScroll(t); };
    data.ClientLeser.AfterInsert = [this](Table& t) { ClientLeserAfterInsert(t); };
    data.ClientLeser.AfterPost = [this](Table& t) { ClientLeserAfterPost(t); };
    data.ClientLeser.AfterScroll = [this](Table& t) { ClientLeserAfterScroll(t); };
    data.ClientAusleihe.AfterInsert = [this](Table& t) { ClientAusleiheAfterInsert(t); };
}

RecordRules::~RecordRules() {
    for (Table* t : {&m_data.ClientBuecher, &m_data.ClientLeser, &m_data.ClientAusleihe}) {
        t->AfterInsert = nullptr;
        t->AfterPost = nullptr;
        t->AfterScroll = nullptr;
    }
}

BookEntryWindow* RecordRules::showingBookWindow() const {
    return m_bookWindow && m_bookWindow->entryShowing() ? m_bookWindow : nullptr;
}

bool RecordRules::readerWindowShowing() const {
    return m_readerWindow && m_readerWindow->entryShowing();
}

int RecordRules::nextId(Table& t, const char* counter) {
    // The counter lives in the user's settings, the rows in the data folder: a user without the counter
    // (another account, lost settings) must still never issue an identifier that old loans point at.
    const QString name = QString::fromLatin1(counter);
    const qint64 fromCounter = qint64(INI::ReadSettingInteger(name)) + 1;
    const qint64 fromRows = t.largestStoredInteger(QStringLiteral("ID")) + 1;
    const int id = int(std::min<qint64>(std::max(fromCounter, fromRows), std::numeric_limits<qint32>::max()));
    INI::WriteSettingInteger(name, id);
    return id;
}

int RecordRules::nextNumber(Table& t, const char* counter) {
    // The number after the counter, unless a live row carries it: saving an existing book or reader sets the
    // counter to its number, and a scanner would then find the old row under the new one's number. The user
    // may still type any number.
    const QString name = QString::fromLatin1(counter);
    const qint64 wanted = qint64(INI::ReadSettingInteger(name)) + 1;
    qint64 number = wanted;
    // No stored version ever carried a number this high: nothing to look at (an import numbering thousands of
    // rows takes this path every time).
    if (wanted <= t.largestStoredInteger(QStringLiteral("Nummer"))) {
        const RowStore& store = t.store();
        const int column = store.columnIndex(QStringLiteral("Nummer"));
        QSet<qint64> taken;
        for (qsizetype slot = 0; slot < store.slotCount(); ++slot) {
            if (!SlotStatus::isLive(store.status(slot)))
                continue;
            const RowRef row(store, slot);
            if (!row.isNull(column) && row.int32(column) >= wanted)
                taken.insert(row.int32(column));
        }
        while (taken.contains(number))
            ++number;
    }
    const int nummer = int(std::min<qint64>(number, std::numeric_limits<qint32>::max()));
    INI::WriteSettingInteger(name, nummer);
    return nummer;
}

void RecordRules::ClientBuecherAfterInsert(Table& t) {
    t.FieldByName(QStringLiteral("ID")).setAsInteger(nextId(t, "LastBuchID"));
    t.FieldByName(QStringLiteral("Nummer")).setAsInteger(nextNumber(t, "LastBuchNummer"));
    t.FieldByName(QStringLiteral("ausgeliehen")).setAsBoolean(false);
}

void RecordRules::ClientLeserAfterInsert(Table& t) {
    t.FieldByName(QStringLiteral("ID")).setAsInteger(nextId(t, "LastLeserID"));
    t.FieldByName(QStringLiteral("Nummer")).setAsInteger(nextNumber(t, "LastLeserNummer"));
}

void RecordRules::ClientAusleiheAfterInsert(Table& t) {
    t.FieldByName(QStringLiteral("ID")).setAsInteger(nextId(t, "LastAusleiheID"));
}

void RecordRules::storeNumber(Table& t, const char* counter) {
    // A row saved without a number keeps the counter as it is.
    const Field nummer = t.FieldByName(QStringLiteral("Nummer"));
    if (!nummer.IsNull())
        INI::WriteSettingInteger(QString::fromLatin1(counter), nummer.AsInteger());
}

void RecordRules::ClientBuecherAfterPost(Table& t) {
    BookEntryWindow* window = showingBookWindow();
    if (!window)
        return;
    struct Pair {
        const char* field;
        const char* box;
        QLatin1StringView list;
    };
    std::vector<Pair> pairs{{"Standort", "CBStand", INI::Standort},
                            {"Erscheinungsort", "CBOrt", INI::Erscheinungsort},
                            {"Sachgruppe", "CBSach", INI::Sachgruppe},
                            {"Verlag", "CBVerlag", INI::Verlag}};
    QList<QByteArray> keywordFields;
    for (int i = 1; i <= 10; ++i)
        keywordFields << QByteArray("Schlagwort") + QByteArray::number(i);
    for (const QByteArray& f : keywordFields)
        pairs.push_back({f.constData(), "CBSchlagwort1", INI::Schlagwort});
    for (const Pair& p : pairs) {
        const QString text = t.FieldByName(QString::fromLatin1(p.field)).AsString();
        if (!text.isEmpty()) {
            const QString box = QString::fromLatin1(p.box);
            QStringList items = window->items(box);
            if (!items.contains(text, Qt::CaseInsensitive)) {
                items << text;
                window->setItems(box, items);
            }
        }
        INI::AddRememberedValue(QString(p.list), text);
    }
    const QStringList keywords = window->items(QStringLiteral("CBSchlagwort1"));
    for (int i = 2; i <= 10; ++i)
        window->setItems(QStringLiteral("CBSchlagwort%1").arg(i), keywords);
    storeNumber(t, "LastBuchNummer");
}

void RecordRules::ClientLeserAfterPost(Table& t) {
    storeNumber(t, "LastLeserNummer");
}

void RecordRules::ClientBuecherAfterScroll(Table& t) {
    BookEntryWindow* window = showingBookWindow();
    if (!window)
        return;
    Table& loans = m_data.ClientAusleihe;
    const QVariant id = t.FieldByName(QStringLiteral("ID")).AsVariant();
    if (t.RecordCount() > 0 && id.isValid()) {
        loans.setFilter(QStringLiteral("BuecherID=") + QString::number(id.toInt()));
        loans.setFiltered(true);
    }
    QString borrower;
    if (loans.Locate(QStringLiteral("BuecherID;DatumBis"), {id, QVariant()})) {
        const QVariant reader = loans.FieldByName(QStringLiteral("LeserID")).AsVariant();
        Table& readers = m_data.ClientLeser;
        if (readers.Locate(QStringLiteral("ID"), {reader})) {
            borrower = readers.FieldByName(QStringLiteral("Vorname")).AsString() + QLatin1Char(' ') +
                       readers.FieldByName(QStringLiteral("Nachname")).AsString();
        }
    }
    window->showBorrower(borrower);
}

void RecordRules::ClientLeserAfterScroll(Table& t) {
    if (!readerWindowShowing())
        return;
    const QVariant id = t.FieldByName(QStringLiteral("ID")).AsVariant();
    if (!id.isValid())
        return;
    Table& loans = m_data.ClientAusleihe;
    loans.setFilter(QStringLiteral("LeserID=") + QString::number(id.toInt()) + QStringLiteral(" and DatumBis=null"));
    loans.setFiltered(true);
}

} // namespace lesaro
