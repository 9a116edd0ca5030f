// Times the main window with 100,000 items: start-up up to the shown and
// painted window (load, list, Update, Next), filling the list for a group,
// Update, Next (an ordinary step and a full round with nothing due), and
// saving and loading the whole list as an exchange file.
// An optional argument sets the number of items.
//
// With "--sample <folder>" it writes a small realistic data folder instead
// (a dozen items in every state, dated around today, in three groups), as
// used for the screenshot in the README.
#include <QApplication>
#include <QWidget>

#include <ctime>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QListView>
#include <QTemporaryDir>
#include <QTextStream>

#include <cmath>
#include <memory>

#include "AtomicFile.h"
#include "DataFile.h"
#include "ItemListModel.h"
#include "Main.h"
#include "support/FakeDesktop.h"
#include "support/FakeDialogs.h"

using namespace kelpo;

namespace {

const Formats BenchFormats = Formats::Make(QStringLiteral("dd.MM.yyyy"), QStringLiteral("HH:mm"), QLatin1Char('.'), 2026);

bool WriteText(const QString &path, const QByteArray &bytes)
{
    QString why;
    if (WriteFileAtomic(path, bytes, &why))
        return true;
    QTextStream(stderr) << path << ": " << why << '\n';
    return false;
}

bool WriteFolder(const QString &dir, const Model &model)
{
    QByteArray text;
    if (!BuildDataText(model, BenchFormats, &text))
        return false;
    QDir().mkpath(dir);
    return WriteText(dir + QStringLiteral("/Kelpo.dat"), text) &&
           WriteText(dir + QStringLiteral("/Kelpo.ini"), "[Version]\r\nVersion=1.8.1\r\n");
}

void SetGroups(Model &model, const QStringList &names)
{
    model.NumGroups = int(names.size());
    for (int i = 1; i <= model.NumGroups; ++i)
        model.GroupTable[size_t(i)] = {names[i - 1], i};
}

struct SampleItem {
    const char *name;
    const char *site;
    int group;          // 0 none, -1 Trash
    int freq;
    double lastDaysAgo;  // completion, in days before now
    int endsInDays;     // end date, in days from today
    int count;
    bool script;
    const char *comments;
};

// Every state the list shows: due, due daily, done, last day, ended.
const SampleItem SampleItems[] = {
    {"Acme Holiday Draw", "https://www.acme-holidays.example/draw", 1, 2, 1.2, 40, 23, true,
     "One entry per person per day.\r\nWinner drawn on the 1st of next month."},
    {"Breakfast Cereal Instant Win", "https://cereal.example/instantwin", 1, 7, 0.1, 90, 57, true,
     "Code from the pack needed."},
    {"Car Giveaway 2026", "https://cars.example/giveaway", 3, 0, 35, 200, 4, true,
     "Monthly draw. Open to residents only."},
    {"Coffee Club Weekly Prize", "https://coffeeclub.example/prize", 2, 1, 0.05, 120, 9, false, ""},
    {"Dream Kitchen Makeover", "https://kitchens.example/win", 3, 4, 20, 0, 0, true,
     "Closes tonight at midnight!"},
    {"Festival Tickets", "https://festival.example/tickets", 0, 4, 3, 10, 1, false, "Entered once, that is all."},
    {"Garden Centre Voucher", "https://garden.example/voucher", 2, 6, 10, 60, 6, false, ""},
    {"Gourmet Hamper", "https://hampers.example/enter", 1, 2, 2, -1, 31, true, "Ended yesterday."},
    {"Mountain Bike Contest", "https://bikes.example/contest", 3, 10, 30, -20, 2, false, ""},
    {"Radio Phone-in Quiz", "https://radio.example/quiz", 1, 3, 0.2, 30, 112, false, "Hourly question."},
    {"Sunday Paper Crossword", "https://paper.example/crossword", 2, 1, 8, 300, 14, true, ""},
    {"Tech Gadget Bundle", "https://gadgets.example/bundle", 3, 12, 31, 150, 3, true,
     "Quarterly. Answer the question on the page."},
    {"Travel Magazine Trip for Two", "https://travelmag.example/trip", 0, 9, 400, 0, 1, false, "Last day today."},
    {"Wine Tasting Evening", "https://wine.example/evening", -1, 0, 60, 30, 0, false, "Not interested any more."},
};

int WriteSample(const QString &dir)
{
    Model model;
    SetGroups(model, {QStringLiteral("Daily"), QStringLiteral("Weekly"), QStringLiteral("Big Prizes")});
    const double now = ToDayNumber(QDateTime::currentDateTime());
    const double today = std::floor(now);
    for (const SampleItem &s : SampleItems) {
        auto r = std::make_unique<Rec>();
        r->Name = QString::fromUtf8(s.name);
        r->Site = QString::fromUtf8(s.site);
        if (s.group < 0)
            MoveToTrash(r->Group);
        else if (s.group > 0)
            AddToGroup(r->Group, s.group);
        r->Freq = s.freq;
        r->Count = s.count;
        // Whole minutes, as the program writes them.
        r->Last = std::floor((now - s.lastDaysAgo) * 1440) / 1440;
        r->Ends = today + s.endsInDays;
        if (s.script)
            r->Keys = QStringLiteral("{first name}{tab}{last name}{tab}{email}{tab}{enter}");
        r->Comments = QString::fromUtf8(s.comments);
        model.Items.Append(std::move(r));
    }
    return WriteFolder(dir, model) ? 0 : 1;
}

// Many items in the usual mix: most done, some due, some ended, a few in the
// Trash, spread over ten groups.
void FillMany(Model &model, int count)
{
    SetGroups(model, {"Daily", "Weekly", "Cars", "Cash", "Travel", "Electronics", "Food", "Holidays", "Books",
                      "Home"});
    const double now = ToDayNumber(QDateTime::currentDateTime());
    for (int i = 0; i < count; ++i) {
        auto r = std::make_unique<Rec>();
        r->Name = QStringLiteral("Contest %1 - win a prize worth %2 euros").arg((i * 7919) % count).arg(100 + i % 900);
        r->Site = QStringLiteral("https://contests.example.com/entry/%1").arg(i);
        if (i % 20 == 0)
            MoveToTrash(r->Group);
        else if (i % 3 != 0)
            AddToGroup(r->Group, 1 + i % 10);
        r->Freq = i % 13;
        r->Count = i % 50;
        r->Last = std::floor((now - (i % 40) * 0.37) * 1440) / 1440;
        r->Ends = std::floor(now) + (i % 17 == 0 ? -3 : 100 + i % 300);
        model.Items.Append(std::move(r));
    }
}

}  // namespace

