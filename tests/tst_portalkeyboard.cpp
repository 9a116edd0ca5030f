// Typing through the desktop portal's remote desktop interface, against a
// scripted fake portal (support/fakeportal.cpp) on a private session bus:
// what the portal is asked and which keysyms it gets, for a granted,
// refused, unanswered, cancelled and mid-typing closed session, a missing
// portal, characters the layout lacks, and the permission kept for the
// whole run (version 1) or across runs with a restore token (version 2);
// and the desktop-wide shortcut through the global shortcuts interface.
#include <QtTest>

#include <QDBusConnection>
#include <QDBusMessage>
#include <QElapsedTimer>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <xkbcommon/xkbcommon.h>

#include "Player.h"
#include "PortalKeyboard.h"
#include "PortalShortcut.h"
#include "WaylandKeyboard.h"

using namespace kelpo;

namespace {

// The keymap xkbcommon makes for a layout name ("us", "de").
KeyboardLayout NamedLayout(const QString &name)
{
    KeyboardLayout layout;
    xkb_context *context = xkb_context_new(XKB_CONTEXT_NO_FLAGS);
    const QByteArray layoutName = name.toLatin1();
    const xkb_rule_names names{"evdev", "pc105", layoutName.constData(), "", ""};
    xkb_keymap *keymap = xkb_keymap_new_from_names(context, &names, XKB_KEYMAP_COMPILE_NO_FLAGS);
    if (keymap) {
        char *text = xkb_keymap_get_as_string(keymap, XKB_KEYMAP_FORMAT_TEXT_V1);
        layout.Keymap = text;
        free(text);
        xkb_keymap_unref(keymap);
    }
    xkb_context_unref(context);
    return layout;
}

// A private session bus (no services to start on demand) and, on it, the
// fake portal started with the given arguments.
class PrivateBus {
public:
    PrivateBus()
    {
        QFile config(Dir.filePath(QStringLiteral("bus.conf")));
        if (!config.open(QIODevice::WriteOnly))
            return;
        config.write(QStringLiteral("<busconfig><type>session</type><listen>unix:dir=%1</listen>"
                                    "<auth>EXTERNAL</auth><policy context=\"default\">"
                                    "<allow send_destination=\"*\" eavesdrop=\"true\"/><allow eavesdrop=\"true\"/>"
                                    "<allow own=\"*\"/></policy></busconfig>")
                         .arg(Dir.path())
                         .toUtf8());
        config.close();
        Daemon.start(QStringLiteral("dbus-daemon"),
                     {QStringLiteral("--nofork"), QStringLiteral("--print-address=1"),
                      QStringLiteral("--config-file=") + config.fileName()});
        if (!Daemon.waitForStarted() || !WaitForLine(Daemon))
            return;
        Address = QString::fromUtf8(Daemon.readLine()).trimmed();
        Name = QStringLiteral("portaltest%1").arg(++Count);
        Connection = QDBusConnection::connectToBus(Address, Name);
    }

    ~PrivateBus()
    {
        QDBusConnection::disconnectFromBus(Name);
        for (QProcess *p : {&Portal, &Daemon}) {
            if (p->state() != QProcess::NotRunning) {
                p->kill();
                p->waitForFinished();
            }
        }
    }

    bool Up() const { return Connection.isConnected(); }

    bool StartPortal(const QStringList &arguments)
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), Address);
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        Portal.setProcessEnvironment(env);
        Portal.start(QStringLiteral(FAKEPORTAL_EXE), QStringList{LogPath()} + arguments);
        return Portal.waitForStarted() && WaitForLine(Portal) && Portal.readLine().trimmed() == "ready";
    }

    // What the portal was asked, keys left out.
    QString Calls() const { return Lines(false); }
    // The keysyms it got, in hexadecimal: "61" a press with its release,
    // "+61" a press alone, "-61" a release alone.
    QString Keys() const
    {
        QString keys = Lines(true);
        static const QRegularExpression pair(QStringLiteral("\\+(\\w+) -\\1\\b"));
        return keys.replace(pair, QStringLiteral("\\1"));
    }

    QDBusConnection Connection{QString()};

private:
    static bool WaitForLine(QProcess &p)
    {
        QElapsedTimer clock;
        clock.start();
        while (!p.canReadLine() && clock.elapsed() < 10000)
            p.waitForReadyRead(100);
        return p.canReadLine();
    }

    QString LogPath() const { return Dir.filePath(QStringLiteral("portal.log")); }

    QString Lines(bool keys) const
    {
        QFile log(LogPath());
        if (!log.open(QIODevice::ReadOnly))
            return QString();
        QStringList out;
        for (const QString &line : QString::fromUtf8(log.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
            const bool key = line.startsWith(QLatin1Char('+')) || line.startsWith(QLatin1Char('-'));
            if (key == keys)
                out << line;
        }
        return out.join(QLatin1Char(' '));
    }

    static inline int Count = 0;
    QTemporaryDir Dir;
    QProcess Daemon;
    QProcess Portal;
    QString Address;
    QString Name;
};

