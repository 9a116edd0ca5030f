#pragma once
// The program's own date, time and number formats, fixed for the whole run.
//
// Items hold their dates as text in the short date format ("ddddd") and, for
// `Last`, the short date, one blank and the short time ("t"). Files hold them
// as day numbers (`DayNumber`): days since 30 December 1899 00:00 on the local
// wall-clock scale, the fraction being the time of day.
//
// A Formats object is made once at start from the system locale (or set
// explicitly by tests) and handed to every reader, writer and editor. The
// decimal separator is the only part that changes during a run: the data file
// readers may switch it between "." and ",".

#include <QChar>
#include <QDate>
#include <QDateTime>
#include <QLocale>
#include <QString>
#include <QStringList>

namespace kelpo {

// Day numbers: 0.0 is 30 December 1899 00:00; 1.5 is 31 December 1899 12:00.
double ToDayNumber(const QDate &date, const QTime &time = QTime(0, 0));
double ToDayNumber(const QDateTime &local);  // uses the wall-clock fields, no time zone math
QDateTime FromDayNumber(double dayNumber);   // local wall-clock date and time (ms precision)
QDate DateOfDayNumber(double dayNumber);     // the calendar day, fraction dropped

class Formats {
public:
    enum class DateOrder { DMY, MDY, YMD };

    // From a locale: its short date and short time formats; month names are
    // turned into numeric months (a short date of "dd-MMM-yy" becomes
    // "dd-mm-yy" in the locale's own spelling, i.e. dd-MM-yy).
    static Formats FromLocale(const QLocale &locale, int currentYear);

    // Explicit formats for tests. `shortDate` and `shortTime` are Qt date/time
    // format patterns ("dd.MM.yyyy", "h:mm AP", ...). `amText`/`pmText` are
    // the designators read and written by "AP"/"ap" patterns.
    static Formats Make(const QString &shortDate, const QString &shortTime, QChar decimalSeparator,
                        int currentYear, const QString &amText = QStringLiteral("AM"),
                        const QString &pmText = QStringLiteral("PM"));

    QString ShortDatePattern() const { return shortDate_; }
    QString ShortTimePattern() const { return shortTime_; }
    DateOrder Order() const { return order_; }
    QChar DateSeparator() const { return dateSep_; }

    // The program's decimal separator, "." or "," (starts as the locale's).
    QChar DecimalSeparator() const { return decimalSep_; }
    void SetDecimalSeparator(QChar c) { decimalSep_ = c; }
    // "." becomes ","; anything else becomes ".".
    void SwitchDecimalSeparator();

    // Two-digit years: placed in the 100-year span starting `window` years
    // before `currentYear` (window 50).
    int CurrentYear() const { return currentYear_; }
    int ExpandYear(int twoDigitYear) const;

    // Formatting.
    QString FormatDate(double dayNumber) const;      // short date
    QString FormatTime(double dayNumber) const;      // short time
    QString FormatDateTime(double dayNumber) const;  // short date + " " + short time
    QString FormatDate(const QDate &d) const;
    // "##.###": three decimals at most, trailing zeros dropped, no separator
    // for a whole number, the program's decimal separator otherwise.
    QString FormatDayNumber(double dayNumber) const;

    // Parsing. Lenient: accepts everything the Format* functions write and the
    // same fields with any of the usual separators, but rejects text that the
    // formats cannot read (wrong field order, impossible dates, junk).
    // A date alone, a date and a time, or a time alone (day 0) are date-times.
    bool ParseDateTime(const QString &text, double *dayNumber) const;
    // A plain date (no time part).
    bool ParseDate(const QString &text, double *dayNumber) const;
    // A day number written with the program's current decimal separator.
    bool ParseDayNumber(const QString &text, double *dayNumber) const;

private:
    QString shortDate_;
    QString shortTime_;
    DateOrder order_ = DateOrder::DMY;
    QChar dateSep_ = QLatin1Char('/');
    QChar decimalSep_ = QLatin1Char('.');
    int currentYear_ = 2000;
    QString am_ = QStringLiteral("AM");
    QString pm_ = QStringLiteral("PM");
    bool twelveHour_ = false;
};

// True when the text parses as a date-time (date, date and time, or time
// alone); false otherwise, the empty text included. Never fails otherwise.
bool CheckDateTime(const Formats &formats, const QString &text);

}  // namespace kelpo
