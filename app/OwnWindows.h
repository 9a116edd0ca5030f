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
    // Has one of the shown windows the keyboard focus?
    static bool Active();
    // Hides every shown window.
    void StepAside();
    // Shows the windows StepAside hid.
    void ComeBack();
    // Handles events for `ms` milliseconds.
    static void Wait(int ms);

private:
    QList<QPointer<QWidget>> Hidden;
};

}  // namespace kelpo
