#include "DayNumber.h"

#include <cmath>
#include <limits>

namespace kelpo {

namespace day_number_detail {

bool SplitParts(double v, qint64 *days, int *ms)
{
    if (!std::isfinite(v) || v < MinDayNumber || v >= EndDayNumber)
        return false;
    qint64 d = qint64(v);  // truncated
    if (double(d) == v) {  // a whole day, as every end date is
        *days = d;
        *ms = 0;
        return true;
    }
    qint64 m = RoundHalfAway(std::fabs(v - double(d)) * double(MsPerDay));
    if (m >= MsPerDay) {  // the fraction rounds up to a whole day
        m -= MsPerDay;
        ++d;
    }
    if (double(d) >= EndDayNumber)
        return false;
    *days = d;
    *ms = int(m);
    return true;
}

double Compose(qint64 days, int ms)
{
    const double frac = ms / double(MsPerDay);
    return days >= 0 ? double(days) + frac : double(days) - frac;
}

}  // namespace day_number_detail

using namespace day_number_detail;

double ToDayNumber(const QDate &date, const QTime &time)
{
    if (!date.isValid())
        return std::numeric_limits<double>::quiet_NaN();
    const double days = double(date.toJulianDay() - EpochJulianDay);
    const double frac = time.isValid() ? time.msecsSinceStartOfDay() / double(MsPerDay) : 0.0;
    return days >= 0 ? days + frac : days - frac;
}

double ToDayNumber(const QDateTime &local)
{
    return ToDayNumber(local.date(), local.time());
}

QDateTime FromDayNumber(double dayNumber)
{
    qint64 days;
    int ms;
    if (!SplitParts(dayNumber, &days, &ms))
        return QDateTime();
    return QDateTime(QDate::fromJulianDay(EpochJulianDay + days), QTime::fromMSecsSinceStartOfDay(ms));
}

QDate DateOfDayNumber(double dayNumber)
{
    if (!std::isfinite(dayNumber) || dayNumber < MinDayNumber || dayNumber >= EndDayNumber)
        return QDate();
    return QDate::fromJulianDay(EpochJulianDay + qint64(std::trunc(dayNumber)));
}

}  // namespace kelpo
