#pragma once
// Dates and times as day numbers, the form the files hold them in.

#include <QDate>
#include <QDateTime>
#include <QTime>

namespace kelpo {

// Day numbers: 0.0 is 30 December 1899 00:00; 1.5 is 31 December 1899 12:00.
// Days before 30 December 1899 count backwards while the fraction still runs
// forwards (-1.25 is 29 December 1899 06:00), as in the files of the original
// desktop program. Supported range: the years 1 to 9999.
// An invalid date gives NaN; an invalid time counts as 00:00.
double ToDayNumber(const QDate &date, const QTime &time = QTime(0, 0));
double ToDayNumber(const QDateTime &local);  // uses the wall-clock fields, no time zone math
// Local wall-clock date and time, rounded to the millisecond (a fraction that
// rounds up to a whole day gives 00:00 of the next day). Invalid when the
// number is outside the supported range or not finite.
QDateTime FromDayNumber(double dayNumber);
QDate DateOfDayNumber(double dayNumber);     // the calendar day, fraction dropped

namespace day_number_detail {

// Shared with the formatter and parser of Formats.
constexpr qint64 MsPerDay = 86400000;
// Julian day of 30 December 1899, day number 0.
inline const qint64 EpochJulianDay = QDate(1899, 12, 30).toJulianDay();
// The years 1 to 9999, as day numbers (the last one exclusive).
constexpr double MinDayNumber = -693593.0;  // 1 January 0001
constexpr double EndDayNumber = 2958466.0;  // 1 January 10000

// std::llround for |x| < 2^53, without a library call: in that range the
// part after the truncated value is exact, so comparing it with one half
// rounds halves away from zero exactly as llround does.
inline qint64 RoundHalfAway(double x)
{
    const qint64 t = qint64(x);
    const double rest = x - double(t);
    return rest >= 0.5 ? t + 1 : rest <= -0.5 ? t - 1 : t;
}

// Whole days and milliseconds of a day number; false outside the years 1-9999.
bool SplitParts(double v, qint64 *days, int *ms);
// The day number of whole days and milliseconds of the day (the fraction
// runs forwards before day 0 too).
double Compose(qint64 days, int ms);

}  // namespace day_number_detail

}  // namespace kelpo
