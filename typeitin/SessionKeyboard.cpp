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
    return x11Window != 0 ? x11Window : WaylandWindow;
}

bool SessionKeyboard::BringToFront(quint64 window)
{
    Why.clear();
    Stopped = false;
    if (!Wayland)
        return X11.BringToFront(window);
    const bool toWayland = window == WaylandWindow;
    Active = toWayland ? Wayland : &X11;
    if (!Active->Available() || !Active->GetReady()) {
        Why = Active->Problem();
        return false;
    }
    Why.clear();  // a Type pressed while the keyboard got ready was told why not
    // The compositor hands the focus to another window only once the
    // program's own windows are out of the way, and it does not let an
    // X11 window take the focus from a Wayland window either. The click on
    // Type gives them the focus even when Qt has not yet heard of it.
    if (!SteppedAside) {
        StepAside();
        SteppedAside = true;
        if (!WaitForFocusToLeave(FocusWaitMs)) {
            ComeBack();
            SteppedAside = false;
            Why = NoStepAsideText();
            return false;
        }
    }
    if (Active->BringToFront(window))
        return true;
    ComeBack();
    SteppedAside = false;
    return false;
}

bool SessionKeyboard::WaitForFocusToLeave(int ms)
{
    for (int waited = 0; waited < ms;) {
        Wait(FocusPollMs);
        waited += FocusPollMs;
        if (!OwnWindowActive())
            return true;
    }
    return false;
}

bool SessionKeyboard::MayType()
{
    if (!Wayland)
        return true;
    if (!Stopped && OwnWindowActive()) {
        Stopped = true;
        Why = StoppedText();
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
    if (SteppedAside) {
        SteppedAside = false;
        ComeBack();
    }
}

}  // namespace kelpo
