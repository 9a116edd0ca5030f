#include "ItemDates.h"

#include <cmath>
#include <limits>

namespace kelpo {

namespace {

constexpr double MsPerDay = 86400000.0;
constexpr double FirstDay = -693593.0;  // 1 January 0001
constexpr double EndDay = 2958466.0;    // 1 January 10000

// The whole day a day number falls on once its fraction is rounded to the
// millisecond, as the formatter rounds it; outside the range NaN.
double RoundedWholeDay(double v)
{
    if (!std::isfinite(v) || v < FirstDay || v >= EndDay)
        return std::numeric_limits<double>::quiet_NaN();
    double whole = std::trunc(v);
    if (std::llround(std::fabs(v - whole) * MsPerDay) >= qint64(MsPerDay))
        whole += 1;
    // + 0.0 turns the -0 of a day in the first half of day 0 into 0.
    return whole < EndDay ? whole + 0.0 : std::numeric_limits<double>::quiet_NaN();
}

}  // namespace

bool IsShowableDay(double dayNumber)
{
    return !std::isnan(RoundedWholeDay(dayNumber));
}

double WholeDay(double dayNumber)
{
    return RoundedWholeDay(dayNumber);
}

double AsShown(const Formats &formats, double dayNumber)
{
    double shown = 0;
    if (formats.ParseDateTime(formats.FormatDateTime(dayNumber), &shown))
        return shown;
    return dayNumber;
}

}  // namespace kelpo
