// The real program in a real X server with a window manager: where its
// window lands, one running copy per user, and what shutdown writes.
#include <QtTest>

#include <QProcess>
#include <QRegularExpression>

namespace {

const QString MainTitle = QStringLiteral("^Kelpo! V1\\.8\\.1 by kelpo\\.example\\.org$");

QString Tool(const QString &program, const QStringList &args)
{
    QProcess p;
    p.start(program, args);
    if (!p.waitForFinished(5000))
        return QString();
    return QString::fromLocal8Bit(p.readAllStandardOutput());
}

// Visible top-level windows whose name matches `regex`.
QStringList Windows(const QString &regex)
{
    return Tool("xdotool", {"search", "--onlyvisible", "--name", regex}).split('\n', Qt::SkipEmptyParts);
}

QString WaitForWindow(const QString &regex, int ms = 10000)
{
    QDeadlineTimer deadline(ms);
    while (!deadline.hasExpired()) {
        const QStringList found = Windows(regex);
        if (!found.isEmpty())
            return found.first();
        QTest::qWait(50);
    }
    return QString();
}

int Number(const QString &text, const QString &pattern)
{
    const QRegularExpressionMatch m = QRegularExpression(pattern).match(text);
    return m.hasMatch() ? m.captured(1).toInt() : -99999;
}

// The outer bounds of a window: its client area grown by the frame extents
// the window manager announces.
QRect FrameOf(const QString &wid)
{
    const QString info = Tool("xwininfo", {"-id", wid});
    const QString extents = Tool("xprop", {"-id", wid, "_NET_FRAME_EXTENTS"});
    const QRegularExpressionMatch e = QRegularExpression("= (\\d+), (\\d+), (\\d+), (\\d+)").match(extents);
    if (!e.hasMatch())
        return QRect();
    const int l = e.captured(1).toInt(), r = e.captured(2).toInt(), t = e.captured(3).toInt(), b = e.captured(4).toInt();
    return QRect(Number(info, "Absolute upper-left X:\\s+(-?\\d+)") - l, Number(info, "Absolute upper-left Y:\\s+(-?\\d+)") - t,
                 Number(info, "Width:\\s+(\\d+)") + l + r, Number(info, "Height:\\s+(\\d+)") + t + b);
}

QRect WaitForFrame(const QString &wid, const QRect &want)
{
    QDeadlineTimer deadline(5000);
    QRect got;
    while (!deadline.hasExpired()) {
        got = FrameOf(wid);
        if (got == want)
            break;
        QTest::qWait(50);
    }
    return got;
}

// Minimised (or otherwise hidden by the window manager).
bool Hidden(const QString &wid)
{
    return Tool("xprop", {"-id", wid, "_NET_WM_STATE"}).contains(QStringLiteral("_NET_WM_STATE_HIDDEN"));
}

QRect StoredBounds(const QString &iniPath)
{
    QFile f(iniPath);
    if (!f.open(QIODevice::ReadOnly))
        return QRect();
    const QString text = QString::fromUtf8(f.readAll());
    // Whole keys only: "AlwaysOnTop=" is no "Top=".
    return QRect(Number(text, "(?m)^Left=(-?\\d+)"), Number(text, "(?m)^Top=(-?\\d+)"),
                 Number(text, "(?m)^Width=(-?\\d+)"), Number(text, "(?m)^Height=(-?\\d+)"));
}

}  // namespace

class TstWindowX11 : public QObject {
    Q_OBJECT

private:
    QTemporaryDir tmp_;
    QString dataDir_;
    QString runtimeDir_;
    QSize screen_;