// CPU time of this process, in milliseconds.
double CpuMs()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) * 1e3 + double(t.tv_nsec) / 1e6;
}

int main(int argc, char **argv)
{
    if (argc > 2 && QByteArray(argv[1]) == "--sample") {
        QCoreApplication app(argc, argv);
        return WriteSample(QString::fromLocal8Bit(argv[2]));
    }
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    const int count = args.size() > 1 ? args[1].toInt() : 100000;
    QTextStream out(stdout);

    QTemporaryDir dir;
    {
        Model model;
        FillMany(model, count);
        if (!WriteFolder(dir.path(), model))
            return 1;
    }

    FakeDialogs dialogs;
    FakeDesktop desktop;
    SystemClock clock;
    const MainServices services{dialogs, desktop, clock, BenchFormats, QString(), QString(), dir.path() + '/', QString()};
    QElapsedTimer timer;
    const auto report = [&](const char *what) {
        QCoreApplication::processEvents();  // the repaint that follows
        out << what << ": " << timer.elapsed() << " ms\n";
        out.flush();
    };

    // The floor: a bare Qt window of the same size, shown and painted. It is
    // the first window of the process, so it also bears the platform's
    // one-time set-up.
    double bareCpu = CpuMs();
    {
        QWidget bare;
        bare.resize(760, 560);
        bare.show();
        QCoreApplication::processEvents();
    }
    bareCpu = CpuMs() - bareCpu;

    double startCpu = CpuMs();
    timer.start();
    TMainForm form(services);
    form.show();
    report("start-up to the shown window (load, list, Update, Next)");
    startCpu = CpuMs() - startCpu;
    out << "  " << QString::number(startCpu, 'f', 0) << " ms CPU; a bare Qt window: "
        << QString::number(bareCpu, 'f', 0) << " ms CPU (" << QString::number(startCpu / bareCpu, 'f', 1) << "x)\n";
    out << "  " << form.Data.Items.Count() << " items, " << form.EntriesList->Count() << " rows, "
        << form.UndoneCount << " due\n";

    // After the start-up, so that its memory is not already faulted in.
    {
        Model scratch;
        Formats formats = BenchFormats;
        timer.start();
        LoadMainData(dir.filePath(QStringLiteral("Kelpo.dat")), scratch, formats, 0);
        out << "reading the data file alone: " << timer.elapsed() << " ms\n";
    }

    form.GroupList->setCurrentIndex(form.GroupList->findText(QStringLiteral("Cars")));
    timer.restart();
    form.GroupListChange();
    report("list for the group \"Cars\"");
    form.GroupList->setCurrentIndex(form.GroupList->findText(QStringLiteral("All Items")));
    timer.restart();
    form.GroupListChange();
    report("list for \"All Items\"");

    std::vector<Rec *> all;
    for (int i = 0; i < form.Data.Items.Count(); ++i)
        all.push_back(form.Data.Items.At(i));
    timer.restart();
    form.EntriesList->Fill(all);
    out << "  the row model alone, " << all.size() << " rows: " << timer.elapsed() << " ms\n";
    form.GroupListChange();

    timer.restart();
    double updateCpu = CpuMs();
    form.MenuUpdateClick();
    updateCpu = CpuMs() - updateCpu;
    report("Update");
    out << "  " << QString::number(updateCpu, 'f', 1) << " ms CPU\n";

    timer.restart();
    form.NextButClick();
    report("Next");

    // Nothing due: Next looks at every row once and says so.
    for (int i = 0; i < form.Data.Items.Count(); ++i)
        form.Data.Items.At(i)->Done = true;
    timer.restart();
    form.NextButClick();
    report("Next with nothing due (every row)");

    form.Entries->selectAll();
    timer.restart();
    form.DoneButClick();
    report("Done on every row");

    // Exchange files: the whole list to a file and back.
    const QString kdf = dir.filePath(QStringLiteral("all.kdf"));
    dialogs.fileAnswers.enqueue(kdf);
    dialogs.confirmAnswers.enqueue(true);
    timer.restart();
    form.MenuSaveGroupClick();
    report("Save Group to File, every row");
    dialogs.Clear();
    dialogs.askAnswers.enqueue(QStringLiteral("Copy"));
    timer.restart();
    form.LoadDataFile(kdf);  // every name is taken; each question is cancelled
    report("Load Group from File, every name taken (each question cancelled)");
    std::vector<Rec *> every;
    for (int i = 0; i < form.Data.Items.Count(); ++i)
        every.push_back(form.Data.Items.At(i));
    form.DeleteItems(every);
    dialogs.Clear();
    dialogs.askAnswers.enqueue(QStringLiteral("Copy"));
    timer.restart();
    form.LoadDataFile(kdf);
    report("Load Group from File, every item new");
    out << "  " << form.Data.Items.Count() << " items, " << form.EntriesList->Count() << " rows\n";
    return 0;
}
