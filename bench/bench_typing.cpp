// Times Type It In under a real X server with a window manager (run it
// through scripts/with-x11.sh). Each script is typed into a separate target
// program and timed until the target holds the whole text exactly:
//  - 200 characters as a form gets them, without and with the slow-down
//    option (characters per second);
//  - 60 different characters that no key types, against 60 plain ones;
//  - 2,000 characters drawing on 200 different CJK characters, against 2,000
//    plain ones, with the window manager's CPU time during and after each;
//  - the 60 keyless characters into a plain Xlib program that does not answer
//    the window manager's ping, against 60 plain ones.
// Options: a keyboard layout to switch to first (setxkbmap), and
// "--rounds N" (default 3): each timing is the best of N rounds.
// Exits with 1 when any text arrived other than exactly as typed.
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTextStream>
#include <QThread>
#include <unistd.h>

#include "Player.h"
#include "X11Keyboard.h"
#include "support/KeylessText.h"
#include "support/TypeTarget.h"

using namespace kelpo;

namespace {

const QString Words = QStringLiteral("Jane Doe, 42 Main Street; Springfield (IL) 62704 - jane_doe@example.org! ");

// Plain text of `length` characters.
QString PlainText(int length)
{
    QString s;
    while (s.size() < length)
        s += Words;
    s.truncate(length);
    return s;
}

// `length` characters drawn in a fixed random order from `distinct`
// different CJK ideographs, each used about equally often.
QString CjkText(int length, int distinct)
{
    QString s;
    for (int i = 0; i < length; ++i)
        s += QChar(0x4e00 + (i % distinct) * 37);
    QRandomGenerator random(20261211);
    for (int i = s.size() - 1; i > 0; --i)
        std::swap(s[i], s[random.bounded(i + 1)]);
    return s;
}

// CPU time (user and system) of the window manager on this display, in ms;
// -1 when it cannot be found.
qint64 WindowManagerCpuMs()
{
    const QByteArray display = "DISPLAY=" + qgetenv("DISPLAY");
    for (const QString &pid : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        QFile comm(QStringLiteral("/proc/%1/comm").arg(pid));
        if (!comm.open(QIODevice::ReadOnly) || comm.readAll().trimmed() != "openbox")
            continue;
        QFile env(QStringLiteral("/proc/%1/environ").arg(pid));
        if (!env.open(QIODevice::ReadOnly) || !env.readAll().split('\0').contains(display))
            continue;
        QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
        if (!stat.open(QIODevice::ReadOnly))
            return -1;
        // Fields after the command name in parentheses: utime is the 12th, stime the 13th.
        const QByteArray line = stat.readAll();
        const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
        if (fields.size() < 13)
            return -1;
        return (fields[11].toLongLong() + fields[12].toLongLong()) * 1000 / sysconf(_SC_CLK_TCK);
    }
    return -1;
}

struct Timing {
    qint64 Played = 0;   // ms until the player returned
    qint64 Arrived = 0;  // ms until the target held the whole text
    qint64 WmCpu = 0;    // window manager's CPU ms from the start until the text arrived
    qint64 WmAfter = 0;  // and after that until it was idle for 200 ms
    qint64 WmIdle = 0;   // ms from the text's arrival until then
    bool Exact = false;
};

class Bench {
public:
    X11Keyboard Keyboard;
    // The targets write their file at every key: in memory where there is
    // room, so that disk syncs do not slow down the plain text measured.
    QTemporaryDir Dir{QDir(QStringLiteral("/dev/shm")).exists() ? QStringLiteral("/dev/shm/bench_typing-XXXXXX")
                                                                 : QDir::tempPath() + QStringLiteral("/bench_typing-XXXXXX")};
    QTextStream Out{stdout};
    int Rounds = 3;
    bool AllExact = true;

