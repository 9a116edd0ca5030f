#pragma once
// The program's own top-level windows as Type It In needs them in a Wayland
// session: whether one of them has the focus, and getting them out of the
// way so that the compositor gives the focus back to the window the user
// came from.
#include <QList>
#include <QPointer>
#include <QWidget>

namespace kelpo {

class OwnWindows {
public:
    static bool Active();
    // Minimises every shown window, or hides it when `hide` is true (for
    // compositors that do not minimise on a program's request).
    void StepAside(bool hide);
    // Shows the windows StepAside hid; minimised ones stay minimised, as the
    // window typed into stays in front.
    void ComeBack();
    // Handles events for `ms` milliseconds.
    static void Wait(int ms);

private:
    QList<QPointer<QWidget>> Hidden;
};

}  // namespace kelpo
