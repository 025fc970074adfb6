#pragma once

// A small file system of its own for tests of full and read-only disks: a tmpfs mounted on a folder.
// Mounting needs the rights of the system's administrator; without them the tests that need it skip.

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QString>

namespace lesaro::test {

class SmallDisk {
public:
    // size as mount takes it ("256k"); the folder is made when missing.
    SmallDisk(const QString& folder, const QString& size)
        : m_folder(folder) {
        QDir().mkpath(folder);
        m_mounted = run({QStringLiteral("-t"), QStringLiteral("tmpfs"), QStringLiteral("-o"),
                         QStringLiteral("size=") + size, QStringLiteral("tmpfs"), folder});
    }
    ~SmallDisk() {
        if (m_mounted)
            QProcess::execute(QStringLiteral("umount"), {QStringLiteral("-l"), m_folder});
    }
    SmallDisk(const SmallDisk&) = delete;
    SmallDisk& operator=(const SmallDisk&) = delete;

    bool mounted() const { return m_mounted; }

    // Writes a filler file until the disk takes no more.
    void fill() const {
        QFile f(m_folder + QStringLiteral("/.fuellung"));
        if (!f.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
            return;
        const QByteArray chunk(4096, 'f');
        while (f.write(chunk) == chunk.size()) {
        }
    }
    // Gives the space of the filler back.
    void makeRoom() const { QFile::remove(m_folder + QStringLiteral("/.fuellung")); }

    bool makeReadOnly() const { return run({QStringLiteral("-o"), QStringLiteral("remount,ro"), m_folder}); }

private:
    static bool run(const QStringList& arguments) {
        QProcess p;
        p.start(QStringLiteral("mount"), arguments);
        return p.waitForFinished(10000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
    }

    QString m_folder;
    bool m_mounted = false;
};

} // namespace lesaro::test
