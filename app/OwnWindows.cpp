#include "OwnWindows.h"

#include <QApplication>
#include <QEventLoop>
#include <QTimer>

namespace kelpo {

bool OwnWindows::Active()
{
    return QGuiApplication::applicationState() == Qt::ApplicationActive;
}

void OwnWindows::StepAside(bool hide)
{
    const QWidgetList windows = QApplication::topLevelWidgets();
    for (QWidget *w : windows) {
        if (!w->isVisible())
            continue;
        if (hide) {
            Hidden.append(w);
            w->hide();
        } else if (!w->isMinimized()) {
            w->showMinimized();
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
