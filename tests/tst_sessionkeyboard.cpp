// Typing in a session with X11 and Wayland windows: which window counts as
// the target, which keyboard types into it, how the program's own windows
// get out of the way first, and typing stopping when the focus comes back
// to them. Two recording keyboards stand for the X11 and the Wayland path,
// a scripted list for the compositor's list of windows.
#include <QtTest>

#include <map>

#include "Player.h"
#include "SessionKeyboard.h"
#include "support/RecordingKeyboard.h"

using namespace kelpo;

namespace {

constexpr quint64 Wl = SessionKeyboard::WaylandWindow;
const QString OwnId = QStringLiteral("org.example.kelpo.Kelpo");

// A compositor's window list: a window activated on request takes effect
// at the next Refresh, as the compositor's answer would.
struct ScriptedWindows : WindowList {
    std::map<quint64, QString> Open;  // id: application id
    quint64 Active = 0;
    quint64 Requested = 0;
    bool Obeys = true;          // Activate takes effect
    bool ClosesInstead = false;  // the window asked for closes instead
    QStringList Log;            // "activate3"

    void Refresh() override
    {
        if (Requested != 0 && ClosesInstead)
            Open.erase(Requested);
        else if (Requested != 0 && Obeys && IsOpen(Requested))
            Active = Requested;
        Requested = 0;
    }
    quint64 ActiveWindow() const override { return Active; }
    QString AppId(quint64 window) const override
    {
        const auto it = Open.find(window);
        return it == Open.end() ? QString() : it->second;
    }
    bool IsOpen(quint64 window) const override { return Open.count(window) != 0; }
    void Activate(quint64 window) override
    {
        Log << QStringLiteral("activate%1").arg(window);
        Requested = window;
    }
};

// A Wayland session whose own windows have the focus until they step aside
// (unless `focusStays`).
struct WaylandSession {
    RecordingKeyboard x11;
    RecordingKeyboard wayland;
    SessionKeyboard keys{x11, &wayland};
    bool ownActive = true;
    bool focusStays = false;
    QStringList steps;  // "aside", "back"
    int waitedMs = 0;

    WaylandSession()
    {
        keys.OwnWindowActive = [this] { return ownActive; };
        keys.StepAside = [this] {
            steps << QStringLiteral("aside");
            ownActive = focusStays;
        };
        keys.ComeBack = [this] { steps << QStringLiteral("back"); };
        keys.Wait = [this](int ms) { waitedMs += ms; };
    }
};

// The same session where the compositor shares its windows: the user's
// window 1 ("A") and window 2 ("B") of a browser, and the program's own
// window 3. Stepping aside, the compositor hands the focus to B.
struct ListedSession : WaylandSession {
    ScriptedWindows windows;

    ListedSession()
    {
        windows.Open = {{1, QStringLiteral("firefox")}, {2, QStringLiteral("firefox")}, {3, OwnId}};
        windows.Active = 3;
        keys.Windows = &windows;
        keys.OwnAppId = OwnId;
        keys.StepAside = [this] {
            steps << QStringLiteral("aside");
            ownActive = false;
            windows.Active = 2;
        };
    }
};

}  // namespace

class TstSessionKeyboard : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void x11SessionPassesThrough();
    void availability();
    void foregroundWindow_data();
    void foregroundWindow();
    void stepAside_data();
    void stepAside();
    void typesThroughTheTargetsKeyboard_data();
    void typesThroughTheTargetsKeyboard();
    void focusBackStopsTyping();
    void listedForeground_data();
    void listedForeground();
    void ownWindowsNeverRemembered();
    void bringsBackTheListedWindow_data();
    void bringsBackTheListedWindow();
    void listedWindowLosesFocusWhileTyping();
    void keyboardReadyBeforeSteppingAside();
    void keyboardStopsTheRun();
    void typedInPlace_data();
    void typedInPlace();
};

