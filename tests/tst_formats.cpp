// Day numbers, the program's date/time formats and their lenient parser.
#include <QRandomGenerator>
#include <QtTest>

#include <cmath>
#include <cstring>

#include "Formats.h"

using namespace kelpo;

namespace {

// The three written forms every caller meets: day-month-year with ".",
// month-day-year with "/" and a 12-hour clock, year-month-day.
Formats Fmt(const QString &id)
{
    if (id == QLatin1String("dmy"))
        return Formats::Make(QStringLiteral("dd.MM.yyyy"), QStringLiteral("HH:mm"), QLatin1Char(','), 2026);
    if (id == QLatin1String("mdy"))
        return Formats::Make(QStringLiteral("M/d/yy"), QStringLiteral("h:mm AP"), QLatin1Char('.'), 2026);
    return Formats::Make(QStringLiteral("yyyy-MM-dd"), QStringLiteral("HH:mm"), QLatin1Char('.'), 2026);
}

double Dn(int y, int mo, int d, int h = 0, int mi = 0, int s = 0, int ms = 0)
{
    return ToDayNumber(QDate(y, mo, d), QTime(h, mi, s, ms));
}

// Day number of a time alone (day 0).
double Tn(int h, int mi, int s = 0, int ms = 0)
{
    return ToDayNumber(QDate(1899, 12, 30), QTime(h, mi, s, ms));
}

// 5 March 2026 13:07 is written as `written` and reads back exactly.
void WritesAndReadsBack(const Formats &f, const QString &written)
{
    const double v = Dn(2026, 3, 5, 13, 7);
    QCOMPARE(f.FormatDateTime(v), written);
    double back = 0;
    QVERIFY(f.ParseDateTime(written, &back));
    QCOMPARE(back, v);
}

const QString Nbsp = QString(QChar(0x00A0));
const QString Nnbsp = QString(QChar(0x202F));

}  // namespace

class TestFormats : public QObject {
    Q_OBJECT
private slots:
    void dayNumbers_data();
    void dayNumbers();
    void fromDayNumberRounding();
    void roundHalfAwayIsLlround();
    void writtenForms_data();
    void writtenForms();
    void roundTrip_data();
    void roundTrip();
    void parseAccepts_data();
    void parseAccepts();
    void parseRejects_data();
    void parseRejects();
    void parseDateIsDateOnly();
    void centuryWindow_data();
    void centuryWindow();
    void formatDayNumber_data();
    void formatDayNumber();
    void storedTimeReadsBack_data();
    void storedTimeReadsBack();
    void parseDayNumber_data();
    void parseDayNumber();
    void dayNumberFromBytesAgrees();
    void switchDecimalSeparator();
    void patternNormalisation_data();
    void patternNormalisation();
    void fromLocale_data();
    void fromLocale();
    void everyLocaleRoundTrips();
};

void TestFormats::dayNumbers_data()
{
    QTest::addColumn<QDateTime>("moment");
    QTest::addColumn<double>("dayNumber");
    QTest::newRow("epoch") << QDateTime(QDate(1899, 12, 30), QTime(0, 0)) << 0.0;
    QTest::newRow("next noon") << QDateTime(QDate(1899, 12, 31), QTime(12, 0)) << 1.5;
    QTest::newRow("1900-03-01") << QDateTime(QDate(1900, 3, 1), QTime(0, 0)) << 61.0;
    QTest::newRow("2000-01-01 06:00") << QDateTime(QDate(2000, 1, 1), QTime(6, 0)) << 36526.25;
    QTest::newRow("before epoch") << QDateTime(QDate(1899, 12, 29), QTime(6, 0)) << -1.25;
}

void TestFormats::dayNumbers()
{
    QFETCH(QDateTime, moment);
    QFETCH(double, dayNumber);
    QCOMPARE(ToDayNumber(moment), dayNumber);
    QCOMPARE(FromDayNumber(dayNumber), moment);
    QCOMPARE(DateOfDayNumber(dayNumber), moment.date());
}

