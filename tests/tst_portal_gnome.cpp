// Type It In through the desktop portal of a real headless GNOME (mutter,
// xdg-desktop-portal with its GNOME backend; scripts/with-gnome.sh), into a
// separate Qt program's native Wayland window: the permission dialog is
// answered through AT-SPI, the text arrives exactly, a character the
// compositor's layout lacks is named and nothing is typed, and the typing
// rate is measured.
#include <QtTest>

#include <QDBusConnection>
#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include "Player.h"
#include "PortalKeyboard.h"
#include "support/TypeTarget.h"

using namespace kelpo;

class TstPortalGnome : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void typesIntoANativeWindow();

private:
    QTemporaryDir Tmp;
};

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

    PortalKeyboard keyboard(QDBusConnection::sessionBus());
    QVERIFY2(keyboard.Available(), qPrintable(keyboard.Problem()));
    keyboard.Layout = CompositorLayout;
    keyboard.PermissionTimeoutMs = 60000;

    // The desktop's dialog, answered as a user would.
    QProcess consent;
    consent.setProcessChannelMode(QProcess::MergedChannels);
    consent.start(QStringLiteral("python3"), {QStringLiteral(CONSENT_PY), QStringLiteral("Share"), QStringLiteral("60")});
    QVERIFY(consent.waitForStarted());
    QVERIFY2(keyboard.GetReady(), qPrintable(keyboard.Problem()));
    consent.waitForFinished(10000);
    QVERIFY2(consent.state() == QProcess::NotRunning && consent.exitCode() == 0, consent.readAll().constData());

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

QTEST_GUILESS_MAIN(TstPortalGnome)
#include "tst_portal_gnome.moc"
