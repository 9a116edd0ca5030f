// What the program entry settles before any window: the command line (also
// through the real program, started with no display) and where the help page
// is found.
#include <QtTest>

#include <cstdio>
#include <cstring>

#include "Launch.h"
#include "SingleInstance.h"

using namespace kelpo;

class TstLaunch : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void parse_data();
    void parse();
    void realProgram_data();
    void realProgram();
    void helpPageFound();
    void platformForSession_data();
    void platformForSession();
    void largeHeapPages_data();
    void largeHeapPages();
};

namespace {

const QString TryHelp = QStringLiteral("Try 'kelpo --help' for more information.\n");

}  // namespace

void TstLaunch::parse_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("action");
    QTest::addColumn<QString>("text");  // exact text; help: its first line

    QTest::newRow("nothing") << QStringList{"kelpo"} << int(CommandLine::Run) << "";
    QTest::newRow("Qt's own options") << QStringList{"kelpo", "-platform", "xcb", "-display", ":1", "-session", "1a2",
                                                     "-reverse", "--style=fusion"}
                                      << int(CommandLine::Run) << "";
    QTest::newRow("--help") << QStringList{"/usr/bin/kelpo", "--help"} << int(CommandLine::Help)
                            << "Usage: kelpo [options]";
    QTest::newRow("-h") << QStringList{"kelpo", "-h"} << int(CommandLine::Help) << "Usage: kelpo [options]";
    QTest::newRow("help wins over an argument") << QStringList{"kelpo", "x", "--help"} << int(CommandLine::Help)
                                                << "Usage: kelpo [options]";
    QTest::newRow("--version") << QStringList{"kelpo", "--version"} << int(CommandLine::Version) << "Kelpo 1.8.1\n";
    QTest::newRow("-v") << QStringList{"kelpo", "-v"} << int(CommandLine::Version) << "Kelpo 1.8.1\n";
    QTest::newRow("unknown option") << QStringList{"/opt/bin/kelpo", "--bogus"} << int(CommandLine::Error)
                                    << "kelpo: Unknown option 'bogus'.\n" + TryHelp;
    QTest::newRow("value for a flag") << QStringList{"kelpo", "--version=2"} << int(CommandLine::Error)
                                      << "kelpo: Unexpected value after '--version'.\n" + TryHelp;
    QTest::newRow("Qt option without its value") << QStringList{"kelpo", "-platform"} << int(CommandLine::Error)
                                                 << "kelpo: Missing value after '-platform'.\n" + TryHelp;
    QTest::newRow("an argument") << QStringList{"kelpo", "Kelpo.dat"} << int(CommandLine::Error)
                                 << "kelpo: unexpected argument 'Kelpo.dat'\n" + TryHelp;
}

void TstLaunch::parse()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, action);
    QFETCH(QString, text);
    const CommandLine got = ParseCommandLine(arguments);
    QCOMPARE(int(got.action), action);
    if (action != CommandLine::Help) {
        QCOMPARE(got.text, text);
        return;
    }
    const QStringList lines = got.text.split(QLatin1Char('\n'));
    QCOMPARE(lines.first(), text);
    QVERIFY(got.text.contains(QStringLiteral("-v, --version")));
    QVERIFY(got.text.endsWith(QLatin1Char('\n')));
    // Qt's options pass but are not offered.
    QVERIFY(!got.text.contains(QStringLiteral("platform")));
}

void TstLaunch::realProgram_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("out");
    QTest::addColumn<QString>("err");

    QTest::newRow("--version") << QStringList{"--version"} << 0 << "Kelpo 1.8.1\n" << "";
    QTest::newRow("--help") << QStringList{"--help"} << 0 << "Usage: kelpo [options]\n" << "";
    QTest::newRow("unknown option") << QStringList{"--bogus"} << 2 << "" << "kelpo: Unknown option 'bogus'.\n";
}

// With no display, a copy already running and an empty data folder: the
// answers come at once, and nothing is locked, created or shown.
void TstLaunch::realProgram()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, status);
    QFETCH(QString, out);
    QFETCH(QString, err);

    QTemporaryDir tmp;
    const QString runtime = tmp.filePath("runtime");
    QVERIFY(QDir().mkpath(runtime));
    QVERIFY(QFile(runtime).setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner));
    SingleInstance running(runtime);
    QVERIFY(running.Acquire());
    const QStringList before = QDir(runtime).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);

    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        env.remove(name);
    env.insert("XDG_RUNTIME_DIR", runtime);
    env.insert("XDG_DATA_HOME", tmp.filePath("data"));
    QProcess p;
    p.setProcessEnvironment(env);
    p.start(KELPO_EXE, arguments);
    QVERIFY(p.waitForFinished(10000));
    const QString stdOut = QString::fromLocal8Bit(p.readAllStandardOutput());
    const QString stdErr = QString::fromLocal8Bit(p.readAllStandardError());
    QCOMPARE(p.exitStatus(), QProcess::NormalExit);
    QCOMPARE(p.exitCode(), status);
    if (status == 0)
        QCOMPARE(stdErr, QString());
    QCOMPARE(stdOut.left(out.size()), out);
    QCOMPARE(stdErr.left(err.size()), err);
    QCOMPARE(QDir(runtime).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden), before);
    QVERIFY(!QFileInfo::exists(tmp.filePath("data")));
}

