// The player with the real X11 keyboard: a separate program's window is
// tracked as the target, another window comes to the front, and the player
// brings the target back and types a script into it, under more than one
// keyboard layout.
#include <QtTest>

#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QWidget>

#include "Player.h"
#include "X11Keyboard.h"
#include "support/KeylessText.h"
#include "support/TypeTarget.h"

using namespace kelpo;

class TestTypeItInX11 : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void typesIntoTarget_data();
    void typesIntoTarget();
    void keylessCharacters_data();
    void keylessCharacters();
    void withoutWindowManager();
    void withoutServerNothingIsTyped();

private:
    QStringList OriginalLayout;
};

void TestTypeItInX11::initTestCase()
{
    OriginalLayout = CurrentLayoutArgs();
    QVERIFY(!OriginalLayout.isEmpty());
}

void TestTypeItInX11::cleanupTestCase()
{
    bool ok = false;
    RunTool("setxkbmap", OriginalLayout, &ok);
    QVERIFY(ok);
}

void TestTypeItInX11::typesIntoTarget_data()
{
    QTest::addColumn<QString>("layout");
    QTest::addColumn<bool>("slow");
    QTest::addColumn<int>("atShift");  // shift state that types "@"
    // "de" moves y and z and puts @ € { } [ ] \ | ~ on AltGr; ^ and ` are
    // only dead keys there, and é is on no key in either layout.
    const int altGr = KeyStroke::CtrlBit | KeyStroke::AltBit;
    QTest::newRow("us") << "us" << false << int(KeyStroke::ShiftBit);
    QTest::newRow("de") << "de" << false << altGr;
    QTest::newRow("de, slowed down") << "de" << true << altGr;
}

void TestTypeItInX11::typesIntoTarget()
{
    QFETCH(QString, layout);
    QFETCH(bool, slow);
    QFETCH(int, atShift);

    bool ok = false;
    RunTool("setxkbmap", {"-layout", layout}, &ok);
    QVERIFY(ok);

    X11Keyboard keyboard;
    QVERIFY2(keyboard.Available(), qPrintable(keyboard.Problem()));
    QCOMPARE(keyboard.KeyScan(U'@').ShiftState, atShift);
    QVERIFY(!keyboard.KeyScan(U'\u00e9').Found);
    Player player(keyboard);
    const QHash<QString, QString> vars{
        {"{EMAIL}", QString::fromUtf8("jörg@example.com")},
        {"{CITY}", QString::fromUtf8("Café Straße 5 € {tab} ~`^\\|@{}")},
    };
    player.InVars = [&](const QString &name) { return vars.contains(name.toUpper()); };
    player.VariableValue = [&](const QString &name) { return vars.value(name.toUpper()); };
    player.SlowDown = [slow] { return slow; };

    QTemporaryDir dir;
    const QString file = dir.filePath("typed.txt");
    TypeTarget target(file);
    QVERIFY(target.Id != 0);
    QVERIFY(keyboard.BringToFront(target.Id));

    // Kelpo's own window: in front when Type is pressed, never the target.
    QWidget standIn;
    standIn.setWindowTitle("Kelpo stand-in");
    standIn.resize(200, 100);
    player.MainWindow = NativeWindowId(&standIn);
    player.FindTarget();
    QCOMPARE(player.TargetWindow(), target.Id);
    standIn.show();
    QVERIFY(QTest::qWaitForWindowExposed(&standIn));
    QVERIFY(keyboard.BringToFront(player.MainWindow));
    QCOMPARE(keyboard.ForegroundWindow(), player.MainWindow);
    player.FindTarget();
    QCOMPARE(player.TargetWindow(), target.Id);

    const QString script = QString::fromUtf8(
        "}Zyx Quartz 0123456789 !\"#$%&'()*+,-./:;<=>?@[\\]^_`|~ {email}{tab}"
        "Mixed{left}{left}X{right}{right}y {City}{foo}{enter}{ENTER}end a{b");
    const QString expected = QString::fromUtf8(
        "}Zyx Quartz 0123456789 !\"#$%&'()*+,-./:;<=>?@[\\]^_`|~ jörg@example.com\n"
        "MixXedy Café Straße 5 € {tab} ~`^\\|@{}end a{b\n"
        "2\n");
    QVERIFY(player.Play(script, player.TargetWindow()));
    QCOMPARE(keyboard.ForegroundWindow(), target.Id);
    QTRY_COMPARE_WITH_TIMEOUT(target.Received(), expected, 10000);
}

void TestTypeItInX11::keylessCharacters_data()
{
    QTest::addColumn<QString>("layout");
    QTest::addColumn<bool>("xlib");  // the plain Xlib target, which does not answer the ping
    QTest::addColumn<bool>("capsLock");
    QTest::newRow("us, Qt target") << "us" << false << false;
    QTest::newRow("us, plain Xlib target") << "us" << true << false;
    QTest::newRow("de, plain Xlib target") << "de" << true << false;
    QTest::newRow("de, Caps Lock, Qt target") << "de" << false << true;
    QTest::newRow("us, Caps Lock, plain Xlib target") << "us" << true << true;
    // Two groups: the lent keys stay in one, the group is never locked.
    QTest::newRow("us and de, Qt target") << "us,de" << false << false;
}

