// The player with the real X11 keyboard: a separate program's window is
// tracked as the target, another window comes to the front, and the player
// brings the target back and types a script into it, under more than one
// keyboard layout.
#include <QtTest>

#include <QProcess>
#include <QTemporaryDir>
#include <QWidget>

#include "Player.h"
#include "X11Keyboard.h"
#include "support/TypeTarget.h"

using namespace kelpo;

class TestTypeItInX11 : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void typesIntoTarget_data();
    void typesIntoTarget();
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
