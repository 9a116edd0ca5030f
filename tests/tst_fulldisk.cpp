// Saves onto a full disk and into a folder that cannot be written: the data
// folder lies on a small tmpfs of the test's own (in a private mount
// namespace, so nothing outside the test sees it), filled to the last page
// or remounted read-only. Where the machine refuses the mount (or
// KELPO_FULLDISK_INJECT is set), a FailingDisk with the system's reason
// stands in for the disk.
#include <QtTest>

#include <QApplication>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sched.h>
#include <sys/mount.h>
#include <unistd.h>

#include "DataFile.h"
#include "IniFile.h"
#include "Product.h"
#include "support/DayText.h"
#include "support/FakeDesktop.h"
#include "support/FakeDialogs.h"
#include "support/FailingDisk.h"
#include "support/SaveRounds.h"

using namespace kelpo;

namespace {

const QString SaveNowText = QStringLiteral("All items saved to disk.\n(Backup file created)");
const QString DataFailed = QStringLiteral("There was a problem saving your data:\n");
const QString SettingsFailed = QStringLiteral("There was a problem saving your settings:\n");
const QString NoSpace = QString::fromLocal8Bit(std::strerror(ENOSPC));
const QString ReadOnly = QString::fromLocal8Bit(std::strerror(EROFS));

bool WriteProc(const char *path, const QByteArray &text)
{
    const int fd = ::open(path, O_WRONLY);
    const bool ok = fd >= 0 && ::write(fd, text.constData(), size_t(text.size())) == text.size();
    if (fd >= 0)
        ::close(fd);
    return ok;
}

// Gives this process mount points of its own: as root (or with the right to
// mount) a new mount namespace; otherwise a user namespace, where an
// unprivileged user may mount a tmpfs. Must run before any thread starts.
bool PrivateMounts()
{
    if (::unshare(CLONE_NEWNS) != 0) {
        const QByteArray uid = QByteArray::number(::geteuid());
        const QByteArray gid = QByteArray::number(::getegid());
        if (::unshare(CLONE_NEWUSER | CLONE_NEWNS) != 0)
            return false;
        WriteProc("/proc/self/setgroups", "deny");
        if (!WriteProc("/proc/self/uid_map", "0 " + uid + " 1") || !WriteProc("/proc/self/gid_map", "0 " + gid + " 1"))
            return false;
    }
    return ::mount("none", "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0;
}

bool privateMounts = false;

// A small tmpfs at `path` that a test fills, frees and makes read-only. In
// the fallback every failure of the disk is the injected one.
class SmallDisk {
public:
    explicit SmallDisk(const QString &path) : path_(path)
    {
        mounted_ = privateMounts &&
                   ::mount("tmpfs", QFile::encodeName(path).constData(), "tmpfs", 0, "size=4m,mode=0755") == 0;
    }
    ~SmallDisk()
    {
        if (fill_ >= 0)
            ::close(fill_);
        if (mounted_)
            ::umount2(QFile::encodeName(path_).constData(), MNT_DETACH);
    }
    bool Real() const { return mounted_; }
    const QString &Path() const { return path_; }

    // Takes every free page with a filler file.
    void Fill()
    {
        if (!mounted_) {
            faults_.reason = NoSpace;
            return;
        }
        fill_ = ::open(QFile::encodeName(path_ + QStringLiteral("/filler")).constData(), O_WRONLY | O_CREAT, 0600);
        QVERIFY(fill_ >= 0);
        const QByteArray chunk(4096, 'x');
        while (::write(fill_, chunk.constData(), size_t(chunk.size())) > 0) {
        }
        QCOMPARE(errno, ENOSPC);
    }
    // Gives `pages` pages of the filler back; all of it when `pages` < 0.
    void Free(qint64 pages = -1)
    {
        faults_.reason.clear();
        if (fill_ < 0)
            return;
        const qint64 size = ::lseek(fill_, 0, SEEK_END);
        QCOMPARE(::ftruncate(fill_, pages < 0 ? 0 : std::max<qint64>(0, size - pages * ::sysconf(_SC_PAGESIZE))), 0);
    }
    void SetReadOnly(bool readOnly)
    {
        if (!mounted_) {
            faults_.reason = readOnly ? ReadOnly : QString();
            return;
        }
        const unsigned long flags = MS_REMOUNT | (readOnly ? MS_RDONLY : 0);
        QCOMPARE(::mount("tmpfs", QFile::encodeName(path_).constData(), "tmpfs", flags, "size=4m"), 0);
    }

private:
    QString path_;
    bool mounted_ = false;
    int fill_ = -1;
    FailingDisk faults_;  // the fallback's disk; lets every write through on a real one
};

QByteArray ReadAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

using Files = QMap<QString, QByteArray>;

Files FilesIn(const QString &dir)
{
    Files files;
    for (const QString &name : QDir(dir).entryList(QDir::Files | QDir::Hidden))
        files.insert(name, ReadAll(dir + name));
    return files;
}

// A main window on the data folder with fake dialogs and desktop.
struct Window {
    QString dataDir;
    QString helpFile;
    FakeDialogs dialogs;
    FakeDesktop desktop;
    FixedClock clock{QDateTime(QDate(2026, 12, 10), QTime(12, 0))};
    std::unique_ptr<TMainForm> form;

    void Start()
    {
        dialogs.Clear();
        MainServices s{dialogs, desktop, clock, rounds::Dates(), dataDir, helpFile, dataDir, QString()};
        s.checkBrowser = [](const QString &) {
            BrowserCheck found;
            found.probeCreated = found.registered = true;
            return found;
        };
        form = std::make_unique<TMainForm>(s);
    }
    bool Close()
    {
        const bool closed = form->close();
        if (closed)
            form.reset();
        return closed;
    }
    void Add(int count)
    {
        const int first = form->Data.Items.Count();
        for (int i = first; i < first + count; ++i) {
            auto rec = std::make_unique<Rec>();
            rec->Name = QStringLiteral("Item %1").arg(i);
            rec->Site = QStringLiteral("http://site%1.example/").arg(i);
            rec->Last = Day(QStringLiteral("10/12/2026 09:00"));
            rec->Ends = Day(QStringLiteral("31/12/2027"));
            rec->Comments = QString(100, QLatin1Char('c'));
            form->Data.Items.Append(std::move(rec));
        }
    }
    QStringList Errors() const { return dialogs.Texts(QStringLiteral("Error")); }
};

}  // namespace

class TstFullDisk : public QObject {
    Q_OBJECT

private:
    QTemporaryDir tmp_;
    int runs_ = 0;

