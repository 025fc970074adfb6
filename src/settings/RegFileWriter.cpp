#include "settings/RegFileWriter.h"

#include "settings/RegFileFormat.h"
#include "settings/RegistryKey.h"

#include <QtEndian>

namespace lesaro::RegFileWriter {

using namespace Qt::StringLiterals;

namespace {

void appendQuoted(QString& out, QStringView text) {
    out.append(u'"');
    for (QChar c : text) {
        if (c == u'\\' || c == u'"')
            out.append(u'\\');
        out.append(c);
    }
    out.append(u'"');
}

// A text goes between quotes unless it holds a line break or another control character (tab aside),
// which the line format cannot carry; those texts are written as hex(1), the raw REG_SZ bytes.
bool quotable(const RegistryValue& v, QString* text) {
    // Quotes give back the text plus exactly one terminating zero; any other shape needs the bytes.
    const qsizetype n = v.data.size();
    if (!v.toText(text) || n < 2 || v.data.at(n - 1) != 0 || v.data.at(n - 2) != 0)
        return false;
    for (QChar c : *text) {
        if (c.unicode() < 0x20 && c != u'\t')
            return false;
    }
    return true;
}

void appendHex(QString& out, const RegistryValue& v) {
    static constexpr char16_t kDigits[] = u"0123456789abcdef";
    if (v.type == RegType::Binary)
        out.append("hex:"_L1);
    else
        out.append("hex("_L1 + QString::number(v.type, 16) + "):"_L1);
    for (qsizetype i = 0; i < v.data.size(); ++i) {
        const auto b = static_cast<unsigned char>(v.data.at(i));
        if (i > 0)
            out.append(u',');
        out.append(QChar(kDigits[b >> 4]));
        out.append(QChar(kDigits[b & 0xF]));
    }
}

void appendValue(QString& out, const RegistryValue& v) {
    if (v.name.isEmpty())
        out.append(u'@');
    else
        appendQuoted(out, v.name);
    out.append(u'=');
    QString text;
    quint32 number = 0;
    if (quotable(v, &text))
        appendQuoted(out, text);
    else if (v.toDword(&number))
        out.append("dword:"_L1 + QStringLiteral("%1").arg(number, 8, 16, QChar(u'0')));
    else
        appendHex(out, v);
    out.append("\r\n"_L1);
}

void appendKey(QString& out, const RegistryKey& key, const QString& path) {
    out.append(u'[' + path + "]\r\n"_L1);
    for (const RegistryValue& v : key.values())
        appendValue(out, v);
    out.append("\r\n"_L1);
    for (const RegistryKey* sub : key.subKeys())
        appendKey(out, *sub, path + u'\\' + sub->name());
}

} // namespace

QByteArray write(const RegistryKey& root, const QStringList& keyPath) {
    const RegistryKey* key = &root;
    QString path;
    for (const QString& part : keyPath) {
        key = key->subKey(part);
        if (!key)
            return QByteArray();
        path += (path.isEmpty() ? QString() : QStringLiteral("\\")) + key->name();
    }
    QString text = RegFileFormat::kHeader + "\r\n\r\n"_L1;
    appendKey(text, *key, path);

    QByteArray bytes((text.size() + 1) * 2, Qt::Uninitialized);
    auto* out = reinterpret_cast<uchar*>(bytes.data());
    qToLittleEndian<quint16>(0xFEFF, out);
    for (qsizetype i = 0; i < text.size(); ++i)
        qToLittleEndian<quint16>(text.at(i).unicode(), out + 2 * (i + 1));
    return bytes;
}

} // namespace lesaro::RegFileWriter
