// Saving and loading the main data file, each as a ratio to the floor the
// disk and the system set, measured in the same run on the same bytes:
//   save: the save as the program makes it (the text built and written a
//         piece at a time to a temporary file, flushed, renamed over the old
//         file) against one write() + fdatasync() + rename() of its bytes
//         over a file of the same size;
//   load: reading and understanding it against one read() of the file plus
//         counting its line ends;
//   memory: what loading adds to the process (resident after the load, and
//         its peak) against the file's size.
// Times are CPU times of this process, the best of three runs. Loads and
// their floors run in a fresh child process each, so that each starts from a
// clean heap. The load's floor reads into a buffer backed by large pages, as
// the load itself does; the floor into small pages is printed beside it.
//   bench_datafile              10,000 and 100,000 items
//   bench_datafile --long       also 1,000,000 items
//   bench_datafile N [N...]     the given counts
//   bench_datafile --write N F  writes a data file of N items to F, or an
//                               exchange file where F ends in ".kdf" (for a
//                               profiler: then --load F or --load-exchange F)
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextStream>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <memory>
#include <vector>

#include "AtomicFile.h"
#include "DataFile.h"
#include "ExchangeFile.h"
#include "FileRead.h"

using namespace kelpo;

namespace {

void Fill(Model &model, int count)
{
    static const char *const groupNames[] = {"Daily", "Weekly", "Cars", "Cash", "Travel",
                                             "Electronics", "Food", "Holidays", "Books", "Z\u00FCrich"};
    model.NumGroups = 10;
    for (int i = 1; i <= model.NumGroups; ++i)
        model.GroupTable[size_t(i)] = {QString::fromUtf8(groupNames[i - 1]), i};

    const double start = ToDayNumber(QDate(2025, 1, 1));
    for (int i = 0; i < count; ++i) {
        auto r = std::make_unique<Rec>();
        r->Name = QStringLiteral("Contest %1 - win a prize worth %2 euros").arg(i).arg(100 + i % 900);
        r->Site = QStringLiteral("https://contests.example.com/entry/%1?ref=kelpo&page=form").arg(i);
        if (i % 20 == 0) {
            MoveToTrash(r->Group);
        } else if (i % 3 != 0) {
            AddToGroup(r->Group, 1 + i % 10);
            if (i % 4 == 0)
                AddToGroup(r->Group, 1 + (i / 10) % 10);
        }
        if (i % 2 == 0)
            r->Keys = QStringLiteral("{first name}{tab}{last name}{tab}{email}{tab}{tab}{space}{enter}");
        // Completion times on a minute, spread over two years.
        const double last = start + (i % 700) + double((i * 37) % 1440) / 1440.0;
        r->Last = last;
        r->Ends = start + 400 + i % 300;
        r->Freq = i % 13;
        r->Count = i % 250;
        switch (i % 4) {
        case 0:
            break;
        case 1:
            r->Comments = QStringLiteral("One entry per household.");
            break;
        default:
            r->Comments = QStringLiteral("Rules: one entry per day.\r\nClosing date printed on the "
                                         "page.\r\nWinner drawn at random.");
        }
        model.Items.Append(std::move(r));
    }
}

// CPU time of this process, in milliseconds.
double CpuMs()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) * 1e3 + double(t.tv_nsec) / 1e6;
}

// A field of /proc/self/status in KiB ("VmRSS:", "VmHWM:").
qint64 StatusKb(const char *key)
{
    FILE *f = std::fopen("/proc/self/status", "r");
    if (!f)
        return -1;
    char line[256];
    qint64 kb = -1;
    const size_t n = std::strlen(key);
    while (std::fgets(line, sizeof line, f)) {
        if (std::strncmp(line, key, n) == 0) {
            kb = std::atoll(line + n);
            break;
        }
    }
    std::fclose(f);
    return kb;
}