    // A data folder on a fresh disk, with a data file of `items` items, the
    // variables and the settings as a closed window left them.
    void Prepare(SmallDisk &disk, Window &w, int items)
    {
        w.dataDir = disk.Path() + QStringLiteral("/data/");
        w.helpFile = tmp_.filePath(QStringLiteral("kelpo.html"));
        QVERIFY(QDir().mkpath(w.dataDir));
        w.Start();
        w.Add(items);
        QVERIFY(w.Close());
    }
    QString Mountpoint()
    {
        const QString path = tmp_.filePath(QString::number(++runs_));
        QDir().mkpath(path);
        return path;
    }

private Q_SLOTS:
    void initTestCase()
    {
        QFile help(tmp_.filePath(QStringLiteral("kelpo.html")));
        QVERIFY(help.open(QIODevice::WriteOnly));
        qInfo(privateMounts ? "data folders on a small tmpfs in a private mount namespace"
                            : "no mounts allowed here: injected write failures stand in for the disk");
    }

    // Every save path on a full disk and in a read-only folder: the
    // program's message, the files as they were, and a window that goes on
    // and saves once there is room again.
    void everySaveFailsAndKeepsFiles_data()
    {
        QTest::addColumn<bool>("readOnly");
        QTest::newRow("full disk") << false;
        QTest::newRow("read-only folder") << true;
    }
    void everySaveFailsAndKeepsFiles()
    {
        QFETCH(bool, readOnly);
        SmallDisk disk(Mountpoint());
        Window w;
        Prepare(disk, w, 500);
        w.Start();
        w.form->MenuSaveDataClick();  // the backup
        QVERIFY(w.Errors().isEmpty());
        const Files before = FilesIn(w.dataDir);
        QCOMPARE(before.keys(), (QStringList{"Kelpo.bak", "Kelpo.dat", "Kelpo.dat.261210", "Kelpo.ini", "Kelpo.var"}));
        w.Add(1);
        rounds::ChangeVariables(*w.form->VarStore, 1);
        rounds::ChangeOptions(*w.form, 1);

        if (readOnly)
            disk.SetReadOnly(true);
        else
            disk.Fill();
        // A full disk gives the system's reason; a read-only folder may be
        // described by the file layer in its own words, naming the file.
        auto shows = [&](const QStringList &expected) {
            const QStringList errors = w.Errors();
            if (!readOnly)
                return errors == expected;
            bool same = errors.size() == expected.size();
            for (int i = 0; same && i < errors.size(); ++i)
                same = errors[i].startsWith(expected[i].chopped(NoSpace.size())) && !errors[i].endsWith(QLatin1Char('\n'));
            return same;
        };
        w.dialogs.Clear();
        w.form->Timer1Timer();
        QVERIFY2(shows({DataFailed + NoSpace}), qPrintable(w.Errors().join('|')));
        w.dialogs.Clear();
        w.form->MenuSaveDataClick();
        QVERIFY2(shows({DataFailed + NoSpace}), qPrintable(w.Errors().join('|')));
        QVERIFY(w.dialogs.Texts("Information").isEmpty());  // not reported as saved
        w.dialogs.Clear();
        QVERIFY(!w.Close());  // the entries could not be written: the window stays
        QVERIFY2(shows({DataFailed + NoSpace}), qPrintable(w.Errors().join('|')));
        QCOMPARE(w.dialogs.Texts("Question").size(), 1);
        QCOMPARE(FilesIn(w.dataDir), before);

        if (readOnly)
            disk.SetReadOnly(false);
        else
            disk.Free();
        w.dialogs.Clear();
        w.form->MenuSaveDataClick();
        QVERIFY(w.Errors().isEmpty());
        QVERIFY(ReadAll(w.dataDir + "Kelpo.bak").contains("Name: Item 500\r\n"));
        QVERIFY(w.Close());
        QVERIFY(ReadAll(w.dataDir + "Kelpo.var").contains("=value 0 of round 1\r\n"));
        QVERIFY(ReadAll(w.dataDir + "Kelpo.ini").contains("Browser=/usr/bin/browser-of-round-1\r\n"));
    }

