// Type It In into native Wayland windows under a real compositor (headless
// sway, started by scripts/with-sway.sh): the virtual keyboard types into a
// separate Qt program's window exactly, with an upper-case first letter
// (the first key after a keymap upload is the one compositors lose),
// characters beyond Latin-1 and more distinct characters than one keymap
// holds; and this program's own window steps out of the way so that the
// focus goes back to the window the user came from before anything is typed.
#include <QtTest>

#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QWidget>

#include "OwnWindows.h"
#include "Player.h"
#include "SessionKeyboard.h"
#include "WaylandKeyboard.h"
#include "support/Sway.h"

using namespace kelpo;

namespace {

QString DistinctCjk(int count)
{
    QString s;
    for (int i = 0; i < count; ++i)
        s += QChar(0x4e00 + i);
    return s;
}

}  // namespace

class TestTypeItInWayland : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void typesExactly_data();
    void typesExactly();
    void stepsAsideForTheWindowTheUserCameFrom();

private:
    QTemporaryDir Tmp;
};

void TestTypeItInWayland::initTestCase()
{
    if (!qEnvironmentVariableIsEmpty("KELPO_NO_WAYLAND"))
        QSKIP(qPrintable(QStringLiteral("no Wayland compositor: ") + qEnvironmentVariable("KELPO_NO_WAYLAND")));
    QVERIFY2(!qEnvironmentVariableIsEmpty("SWAYSOCK"), "run this test through scripts/with-sway.sh");
    QCOMPARE(QGuiApplication::platformName(), QStringLiteral("wayland"));
    QVERIFY(Tmp.isValid());
}

void TestTypeItInWayland::typesExactly_data()
{
    QTest::addColumn<QString>("script");
    QTest::addColumn<QString>("expected");  // first field, second field, Enter count

    QTest::newRow("upper-case first letter, beyond Latin-1, keys")
        << QString::fromUtf8("Zoë Straße-Müller{tab}ß€ Ł✓✗ 漢字 😀{enter}")
        << QString::fromUtf8("Zoë Straße-Müller\nß€ Ł✓✗ 漢字 😀\n1\n");
    // Three keymaps: the first 238 characters, the rest, then an early one
    // again.
    const QString many = DistinctCjk(300);
    QTest::newRow("more distinct characters than a keymap holds")
        << "A" + many + "{tab}" + many.left(2) << "A" + many + "\n" + many.left(2) + "\n0\n";
}

void TestTypeItInWayland::typesExactly()
{
    QFETCH(QString, script);
    QFETCH(QString, expected);

    TypeTarget target(Tmp.filePath(QString::number(QTest::currentDataTag()[0])));
    QVERIFY(target.Id != 0);
    QVERIFY(sway::WaitForFocus(target.Process.processId()));

    WaylandKeyboard keyboard;
    QVERIFY2(keyboard.Available(), qPrintable(keyboard.Problem()));
    Player player(keyboard);
    QElapsedTimer t;
    t.start();
    QVERIFY(player.Play(script, SessionKeyboard::WaylandWindow));
    const qint64 ms = t.elapsed();
    QTRY_COMPARE_WITH_TIMEOUT(target.Received(), expected, 5000);
    qInfo("%lld characters in %lld ms", qlonglong(script.size()), qlonglong(ms));
}

// Type pressed in this program's window: the window gets out of the way
// (it is hidden), the focus returns to the
// target, the script is typed there, and the window comes back.
void TestTypeItInWayland::stepsAsideForTheWindowTheUserCameFrom()
{
    TypeTarget target(Tmp.filePath(QStringLiteral("aside")));
    QVERIFY(target.Id != 0);
    QVERIFY(sway::WaitForFocus(target.Process.processId()));

    QWidget own;
    own.setWindowTitle(QStringLiteral("Kelpo"));
    own.resize(300, 200);
    own.show();
    QTRY_VERIFY_WITH_TIMEOUT(OwnWindows::Active(), 10000);
    QCOMPARE(sway::FocusedPid(), QCoreApplication::applicationPid());

    WaylandKeyboard wayland;
    UnavailableKeyboard noX11(QStringLiteral("no X server"));
    SessionKeyboard keys(noX11, &wayland);
    OwnWindows windows;
    keys.OwnWindowActive = &OwnWindows::Active;
    keys.StepAside = [&] { windows.StepAside(); };
    keys.ComeBack = [&] { windows.ComeBack(); };
    keys.Wait = &OwnWindows::Wait;
    QCOMPARE(keys.ForegroundWindow(), quint64(0));

    Player player(keys);
    QVERIFY2(keys.BringToFront(SessionKeyboard::WaylandWindow), qPrintable(keys.Problem()));
    QCOMPARE(sway::FocusedPid(), target.Process.processId());
    QCOMPARE(keys.ForegroundWindow(), SessionKeyboard::WaylandWindow);
    QVERIFY(player.Play(QStringLiteral("Abc{tab}dé"), SessionKeyboard::WaylandWindow));
    QVERIFY2(!keys.Interrupted(), qPrintable(keys.Problem()));
    const QString expected = QString::fromUtf8("Abc\ndé\n0\n");
    QTRY_COMPARE_WITH_TIMEOUT(target.Received(), expected, 5000);
    QVERIFY(own.isVisible());
}

QTEST_MAIN(TestTypeItInWayland)
#include "tst_typeitin_wayland.moc"
