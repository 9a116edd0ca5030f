#pragma once
// The repeat schedule and the due test.

namespace kelpo {

constexpr int RepeatKindCount = 13;
// Captions of the repeat kinds, in `Freq` order ("Monthly" ... "Quarterly").
const char *RepeatCaption(int freq);
// Period of a repeat kind in days; 0 for kinds outside 0..12.
double RepeatPeriod(int freq);

// Is the item done (not due) at `now` (the local clock as a day number)?
// `last` is the last completion and `ends` the last day the item runs, both
// day numbers. Every test is "now earlier than the limit", so at the limit
// the item is due. From the day after `ends` on, the item is always done.
bool CheckDone(double now, double last, int freq, double ends, int count);

}  // namespace kelpo
