#include "SessionKeyboard.h"

namespace kelpo {

SessionKeyboard::SessionKeyboard(Keyboard &x11, Keyboard *wayland)
    : OwnWindowActive([] { return false; }),
      StepAside([] {}),
      ComeBack([] {}),
      Wait([](int) {}),
      X11(x11),
      Wayland(wayland),
      Active(&x11)
{
}

QString SessionKeyboard::NoStepAsideText()
{
    return QStringLiteral("Kelpo could not get out of the way of the window to type into, so nothing was typed.\n"
                          "Click into the form you want to fill in, then press Type again.");
}

QString SessionKeyboard::StoppedText()
{
    return QStringLiteral("Typing stopped because a Kelpo window got the focus: Kelpo never types into its own "
                          "windows.\nClick into the form you want to fill in, then press Type again.");
}

QString SessionKeyboard::ClosedText()
{
    return QStringLiteral("The window to type into has been closed, so nothing was typed.\n"
                          "Click into the form you want to fill in, then press Type again.");
}

QString SessionKeyboard::FocusLostText()
{
    return QStringLiteral("Typing stopped because the window being typed into lost the focus: Kelpo types only "
                          "into the window you came from.\nClick into the form you want to fill in, then press "
                          "Type again.");
}

// In a Wayland session there is always something to say, even with neither
// an X server nor a way to type into Wayland windows.
bool SessionKeyboard::Available() const
{
    return X11.Available() || Wayland;
}

QString SessionKeyboard::Problem() const
{
    if (!Why.isEmpty())
        return Why;
    if (Active->Interrupted())
        return Active->Problem();
    return Available() ? QString() : X11.Problem();
}

quint64 SessionKeyboard::ForegroundWindow()
{
    if (!Wayland)
        return X11.ForegroundWindow();
    // The X server names no window while a Wayland window has the focus, nor
    // while one of the program's own windows has it.
    if (OwnWindowActive())
        return 0;
    const quint64 x11Window = X11.Available() ? X11.ForegroundWindow() : 0;
    if (x11Window != 0)
        return x11Window;
    return Windows ? ListedForeground() : WaylandWindow;
}

// The list may report the program's own window as activated before Qt
// does, so its windows are told apart by their application id as well.
quint64 SessionKeyboard::ListedForeground()
{
    Windows->Refresh();
    const quint64 active = Windows->ActiveWindow();
    if (active == 0 || (!OwnAppId.isEmpty() && Windows->AppId(active) == OwnAppId))
        return 0;
    return WaylandWindow | active;
}

bool SessionKeyboard::BringToFront(quint64 window)
{
    Why.clear();
    Stopped = false;
    if (!Wayland)
        return X11.BringToFront(window);
    const bool toWayland = (window & WaylandWindow) != 0;
    Listed = toWayland && Windows ? window & ~WaylandWindow : 0;
    Active = toWayland ? Wayland : &X11;
    if (!Active->Available() || !Active->GetReady()) {
        Why = Active->Problem();
        return false;
    }
    Why.clear();  // a Type pressed while the keyboard got ready was told why not
    // The compositor hands the focus to another window only once the
    // program's own windows are out of the way, and it does not let an
    // X11 window take the focus from a Wayland window either. The click on
    // Type gives them the focus even when Qt has not yet heard of it. Typed
    // in place, the target has the focus already.
    if (!SteppedAside && !InPlace) {
        StepAside();
        SteppedAside = true;
        if (!WaitFor([this] { return !OwnWindowActive(); })) {
            ComeBack();
            SteppedAside = false;
            Why = NoStepAsideText();
            return false;
        }
    }
    if ((Listed == 0 || ActivateListed(Listed)) && Active->BringToFront(window))
        return true;
    if (SteppedAside)
        ComeBack();
    SteppedAside = false;
    return false;
}

bool SessionKeyboard::WaitFor(const std::function<bool()> &done)
{
    for (int waited = 0; waited < FocusWaitMs;) {
        Wait(FocusPollMs);
        waited += FocusPollMs;
        if (done())
            return true;
    }
    return false;
}

// With the program's windows out of the way the compositor has given the
// focus to a window of its own choosing, not necessarily the one the user
// came from. A window closed meanwhile is said as such: the keys must not
// go to whichever window took its place.
bool SessionKeyboard::ActivateListed(quint64 id)
{
    Windows->Refresh();
    if (Windows->ActiveWindow() == id)
        return true;
    if (Windows->IsOpen(id)) {
        Windows->Activate(id);
        if (WaitFor([this, id] {
                Windows->Refresh();
                return Windows->ActiveWindow() == id || !Windows->IsOpen(id);
            }) &&
            Windows->ActiveWindow() == id)
            return true;
    }
    if (!Windows->IsOpen(id))
        Why = ClosedText();
    return false;
}

bool SessionKeyboard::MayType()
{
    if (!Wayland)
        return true;
    if (Stopped)
        return false;
    if (OwnWindowActive()) {
        Stopped = true;
        Why = StoppedText();
    } else if (Listed != 0) {
        Windows->Refresh();
        if (Windows->ActiveWindow() != Listed) {
            Stopped = true;
            Why = FocusLostText();
        }
    }
    return !Stopped;
}

KeyStroke SessionKeyboard::KeyScan(char32_t ch)
{
    return Active->KeyScan(ch);
}

void SessionKeyboard::KeyEvent(int virtualKey, bool down)
{
    if (MayType())
        Active->KeyEvent(virtualKey, down);
}

void SessionKeyboard::TypeUnmapped(char32_t ch)
{
    if (MayType())
        Active->TypeUnmapped(ch);
}

void SessionKeyboard::Prepare(const QVector<char32_t> &characters)
{
    Active->Prepare(characters);
}

void SessionKeyboard::FinishTyping()
{
    Active->FinishTyping();
    Listed = 0;
    if (SteppedAside) {
        SteppedAside = false;
        ComeBack();
    }
}

}  // namespace kelpo
