// Times the main data file with 100,000 items: building the text and writing
// it, then loading it back. Prints the figures; an optional argument sets the
// number of items.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTextStream>

#include <memory>
#include <vector>

#include "AtomicFile.h"
#include "DataFile.h"

using namespace kelpo;

namespace {

void Fill(Model &model, const Formats &formats, int count)
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
        r->Last = formats.FormatDateTime(last);
        r->Ends = formats.FormatDate(start + 400 + i % 300);
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

}  // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int count = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 100000;
    QTextStream out(stdout);

    const Formats formats =
        Formats::Make(QStringLiteral("dd.MM.yyyy"), QStringLiteral("HH:mm"), QLatin1Char(','), 2026);
    Model model;
    Fill(model, formats, count);

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Kelpo.dat"));
    QElapsedTimer timer;

    timer.start();
    QByteArray bytes;
    QString bad;
    if (!BuildDataText(model, formats, &bytes, &bad)) {
        out << "build failed at " << bad << Qt::endl;
        return 1;
    }
    const qint64 buildMs = timer.elapsed();
    QString error;
    if (!WriteFileAtomic(path, bytes, &error)) {
        out << "write failed: " << error << Qt::endl;
        return 1;
    }
    const qint64 saveMs = timer.elapsed();

    timer.restart();
    Model loaded;
    Formats readFormats = formats;
    const LoadResult res = LoadMainData(path, loaded, readFormats, ToDayNumber(QDate(2026, 12, 10)));
    const qint64 loadMs = timer.elapsed();

    // Deleting selected items one by one: look each up, then remove it.
    std::vector<Rec *> picked;
    for (int i = 0; i < loaded.Items.Count(); i += 97)
        picked.push_back(loaded.Items.At(i));
    timer.restart();
    for (Rec *r : picked)
        loaded.Items.RemoveAt(loaded.Items.IndexOf(r));
    const qint64 removeMs = timer.elapsed();

    out << "items:                " << count << "\n"
        << "file size:            " << QFileInfo(path).size() << " bytes\n"
        << "BuildDataText:        " << buildMs << " ms\n"
        << "+ WriteFileAtomic:    " << saveMs << " ms\n"
        << "LoadMainData:         " << loadMs << " ms\n"
        << "items loaded:         " << loaded.Items.Count() + int(picked.size())
        << " (errors: " << res.itemErrors.size() << ")\n"
        << "IndexOf+RemoveAt x" << picked.size() << ": " << removeMs << " ms" << Qt::endl;
    return loaded.Items.Count() + int(picked.size()) == count && res.itemErrors.isEmpty() ? 0 : 1;
}
