// The main data file reader. Whatever it loads must save, and what it saved
// must load to the same model; saving that model again gives the same bytes.
#include "DataFile.h"
#include "FuzzSupport.h"

#include <cmath>

using namespace kelpo;

namespace {

// What the writer makes of a one-line field: line breaks become blanks.
QString OneLine(QString text)
{
    text.replace(QLatin1String("\r\n"), QLatin1String(" "));
    text.replace(QLatin1Char('\r'), QLatin1Char(' '));
    text.replace(QLatin1Char('\n'), QLatin1Char(' '));
    return text;
}

double DateTimeOf(const Formats &f, const QString &text)
{
    double d = 0;
    if (!f.ParseDateTime(text, &d))
        std::fprintf(stderr, "does not parse: %s\n", qPrintable(text));
    FUZZ_CHECK(f.ParseDateTime(text, &d));
    return d;
}

// Do all dates of the model survive being shown in the short date format?
bool DatesReadBack(const Model &m, const Formats &f)
{
    for (int k = 0; k < m.Items.Count(); ++k) {
        const Rec &r = *m.Items.At(k);
        if (!fuzz::YearReadsBack(f, DateTimeOf(f, r.Last)) || !fuzz::YearReadsBack(f, DateTimeOf(f, r.Ends)))
            return false;
    }
    return true;
}

void CheckSameModel(const Model &a, const Model &b, const Formats &f)
{
    FUZZ_CHECK_EQ(a.NumGroups, b.NumGroups);
    for (int i = 1; i <= a.NumGroups; ++i) {
        FUZZ_CHECK_EQ(OneLine(a.GroupTable[size_t(i)].GroupName), b.GroupTable[size_t(i)].GroupName);
        FUZZ_CHECK_EQ(a.GroupTable[size_t(i)].GroupNumber, b.GroupTable[size_t(i)].GroupNumber);
    }
    FUZZ_CHECK_EQ(a.Items.Count(), b.Items.Count());
    for (int k = 0; k < a.Items.Count(); ++k) {
        const Rec &x = *a.Items.At(k);
        const Rec &y = *b.Items.At(k);
        FUZZ_CHECK_EQ(OneLine(x.Name), y.Name);
        FUZZ_CHECK_EQ(OneLine(x.Group), y.Group);
        FUZZ_CHECK_EQ(OneLine(x.Site), y.Site);
        FUZZ_CHECK_EQ(OneLine(x.Keys), y.Keys);
        FUZZ_CHECK_EQ(x.Comments, y.Comments);
        FUZZ_CHECK_EQ(x.Freq, y.Freq);
        FUZZ_CHECK_EQ(x.Count, y.Count);
        // Day numbers are written to three decimals (a minute and a half)
        // and shown to the minute or second.
        FUZZ_CHECK_NEAR(DateTimeOf(f, x.Last), DateTimeOf(f, y.Last), 2.0 / 1440);
        FUZZ_CHECK_EQ(DateOfDayNumber(DateTimeOf(f, x.Ends)).toJulianDay(),
                      DateOfDayNumber(DateTimeOf(f, y.Ends)).toJulianDay());
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes = fuzz::Bytes(data, size);
    const double now = ToDayNumber(QDate(2026, 12, 10), QTime(12, 0));
    for (Formats formats : fuzz::FormatSets()) {
        Model first;
        fuzz::WithinHeapBound(size, [&] { ReadDataText(bytes, first, formats, now); });

        QByteArray saved;
        QString bad;
        FUZZ_CHECK(BuildDataText(first, formats, &saved, &bad));
        Model again;
        const LoadResult r = ReadDataText(saved, again, formats, now);
        FUZZ_CHECK(r.itemErrors.isEmpty());
        FUZZ_CHECK(r.groupError.isEmpty());
        if (!DatesReadBack(first, formats))
            continue;
        CheckSameModel(first, again, formats);

        QByteArray savedAgain;
        FUZZ_CHECK(BuildDataText(again, formats, &savedAgain, &bad));
        FUZZ_CHECK(savedAgain == saved);
    }
    return 0;
}