// Writes `bytes` to a new file and flushes it to the disk as a save does
// (QSaveFile flushes with fdatasync()).
void WriteSynced(const QByteArray &name, const QByteArray &bytes)
{
    const int fd = ::open(name.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    qsizetype done = 0;
    while (fd >= 0 && done < bytes.size()) {
        const ssize_t w = ::write(fd, bytes.constData() + done, size_t(bytes.size() - done));
        if (w <= 0)
            break;
        done += w;
    }
    if (fd >= 0) {
        ::fdatasync(fd);
        ::close(fd);
    }
}

// The floor of a save: the bytes written once to a new file, flushed to the
// disk and renamed over the target. Like a save, the rename replaces a file
// of the same size, whose pages the system then drops.
double WriteFloorMs(const QString &path, const QByteArray &bytes)
{
    const QByteArray tmp = QFile::encodeName(path + QStringLiteral(".floor"));
    const QByteArray target = QFile::encodeName(path + QStringLiteral(".floor-target"));
    WriteSynced(target, bytes);
    const double start = CpuMs();
    WriteSynced(tmp, bytes);
    ::rename(tmp.constData(), target.constData());
    const double ms = CpuMs() - start;
    ::unlink(target.constData());
    return ms;
}

// The floor of a load: the file read whole with one read() and its line
// ends counted. The buffer is backed by large pages as the load's own is
// (`largePages`); without them, faulting in the buffer page by page costs
// more than the read itself on some machines.
double ReadFloorMs(const QString &path, qint64 *lines, bool largePages)
{
    const double start = CpuMs();
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY);
    struct stat st{};
    if (fd < 0 || ::fstat(fd, &st) != 0)
        return -1;
    QByteArray buffer(qsizetype(st.st_size), Qt::Uninitialized);
    if (largePages)
        AdviseLargePages(buffer);
    qsizetype got = 0;
    while (got < st.st_size) {
        const ssize_t r = ::read(fd, buffer.data() + got, size_t(st.st_size - got));
        if (r <= 0)
            break;
        got += r;
    }
    ::close(fd);
    qint64 n = 0;
    for (const char *p = buffer.constData(), *end = p + got; (p = static_cast<const char *>(std::memchr(p, '\n', size_t(end - p)))); ++p)
        ++n;
    *lines = n;
    return CpuMs() - start;
}

// The child's part: loads the file once (a data file, or with `exchange` an
// exchange file) and prints
// "<load ms> <resident KiB added> <peak KiB added> <items>".
int LoadOnce(const QString &path, bool exchange)
{
    const qint64 baseRss = StatusKb("VmRSS:");
    Model model;
    ExchangeParse parsed;
    Formats formats =
        Formats::Make(QStringLiteral("dd.MM.yyyy"), QStringLiteral("HH:mm"), QLatin1Char(','), 2026);
    const double start = CpuMs();
    int items = -1;
    if (exchange) {
        QString error;
        if (LoadExchangeFile(path, formats, &parsed, &error) && parsed.error.isEmpty())
            items = int(parsed.items.size());
    } else {
        const LoadResult res = LoadMainData(path, model, formats, ToDayNumber(QDate(2026, 12, 10)));
        items = res.whole ? model.Items.Count() : -1;
    }
    const double loadMs = CpuMs() - start;
    const qint64 rss = StatusKb("VmRSS:") - baseRss;
    const qint64 peak = StatusKb("VmHWM:") - baseRss;
    std::printf("%.1f %lld %lld %d\n", loadMs, static_cast<long long>(rss), static_cast<long long>(peak), items);
    return 0;
}

// The floor in a child of its own as well, so that it starts from the same
// clean heap as the load: prints "<floor ms>".
int FloorOnce(const QString &path, bool largePages)
{
    qint64 lines = 0;
    std::printf("%.1f\n", ReadFloorMs(path, &lines, largePages));
    return 0;
}

// Kelpo runs with glibc's heap on large pages (it starts itself again with
// the tunable set): the loads and the large-page floor run that way too,
// the small-page floor with a plain heap.
QList<QByteArray> RunChild(const QStringList &args, bool largeHeapPages = true)
{
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("GLIBC_TUNABLES"));
    if (largeHeapPages)
        env.insert(QStringLiteral("GLIBC_TUNABLES"), QStringLiteral("glibc.malloc.hugetlb=1"));
    child.setProcessEnvironment(env);
    child.start(QCoreApplication::applicationFilePath(), args);
    child.waitForFinished(-1);
    return child.readAllStandardOutput().simplified().split(' ');
}