void TestFormats::fromDayNumberRounding()
{
    // A fraction a hair below a whole day is the next day's midnight, for
    // the date and the time alike.
    const double almost = 46000.0 + (86400000.0 - 0.2) / 86400000.0;
    const QDateTime next(QDate(1899, 12, 30).addDays(46001), QTime(0, 0));
    QCOMPARE(FromDayNumber(almost), next);
    const Formats f = Fmt(QStringLiteral("ymd"));
    QCOMPARE(f.FormatDateTime(almost), f.FormatDateTime(46001.0));
    QCOMPARE(f.FormatDate(almost), f.FormatDate(46001.0));
    QCOMPARE(f.FormatTime(almost), QStringLiteral("00:00"));
    // Milliseconds survive.
    QCOMPARE(FromDayNumber(Dn(2026, 3, 5, 10, 0, 0, 1)).time(), QTime(10, 0, 0, 1));
    // Out of range and not-a-number give nothing rather than a wrong date.
    QVERIFY(!FromDayNumber(std::nan("")).isValid());
    QVERIFY(!FromDayNumber(1e12).isValid());
    QVERIFY(f.FormatDateTime(1e12).isEmpty());
    QVERIFY(f.FormatDate(-1e7).isEmpty());
}

// The rounding the day numbers are split and written with agrees with
// std::llround on halves, on values a hair beside them and far out.
void TestFormats::roundHalfAwayIsLlround()
{
    const double near = std::nextafter(0.5, 0.0);  // 0.49999999999999994
    const double values[] = {0.0, 0.5, near, 1.5, 2.5, 46000.4999, 46000.5, std::nextafter(46000.5, 0.0),
                             2958465999.5, 86399999.5, 4503599627370495.5, 9007199254740991.0, 1e-300};
    for (double v : values) {
        for (double x : {v, -v}) {
            QCOMPARE(day_number_detail::RoundHalfAway(x), qint64(std::llround(x)));
            QCOMPARE(day_number_detail::RoundHalfAway(x + 1e-9 * std::fabs(x)), qint64(std::llround(x + 1e-9 * std::fabs(x))));
        }
    }
}

void TestFormats::writtenForms_data()
{
    QTest::addColumn<QString>("fmt");
    QTest::addColumn<double>("dayNumber");
    QTest::addColumn<QString>("dateTime");
    QTest::newRow("dmy morning") << "dmy" << Dn(2026, 3, 5, 9, 7) << "05.03.2026 09:07";
    QTest::newRow("dmy midnight") << "dmy" << Dn(2026, 12, 31) << "31.12.2026 00:00";
    QTest::newRow("mdy morning") << "mdy" << Dn(2026, 3, 5, 9, 7) << "3/5/26 9:07 AM";
    QTest::newRow("mdy midnight") << "mdy" << Dn(2026, 3, 5) << "3/5/26 12:00 AM";
    QTest::newRow("mdy noon") << "mdy" << Dn(2026, 3, 5, 12, 0) << "3/5/26 12:00 PM";
    QTest::newRow("mdy 23:59") << "mdy" << Dn(2026, 3, 5, 23, 59) << "3/5/26 11:59 PM";
    QTest::newRow("mdy year 2000") << "mdy" << Dn(2000, 10, 1, 0, 30) << "10/1/00 12:30 AM";
    QTest::newRow("ymd") << "ymd" << Dn(2026, 3, 5, 23, 59, 59, 999) << "2026-03-05 23:59";
}

void TestFormats::writtenForms()
{
    QFETCH(QString, fmt);
    QFETCH(double, dayNumber);
    QFETCH(QString, dateTime);
    const Formats f = Fmt(fmt);
    QCOMPARE(f.FormatDateTime(dayNumber), dateTime);
    QCOMPARE(f.FormatDate(dayNumber) + QLatin1Char(' ') + f.FormatTime(dayNumber), dateTime);
}

void TestFormats::roundTrip_data()
{
    QTest::addColumn<QString>("fmt");
    QTest::addColumn<double>("dayNumber");  // on a whole minute
    const char *ids[] = {"dmy", "mdy", "ymd"};
    const struct {
        const char *name;
        double value;
    } moments[] = {
        {"midnight", Dn(2026, 1, 1)},
        {"00:01", Dn(2026, 1, 1, 0, 1)},
        {"noon", Dn(2026, 6, 15, 12, 0)},
        {"23:59", Dn(2026, 12, 31, 23, 59)},
        {"leap day", Dn(2028, 2, 29, 13, 45)},
        {"far window edge", Dn(2075, 7, 4, 1, 2)},
        {"near window edge", Dn(1976, 7, 4, 22, 10)},
    };
    for (const char *id : ids)
        for (const auto &m : moments)
            QTest::addRow("%s %s", id, m.name) << QString::fromLatin1(id) << m.value;
}

