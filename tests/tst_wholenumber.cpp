// Whole numbers typed into the "Entries:" field.
#include <QtTest>

#include "WholeNumber.h"

using namespace kelpo;

class TstWholeNumber : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void read_data();
    void read();
};

void TstWholeNumber::read_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("value");
    QTest::addColumn<bool>("valid");
    QTest::newRow("plain") << "42" << 42 << true;
    QTest::newRow("blanks before") << "   7" << 7 << true;
    QTest::newRow("blank after") << "7 " << 7 << false;
    QTest::newRow("signs") << "-12" << -12 << true;
    QTest::newRow("plus") << "+3" << 3 << true;
    QTest::newRow("empty") << "" << 0 << false;
    QTest::newRow("digits then junk") << "12a" << 12 << false;
    QTest::newRow("junk first") << "a12" << 0 << false;
    QTest::newRow("dollar hex") << "$1F" << 31 << true;
    QTest::newRow("0x hex") << "0x10" << 16 << true;
    QTest::newRow("negative hex") << "-$10" << -16 << true;
    QTest::newRow("hex bit pattern") << "$FFFFFFFF" << -1 << true;
    QTest::newRow("decimal is not hex") << "1F" << 1 << false;
    QTest::newRow("largest") << "2147483647" << 2147483647 << true;
    QTest::newRow("smallest") << "-2147483648" << int(-2147483647 - 1) << true;
    QTest::newRow("overflow stops") << "2147483648" << 214748364 << false;
    QTest::newRow("sign only") << "-" << 0 << false;
    QTest::newRow("non-ascii digit") << QString::fromUtf8("1\u0663") << 1 << false;
}

void TstWholeNumber::read()
{
    QFETCH(QString, text);
    QFETCH(int, value);
    QFETCH(bool, valid);
    const WholeNumber n = ReadWholeNumber(text);
    QCOMPARE(n.value, value);
    QCOMPARE(n.valid, valid);
}

QTEST_GUILESS_MAIN(TstWholeNumber)
#include "tst_wholenumber.moc"
