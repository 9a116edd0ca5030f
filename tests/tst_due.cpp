// The repeat table and the due test.
#include <QtTest>

#include "Due.h"
#include "Formats.h"

using namespace kelpo;

namespace {

Formats Fmt()
{
    return Formats::Make(QStringLiteral("dd.MM.yyyy"), QStringLiteral("HH:mm"), QLatin1Char(','), 2026);
}

double Dn(int y, int mo, int d, int h = 0, int mi = 0, int s = 0, int ms = 0)
{
    return ToDayNumber(QDate(y, mo, d), QTime(h, mi, s, ms));
}

const QString FarEnd = QStringLiteral("31.12.2030");

enum Kind { Monthly, Weekly, Daily, Hourly, Once, Every31Days, Every7Days, Every24Hours, Every15Minutes,
            Annually, BiWeekly, BiMonthly, Quarterly };

}  // namespace

class TestDue : public QObject {
    Q_OBJECT
private slots:
    void repeatTable();
    void checkDone_data();
    void checkDone();
};

void TestDue::repeatTable()
{
    const char *captions[] = {"Monthly", "Weekly", "Daily", "Hourly", "Once", "Every 31 Days", "Every 7 Days",
                              "Every 24 Hours", "Every 15 Minutes", "Annually", "BiWeekly", "BiMonthly", "Quarterly"};
    const double periods[] = {31, 7, 1, 0.04166666666667, 0, 31, 7, 1, 0.010416667, 365, 14, 61, 92};
    for (int i = 0; i < RepeatKindCount; ++i) {
        QCOMPARE(QString::fromLatin1(RepeatCaption(i)), QString::fromLatin1(captions[i]));
        QVERIFY2(RepeatPeriod(i) == periods[i], captions[i]);  // exact, not fuzzy
    }
    // The fractional periods are the decimal literals, a little over an hour
    // and a quarter hour.
    QVERIFY(RepeatPeriod(Hourly) != 1.0 / 24);
    QVERIFY(RepeatPeriod(Every15Minutes) * 86400.0 > 900.00002);
    QCOMPARE(RepeatPeriod(-1), 0.0);
    QCOMPARE(RepeatPeriod(13), 0.0);
    QCOMPARE(QString::fromLatin1(RepeatCaption(13)), QString());
}