void TestFormats::roundTrip()
{
    QFETCH(QString, fmt);
    QFETCH(double, dayNumber);
    const Formats f = Fmt(fmt);
    double back = -1;
    QVERIFY2(f.ParseDateTime(f.FormatDateTime(dayNumber), &back), qPrintable(f.FormatDateTime(dayNumber)));
    QCOMPARE(back, dayNumber);
    QVERIFY(f.ParseDate(f.FormatDate(dayNumber), &back));
    QCOMPARE(back, std::floor(dayNumber));
    QVERIFY(f.ParseDateTime(f.FormatDate(dayNumber), &back));
    QCOMPARE(back, std::floor(dayNumber));
    QVERIFY(f.ParseDateTime(f.FormatTime(dayNumber), &back));  // time alone: day 0
    QCOMPARE(back, ToDayNumber(QDate(1899, 12, 30), FromDayNumber(dayNumber).time()));
    QVERIFY(CheckDateTime(f, f.FormatDateTime(dayNumber)));
}

void TestFormats::parseAccepts_data()
{
    QTest::addColumn<QString>("fmt");
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("dayNumber");
    // Other separators and field widths.
    QTest::newRow("dmy slash") << "dmy" << "5/3/2026" << Dn(2026, 3, 5);
    QTest::newRow("dmy dash") << "dmy" << "5-3-2026 9:07" << Dn(2026, 3, 5, 9, 7);
    QTest::newRow("dmy blanks around sep") << "dmy" << " 5 . 3 . 2026 " << Dn(2026, 3, 5);
    QTest::newRow("mdy dot") << "mdy" << "3.5.2026" << Dn(2026, 3, 5);
    QTest::newRow("mdy padded") << "mdy" << "03/05/2026 09:07 PM" << Dn(2026, 3, 5, 21, 7);
    QTest::newRow("ymd slash") << "ymd" << "2026/3/5 23:59" << Dn(2026, 3, 5, 23, 59);
    // Two fields: day and month in the locale's order, this year.
    QTest::newRow("dmy two fields") << "dmy" << "5.3." << Dn(2026, 3, 5);
    QTest::newRow("dmy two fields, no dot") << "dmy" << "5.3" << Dn(2026, 3, 5);
    QTest::newRow("mdy two fields") << "mdy" << "3/5 10:00 AM" << Dn(2026, 3, 5, 10, 0);
    QTest::newRow("ymd two fields") << "ymd" << "3-5" << Dn(2026, 3, 5);
    // Years of one or two digits go through the century window.
    QTest::newRow("one-digit year") << "dmy" << "5.3.7" << Dn(2007, 3, 5);
    QTest::newRow("two-digit year 76") << "dmy" << "5.3.76" << Dn(1976, 3, 5);
    QTest::newRow("two-digit year 75") << "mdy" << "3/5/75" << Dn(2075, 3, 5);
    // Times: seconds, milliseconds, designators in any case and place.
    QTest::newRow("seconds") << "dmy" << "05.03.2026 09:07:30" << Dn(2026, 3, 5, 9, 7, 30);
    QTest::newRow("milliseconds") << "ymd" << "2026-03-05 09:07:30.25" << Dn(2026, 3, 5, 9, 7, 30, 250);
    QTest::newRow("hour alone") << "dmy" << "05.03.2026 9" << Dn(2026, 3, 5, 9, 0);
    QTest::newRow("12 AM") << "mdy" << "3/5/26 12:30 AM" << Dn(2026, 3, 5, 0, 30);
    QTest::newRow("12 PM") << "mdy" << "3/5/26 12:30 PM" << Dn(2026, 3, 5, 12, 30);
    QTest::newRow("lower pm, no blank") << "mdy" << "3/5/26 1:30pm" << Dn(2026, 3, 5, 13, 30);
    QTest::newRow("designator first") << "mdy" << "3/5/26 PM 1:30" << Dn(2026, 3, 5, 13, 30);
    QTest::newRow("PM on 24-hour clock") << "dmy" << "05.03.2026 1:30 PM" << Dn(2026, 3, 5, 13, 30);
    QTest::newRow("24-hour on 12-hour clock") << "mdy" << "3/5/26 13:30" << Dn(2026, 3, 5, 13, 30);
    // Any kind of blank.
    QTest::newRow("no-break space") << "dmy" << "05.03.2026" + Nbsp + "09:07" << Dn(2026, 3, 5, 9, 7);
    QTest::newRow("narrow nbsp before PM") << "mdy" << "3/5/26 1:30" + Nnbsp + "PM" << Dn(2026, 3, 5, 13, 30);
    QTest::newRow("tab and blanks") << "ymd" << "\t2026-03-05   23:59  " << Dn(2026, 3, 5, 23, 59);
    // A time alone is day 0.
    QTest::newRow("time alone") << "dmy" << "10:30" << Tn(10, 30);
    QTest::newRow("time alone 12h") << "mdy" << "10:30 PM" << Tn(22, 30);
    QTest::newRow("midnight alone") << "ymd" << "0:00" << 0.0;
}

