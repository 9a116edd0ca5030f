// Web links dropped on the main window become new items. The drop only
// records the link and arms a short one-shot timer; the questions of the
// new-item command come from the timer's tick, once the drag source has had
// its answer.
#include <QDragEnterEvent>
#include <QDragLeaveEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QTimer>

#include "LinkDrop.h"
#include "Main.h"

namespace kelpo {

namespace {

// Links are copied or linked, never moved: the source keeps its link.
bool TakeAction(QDropEvent *event)
{
    const Qt::DropAction proposed = event->proposedAction();
    if (proposed == Qt::CopyAction || proposed == Qt::LinkAction) {
        event->acceptProposedAction();
        return true;
    }
    for (const Qt::DropAction action : {Qt::CopyAction, Qt::LinkAction}) {
        if (event->possibleActions() & action) {
            event->setDropAction(action);
            event->accept();
            return true;
        }
    }
    return false;
}

}  // namespace

void TMainForm::CreateDropTarget()
{
    // The window and every control that takes no drops of its own (the edit
    // boxes keep taking dropped text).
    setAcceptDrops(true);
    DropTimer = new QTimer(this);
    DropTimer->setSingleShot(true);
    DropTimer->setInterval(50);
    connect(DropTimer, &QTimer::timeout, this, &TMainForm::DropTimerTimer);
}

// The link is read as soon as the drag enters the window: some sources no
// longer hand out their data once the mouse button is let go, and a
// shortcut file is read once, not at every move.
void TMainForm::dragEnterEvent(QDragEnterEvent *event)
{
    enteringLink_ = event->mimeData() ? ReadDroppedLink(*event->mimeData()) : DroppedLink();
    if (enteringLink_.Empty() || !TakeAction(event))
        event->ignore();
}

void TMainForm::dragMoveEvent(QDragMoveEvent *event)
{
    if (enteringLink_.Empty() || !TakeAction(event))
        event->ignore();
}

void TMainForm::dragLeaveEvent(QDragLeaveEvent *event)
{
    enteringLink_ = DroppedLink();
    event->accept();
}

void TMainForm::dropEvent(QDropEvent *event)
{
    DroppedLink link = enteringLink_;
    enteringLink_ = DroppedLink();
    if (link.Empty() && event->mimeData())
        link = ReadDroppedLink(*event->mimeData());
    if (link.Empty() || !TakeAction(event)) {
        event->ignore();
        return;
    }
    DropURLTargetDrop(link);
}

void TMainForm::DropURLTargetDrop(const DroppedLink &link)
{
    raise();
    activateWindow();
    DroppedTitle = ProposedName(link.title);
    DroppedUrl = link.address;
    // A second drop before the tick replaces the link: only the last one is
    // offered.
    DropTimer->start();
}

void TMainForm::DropTimerTimer()
{
    DropTimer->stop();
    // Offered once no command waits; a later drop meanwhile replaces the link.
    commands_.RunOrQueue([this] { CreateNewItem(DroppedUrl, DroppedTitle); }, QStringLiteral("drop"));
}

}  // namespace kelpo