// Many different characters without a key, between plain ones, and the
// first ones again at the end: with a layout of one group they take lent
// keys in several groups, with two groups more than the spare keys hold at
// once, so keys are lent to other characters and back while typing. Every character arrives exactly
// (also "✗", which Xlib reads differently from its legacy keysym; and small
// letters while Caps Lock is on, which programs would make capitals), the keymap
// is as before afterwards, and a target that cannot tell when it has caught
// up (no ping) is not waited for at every key: the keyless text takes a
// bounded multiple of the time plain text takes.
void TestTypeItInX11::keylessCharacters()
{
    QFETCH(QString, layout);
    QFETCH(bool, xlib);
    QFETCH(bool, capsLock);
    bool ok = false;
    RunTool("setxkbmap", {"-layout", layout}, &ok);
    QVERIFY(ok);
    const auto pressCapsLock = [] {
        bool pressed = false;
        RunTool("xdotool", {"key", "Caps_Lock"}, &pressed);
        return pressed;
    };
    if (capsLock)
        QVERIFY(pressCapsLock());
    const auto capsLockOff = qScopeGuard([&] {
        if (capsLock)
            pressCapsLock();
    });
    const QString keymap = RunTool("xkbcomp", {"-xkb", qgetenv("DISPLAY"), "-"}, &ok);
    QVERIFY(ok && keymap.contains("xkb_symbols"));

    X11Keyboard keyboard;
    QVERIFY2(keyboard.Available(), qPrintable(keyboard.Problem()));
    const QString keyless = KeylessText(keyboard, 100);
    QCOMPARE(keyless.size(), 100);
    QVERIFY(keyless.startsWith(QString::fromUtf8("✗")));
    const QString text = "A" + keyless.left(50) + " b " + keyless.mid(50) + " " + keyless.left(10) + "Z";

    QTemporaryDir dir;
    const auto typeInto = [&](const QString &script, const QString &name) -> qint64 {
        TypeTarget target(dir.filePath(name), QString(), xlib ? XLIBTARGET_EXE : TYPETARGET_EXE);
        if (target.Id == 0)
            return -1;
        Player player(keyboard);
        QElapsedTimer clock;
        clock.start();
        if (!player.Play(script, target.Id))
            return -1;
        const QString expected = xlib ? script : script + "\n\n0\n";
        if (!QTest::qWaitFor([&] { return target.Received() == expected; }, 20000)) {
            qWarning() << "received" << target.Received();
            return -1;
        }
        return clock.elapsed();
    };
    const qint64 keylessMs = typeInto(text, "keyless.txt");
    QVERIFY2(keylessMs >= 0, "the keyless text did not arrive exactly");
    QCOMPARE(RunTool("xkbcomp", {"-xkb", qgetenv("DISPLAY"), "-"}), keymap);
    if (!xlib)
        return;
    // Forty times as long a plain text is the floor: the keyless text waits
    // a fixed 250 ms for each keymap change that takes keys back (two here),
    // and waiting at every key lent again took far longer than eight floors.
    QString plain;
    while (plain.size() < 40 * text.size())
        plain += "The quick brown fox jumps over the lazy dog. ";
    const qint64 plainMs = typeInto(plain, "plain.txt");
    QVERIFY(plainMs >= 0);
    QVERIFY2(keylessMs < 8 * plainMs,
             qPrintable(QString("%1 ms for the keyless text, %2 ms for the plain one").arg(keylessMs).arg(plainMs)));
}

// A bare X server: the foreground window is the focus's top-level window,
// and bringing a window to the front raises it and gives it the focus.
void TestTypeItInX11::withoutWindowManager()
{
    QProcess server;
    server.start("Xvfb", {"-displayfd", "1", "-screen", "0", "640x480x24", "-nolisten", "tcp"});
    QVERIFY(server.waitForStarted(5000) && server.waitForReadyRead(10000));
    const QString display = ":" + QString::fromLatin1(server.readLine().trimmed());
    const auto stopServer = qScopeGuard([&] {
        server.terminate();
        server.waitForFinished(3000);
    });

    X11Keyboard keyboard(display);
    QVERIFY2(keyboard.Available(), qPrintable(keyboard.Problem()));
    QTemporaryDir dir;
    TypeTarget target(dir.filePath("target.txt"), display);
    TypeTarget main(dir.filePath("main.txt"), display);
    QVERIFY(target.Id != 0 && main.Id != 0);

    Player player(keyboard);
    player.MainWindow = main.Id;
    QVERIFY(keyboard.BringToFront(target.Id));
    QCOMPARE(keyboard.ForegroundWindow(), target.Id);
    player.FindTarget();
    QVERIFY(keyboard.BringToFront(main.Id));
    QCOMPARE(keyboard.ForegroundWindow(), main.Id);
    player.FindTarget();
    QCOMPARE(player.TargetWindow(), target.Id);

    QVERIFY(player.Play(QString::fromUtf8("Ab{tab}é"), player.TargetWindow()));
    QTRY_COMPARE_WITH_TIMEOUT(target.Received(), QString::fromUtf8("Ab\né\n0\n"), 10000);
    QCOMPARE(main.Received(), QStringLiteral("\n\n0\n"));
}

void TestTypeItInX11::withoutServerNothingIsTyped()
{
    X11Keyboard keyboard(QStringLiteral(":4711"));
    QVERIFY(!keyboard.Available());
    QCOMPARE(keyboard.Problem(), QStringLiteral("Type It In needs an X11 session; no X server could be reached."));
    Player player(keyboard);
    player.FindTarget();
    QCOMPARE(player.TargetWindow(), quint64(0));
    QVERIFY(!keyboard.KeyScan(U'a').Found);
    QVERIFY(!keyboard.BringToFront(42));
}

QTEST_MAIN(TestTypeItInX11)
#include "tst_typeitin_x11.moc"
