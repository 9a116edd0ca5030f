// Type It In through the desktop portal of a real headless GNOME (mutter,
// xdg-desktop-portal with its GNOME backend; scripts/with-gnome.sh), into a
// separate Qt program's native Wayland window: the permission dialog is
// answered through AT-SPI, the text arrives exactly, a character the
// compositor's layout lacks is named and nothing is typed, and the typing
// rate is measured. Then the whole Type flow with a window of this program
// in front: the permission is asked while it is there, it steps aside, and
// the keys reach the window the user came from.
#include <QtTest>

#include <QDBusConnection>
#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QWidget>

#include "OwnWindows.h"
#include "Player.h"
#include "PortalKeyboard.h"
#include "SessionKeyboard.h"
#include "support/TypeTarget.h"

using namespace kelpo;

class TstPortalGnome : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();
    void typesIntoANativeWindow();
    void stepsAsideAfterThePermission();

private:
    QTemporaryDir Tmp;
    QProcess Consent;
};

// The desktop's dialog, answered as a user would.
void TstPortalGnome::init()
{
    Consent.setProcessChannelMode(QProcess::MergedChannels);
    Consent.start(QStringLiteral("python3"), {QStringLiteral(ATSPI_PY), QStringLiteral("consent"), QStringLiteral("60")});
    QVERIFY(Consent.waitForStarted());
}

void TstPortalGnome::cleanup()
{
    if (Consent.state() != QProcess::NotRunning) {
        Consent.kill();
        Consent.waitForFinished();
    }
}

void TstPortalGnome::initTestCase()
{
    if (!qEnvironmentVariableIsEmpty("KELPO_NO_WAYLAND"))
        QSKIP(qPrintable(QStringLiteral("no headless GNOME: ") + qEnvironmentVariable("KELPO_NO_WAYLAND")));
    QVERIFY2(!qEnvironmentVariableIsEmpty("KELPO_GNOME"), "run this test through scripts/with-gnome.sh");
    QVERIFY(Tmp.isValid());
}

void TstPortalGnome::typesIntoANativeWindow()
{
    TypeTarget target(Tmp.filePath(QStringLiteral("typed")));
    QVERIFY(target.Id != 0);
    QTRY_VERIFY_WITH_TIMEOUT(target.Active(), 10000);

    PortalKeyboard keyboard(QDBusConnection::sessionBus());
    QVERIFY2(keyboard.Available(), qPrintable(keyboard.Problem()));
    keyboard.Layout = CompositorLayout;
    keyboard.PermissionTimeoutMs = 60000;

    QVERIFY2(keyboard.GetReady(), qPrintable(keyboard.Problem()));
    Consent.waitForFinished(10000);
    QVERIFY2(Consent.state() == QProcess::NotRunning && Consent.exitCode() == 0, Consent.readAll().constData());

    // "€" is on a key of the layout ("us" has it on a key of its own), sent
    // with the layout's keysym for it.
    Player player(keyboard);
    QVERIFY(keyboard.BringToFront(1));
    QVERIFY(player.Play(QString::fromUtf8("€Hello, World! 123 ~|\\\"'{tab}ok{enter}"), 1));
    QVERIFY2(!keyboard.Interrupted(), qPrintable(keyboard.Problem()));
    QString first = QString::fromUtf8("€Hello, World! 123 ~|\\\"'");
    QString second = QStringLiteral("ok");
    QTRY_COMPARE_WITH_TIMEOUT(target.Received(), first + '\n' + second + "\n1\n", 10000);
    // Read from the compositor (not known, nothing would be checked).
    QVERIFY(!CompositorLayout().Keymap.isEmpty());

    // A character the layout ("us" here) has no key for: said, not lost.
    QVERIFY(keyboard.BringToFront(1));
    QVERIFY(player.Play(QString::fromUtf8("Zoë"), 1));
    QVERIFY(keyboard.Interrupted());
    QCOMPARE(keyboard.Problem(), PortalKeyboard::NotOnLayoutText({U'ë'}));

    // The rate, with printable ASCII in random order (no braces: they
    // would name keys and variables).
    QString text;
    const QString ascii = QStringLiteral("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789 !\"#$%&'()*+,-./:;<=>?@[\\]^_`|~");
    QRandomGenerator random(7);
    for (int i = 0; i < 1000; ++i)
        text += ascii.at(int(random.bounded(ascii.size())));
    QVERIFY(keyboard.BringToFront(1));
    QElapsedTimer clock;
    clock.start();
    QVERIFY(player.Play(text, 1));
    const qint64 ms = clock.elapsed();
    QVERIFY2(!keyboard.Interrupted(), qPrintable(keyboard.Problem()));
    second += text;
    QTRY_COMPARE_WITH_TIMEOUT(target.Received(), first + '\n' + second + "\n1\n", 20000);
    qInfo("1000 characters in %lld ms: %.0f characters per second", qlonglong(ms), 1000.0 * 1000 / double(qMax<qint64>(ms, 1)));
}

void TstPortalGnome::stepsAsideAfterThePermission()
{
    TypeTarget target(Tmp.filePath(QStringLiteral("aside")));
    QVERIFY(target.Id != 0);
    QTRY_VERIFY_WITH_TIMEOUT(target.Active(), 10000);

    QWidget own;
    own.setWindowTitle(QStringLiteral("Kelpo"));
    own.resize(300, 200);
    own.show();
    QTRY_VERIFY_WITH_TIMEOUT(OwnWindows::Active(), 10000);

    PortalKeyboard portal(QDBusConnection::sessionBus());
    portal.Layout = CompositorLayout;
    UnavailableKeyboard noX11(QStringLiteral("no X server"));
    SessionKeyboard keys(noX11, &portal);
    OwnWindows windows;
    keys.OwnWindowActive = &OwnWindows::Active;
    keys.StepAside = [&] { windows.StepAside(); };
    keys.ComeBack = [&] { windows.ComeBack(); };
    keys.Wait = &OwnWindows::Wait;

    Player player(keys);
    QVERIFY2(keys.BringToFront(SessionKeyboard::WaylandWindow), qPrintable(keys.Problem()));
    QVERIFY(!own.isVisible());
    QTRY_VERIFY_WITH_TIMEOUT(target.Active(), 5000);
    QVERIFY(player.Play(QStringLiteral("Abc{tab}de"), SessionKeyboard::WaylandWindow));
    QVERIFY2(!keys.Interrupted(), qPrintable(keys.Problem()));
    QTRY_COMPARE_WITH_TIMEOUT(target.Received(), QStringLiteral("Abc\nde\n0\n"), 10000);
    QVERIFY(own.isVisible());
}

QTEST_MAIN(TstPortalGnome)
#include "tst_portal_gnome.moc"
