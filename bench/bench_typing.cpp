// Times Type It In under a real X server (run it through scripts/with-x11.sh):
// a script of 200 characters is typed into the separate target program with
// and without the slow-down option, and the time until the target holds the
// whole text exactly is measured. Prints characters per second. An optional
// argument switches the X server to that keyboard layout first (setxkbmap).
#include <QApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextStream>
#include <QThread>

#include "Player.h"
#include "X11Keyboard.h"
#include "support/TypeTarget.h"

using namespace kelpo;

namespace {

// 200 characters as a form gets them: mixed case, digits, punctuation, a
// few characters on the AltGr level of many layouts, and one variable.
QString Script()
{
    // "{email}" (7 characters in the script) types 16.
    const QString words = QStringLiteral("Jane Doe, 42 Main Street; Springfield (IL) 62704 - jane_doe@example.org! ");
    QString s = QStringLiteral("{email}");
    while (s.size() < 200 - 16 + 7)
        s += words;
    s.truncate(200 - 16 + 7);
    return s;
}

}  // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QTextStream out(stdout);
    if (argc > 1)
        RunTool(QStringLiteral("setxkbmap"), {QStringLiteral("-layout"), QString::fromLocal8Bit(argv[1])});

    X11Keyboard keyboard;
    if (!keyboard.Available()) {
        out << keyboard.Problem() << Qt::endl;
        return 1;
    }
    const QString email = QStringLiteral("me@example.org!!");  // 16 characters
    const QString script = Script();
    const QString typed = QString(script).replace(QStringLiteral("{email}"), email);

    QTemporaryDir dir;
    for (const bool slow : {false, true}) {
        const QString file = dir.filePath(slow ? QStringLiteral("slow.txt") : QStringLiteral("fast.txt"));
        TypeTarget target(file);
        if (target.Id == 0)
            return 1;
        QThread::msleep(300);

        Player player(keyboard);
        player.InVars = [](const QString &name) { return name == QLatin1String("{EMAIL}"); };
        player.VariableValue = [&](const QString &) { return email; };
        player.SlowDown = [slow] { return slow; };
        const QString expected = typed + QStringLiteral("\n\n0\n");

        QElapsedTimer clock;
        clock.start();
        player.Play(script, target.Id);
        const qint64 played = clock.elapsed();
        while (target.Received() != expected && clock.elapsed() < 30000)
            QThread::msleep(2);
        const qint64 arrived = clock.elapsed();
        const bool exact = target.Received() == expected;
        out << (slow ? "slowed down:   " : "without pause: ") << typed.size() << " characters, played in " << played
            << " ms, all arrived after " << arrived << " ms: "
            << QString::number(typed.size() * 1000.0 / qMax<qint64>(1, arrived), 'f', 0) << " characters per second"
            << (exact ? "" : " (NOT EXACT)") << Qt::endl;
        if (!exact)
            return 1;
    }
    return 0;
}
