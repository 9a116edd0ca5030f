// Working through the due items: Done, Mark as Undone, Next, Update and
// Reset Entry Counters.
#include "Main.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QListView>

#include <climits>
#include <cmath>

#include "Due.h"
#include "ItemDates.h"
#include "ItemListModel.h"

namespace kelpo {

namespace {

// The busy cursor for the life of a scope, however the scope is left.
class BusyCursor {
public:
    BusyCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~BusyCursor() { Restore(); }
    void Restore()
    {
        if (on_)
            QApplication::restoreOverrideCursor();
        on_ = false;
    }
    BusyCursor(const BusyCursor &) = delete;
    BusyCursor &operator=(const BusyCursor &) = delete;

private:
    bool on_ = true;
};

// Lets window events run while a long loop works, at most every `everyMs`
// milliseconds (0: every time): often enough that the window never looks
// stuck, seldom enough that the loop stays fast with many items.
class EventPump {
public:
    EventPump(int everyMs, CommandGuard &guard) : everyMs_(everyMs), guard_(guard) { since_.start(); }
    void Run()
    {
        if (since_.elapsed() < everyMs_)
            return;
        const CommandGuard::Wait wait(guard_);
        QCoreApplication::processEvents();
        since_.restart();
    }

private:
    const int everyMs_;
    CommandGuard &guard_;
    QElapsedTimer since_;
};

}  // namespace

void TMainForm::DoneButClick()
{
    const CommandGuard::Command command(commands_);
    if (!command)
        return;
    // The moment as the editor shows it, so that an item shown as done at
    // 10:00 counts from 10:00.
    const double stamp = AsShown(Fmt, Now());
    for (int row : SelectedRows()) {
        if (FindItem(row) < 0)
            continue;
        Rec &rec = *CurItem;
        if (!rec.Done)
            --UndoneCount;
        rec.Done = true;
        if (rec.Count < INT_MAX)
            ++rec.Count;
        rec.Last = stamp;
    }
    SetItemCountLabel();
    EntriesClick();
    RepaintEntries();
    Entries->setFocus();
}

void TMainForm::MenuMarkUnDoneClick()
{
    const CommandGuard::Command command(commands_);
    if (!command)
        return;
    const double now = Now();
    const double timeOfDay = AsShown(Fmt, now) - std::floor(now);
    for (int row : SelectedRows()) {
        if (FindItem(row) < 0)
            continue;
        Rec &rec = *CurItem;
        if (rec.Done)
            ++UndoneCount;
        rec.Done = false;
        if (rec.Count > 0)
            --rec.Count;
        // One period back from today's start, at the current time of day.
        rec.Last = std::floor(std::floor(now) - RepeatPeriod(rec.Freq)) + timeOfDay;
    }
    SetItemCountLabel();
    EntriesClick();
    RepaintEntries();
    Entries->setFocus();
}

void TMainForm::DoneButMouseDown(Qt::MouseButton button)
{
    if (button == Qt::RightButton)
        MenuMarkUnDoneClick();
}

void TMainForm::NextButClick()
{
    const CommandGuard::Command command(commands_, CommandGuard::Access::Reads);
    if (!command)
        return;
    const int rows = EntriesList->Count();
    if (rows == 0)
        return;
    const QString allDone = QStringLiteral("All items have been completed.");
    const int start = FocusedRow();
    int i = 0;
    if (start < 0) {
        // No focused row: every row once, from the first; with none due the
        // first row is selected.
        while (i < rows && EntriesList->RecAt(i)->Done)
            ++i;
        if (i == rows) {
            Dlg.Information(allDone);
            i = 0;
        }
    } else {
        // From the row after the focused one round to the focused one itself.
        i = start + 1 < rows ? start + 1 : 0;
        for (;;) {
            CurItem = EntriesList->RecAt(i);
            if (!CurItem->Done)
                break;
            if (i == start) {
                Dlg.Information(allDone);
                break;
            }
            i = i + 1 < rows ? i + 1 : 0;
        }
    }
    SelectOneItem(i);
}

// Recomputes every item's due state and counts the due ones of the shown
// group. Window events run in between; the command guard holds back every
// change meanwhile (a second Update too), and still each item is taken
// afresh by its position and the loop ends when the position is past the
// end of the list.
void TMainForm::MenuUpdateClick()
{
    const CommandGuard::Command command(commands_);
    if (!command)
        return;
    const int slot = ShownSlot();
    const int number = slot > 0 ? Data.GroupTable[size_t(slot)].GroupNumber : 0;
    BusyCursor busy;
    EventPump pump(UpdateEventsEveryMs, commands_);
    UndoneCount = 0;
    const double now = Now();  // one clock reading for the whole pass
    const int count = Data.Items.Count();
    for (int i = 0; i < count && i < Data.Items.Count(); ++i) {
        Rec *rec = Data.Items.At(i);
        CurItem = rec;
        rec->Done = CheckDone(now, rec->Last, rec->Freq, rec->Ends, rec->Count);
        if (!rec->Done && InGroupView(*rec, slot, number))
            ++UndoneCount;
        pump.Run();
    }
    busy.Restore();
    SetItemCountLabel();
    RepaintEntries();
}

void TMainForm::MenuResetEntryCountersClick()
{
    const CommandGuard::Command command(commands_);
    if (!command)
        return;
    if (!Dlg.Confirm(QStringLiteral("This will reset all the entry counters in the \"") + ShownGroup() +
                     QStringLiteral("\" group to zero.\n\nAre you sure you want to continue?")))
        return;
    for (int row = 0, rows = EntriesList->Count(); row < rows; ++row)
        EntriesList->RecAt(row)->Count = 0;
    const int focused = FocusedRow();
    SelectOneItem(focused >= 0 ? focused : 0);
}

}  // namespace kelpo
