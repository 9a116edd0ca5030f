#pragma once
// Typing into native Wayland windows through the virtual keyboard protocol
// (zwp_virtual_keyboard_manager_v1, offered by wlroots compositors such as
// sway and Hyprland), on a compositor connection of its own. Each run
// uploads a keymap holding the characters it types (VirtualKeymap), so
// every character arrives exactly, whatever the user's layout.
//
// A Wayland client can neither see nor raise other windows: the keys go to
// whichever window has the focus (SessionKeyboard sees to that).
#include "Keyboard.h"

#include <QString>
#include <memory>

namespace kelpo {

class WaylandKeyboard : public Keyboard {
public:
    // Connects to the compositor named by WAYLAND_DISPLAY (or `displayName`).
    WaylandKeyboard();
    explicit WaylandKeyboard(const QString &displayName);
    ~WaylandKeyboard() override;
    WaylandKeyboard(const WaylandKeyboard &) = delete;
    WaylandKeyboard &operator=(const WaylandKeyboard &) = delete;

    // The first key after a keymap upload is lost unless the compositor and
    // the receiving window get this long to take the keymap in.
    static constexpr int KeymapSettleMs = 200;

    bool Available() const override;
    QString Problem() const override;
    quint64 ForegroundWindow() override { return 0; }
    bool BringToFront(quint64 window) override;
    // Every character is typed with a key of the keyboard's own keymap.
    KeyStroke KeyScan(char32_t) override { return KeyStroke::NoKey(); }
    void KeyEvent(int virtualKey, bool down) override;
    void TypeUnmapped(char32_t ch) override;
    void Prepare(const QVector<char32_t> &characters) override;
    void FinishTyping() override;

    static QString NoProtocolText();

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};

}  // namespace kelpo
