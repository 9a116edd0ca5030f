// The main data file reader. Whatever it loads must save, and what it saved
// must load to the same model; saving that model again gives the same bytes
// but for the time of the last visit, which stays within a minute or two.
#include "DataFile.h"
#include "FuzzSupport.h"

#include <QBuffer>

#include <cstring>

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
        fuzz::CheckSameItem(*a.Items.At(k), *b.Items.At(k), OneLine, [](QString text) { return StoredComments(text); });
}

// The file read a piece at a time gives exactly what the whole of it gives.
void CheckSameInPieces(const QByteArray &bytes, const LoadResult &r, const Model &a, Formats formats,
                       const Formats &after, double now, qsizetype piece)
{
    QByteArray copy = bytes;
    QBuffer source(&copy);
    source.open(QIODevice::ReadOnly);
    Model b;
    const LoadResult p = ReadDataFrom(source, b, formats, now, piece);
    FUZZ_CHECK_EQ(r.whole, p.whole);
    FUZZ_CHECK_EQ(r.damage, p.damage);
    FUZZ_CHECK(r.itemErrors == p.itemErrors);
    FUZZ_CHECK_EQ(r.groupError, p.groupError);
    FUZZ_CHECK_EQ(r.listedItems, p.listedItems);
    FUZZ_CHECK_EQ(formats.DecimalSeparator(), after.DecimalSeparator());
    FUZZ_CHECK_EQ(a.NumGroups, b.NumGroups);
    for (int i = 1; i <= a.NumGroups; ++i) {
        FUZZ_CHECK_EQ(a.GroupTable[size_t(i)].GroupName, b.GroupTable[size_t(i)].GroupName);
        FUZZ_CHECK_EQ(a.GroupTable[size_t(i)].GroupNumber, b.GroupTable[size_t(i)].GroupNumber);
    }
    FUZZ_CHECK_EQ(a.Items.Count(), b.Items.Count());
    for (int k = 0; k < a.Items.Count(); ++k) {
        const Rec &x = *a.Items.At(k), &y = *b.Items.At(k);
        fuzz::CheckSameItem(x, y, [](QString text) { return text; }, [](QString text) { return text; });
        FUZZ_CHECK(std::memcmp(&x.Last, &y.Last, sizeof x.Last) == 0);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes = fuzz::Bytes(data, size);
    const double now = ToDayNumber(QDate(2026, 12, 10), QTime(12, 0));
    // Pieces of 1 to 64 bytes end in every kind of place.
    const qsizetype piece = size > 0 ? 1 + data[size - 1] % 64 : 1;
    for (Formats formats : fuzz::FormatSets()) {
        Model first;
        const Formats before = formats;
        LoadResult read;
        fuzz::WithinHeapBound(size, [&] { read = ReadDataText(bytes, first, formats, now); });
        CheckSameInPieces(bytes, read, first, before, formats, now, piece);

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