// Types a script the way the Type button does: the target first (that is
// where the permission is asked for), then the script. The problem the
// user is told about, if any.
QString Type(PortalKeyboard &keys, const QString &script)
{
    if (!keys.BringToFront(1))
        return keys.Problem();
    Player player(keys);
    player.Play(script, 1);
    return keys.Interrupted() ? keys.Problem() : QString();
}

const QString Asked = QStringLiteral("CreateSession SelectDevices types=1 Start");

}  // namespace

class TstPortalKeyboard : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void types_data();
    void types();
    void waitsForTheAnswer_data();
    void waitsForTheAnswer();
    void typePressedWhileAsking();
    void sessionClosedMidTyping();
    void permission_data();
    void permission();
    void shortcut_data();
    void shortcut();
    void shortcutPressed();
};

void TstPortalKeyboard::types_data()
{
    QTest::addColumn<QStringList>("portal");  // its arguments; "none": no portal at all
    QTest::addColumn<QString>("layout");
    QTest::addColumn<QString>("script");
    QTest::addColumn<QString>("calls");
    QTest::addColumn<QString>("keys");
    QTest::addColumn<QString>("problem");

    const QString noWay = WaylandKeyboard::NoProtocolText();
    QTest::newRow("granted: a harmless key first, then the script exactly")
        << QStringList() << "us" << "Ab1 !{tab}x\ny{enter}" << Asked << "ffe1 41 62 31 20 21 ff09 78 ff0d 79 ff0d"
        << "";
    QTest::newRow("the layout's own characters") << QStringList() << "de" << "Straße-Müller €@" << Asked
                                                 << "ffe1 53 74 72 61 df 65 2d 4d fc 6c 6c 65 72 20 20ac 40" << "";
    QTest::newRow("characters the layout lacks: named, nothing typed but the harmless key")
        << QStringList() << "us" << "Zoë Straße ß 漢x" << Asked << "ffe1"
        << PortalKeyboard::NotOnLayoutText({U'ë', U'ß', U'漢'});
    QTest::newRow("refused by the user") << QStringList{"--start", "1"} << "us" << "abc" << Asked + " SessionClose"
                                         << "" << PortalKeyboard::RefusedText();
    QTest::newRow("turned down by the desktop") << QStringList{"--start", "2"} << "us" << "abc"
                                                << Asked + " SessionClose" << "" << PortalKeyboard::EndedText();
    QTest::newRow("a portal without remote desktop") << QStringList{"--no-interface"} << "us" << "abc" << "" << ""
                                                     << noWay;
    QTest::newRow("no portal") << QStringList{"none"} << "us" << "abc" << "" << "" << noWay;
}

void TstPortalKeyboard::types()
{
    QFETCH(QStringList, portal);
    QFETCH(QString, layout);
    QFETCH(QString, script);
    QFETCH(QString, calls);
    QFETCH(QString, keys);
    QFETCH(QString, problem);

    PrivateBus bus;
    QVERIFY(bus.Up());
    if (portal != QStringList{QStringLiteral("none")})
        QVERIFY(bus.StartPortal(portal));
    PortalKeyboard keyboard(bus.Connection);
    QCOMPARE(keyboard.Available(), problem != WaylandKeyboard::NoProtocolText());
    keyboard.Layout = [layout] { return NamedLayout(layout); };
    QCOMPARE(Type(keyboard, script), problem);
    // A session that is no use any more is closed without waiting.
    QTRY_COMPARE(bus.Calls(), calls);
    QCOMPARE(bus.Keys(), keys);
}

// The permission dialog may stay open as long as the user likes: the
// window keeps working meanwhile, and the wait ends after a while or when
// cancelled, taking the dialog away.
void TstPortalKeyboard::waitsForTheAnswer_data()
{
    QTest::addColumn<int>("timeoutMs");
    QTest::addColumn<int>("cancelAfterMs");
    QTest::addColumn<QString>("problem");

    QTest::newRow("no answer") << 300 << -1 << PortalKeyboard::NoAnswerText(300);
    QTest::newRow("cancelled") << 60000 << 300 << PortalKeyboard::CancelledText();
}

