#pragma once
// The keyboard and windows of an X11 session: the active window from the
// window manager (or the input focus), the active XKB layout for which key
// types a character, and XTest for synthetic key events.
#include "Keyboard.h"

#include <QString>
#include <memory>

class QWidget;

namespace kelpo {

class X11Keyboard : public Keyboard {
public:
    // Connects to the X server named by DISPLAY (or `displayName`). Without
    // one the keyboard is not available and types nothing.
    X11Keyboard();
    explicit X11Keyboard(const QString &displayName);
    ~X11Keyboard() override;
    X11Keyboard(const X11Keyboard &) = delete;
    X11Keyboard &operator=(const X11Keyboard &) = delete;

    bool Available() const override;
    QString Problem() const override;

    quint64 ForegroundWindow() override;
    bool BringToFront(quint64 window) override;
    KeyStroke KeyScan(char32_t ch) override;
    void KeyEvent(int virtualKey, bool down) override;
    // Lends the spare keycodes of the layout (those without any symbol) to
    // the characters no key produces, up to four on each key (sixteen, in
    // four groups, with a layout of one group), in one keymap change; when
    // a script needs more, the next ones in one change each time the lent
    // ones are used up.
    void Prepare(const QVector<char32_t> &text) override;
    void TypeUnmapped(char32_t ch) override;
    void FinishTyping() override;

    // Virtual keys of characters other than letters, digits, Tab and Return
    // are this base plus the X keycode of their key.
    static constexpr int KeycodeBase = 0x10000;

    static QString NoServerText();

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};

// The X window id of a widget's top-level window, as ForegroundWindow and
// BringToFront use it.
quint64 NativeWindowId(QWidget *widget);

}  // namespace kelpo
