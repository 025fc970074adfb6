#pragma once

#include <QByteArray>
#include <QString>

namespace lesaro {

// Registry value types the settings use; any other type read from a .reg file is kept as raw bytes.
namespace RegType {
constexpr quint32 String = 1; // REG_SZ: UTF-16LE text with a terminating zero unit
constexpr quint32 Binary = 3; // REG_BINARY
constexpr quint32 Dword = 4;  // REG_DWORD: four bytes, little-endian
} // namespace RegType

// One value of a key, held the way the registry holds it: a type and its bytes. Keeping the raw form lets
// every value of an imported file survive a round trip, whatever its type.
struct RegistryValue {
    QString name; // as created; compared without regard to case
    quint32 type = RegType::String;
    QByteArray data;

    static QByteArray stringData(const QString& text);
    static QByteArray dwordData(quint32 number);
    // The text of a REG_SZ value, the number of a REG_DWORD value; false for any other type or shape.
    bool toText(QString* text) const;
    bool toDword(quint32* number) const;
};

} // namespace lesaro