void TstPortalKeyboard::waitsForTheAnswer()
{
    QFETCH(int, timeoutMs);
    QFETCH(int, cancelAfterMs);
    QFETCH(QString, problem);

    PrivateBus bus;
    QVERIFY(bus.Up());
    QVERIFY(bus.StartPortal({QStringLiteral("--start"), QStringLiteral("silent")}));
    PortalKeyboard keyboard(bus.Connection);
    keyboard.PermissionTimeoutMs = timeoutMs;
    int ticks = 0;
    QTimer ticker;
    connect(&ticker, &QTimer::timeout, [&] { ++ticks; });
    ticker.start(20);
    if (cancelAfterMs >= 0)
        QTimer::singleShot(cancelAfterMs, this, [&] { keyboard.CancelWaiting(); });
    QElapsedTimer clock;
    clock.start();
    QCOMPARE(Type(keyboard, QStringLiteral("abc")), problem);
    QVERIFY(clock.elapsed() < 10000);
    QVERIFY2(ticks >= 5, "the event loop ran while waiting");
    QTRY_COMPARE(bus.Calls(), Asked + QStringLiteral(" RequestClose SessionClose"));
    QCOMPARE(bus.Keys(), QString());
}

// Type pressed again while the user still looks at the dialog is told so;
// the first Type goes ahead once the permission is given.
void TstPortalKeyboard::typePressedWhileAsking()
{
    PrivateBus bus;
    QVERIFY(bus.Up());
    QVERIFY(bus.StartPortal({QStringLiteral("--start-after"), QStringLiteral("400")}));
    PortalKeyboard keyboard(bus.Connection);
    QString meanwhile;
    QTimer::singleShot(100, this, [&] { meanwhile = Type(keyboard, QStringLiteral("x")); });
    QCOMPARE(Type(keyboard, QStringLiteral("ab")), QString());
    QCOMPARE(meanwhile, PortalKeyboard::StillAskingText());
    QCOMPARE(bus.Calls(), Asked);
    QCOMPARE(bus.Keys(), QStringLiteral("ffe1 61 62"));
}

// The desktop closes the session after the warm-up key, "a" and the press
// of "b": typing stops there and says so; the next Type asks again and
// types everything, after a warm-up key of its own.
void TstPortalKeyboard::sessionClosedMidTyping()
{
    PrivateBus bus;
    QVERIFY(bus.Up());
    QVERIFY(bus.StartPortal({QStringLiteral("--close-after"), QStringLiteral("5")}));
    PortalKeyboard keyboard(bus.Connection);
    QCOMPARE(Type(keyboard, QStringLiteral("abcdef")), PortalKeyboard::ClosedText());
    QCOMPARE(bus.Keys(), QStringLiteral("ffe1 61 +62"));
    QCOMPARE(Type(keyboard, QStringLiteral("xy")), QString());
    QCOMPARE(bus.Calls(), Asked + QLatin1Char(' ') + Asked);
    QCOMPARE(bus.Keys(), QStringLiteral("ffe1 61 +62 ffe1 78 79"));
}

// The user is asked once per run of the program (one session for all of
// it); from version 2 on the token the portal hands out is kept and passed
// back on the next run.
void TstPortalKeyboard::permission_data()
{
    QTest::addColumn<QStringList>("portal");
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("select");  // what SelectDevices got
    QTest::addColumn<QString>("kept");

    QTest::newRow("version 1") << QStringList{"--version", "1", "--token", "new"} << "old" << "types=1" << "";
    QTest::newRow("version 2, first time")
        << QStringList{"--version", "2", "--token", "new"} << "" << "types=1 persist_mode=2" << "new";
    QTest::newRow("version 2, token kept") << QStringList{"--version", "2", "--token", "new"} << "old"
                                           << "types=1 persist_mode=2 restore_token=old" << "new";
}

void TstPortalKeyboard::permission()
{
    QFETCH(QStringList, portal);
    QFETCH(QString, stored);
    QFETCH(QString, select);
    QFETCH(QString, kept);

    PrivateBus bus;
    QVERIFY(bus.Up());
    QVERIFY(bus.StartPortal(portal));
    QString settings = stored;
    const QString asked = QStringLiteral("CreateSession SelectDevices %1 Start");
    {
        PortalKeyboard keyboard(bus.Connection);
        keyboard.RestoreToken = [&] { return settings; };
        keyboard.KeepRestoreToken = [&](const QString &token) { settings = token; };
        QCOMPARE(Type(keyboard, QStringLiteral("a")), QString());
        QCOMPARE(Type(keyboard, QStringLiteral("b")), QString());
        QCOMPARE(bus.Calls(), asked.arg(select));
        QCOMPARE(bus.Keys(), QStringLiteral("ffe1 61 62"));
        QCOMPARE(settings, kept.isEmpty() ? stored : kept);
    }
    // The next run of the program.
    PortalKeyboard keyboard(bus.Connection);
    keyboard.RestoreToken = [&] { return settings; };
    QCOMPARE(Type(keyboard, QStringLiteral("c")), QString());
    const QString again = kept.isEmpty() ? select : QStringLiteral("types=1 persist_mode=2 restore_token=") + kept;
    QCOMPARE(bus.Calls(), asked.arg(select) + QStringLiteral(" SessionClose ") + asked.arg(again));
}