    // Start-up on a full disk: the version cannot be recorded (the
    // program's message), the daily copy fails without a message and
    // leaves no part of a copy behind, so the next start makes it whole.
    void startOnFullDisk()
    {
        SmallDisk disk(Mountpoint());
        Window w;
        Prepare(disk, w, 500);
        IniFile ini;
        QVERIFY(ini.Load(w.dataDir + "Kelpo.ini"));
        ini.WriteString("Version", "Version", "1.0");
        QVERIFY(ini.Save(w.dataDir + "Kelpo.ini"));
        const Files before = FilesIn(w.dataDir);

        disk.Fill();
        w.Start();
        QCOMPARE(w.Errors(), QStringList{SettingsFailed + NoSpace});
        QCOMPARE(w.form->Data.Items.Count(), 500);
        QCOMPARE(FilesIn(w.dataDir), before);

        disk.Free();
        QVERIFY(w.Close());
        w.Start();
        QVERIFY(w.Errors().isEmpty());
        QCOMPARE(ReadAll(w.dataDir + "Kelpo.dat.261210"), before["Kelpo.dat"]);
    }

    // Room for the variables but not for the settings at shutdown, and the
    // user closes without the entries: the settings keep their old content,
    // the message says why, the window closes.
    void settingsFailAtShutdown()
    {
        SmallDisk disk(Mountpoint());
        if (!disk.Real())
            QSKIP("needs a real small disk: an injected failure stops the variables first");
        Window w;
        Prepare(disk, w, 500);
        w.Start();
        const QByteArray ini = ReadAll(w.dataDir + "Kelpo.ini");
        // A variables file written anew takes one page without freeing one.
        QVERIFY(QFile::remove(w.dataDir + "Kelpo.var"));
        rounds::ChangeOptions(*w.form, 1);
        disk.Fill();
        disk.Free(1);
        w.dialogs.confirmAnswers.enqueue(true);  // close without the entries
        QVERIFY(w.Close());
        QCOMPARE(w.dialogs.Texts("Error"), (QStringList{DataFailed + NoSpace, SettingsFailed + NoSpace}));
        QCOMPARE(ReadAll(w.dataDir + "Kelpo.ini"), ini);
        QCOMPARE(ReadAll(w.dataDir + "Kelpo.var").count("\r\n"), 12);
    }

