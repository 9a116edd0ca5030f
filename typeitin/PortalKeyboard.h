#pragma once
// Typing into native Wayland windows through the desktop portal's remote
// desktop interface (org.freedesktop.portal.RemoteDesktop over D-Bus), the
// way GNOME and KDE let a program type. The desktop asks the user once for
// the permission (a dialog of its own) when the first session starts; the
// session then stays open for the whole run of the program. Where the portal
// can keep the permission (interface version 2 and later) the token it gives
// back is kept in the settings and passed on the next start, so the user is
// asked as rarely as the desktop allows.
//
// The portal types keysyms with the keys of the layout in use and silently
// drops a keysym the layout has no key for. So before a run types anything,
// its characters are checked against that layout, and a run holding any the
// layout lacks types nothing and says which ones they are.
//
// A Wayland client can neither see nor raise other windows: the keys go to
// whichever window has the focus (SessionKeyboard sees to that).
#include "Keyboard.h"

#include <QByteArray>
#include <QDBusConnection>
#include <QString>
#include <functional>
#include <memory>

namespace kelpo {

// The keyboard layout the compositor types with: its keymap in XKB's text
// format and the layout (XKB group) in use. An empty keymap: not known.
struct KeyboardLayout {
    QByteArray Keymap;
    quint32 Group = 0;
};

class PortalKeyboard : public Keyboard {
public:
    // Talks to the portal on `bus` (the session bus in the program). Reads
    // the interface's version at once: without the portal or its remote
    // desktop interface the keyboard is not Available(), and Problem() says
    // that this desktop offers no way to type into Wayland windows.
    explicit PortalKeyboard(const QDBusConnection &bus);
    ~PortalKeyboard() override;
    PortalKeyboard(const PortalKeyboard &) = delete;
    PortalKeyboard &operator=(const PortalKeyboard &) = delete;

    // The first keys of a new session are lost unless a harmless key and
    // this pause come first.
    static constexpr int WarmUpMs = 200;
    // How long the portal may take to answer a request that shows no dialog.
    static constexpr int AnswerWaitMs = 20 * 1000;
    // How long the user may take to answer the permission dialog.
    static constexpr int PermissionWaitMs = 5 * 60 * 1000;

    // The layout the compositor types with, read at every run. Default: not
    // known (then nothing is checked).
    std::function<KeyboardLayout()> Layout;
    // The token that restores the permission given in an earlier run, and
    // where to keep the one the portal hands out now. Used from version 2 of
    // the interface on.
    std::function<QString()> RestoreToken;
    std::function<void(const QString &)> KeepRestoreToken;
    // How long to wait for the answer to the permission dialog.
    int PermissionTimeoutMs = PermissionWaitMs;

    // Stops waiting for the portal's answer, as if the user had said no.
    void CancelWaiting();
    // The remote desktop interface's version; 0 without one.
    uint Version() const;

    bool Available() const override;
    QString Problem() const override;
    // Asks for the session (and the permission) unless one is open.
    bool GetReady() override;
    quint64 ForegroundWindow() override { return 0; }
    bool BringToFront(quint64 window) override;
    // Every character is typed by its keysym.
    KeyStroke KeyScan(char32_t) override { return KeyStroke::NoKey(); }
    void KeyEvent(int virtualKey, bool down) override;
    void TypeUnmapped(char32_t ch) override;
    void Prepare(const QVector<char32_t> &characters) override;
    bool Interrupted() const override;
    void FinishTyping() override;

    // The characters of `characters` that `layout` has no key for, each
    // once, in their order; none when the layout is not known.
    static QVector<char32_t> NotOnLayout(const QVector<char32_t> &characters, const KeyboardLayout &layout);

    static QString RefusedText();
    static QString EndedText();
    static QString NoAnswerText(int timeoutMs);
    static QString CancelledText();
    static QString StillAskingText();
    static QString ClosedText();
    static QString NotOnLayoutText(const QVector<char32_t> &missing);

private:
    class Impl;
    std::unique_ptr<Impl> d;
};

// The layout of the compositor named by WAYLAND_DISPLAY, read on a
// connection of its own (the keymap every client's keyboard gets).
KeyboardLayout CompositorLayout();

}  // namespace kelpo
