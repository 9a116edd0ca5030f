#pragma once
// The top-level windows of every program, as a compositor that shares them
// reports them (wlroots compositors such as sway and Hyprland): which one is
// activated, what application it belongs to, and a way to activate one.
// Behind an interface so that the session keyboard has a test double.
#include <QString>
#include <QtGlobal>

namespace kelpo {

class WindowList {
public:
    virtual ~WindowList() = default;

    // Takes in what the compositor has reported since the last call,
    // without waiting for anything.
    virtual void Refresh() = 0;
    // The activated window; 0 when none is. Ids start at 1 and are never
    // reused while the list lives.
    virtual quint64 ActiveWindow() const = 0;
    // The application id of an open window (for native Wayland windows
    // usually the name of its desktop file, without ".desktop").
    virtual QString AppId(quint64 window) const = 0;
    // False once the window has been closed (or was never known).
    virtual bool IsOpen(quint64 window) const = 0;
    // Asks the compositor to activate the window: raise it and give it the
    // keyboard focus. The answer comes later through ActiveWindow().
    virtual void Activate(quint64 window) = 0;
};

}  // namespace kelpo
