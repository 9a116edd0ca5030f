// The main window's life cycle: start-up from the data folder, settings,
// saving with its backups and failures, and shutdown.
#include <QtTest>

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QLocalSocket>
#include <QPushButton>
#include <QScreen>
#include <QTabBar>
#include <QTabWidget>
#include <QTimer>

#include <sys/stat.h>

#include "DataFile.h"
#include "IniFile.h"
#include "Main.h"
#include "Product.h"
#include "support/DayText.h"
#include "support/FakeDesktop.h"
#include "support/FakeDialogs.h"
#include "support/FailingDisk.h"
#include "support/FileModes.h"

using namespace kelpo;

namespace {

const QString SaveNowText = QStringLiteral("All items saved to disk.\n(Backup file created)");
const QString RestoreQuestion =
    QStringLiteral("There was a problem saving your entries.\nWould you like to restore your backup?");

QByteArray ReadAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void WriteAll(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

QString Ini(const QString &path, const QString &section, const QString &key)
{
    IniFile ini;
    ini.Load(path);
    return ini.ReadString(section, key, QStringLiteral("<missing>"));
}

std::unique_ptr<Rec> Item(const QString &name, const QString &last = QStringLiteral("10/12/2026 10:00"))
{
    auto rec = std::make_unique<Rec>();
    rec->Name = name;
    rec->Site = QStringLiteral("http://") + name.toLower() + QStringLiteral(".example");
    rec->Last = Day(last);
    rec->Ends = Day(QStringLiteral("10/12/2027"));
    rec->Freq = 2;
    return rec;
}

// A main window that records the outside "new item" command.
class WatchedForm : public TMainForm {
public:
    using TMainForm::TMainForm;
    QStringList newItems;
    void CreateNewItem(const QString &url, const QString &title) override { newItems.append(url + QLatin1Char('|') + title); }
};

// One program run in a temporary data folder, with fake services.
struct Run {
    QString exeDir;
    QString dataDir;
    QString helpFile;
    QString socket;
    FakeDialogs dialogs;
    FakeDesktop desktop;
    FixedClock clock{QDateTime(QDate(2026, 12, 10), QTime(12, 0))};
    std::unique_ptr<WatchedForm> form;

    void Start()
    {
        dialogs.Clear();
        desktop.opened.clear();
        MainServices s{dialogs, desktop, clock,
                       Formats::Make(QStringLiteral("dd/MM/yyyy"), QStringLiteral("HH:mm"), QLatin1Char('.'), 2026),
                       exeDir, helpFile, dataDir, socket};
        s.checkBrowser = [](const QString &) {
            BrowserCheck found;  // a desktop that has a browser
            found.probeCreated = found.registered = true;
            return found;
        };
        form = std::make_unique<WatchedForm>(s);
    }
    bool Close()
    {
        const bool closed = form->close();
        if (closed)
            form.reset();
        return closed;
    }
    QString Data(const QString &name) const { return dataDir + name; }
};

}  // namespace

class TstStartup : public QObject {
    Q_OBJECT

private:
    QTemporaryDir tmp_;
    int runNo_ = 0;
    // A fresh executable folder (with its help page) and an empty data folder.
    void Prepare(Run &run);

private Q_SLOTS:
    void firstStartThenSecondStart();
    void settingsAreReadAndWrittenBack();
    void storedBoundsNoScreenShowsAreFitted();
    void brandFileSetsCaptionAndDownloadPlace();
    void dailyCopyOncePerDay();
    void oldFilesMigratedOnce();
    void dataFolderIsPrivate_data();
    void dataFolderIsPrivate();
    void dataFileLoadedIntoModel();
    void manyUnreadableItemsFewBoxes();
    void damagedVariablesFileKeptAside();
    void damagedDataFileNotCopiedIsGuarded();
    void unreadableFileIsNeverReplaced_data();
    void unreadableFileIsNeverReplaced();
    void readOnlyFilesNeverBlock();
    void unreadableDataFileSavesToNewFile();
    void failedWriteKeepsFilesAndReports();
    void failedBuildOffersBackup_data();
    void failedBuildOffersBackup();
    void helpPage_data();
    void helpPage();
    void optionClicks();
    void commandSocketRunsNewItem();
    void commandSocketBringsWindowToFront();
    void startupEndsWithUpdateAndNext_data();
    void startupEndsWithUpdateAndNext();
};

void TstStartup::Prepare(Run &run)
{
    const QString base = tmp_.filePath(QString::number(++runNo_));
    run.exeDir = base + QStringLiteral("/exe/");
    run.dataDir = base + QStringLiteral("/data/");
    QVERIFY(QDir().mkpath(run.exeDir));
    QVERIFY(QDir().mkpath(run.dataDir));
    run.helpFile = run.exeDir + QStringLiteral("kelpo.html");
    WriteAll(run.helpFile, "<html></html>");
}

void TstStartup::firstStartThenSecondStart()
{
    Run run;
    Prepare(run);
    run.Start();
    TMainForm &f = *run.form;
    QCOMPARE(run.dialogs.shown.size(), 0);
    QCOMPARE(run.desktop.opened, QList<QUrl>{QUrl::fromLocalFile(run.helpFile)});
    // The version is recorded at once; everything else waits for shutdown.
    QCOMPARE(Ini(run.Data("Kelpo.ini"), "Version", "Version"), ProductVersion);
    QCOMPARE(Ini(run.Data("Kelpo.ini"), "Window", "Height"), QStringLiteral("<missing>"));
    QVERIFY(!QFile::exists(run.Data("Kelpo.dat")));

    QVERIFY(f.AutoSave->isChecked());
    QVERIFY(f.AutoCheck->isChecked());
    for (QCheckBox *off : {f.SlowDownType, f.NewOnly, f.CheckForFiles, f.AlwaysOnTop})
        QVERIFY2(!off->isChecked(), qPrintable(off->text()));
    QVERIFY(f.Browser->text().isEmpty());
    QCOMPARE(f.windowTitle(), QStringLiteral("Kelpo! V1.8.1 by kelpo.example.org"));
    QCOMPARE(f.StatusText(), QStringLiteral("Kelpo from kelpo.example.org"));
    QVERIFY(!f.Page->isTabVisible(f.Page->indexOf(f.DownloadTab)));
    QVERIFY(f.DownloadBox->isHidden());
    QVERIFY(f.Timer1->isActive());
    QCOMPARE(f.Timer1->interval(), 900000);

    // Outer size 600 x 375, centred on the screen.
    const QSize screen = QGuiApplication::primaryScreen()->geometry().size();
    QCOMPARE(f.frameGeometry(), QRect((screen.width() - 600) / 2, (screen.height() - 375) / 2, 600, 375));

    QVERIFY(run.Close());
    const QString ini = run.Data("Kelpo.ini");
    const QStringList expected = {"Window/Height=375", "Window/Width=600",
                                  QStringLiteral("Window/Top=%1").arg((screen.height() - 375) / 2),
                                  QStringLiteral("Window/Left=%1").arg((screen.width() - 600) / 2),
                                  "Options/AutoSave=1", "Options/AutoCheck=1", "Options/SlowDownType=0",
                                  "Options/NewOnly=0", "Options/CheckForFiles=0", "Options/AlwaysOnTop=0",
                                  "Options/Browser=", "Version/Version=1.8.1"};
    for (const QString &e : expected) {
        const QString section = e.section('/', 0, 0);
        const QString key = e.section('/', 1).section('=', 0, 0);
        QCOMPARE(section + '/' + key + '=' + Ini(ini, section, key), e);
    }
    QCOMPARE(ReadAll(run.Data("Kelpo.var")).count("\r\n"), 12);
    Model back;
    Formats fmt = Formats::Make("dd/MM/yyyy", "HH:mm", '.', 2026);
    QVERIFY(LoadMainData(run.Data("Kelpo.dat"), back, fmt, 0).opened);
    QCOMPARE(back.Items.Count(), 0);

    // Second start: same version, so no help page; nothing reported.
    run.Start();
    QVERIFY(run.desktop.opened.isEmpty());
    QCOMPARE(run.dialogs.shown.size(), 0);
    QVERIFY(run.Close());
}

void TstStartup::settingsAreReadAndWrittenBack()
{
    Run run;
    Prepare(run);
    WriteAll(run.Data("Kelpo.ini"),
             "; kept\r\n[Window]\r\nHeight=400\r\nWidth=abc\r\nTop=10\r\nLeft=-20\r\nColour=blue\r\n"
             "[Options]\r\nAutoSave=0\r\nSlowDownType=5\r\nCheckForFiles=1\r\nBrowser=/opt/my browser/run\r\n"
             "[Version]\r\nVersion=1.8.1\r\n[Mine]\r\nX=1\r\n");
    run.Start();
    TMainForm &f = *run.form;
    QVERIFY(!f.AutoSave->isChecked());
    QVERIFY(f.AutoCheck->isChecked());  // missing key: default
    QVERIFY(f.SlowDownType->isChecked());  // any non-zero value
    QVERIFY(f.CheckForFiles->isChecked());
    QCOMPARE(f.Browser->text(), QStringLiteral("/opt/my browser/run"));
    // Width not a number: default; a little past the screen's left edge: moved onto it.
    QCOMPARE(f.frameGeometry(), QRect(0, 10, 600, 400));

    f.NewOnly->setChecked(true);
    f.Browser->setText(QString());
    f.PlaceWindow(QRect(5, 6, 640, 480));
    QVERIFY(run.Close());
    const QByteArray text = ReadAll(run.Data("Kelpo.ini"));
    for (const char *line : {"; kept\r\n", "Colour=blue\r\n", "[Mine]\r\nX=1\r\n", "Height=480\r\n", "Width=640\r\n",
                             "Top=6\r\n", "Left=5\r\n", "AutoSave=0\r\n", "SlowDownType=1\r\n", "NewOnly=1\r\n",
                             "CheckForFiles=1\r\n", "Browser=\r\n"})
        QVERIFY2(text.contains(line), line);
}

// A size no screen can show and a place on a monitor that is gone: the
// window fills the screen there is, and closing stores what it showed.
void TstStartup::storedBoundsNoScreenShowsAreFitted()
{
    Run run;
    Prepare(run);
    WriteAll(run.Data("Kelpo.ini"), "[Window]\r\nHeight=1000000000\r\nWidth=1000000000\r\nTop=3000\r\nLeft=5000\r\n"
                                    "[Version]\r\nVersion=1.8.1\r\n[Options]\r\nBrowser=/bin/true\r\n");
    run.Start();
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    QCOMPARE(run.form->frameGeometry(), screen);
    QVERIFY(run.Close());
    const QString ini = run.Data("Kelpo.ini");
    auto stored = [&](const char *key) { return Ini(ini, "Window", key).toInt(); };
    QCOMPARE(QRect(stored("Left"), stored("Top"), stored("Width"), stored("Height")), screen);
}

void TstStartup::brandFileSetsCaptionAndDownloadPlace()
{
    Run run;
    Prepare(run);
    run.Start();
    QCOMPARE(run.form->DownloadHost, DownloadHostDefault);
    QCOMPARE(run.form->DownloadDir, QStringLiteral("/kdf/"));
    QVERIFY(run.Close());

    WriteAll(run.Data("brand.ini"), "[CoBrand]\r\nTitle=for Friends\r\nIp=files.example.net\r\nDir=/pub/\r\n");
    run.Start();
    QCOMPARE(run.form->windowTitle(), QStringLiteral("Kelpo! V1.8.1 for Friends"));
    QCOMPARE(run.form->DownloadHost, QStringLiteral("files.example.net"));
    QCOMPARE(run.form->DownloadDir, QStringLiteral("/pub/"));
    QVERIFY(run.Close());
    QCOMPARE(ReadAll(run.Data("brand.ini")),
             QByteArray("[CoBrand]\r\nTitle=for Friends\r\nIp=files.example.net\r\nDir=/pub/\r\n"));
}

void TstStartup::dailyCopyOncePerDay()
{
    Run run;
    Prepare(run);
    run.Start();  // no data file yet: no daily copy, no message
    QVERIFY(run.Close());
    QVERIFY(!QFile::exists(run.Data("Kelpo.dat.261210")));

    const QByteArray first = ReadAll(run.Data("Kelpo.dat"));
    run.Start();
    QCOMPARE(ReadAll(run.Data("Kelpo.dat.261210")), first);
    run.form->Data.Items.Append(Item("Added"));
    QVERIFY(run.Close());
    QVERIFY(ReadAll(run.Data("Kelpo.dat")) != first);

    run.clock.AddSecs(3600);  // later the same day: the copy stays the first one
    run.Start();
    QVERIFY(run.Close());
    QCOMPARE(ReadAll(run.Data("Kelpo.dat.261210")), first);

    run.clock.Set(QDateTime(QDate(2026, 12, 11), QTime(0, 5)));
    run.Start();
    QVERIFY(run.Close());
    QVERIFY(ReadAll(run.Data("Kelpo.dat.261211")).contains("Name: Added"));
}

void TstStartup::oldFilesMigratedOnce()
{
    Run run;
    Prepare(run);
    const QByteArray dat = "NumGroups: 0\r\nNumber of items: 0\r\n-----------------------------------------\x03\r\n";
    WriteAll(run.exeDir + "Kelpo.dat", dat);
    WriteAll(run.exeDir + "Kelpo.ini", "[Version]\r\nVersion=1.8.1\r\n[Options]\r\nBrowser=/usr/bin/old\r\n");
    WriteAll(run.exeDir + "Kelpo.var", "{email}=me@example.org\r\n");
    const QStringList exeFiles = QDir(run.exeDir).entryList(QDir::Files);

    run.Start();
    QCOMPARE(run.form->Browser->text(), QStringLiteral("/usr/bin/old"));
    QCOMPARE(run.form->VarStore->Value("{email}"), QStringLiteral("me@example.org"));
    QVERIFY(run.desktop.opened.isEmpty());  // the migrated version is current
    QVERIFY(run.Close());
    QCOMPARE(ReadAll(run.Data("Kelpo.dat.261210")), dat);

    // The program's folder is left as it was; later changes there are not
    // copied again.
    QCOMPARE(QDir(run.exeDir).entryList(QDir::Files), exeFiles);
    QCOMPARE(ReadAll(run.exeDir + "Kelpo.var"), QByteArray("{email}=me@example.org\r\n"));
    WriteAll(run.exeDir + "Kelpo.var", "{email}=other@example.org\r\n");
    run.Start();
    QCOMPARE(run.form->VarStore->Value("{email}"), QStringLiteral("me@example.org"));
    QVERIFY(run.Close());
}

// The data folder and every file written in it are the user's alone, also
// when they replace older files that others could read. The program's own
// folder (the data folder on a removable drive) keeps its mode.
void TstStartup::dataFolderIsPrivate_data()
{
    QTest::addColumn<int>("mask");
    QTest::addColumn<QString>("before");  // fresh; old: 0755 folder, 0644 files; migrated; beside the program
    for (const int mask : {077, 022, 027}) {
        for (const char *before : {"fresh", "old", "migrated"})
            QTest::addRow("umask %03o, %s", mask, before) << mask << QString::fromLatin1(before);
    }
    QTest::newRow("umask 022, beside the program") << 022 << "beside";
}

void TstStartup::dataFolderIsPrivate()
{
    QFETCH(int, mask);
    QFETCH(QString, before);
    Run run;
    Prepare(run);
    if (before == "beside")
        run.dataDir = run.exeDir;
    if (before == "fresh" || before == "migrated")
        QVERIFY(QDir(run.dataDir).removeRecursively());
    const QString oldDir = before == "migrated" ? run.exeDir : run.dataDir;
    const QStringList oldFiles = {"Kelpo.dat", "Kelpo.bak", "Kelpo.err", "Kelpo.ini", "Kelpo.var"};
    if (before != "fresh") {
        QVERIFY(SetMode(oldDir, 0755));
        for (const QString &name : oldFiles) {
            WriteAll(oldDir + name, name == "Kelpo.dat" ? "NumGroups: 0\r\nNumber of items: 0\r\n" + (QString(41, '-') + QChar(3)).toUtf8() + "\r\n"
                                                        : QByteArray("[Version]\r\nVersion=1.8.1\r\n"));
            QVERIFY(SetMode(oldDir + name, 0644));
        }
    }
    const int privateFile = 0600 & ~mask;
    const auto filesOf = [&] {
        QMap<QString, QString> modes;
        const QStringList names = QDir(run.dataDir).entryList({"Kelpo.*"}, QDir::Files | QDir::CaseSensitive);
        for (const QString &name : names)
            modes[name] = QString::number(ModeOf(run.Data(name)), 8);
        return modes;
    };
    const auto allPrivate = [&](const QStringList &names) {
        QMap<QString, QString> expected;
        for (const QString &name : names)
            expected[name] = QString::number(privateFile, 8);
        return expected;
    };

    const UmaskScope umask(mask);
    run.Start();
    QCOMPARE(QString::number(ModeOf(run.dataDir), 8), before == "beside" ? "755" : "700");
    if (before != "fresh") {  // migrated and the daily copy
        if (before != "migrated")
            QCOMPARE(filesOf().value("Kelpo.bak"), "644");  // not written yet
        QCOMPARE(filesOf().value("Kelpo.dat.261210"), QString::number(privateFile, 8));
    }
    if (before == "migrated")
        QCOMPARE(filesOf(), allPrivate({"Kelpo.dat", "Kelpo.dat.261210", "Kelpo.ini", "Kelpo.var"}));
    run.form->MenuSaveDataClick();  // Kelpo.dat and Kelpo.bak
    // An item that cannot be written: going back to the backup keeps the
    // data file as Kelpo.err and copies Kelpo.bak over Kelpo.dat.
    // A date the program cannot write (no path of the program stores one).
    run.form->Data.Items.Append(Item("Bad"))->Last = std::numeric_limits<double>::quiet_NaN();
    run.dialogs.confirmAnswers.enqueue(true);
    run.form->MenuSaveDataClick();
    QVERIFY(QFile::exists(run.Data("Kelpo.err")));
    run.form->Data.Items.At(0)->Last = Day("10/12/2026 09:00");
    QVERIFY(run.Close());  // Kelpo.dat, Kelpo.ini, Kelpo.var
    run.clock.Set(QDateTime(QDate(2026, 12, 11), QTime(9, 0)));
    run.Start();                    // Kelpo.dat.261211
    QVERIFY(run.Close());
    QStringList names = {"Kelpo.dat", "Kelpo.bak", "Kelpo.err", "Kelpo.ini", "Kelpo.var", "Kelpo.dat.261211"};
    if (before != "fresh")
        names += "Kelpo.dat.261210";
    QCOMPARE(filesOf(), allPrivate(names));

    // A data file that cannot be read: the entries go to Kelpo.new.
    QVERIFY(QFile::remove(run.Data("Kelpo.dat")) && QDir().mkdir(run.Data("Kelpo.dat")));
    run.Start();
    QVERIFY(run.Close());
    names.removeOne("Kelpo.dat");
    QCOMPARE(filesOf(), allPrivate(names + QStringList{"Kelpo.new"}));
}

void TstStartup::dataFileLoadedIntoModel()
{
    Run run;
    Prepare(run);
    const QByteArray sep = "-----------------------------------------\x03\r\n";
    WriteAll(run.Data("Kelpo.dat"),
             "NumGroups: 2\r\nGroupName1=Daily\r\nGroupNumber1=4\r\nGroupName2=Weekly\r\nGroupNumber2=9\r\n"
             "Number of items: 3\r\n" + sep +
             "Item: 1\r\nName: Alpha\r\nGroup: ,4,\r\nSite: http://a.example\r\nKeys: {email}\r\n"
             "Last1: 46000.5\r\nEnds1: 46500\r\nFreq: 2,5\r\nrules\r\n" + sep +
             "Item: 2\r\nName: Broken\r\nGroup: \r\nSite: x\r\nKeys: \r\nLast1: soon\r\nEnds1: 46500\r\nFreq: 2,0\r\n\r\n" + sep +
             "Item: 3\r\nName: Gamma\r\nGroup: ,-1,\r\nSite: http://c.example\r\nKeys: \r\n"
             "Last1: 46001\r\nEnds1: 46500\r\nFreq: 7,1\r\n\r\n" + sep);
    run.Start();
    const Model &m = run.form->Data;
    QCOMPARE(m.NumGroups, 2);
    QCOMPARE(m.GroupTable[2].GroupName, QStringLiteral("Weekly"));
    QCOMPARE(m.GroupTable[2].GroupNumber, 9);
    QCOMPARE(m.Items.Count(), 2);
    QCOMPARE(m.Items.At(0)->Name, QStringLiteral("Alpha"));
    QCOMPARE(m.Items.At(0)->Count, 5);
    QCOMPARE(m.Items.At(0)->Keys, QStringLiteral("{email}"));
    QCOMPARE(m.Items.At(1)->Group, TrashMarker);
    const QStringList errors = run.dialogs.Texts("Error");
    QCOMPARE(errors.size(), 2);
    QCOMPARE(errors[0], QStringLiteral("Error loading entry. Entry will be ignored.\nPossible name: Broken"));

    // The file was not read whole: the user is told, and it is kept aside
    // byte for byte before anything is saved over it.
    const QString aside = run.Data("Kelpo.dat.damaged-261210-120000");
    QVERIFY2(errors[1].contains("could not read all") && errors[1].contains(run.Data("Kelpo.dat"))
                 && errors[1].contains("2 items were read; the file says it holds 3") && errors[1].contains("Broken")
                 && errors[1].contains(aside),
             qPrintable(errors[1]));
    const QByteArray original = ReadAll(run.Data("Kelpo.dat"));
    QCOMPARE(ReadAll(aside), original);
    QVERIFY(run.Close());
    const QByteArray saved = ReadAll(run.Data("Kelpo.dat"));
    QVERIFY(saved.contains("Name: Alpha") && saved.contains("Name: Gamma") && !saved.contains("Broken"));
    QCOMPARE(ReadAll(aside), original);

    // Saved whole, the file loads the next time without a word.
    run.Start();
    QCOMPARE(run.dialogs.Texts("Error"), QStringList());
    QCOMPARE(run.form->Data.Items.Count(), 2);
    QVERIFY(run.Close());
    QCOMPARE(QDir(run.dataDir).entryList({"Kelpo.dat.damaged*"}).size(), 1);
}

// A file with many unreadable items asks for a few clicks, not one each.
void TstStartup::manyUnreadableItemsFewBoxes()
{
    Run run;
    Prepare(run);
    const QByteArray sep = "-----------------------------------------\x03\r\n";
    QByteArray file = "Number of items: 10\r\n" + sep;
    for (int i = 0; i < 10; ++i)
        file += "Item: 1\r\nName: Bad " + QByteArray::number(i) + "\r\nGroup: \r\nSite: x\r\nKeys: \r\n"
                "Last1: never\r\nEnds1: 46500\r\nFreq: 2,0\r\n\r\n" + sep;
    WriteAll(run.Data("Kelpo.dat"), file);
    run.Start();
    const QStringList errors = run.dialogs.Texts("Error");
    QCOMPARE(errors.size(), 4);
    QVERIFY(errors[2].endsWith("Possible name: Bad 2"));
    QVERIFY2(errors[3].contains("0 items were read; the file says it holds 10.\n7 more items could not be read."),
             qPrintable(errors[3]));
    QVERIFY(run.Close());
}

// A variables file with text after a NUL is kept aside before the
// variables that were read are saved over it.
void TstStartup::damagedVariablesFileKeptAside()
{
    Run run;
    Prepare(run);
    static const char text[] = "{email}=me@example.org\r\n\0{phone}=123\r\n";
    const QByteArray damaged(text, sizeof text - 1);
    WriteAll(run.Data("Kelpo.var"), damaged);
    run.Start();
    const QString aside = run.Data("Kelpo.var.damaged-261210-120000");
    const QStringList errors = run.dialogs.Texts("Error");
    QVERIFY2(errors.size() == 1 && errors[0].contains(run.Data("Kelpo.var")) && errors[0].contains(aside),
             qPrintable(errors.join("\n")));
    QCOMPARE(run.form->VarStore->Value("{email}"), QStringLiteral("me@example.org"));
    QVERIFY(run.Close());
    QCOMPARE(ReadAll(aside), damaged);
    QCOMPARE(ReadAll(run.Data("Kelpo.var")), QByteArray("{email}=me@example.org\r\n"));
}

// Where the damaged file cannot even be copied aside (here: a disk that
// takes no writes), it stays untouched and the entries go to "Kelpo.new".
void TstStartup::damagedDataFileNotCopiedIsGuarded()
{
    Run run;
    Prepare(run);
    const QByteArray sep = "-----------------------------------------\x03\r\n";
    const QByteArray damaged = "Number of items: 0\r\n" + sep + "Item: 1\r\nName: Alpha\r\nGroup: \r\nSite: x\r\n"
                               "Keys: \r\nLast1: 46000.5\r\nEnds1: 46500\r\nFreq: 2,5\r\n\r\n" + sep;
    WriteAll(run.Data("Kelpo.dat"), damaged);
    WriteAll(run.Data("Kelpo.dat.261210"), "today's copy");
    FailingDisk disk(QStringLiteral("No space left on device"));
    run.Start();
    const QStringList errors = run.dialogs.Texts("Error");
    QVERIFY2(errors.size() >= 1 && errors.last().contains("1 items were read; the file says it holds 0")
                 && errors.last().contains(run.Data("Kelpo.new")),
             qPrintable(errors.join("\n")));
    QCOMPARE(run.form->Data.Items.Count(), 1);
    disk.reason.clear();
    QVERIFY(run.Close());
    QCOMPARE(ReadAll(run.Data("Kelpo.dat")), damaged);
    QVERIFY(ReadAll(run.Data("Kelpo.new")).contains("Name: Alpha"));
}

void TstStartup::unreadableFileIsNeverReplaced_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("kind");
    for (const char *name : {"Kelpo.dat", "Kelpo.ini", "Kelpo.var"}) {
        for (const char *kind : {"folder", "pipe"})
            QTest::addRow("%s, %s", name, kind) << name << kind;
    }
    QTest::newRow("Kelpo.ini, too large") << "Kelpo.ini" << "too large";
    QTest::newRow("Kelpo.var, too large") << "Kelpo.var" << "too large";
}