    void Start(QProcess &p)
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("XDG_DATA_HOME", tmp_.filePath("xdg-data"));
        env.insert("XDG_RUNTIME_DIR", runtimeDir_);
        p.setProcessEnvironment(env);
        p.setProcessChannelMode(QProcess::ForwardedChannels);
        p.start(KELPO_EXE, {});
        QVERIFY(p.waitForStarted());
    }
    void CloseGracefully(QProcess &p, const QString &wid)
    {
        Tool("wmctrl", {"-i", "-c", wid});
        QVERIFY2(p.waitForFinished(10000), "the program did not end after its window was closed");
        QCOMPARE(p.exitStatus(), QProcess::NormalExit);
        QCOMPARE(p.exitCode(), 0);
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(tmp_.isValid());
        dataDir_ = tmp_.filePath("xdg-data/Kelpo/");
        runtimeDir_ = tmp_.filePath("runtime");
        QVERIFY(QDir().mkpath(dataDir_));
        QVERIFY(QDir().mkpath(runtimeDir_));
        QFile(runtimeDir_).setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        // The current version: the help page is not opened. A chosen browser:
        // no start-up question about one.
        QFile ini(dataDir_ + "Kelpo.ini");
        QVERIFY(ini.open(QIODevice::WriteOnly));
        ini.write("[Version]\r\nVersion=1.8.1\r\n[Options]\r\nBrowser=/bin/true\r\n");
        const QStringList size = Tool("xdotool", {"getdisplaygeometry"}).split(' ');
        QCOMPARE(size.size(), 2);
        screen_ = QSize(size[0].toInt(), size[1].toInt());
    }

    void tenStartsKeepTheStoredBounds()
    {
        const QRect centred((screen_.width() - 600) / 2, (screen_.height() - 375) / 2, 600, 375);
        QRect stored;
        for (int run = 1; run <= 10; ++run) {
            QProcess p;
            Start(p);
            const QString wid = WaitForWindow(MainTitle);
            QVERIFY2(!wid.isEmpty(), "no main window");
            const QRect want = run == 1 ? centred : stored;
            QCOMPARE(WaitForFrame(wid, want), want);
            CloseGracefully(p, wid);
            if (run == 1) {
                for (const char *name : {"Kelpo.dat", "Kelpo.var", "Kelpo.ini"})
                    QVERIFY2(QFileInfo(dataDir_ + name).isFile(), name);
                stored = StoredBounds(dataDir_ + "Kelpo.ini");
            }
            QCOMPARE(StoredBounds(dataDir_ + "Kelpo.ini"), centred);
        }
    }

    // A second start brings the running copy's window back from the task bar
    // and says that it runs.
    void secondCopyIsRefused()
    {
        QProcess first;
        Start(first);
        const QString wid = WaitForWindow(MainTitle);
        QVERIFY(!wid.isEmpty());
        // The class the launcher names, and the program's own icon.
        QCOMPARE(Tool("xprop", {"-id", wid, "WM_CLASS"}), QStringLiteral("WM_CLASS(STRING) = \"kelpo\", \"Kelpo\"\n"));
        QVERIFY(Tool("xprop", {"-id", wid, "-len", "8", "_NET_WM_ICON"}).startsWith("_NET_WM_ICON(CARDINAL) = "));
        Tool("xdotool", {"windowminimize", "--sync", wid});
        QVERIFY(Hidden(wid));

        QProcess second;
        Start(second);
        const QString box = WaitForWindow("^Kelpo!$");
        QVERIFY2(!box.isEmpty(), "no message from the second copy");
        QCOMPARE(Windows(MainTitle).size(), 1);
        QTRY_VERIFY2(!Hidden(wid), "the running copy's window stayed minimised");
        CloseGracefully(second, box);

        QCOMPARE(first.state(), QProcess::Running);
        QCOMPARE(Windows(MainTitle), QStringList{wid});
        CloseGracefully(first, wid);
    }

    void staleLockDoesNotBlock()
    {
        QProcess crashed;
        Start(crashed);
        QVERIFY(!WaitForWindow(MainTitle).isEmpty());
        crashed.kill();
        QVERIFY(crashed.waitForFinished(5000));
        QVERIFY(QFileInfo::exists(runtimeDir_ + "/KelpoSemaphore.lock"));

        QProcess next;
        Start(next);
        const QString wid = WaitForWindow(MainTitle);
        QVERIFY2(!wid.isEmpty(), "the lock of the killed copy blocked the start");
        QVERIFY(Windows("^Kelpo!$").isEmpty());
        CloseGracefully(next, wid);
    }

    // Bounds stored on a larger monitor that is gone: the window fills the
    // screen there is, and closes as always.
    void storedBoundsFromAnotherScreenAreFitted()
    {
        QFile ini(dataDir_ + "Kelpo.ini");
        QVERIFY(ini.open(QIODevice::WriteOnly | QIODevice::Truncate));
        ini.write("[Window]\r\nLeft=5000\r\nTop=3000\r\nWidth=1000000000\r\nHeight=1000000000\r\n"
                  "[Version]\r\nVersion=1.8.1\r\n[Options]\r\nBrowser=/bin/true\r\n");
        ini.close();
        QProcess p;
        Start(p);
        const QString wid = WaitForWindow(MainTitle);
        QVERIFY2(!wid.isEmpty(), "no main window");
        const QRect whole(QPoint(0, 0), screen_);
        QCOMPARE(WaitForFrame(wid, whole), whole);
        CloseGracefully(p, wid);
        QCOMPARE(StoredBounds(dataDir_ + "Kelpo.ini"), whole);
    }
};

QTEST_GUILESS_MAIN(TstWindowX11)
#include "tst_window_x11.moc"
