#include "clock/numbertext.h"

#include <QTest>

// The whole-number reading used by the settings file and the exit; START's decimal
// reading is covered through START itself.
class NumberTextTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void wholeNumbers_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<int>("value");

        QTest::newRow("plain") << "75" << true << 75;
        QTest::newRow("leading zero") << "07" << true << 7;
        QTest::newRow("blank before") << " 5" << true << 5;
        QTest::newRow("blank after") << "5 " << true << 5;
        QTest::newRow("minus") << "-3" << true << -3;
        QTest::newRow("plus") << "+3" << true << 3;
        QTest::newRow("full-width") << "－１２" << true << -12;
        QTest::newRow("16-bit top") << "32767" << true << 32767;
        QTest::newRow("16-bit bottom") << "-32768" << true << -32768;
        QTest::newRow("past the top") << "32768" << false << 0;
        QTest::newRow("five nines") << "99999" << false << 0;
        QTest::newRow("empty") << "" << false << 0;
        QTest::newRow("blanks only") << "  " << false << 0;
        QTest::newRow("fraction") << "1.5" << false << 0;
        QTest::newRow("digit and colon") << "7:" << false << 0;
        QTest::newRow("sign alone") << "- " << false << 0;
        QTest::newRow("blank inside") << "1 2" << false << 0;
        QTest::newRow("hex") << "0x10" << false << 0;
    }
    void wholeNumbers()
    {
        QFETCH(QString, text);
        QFETCH(bool, valid);
        QFETCH(int, value);
        const auto parsed = parseWholeNumber(text);
        QCOMPARE(parsed.has_value(), valid);
        if (valid)
            QCOMPARE(*parsed, value);
    }
};

QTEST_GUILESS_MAIN(NumberTextTest)
#include "tst_numbertext.moc"
