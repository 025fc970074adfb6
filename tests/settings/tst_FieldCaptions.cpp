// The caption tables of the lists: the eleven renamable book captions from the settings, and the defaults a
// fresh installation gets.
#include "settings/FieldCaptions.h"
#include "settings/INI.h"
#include "settings/SettingsStore.h"

#include <QTemporaryDir>
#include <QTest>

using namespace lesaro;

namespace {

using Settings = QList<std::pair<QString, QString>>;

const QStringList kDefaultBookCaptions{"Nr.",          "Verfasser",    "Titel",        "Verlag",       "Jahr",
                                       "Ort",          "Auflage",      "Sachgruppe",   "Signatur",     "Standort",
                                       "ISBN",         "Preis",        "Bemerkungen",  "Schlagwort 1", "Schlagwort 2",
                                       "Schlagwort 3", "Schlagwort 4", "Schlagwort 5", "Schlagwort 6", "Schlagwort 7",
                                       "Schlagwort 8", "Schlagwort 9", "Schlagwort 10"};

QStringList withCaption(QStringList captions, int index, const QString& text) {
    captions[index] = text;
    return captions;
}

// What the list shows while none of the eleven renamable captions is set.
QStringList fixedCaptionsOnly() {
    QStringList captions = kDefaultBookCaptions;
    for (int i = 1; i <= 12; ++i) {
        if (i != 11)
            captions[i].clear();
    }
    return captions;
}

} // namespace

class tst_FieldCaptions : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;

private Q_SLOTS:
    void init() {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
        SettingsStore::redirectInstance(m_dir->filePath(QStringLiteral("Lesaro.reg")));
    }

    void cleanup() { SettingsStore::redirectInstance(m_dir->filePath(QStringLiteral("nach-dem-test.reg"))); }

    // A fresh installation is told by the captions "Verfasser" and "Auflage" both being empty; only then
    // are all eleven defaults written, replacing the other captions too.
    void applyWritesDefaultsOnlyOnAFreshInstallation_data() {
        QTest::addColumn<Settings>("before");
        QTest::addColumn<QStringList>("captions");

        QTest::newRow("nothing stored") << Settings{} << kDefaultBookCaptions;
        QTest::newRow("both emptied, others renamed")
            << Settings{{"Verfasser", ""}, {"Auflage", ""}, {"Standort", "Regal"}, {"Erscheinungsjahr", "Erschienen"}}
            << kDefaultBookCaptions;
        QTest::newRow("only Verfasser emptied")
            << Settings{{"Verfasser", ""}, {"Auflage", "Ausgabe"}, {"Standort", "Regal"}}
            << withCaption(withCaption(fixedCaptionsOnly(), 6, "Ausgabe"), 9, "Regal");
        QTest::newRow("only Auflage emptied")
            << Settings{{"Verfasser", "Autor"}} << withCaption(fixedCaptionsOnly(), 1, "Autor");
    }
    void applyWritesDefaultsOnlyOnAFreshInstallation() {
        QFETCH(Settings, before);
        QFETCH(QStringList, captions);
        for (const auto& [name, value] : before)
            INI::WriteSettingString(name, value);
        QCOMPARE(FieldCaptions::ApplyFieldCaptions(), captions);
        QCOMPARE(FieldCaptions::BookColumnCaptions(), captions);
    }

    // The short default forms are stored under the full field names, so the Options window shows them.
    void defaultsAreStoredInTheSettings() {
        FieldCaptions::ApplyFieldCaptions();
        QCOMPARE(INI::ReadSettingString(QStringLiteral("Erscheinungsjahr")), QStringLiteral("Jahr"));
        QCOMPARE(INI::ReadSettingString(QStringLiteral("Erscheinungsort")), QStringLiteral("Ort"));
        QCOMPARE(INI::ReadSettingString(QStringLiteral("Bemerkungen")), QStringLiteral("Bemerkungen"));
    }

    // A renamed caption reaches the list at once, in its own column only.
    void renamedCaptionIsRead() {
        FieldCaptions::ApplyFieldCaptions();
        INI::WriteSettingString(QStringLiteral("Signatur"), QStringLiteral("Regalnummer"));
        QCOMPARE(FieldCaptions::BookColumnCaptions(), withCaption(kDefaultBookCaptions, 8, "Regalnummer"));
        QCOMPARE(FieldCaptions::ApplyFieldCaptions(), withCaption(kDefaultBookCaptions, 8, "Regalnummer"));
    }

    // Captions and fields are paired by position; the tables must not drift apart.
    void tablesMatchTheirLists() {
        const QStringList fields = FieldCaptions::bookColumnFields();
        QCOMPARE(fields.size(), 23);
        QCOMPARE(FieldCaptions::BookColumnCaptions().size(), fields.size());
        QCOMPARE(fields.indexOf(QStringLiteral("Signatur")), 8);
        QCOMPARE(fields.indexOf(QStringLiteral("Bemerkung")), 12);
        QCOMPARE(fields.last(), QStringLiteral("Schlagwort10"));
        QCOMPARE(FieldCaptions::LoanColumnCaptions().size(), 9);
        QCOMPARE(FieldCaptions::ReaderColumnCaptions().size(), 10);
    }
};

QTEST_GUILESS_MAIN(tst_FieldCaptions)
#include "tst_FieldCaptions.moc"