// Outside a Wayland session everything is the X11 keyboard's, as before:
// its foreground window, its bringing to the front, with no stepping aside.
void TstSessionKeyboard::x11SessionPassesThrough()
{
    RecordingKeyboard x11;
    SessionKeyboard keys(x11, nullptr);
    bool asked = false;
    keys.OwnWindowActive = [&] { return asked = true; };
    x11.Front = 7;
    QCOMPARE(keys.ForegroundWindow(), quint64(7));
    QVERIFY(keys.BringToFront(7));
    keys.KeyEvent('A', true);
    keys.FinishTyping();
    QCOMPARE(x11.Log.join(' '), QStringLiteral("front7 +65 end"));
    QVERIFY(!asked);
}

void TstSessionKeyboard::availability()
{
    RecordingKeyboard x11;
    x11.Usable = false;
    x11.Why = QStringLiteral("No X server.");
    SessionKeyboard x11Session(x11, nullptr);
    QVERIFY(!x11Session.Available());
    QCOMPARE(x11Session.Problem(), QStringLiteral("No X server."));

    // Without XWayland a Wayland session still types into (or says why it
    // cannot type into) Wayland windows.
    UnavailableKeyboard noWayland(QStringLiteral("No Wayland path."));
    SessionKeyboard waylandSession(x11, &noWayland);
    QVERIFY(waylandSession.Available());
    QCOMPARE(waylandSession.Problem(), QString());
    QVERIFY(!waylandSession.BringToFront(Wl));
    QCOMPARE(waylandSession.Problem(), QStringLiteral("No Wayland path."));
    QVERIFY(!waylandSession.BringToFront(7));
    QCOMPARE(waylandSession.Problem(), QStringLiteral("No X server."));
}

void TstSessionKeyboard::foregroundWindow_data()
{
    QTest::addColumn<bool>("ownActive");
    QTest::addColumn<bool>("xserver");
    QTest::addColumn<quint64>("x11Front");
    QTest::addColumn<quint64>("front");

    QTest::newRow("an X11 window") << false << true << quint64(7) << quint64(7);
    QTest::newRow("a Wayland window: no active X11 window") << false << true << quint64(0) << Wl;
    QTest::newRow("a Wayland window, no XWayland") << false << false << quint64(7) << Wl;
    // The X server names no window while this program has the focus either:
    // that must not turn an X11 target into a Wayland one.
    QTest::newRow("own window") << true << true << quint64(0) << quint64(0);
    QTest::newRow("own window on XWayland") << true << true << quint64(3) << quint64(0);
}

void TstSessionKeyboard::foregroundWindow()
{
    QFETCH(bool, ownActive);
    QFETCH(bool, xserver);
    QFETCH(quint64, x11Front);
    QFETCH(quint64, front);

    WaylandSession s;
    s.ownActive = ownActive;
    s.x11.Usable = xserver;
    s.x11.Front = x11Front;
    QCOMPARE(s.keys.ForegroundWindow(), front);
}

void TstSessionKeyboard::stepAside_data()
{
    QTest::addColumn<quint64>("target");
    QTest::addColumn<bool>("activeBefore");  // Qt has seen the click's focus
    QTest::addColumn<bool>("focusStays");
    QTest::addColumn<bool>("frontWorks");
    QTest::addColumn<QString>("steps");
    QTest::addColumn<int>("waitedMs");
    QTest::addColumn<QString>("problem");

    const int poll = SessionKeyboard::FocusPollMs;
    const int all = SessionKeyboard::FocusWaitMs;
    const QString noAside = SessionKeyboard::NoStepAsideText();
    QTest::newRow("Wayland") << Wl << true << false << true << "aside" << poll << "";
    // The compositor gives the clicked window the focus before Qt tells.
    QTest::newRow("Wayland: focus not seen yet") << Wl << false << false << true << "aside" << poll << "";
    QTest::newRow("Wayland: the focus stays") << Wl << true << true << true << "aside back" << all << noAside;
    // The compositor does not let an X11 window take the focus from a
    // Wayland one: out of the way first, then the X11 activation.
    QTest::newRow("X11") << quint64(7) << true << false << true << "aside" << poll << "";
    QTest::newRow("X11: the focus stays") << quint64(7) << true << true << true << "aside back" << all << noAside;
    QTest::newRow("X11: does not come to the front") << quint64(7) << true << false << false << "aside back" << poll
                                                     << "";
}

