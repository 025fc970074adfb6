#pragma once

// The columns of the library tables, written out here on their own so that the file tests do not lean on
// the library code that creates the tables.

#include "core/Datapacket.h"
#include "core/EngineError.h"
#include "core/RowStore.h"

#include <QByteArray>
#include <QFile>
#include <QTest>

namespace lesaro::testing {

inline QList<ColumnDef> bookColumns() {
    QList<ColumnDef> c{ColumnDef::make("ID", FieldKind::Integer), ColumnDef::make("Nummer", FieldKind::Integer)};
    for (const char* name : {"Verfasser", "Titel", "Verlag", "Erscheinungsjahr", "Erscheinungsort", "Auflage",
                             "Sachgruppe", "Signatur", "Standort", "ISBN"})
        c.append(ColumnDef::make(name, FieldKind::Text, 100));
    c.append(ColumnDef::make("Preis", FieldKind::Money));
    c.append(ColumnDef::make("Bemerkung", FieldKind::Text, 1500));
    c.append(ColumnDef::make("ausgeliehen", FieldKind::Boolean));
    for (int i = 1; i <= 10; ++i)
        c.append(ColumnDef::make(QStringLiteral("Schlagwort%1").arg(i), FieldKind::Text, 100));
    return c;
}

inline QList<ColumnDef> readerColumns() {
    QList<ColumnDef> c{ColumnDef::make("ID", FieldKind::Integer), ColumnDef::make("Nummer", FieldKind::Integer)};
    for (const char* name : {"Vorname", "Nachname", "Strae", "PLZ", "Ort", "Telefon", "eMail", "Sonstiges1"})
        c.append(ColumnDef::make(name, FieldKind::Text, 100));
    c.append(ColumnDef::make("Bemerkung", FieldKind::Text, 1500));
    return c;
}

inline QList<ColumnDef> loanColumns() {
    return {ColumnDef::make("ID", FieldKind::Integer),       ColumnDef::make("BuecherID", FieldKind::Integer),
            ColumnDef::make("LeserID", FieldKind::Integer),  ColumnDef::make("DatumVon", FieldKind::Date),
            ColumnDef::make("DatumBis", FieldKind::Date),    ColumnDef::make("Bemerkung", FieldKind::Text, 1500),
            ColumnDef::make("DatumBisSoll", FieldKind::Date)};
}

inline QList<ColumnDef> postcodeColumns() {
    QList<ColumnDef> c{ColumnDef::make("PLZ", FieldKind::Text, 5), ColumnDef::make("Ort", FieldKind::Text, 100)};
    for (ColumnDef& d : c)
        d.attributes = 0x0010;
    return c;
}

inline QByteArray fixture(const QString& name) {
    QFile f(QStringLiteral(LESARO_TEST_DATA "/datapacket/") + name);
    if (!f.open(QIODevice::ReadOnly))
        qFatal("missing fixture %s", qPrintable(name));
    return f.readAll();
}

inline Value text(const char* latin1) {
    return Value::text(QByteArray(latin1));
}
inline Value day(int y, int m, int d) {
    return Value::date(dayFromDate(QDate(y, m, d)));
}

// Little-endian bytes put together by hand, as the files lay them out.
class Bytes {
public:
    Bytes& u8(quint32 v) {
        m_b.append(char(v));
        return *this;
    }
    Bytes& u16(quint32 v) { return u8(v & 0xFF).u8(v >> 8); }
    Bytes& u32(quint32 v) { return u16(v & 0xFFFF).u16(v >> 16); }
    Bytes& raw(QByteArrayView b) {
        m_b.append(b);
        return *this;
    }
    Bytes& hex(const char* h) {
        m_b.append(QByteArray::fromHex(h));
        return *this;
    }
    // A name with its 1-byte length.
    Bytes& name(QByteArrayView n) { return u8(quint32(n.size())).raw(n); }
    Bytes& intColumn(QByteArrayView n) { return name(n).u32(0x00010004).u16(0).u16(0); }
    Bytes& textColumn(QByteArrayView n, int width) {
        return name(n)
            .u32(width < 255 ? 0x00490001 : 0x00490002)
            .u16(0)
            .u16(1)
            .name("WIDTH")
            .u32(0x00020002)
            .u16(width);
    }
    QByteArray bytes() const { return m_b; }
    qsizetype size() const { return m_b.size(); }
    operator QByteArray() const { return m_b; }

private:
    QByteArray m_b;
};

// A whole binary packet around the given descriptors, table parameters (count included) and row records.
// metadata -1 puts the true offset of the first row.
inline QByteArray packet(int columns, const QByteArray& descriptors, const QByteArray& params, quint32 rows,
                         const QByteArray& records, quint32 attributes = 3, int metadata = -1) {
    const qsizetype offset = 24 + descriptors.size() + params.size();
    Bytes b;
    b.u32(0xBDE01996).u16(1).u16(0).u32(24).u16(quint32(columns)).u32(rows).u32(attributes);
    b.u16(metadata < 0 ? quint32(offset) : quint32(metadata));
    return b.raw(descriptors).raw(params).raw(records);
}

} // namespace lesaro::testing

namespace lesaro::testing {

inline const QString kMismatch = QStringLiteral("Mismatch in datapacket.");
inline const QString kNotXml = QStringLiteral("Die Datei ist weder ein binäres Datenpaket noch wohlgeformtes XML");

// The reader's message for bytes it refuses, or a marker when it reads them.
inline QString readError(const QByteArray& bytes) {
    try {
        ReadDatapacket(bytes);
    } catch (const EngineError& e) {
        return e.message();
    }
    return QStringLiteral("(gelesen ohne Fehler)");
}

// Two stores hold the same table: columns, every slot with its status and record bytes, log, parameters.
inline void compareStores(const RowStore& actual, const RowStore& expected) {
    QCOMPARE(actual.columnCount(), expected.columnCount());
    for (int i = 0; i < expected.columnCount(); ++i) {
        const ColumnDef& a = actual.columns()[i];
        const ColumnDef& e = expected.columns()[i];
        QCOMPARE(a.name, e.name);
        QCOMPARE(a.kind, e.kind);
        QCOMPARE(a.width, e.width);
        QCOMPARE(a.attributes, e.attributes);
        QCOMPARE(a.lengthBytes, e.lengthBytes);
    }
    QCOMPARE(actual.slotCount(), expected.slotCount());
    for (qsizetype s = 0; s < expected.slotCount(); ++s) {
        QCOMPARE(actual.status(s), expected.status(s));
        QCOMPARE(QByteArray(actual.record(s), actual.slot(s).length),
                 QByteArray(expected.record(s), expected.slot(s).length));
    }
    QCOMPARE(actual.changeLog().size(), expected.changeLog().size());
    for (size_t i = 0; i < expected.changeLog().size(); ++i) {
        QCOMPARE(actual.changeLog()[i].slot, expected.changeLog()[i].slot);
        QCOMPARE(actual.changeLog()[i].replaced, expected.changeLog()[i].replaced);
        QCOMPARE(actual.changeLog()[i].kind, expected.changeLog()[i].kind);
    }
    QCOMPARE(actual.keptParams().size(), expected.keptParams().size());
}

} // namespace lesaro::testing
