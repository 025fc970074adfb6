#pragma once

#include <QByteArray>
#include <cstring>

namespace lesaro {

// The table files are little-endian, as is every machine the program is built for; memcpy keeps unaligned
// reads and writes well-defined.
template <typename T>
T readLE(const char* p) {
    T v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

template <typename T>
void appendLE(QByteArray& out, T v) {
    out.append(reinterpret_cast<const char*>(&v), sizeof v);
}

} // namespace lesaro