void TstSessionKeyboard::stepAside()
{
    QFETCH(quint64, target);
    QFETCH(bool, activeBefore);
    QFETCH(bool, focusStays);
    QFETCH(bool, frontWorks);
    QFETCH(QString, steps);
    QFETCH(int, waitedMs);
    QFETCH(QString, problem);

    WaylandSession s;
    s.ownActive = activeBefore;
    s.focusStays = focusStays;
    RecordingKeyboard &used = target == Wl ? s.wayland : s.x11;
    used.FrontWorks = frontWorks;
    const bool ok = !focusStays && frontWorks;
    QCOMPARE(s.keys.BringToFront(target), ok);
    QCOMPARE(s.steps.join(' '), steps);
    QCOMPARE(s.waitedMs, waitedMs);
    QCOMPARE(used.Log, focusStays ? QStringList() : QStringList{QStringLiteral("front%1").arg(target)});
    QCOMPARE(s.keys.Problem(), problem);

    // A second call (the player brings the target to the front again) finds
    // the windows out of the way already; they come back when the typing is
    // over.
    if (ok) {
        QVERIFY(s.keys.BringToFront(target));
        QCOMPARE(s.steps.join(' '), steps);
        s.keys.FinishTyping();
        QCOMPARE(s.steps.join(' '), steps + QStringLiteral(" back"));
    }
}

void TstSessionKeyboard::typesThroughTheTargetsKeyboard_data()
{
    QTest::addColumn<quint64>("target");
    QTest::newRow("Wayland window") << Wl;
    QTest::newRow("X11 window") << quint64(7);
}

void TstSessionKeyboard::typesThroughTheTargetsKeyboard()
{
    QFETCH(quint64, target);

    WaylandSession s;
    s.ownActive = false;
    QVERIFY(s.keys.BringToFront(target));
    QCOMPARE(s.steps.join(' '), QStringLiteral("aside"));
    s.keys.Prepare({U'€'});
    QCOMPARE(s.keys.KeyScan(U'a').VirtualKey, int('A'));
    s.keys.KeyEvent('A', true);
    s.keys.TypeUnmapped(U'€');
    s.keys.FinishTyping();
    RecordingKeyboard &used = target == Wl ? s.wayland : s.x11;
    RecordingKeyboard &other = target == Wl ? s.x11 : s.wayland;
    QCOMPARE(used.Log.join(' '), QStringLiteral("front%1 +65 unmapped8364 end").arg(target));
    QCOMPARE(used.Prepared, QVector<char32_t>{U'€'});
    QVERIFY(other.Log.isEmpty());
    QCOMPARE(s.steps.join(' '), QStringLiteral("aside back"));
}

// Keys sent once the focus is back in this program's windows would land in
// its own fields: the rest of the run is dropped and the reason given, and
// the windows come back as after any run.
void TstSessionKeyboard::focusBackStopsTyping()
{
    WaylandSession s;
    QVERIFY(s.keys.BringToFront(Wl));
    s.keys.KeyEvent('A', true);
    s.keys.KeyEvent('A', false);
    QVERIFY(!s.keys.Interrupted());
    s.ownActive = true;
    s.keys.TypeUnmapped(U'€');
    s.ownActive = false;  // gone again: still nothing more
    s.keys.KeyEvent('B', true);
    QVERIFY(s.keys.Interrupted());
    QCOMPARE(s.keys.Problem(), SessionKeyboard::StoppedText());
    s.keys.FinishTyping();
    QCOMPARE(s.wayland.Log.join(' '), QStringLiteral("front%1 +65 -65 end").arg(Wl));
    QCOMPARE(s.steps.join(' '), QStringLiteral("aside back"));

    // The next run starts afresh.
    QVERIFY(s.keys.BringToFront(Wl));
    QVERIFY(!s.keys.Interrupted());
    QCOMPARE(s.keys.Problem(), QString());
}

