#include "OwnWindows.h"

#include <QApplication>
#include <QEventLoop>
#include <QTimer>
#include <QWindow>

namespace kelpo {

// A hidden window counts as never active: Qt may apply the compositor's
// "activated" for a window after it was hidden, but the compositor gives
// the keys only to windows on the screen.
bool OwnWindows::Active()
{
    const QWindow *focus = QGuiApplication::focusWindow();
    return QGuiApplication::applicationState() == Qt::ApplicationActive && focus && focus->isVisible();
}

void OwnWindows::StepAside()
{
    const QWidgetList windows = QApplication::topLevelWidgets();
    for (QWidget *w : windows) {
        if (w->isVisible()) {
            Hidden.append(w);
            w->hide();
        }
    }
}

void OwnWindows::ComeBack()
{
    for (const QPointer<QWidget> &w : std::as_const(Hidden))
        if (w)
            w->show();
    Hidden.clear();
}

void OwnWindows::Wait(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

}  // namespace kelpo
