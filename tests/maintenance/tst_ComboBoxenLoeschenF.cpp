// "Ordnung schaffen": the five remembered-value lists shown and single entries removed from them.
#include "maintenance/TComboBoxenLoeschenF.h"
#include "settings/INI.h"
#include "settings/SettingsStore.h"
#include "ui/LibraryHandle.h"

#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>

using namespace lesaro;

namespace {

struct ListControls {
    const char* box;
    const char* key;
    const char* button;
};
const ListControls kLists[] = {
    {"LBVerlag", "Verlag", "Button1"},         {"LBOrt", "Erscheinungsort", "Button2"},
    {"LBSachgruppe", "Sachgruppe", "Button3"}, {"LBStandort", "Standort", "Button4"},
    {"LBSchlagwort", "Schlagwort", "Button5"},
};

QStringList items(const QListWidget* box) {
    QStringList out;
    for (int i = 0; i < box->count(); ++i)
        out << box->item(i)->text();
    return out;
}

} // namespace

class tst_ComboBoxenLoeschenF : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<LibraryHandle> m_library;
    std::unique_ptr<TComboBoxenLoeschenF> m_window;

    QListWidget* box(const char* name) { return m_window->findChild<QListWidget*>(QString::fromLatin1(name)); }

    // Every list holds three entries named after it, so a removal shows in one list only.
    QList<QStringList> allLists() {
        QList<QStringList> out;
        for (const ListControls& l : kLists)
            out << items(box(l.box));
        return out;
    }

private Q_SLOTS:
    void init() {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
        SettingsStore::redirectInstance(m_dir->filePath(QStringLiteral("Lesaro.reg")));
        for (const ListControls& l : kLists) {
            for (const char* entry : {"Alpha", "Beta", "Gamma"})
                INI::AddRememberedValue(QString::fromLatin1(l.key),
                                        QString::fromLatin1(entry) + QLatin1Char(' ') + QString::fromLatin1(l.key));
        }
        m_library = std::make_unique<LibraryHandle>();
        m_window = std::make_unique<TComboBoxenLoeschenF>(*m_library);
        m_window->show();
    }

    void cleanup() {
        m_window.reset();
        m_library.reset();
        SettingsStore::redirectInstance(m_dir->filePath(QStringLiteral("nach-dem-test.reg")));
    }

    void showsTheFiveLists() {
        QCOMPARE(m_window->windowTitle(), QStringLiteral("Ordnung schaffen"));
        QCOMPARE(m_window->size(), QSize(516, 432));
        QVERIFY(m_window->findChild<QLabel*>(QStringLiteral("Label6"))
                    ->text()
                    .startsWith(QStringLiteral("Bitte markieren Sie die zu löschenden Daten")));
        for (const ListControls& l : kLists) {
            QCOMPARE(items(box(l.box)),
                     (QStringList{QStringLiteral("Alpha %1").arg(l.key), QStringLiteral("Beta %1").arg(l.key),
                                  QStringLiteral("Gamma %1").arg(l.key)}));
            QCOMPARE(box(l.box)->selectionMode(), QAbstractItemView::SingleSelection);
            QCOMPARE(m_window->findChild<QPushButton*>(QString::fromLatin1(l.button))->text(),
                     QStringLiteral("Löschen"));
        }
        QCOMPARE(m_window->findChild<QPushButton*>(QStringLiteral("BSchliessen"))->text(),
                 QStringLiteral(" Schließen"));
    }

    void removesTheSelectedEntryOfItsListOnly_data() {
        QTest::addColumn<int>("list");
        for (int i = 0; i < int(std::size(kLists)); ++i)
            QTest::newRow(kLists[i].box) << i;
    }
    void removesTheSelectedEntryOfItsListOnly() {
        QFETCH(int, list);
        const ListControls& l = kLists[list];
        QList<QStringList> expected = allLists();
        expected[list].removeAt(1);
        box(l.box)->setCurrentRow(1);
        m_window->findChild<QPushButton*>(QString::fromLatin1(l.button))->click();
        QCOMPARE(allLists(), expected);
        QCOMPARE(INI::ReadRememberedValues(QString::fromLatin1(l.key)), expected[list]);
        QVERIFY(box(l.box)->selectedItems().isEmpty());
        m_window->hide(); // shown again: read afresh, still without it
        m_window->show();
        QCOMPARE(allLists(), expected);
    }

    void nothingSelectedRemovesNothing_data() { removesTheSelectedEntryOfItsListOnly_data(); }
    void nothingSelectedRemovesNothing() {
        QFETCH(int, list);
        const QList<QStringList> before = allLists();
        // A selection in another list does not count for this button.
        box(kLists[(list + 1) % int(std::size(kLists))].box)->setCurrentRow(0);
        m_window->findChild<QPushButton*>(QString::fromLatin1(kLists[list].button))->click();
        QCOMPARE(allLists(), before);
        QCOMPARE(INI::ReadRememberedValues(QString::fromLatin1(kLists[list].key)), before[list]);
    }

    // The window reads the settings each time it is shown, so entries saved meanwhile appear.
    void showingAgainReadsTheSettings() {
        m_window->hide();
        INI::AddRememberedValue(QStringLiteral("Standort"), QStringLiteral("Keller"));
        m_window->show();
        QVERIFY(items(box("LBStandort")).contains(QStringLiteral("Keller")));
    }

    void closeButtonAndEscapeClose_data() {
        QTest::addColumn<bool>("escape");
        QTest::newRow("Schließen") << false;
        QTest::newRow("Esc") << true;
    }
    void closeButtonAndEscapeClose() {
        QFETCH(bool, escape);
        if (escape)
            QTest::keyClick(box("LBVerlag"), Qt::Key_Escape);
        else
            m_window->findChild<QPushButton*>(QStringLiteral("BSchliessen"))->click();
        QVERIFY(!m_window->isVisible());
    }
};

QTEST_MAIN(tst_ComboBoxenLoeschenF)
#include "tst_ComboBoxenLoeschenF.moc"