// A file that exists but cannot be read (a folder or a pipe in its place, or
// a file far larger than any real one of its kind) is reported at start,
// never waited on, the program stays usable, and no save replaces it.
void TstStartup::unreadableFileIsNeverReplaced()
{
    QFETCH(QString, name);
    QFETCH(QString, kind);
    Run run;
    Prepare(run);
    WriteAll(run.Data("Kelpo.ini"), "[Version]\r\nVersion=1.8.1\r\n");
    const QString path = run.Data(name);
    QFile::remove(path);
    QByteArray large;
    if (kind == "folder") {
        QVERIFY(QDir().mkpath(path + "/inside"));
    } else if (kind == "pipe") {
        QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    } else {
        large = QByteArray(2 << 20, 'x');
        WriteAll(path, large);
    }

    run.Start();
    const QStringList errors = run.dialogs.Texts("Error");
    QCOMPARE(errors.size(), 1);
    QVERIFY2(errors[0].contains("could not be read") && errors[0].contains(path), qPrintable(errors[0]));
    QVERIFY(run.form->VarStore);
    QCOMPARE(run.form->VarStore->Lines.size(), 12);

    run.form->MenuSaveDataClick();
    run.form->Timer1Timer();
    QVERIFY(run.Close());
    if (kind == "folder")
        QVERIFY(QFileInfo::exists(path + "/inside"));
    else if (kind == "pipe")
        QVERIFY(QFileInfo::exists(path) && !QFileInfo(path).isFile());
    else
        QCOMPARE(ReadAll(path), large);
    // The other files are written as usual.
    for (const QString &other : {QStringLiteral("Kelpo.ini"), QStringLiteral("Kelpo.var")})
        if (other != name)
            QVERIFY2(QFileInfo(run.Data(other)).isFile(), qPrintable(other));
}

