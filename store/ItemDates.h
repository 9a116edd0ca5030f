#pragma once
// An item's dates as the model holds them: day numbers (see Formats.h),
// checked once where they enter the program and turned into text only where
// they are shown or typed.
#include "Formats.h"

namespace kelpo {

// Is the day number one the program can show and write (the years 1 to
// 9999, the time of day rounded to the millisecond)?
bool IsShowableDay(double dayNumber);

// The calendar day the program shows for a day number, as a day number
// without time of day; NaN when the day number is not showable.
double WholeDay(double dayNumber);

// A moment as it reads back from the way the program shows it: the short
// date and short time, so seconds and milliseconds the time format leaves
// out are dropped. Meant for stamps of the current time (a completion, a
// new item), so that an item shown as done at 10:00 counts from 10:00.
// Gives the moment unchanged when its text does not read back.
double AsShown(const Formats &formats, double dayNumber);

}  // namespace kelpo