struct LoadFigures {
    double ms = 0, floorMs = 0, smallPagesFloorMs = 0;
    qint64 rssKb = 0, peakKb = 0;
    int items = -1;
};

LoadFigures LoadInChild(const QString &path, bool exchange)
{
    const QList<QByteArray> f =
        RunChild({exchange ? QStringLiteral("--load-exchange") : QStringLiteral("--load"), path});
    LoadFigures r;
    if (f.size() == 4) {
        r.ms = f[0].toDouble();
        r.rssKb = f[1].toLongLong();
        r.peakKb = f[2].toLongLong();
        r.items = f[3].toInt();
    }
    r.floorMs = RunChild({QStringLiteral("--read-floor"), path}).value(0).toDouble();
    r.smallPagesFloorMs = RunChild({QStringLiteral("--read-floor-small-pages"), path}, false).value(0).toDouble();
    return r;
}

bool Measure(QTextStream &out, const QString &folder, int count)
{
    const Formats formats =
        Formats::Make(QStringLiteral("dd.MM.yyyy"), QStringLiteral("HH:mm"), QLatin1Char(','), 2026);
    Model model;
    Fill(model, count);
    const QString path = folder + QStringLiteral("/Kelpo.dat");

    double saveMs = 1e300, saveFloorMs = 1e300, saveWallMs = 1e300, floorWallMs = 1e300;
    QElapsedTimer wall;
    for (int run = 0; run < 3; ++run) {
        const double start = CpuMs();
        wall.start();
        QString bad, error;
        if (SaveMainData(path, model, formats, &bad, &error) != SaveOutcome::Saved) {
            out << "saving failed: " << bad << error << Qt::endl;
            return false;
        }
        saveMs = std::min(saveMs, CpuMs() - start);
        saveWallMs = std::min(saveWallMs, double(wall.nsecsElapsed()) / 1e6);
        QFile saved(path);
        if (!saved.open(QIODevice::ReadOnly)) {
            out << "the saved file cannot be read" << Qt::endl;
            return false;
        }
        const QByteArray bytes = saved.readAll();
        wall.start();
        saveFloorMs = std::min(saveFloorMs, WriteFloorMs(path, bytes));
        floorWallMs = std::min(floorWallMs, double(wall.nsecsElapsed()) / 1e6);
    }
    const qint64 size = QFileInfo(path).size();

    // The best of three loads in fresh processes.
    auto bestLoad = [&](const QString &file, bool exchange, LoadFigures *best) {
        best->ms = best->floorMs = best->smallPagesFloorMs = 1e300;
        for (int run = 0; run < 3; ++run) {
            const LoadFigures f = LoadInChild(file, exchange);
            if (f.items != count) {
                out << "loading failed: " << f.items << " of " << count << " items" << Qt::endl;
                return false;
            }
            best->ms = std::min(best->ms, f.ms);
            best->floorMs = std::min(best->floorMs, f.floorMs);
            best->smallPagesFloorMs = std::min(best->smallPagesFloorMs, f.smallPagesFloorMs);
            best->rssKb = f.rssKb;
            best->peakKb = f.peakKb;
        }
        return true;
    };
    LoadFigures load;
    if (!bestLoad(path, false, &load))
        return false;

    // The same items as an exchange file, as a group is passed on.
    const QString exchangePath = folder + QStringLiteral("/Group.kdf");
    QList<const Rec *> records;
    for (int i = 0; i < model.Items.Count(); ++i)
        records.append(model.Items.At(i));
    QString exchangeError;
    LoadFigures imported;
    if (!SaveExchangeFile(exchangePath, QStringLiteral("Bench"), records, true, formats, &exchangeError)) {
        out << "writing the exchange file failed: " << exchangeError << Qt::endl;
        return false;
    }
    const qint64 exchangeSize = QFileInfo(exchangePath).size();
    // An exchange file above its size limit is refused by design (a million
    // items make one of 286 MB): then there is nothing to measure.
    const bool importable = exchangeSize <= ExchangeFileLimit;
    if (importable && !bestLoad(exchangePath, true, &imported))
        return false;

    auto ratio = [](double a, double b) { return QString::number(b > 0 ? a / b : 0, 'f', 1) + QLatin1Char('x'); };
    const double sizeKb = double(size) / 1024;
    out << qSetFieldWidth(0) << count << " items, " << size << " bytes (" << size / count << " per item)\n"
        << "  save   " << QString::number(saveMs, 'f', 1) << " ms CPU, floor " << QString::number(saveFloorMs, 'f', 1)
        << " ms: " << ratio(saveMs, saveFloorMs) << "  (goal <= 3x)\n"
        << "         " << QString::number(saveWallMs, 'f', 1) << " ms wall (the disk's flush included), floor "
        << QString::number(floorWallMs, 'f', 1) << " ms: " << ratio(saveWallMs, floorWallMs) << "\n"
        << "  load   " << QString::number(load.ms, 'f', 1) << " ms CPU, floor " << QString::number(load.floorMs, 'f', 1)
        << " ms: " << ratio(load.ms, load.floorMs) << "  (goal <= 3x; against a floor read into small pages, "
        << QString::number(load.smallPagesFloorMs, 'f', 1) << " ms: " << ratio(load.ms, load.smallPagesFloorMs) << ")\n"
        << "  memory after load " << load.rssKb / 1024 << " MiB: " << ratio(double(load.rssKb), sizeKb)
        << " the file (goal <= 2x); peak " << load.peakKb / 1024 << " MiB: " << ratio(double(load.peakKb), sizeKb)
        << " (goal <= 3x)\n";
    if (!importable) {
        out << "  exchange file of the same items, " << exchangeSize << " bytes: above the limit of "
            << ExchangeFileLimit << " bytes for exchange files, not read" << Qt::endl;
        return true;
    }
    out << "  exchange file of the same items, " << exchangeSize << " bytes: read in "
        << QString::number(imported.ms, 'f', 1) << " ms CPU, floor " << QString::number(imported.floorMs, 'f', 1)
        << " ms: " << ratio(imported.ms, imported.floorMs) << "; memory after " << imported.rssKb / 1024
        << " MiB: " << ratio(double(imported.rssKb), double(exchangeSize) / 1024) << " the file, peak "
        << imported.peakKb / 1024 << " MiB: " << ratio(double(imported.peakKb), double(exchangeSize) / 1024)
        << Qt::endl;
    return true;
}