// The files Kelpo only reads: a pipe in their place is refused at once.
void TstStartup::readOnlyFilesNeverBlock()
{
    Run run;
    Prepare(run);
    for (const char *name : {"brand.ini", "kdf.lst", "Kelpo.dat"})
        QCOMPARE(::mkfifo(QFile::encodeName(run.Data(name)).constData(), 0600), 0);
    WriteAll(run.Data("Kelpo.ini"), "[Options]\r\nCheckForFiles=1\r\n[Version]\r\nVersion=1.8.1\r\n");
    run.Start();
    const QStringList errors = run.dialogs.Texts("Error");
    QVERIFY2(errors.size() == 3 && errors[0].contains(run.Data("brand.ini")) && errors[1].contains(run.Data("Kelpo.dat")),
             qPrintable(errors.join("\n---\n")));
    QCOMPARE(run.form->windowTitle(), ProductCaption + QStringLiteral("by ") + ProductDomain);
    QVERIFY(run.Close());
    QVERIFY(!QFileInfo(run.Data("Kelpo.dat")).isFile());
    QVERIFY(!QFileInfo::exists(run.Data("Kelpo.dat.261210")));
}

void TstStartup::unreadableDataFileSavesToNewFile()
{
    Run run;
    Prepare(run);
    QVERIFY(QDir().mkpath(run.Data("Kelpo.dat")));
    WriteAll(run.Data("Kelpo.bak"), "good backup");
    WriteAll(run.Data("Kelpo.new"), "entries of an earlier run");
    run.Start();
    QVERIFY(run.dialogs.Texts("Error").value(0).contains(run.Data("Kelpo.new")));
    run.form->Data.Items.Append(Item("Kept"));
    run.dialogs.Clear();

    run.form->MenuSaveDataClick();
    const QStringList errors = run.dialogs.Texts("Error");
    QCOMPARE(errors.size(), 1);
    QVERIFY(errors[0].contains(run.Data("Kelpo.dat")) && errors[0].contains(run.Data("Kelpo.new")));
    QVERIFY(run.dialogs.Texts("Information").isEmpty());  // the error said where the entries went
    QVERIFY(ReadAll(run.Data("Kelpo.new")).contains("Name: Kept"));
    QCOMPARE(ReadAll(run.Data("Kelpo.new.261210-120000")), QByteArray("entries of an earlier run"));
    QCOMPARE(ReadAll(run.Data("Kelpo.bak")), QByteArray("good backup"));

    // Later saves of the same run overwrite their own "Kelpo.new" only.
    run.form->Data.Items.At(0)->Site = "http://changed.example";
    QVERIFY(run.Close());
    QVERIFY(ReadAll(run.Data("Kelpo.new")).contains("Site: http://changed.example"));
    QCOMPARE(QDir(run.dataDir).entryList({"Kelpo.new*"}).size(), 2);
    QVERIFY(QFileInfo(run.Data("Kelpo.dat")).isDir());
}

