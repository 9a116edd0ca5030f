#pragma once
// Shared by the fuzz targets: property checks that stop the run with a
// message, the format sets the readers are tried with, and the bound on what
// a reader may allocate for its input.
#include <QByteArray>
#include <QByteArrayList>
#include <QString>
#include <QStringList>

#include <sanitizer/allocator_interface.h>

#include <atomic>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <type_traits>
#include <vector>

#include "Formats.h"
#include "ItemDates.h"
#include "Model.h"

// A property that must hold for every input; a failure is a crash for libFuzzer,
// which then saves the input.
#define FUZZ_CHECK(cond)                                                                       \
    do {                                                                                       \
        if (!(cond)) {                                                                         \
            std::fprintf(stderr, "fuzz property failed: %s (%s:%d)\n", #cond, __FILE__, __LINE__); \
            std::abort();                                                                      \
        }                                                                                      \
    } while (0)

// Same, with the two values shown.
#define FUZZ_CHECK_EQ(a, b)                                                                    \
    do {                                                                                       \
        if (!((a) == (b))) {                                                                   \
            std::fprintf(stderr, "fuzz property failed: %s == %s (%s:%d)\n  %s\n  %s\n", #a, #b, \
                         __FILE__, __LINE__, qPrintable(fuzz::Show(a)), qPrintable(fuzz::Show(b))); \
            std::abort();                                                                      \
        }                                                                                      \
    } while (0)

// Two texts that must name moments less than `tolerance` days apart.
#define FUZZ_CHECK_NEAR(a, b, tolerance)                                                       \
    do {                                                                                       \
        if (!(std::abs((a) - (b)) < (tolerance))) {                                            \
            std::fprintf(stderr, "fuzz property failed: %s near %s (%s:%d)\n  %.9f\n  %.9f\n", #a, #b, \
                         __FILE__, __LINE__, double(a), double(b));                            \
            std::abort();                                                                      \
        }                                                                                      \
    } while (0)

namespace fuzz {

inline QString Show(const QString &s) { return QStringLiteral("\"%1\"").arg(s.toHtmlEscaped()); }
template <typename T, typename = std::enable_if_t<std::is_integral_v<T>>>
QString Show(T n)
{
    return QString::number(qint64(n));
}
inline QString Show(QChar c) { return QString(c); }
inline QString Show(double d) { return QString::number(d, 'g', 17); }
inline QString Show(const QStringList &l) { return QStringLiteral("[%1]").arg(l.join(QStringLiteral("|"))); }

inline QByteArray Bytes(const uint8_t *data, size_t size)
{
    return QByteArray(reinterpret_cast<const char *>(data), qsizetype(size));
}

// The short date and time formats of the locales users have: day, month or
// year first, two- or four-digit years, minutes or seconds, 12 or 24 hours,
// either decimal separator.
inline std::vector<kelpo::Formats> FormatSets()
{
    using kelpo::Formats;
    return {
        Formats::Make(QStringLiteral("yyyy-MM-dd"), QStringLiteral("HH:mm"), QLatin1Char('.'), 2026),
        Formats::Make(QStringLiteral("dd.MM.yyyy"), QStringLiteral("HH:mm:ss"), QLatin1Char(','), 2026),
        Formats::Make(QStringLiteral("M/d/yy"), QStringLiteral("h:mm AP"), QLatin1Char('.'), 2026),
    };
}

// Does a date shown in the short date format read back as the same year?
// With two-digit years a date outside the hundred-year window does not.
inline bool YearReadsBack(const kelpo::Formats &f, double dayNumber)
{
    if (f.ShortDatePattern().contains(QLatin1String("yyyy")))
        return true;
    const int year = kelpo::DateOfDayNumber(dayNumber).year();
    return f.ExpandYear(year % 100) == year;
}

// An item as read back (`y`) after being written: its texts are what the
// writer made of them, its numbers the same. Day numbers are written to three
// decimals (a minute and a half); of the end only the day counts.
inline void CheckSameItem(const kelpo::Rec &x, const kelpo::Rec &y,
                          QString (*written)(QString), QString (*writtenComments)(QString))
{
    FUZZ_CHECK_EQ(written(x.Name), y.Name);
    FUZZ_CHECK_EQ(written(x.Group), y.Group);
    FUZZ_CHECK_EQ(written(x.Site), y.Site);
    FUZZ_CHECK_EQ(written(x.Keys), y.Keys);
    FUZZ_CHECK_EQ(writtenComments(x.Comments), y.Comments);
    FUZZ_CHECK_EQ(x.Freq, y.Freq);
    FUZZ_CHECK_EQ(x.Count, y.Count);
    FUZZ_CHECK_NEAR(x.Last, y.Last, 0.0005 + 1e-9 * std::fabs(x.Last));
    FUZZ_CHECK_EQ(kelpo::WholeDay(x.Ends), y.Ends);
}

// A written file's lines without those that start with `key`. The lines of
// the last visit hold the only day numbers with a fraction, written with the
// decimal separator in force, and reading a file may switch the separator
// (a whole number on such a line does): their values are compared instead.
inline QByteArrayList LinesWithout(const QByteArray &file, const QByteArray &key,
                                   QByteArray (*decode)(QByteArray) = nullptr)
{
    QByteArrayList kept;
    for (const QByteArray &line : file.split('\n'))
        if (!(decode ? decode(line) : line).startsWith(key))
            kept << line;
    return kept;
}

// Live bytes of the heap while a reader runs, counted through the sanitizer's
// allocation hooks. Memory allocated before and freed during the run lowers
// the count, so the peak errs on the low side.
struct HeapMeter {
    static inline std::atomic<bool> on{false};
    static inline std::atomic<std::int64_t> live{0};
    static inline std::atomic<std::int64_t> peak{0};
};

inline void MallocHook(const volatile void *, size_t size)
{
    if (!HeapMeter::on.load(std::memory_order_relaxed))
        return;
    const std::int64_t now = HeapMeter::live += std::int64_t(size);
    std::int64_t p = HeapMeter::peak.load(std::memory_order_relaxed);
    while (now > p && !HeapMeter::peak.compare_exchange_weak(p, now)) {
    }
}

inline void FreeHook(const volatile void *ptr)
{
    if (ptr && HeapMeter::on.load(std::memory_order_relaxed))
        HeapMeter::live -= std::int64_t(__sanitizer_get_allocated_size(const_cast<const void *>(ptr)));
}

// Runs `read` and checks that the heap never held more than `perByte` bytes
// per input byte beyond a fixed allowance for the first use of Qt's tables.
// A reader that sizes anything by a count it found in the input, instead of
// by what it actually read, fails here.
template <typename Read>
void WithinHeapBound(size_t inputSize, Read &&read, std::int64_t perByte = 64)
{
    static const bool installed = [] {
        __sanitizer_install_malloc_and_free_hooks(MallocHook, FreeHook);
        return true;
    }();
    (void)installed;
    HeapMeter::live = 0;
    HeapMeter::peak = 0;
    HeapMeter::on = true;
    read();
    HeapMeter::on = false;
    const std::int64_t allowed = perByte * std::int64_t(inputSize) + (1 << 20);
    if (HeapMeter::peak > allowed) {
        std::fprintf(stderr, "fuzz property failed: the reader held %lld bytes for %zu input bytes (allowed %lld)\n",
                     static_cast<long long>(HeapMeter::peak.load()), inputSize, static_cast<long long>(allowed));
        std::abort();
    }
}

}  // namespace fuzz