void TstSessionKeyboard::listedForeground_data()
{
    QTest::addColumn<quint64>("active");
    QTest::addColumn<bool>("ownActive");
    QTest::addColumn<quint64>("x11Front");
    QTest::addColumn<quint64>("front");

    QTest::newRow("a window of the list") << quint64(1) << false << quint64(0) << (Wl | 1);
    // The compositor may report the program's window before Qt does.
    QTest::newRow("own window, Qt not told yet") << quint64(3) << false << quint64(0) << quint64(0);
    QTest::newRow("own window") << quint64(3) << true << quint64(0) << quint64(0);
    QTest::newRow("none activated") << quint64(0) << false << quint64(0) << quint64(0);
    QTest::newRow("an X11 window") << quint64(1) << false << quint64(7) << quint64(7);
}

void TstSessionKeyboard::listedForeground()
{
    QFETCH(quint64, active);
    QFETCH(bool, ownActive);
    QFETCH(quint64, x11Front);
    QFETCH(quint64, front);

    ListedSession s;
    s.windows.Active = active;
    s.ownActive = ownActive;
    s.x11.Front = x11Front;
    QCOMPARE(s.keys.ForegroundWindow(), front);
}

// The player keeps the last window the user was in while the program's own
// windows (main window, editor, messages) come and go.
void TstSessionKeyboard::ownWindowsNeverRemembered()
{
    ListedSession s;
    s.ownActive = false;  // Qt may not have been told yet
    Player player(s.keys);
    for (const quint64 active : {1, 3, 0, 3}) {
        s.windows.Active = active;
        player.FindTarget();
    }
    QCOMPARE(player.TargetWindow(), Wl | 1);
    s.windows.Active = 2;
    player.FindTarget();
    QCOMPARE(player.TargetWindow(), Wl | 2);
}

void TstSessionKeyboard::bringsBackTheListedWindow_data()
{
    QTest::addColumn<QString>("event");  // what happens to window 1
    QTest::addColumn<bool>("ok");
    QTest::addColumn<QString>("activations");
    QTest::addColumn<int>("waitedMs");
    QTest::addColumn<QString>("problem");

    const int poll = SessionKeyboard::FocusPollMs;
    const int all = SessionKeyboard::FocusWaitMs;
    const QString closed = SessionKeyboard::ClosedText();
    QTest::newRow("activated") << "" << true << "activate1" << 2 * poll << "";
    QTest::newRow("closed before Type") << "closed" << false << "" << poll << closed;
    QTest::newRow("closed while activating") << "closing" << false << "activate1" << 2 * poll << closed;
    // The caller then says it could not be brought to the front.
    QTest::newRow("never activated") << "refused" << false << "activate1" << poll + all << "";
}

// Stepping aside lets the compositor pick B; A, the window the user came
// from, is activated and typed into, or nothing is typed at all.
void TstSessionKeyboard::bringsBackTheListedWindow()
{
    QFETCH(QString, event);
    QFETCH(bool, ok);
    QFETCH(QString, activations);
    QFETCH(int, waitedMs);
    QFETCH(QString, problem);

    ListedSession s;
    if (event == QLatin1String("closed"))
        s.windows.Open.erase(1);
    else if (event == QLatin1String("closing"))
        s.windows.ClosesInstead = true;
    else if (event == QLatin1String("refused"))
        s.windows.Obeys = false;

    QCOMPARE(s.keys.BringToFront(Wl | 1), ok);
    QCOMPARE(s.windows.Log.join(' '), activations);
    QCOMPARE(s.waitedMs, waitedMs);
    QCOMPARE(s.keys.Problem(), problem);
    QCOMPARE(s.steps.join(' '), ok ? QStringLiteral("aside") : QStringLiteral("aside back"));
    if (!ok) {
        QVERIFY(s.wayland.Log.isEmpty());
        return;
    }
    QCOMPARE(s.windows.Active, quint64(1));
    // The player's second call finds A in front already.
    QVERIFY(s.keys.BringToFront(Wl | 1));
    s.keys.KeyEvent('A', true);
    s.keys.FinishTyping();
    QCOMPARE(s.windows.Log.join(' '), activations);
    QCOMPARE(s.wayland.Log.join(' '), QStringLiteral("front%1 front%1 +65 end").arg(Wl | 1));
}