void TstStartup::failedWriteKeepsFilesAndReports()
{
    Run run;
    Prepare(run);
    run.Start();
    run.form->MenuSaveDataClick();  // a good Kelpo.dat and Kelpo.bak
    const QByteArray dat = ReadAll(run.Data("Kelpo.dat"));
    QVERIFY(!dat.isEmpty());
    QCOMPARE(ReadAll(run.Data("Kelpo.bak")), dat);
    run.form->Data.Items.Append(Item("New"));
    run.dialogs.Clear();

    FailingDisk disk("No space left on device");
    run.form->MenuSaveDataClick();
    run.form->Timer1Timer();
    const QString failed = "There was a problem saving your data:\nNo space left on device";
    QCOMPARE(run.dialogs.Texts("Error"), (QStringList{failed, failed}));
    QVERIFY(run.dialogs.Texts("Information").isEmpty());  // a failed save is never reported as saved
    QCOMPARE(ReadAll(run.Data("Kelpo.dat")), dat);
    QCOMPARE(ReadAll(run.Data("Kelpo.bak")), dat);

    // Closing would lose the new item: the window stays unless the user
    // chooses to close all the same.
    run.dialogs.Clear();
    QVERIFY(!run.Close());
    QCOMPARE(run.dialogs.Texts("Error"), QStringList{failed});
    QCOMPARE(run.dialogs.Texts("Question").size(), 1);
    disk.reason.clear();

    // A write that fails on its own (no such folder) leaves the backup alone
    // even though the data file itself could be copied.
    WriteAll(run.Data("Kelpo.dat"), "newer than the backup");
    run.dialogs.Clear();
    run.form->SaveData(run.Data("gone/Kelpo.dat"), true);
    QCOMPARE(run.dialogs.Texts("Error").size(), 1);
    QCOMPARE(ReadAll(run.Data("Kelpo.bak")), dat);

    // Closing anyway: every file that cannot be written is reported and
    // stays as it was.
    disk.reason = "No space left on device";
    run.dialogs.Clear();
    run.dialogs.confirmAnswers.enqueue(true);
    QVERIFY(run.Close());
    disk.reason.clear();
    QCOMPARE(run.dialogs.Texts("Error"), (QStringList{failed, "No space left on device",
                                                      "There was a problem saving your settings:\nNo space left on device"}));
    QCOMPARE(ReadAll(run.Data("Kelpo.dat")), QByteArray("newer than the backup"));
}

