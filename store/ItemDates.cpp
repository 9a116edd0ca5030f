#include "ItemDates.h"

#include <limits>

namespace kelpo {

bool IsShowableDay(double dayNumber)
{
    // Well inside the years 1-9999 no rounding of the time can leave them.
    if (dayNumber > day_number_detail::MinDayNumber + 1 && dayNumber < day_number_detail::EndDayNumber - 1)
        return true;
    qint64 days;
    int ms;
    return day_number_detail::SplitParts(dayNumber, &days, &ms);
}

double WholeDay(double dayNumber)
{
    qint64 days;
    int ms;
    if (!day_number_detail::SplitParts(dayNumber, &days, &ms))
        return std::numeric_limits<double>::quiet_NaN();
    return double(days);
}

double AsShown(const Formats &formats, double dayNumber)
{
    double shown = 0;
    if (formats.ParseDateTime(formats.FormatDateTime(dayNumber), &shown))
        return shown;
    return dayNumber;
}

}  // namespace kelpo