// Beside the executable (the build tree, a copy on a USB stick) comes first,
// then the installed place under share/doc.
void TstLaunch::helpPageFound()
{
    QTemporaryDir tmp;
    const QString exe = tmp.filePath("prefix/bin/kelpo");
    const QString beside = exe + ".html";
    const QString installed = tmp.filePath("prefix/share/doc/kelpo/kelpo.html");
    QVERIFY(QDir().mkpath(tmp.filePath("prefix/bin")));
    QVERIFY(QDir().mkpath(tmp.filePath("prefix/share/doc/kelpo")));

    QCOMPARE(FindHelpPage(exe), beside);  // none there: named for the message
    for (const QString &path : {installed, beside}) {
        QFile page(path);
        QVERIFY(page.open(QIODevice::WriteOnly));
        page.close();
        QCOMPARE(FindHelpPage(exe), path);
    }
}


void TstLaunch::platformForSession_data()
{
    QTest::addColumn<QString>("waylandDisplay");
    QTest::addColumn<QString>("display");
    QTest::addColumn<QString>("type");
    QTest::addColumn<bool>("wayland");
    QTest::addColumn<QByteArray>("platform");

    QTest::newRow("X11 session") << "" << ":0" << "x11" << false << QByteArray("xcb");
    QTest::newRow("Wayland session with XWayland") << "wayland-0" << ":0" << "wayland" << true
                                                   << QByteArray("wayland;xcb");
    QTest::newRow("Wayland without XWayland") << "wayland-0" << "" << "wayland" << true << QByteArray("wayland");
    QTest::newRow("compositor started from a console") << "wayland-1" << ":1" << "tty" << true
                                                       << QByteArray("wayland;xcb");
    QTest::newRow("X11 session naming a nested compositor") << "wayland-1" << ":0" << "x11" << false
                                                            << QByteArray("xcb");
    QTest::newRow("no display at all") << "" << "" << "" << false << QByteArray();
}

void TstLaunch::platformForSession()
{
    QFETCH(QString, waylandDisplay);
    QFETCH(QString, display);
    QFETCH(QString, type);
    QFETCH(bool, wayland);
    QFETCH(QByteArray, platform);

    const Session session{waylandDisplay, display, type};
    QCOMPARE(session.IsWayland(), wayland);
    QCOMPARE(session.DefaultPlatform(), platform);
}

// The test program itself, started with --heap-pages, stands for the
// program: it prints the tunables it started with (its first environment)
// and those its own children would get.
int HeapPagesChild(char *argv[])
{
    RunWithLargeHeapPages(argv);
    QFile first(QStringLiteral("/proc/self/environ"));
    QByteArray started;
    if (first.open(QIODevice::ReadOnly))
        for (const QByteArray &entry : first.readAll().split('\0'))
            if (entry.startsWith("GLIBC_TUNABLES="))
                started = entry.mid(15);
    std::printf("%s|%s|%d\n", started.constData(), qgetenv("GLIBC_TUNABLES").constData(),
                int(qEnvironmentVariableIsSet("KELPO_HEAP_PAGES_SET")));
    return 0;
}

void TstLaunch::largeHeapPages_data()
{
    QTest::addColumn<QString>("own");
    QTest::addColumn<QString>("printed");
    // Runs again with the tunable; its children get none.
    QTest::newRow("none set") << QString() << "glibc.malloc.hugetlb=1||0";
    // The user's own tunables win and stay as they are.
    QTest::newRow("user's own") << "glibc.malloc.check=0" << "glibc.malloc.check=0|glibc.malloc.check=0|0";
}

void TstLaunch::largeHeapPages()
{
    QFETCH(QString, own);
    QFETCH(QString, printed);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("GLIBC_TUNABLES"));
    env.remove(QStringLiteral("KELPO_HEAP_PAGES_SET"));
    if (!own.isEmpty())
        env.insert(QStringLiteral("GLIBC_TUNABLES"), own);
    QProcess p;
    p.setProcessEnvironment(env);
    p.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--heap-pages")});
    QVERIFY(p.waitForFinished(10000));
    QCOMPARE(QString::fromLocal8Bit(p.readAllStandardOutput()).trimmed(), printed);
}

int main(int argc, char *argv[])
{
    if (argc == 2 && std::strcmp(argv[1], "--heap-pages") == 0)
        return HeapPagesChild(argv);
    QCoreApplication app(argc, argv);
    TstLaunch test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_launch.moc"