void TstStartup::failedBuildOffersBackup_data()
{
    QTest::addColumn<bool>("yes");
    QTest::newRow("Yes restores") << true;
    QTest::newRow("No leaves files") << false;
}

void TstStartup::failedBuildOffersBackup()
{
    QFETCH(bool, yes);
    Run run;
    Prepare(run);
    WriteAll(run.Data("Kelpo.ini"), "[Version]\r\nVersion=1.8.1\r\n");
    run.Start();
    WriteAll(run.Data("Kelpo.dat"), "current");
    WriteAll(run.Data("Kelpo.bak"), "backup");
    // A date the program cannot write (no path of the program stores one).
    run.form->Data.Items.Append(Item("Bad"))->Last = std::numeric_limits<double>::quiet_NaN();

    run.dialogs.confirmAnswers.enqueue(yes);
    run.form->SaveData(run.Data("Kelpo.dat"), true);
    QCOMPARE(run.dialogs.Texts("Confirm"), QStringList{RestoreQuestion});
    QCOMPARE(run.dialogs.shown.size(), 1);
    QCOMPARE(ReadAll(run.Data("Kelpo.dat")), yes ? QByteArray("backup") : QByteArray("current"));
    QCOMPARE(ReadAll(run.Data("Kelpo.err")), yes ? QByteArray("current") : QByteArray());
    QCOMPARE(ReadAll(run.Data("Kelpo.bak")), QByteArray("backup"));
    QCOMPARE(run.form->Data.Items.Count(), 1);
    QVERIFY(std::isnan(run.form->Data.Items.At(0)->Last));  // the model is left as it was

    run.form->Data.Items.At(0)->Last = Day("10/12/2026 09:00");
    QVERIFY(run.Close());
}