void TestFormats::parseAccepts()
{
    QFETCH(QString, fmt);
    QFETCH(QString, text);
    QFETCH(double, dayNumber);
    double v = -1;
    QVERIFY(Fmt(fmt).ParseDateTime(text, &v));
    QCOMPARE(v, dayNumber);
}

void TestFormats::parseRejects_data()
{
    QTest::addColumn<QString>("fmt");
    QTest::addColumn<QString>("text");
    QTest::newRow("empty") << "dmy" << "";
    QTest::newRow("blanks") << "dmy" << "  ";
    QTest::newRow("31 February") << "dmy" << "31.02.2026";
    QTest::newRow("29 February, no leap year") << "ymd" << "2027-02-29";
    QTest::newRow("month 13 dmy") << "dmy" << "1.13.2026";
    QTest::newRow("month 13 mdy") << "mdy" << "13/1/2026";
    QTest::newRow("day 0") << "dmy" << "0.3.2026";
    QTest::newRow("year 0") << "ymd" << "0000-01-01";
    QTest::newRow("three-digit year") << "dmy" << "5.3.026";
    QTest::newRow("hour 24") << "dmy" << "05.03.2026 24:00";
    QTest::newRow("minute 60") << "dmy" << "05.03.2026 10:60";
    QTest::newRow("second 60") << "dmy" << "05.03.2026 10:59:60";
    QTest::newRow("13 PM") << "mdy" << "3/5/26 13:30 PM";
    QTest::newRow("0 AM") << "mdy" << "3/5/26 0:30 AM";
    QTest::newRow("two designators") << "mdy" << "3/5/26 AM 1:30 PM";
    QTest::newRow("four date fields") << "dmy" << "5.3.2026.1";
    QTest::newRow("separator after the year") << "dmy" << "5.3.2026.";
    QTest::newRow("one date field with time") << "dmy" << "5 10:30";
    QTest::newRow("mixed separators") << "dmy" << "5.3/2026";
    QTest::newRow("separator only") << "dmy" << "5..2026";
    QTest::newRow("trailing junk") << "dmy" << "05.03.2026 09:07 x";
    QTest::newRow("leading junk") << "dmy" << "x05.03.2026";
    QTest::newRow("time glued to date") << "dmy" << "05.03.202609:07";
    QTest::newRow("month name") << "dmy" << "05 Mar 2026";
    QTest::newRow("dangling colon") << "ymd" << "2026-03-05 10:";
    QTest::newRow("too many digits") << "ymd" << "2026-003-05";
    QTest::newRow("fraction without seconds") << "ymd" << "10:30.5";
    QTest::newRow("word") << "ymd" << "today";
}

void TestFormats::parseRejects()
{
    QFETCH(QString, fmt);
    QFETCH(QString, text);
    const Formats f = Fmt(fmt);
    double v = 12345;
    QVERIFY(!f.ParseDateTime(text, &v));
    QVERIFY(!f.ParseDate(text, &v));
    QVERIFY(!CheckDateTime(f, text));
    QCOMPARE(v, 12345.0);  // untouched on failure
}

void TestFormats::parseDateIsDateOnly()
{
    const Formats f = Fmt(QStringLiteral("dmy"));
    double v = 0;
    QVERIFY(f.ParseDate(QStringLiteral(" 05.03.2026 "), &v));
    QCOMPARE(v, Dn(2026, 3, 5));
    QVERIFY(!f.ParseDate(QStringLiteral("05.03.2026 10:30"), &v));
    QVERIFY(!f.ParseDate(QStringLiteral("05.03.2026 00:00"), &v));
    QVERIFY(!f.ParseDate(QStringLiteral("10:30"), &v));
    QVERIFY(CheckDateTime(f, QStringLiteral("10:30")));
    QVERIFY(CheckDateTime(f, QStringLiteral("05.03.2026 10:30")));
}