void TestDue::checkDone_data()
{
    QTest::addColumn<int>("freq");
    QTest::addColumn<QString>("last");
    QTest::addColumn<QString>("ends");
    QTest::addColumn<int>("count");
    QTest::addColumn<double>("now");
    QTest::addColumn<bool>("done");

    // From the start of the completion day.
    QTest::newRow("Daily 23:59, same minute") << int(Daily) << "07.12.2026 23:59" << FarEnd << 0 << Dn(2026, 12, 7, 23, 59, 30) << true;
    QTest::newRow("Daily 23:59, last ms of the day") << int(Daily) << "07.12.2026 23:59" << FarEnd << 0 << Dn(2026, 12, 7, 23, 59, 59, 999) << true;
    QTest::newRow("Daily 23:59, next midnight") << int(Daily) << "07.12.2026 23:59" << FarEnd << 0 << Dn(2026, 12, 8) << false;
    QTest::newRow("Every 7 Days Wed 18:00, Tue night") << int(Every7Days) << "09.12.2026 18:00" << FarEnd << 0 << Dn(2026, 12, 15, 23, 59, 59, 999) << true;
    QTest::newRow("Every 7 Days Wed 18:00, next Wed 00:00") << int(Every7Days) << "09.12.2026 18:00" << FarEnd << 0 << Dn(2026, 12, 16) << false;
    QTest::newRow("Annually 1 Mar 2027, 28 Feb 2028") << int(Annually) << "01.03.2027 09:00" << FarEnd << 0 << Dn(2028, 2, 28, 23, 59) << true;
    QTest::newRow("Annually 1 Mar 2027, 29 Feb 2028") << int(Annually) << "01.03.2027 09:00" << FarEnd << 0 << Dn(2028, 2, 29) << false;
    QTest::newRow("BiWeekly at 14 days") << int(BiWeekly) << "07.12.2026 10:00" << FarEnd << 0 << Dn(2026, 12, 21) << false;
    QTest::newRow("BiMonthly before 61 days") << int(BiMonthly) << "07.12.2026 10:00" << FarEnd << 0 << Dn(2027, 2, 5, 23, 59) << true;
    QTest::newRow("BiMonthly at 61 days") << int(BiMonthly) << "07.12.2026 10:00" << FarEnd << 0 << Dn(2027, 2, 6) << false;
    QTest::newRow("Quarterly at 92 days") << int(Quarterly) << "07.12.2026 10:00" << FarEnd << 0 << Dn(2027, 3, 9) << false;

    // From the moment of completion; at the limit the item is due.
    QTest::newRow("Every 24 Hours 23:59, a minute early") << int(Every24Hours) << "07.12.2026 23:59" << FarEnd << 0 << Dn(2026, 12, 8, 23, 58, 59, 999) << true;
    QTest::newRow("Every 24 Hours 23:59, at the limit") << int(Every24Hours) << "07.12.2026 23:59" << FarEnd << 0 << Dn(2026, 12, 8, 23, 59) << false;
    QTest::newRow("Hourly 10:00, 10:59:59.999") << int(Hourly) << "07.12.2026 10:00" << FarEnd << 0 << Dn(2026, 12, 7, 10, 59, 59, 999) << true;
    QTest::newRow("Hourly 10:00, 11:00:00.001") << int(Hourly) << "07.12.2026 10:00" << FarEnd << 0 << Dn(2026, 12, 7, 11, 0, 0, 1) << false;
    QTest::newRow("Every 15 Minutes 10:00, 10:15:00.000") << int(Every15Minutes) << "07.12.2026 10:00" << FarEnd << 0 << Dn(2026, 12, 7, 10, 15) << true;
    QTest::newRow("Every 15 Minutes 10:00, 10:15:00.001") << int(Every15Minutes) << "07.12.2026 10:00" << FarEnd << 0 << Dn(2026, 12, 7, 10, 15, 0, 1) << false;
    QTest::newRow("Every 31 Days from the moment, early") << int(Every31Days) << "09.12.2026 18:00" << FarEnd << 0 << Dn(2027, 1, 9, 17, 59) << true;
    QTest::newRow("Every 31 Days from the moment, at it") << int(Every31Days) << "09.12.2026 18:00" << FarEnd << 0 << Dn(2027, 1, 9, 18, 0) << false;

    // Calendar week, Sunday to Saturday.
    QTest::newRow("Weekly Sat, Sat night") << int(Weekly) << "12.12.2026 10:00" << FarEnd << 0 << Dn(2026, 12, 12, 23, 59, 59, 999) << true;
    QTest::newRow("Weekly Sat, Sun 00:00") << int(Weekly) << "12.12.2026 10:00" << FarEnd << 0 << Dn(2026, 12, 13) << false;
    QTest::newRow("Weekly Sun, Sat night") << int(Weekly) << "13.12.2026 10:00" << FarEnd << 0 << Dn(2026, 12, 19, 23, 59, 59, 999) << true;
    QTest::newRow("Weekly Sun, next Sun 00:00") << int(Weekly) << "13.12.2026 10:00" << FarEnd << 0 << Dn(2026, 12, 20) << false;

    // Calendar month.
    QTest::newRow("Monthly 31 Jan, that night") << int(Monthly) << "31.01.2027 12:00" << FarEnd << 0 << Dn(2027, 1, 31, 23, 59) << true;
    QTest::newRow("Monthly 31 Jan, 1 Feb") << int(Monthly) << "31.01.2027 12:00" << FarEnd << 0 << Dn(2027, 2, 1) << false;
    QTest::newRow("Monthly 1 Feb, 28 Feb") << int(Monthly) << "01.02.2027 00:00" << FarEnd << 0 << Dn(2027, 2, 28, 23, 59) << true;
    QTest::newRow("Monthly 1 Feb, 1 Mar") << int(Monthly) << "01.02.2027 00:00" << FarEnd << 0 << Dn(2027, 3, 1) << false;
    QTest::newRow("Monthly, same month a year on") << int(Monthly) << "15.12.2026 12:00" << FarEnd << 0 << Dn(2027, 12, 20) << false;

    // Counter rule: "Once" and kinds outside the table.
    QTest::newRow("Once, count 0") << int(Once) << "07.12.2026 10:00" << FarEnd << 0 << Dn(2026, 12, 7, 10, 1) << false;
    QTest::newRow("Once, count 1, long ago") << int(Once) << "07.12.2020 10:00" << FarEnd << 1 << Dn(2026, 12, 7) << true;
    QTest::newRow("Once, count -1") << int(Once) << "07.12.2026 10:00" << FarEnd << -1 << Dn(2026, 12, 7, 10, 1) << false;
    QTest::newRow("Freq 13, count 0") << 13 << "07.12.2026 10:00" << FarEnd << 0 << Dn(2026, 12, 7, 10, 1) << false;
    QTest::newRow("Freq 13, count 2") << 13 << "07.12.2020 10:00" << FarEnd << 2 << Dn(2026, 12, 7) << true;
    QTest::newRow("Freq -1, count 0") << -1 << "07.12.2026 10:00" << FarEnd << 0 << Dn(2026, 12, 7, 10, 1) << false;
    QTest::newRow("Freq -1, count 1") << -1 << "07.12.2026 10:00" << FarEnd << 1 << Dn(2026, 12, 7, 10, 1) << true;

    // End date: the day after it, nothing is due; on it, the rule decides.
    QTest::newRow("Ends yesterday, Daily long ago") << int(Daily) << "01.01.2026 10:00" << "06.12.2026" << 0 << Dn(2026, 12, 7, 12, 0) << true;
    QTest::newRow("Ends yesterday, Once count 0") << int(Once) << "01.01.2026 10:00" << "06.12.2026" << 0 << Dn(2026, 12, 7, 12, 0) << true;
    QTest::newRow("Ends yesterday, first ms of today") << int(Hourly) << "01.01.2026 10:00" << "06.12.2026" << 0 << Dn(2026, 12, 7) << true;
    QTest::newRow("Ends today, Daily long ago") << int(Daily) << "01.01.2026 10:00" << "07.12.2026" << 0 << Dn(2026, 12, 7, 23, 59) << false;
    QTest::newRow("Ends today, Daily done") << int(Daily) << "07.12.2026 08:00" << "07.12.2026" << 0 << Dn(2026, 12, 7, 12, 0) << true;

    // A completion later than now.
    QTest::newRow("future Last, Daily") << int(Daily) << "10.12.2026 09:00" << FarEnd << 0 << Dn(2026, 12, 8) << true;
    QTest::newRow("future Last, Every 24 Hours") << int(Every24Hours) << "10.12.2026 09:00" << FarEnd << 0 << Dn(2026, 12, 11, 8, 59) << true;
    QTest::newRow("future Last, Weekly Sat vs Wed") << int(Weekly) << "12.12.2026 10:00" << FarEnd << 0 << Dn(2026, 12, 9, 12, 0) << false;
    QTest::newRow("future Last, Weekly Mon vs Sat") << int(Weekly) << "14.12.2026 10:00" << FarEnd << 0 << Dn(2026, 12, 12, 12, 0) << true;
    QTest::newRow("future Last, Monthly other month") << int(Monthly) << "05.01.2027 10:00" << FarEnd << 0 << Dn(2026, 12, 20) << false;
    QTest::newRow("future Last, Monthly same month") << int(Monthly) << "20.12.2026 18:00" << FarEnd << 0 << Dn(2026, 12, 10) << true;
}

void TestDue::checkDone()
{
    QFETCH(int, freq);
    QFETCH(QString, last);
    QFETCH(QString, ends);
    QFETCH(int, count);
    QFETCH(double, now);
    QFETCH(bool, done);
    double l = 0, e = 0;
    QVERIFY(Fmt().ParseDateTime(last, &l));
    QVERIFY(Fmt().ParseDate(ends, &e));
    QCOMPARE(CheckDone(now, l, freq, e, count), done);
}

QTEST_GUILESS_MAIN(TestDue)
#include "tst_due.moc"