// Once the focus goes from A to any other window, nothing more is typed.
void TstSessionKeyboard::listedWindowLosesFocusWhileTyping()
{
    ListedSession s;
    QVERIFY(s.keys.BringToFront(Wl | 1));
    s.keys.KeyEvent('A', true);
    s.keys.KeyEvent('A', false);
    s.windows.Active = 2;
    s.keys.KeyEvent('B', true);
    s.windows.Active = 1;
    s.keys.TypeUnmapped(U'€');
    QVERIFY(s.keys.Interrupted());
    QCOMPARE(s.keys.Problem(), SessionKeyboard::FocusLostText());
    s.keys.FinishTyping();
    QCOMPARE(s.wayland.Log.join(' '), QStringLiteral("front%1 +65 -65 end").arg(Wl | 1));
}

// A keyboard that must ask the desktop first (whose dialog takes the focus)
// does so while the program's windows are still there; when it cannot go
// ahead nothing steps aside and its reason is given.
void TstSessionKeyboard::keyboardReadyBeforeSteppingAside()
{
    WaylandSession s;
    s.wayland.ReadyWorks = false;
    s.wayland.Why = QStringLiteral("Not allowed.");
    QVERIFY(!s.keys.BringToFront(Wl));
    QCOMPARE(s.keys.Problem(), QStringLiteral("Not allowed."));
    QVERIFY(s.steps.isEmpty());
    QVERIFY(s.wayland.Log.isEmpty());

    s.wayland.ReadyWorks = true;
    const std::function<void()> aside = s.keys.StepAside;
    int readiedBeforeAside = -1;
    s.keys.StepAside = [&] {
        readiedBeforeAside = s.wayland.Readied;
        aside();
    };
    QVERIFY(s.keys.BringToFront(Wl));
    QCOMPARE(readiedBeforeAside, 2);
    QCOMPARE(s.keys.Problem(), QString());
    QCOMPARE(s.x11.Readied, 0);
}

// The keyboard itself may stop a run (it cannot type what it was given):
// the session reports that, with the keyboard's reason.
void TstSessionKeyboard::keyboardStopsTheRun()
{
    WaylandSession s;
    QVERIFY(s.keys.BringToFront(Wl));
    QVERIFY(!s.keys.Interrupted());
    s.wayland.Why = QStringLiteral("Cannot type that.");
    s.wayland.StopAt = 1;
    QVERIFY(s.keys.Interrupted());
    QCOMPARE(s.keys.Problem(), QStringLiteral("Cannot type that."));
}

// Typed in place (the desktop-wide shortcut pressed in the target), the
// program's windows stay where they are, whether or not the target comes to
// the front; the focus coming back to them still stops the run.
void TstSessionKeyboard::typedInPlace_data()
{
    QTest::addColumn<quint64>("target");
    QTest::addColumn<bool>("frontWorks");
    QTest::newRow("Wayland window") << Wl << true;
    QTest::newRow("X11 window") << quint64(7) << true;
    QTest::newRow("X11 window, does not come to the front") << quint64(7) << false;
}

void TstSessionKeyboard::typedInPlace()
{
    QFETCH(quint64, target);
    QFETCH(bool, frontWorks);

    WaylandSession s;
    s.ownActive = false;
    RecordingKeyboard &used = target == Wl ? s.wayland : s.x11;
    used.FrontWorks = frontWorks;
    s.keys.TypeInPlace(true);
    QCOMPARE(s.keys.BringToFront(target), frontWorks);
    if (frontWorks) {
        s.keys.KeyEvent('A', true);
        s.ownActive = true;
        s.keys.KeyEvent('A', false);
        QVERIFY(s.keys.Interrupted());
        s.keys.FinishTyping();
        QCOMPARE(used.Log.join(' '), QStringLiteral("front%1 +65 end").arg(target));
    }
    QCOMPARE(s.steps, QStringList());
    QCOMPARE(s.waitedMs, 0);
}

QTEST_GUILESS_MAIN(TstSessionKeyboard)
#include "tst_sessionkeyboard.moc"
