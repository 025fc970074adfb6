#include "catalogue/rules/IsbnCopies.h"

#include "catalogue/rules/Isbn.h"
#include "core/Table.h"
#include "core/Win1252.h"

namespace lesaro {

namespace {

QString textAt(const RowStore& store, qsizetype slot, int column) {
    if (column < 0)
        return {};
    const Value v = store.value(slot, column);
    if (v.isNull())
        return {};
    if (v.kind() == FieldKind::Integer)
        return QString::number(v.toInt());
    return win1252::decode(v.bytes());
}

} // namespace

IsbnCopies::IsbnCopies(Table& books, QObject* parent)
    : QObject(parent)
    , m_books(books) {
    connect(&m_books, &Table::rowsChanged, this, [this] { m_stale = true; });
    connect(&m_books, &Table::viewReset, this, [this] { m_stale = true; });
}

void IsbnCopies::build() {
    m_slots.clear();
    m_stale = false;
    const RowStore& store = m_books.store();
    const int isbn = store.columnIndex(QStringLiteral("ISBN"));
    if (isbn < 0)
        return;
    for (qsizetype s = 0; s < store.slotCount(); ++s) {
        if (!SlotStatus::isLive(store.status(s)))
            continue;
        const QString key = Isbn::key(textAt(store, s, isbn));
        if (!key.isEmpty())
            m_slots[key] << s;
    }
}

QList<IsbnCopies::Copy> IsbnCopies::copies(const QString& isbnText, int exceptId) {
    const QString key = Isbn::key(isbnText);
    // Only a number long enough to name a book: "3" is no reason to list every book with a 3 in its ISBN.
    if (key.size() < 10)
        return {};
    if (m_stale)
        build();
    QList<Copy> out;
    const RowStore& store = m_books.store();
    const int id = store.columnIndex(QStringLiteral("ID"));
    const int nummer = store.columnIndex(QStringLiteral("Nummer"));
    const int verfasser = store.columnIndex(QStringLiteral("Verfasser"));
    const int titel = store.columnIndex(QStringLiteral("Titel"));
    for (qsizetype s : m_slots.value(key)) {
        Copy c;
        c.id = textAt(store, s, id).toInt();
        if (c.id == exceptId)
            continue;
        c.nummer = textAt(store, s, nummer);
        c.verfasser = textAt(store, s, verfasser);
        c.titel = textAt(store, s, titel);
        out << c;
    }
    return out;
}

QString IsbnCopies::note(const QList<Copy>& copies) {
    if (copies.isEmpty())
        return {};
    auto number = [](const Copy& c) {
        return QStringLiteral("Nr. ") + (c.nummer.isEmpty() ? QStringLiteral("?") : c.nummer);
    };
    const Copy& c = copies.first();
    if (copies.size() == 1) {
        QString what = c.titel;
        if (!c.verfasser.isEmpty())
            what = what.isEmpty() ? c.verfasser : c.verfasser + QStringLiteral(": ") + what;
        return QStringLiteral("Bereits vorhanden: ") + number(c) +
               (what.isEmpty() ? QString() : QStringLiteral(", ") + what);
    }
    QStringList numbers;
    for (int i = 0; i < copies.size() && i < 3; ++i)
        numbers << number(copies[i]);
    QString text = QStringLiteral("Bereits vorhanden: ") + numbers.join(QStringLiteral(", "));
    if (copies.size() > 3)
        text += QStringLiteral(" und %1 weitere").arg(copies.size() - 3);
    return text + QStringLiteral(" (%1 Exemplare)").arg(copies.size());
}

} // namespace lesaro