// Asking for the shortcut: what the portal is asked, and what the user is
// told when there is none.
void TstPortalKeyboard::shortcut_data()
{
    QTest::addColumn<QStringList>("portal");  // its arguments; "none": no portal at all
    QTest::addColumn<QString>("calls");
    QTest::addColumn<QString>("trigger");
    QTest::addColumn<QString>("problem");

    const QString asked = QStringLiteral("ShortcutsSession BindShortcuts type-it-in description=Type the current "
                                         "item's script preferred_trigger=CTRL+ALT+K");
    QTest::newRow("bound, with the keys the desktop chose") << QStringList() << asked << "Ctrl+Alt+K" << "";
    QTest::newRow("bound, each answer before its call's reply")
        << QStringList{"--answer-first"} << asked << "Ctrl+Alt+K" << "";
    QTest::newRow("refused") << QStringList{"--bind", "1"} << asked << "" << PortalShortcut::RefusedText();
    QTest::newRow("a portal without global shortcuts")
        << QStringList{"--no-shortcuts"} << "" << "" << PortalShortcut::NoPortalText();
    QTest::newRow("no portal") << QStringList{"none"} << "" << "" << PortalShortcut::NoPortalText();
}

void TstPortalKeyboard::shortcut()
{
    QFETCH(QStringList, portal);
    QFETCH(QString, calls);
    QFETCH(QString, trigger);
    QFETCH(QString, problem);

    PrivateBus bus;
    QVERIFY(bus.Up());
    if (portal != QStringList{QStringLiteral("none")})
        QVERIFY(bus.StartPortal(portal));
    PortalShortcut shortcut(bus.Connection);
    QSignalSpy bound(&shortcut, &PortalShortcut::Bound);
    QSignalSpy failed(&shortcut, &PortalShortcut::ProblemChanged);
    shortcut.Start();
    // Nothing is waited for: the answers come with the event loop.
    QVERIFY(bound.isEmpty() && failed.isEmpty());
    QTRY_COMPARE(bound.count() + failed.count(), 1);
    QCOMPARE(shortcut.IsBound(), problem.isEmpty());
    QCOMPARE(bound.count(), problem.isEmpty() ? 1 : 0);
    QCOMPARE(shortcut.Trigger(), trigger);
    QCOMPARE(shortcut.Problem(), problem);
    QCOMPARE(bus.Calls(), calls);
}

// Only a press of our own shortcut in our own session counts, once each.
void TstPortalKeyboard::shortcutPressed()
{
    PrivateBus bus;
    QVERIFY(bus.Up());
    QVERIFY(bus.StartPortal({}));
    PortalShortcut shortcut(bus.Connection);
    QSignalSpy bound(&shortcut, &PortalShortcut::Bound);
    QSignalSpy pressed(&shortcut, &PortalShortcut::Activated);
    shortcut.Start();
    QTRY_COMPARE(bound.count(), 1);

    const auto press = [&bus](const QString &session, const QString &id) {
        QDBusMessage call = QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.portal.Desktop"),
                                                           QStringLiteral("/org/freedesktop/portal/desktop"),
                                                           QStringLiteral("org.kelpo.FakePortal"),
                                                           QStringLiteral("Activate"));
        call.setArguments({session, id});
        return bus.Connection.call(call).type() == QDBusMessage::ReplyMessage;
    };
    const QString ours = QString::fromLatin1(PortalShortcut::Id);
    // Signals from one sender arrive in order: once ours is seen, the
    // others before it were seen too.
    QVERIFY(press(QStringLiteral("/org/freedesktop/portal/desktop/session/other/s1"), ours));
    QVERIFY(press(QString(), QStringLiteral("something-else")));
    QVERIFY(press(QString(), ours));
    QTRY_COMPARE(pressed.count(), 1);
    QVERIFY(press(QString(), ours));
    QTRY_COMPARE(pressed.count(), 2);
    QTest::qWait(50);
    QCOMPARE(pressed.count(), 2);
}

QTEST_GUILESS_MAIN(TstPortalKeyboard)
#include "tst_portalkeyboard.moc"