void TstStartup::helpPage_data()
{
    QTest::addColumn<bool>("fileThere");
    QTest::addColumn<QString>("browser");
    QTest::addColumn<bool>("browserStarts");
    QTest::addColumn<bool>("desktopOpens");
    QTest::addColumn<bool>("defaultAsked");  // the desktop's handler was asked to open the page
    QTest::addColumn<QString>("error");      // "%1": the help page's path

    const QString failed = QStringLiteral("Unable to open the Kelpo help file.\n");
    const QString check = QStringLiteral("Please check the Browser setting on the Options tab.");
    QTest::newRow("default browser") << true << "" << true << true << true << "";
    QTest::newRow("chosen browser") << true << "/opt/web" << true << true << false << "";
    QTest::newRow("no help file") << false << "" << true << true << false
                                  << failed + "The file \"%1\" is missing.";
    QTest::newRow("no program opens it")
        << true << "" << true << false << true
        << failed + "No program could open the page.\nPlease go to the Options tab and select a browser.";
    QTest::newRow("chosen browser missing, default used")
        << true << "/opt/gone" << false << true << true
        << "The browser \"/opt/gone\" could not be started, so the desktop's default browser was asked to open the page "
           "instead.\n" + check;
    QTest::newRow("chosen browser missing, no default")
        << true << "/opt/gone" << false << false << true
        << failed + "The browser \"/opt/gone\" could not be started.\n" + check;
}

