// The lenient date-time parser and the day-number reader, in every format
// set. Whatever parses is in range, and what the writer makes of it parses
// back to the same moment.
#include "FuzzSupport.h"
#include "TextCodec.h"

#include <cmath>

using namespace kelpo;

namespace {

bool InRange(double d)
{
    return std::isfinite(d) && FromDayNumber(d).isValid();
}

void CheckFormats(const Formats &f, const QString &text)
{
    double d = 0;
    const bool dateTime = f.ParseDateTime(text, &d);
    FUZZ_CHECK_EQ(CheckDateTime(f, text), dateTime);
    if (dateTime) {
        FUZZ_CHECK(InRange(d));
        if (fuzz::YearReadsBack(f, d)) {
            // Shown to the minute or the second, so read back within a minute.
            const QString shown = f.FormatDateTime(d);
            double back = 0;
            FUZZ_CHECK(f.ParseDateTime(shown, &back));
            FUZZ_CHECK(std::abs(back - d) < 1.0 / 1440);
            FUZZ_CHECK_EQ(f.FormatDateTime(back), shown);
        }
    }

    if (f.ParseDate(text, &d)) {
        FUZZ_CHECK(InRange(d));
        if (fuzz::YearReadsBack(f, d)) {
            double back = 0;
            FUZZ_CHECK(f.ParseDate(f.FormatDate(d), &back));
            FUZZ_CHECK_EQ(DateOfDayNumber(back).toJulianDay(), DateOfDayNumber(d).toJulianDay());
        }
    }

    if (f.ParseDayNumber(text, &d)) {
        FUZZ_CHECK(InRange(d));
        // Three decimals at most: back within half a thousandth, and then stable.
        const QString written = f.FormatDayNumber(d);
        double back = 0;
        FUZZ_CHECK(f.ParseDayNumber(written, &back));
        FUZZ_CHECK(std::abs(back - d) <= 0.0005 + 1e-9 * std::abs(d));
        FUZZ_CHECK_EQ(f.FormatDayNumber(back), written);
        // Every day number in range is a date-time the editors show.
        FUZZ_CHECK(!f.FormatDateTime(back).isEmpty());
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString text = DecodeText(fuzz::Bytes(data, size));
    for (const Formats &f : fuzz::FormatSets())
        fuzz::WithinHeapBound(size, [&] { CheckFormats(f, text); }, 256);
    return 0;
}
