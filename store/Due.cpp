#include "Due.h"

#include "Formats.h"

#include <cmath>

namespace kelpo {

namespace {

// Periods in days, in `Freq` order. The two fractional ones are the decimal
// values the data has always been checked against, not exact fractions.
constexpr double Periods[RepeatKindCount] = {
    31,                // Monthly
    7,                 // Weekly
    1,                 // Daily
    0.04166666666667,  // Hourly
    0,                 // Once
    31,                // Every 31 Days
    7,                 // Every 7 Days
    1,                 // Every 24 Hours
    0.010416667,       // Every 15 Minutes
    365,               // Annually
    14,                // BiWeekly
    61,                // BiMonthly
    92,                // Quarterly
};

const char *const Captions[RepeatKindCount] = {
    "Monthly", "Weekly", "Daily", "Hourly", "Once", "Every 31 Days", "Every 7 Days",
    "Every 24 Hours", "Every 15 Minutes", "Annually", "BiWeekly", "BiMonthly", "Quarterly",
};

// Sunday = 1 ... Saturday = 7; day 0 (30 December 1899) was a Saturday.
int Weekday(double dayNumber)
{
    const qint64 days = qint64(std::trunc(dayNumber));
    return int(((days % 7) + 13) % 7) + 1;
}

int Month(double dayNumber)
{
    return DateOfDayNumber(dayNumber).month();
}

}  // namespace

const char *RepeatCaption(int freq)
{
    return freq >= 0 && freq < RepeatKindCount ? Captions[freq] : "";
}

double RepeatPeriod(int freq)
{
    return freq >= 0 && freq < RepeatKindCount ? Periods[freq] : 0.0;
}

bool CheckDone(double now, double last, int freq, double ends, int count)
{
    const double l = last;
    const double p = RepeatPeriod(freq);
    bool done;
    switch (freq) {
    case 2: case 6: case 9: case 10: case 11: case 12:  // from the start of the completion day
        done = now < std::floor(l) + p;
        break;
    case 3: case 5: case 7: case 8:  // from the moment of completion
        done = now < l + p;
        break;
    case 1:  // for the rest of the Sunday-to-Saturday week
        done = now < std::trunc(l) + 7 && Weekday(l) <= Weekday(now);
        break;
    case 0:  // for the rest of the calendar month
        done = now < std::trunc(l) + 31 && Month(l) == Month(now);
        break;
    default:  // "Once" and kinds from damaged files: done once counted
        done = count > 0;
        break;
    }
    if (std::trunc(now) > ends)
        done = true;
    return done;
}

}  // namespace kelpo