    // Types `script` (with "{email}" standing for a 16-character address)
    // into a new target; the best of the rounds.
    Timing Type(const QString &script, bool slow = false, bool xlib = false)
    {
        const QString email = QStringLiteral("me@example.org!!");
        const QString typed = QString(script).replace(QStringLiteral("{email}"), email);
        const QString expected = xlib ? typed : typed + QStringLiteral("\n\n0\n");
        Timing best;
        for (int round = 0; round < Rounds; ++round) {
            const QString file = Dir.filePath(QStringLiteral("typed%1.txt").arg(++Files));
            QElapsedTimer starting;
            starting.start();
            TypeTarget target(file, QString(), xlib ? QStringLiteral(XLIBTARGET_EXE) : QStringLiteral(TYPETARGET_EXE));
            if (target.Id == 0) {
                Out << "the target program did not start in " << starting.elapsed()
                    << " ms: " << target.Process.readAllStandardError() << Qt::endl;
                AllExact = false;
                return best;
            }
            QThread::msleep(300);

            Player player(Keyboard);
            player.InVars = [](const QString &name) { return name == QLatin1String("{EMAIL}"); };
            player.VariableValue = [&](const QString &) { return email; };
            player.SlowDown = [slow] { return slow; };

            const qint64 cpuBefore = WindowManagerCpuMs();
            QElapsedTimer clock;
            clock.start();
            Timing t;
            player.Play(script, target.Id);
            t.Played = clock.elapsed();
            while (target.Received() != expected && clock.elapsed() < 60000)
                QThread::msleep(1);
            t.Arrived = clock.elapsed();
            t.Exact = target.Received() == expected;
            const qint64 cpuArrived = WindowManagerCpuMs();
            t.WmCpu = cpuArrived - cpuBefore;
            // The next target only appears once the window manager has
            // handled what this typing left it.
            QElapsedTimer after;
            after.start();
            for (qint64 cpu = cpuArrived, last = -1; cpu != last && after.elapsed() < 30000;) {
                QThread::msleep(200);
                last = cpu;
                cpu = WindowManagerCpuMs();
            }
            t.WmAfter = WindowManagerCpuMs() - cpuArrived;
            t.WmIdle = qMax<qint64>(0, after.elapsed() - 200);
            if (!t.Exact) {
                AllExact = false;
                const QString got = target.Received();
                int same = 0;
                while (same < got.size() && same < expected.size() && got[same] == expected[same])
                    ++same;
                Out << "NOT EXACT: " << got.size() << " characters arrived of " << expected.size()
                    << ", the first difference at " << same << ": \"" << got.mid(same, 20) << "\" instead of \""
                    << expected.mid(same, 20) << "\"" << Qt::endl;
            }
            if (round == 0 || !t.Exact || (best.Exact && t.Arrived < best.Arrived))
                best = t;
        }
        return best;
    }

    void Line(const char *what, int characters, const Timing &t)
    {
        Out << what << ": " << characters << " characters, played in " << t.Played << " ms, all arrived after "
            << t.Arrived << " ms (" << QString::number(double(t.Arrived) / characters, 'f', 2)
            << " ms each); window manager CPU " << t.WmCpu << " ms, " << t.WmAfter << " ms more in the " << t.WmIdle
            << " ms after"
            << (t.Exact ? "" : " (NOT EXACT)") << Qt::endl;
    }

    void Ratio(const char *what, const Timing &t, const Timing &floor)
    {
        Out << "  " << what << ": " << QString::number(double(t.Arrived) / qMax<qint64>(1, floor.Arrived), 'f', 1)
            << " times the plain text" << Qt::endl;
    }

private:
    int Files = 0;
};

}  // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    Bench bench;
    const QStringList args = app.arguments().mid(1);
    for (int i = 0; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--rounds") && i + 1 < args.size())
            bench.Rounds = qMax(1, args[++i].toInt());
        else
            RunTool(QStringLiteral("setxkbmap"), {QStringLiteral("-layout"), args[i]});
    }
    if (!bench.Keyboard.Available()) {
        bench.Out << bench.Keyboard.Problem() << Qt::endl;
        return 1;
    }

    // 200 characters typed, "{email}" (7 characters in the script) typing 16.
    const QString form = QStringLiteral("{email}") + PlainText(200 - 16);
    for (const bool slow : {false, true})
        bench.Line(slow ? "form, slowed down" : "form, without pause", 200, bench.Type(form, slow));

    const QString keyless = KeylessText(bench.Keyboard, 60);
    if (keyless.size() < 60) {
        bench.Out << "only " << keyless.size() << " characters without a key on this layout" << Qt::endl;
        return 1;
    }
    const Timing plain60 = bench.Type(PlainText(60));
    const Timing keyless60 = bench.Type(keyless);
    bench.Line("60 plain characters", 60, plain60);
    bench.Line("60 different keyless characters", 60, keyless60);
    bench.Ratio("keyless", keyless60, plain60);

    const Timing plain2000 = bench.Type(PlainText(2000));
    const Timing cjk2000 = bench.Type(CjkText(2000, 200));
    bench.Line("2,000 plain characters", 2000, plain2000);
    bench.Line("2,000 characters of 200 different CJK ones", 2000, cjk2000);
    bench.Ratio("CJK", cjk2000, plain2000);

    const Timing xlibPlain = bench.Type(PlainText(60), false, true);
    const Timing xlibKeyless = bench.Type(keyless, false, true);
    bench.Line("plain Xlib target (no ping), 60 plain characters", 60, xlibPlain);
    bench.Line("plain Xlib target (no ping), 60 keyless characters", 60, xlibKeyless);
    bench.Ratio("keyless into the plain Xlib target", xlibKeyless, xlibPlain);
    return bench.AllExact ? 0 : 1;
}
