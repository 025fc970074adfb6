#include "ui/DesktopOpener.h"
#include "ui/MessageService.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

using namespace lesaro;

namespace {

// Runs a poppler tool on a file and gives its standard output; skips when poppler-utils is not installed.
QString poppler(const QString& tool, const QStringList& args) {
    const QString program = QStandardPaths::findExecutable(tool);
    if (program.isEmpty())
        return QString();
    QProcess p;
    p.start(program, args);
    if (!p.waitForFinished(60000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
        return QStringLiteral("<%1 failed: %2>").arg(tool, QString::fromUtf8(p.readAllStandardError()));
    return QString::fromUtf8(p.readAllStandardOutput());
}

void touch(const QString& path) {
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("%PDF-1.4\n");
}

} // namespace

// The manual the build made: that it opens as a PDF, holds every chapter and the program's own pictures,
// and that the help button finds it both in the build folder and where an installation puts it.
class ManualTest : public QObject {
    Q_OBJECT

    static QString pdf() { return QStringLiteral(LESARO_MANUAL_PDF); }

private Q_SLOTS:
    void initTestCase() {
        QVERIFY2(QFileInfo::exists(pdf()), qPrintable(pdf()));
        MessageService::setAnswering(true);
    }

    void init() {
        if (QString(QTest::currentTestFunction()).startsWith(QLatin1String("holds")) ||
            QString(QTest::currentTestFunction()) == QLatin1String("opensAsPdf")) {
            if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty())
                QSKIP("poppler-utils (pdftotext, pdfinfo, pdfimages) is not installed");
        }
    }

    void opensAsPdf() {
        const QString info = poppler(QStringLiteral("pdfinfo"), {pdf()});
        QVERIFY2(info.contains(QRegularExpression(QStringLiteral("^Title:\\s+Lesaro - Handbuch$"),
                                                  QRegularExpression::MultilineOption)),
                 qPrintable(info));
        QVERIFY2(info.contains(QStringLiteral("A4")), qPrintable(info));
        const QRegularExpressionMatch pages = QRegularExpression(QStringLiteral("Pages:\\s+(\\d+)")).match(info);
        QVERIFY2(pages.hasMatch(), qPrintable(info));
        // A title page and a page of its own for each of the twelve chapters, at the least.
        QVERIFY2(pages.captured(1).toInt() >= 13, qPrintable(info));
    }

    void holdsEveryChapter_data() {
        QTest::addColumn<QString>("text");
        QTest::newRow("title") << QStringLiteral("Lesaro – Handbuch");
        QTest::newRow("start") << QStringLiteral("1. Programmstart und Hauptfenster");
        QTest::newRow("catalogue") << QStringLiteral("2. Bücher erfassen");
        QTest::newRow("readers") << QStringLiteral("3. Leser verwalten");
        QTest::newRow("lending") << QStringLiteral("4. Ausleihe und Rückgabe");
        QTest::newRow("overdue") << QStringLiteral("5. Überfällige Bücher und Mahnungen");
        QTest::newRow("letters") << QStringLiteral("Mahnungen drucken…");
        QTest::newRow("search") << QStringLiteral("6. Auswerten und Suchen");
        QTest::newRow("printing") << QStringLiteral("7. Drucken");
        QTest::newRow("exchange") << QStringLiteral("8. Daten importieren und exportieren");
        QTest::newRow("backup") << QStringLiteral("9. Datensicherung");
        QTest::newRow("options") << QStringLiteral("10. Optionen");
        QTest::newRow("data folder") << QStringLiteral("11. Wo Lesaro seine Daten ablegt");
        QTest::newRow("copies and journal") << QStringLiteral("12. Startkopien und Absturzschutz");
        QTest::newRow("journal file") << QStringLiteral("journal.lsj");
        QTest::newRow("help key") << QStringLiteral("F1");
    }

    void holdsEveryChapter() {
        QFETCH(QString, text);
        static const QString all = poppler(
            QStringLiteral("pdftotext"), {QStringLiteral("-enc"), QStringLiteral("UTF-8"), pdf(), QStringLiteral("-")});
        QVERIFY2(all.contains(text), qPrintable(all.left(400)));
    }

    // Thirteen pictures of the program: the main window twice and eleven dialogs, every one a real image of
    // a window rather than an empty frame.
    void holdsThePictures() {
        const QString list = poppler(QStringLiteral("pdfimages"), {QStringLiteral("-list"), pdf()});
        QStringList rows = list.split(QLatin1Char('\n'), Qt::SkipEmptyParts).mid(2);
        QVERIFY2(rows.size() >= 13, qPrintable(list));
        for (const QString& row : rows) {
            const QStringList cols = row.simplified().split(QLatin1Char(' '));
            QVERIFY2(cols.size() > 4 && cols[3].toInt() >= 200 && cols[4].toInt() >= 100, qPrintable(row));
        }
    }

    // A picture the text names but the program did not take stops the build instead of leaving a hole.
    void unknownPictureFailsTheBuild() {
        QTemporaryDir dir;
        const QString md = dir.filePath(QStringLiteral("h.md"));
        QFile f(md);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("# Test\n\n![Fehlt](gibtesnicht.png)\n");
        f.close();
        const QString out = dir.filePath(QStringLiteral("out.pdf"));
        QProcess p;
        p.start(QStringLiteral(LESARO_MANUAL_TOOL), {md, out});
        QVERIFY(p.waitForFinished(120000));
        QCOMPARE(p.exitCode(), 1);
        QVERIFY2(QString::fromUtf8(p.readAllStandardError()).contains(QStringLiteral("gibtesnicht.png")),
                 "the message names the picture");
        QVERIFY(!QFileInfo::exists(out));
    }

    // What "cmake --install" puts where a desktop looks for it, and a desktop entry that names the program,
    // its German name and comment, and the menu categories.
    void installsInStandardPlaces() {
        QTemporaryDir prefix;
        QProcess p;
        p.setProcessChannelMode(QProcess::MergedChannels);
        p.start(QStringLiteral(LESARO_CMAKE), {QStringLiteral("--install"), QStringLiteral(LESARO_BUILD_DIR),
                                               QStringLiteral("--prefix"), prefix.path()});
        QVERIFY(p.waitForFinished(120000));
        QVERIFY2(p.exitCode() == 0, p.readAll().constData());
        const QStringList files = {QStringLiteral("bin/lesaro"), QStringLiteral("share/lesaro/Lesaro - Handbuch.pdf"),
                                   QStringLiteral("share/applications/de.orvendel.Lesaro.desktop"),
                                   QStringLiteral("share/icons/hicolor/scalable/apps/de.orvendel.Lesaro.svg"),
                                   QStringLiteral("share/metainfo/de.orvendel.Lesaro.metainfo.xml")};
        for (const QString& file : files)
            QVERIFY2(QFileInfo(prefix.filePath(file)).isFile(), qPrintable(file));
        QVERIFY(QFileInfo(prefix.filePath(QStringLiteral("bin/lesaro"))).isExecutable());

        QFile entry(prefix.filePath(QStringLiteral("share/applications/de.orvendel.Lesaro.desktop")));
        QVERIFY(entry.open(QIODevice::ReadOnly));
        const QStringList lines = QString::fromUtf8(entry.readAll()).split(QLatin1Char('\n'));
        QCOMPARE(lines.first(), QStringLiteral("[Desktop Entry]"));
        for (const QString& line :
             {QStringLiteral("Type=Application"), QStringLiteral("Exec=lesaro"),
              QStringLiteral("Icon=de.orvendel.Lesaro"), QStringLiteral("Name[de]=Lesaro"),
              QStringLiteral("Comment[de]=Bücher, Leser und Ausleihen einer kleinen Bücherei verwalten")})
            QVERIFY2(lines.contains(line), qPrintable(line));
        const auto categories = std::find_if(
            lines.begin(), lines.end(), [](const QString& l) { return l.startsWith(QLatin1String("Categories=")); });
        QVERIFY(categories != lines.end());
        QVERIFY(categories->contains(QLatin1String("Office;")) && categories->contains(QLatin1String("Education;")));

        QFile meta(prefix.filePath(QStringLiteral("share/metainfo/de.orvendel.Lesaro.metainfo.xml")));
        QVERIFY(meta.open(QIODevice::ReadOnly));
        const QString xml = QString::fromUtf8(meta.readAll());
        QVERIFY2(!xml.contains(QLatin1Char('@')), "every placeholder filled in");
        QVERIFY(
            xml.contains(QStringLiteral("<launchable type=\"desktop-id\">de.orvendel.Lesaro.desktop</launchable>")));
    }

    // Where the help button looks: beside the program file first (a build folder), then where an
    // installation puts it (bin/lesaro beside share/lesaro); with neither, the message names the program folder.
    void findsTheInstalledManual_data() {
        QTest::addColumn<bool>("beside");
        QTest::addColumn<bool>("installed");
        QTest::addColumn<QString>("expected");
        QTest::newRow("neither") << false << false << QStringLiteral("bin");
        QTest::newRow("beside only") << true << false << QStringLiteral("bin");
        QTest::newRow("installed only") << false << true << QStringLiteral("share/lesaro");
        QTest::newRow("both: beside wins") << true << true << QStringLiteral("bin");
    }

    void findsTheInstalledManual() {
        QFETCH(bool, beside);
        QFETCH(bool, installed);
        QFETCH(QString, expected);
        QTemporaryDir dir;
        const QString bin = dir.filePath(QStringLiteral("bin"));
        QDir().mkpath(bin);
        if (beside)
            touch(QDir(bin).filePath(DesktopOpener::manualFileName()));
        if (installed)
            touch(dir.filePath(QStringLiteral("share/lesaro/") + DesktopOpener::manualFileName()));
        DesktopOpener::setProgramFolder(bin);
        const QString path = DesktopOpener::manualPath();
        QCOMPARE(path, QDir(dir.filePath(expected)).filePath(DesktopOpener::manualFileName()));

        QList<QUrl> opened;
        DesktopOpener::setOpener([&opened](const QUrl& url) {
            opened << url;
            return true;
        });
        QCOMPARE(DesktopOpener::openManual(nullptr), beside || installed);
        if (beside || installed)
            QCOMPARE(opened, QList<QUrl>{QUrl::fromLocalFile(path)});
        DesktopOpener::setOpener({});
        DesktopOpener::setProgramFolder({});
    }
};

QTEST_MAIN(ManualTest)
#include "tst_manual.moc"