// A first start opens the help page as the Help button does: with the chosen
// browser when there is one, and a failure always says why.
void TstStartup::helpPage()
{
    QFETCH(bool, fileThere);
    QFETCH(QString, browser);
    QFETCH(bool, browserStarts);
    QFETCH(bool, desktopOpens);
    QFETCH(bool, defaultAsked);
    QFETCH(QString, error);
    Run run;
    Prepare(run);
    if (!fileThere)
        QVERIFY(QFile::remove(run.helpFile));
    if (!browser.isEmpty())
        WriteAll(run.Data("Kelpo.ini"), "[Options]\r\nBrowser=" + browser.toUtf8() + "\r\n");
    run.desktop.result = desktopOpens;
    run.desktop.starts = browserStarts;
    run.Start();
    const QUrl page = QUrl::fromLocalFile(run.helpFile);
    QCOMPARE(run.dialogs.Texts("Error"), error.isEmpty() ? QStringList() : QStringList{error.arg(run.helpFile)});
    QCOMPARE(run.desktop.opened, defaultAsked ? QList<QUrl>{page} : QList<QUrl>());
    QCOMPARE(run.desktop.started.size(), fileThere && !browser.isEmpty() ? 1 : 0);
    if (!run.desktop.started.isEmpty()) {
        QCOMPARE(run.desktop.started.at(0).program, browser);
        QCOMPARE(run.desktop.started.at(0).arguments, QStringList{page.toString()});
    }
    // Start-up went on: the version is recorded, the variables loaded.
    QCOMPARE(Ini(run.Data("Kelpo.ini"), "Version", "Version"), ProductVersion);
    QCOMPARE(run.form->VarStore->Lines.size(), 12);
    QVERIFY(run.Close());
}

void TstStartup::optionClicks()
{
    Run run;
    Prepare(run);
    WriteAll(run.Data("Kelpo.ini"), "[Version]\r\nVersion=1.8.1\r\n[Options]\r\nAlwaysOnTop=1\r\n");
    run.Start();
    TMainForm &f = *run.form;
    QVERIFY(f.AlwaysOnTop->isChecked());
    QCOMPARE(run.dialogs.shown.size(), 0);
    f.ApplyAlwaysOnTop();
    QVERIFY(f.windowFlags() & Qt::WindowStaysOnTopHint);

    // The other options only hand the focus to the tab bar.
    f.show();
    QVERIFY(QTest::qWaitForWindowActive(&f));
    f.Page->setCurrentWidget(f.OptionsTab);
    f.AutoSave->setFocus();
    f.AutoSave->click();
    QCOMPARE(QApplication::focusWidget(), f.Page->tabBar());
    f.NewOnly->click();
    QCOMPARE(run.dialogs.shown.size(), 0);
    f.AlwaysOnTop->click();
    QCOMPARE(run.dialogs.Texts("Information"),
             QStringList{"Please exit and restart Kelpo to\nactivate your Always On Top selection."});
    QVERIFY(!f.AlwaysOnTop->isChecked());
    QVERIFY(run.Close());
    QCOMPARE(Ini(run.Data("Kelpo.ini"), "Options", "AlwaysOnTop"), QStringLiteral("0"));
    QCOMPARE(Ini(run.Data("Kelpo.ini"), "Options", "AutoSave"), QStringLiteral("0"));

    run.Start();
    run.form->ApplyAlwaysOnTop();
    QVERIFY(!(run.form->windowFlags() & Qt::WindowStaysOnTopHint));
    QVERIFY(run.Close());
}

