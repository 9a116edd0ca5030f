// Links dragged from another program onto the real program's window in a
// real X server: a browser link with its title and a desktop link file each
// become an item named after their title; plain words are refused.
#include <QtTest>

#include "support/KelpoX11.h"

using namespace kelpo_x11;

namespace {

// The window's place and size on the screen.
QRect Geometry(const QString &wid)
{
    QRect r;
    for (const QString &line : Run("xdotool", {"getwindowgeometry", "--shell", wid}).split('\n')) {
        const QString value = line.section('=', 1);
        if (line.startsWith("X="))
            r.moveLeft(value.toInt());
        else if (line.startsWith("Y="))
            r.moveTop(value.toInt());
        else if (line.startsWith("WIDTH="))
            r.setWidth(value.toInt());
        else if (line.startsWith("HEIGHT="))
            r.setHeight(value.toInt());
    }
    return r;
}

void Mouse(const QStringList &args)
{
    Run("xdotool", args);
    QTest::qWait(60);
}

// Drags the data of `source` (the drag source's arguments) with the mouse
// from the drag source's window to `to`, as a hand would, and lets go.
// Returns what the drag source saw: "copy", "link", "ignored", or empty.
QString Drag(const QStringList &source, const QPoint &to)
{
    QProcess p;
    p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    p.start(DRAG_SOURCE, source);
    const QString wid = WaitForWindow("Drag Source");
    if (!p.waitForStarted() || wid.isEmpty())
        return QString();
    QTest::qWait(300);
    const QPoint from = Geometry(wid).center();
    Mouse({"mousemove", QString::number(from.x()), QString::number(from.y())});
    Mouse({"mousedown", "1"});
    for (int step = 1; step <= 10; ++step) {
        const QPoint at = from + (to - from) * step / 10;
        Mouse({"mousemove", QString::number(at.x()), QString::number(at.y())});
    }
    QTest::qWait(300);
    Mouse({"mouseup", "1"});
    if (p.state() != QProcess::NotRunning && !p.waitForFinished(5000)) {
        p.kill();
        p.waitForFinished();
        return QString();
    }
    return QString::fromLocal8Bit(p.readAllStandardOutput()).trimmed();
}

}  // namespace

class TstDropX11 : public QObject {
    Q_OBJECT

    Session session_;

private Q_SLOTS:
    void initTestCase() { session_.Init(); }

    void droppedLinksBecomeItems()
    {
        const QString linkFile = session_.tmp.filePath("home/Prize Draw.desktop");
        QFile f(linkFile);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("[Desktop Entry]\nType=Link\nName=Prize Draw\nURL=https://prize.example/enter\n");
        f.close();

        QProcess kelpo;
        const QString wid = session_.Start(kelpo, KELPO_EXE);
        QVERIFY(!wid.isEmpty());
        const QRect window = Geometry(wid);
        // The item list, well inside the window's left half.
        const QPoint list(window.left() + window.width() / 6, window.top() + window.height() / 2);

        const QString link = Drag({"link", "https://draw.example/daily", "Shortcut to Daily Draw"}, list);
        QVERIFY2(link == "copy" || link == "link", qPrintable(link));
        QVERIFY(Answer("Add new entry"));  // the offered name as it stands

        const QString file = Drag({"uri", QUrl::fromLocalFile(linkFile).toString()}, list);
        QVERIFY2(file == "copy" || file == "link", qPrintable(file));
        QVERIFY(Answer("Add new entry"));

        QCOMPARE(Drag({"text", "just some words"}, list), QStringLiteral("ignored"));
        QTest::qWait(500);
        QVERIFY(Visible("Add new entry").isEmpty());

        Session::Close(kelpo, wid);
        QFile data(session_.dataDir + "Kelpo.dat");
        QVERIFY(data.open(QIODevice::ReadOnly));
        const QByteArray text = data.readAll();
        QVERIFY(text.contains("Name: Daily Draw\r\nGroup: \r\nSite: https://draw.example/daily\r\n"));
        QVERIFY(text.contains("Name: Prize Draw\r\nGroup: \r\nSite: https://prize.example/enter\r\n"));
        QCOMPARE(text.count("Name: "), 2);
    }
};

QTEST_GUILESS_MAIN(TstDropX11)
#include "tst_drop_x11.moc"
