// Web links dropped on the main window become new items. The drop only
// records the link and arms a short one-shot timer; the questions of the
// new-item command come from the timer's tick, once the drag source has had
// its answer.
#include <QDragEnterEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QTimer>

#include "LinkDrop.h"
#include "Main.h"

namespace kelpo {

namespace {

// Links are copied or linked, never moved: the source keeps its link.
bool TakeDrag(QDropEvent *event)
{
    if (!event->mimeData() || !CanAcceptDrop(*event->mimeData()))
        return false;
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

void TMainForm::dragEnterEvent(QDragEnterEvent *event)
{
    if (!TakeDrag(event))
        event->ignore();
}

void TMainForm::dragMoveEvent(QDragMoveEvent *event)
{
    if (!TakeDrag(event))
        event->ignore();
}

void TMainForm::dropEvent(QDropEvent *event)
{
    if (!TakeDrag(event)) {
        event->ignore();
        return;
    }
    DropURLTargetDrop(*event->mimeData());
}

void TMainForm::DropURLTargetDrop(const QMimeData &mime)
{
    raise();
    activateWindow();
    const DroppedLink link = ReadDroppedLink(mime);
    DroppedTitle = ProposedName(link.title);
    DroppedUrl = link.address;
    // A second drop before the tick replaces the link: only the last one is
    // offered.
    DropTimer->start();
}

void TMainForm::DropTimerTimer()
{
    DropTimer->stop();
    CreateNewItem(DroppedUrl, DroppedTitle);
}

}  // namespace kelpo