void TstStartup::commandSocketRunsNewItem()
{
    Run run;
    Prepare(run);
    run.socket = run.dataDir + "cmd.sock";
    WriteAll(run.socket, "left by a copy that crashed");
    run.Start();
    run.form->DroppedUrl = "http://dropped.example/";
    run.form->DroppedTitle = "Dropped Title";

    QLocalSocket client;
    client.connectToServer(run.socket);
    QVERIFY(client.waitForConnected(2000));
    client.write("10");
    client.flush();
    QTest::qWait(50);
    client.write("00\r\nsomething else\n1000\n");
    client.flush();
    QTRY_COMPARE(run.form->newItems.size(), 2);
    QCOMPARE(run.form->newItems[0], QStringLiteral("http://dropped.example/|Dropped Title"));
    client.disconnectFromServer();
    QVERIFY(run.Close());
}

// A second copy of the program asks the running one to show its window.
void TstStartup::commandSocketBringsWindowToFront()
{
    Run run;
    Prepare(run);
    WriteAll(run.Data("Kelpo.ini"), "[Version]\r\nVersion=1.8.1\r\n");
    run.socket = run.dataDir + "cmd.sock";
    run.Start();
    TMainForm &f = *run.form;
    f.show();
    QVERIFY(QTest::qWaitForWindowExposed(&f));
    QWidget other;
    other.show();
    other.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&other));
    f.showMinimized();
    QVERIFY(f.isMinimized());

    QLocalSocket client;
    client.connectToServer(run.socket);
    QVERIFY(client.waitForConnected(2000));
    client.write("show\n");
    client.flush();
    QTRY_VERIFY(!f.isMinimized());
    QVERIFY(f.isVisible());
    QTRY_VERIFY(f.isActiveWindow());
    QCOMPARE(run.form->newItems, QStringList());
    QVERIFY(run.Close());
}

void TstStartup::startupEndsWithUpdateAndNext_data()
{
    QTest::addColumn<QStringList>("lasts");   // of "Alpha", "Beta", "Gamma"
    QTest::addColumn<QString>("group");       // of all three
    QTest::addColumn<QString>("selected");    // "": no row
    QTest::addColumn<QString>("label");
    QTest::addColumn<bool>("allDone");
    const QString done = "10/12/2026 09:00", due = "01/12/2026 09:00";
    QTest::newRow("first due after the first row") << QStringList{done, due, due} << "" << "Beta" << "Items: (2/3)" << false;
    QTest::newRow("first row last of all") << QStringList{due, done, done} << "" << "Alpha" << "Items: (1/3)" << false;
    QTest::newRow("nothing due") << QStringList{done, done, done} << "" << "Alpha" << "Items: (0/3)" << true;
    QTest::newRow("all in the Trash") << QStringList{due, due, due} << TrashMarker << "" << "Items: (0/0)" << false;
}

// Start-up lists "All Items", shows the window, runs Update (every item's due
// state) and Next (the first due row after the first one).
void TstStartup::startupEndsWithUpdateAndNext()
{
    QFETCH(QStringList, lasts);
    QFETCH(QString, group);
    QFETCH(QString, selected);
    QFETCH(QString, label);
    QFETCH(bool, allDone);
    Run run;
    Prepare(run);
    WriteAll(run.Data("Kelpo.ini"), "[Version]\r\nVersion=1.8.1\r\n");
    Model model;
    const QStringList names = {"Alpha", "Beta", "Gamma"};
    for (int i : {2, 0, 1}) {  // file order is not list order
        auto rec = Item(names[i], lasts[i]);
        rec->Group = group;
        model.Items.Append(std::move(rec));
    }
    QByteArray text;
    QVERIFY(BuildDataText(model, Formats::Make("dd/MM/yyyy", "HH:mm", '.', 2026), &text));
    WriteAll(run.Data("Kelpo.dat"), text);

    run.Start();
    TMainForm &f = *run.form;
    QCOMPARE(run.dialogs.Texts("Information"), allDone ? QStringList{"All items have been completed."} : QStringList());
    QCOMPARE(f.Label1->text(), label);
    QCOMPARE(f.isVisible(), !selected.isEmpty());
    if (selected.isEmpty()) {
        QCOMPARE(f.StatusText(), QStringLiteral("Kelpo from kelpo.example.org"));
        QVERIFY(!f.Data.Items.At(0)->Done);  // no Update ran
    } else {
        QCOMPARE(f.Url->text(), "http://" + selected.toLower() + ".example");
        QCOMPARE(f.StatusText(), QStringLiteral("Groups: None"));
        for (int i = 0; i < 3; ++i)
            QCOMPARE(f.Data.Items.At(i)->Done, DateTimeText(f.Data.Items.At(i)->Last) == "10/12/2026 09:00");
    }
    QVERIFY(run.Close());
}

QTEST_MAIN(TstStartup)
#include "tst_startup.moc"