// Writes the items Fill() makes into a data file at `path`.
int WriteSample(int count, const QString &path)
{
    const Formats formats =
        Formats::Make(QStringLiteral("dd.MM.yyyy"), QStringLiteral("HH:mm"), QLatin1Char(','), 2026);
    Model model;
    Fill(model, count);
    QByteArray bytes;
    QString error;
    if (path.endsWith(QLatin1String(".kdf"))) {
        QList<const Rec *> records;
        for (int i = 0; i < model.Items.Count(); ++i)
            records.append(model.Items.At(i));
        return SaveExchangeFile(path, QStringLiteral("Bench"), records, true, formats, &error) ? 0 : 1;
    }
    return BuildDataText(model, formats, &bytes) && WriteFileAtomic(path, bytes, &error) ? 0 : 1;
}

}  // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    if (args.size() == 2 && args[0] == QLatin1String("--load"))
        return LoadOnce(args[1], false);
    if (args.size() == 2 && args[0] == QLatin1String("--load-exchange"))
        return LoadOnce(args[1], true);
    if (args.size() == 2 && args[0] == QLatin1String("--read-floor"))
        return FloorOnce(args[1], true);
    if (args.size() == 2 && args[0] == QLatin1String("--read-floor-small-pages"))
        return FloorOnce(args[1], false);
    if (args.size() == 3 && args[0] == QLatin1String("--write"))
        return WriteSample(args[1].toInt(), args[2]);

    QList<int> counts;
    for (const QString &a : args) {
        if (a == QLatin1String("--long"))
            counts << 10000 << 100000 << 1000000;
        else if (a.toInt() > 0)
            counts << a.toInt();
    }
    if (counts.isEmpty())
        counts << 10000 << 100000;

    QTextStream out(stdout);
    QTemporaryDir dir;
    for (int count : counts) {
        if (!Measure(out, dir.path(), count))
            return 1;
    }
    return 0;
}