void TestFormats::centuryWindow_data()
{
    QTest::addColumn<int>("currentYear");
    QTest::addColumn<int>("twoDigits");
    QTest::addColumn<int>("year");
    QTest::newRow("2026: 76") << 2026 << 76 << 1976;
    QTest::newRow("2026: 75") << 2026 << 75 << 2075;
    QTest::newRow("2026: 99") << 2026 << 99 << 1999;
    QTest::newRow("2026: 0") << 2026 << 0 << 2000;
    QTest::newRow("2026: 26") << 2026 << 26 << 2026;
    QTest::newRow("2050: 0") << 2050 << 0 << 2000;
    QTest::newRow("2050: 99") << 2050 << 99 << 2099;
    QTest::newRow("2051: 0") << 2051 << 0 << 2100;
}

void TestFormats::centuryWindow()
{
    QFETCH(int, currentYear);
    QFETCH(int, twoDigits);
    QFETCH(int, year);
    const Formats f = Formats::Make(QStringLiteral("dd.MM.yy"), QStringLiteral("HH:mm"), QLatin1Char('.'), currentYear);
    QCOMPARE(f.ExpandYear(twoDigits), year);
    double v = 0;
    QVERIFY(f.ParseDate(QStringLiteral("1.1.%1").arg(twoDigits, 2, 10, QLatin1Char('0')), &v));
    QCOMPARE(DateOfDayNumber(v), QDate(year, 1, 1));
}

void TestFormats::formatDayNumber_data()
{
    QTest::addColumn<double>("dayNumber");
    QTest::addColumn<QChar>("sep");
    QTest::addColumn<QString>("text");
    QTest::newRow("whole") << 46000.0 << QChar('.') << "46000";
    QTest::newRow("whole, comma") << 46000.0 << QChar(',') << "46000";
    QTest::newRow("half") << 46000.5 << QChar('.') << "46000.5";
    QTest::newRow("half, comma") << 46000.5 << QChar(',') << "46000,5";
    QTest::newRow("10:01") << Dn(2025, 12, 9, 10, 1) << QChar('.') << "46000.417";
    QTest::newRow("trailing zero dropped") << 46000.25 << QChar('.') << "46000.25";
    QTest::newRow("zeros inside kept") << 46000.007 << QChar('.') << "46000.007";
    QTest::newRow("a zero inside kept") << 46000.05 << QChar('.') << "46000.05";
    QTest::newRow("zero in the middle") << 46000.301 << QChar(',') << "46000,301";
    QTest::newRow("rounded away") << 46000.0004 << QChar('.') << "46000";
    QTest::newRow("rounds to next day") << 46000.9996 << QChar(',') << "46001";
    QTest::newRow("rounds up a digit") << 46000.0995 << QChar('.') << "46000.1";
    QTest::newRow("zero") << 0.0 << QChar('.') << "0";
    QTest::newRow("time alone") << 0.4375 << QChar('.') << "0.438";
    QTest::newRow("before epoch") << -1.25 << QChar('.') << "-1.25";
}

void TestFormats::formatDayNumber()
{
    QFETCH(double, dayNumber);
    QFETCH(QChar, sep);
    QFETCH(QString, text);
    Formats f = Fmt(QStringLiteral("ymd"));
    f.SetDecimalSeparator(sep);
    QCOMPARE(f.FormatDayNumber(dayNumber), text);
    double back = -1;
    QVERIFY(f.ParseDayNumber(text, &back));
    QVERIFY(std::fabs(back - dayNumber) <= 0.0005 + 1e-9);
}

void TestFormats::storedTimeReadsBack_data()
{
    QTest::addColumn<QString>("fmt");
    QTest::addColumn<QString>("written");
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("readBack");
    // A thousandth of a day is 86.4 s: minutes can come back one lower.
    QTest::newRow("10:01") << "dmy" << "09.12.2025 10:01" << "46000,417" << "09.12.2025 10:00";
    QTest::newRow("23:59") << "dmy" << "09.12.2025 23:59" << "46000,999" << "09.12.2025 23:58";
    QTest::newRow("14:30") << "ymd" << "2025-12-09 14:30" << "46000.604" << "2025-12-09 14:29";
    QTest::newRow("midnight") << "ymd" << "2025-12-09 00:00" << "46000" << "2025-12-09 00:00";
    QTest::newRow("noon 12h") << "mdy" << "12/9/25 12:00 PM" << "46000.5" << "12/9/25 12:00 PM";
}

