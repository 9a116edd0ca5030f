#pragma once
// A typing target program, started for one test and stopped at its end: its
// window id, and the file where it writes what it received. The default one
// (support/typetarget.cpp) writes its first field, second field and count of
// Enter presses; the plain Xlib one (support/xlibtarget.cpp) the text typed.
// Also the X tools the real-window tests drive.
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

namespace kelpo {

// Runs a tool (xdotool, setxkbmap, ...) to its end and returns its output,
// trimmed; `ok` tells whether it ended well within ten seconds.
inline QString RunTool(const QString &program, const QStringList &args, bool *ok = nullptr)
{
    QProcess p;
    p.start(program, args);
    const bool done = p.waitForFinished(10000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
    if (ok)
        *ok = done;
    return QString::fromLocal8Bit(p.readAllStandardOutput()).trimmed();
}

// setxkbmap's arguments that bring back the keyboard layout in use now;
// empty when it cannot tell.
inline QStringList CurrentLayoutArgs()
{
    QStringList args;
    const QString query = RunTool(QStringLiteral("setxkbmap"), {QStringLiteral("-query")});
    for (const QString &line : query.split(QLatin1Char('\n'))) {
        const QString key = line.section(QLatin1Char(':'), 0, 0).trimmed();
        const QString value = line.section(QLatin1Char(':'), 1).trimmed();
        if ((key == QLatin1String("layout") || key == QLatin1String("variant")) && !value.isEmpty())
            args << QLatin1Char('-') + key << value;
    }
    return args;
}

class TypeTarget {
public:
    // Started on the X server named by `display` (default: DISPLAY).
    explicit TypeTarget(const QString &file, const QString &display = QString(),
                        const QString &program = QStringLiteral(TYPETARGET_EXE))
        : File(file)
    {
        if (!display.isEmpty()) {
            QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
            env.insert(QStringLiteral("DISPLAY"), display);
            Process.setProcessEnvironment(env);
        }
        Process.start(program, {file});
        if (Process.waitForStarted(5000) && Process.waitForReadyRead(10000))
            Id = Process.readLine().trimmed().toULongLong();
    }
    ~TypeTarget()
    {
        Process.terminate();
        if (!Process.waitForFinished(3000))
            Process.kill();
    }
    TypeTarget(const TypeTarget &) = delete;
    TypeTarget &operator=(const TypeTarget &) = delete;

    // What the target wrote to its file so far.
    QString Received() const
    {
        QFile f(File);
        return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
    }

    // Whether the target's window has the keyboard focus, as it last said.
    bool Active() const
    {
        QFile f(File + QStringLiteral(".active"));
        return f.open(QIODevice::ReadOnly) && f.readAll() == "1";
    }

    QProcess Process;
    quint64 Id = 0;
    const QString File;
};

}  // namespace kelpo
