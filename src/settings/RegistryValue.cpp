#include "settings/RegistryValue.h"

#include <QtEndian>

namespace lesaro {

QByteArray RegistryValue::stringData(const QString& text) {
    QByteArray bytes((text.size() + 1) * 2, '\0');
    auto* out = reinterpret_cast<uchar*>(bytes.data());
    for (qsizetype i = 0; i < text.size(); ++i)
        qToLittleEndian<quint16>(text.at(i).unicode(), out + 2 * i);
    return bytes;
}

QByteArray RegistryValue::dwordData(quint32 number) {
    QByteArray bytes(4, '\0');
    qToLittleEndian<quint32>(number, bytes.data());
    return bytes;
}

bool RegistryValue::toText(QString* text) const {
    if (type != RegType::String || data.size() % 2 != 0)
        return false;
    const auto* in = reinterpret_cast<const uchar*>(data.constData());
    qsizetype units = data.size() / 2;
    // Exactly one terminating zero is the registry's; a zero before it belongs to the text.
    if (units > 0 && qFromLittleEndian<quint16>(in + 2 * (units - 1)) == 0)
        --units;
    text->resize(units);
    QChar* out = text->data();
    for (qsizetype i = 0; i < units; ++i)
        out[i] = QChar(qFromLittleEndian<quint16>(in + 2 * i));
    return true;
}

bool RegistryValue::toDword(quint32* number) const {
    if (type != RegType::Dword || data.size() != 4)
        return false;
    *number = qFromLittleEndian<quint32>(data.constData());
    return true;
}

} // namespace lesaro