void TestFormats::storedTimeReadsBack()
{
    QFETCH(QString, fmt);
    QFETCH(QString, written);
    QFETCH(QString, stored);
    QFETCH(QString, readBack);
    const Formats f = Fmt(fmt);
    double v = 0;
    QVERIFY(f.ParseDateTime(written, &v));
    QCOMPARE(f.FormatDayNumber(v), stored);
    double d = 0;
    QVERIFY(f.ParseDayNumber(stored, &d));
    QCOMPARE(f.FormatDateTime(d), readBack);
}

void TestFormats::parseDayNumber_data()
{
    QTest::addColumn<QChar>("sep");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<double>("value");
    QTest::newRow("plain") << QChar('.') << "46000.417" << true << 46000.417;
    QTest::newRow("comma") << QChar(',') << "46000,417" << true << 46000.417;
    QTest::newRow("whole") << QChar(',') << "46000" << true << 46000.0;
    QTest::newRow("blanks") << QChar('.') << "  46000.5 " << true << 46000.5;
    QTest::newRow("signs") << QChar('.') << "-1.25" << true << -1.25;
    QTest::newRow("plus") << QChar('.') << "+1.25" << true << 1.25;
    QTest::newRow("leading separator") << QChar('.') << ".5" << true << 0.5;
    QTest::newRow("trailing separator") << QChar('.') << "5." << true << 5.0;
    QTest::newRow("exponent") << QChar('.') << "4.6E4" << true << 46000.0;
    QTest::newRow("signed exponent") << QChar(',') << "4600000e-2" << true << 46000.0;
    QTest::newRow("other separator") << QChar('.') << "46000,5" << false << 0.0;
    QTest::newRow("dot under comma") << QChar(',') << "46000.5" << false << 0.0;
    QTest::newRow("empty") << QChar('.') << "" << false << 0.0;
    QTest::newRow("blank") << QChar('.') << " " << false << 0.0;
    QTest::newRow("separator alone") << QChar('.') << "." << false << 0.0;
    QTest::newRow("sign alone") << QChar('.') << "-" << false << 0.0;
    QTest::newRow("two separators") << QChar('.') << "1.2.3" << false << 0.0;
    QTest::newRow("inner blank") << QChar('.') << "46 000" << false << 0.0;
    QTest::newRow("trailing junk") << QChar('.') << "46000.5x" << false << 0.0;
    QTest::newRow("bare exponent") << QChar('.') << "1e" << false << 0.0;
    QTest::newRow("hex") << QChar('.') << "0x10" << false << 0.0;
    QTest::newRow("inf") << QChar('.') << "inf" << false << 0.0;
    QTest::newRow("nan") << QChar('.') << "nan" << false << 0.0;
    QTest::newRow("huge exponent") << QChar('.') << "1e400" << false << 0.0;
    QTest::newRow("after year 9999") << QChar('.') << "2958466" << false << 0.0;
    QTest::newRow("last day of 9999") << QChar('.') << "2958465.5" << true << 2958465.5;
    QTest::newRow("1 January 0001") << QChar('.') << "-693593" << true << -693593.0;
    QTest::newRow("below the smallest day number") << QChar('.') << "-693593.5" << false << 0.0;
    QTest::newRow("fifteen digits") << QChar(',') << "46000,4166666667" << true << 46000.4166666667;
    QTest::newRow("sixteen digits") << QChar(',') << "46000,41666666667" << true << 46000.41666666667;
    QTest::newRow("leading zeros") << QChar(',') << "-0001,250" << true << -1.25;
}

void TestFormats::parseDayNumber()
{
    QFETCH(QChar, sep);
    QFETCH(QString, text);
    QFETCH(bool, ok);
    QFETCH(double, value);
    Formats f = Fmt(QStringLiteral("ymd"));
    f.SetDecimalSeparator(sep);
    double v = 0;
    QCOMPARE(f.ParseDayNumber(text, &v), ok);
    if (ok)
        QCOMPARE(v, value);
    double fromBytes = 0;
    QCOMPARE(f.ParseDayNumberUtf8(text.toUtf8(), &fromBytes), ok);
    if (ok)
        QCOMPARE(fromBytes, value);
}

