#pragma once
// Driving the real program in a real X server, as a user does: windows are
// found by their titles with xdotool, keys are pressed in them, and the
// program runs on a private data folder under a temporary home.
#include <QtTest>

#include <QProcess>
#include <QRegularExpression>

namespace kelpo_x11 {

inline QString Run(const QString &program, const QStringList &args)
{
    QProcess p;
    p.start(program, args);
    if (!p.waitForFinished(5000))
        return QString();
    return QString::fromLocal8Bit(p.readAllStandardOutput()).trimmed();
}

// Visible top-level windows whose whole name is `title`.
inline QStringList Visible(const QString &title)
{
    return Run("xdotool", {"search", "--onlyvisible", "--name", "^" + QRegularExpression::escape(title) + "$"})
        .split('\n', Qt::SkipEmptyParts);
}

inline QString WaitForWindow(const QString &title)
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

// Waits until the window `wid` titled `title` has gone (another one of the
// same title may follow it).
inline bool WaitForGone(const QString &title, const QString &wid)
{
    QDeadlineTimer deadline(5000);
    while (!deadline.hasExpired() && Visible(title).contains(wid))
        QTest::qWait(50);
    return !Visible(title).contains(wid);
}

// Brings a window to the front with the keyboard focus; the focus is set
// directly as well, in case the window manager is slow to react.
inline void Activate(const QString &wid)
{
    Run("xdotool", {"windowactivate", wid});
    Run("xdotool", {"windowfocus", "--sync", wid});
    QTest::qWait(100);
}

// Presses keys in the window `wid`, brought to the front first. Menus that
// the keys open get a moment to appear.
inline void Keys(const QString &wid, const QStringList &keys)
{
    Activate(wid);
    for (const QString &key : keys) {
        Run("xdotool", {"key", "--clearmodifiers", key});
        QTest::qWait(key == QLatin1String("Menu") || key == QLatin1String("Right") ? 400 : 120);
    }
}

// Answers the box or prompt titled `title`: presses `first` (if any), types
// `text` (if any) and presses `last`. True once that window has gone.
inline bool Answer(const QString &title, const QString &text = QString(), const QString &first = QString(),
                   const QString &last = QStringLiteral("Return"))
{
    const QString wid = WaitForWindow(title);
    if (wid.isEmpty())
        return false;
    Activate(wid);
    if (!first.isEmpty())
        Run("xdotool", {"key", first});
    if (!text.isEmpty())
        Run("xdotool", {"type", "--delay", "20", text});
    Run("xdotool", {"key", last});
    return WaitForGone(title, wid);
}

// A private home, data folder and runtime folder for the program; the
// settings file holds the current version so the help page stays closed.
class Session {
public:
    QTemporaryDir tmp;
    QString dataDir;
    QProcessEnvironment env;

    // Call from initTestCase.
    void Init()
    {
        QVERIFY(tmp.isValid());
        // Windows are closed through the window manager, as a user closes them.
        QVERIFY2(!Run("wmctrl", {"-m"}).isEmpty(), "no window manager is running on this display");
        dataDir = tmp.filePath("share/Kelpo/");
        for (const char *sub : {"share/Kelpo", "runtime", "home", "config", "sysshare", "sysconfig"})
            QVERIFY(QDir(tmp.path()).mkpath(sub));
        QFile(tmp.filePath("runtime"))
            .setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        QFile ini(dataDir + "Kelpo.ini");
        QVERIFY(ini.open(QIODevice::WriteOnly));
        ini.write("[Version]\r\nVersion=1.8.1\r\n");
        env = QProcessEnvironment::systemEnvironment();
        env.insert("HOME", tmp.filePath("home"));
        env.insert("XDG_DATA_HOME", tmp.filePath("share"));
        env.insert("XDG_RUNTIME_DIR", tmp.filePath("runtime"));
        env.insert("XDG_CONFIG_HOME", tmp.filePath("config"));
        env.insert("XDG_DATA_DIRS", tmp.filePath("sysshare"));
        env.insert("XDG_CONFIG_DIRS", tmp.filePath("sysconfig"));
        env.remove("XDG_CURRENT_DESKTOP");
    }

    // Starts the program and gets past the start-up note that no program
    // opens web pages (this desktop has none; no note when the settings name
    // a browser: `browserNote` false). Returns the main window.
    QString Start(QProcess &p, const QString &exe, bool browserNote = true)
    {
        p.setProcessEnvironment(env);
        p.setProcessChannelMode(QProcess::ForwardedChannels);
        p.start(exe, {});
        if (!p.waitForStarted() || (browserNote && !Answer("Information")))
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

    static void Close(QProcess &p, const QString &wid)
    {
        Run("wmctrl", {"-i", "-c", wid});
        QVERIFY2(p.waitForFinished(10000), "the program did not end after its window was closed");
        QCOMPARE(p.exitCode(), 0);
    }
};

}  // namespace kelpo_x11
