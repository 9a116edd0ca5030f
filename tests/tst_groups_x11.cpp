// A new user's first session with the real program in a real X server,
// driven from the keyboard: items and groups are made, items move between
// groups, to the Trash and back, one is found by its name; after a restart
// everything is as it was.
#include <QtTest>

#include <QProcess>

namespace {

QString Run(const QString &program, const QStringList &args)
{
    QProcess p;
    p.start(program, args);
    if (!p.waitForFinished(5000))
        return QString();
    return QString::fromLocal8Bit(p.readAllStandardOutput()).trimmed();
}

// Visible top-level windows whose whole name is `title`.
QStringList Visible(const QString &title)
{
    return Run("xdotool", {"search", "--onlyvisible", "--name", "^" + QRegularExpression::escape(title) + "$"})
        .split('\n', Qt::SkipEmptyParts);
}

QString WaitForWindow(const QString &title)
{
    QDeadlineTimer deadline(10000);
    while (!deadline.hasExpired()) {
        const QStringList found = Visible(title);
        if (!found.isEmpty())
            return found.first();
        QTest::qWait(50);
    }
    return QString();
}

bool WaitForNoWindow(const QString &title)
{
    QDeadlineTimer deadline(5000);
    while (!deadline.hasExpired() && !Visible(title).isEmpty())
        QTest::qWait(50);
    return Visible(title).isEmpty();
}

// Brings a window to the front with the keyboard focus; the focus is set
// directly as well, in case the window manager is slow to react.
void Activate(const QString &wid)
{
    Run("xdotool", {"windowactivate", wid});
    Run("xdotool", {"windowfocus", "--sync", wid});
    QTest::qWait(100);
}

// Presses keys in the window `wid`, brought to the front first. Menus that
// the keys open get a moment to appear.
void Keys(const QString &wid, const QStringList &keys)
{
    Activate(wid);
    for (const QString &key : keys) {
        Run("xdotool", {"key", "--clearmodifiers", key});
        QTest::qWait(key == QLatin1String("Menu") || key == QLatin1String("Right") ? 400 : 120);
    }
}

// Answers the box or prompt titled `title`: types `text` (if any) and presses Return.
bool Answer(const QString &title, const QString &text = QString())
{
    const QString wid = WaitForWindow(title);
    if (wid.isEmpty())
        return false;
    Activate(wid);
    if (!text.isEmpty())
        Run("xdotool", {"type", "--delay", "20", text});
    Run("xdotool", {"key", "Return"});
    return WaitForNoWindow(title);
}

// Name -> membership text of every item in a main data file, and its group lines.
QMap<QString, QString> Items(const QString &path, QStringList *groups)
{
    QFile f(path);
    QMap<QString, QString> out;
    if (!f.open(QIODevice::ReadOnly))
        return out;
    QString name;
    for (const QString &raw : QString::fromUtf8(f.readAll()).split(QStringLiteral("\r\n"))) {
        if (raw.startsWith(QLatin1String("GroupName")) || raw.startsWith(QLatin1String("GroupNumber")))
            groups->append(raw);
        else if (raw.startsWith(QLatin1String("Name: ")))
            name = raw.mid(6);
        else if (raw.startsWith(QLatin1String("Group: ")))
            out.insert(name, raw.mid(7));
    }
    return out;
}

}  // namespace

class TstGroupsX11 : public QObject {
    Q_OBJECT

private:
    QTemporaryDir tmp_;
    QString dataDir_;
    QProcessEnvironment env_;