// The reader of file bytes takes a quicker way for the forms the writer
// makes; it must agree with the general parser to the last bit, on written
// numbers and on junk alike.
void TestFormats::dayNumberFromBytesAgrees()
{
    Formats f = Fmt(QStringLiteral("ymd"));
    QRandomGenerator random(7);
    const char alphabet[] = "0123456789,.-+ e";
    for (int round = 0; round < 40000; ++round) {
        f.SetDecimalSeparator(round % 2 ? QLatin1Char(',') : QLatin1Char('.'));
        QByteArray bytes;
        if (round % 3 == 0) {
            char out[Formats::DayNumberChars];
            const double day = -693593.0 + random.bounded(3652059.0);
            bytes = QByteArray(out, f.WriteDayNumber(day, out));
        } else if (round % 3 == 1) {
            bytes = QByteArray::number(-1e6 + random.bounded(4e6), 'f', random.bounded(12));
            bytes.replace('.', round % 2 ? ',' : '.');
        } else {
            for (int n = random.bounded(1, 20); n > 0; --n)
                bytes += alphabet[random.bounded(int(sizeof alphabet) - 1)];
        }
        double general = -7, quick = -7;
        const bool ok = f.ParseDayNumber(QString::fromLatin1(bytes), &general);
        QCOMPARE(f.ParseDayNumberUtf8(bytes, &quick), ok);
        if (ok)
            QVERIFY2(std::memcmp(&general, &quick, sizeof general) == 0, bytes.constData());
    }
}

void TestFormats::switchDecimalSeparator()
{
    Formats f = Fmt(QStringLiteral("ymd"));
    QCOMPARE(f.DecimalSeparator(), QChar('.'));
    f.SwitchDecimalSeparator();
    QCOMPARE(f.DecimalSeparator(), QChar(','));
    QCOMPARE(f.FormatDayNumber(46000.5), QStringLiteral("46000,5"));
    f.SwitchDecimalSeparator();
    QCOMPARE(f.DecimalSeparator(), QChar('.'));
    f.SetDecimalSeparator(QChar(0x066B));  // anything else becomes "."
    f.SwitchDecimalSeparator();
    QCOMPARE(f.DecimalSeparator(), QChar('.'));
}

void TestFormats::patternNormalisation_data()
{
    QTest::addColumn<QString>("date");
    QTest::addColumn<QString>("time");
    QTest::addColumn<QString>("expectedDate");
    QTest::addColumn<QString>("expectedTime");
    QTest::addColumn<QString>("written");  // 2026-03-05 13:07
    QTest::newRow("month name") << "dd-MMM-yy" << "HH:mm" << "dd-MM-yy" << "HH:mm" << "05-03-26 13:07";
    QTest::newRow("long month name") << "d MMMM yyyy" << "HH:mm" << "d-MM-yyyy" << "HH:mm" << "5-03-2026 13:07";
    QTest::newRow("weekday first") << "dddd, dd.MM.yyyy" << "HH:mm" << "dd.MM.yyyy" << "HH:mm" << "05.03.2026 13:07";
    QTest::newRow("weekday last") << "M/d/yyyy ddd" << "h:mm ap" << "M/d/yyyy" << "h:mm ap" << "3/5/2026 1:07 pm";
    QTest::newRow("mixed gaps") << "dd/MM yyyy" << "HH:mm" << "dd/MM/yyyy" << "HH:mm" << "05/03/2026 13:07";
    QTest::newRow("quoted suffix") << "d.MM.yy 'г'." << "H:mm 'ч'." << "d.MM.yy' г.'" << "H:mm' ч.'" << "5.03.26 г. 13:07 ч.";
    QTest::newRow("time zone dropped") << "yyyy-MM-dd" << "HH:mm t" << "yyyy-MM-dd" << "HH:mm" << "2026-03-05 13:07";
    QTest::newRow("seconds glued") << "yyyy-MM-dd" << "HHmmss" << "yyyy-MM-dd" << "HH:mm:ss" << "2026-03-05 13:07:00";
    QTest::newRow("no month: fallback") << "dd.yyyy" << "HH" << "yyyy-MM-dd" << "HH:mm" << "2026-03-05 13:07";
}

