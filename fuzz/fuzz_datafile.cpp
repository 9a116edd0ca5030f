// The main data file reader. Whatever it loads must save, and what it saved
// must load to the same model; saving that model again gives the same bytes
// but for the time of the last visit, which stays within a minute or two.
#include "DataFile.h"
#include "FuzzSupport.h"

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

void CheckSameModel(const Model &a, const Model &b)
{
    FUZZ_CHECK_EQ(a.NumGroups, b.NumGroups);
    for (int i = 1; i <= a.NumGroups; ++i) {
        FUZZ_CHECK_EQ(OneLine(a.GroupTable[size_t(i)].GroupName), b.GroupTable[size_t(i)].GroupName);
        FUZZ_CHECK_EQ(a.GroupTable[size_t(i)].GroupNumber, b.GroupTable[size_t(i)].GroupNumber);
    }
    FUZZ_CHECK_EQ(a.Items.Count(), b.Items.Count());
    for (int k = 0; k < a.Items.Count(); ++k)
        fuzz::CheckSameItem(*a.Items.At(k), *b.Items.At(k), OneLine, [](QString text) { return text; });
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
        FUZZ_CHECK(r.whole);  // what Kelpo writes, it reads whole
        CheckSameModel(first, again);

        QByteArray savedAgain;
        FUZZ_CHECK(BuildDataText(again, formats, &savedAgain, &bad));
        FUZZ_CHECK(fuzz::LinesWithout(savedAgain, "Last1: ") == fuzz::LinesWithout(saved, "Last1: "));
    }
    return 0;
}