    // Room for the new data file but not for its backup: the data file is
    // A save is written a piece at a time: one that runs out of room after
    // some of its pieces went to the disk fails with the system's reason,
    // leaves every file as it was and no part of the new one behind.
    void saveRunsOutOfRoomPartway()
    {
        SmallDisk disk(Mountpoint());
        if (!disk.Real())
            QSKIP("needs a real small disk: an injected failure stops the save before its first piece");
        Window w;
        Prepare(disk, w, 50);
        w.Start();
        const Files before = FilesIn(w.dataDir);
        w.Add(6000);
        QByteArray text;
        QVERIFY(BuildDataText(w.form->Data, w.form->Fmt, &text));
        QVERIFY(text.size() > 1024 * 1024);
        disk.Fill();
        disk.Free(text.size() / 2 / ::sysconf(_SC_PAGESIZE));
        w.dialogs.Clear();
        w.form->MenuSaveDataClick();
        QCOMPARE(w.Errors(), QStringList{DataFailed + NoSpace});
        QCOMPARE(FilesIn(w.dataDir), before);
        disk.Free();
        w.dialogs.Clear();
        w.form->MenuSaveDataClick();
        QVERIFY(w.Errors().isEmpty());
        QCOMPARE(ReadAll(w.dataDir + "Kelpo.dat"), text);
    }

    // new and whole, the backup keeps the previous save whole and no part
    // of a copy is left; "Save Now" does not claim a backup.
    void backupCopyFailsWhole()
    {
        SmallDisk disk(Mountpoint());
        if (!disk.Real())
            QSKIP("needs a real small disk: an injected failure stops the data file first");
        Window w;
        Prepare(disk, w, 500);
        w.Start();
        w.form->MenuSaveDataClick();
        const Files before = FilesIn(w.dataDir);
        w.Add(100);
        QByteArray text;
        QVERIFY(BuildDataText(w.form->Data, w.form->Fmt, &text));
        disk.Fill();
        disk.Free((text.size() + ::sysconf(_SC_PAGESIZE) - 1) / ::sysconf(_SC_PAGESIZE));
        w.dialogs.Clear();
        w.form->MenuSaveDataClick();
        QVERIFY(w.Errors().isEmpty());
        QCOMPARE(w.dialogs.Texts("Information"),
                 QStringList{"All items saved to disk.\n(The backup file could not be created.)"});
        QCOMPARE(ReadAll(w.dataDir + "Kelpo.dat"), text);
        Files after = FilesIn(w.dataDir);
        after.remove("Kelpo.dat");
        Files expected = before;
        expected.remove("Kelpo.dat");
        QCOMPARE(after, expected);
        disk.Free();
    }
};

int main(int argc, char *argv[])
{
    // KELPO_FULLDISK_INJECT=1 tries the fallback on a machine that mounts.
    privateMounts = !qEnvironmentVariableIsSet("KELPO_FULLDISK_INJECT") && PrivateMounts();  // before any thread
    QApplication app(argc, argv);
    TstFullDisk test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_fulldisk.moc"
