#pragma once
// Type It In in a desktop session that may hold two kinds of windows: X11
// windows (an X11 session, or XWayland inside a Wayland session) and native
// Wayland windows. Tracks which kind the user was in last and types through
// the matching keyboard.
//
// A Wayland client can neither see which other window has the focus nor
// raise it. So in a Wayland session the window to type into is "the window
// the user came from": when the X server names no active window while none
// of the program's own windows has the focus, that is a native Wayland
// window. To type into it the program steps out of the way (hides its
// windows for the run) so that the compositor gives the focus back to it,
// waits until its own windows have lost the focus, and stops typing as soon
// as the focus comes back to one of them.
//
// Where the compositor shares its list of windows (WindowList), the window
// the user came from is known exactly: the last activated window that is
// not one of the program's own. Type then activates that very window once
// the program's windows are out of the way, and types only while it keeps
// the focus.
#include "Keyboard.h"
#include "WindowList.h"

#include <functional>

namespace kelpo {

class SessionKeyboard : public Keyboard {
public:
    // The target id that stands for the Wayland window the user came from.
    // X11 window ids use at most 29 bits, so it never names an X11 window.
    // With a window list, a window of it is WaylandWindow | its id.
    static constexpr quint64 WaylandWindow = quint64(1) << 62;
    // How long to wait for the focus to leave the program's windows once
    // they are out of the way.
    static constexpr int FocusWaitMs = 3000;
    // How often the focus is looked at meanwhile.
    static constexpr int FocusPollMs = 20;

    // `x11` types into X11 windows; `wayland` types into native Wayland
    // windows and is null outside a Wayland session, where everything goes
    // to `x11` as in any X11 session.
    SessionKeyboard(Keyboard &x11, Keyboard *wayland);

    // Has one of the program's own windows the keyboard focus?
    std::function<bool()> OwnWindowActive;
    // Gets the program's windows out of the focus' way. Hidden rather than
    // minimised: sway and other tiling compositors ignore minimising, and Qt
    // may count a window it asked to minimise as no longer active while the
    // compositor still gives it the keys.
    std::function<void()> StepAside;
    // Shows again what StepAside hid.
    std::function<void()> ComeBack;
    // Handles events for about `ms` milliseconds while waiting for the focus.
    std::function<void(int ms)> Wait;
    // The compositor's list of windows, null where it shares none, and the
    // application id of the program's own windows in it.
    WindowList *Windows = nullptr;
    QString OwnAppId;

    static QString NoStepAsideText();
    static QString StoppedText();
    static QString ClosedText();
    static QString FocusLostText();

    bool Available() const override;
    QString Problem() const override;
    quint64 ForegroundWindow() override;
    bool BringToFront(quint64 window) override;
    KeyStroke KeyScan(char32_t ch) override;
    void KeyEvent(int virtualKey, bool down) override;
    void TypeUnmapped(char32_t ch) override;
    void Prepare(const QVector<char32_t> &characters) override;
    bool Interrupted() const override { return Stopped || Active->Interrupted(); }
    void FinishTyping() override;
    void TypeInPlace(bool on) override { InPlace = on; }

private:
    bool OnWayland() const { return Active == Wayland && Wayland; }
    // False (and typing stopped for the rest of the run) once the focus is
    // back in the program's own windows.
    bool MayType();
    // Waits until `done` holds, at most FocusWaitMs; false if it never did.
    bool WaitFor(const std::function<bool()> &done);
    // The activated window of the list as a target; 0 when it is one of the
    // program's own or none is activated.
    quint64 ListedForeground();
    // Activates the window of the list with this id and waits until it is
    // activated.
    bool ActivateListed(quint64 id);

    Keyboard &X11;
    Keyboard *Wayland;
    Keyboard *Active;
    QString Why;
    bool Stopped = false;
    bool SteppedAside = false;
    bool InPlace = false;
    quint64 Listed = 0;  // the window of the list typed into; 0 if none
};

}  // namespace kelpo