void TestFormats::patternNormalisation()
{
    QFETCH(QString, date);
    QFETCH(QString, time);
    QFETCH(QString, expectedDate);
    QFETCH(QString, expectedTime);
    QFETCH(QString, written);
    const Formats f = Formats::Make(date, time, QLatin1Char('.'), 2026);
    QCOMPARE(f.ShortDatePattern(), expectedDate);
    QCOMPARE(f.ShortTimePattern(), expectedTime);
    WritesAndReadsBack(f, written);
}

void TestFormats::fromLocale_data()
{
    QTest::addColumn<QString>("locale");
    QTest::addColumn<int>("order");
    QTest::addColumn<QChar>("dateSep");
    QTest::addColumn<QChar>("decimal");
    QTest::addColumn<QString>("written");  // 2026-03-05 13:07
    using O = Formats::DateOrder;
    QTest::newRow("en_US") << "en_US" << int(O::MDY) << QChar('/') << QChar('.') << "3/5/26 1:07 PM";
    QTest::newRow("de_DE") << "de_DE" << int(O::DMY) << QChar('.') << QChar(',') << "05.03.26 13:07";
    QTest::newRow("en_GB") << "en_GB" << int(O::DMY) << QChar('/') << QChar('.') << "05/03/2026 13:07";
    QTest::newRow("sv_SE") << "sv_SE" << int(O::YMD) << QChar('-') << QChar(',') << "2026-03-05 13:07";
    QTest::newRow("C: month name made numeric") << "C" << int(O::DMY) << QChar('-') << QChar('.') << "5-03-2026 13:07:00";
    QTest::newRow("fi_FI: dotted time") << "fi_FI" << int(O::DMY) << QChar('.') << QChar(',') << "5.3.2026 13.07";
    QTest::newRow("ar_EG: bidi marks, Arabic decimal") << "ar_EG" << int(O::DMY) << QChar('/') << QChar('.')
                                                       << QString::fromUtf8("5/3/2026 1:07 م");
    QTest::newRow("ko_KR: trailing dot, designator first") << "ko_KR" << int(O::YMD) << QChar('.') << QChar('.')
                                                           << QString::fromUtf8("26. 3. 5. 오후 1:07");
}

void TestFormats::fromLocale()
{
    QFETCH(QString, locale);
    QFETCH(int, order);
    QFETCH(QChar, dateSep);
    QFETCH(QChar, decimal);
    QFETCH(QString, written);
    const Formats f = Formats::FromLocale(QLocale(locale), 2026);
    QCOMPARE(int(f.Order()), order);
    QCOMPARE(f.DateSeparator(), dateSep);
    QCOMPARE(f.DecimalSeparator(), decimal);
    WritesAndReadsBack(f, written);
}

void TestFormats::everyLocaleRoundTrips()
{
    // Whatever the locale's patterns, what the program writes it reads back,
    // and a date never carries month or weekday names.
    const double moments[] = {Dn(2026, 3, 5, 13, 7), Dn(2026, 12, 31), Dn(2026, 1, 1, 0, 59), Dn(1999, 10, 28, 23, 59),
                              Dn(2075, 7, 4, 12, 0)};
    const QList<QLocale> locales =
        QLocale::matchingLocales(QLocale::AnyLanguage, QLocale::AnyScript, QLocale::AnyTerritory);
    QVERIFY(locales.size() > 100);
    for (const QLocale &loc : locales) {
        const Formats f = Formats::FromLocale(loc, 2026);
        QString firstFixedPart;  // the date without its digits: no names that change
        for (double v : moments) {
            const QString date = f.FormatDate(v);
            const QString dt = f.FormatDateTime(v);
            QString fixedPart = date;
            fixedPart.remove(QRegularExpression(QStringLiteral("[0-9]")));
            if (firstFixedPart.isNull())
                firstFixedPart = fixedPart;
            QVERIFY2(fixedPart == firstFixedPart, qPrintable(loc.name() + QLatin1String(": ") + date));
            double back = 0;
            QVERIFY2(f.ParseDateTime(dt, &back) && back == v, qPrintable(loc.name() + QLatin1String(": ") + dt));
            QVERIFY2(f.ParseDate(date, &back) && back == std::floor(v), qPrintable(loc.name() + QLatin1String(": ") + date));
            QVERIFY2(!f.ParseDate(dt, &back), qPrintable(loc.name() + QLatin1String(": ") + dt));
        }
    }
}

QTEST_GUILESS_MAIN(TestFormats)
#include "tst_formats.moc"
