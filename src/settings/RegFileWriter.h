#pragma once

#include <QByteArray>
#include <QStringList>

namespace lesaro {

class RegistryKey;

namespace RegFileWriter {

// The registry editor's export of the key at keyPath below root and of all keys below it (UTF-16LE with
// byte-order mark, CR LF line ends, one section per key, sub-keys in enumeration order). root stands
// above the hives; the path is written with the names as stored. Empty when there is no such key.
QByteArray write(const RegistryKey& root, const QStringList& keyPath);

} // namespace RegFileWriter
} // namespace lesaro
