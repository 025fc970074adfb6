#include "catalogue/rules/Isbn.h"

#include <QtTest>

using namespace lesaro;
using V = Isbn::Verdict;

// The ISBN rules: check digits of both lengths, the forms a librarian types or a scanner sends, and the
// conversion to thirteen digits.
class IsbnTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void check_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<V>("verdict");
        QTest::newRow("empty") << "" << V::Empty;
        QTest::newRow("blanks only") << "   " << V::Empty;
        QTest::newRow("ISBN-10") << "3498035266" << V::Valid10;
        QTest::newRow("ISBN-10 with hyphens") << "3-498-03526-6" << V::Valid10;
        QTest::newRow("ISBN-10 with blanks") << "3 498 03526 6" << V::Valid10;
        QTest::newRow("ISBN-10, X check digit") << "3-16-148410-X" << V::Valid10;
        QTest::newRow("ISBN-10, small x") << "316148410x" << V::Valid10;
        QTest::newRow("ISBN-10, check digit 0") << "0-306-40615-2" << V::Valid10;
        QTest::newRow("ISBN-10, wrong digit") << "3-498-03526-7" << V::WrongCheckDigit;
        QTest::newRow("ISBN-10, X where 0 belongs") << "030640615X" << V::WrongCheckDigit;
        QTest::newRow("ISBN-10, two digits swapped") << "3-489-03526-6" << V::WrongCheckDigit;
        QTest::newRow("X inside the number") << "31614X4100" << V::NotAnIsbn;
        QTest::newRow("ISBN-13") << "9783161484100" << V::Valid13;
        QTest::newRow("ISBN-13 with hyphens") << "978-3-16-148410-0" << V::Valid13;
        QTest::newRow("ISBN-13 as printed, with prefix") << "ISBN 978-3-16-148410-0" << V::Valid13;
        QTest::newRow("ISBN-13: prefix with colon") << "ISBN-13: 978-3-16-148410-0" << V::Valid13;
        QTest::newRow("ISBN-10: prefix") << "ISBN-10: 3-16-148410-X" << V::Valid10;
        QTest::newRow("ISBN-13, wrong digit") << "978-3-16-148410-1" << V::WrongCheckDigit;
        QTest::newRow("ISBN-13, check digit 0 computed from 10") << "9780306406157" << V::Valid13;
        QTest::newRow("979 prefix") << "979-10-90636-07-1" << V::Valid13;
        QTest::newRow("979 prefix, wrong digit") << "979-10-90636-07-2" << V::WrongCheckDigit;
        QTest::newRow("EAN-13 of another product") << "4006381333931" << V::NotBookland;
        QTest::newRow("13 ending in X") << "978316148410X" << V::WrongCheckDigit;
        QTest::newRow("nine characters") << "3-16-14841-X" << V::WrongLength;
        QTest::newRow("too short") << "3-16-148" << V::WrongLength;
        QTest::newRow("eleven digits") << "31614841000" << V::WrongLength;
        QTest::newRow("fourteen digits") << "97831614841000" << V::WrongLength;
        QTest::newRow("a remark") << "vergriffen" << V::NotAnIsbn;
        QTest::newRow("a qualifier behind") << "3-16-148410-X (kart.)" << V::NotAnIsbn;
        QTest::newRow("arabic-indic digits") << QString::fromUtf8("٣٤٩٨٠٣٥٢٦٦") << V::NotAnIsbn;
    }
    void check() {
        QFETCH(QString, text);
        QFETCH(V, verdict);
        QCOMPARE(Isbn::check(text), verdict);
        QCOMPARE(Isbn::warningText(verdict).isEmpty(), verdict == V::Empty || Isbn::isValid(verdict));
    }

    void wrongCheckDigitHasTheTooltipText() {
        QCOMPARE(Isbn::warningText(V::WrongCheckDigit), QStringLiteral("Prüfziffer stimmt nicht – bitte ISBN prüfen"));
    }

    void toIsbn13_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("isbn13");
        QTest::newRow("plain") << "3498035266"
                               << "9783498035266";
        QTest::newRow("hyphens kept") << "3-498-03526-6"
                                      << "978-3-498-03526-6";
        QTest::newRow("X check digit") << "3-16-148410-X"
                                       << "978-3-16-148410-0";
        QTest::newRow("blanks kept") << "3 16 148410 X"
                                     << "978 3 16 148410 0";
        QTest::newRow("printed prefix dropped") << "ISBN 3-16-148410-X"
                                                << "978-3-16-148410-0";
        QTest::newRow("check digit 0 becomes 7") << "0-306-40615-2"
                                                 << "978-0-306-40615-7";
        QTest::newRow("wrong digit: nothing") << "3-498-03526-7"
                                              << "";
        QTest::newRow("already 13: nothing") << "9783161484100"
                                             << "";
        QTest::newRow("empty: nothing") << ""
                                        << "";
    }
    void toIsbn13() {
        QFETCH(QString, text);
        QFETCH(QString, isbn13);
        const QString converted = Isbn::toIsbn13(text);
        QCOMPARE(converted, isbn13);
        if (!converted.isEmpty()) {
            QCOMPARE(Isbn::check(converted), V::Valid13);
            QCOMPARE(Isbn::key(converted), Isbn::key(text));
        }
    }

    // Every ISBN-10 converts to an ISBN-13 that the check accepts, and a single changed digit is caught by
    // both check digits (the property the check digits exist for).
    void everyConversionIsValidAndSingleErrorsAreCaught() {
        QRandomGenerator rng(29);
        for (int n = 0; n < 2000; ++n) {
            QString body;
            for (int i = 0; i < 9; ++i)
                body += QChar(u'0' + rng.bounded(10));
            QString isbn10;
            for (QChar c : {QChar(u'0'), QChar(u'1'), QChar(u'2'), QChar(u'3'), QChar(u'4'), QChar(u'5'), QChar(u'6'),
                            QChar(u'7'), QChar(u'8'), QChar(u'9'), QChar(u'X')}) {
                if (Isbn::check(body + c) == V::Valid10) {
                    QVERIFY2(isbn10.isEmpty(), qPrintable(body));
                    isbn10 = body + c;
                }
            }
            QVERIFY2(!isbn10.isEmpty(), qPrintable(body));
            const QString isbn13 = Isbn::toIsbn13(isbn10);
            QCOMPARE(Isbn::check(isbn13), V::Valid13);
            const int at = rng.bounded(12);
            QString changed = isbn13;
            changed[at] = QChar(u'0' + (changed[at].digitValue() + 1 + rng.bounded(9)) % 10);
            QVERIFY2(Isbn::check(changed) != V::Valid13, qPrintable(isbn13 + QStringLiteral(" → ") + changed));
        }
    }

    void key_data() {
        QTest::addColumn<QString>("a");
        QTest::addColumn<QString>("b");
        QTest::addColumn<bool>("same");
        QTest::newRow("10 and 13 of one book") << "3-16-148410-X"
                                               << "9783161484100" << true;
        QTest::newRow("hyphens and none") << "978-3-16-148410-0"
                                          << "9783161484100" << true;
        QTest::newRow("printed prefix") << "ISBN 978-3-16-148410-0"
                                        << "9783161484100" << true;
        QTest::newRow("two books") << "3-498-03526-6"
                                   << "3-16-148410-X" << false;
        QTest::newRow("979 is no 978") << "979-10-90636-07-1"
                                       << "1090636071" << false;
    }
    void key() {
        QFETCH(QString, a);
        QFETCH(QString, b);
        QFETCH(bool, same);
        QCOMPARE(Isbn::key(a) == Isbn::key(b), same);
    }
};

QTEST_APPLESS_MAIN(IsbnTest)
#include "tst_isbn.moc"
