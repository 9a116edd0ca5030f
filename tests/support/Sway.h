#pragma once
// The headless sway of the Wayland real-window tests (scripts/with-sway.sh),
// asked through swaymsg: which program's window has the focus, where a
// program's window is; and a picture of the screen (grim).
#include <QDir>
#include <QElapsedTimer>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRect>
#include <QTemporaryFile>
#include <QTest>

#include "support/TypeTarget.h"

namespace kelpo::sway {

// Every window of sway's tree, as swaymsg describes it.
inline QList<QJsonObject> Windows()
{
    const QByteArray tree = RunTool(QStringLiteral("swaymsg"), {QStringLiteral("-r"), QStringLiteral("-t"),
                                                                QStringLiteral("get_tree")}).toUtf8();
    QList<QJsonObject> out, nodes{QJsonDocument::fromJson(tree).object()};
    while (!nodes.isEmpty()) {
        const QJsonObject node = nodes.takeLast();
        if (node.contains(QStringLiteral("pid")))
            out.append(node);
        for (const char *key : {"nodes", "floating_nodes"})
            for (const QJsonValue &child : node.value(QLatin1String(key)).toArray())
                nodes.append(child.toObject());
    }
    return out;
}

// The process whose window has the keyboard focus; 0 if none.
inline qint64 FocusedPid()
{
    for (const QJsonObject &w : Windows())
        if (w.value(QStringLiteral("focused")).toBool())
            return w.value(QStringLiteral("pid")).toInteger();
    return 0;
}

inline bool WaitForFocus(qint64 pid, int ms = 10000)
{
    QElapsedTimer t;
    t.start();
    while (FocusedPid() != pid) {
        if (t.elapsed() > ms)
            return false;
        QTest::qWait(25);
    }
    return true;
}

// Where the window of a program is on the screen; empty if it has none.
inline QRect WindowRect(qint64 pid)
{
    for (const QJsonObject &w : Windows()) {
        if (w.value(QStringLiteral("pid")).toInteger() != pid)
            continue;
        const QJsonObject r = w.value(QStringLiteral("rect")).toObject();
        return QRect(r.value(QStringLiteral("x")).toInt(), r.value(QStringLiteral("y")).toInt(),
                     r.value(QStringLiteral("width")).toInt(), r.value(QStringLiteral("height")).toInt());
    }
    return QRect();
}

// The whole screen; a null image when grim cannot take it.
inline QImage Screen()
{
    QTemporaryFile file(QDir::temp().filePath(QStringLiteral("sway-XXXXXX.png")));
    if (!file.open())
        return QImage();
    file.close();
    bool ok = false;
    RunTool(QStringLiteral("grim"), {file.fileName()}, &ok);
    return ok ? QImage(file.fileName()) : QImage();
}

}  // namespace kelpo::sway
