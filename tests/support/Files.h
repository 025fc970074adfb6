#pragma once

// Reading and writing whole files in a test.

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QtTest>

namespace lesaro::testing {

// The file's bytes; empty when it cannot be read (a missing file is what many tests look for).
inline QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Replaces the file's content; the calling test fails when the bytes do not all reach it.
inline void writeAll(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(f.write(bytes), bytes.size());
}

} // namespace lesaro::testing