    // Starts the program and gets past the start-up note that no program
    // opens web pages (this desktop has none). Returns the main window.
    QString Start(QProcess &p)
    {
        p.setProcessEnvironment(env_);
        p.setProcessChannelMode(QProcess::ForwardedChannels);
        p.start(KELPO_EXE, {});
        if (!p.waitForStarted() || !Answer("Information"))
            return QString();
        const QString wid = WaitForWindow("Kelpo! V1.8.1 by kelpo.example.org");
        // Keys go nowhere until the window has the focus.
        QDeadlineTimer deadline(5000);
        while (!wid.isEmpty() && !deadline.hasExpired() && Run("xdotool", {"getwindowfocus"}) != wid) {
            Activate(wid);
            QTest::qWait(100);
        }
        QTest::qWait(500);
        return wid;
    }
    void Close(QProcess &p, const QString &wid)
    {
        Run("wmctrl", {"-i", "-c", wid});
        QVERIFY2(p.waitForFinished(10000), "the program did not end after its window was closed");
        QCOMPARE(p.exitCode(), 0);
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(tmp_.isValid());
        // Windows are closed through the window manager, as a user closes them.
        QVERIFY2(!Run("wmctrl", {"-m"}).isEmpty(), "no window manager is running on this display");
        dataDir_ = tmp_.filePath("share/Kelpo/");
        for (const char *sub : {"share/Kelpo", "runtime", "home", "config", "sysshare", "sysconfig"})
            QVERIFY(QDir(tmp_.path()).mkpath(sub));
        QFile(tmp_.filePath("runtime"))
            .setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        QFile ini(dataDir_ + "Kelpo.ini");
        QVERIFY(ini.open(QIODevice::WriteOnly));
        ini.write("[Version]\r\nVersion=1.8.1\r\n");  // the help page stays closed
        env_ = QProcessEnvironment::systemEnvironment();
        env_.insert("HOME", tmp_.filePath("home"));
        env_.insert("XDG_DATA_HOME", tmp_.filePath("share"));
        env_.insert("XDG_RUNTIME_DIR", tmp_.filePath("runtime"));
        env_.insert("XDG_CONFIG_HOME", tmp_.filePath("config"));
        env_.insert("XDG_DATA_DIRS", tmp_.filePath("sysshare"));
        env_.insert("XDG_CONFIG_DIRS", tmp_.filePath("sysconfig"));
        env_.remove("XDG_CURRENT_DESKTOP");
    }

    void firstSessionAndRestart()
    {
        QProcess p;
        const QString wid = Start(p);
        QVERIFY2(!wid.isEmpty(), "no main window");

        // Three items (the list has the focus after each).
        for (const char *name : {"Big Lotto", "Car Raffle", "Daily Quiz"}) {
            Keys(wid, {"ctrl+n"});
            QVERIFY2(Answer("Add new entry", name), name);
        }
        // Two groups, from the group box's menu.
        Keys(wid, {"shift+Tab"});
        for (const char *name : {"Lotteries", "Cars"}) {
            Keys(wid, {"Menu", "Down", "Return"});
            QVERIFY2(Answer("Add New Group", name), name);
        }
        // The first two items join Lotteries ("Groups": Remove, Move to
        // Trash, Lotteries, Cars).
        Keys(wid, {"Tab", "Home", "shift+Down", "Menu", "Down", "Right", "Down", "Down", "Return"});
        // Show Lotteries (group box: All Items, Cars, Lotteries, Trash) and
        // move Car Raffle on to Cars.
        Keys(wid, {"shift+Tab", "Down", "Down", "Tab", "End", "Menu", "Down", "Right", "Down", "Down", "Down",
                   "Return"});
        // Big Lotto, the row left, goes to the Trash...
        Keys(wid, {"Home", "Menu", "Down", "Right", "Down", "Return"});
        QVERIFY(Answer("Confirm"));
        // ...and back from the Trash into Lotteries.
        Keys(wid, {"shift+Tab", "Down", "Tab", "Home", "Menu", "Down", "Right", "Down", "Down", "Return"});
        // Under All Items, find the quiz and rename it: the rename shows what was found.
        Keys(wid, {"shift+Tab", "Home", "Tab", "F3"});
        QVERIFY(Answer("Find Item", "quiz"));
        Keys(wid, {"ctrl+r"});
        QVERIFY(Answer("Rename entry", "Daily Quiz found"));
        // The found item goes to the Trash to stay.
        Keys(wid, {"Menu", "Down", "Right", "Down", "Return"});
        QVERIFY(Answer("Confirm"));
        Close(p, wid);

        const QMap<QString, QString> want{
            {"Big Lotto", ",1,"}, {"Car Raffle", ",2,"}, {"Daily Quiz found", ",-1,"}};
        const QStringList wantGroups{"GroupName1=Lotteries", "GroupNumber1=1", "GroupName2=Cars", "GroupNumber2=2"};
        QStringList groups;
        QCOMPARE(Items(dataDir_ + "Kelpo.dat", &groups), want);
        QCOMPARE(groups, wantGroups);

        // A restart loads it all and keeps it as it was.
        QProcess again;
        const QString wid2 = Start(again);
        QVERIFY2(!wid2.isEmpty(), "no main window after the restart");
        Close(again, wid2);
        groups.clear();
        QCOMPARE(Items(dataDir_ + "Kelpo.dat", &groups), want);
        QCOMPARE(groups, wantGroups);
    }
};

QTEST_GUILESS_MAIN(TstGroupsX11)
#include "tst_groups_x11.moc"
