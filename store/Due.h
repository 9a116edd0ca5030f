#pragma once
// The repeat schedule and the due test.
#include <QString>

#include "Formats.h"

namespace kelpo {

constexpr int RepeatKindCount = 13;
// Captions of the repeat kinds, in `Freq` order ("Monthly" ... "Quarterly").
const char *RepeatCaption(int freq);
// Period of a repeat kind in days; 0 for kinds outside 0..12.
double RepeatPeriod(int freq);

// Outcome of the due test. `ok` false means a date did not convert; `error`
// then holds "'<text>' is not a valid date and time" (for Last) or
// "'<text>' is not a valid date" (for Ends).
struct DueResult {
    bool ok = false;
    bool done = false;
    QString error;
};

// Is the item done (not due) at `now` (the local clock as a day number)?
// `last` is read as a date-time and `ends` as a plain date with `formats`;
// every test is "now earlier than the limit", so at the limit the item is
// due. From the day after `ends` on, the item is always done.
DueResult CheckDone(const Formats &formats, double now, const QString &last, int freq,
                    const QString &ends, int count);

}  // namespace kelpo
