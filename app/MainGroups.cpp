// Groups: the group box and its rows, the "Groups" submenu, the group view,
// and the group commands (add, rename, delete, join, remove, move to Trash).
#include "Main.h"

#include <QAction>
#include <QComboBox>
#include <QListView>
#include <QMenu>

#include <algorithm>

#include "ItemListModel.h"
#include "MainHelpers.h"

namespace kelpo {

namespace {

// What a group box row stands for (see AddGroupListRow).
constexpr int KindRole = Qt::UserRole;
constexpr int NumberRole = Qt::UserRole + 1;
constexpr int AllItemsKind = 0;
constexpr int TrashKind = -1;
constexpr int GroupKind = 1;

QString MenuCaption(const QString &name)
{
    QString caption = name;
    caption.replace(QLatin1Char('&'), QStringLiteral("&&"));  // no accelerator marks
    return caption;
}

// Why `name` cannot name a group, or "" when it can. A name equal to a fixed
// row's in any letter case would stand beside that row in the group box and
// be mistaken for it, so it is refused like a taken name.
QString GroupNameRefusal(const Model &data, const QString &name)
{
    if (data.FindGroup(name) > 0)
        return QStringLiteral("The ") + name + QStringLiteral(" group already exists.");
    const int fixed = FixedRowKind(name);
    if (fixed <= 0)
        return QStringLiteral("Kelpo already has a \"%1\" group of its own.\n"
                              "Please choose another name for the group.")
            .arg(fixed == 0 ? AllItemsRow : TrashRow);
    return QString();
}

// "All Items" and the Trash are no groups of the table: they can be neither
// renamed nor deleted. Says so and returns true for them.
bool RefuseFixedGroup(Dialogs &dialogs, int slot, const char *command)
{
    if (slot > 0)
        return false;
    dialogs.Error(QStringLiteral("You can not %1 the %2 group.")
                      .arg(QLatin1String(command), slot == 0 ? AllItemsRow : TrashRow));
    return true;
}

const QString TrashQuestion = QStringLiteral(
    "Moving an item to the Trash will remove it from the All Items group and all other groups.\n"
    "You will still be able to use the item from the Trash or later move it back to another group.\n\n"
    "Are you sure you want to do this?");

}  // namespace

QString TMainForm::ShownGroup() const
{
    return GroupList->currentText();
}

int TMainForm::ShownSlot() const
{
    const int kind = GroupList->currentData(KindRole).toInt();
    if (kind != GroupKind)
        return kind;
    return Data.SlotOfNumber(GroupList->currentData(NumberRole).toInt());
}

void TMainForm::ShowGroupRow(int slot)
{
    // Found by what the row stands for, not by its text: a group from an old
    // file may be called like a fixed row.
    const int row = slot > 0 ? GroupList->findData(Data.GroupTable[size_t(slot)].GroupNumber, NumberRole)
                             : GroupList->findData(slot, KindRole);
    if (row >= 0)
        GroupList->setCurrentIndex(row);
}

void TMainForm::GroupListChange()
{
    const CommandGuard::Command command(commands_);
    if (!command) {
        // The list keeps its group: the box shows that group again.
        const int row = listedKind_ == GroupKind ? GroupList->findData(listedNumber_, NumberRole)
                                                 : GroupList->findData(listedKind_, KindRole);
        if (row >= 0)
            GroupList->setCurrentIndex(row);
        return;
    }
    FillEntries();
    EntriesClick();
}

// Lists the items of the shown group, counts the due ones and focuses the
// first row.
void TMainForm::FillEntries()
{
    const int slot = ShownSlot();
    const int number = slot > 0 ? Data.GroupTable[size_t(slot)].GroupNumber : 0;
    listedKind_ = slot > 0 ? GroupKind : slot;
    listedNumber_ = number;
    UndoneCount = 0;
    std::vector<Rec *> shown;
    shown.reserve(size_t(Data.Items.Count()));
    for (int i = 0, n = Data.Items.Count(); i < n; ++i) {
        Rec *rec = Data.Items.At(i);
        if (!InGroupView(*rec, slot, number))
            continue;
        shown.push_back(rec);
        if (!rec->Done)
            ++UndoneCount;
    }
    {
        CountScope selecting(selecting_);
        EntriesList->Fill(std::move(shown));
        SetItemCountLabel();
        if (EntriesList->Count() > 0)
            Entries->selectionModel()->setCurrentIndex(EntriesList->index(0), QItemSelectionModel::ClearAndSelect);
    }
}

void TMainForm::AddGroupListRow(const QString &name, int kind, int groupNumber)
{
    int row = 0;
    while (row < GroupList->count() && !NameBefore(name, GroupList->itemText(row)))
        ++row;
    GroupList->insertItem(row, name);
    GroupList->setItemData(row, kind, KindRole);
    if (kind == GroupKind)
        GroupList->setItemData(row, groupNumber, NumberRole);
}

QAction *TMainForm::AddGroupMenuItem(int slot)
{
    GroupData &g = Data.GroupTable[size_t(slot)];
    QAction *entry = MenuGroups->addAction(MenuCaption(g.GroupName));
    entry->setData(g.GroupName);
    connect(entry, &QAction::triggered, this, [this, entry] { MenuGroupSelectClick(entry); });
    groupMenuEntries_[size_t(slot)] = entry;
    return entry;
}

QAction *TMainForm::GroupMenuEntry(int slot) const
{
    return slot >= 1 && slot <= Data.NumGroups ? groupMenuEntries_[size_t(slot)] : nullptr;
}

void TMainForm::FillGroupList()
{
    GroupList->clear();
    AddGroupListRow(AllItemsRow, AllItemsKind);
    AddGroupListRow(TrashRow, TrashKind);
    std::vector<int> order;
    for (int slot = 1; slot <= Data.NumGroups; ++slot) {
        const GroupData &g = Data.GroupTable[size_t(slot)];
        AddGroupListRow(g.GroupName, GroupKind, g.GroupNumber);
        order.push_back(slot);
    }
    GroupList->setCurrentIndex(GroupList->findData(AllItemsKind, KindRole));

    // The submenu's group entries follow the group box's order.
    const QList<QAction *> old = MenuGroups->actions();
    for (QAction *a : old)
        if (a != MenuRemove && a != MenuTrash)
            delete a;
    groupMenuEntries_.fill(nullptr);
    std::stable_sort(order.begin(), order.end(), [this](int a, int b) {
        return NameBefore(Data.GroupTable[size_t(a)].GroupName, Data.GroupTable[size_t(b)].GroupName);
    });
    for (int slot : order)
        AddGroupMenuItem(slot);
}

bool TMainForm::GroupTableFull()
{
    if (Data.NumGroups < MaxGroups)
        return false;
    Dlg.Error(QStringLiteral("Kelpo can hold no more than %1 groups.\n"
                             "Please delete a group you no longer need before adding a new one.")
                  .arg(MaxGroups));
    return true;
}

int TMainForm::CreateNewGroup(const QString &name)
{
    if (GroupTableFull())
        return 0;
    // The smallest positive number no group has. With at most 150 groups in
    // use one of 1 to 151 is always free.
    std::array<bool, MaxGroups + 2> taken{};
    for (int slot = 1; slot <= Data.NumGroups; ++slot) {
        const int n = Data.GroupTable[size_t(slot)].GroupNumber;
        if (n >= 1 && n <= MaxGroups + 1)
            taken[size_t(n)] = true;
    }
    int number = 1;
    while (taken[size_t(number)])
        ++number;
    const int slot = ++Data.NumGroups;
    Data.GroupTable[size_t(slot)] = GroupData{name, number};
    AddGroupListRow(name, GroupKind, number);
    AddGroupMenuItem(slot);
    return slot;
}

void TMainForm::MenuAddNewGroupClick()
{
    const CommandGuard::Command command(commands_);
    if (!command)
        return;
    // Say so before the user types a name that cannot be used.
    if (GroupTableFull())
        return;
    const QString name = OneLineName(Dlg.AskBoxed(QStringLiteral("Add New Group"),
                                                  QStringLiteral("What would you like to call the new Group?"),
                                                  QString()));
    if (name.isEmpty())
        return;
    const QString refusal = GroupNameRefusal(Data, name);
    if (!refusal.isEmpty()) {
        Dlg.Error(refusal);
        return;
    }
    CreateNewGroup(name);
}

void TMainForm::MenuRenameGroupClick()
{
    const CommandGuard::Command command(commands_);
    if (!command)
        return;
    const int slot = ShownSlot();
    if (RefuseFixedGroup(Dlg, slot, "rename"))
        return;
    GroupData &g = Data.GroupTable[size_t(slot)];
    const QString old = g.GroupName;
    const QString name = OneLineName(Dlg.AskBoxed(
        QStringLiteral("Rename Group"), QStringLiteral("What would you like to rename \"") + old + QStringLiteral("\" to?"),
        old));
    if (name.isEmpty() || name == old)
        return;
    // The group itself counts as well: a change of letter case only is refused.
    const QString refusal = GroupNameRefusal(Data, name);
    if (!refusal.isEmpty()) {
        Dlg.Error(refusal);
        return;
    }
    g.GroupName = name;
    // The row keeps its place until the group box is next filled.
    GroupList->setItemText(GroupList->currentIndex(), name);
    if (QAction *entry = groupMenuEntries_[size_t(slot)]) {
        entry->setText(MenuCaption(name));
        entry->setData(name);
    }
}

void TMainForm::MenuDeleteGroupClick()
{
    const CommandGuard::Command command(commands_);
    if (!command)
        return;
    const int slot = ShownSlot();
    if (RefuseFixedGroup(Dlg, slot, "delete"))
        return;
    const GroupData g = Data.GroupTable[size_t(slot)];
    if (!Dlg.Confirm(QStringLiteral("Are you sure you want to delete the \"") + g.GroupName +
                     QStringLiteral("\" group?")))
        return;
    // Every trace of the number goes, so that a group that later gets the
    // number does not inherit members.
    for (int i = 0, n = Data.Items.Count(); i < n; ++i) {
        QString &group = Data.Items.At(i)->Group;
        while (InGroup(group, g.GroupNumber))
            RemoveFromGroup(group, g.GroupNumber);
    }
    GroupList->removeItem(GroupList->currentIndex());
    delete groupMenuEntries_[size_t(slot)];
    for (int k = slot; k < Data.NumGroups; ++k) {
        Data.GroupTable[size_t(k)] = Data.GroupTable[size_t(k + 1)];
        groupMenuEntries_[size_t(k)] = groupMenuEntries_[size_t(k + 1)];
    }
    Data.GroupTable[size_t(Data.NumGroups)] = GroupData{};
    groupMenuEntries_[size_t(Data.NumGroups)] = nullptr;
    --Data.NumGroups;
    GroupList->setCurrentIndex(GroupList->findData(AllItemsKind, KindRole));
    GroupListChange();
}

void TMainForm::MenuGroupSelectClick(QAction *sender)
{
    const CommandGuard::Command command(commands_);
    if (!command)
        return;
    if (!sender || SelectedRows().isEmpty())
        return;
    // The entry itself tells the command, not its caption: a group that is
    // called "Remove" is joined like any other.
    if (sender == MenuRemove) {
        RemoveFromShownGroup();
        return;
    }
    for (int slot = 1; slot <= Data.NumGroups; ++slot) {
        if (groupMenuEntries_[size_t(slot)] == sender) {
            JoinGroup(slot);
            return;
        }
    }
}

void TMainForm::RemoveFromShownGroup()
{
    const int shown = ShownSlot();
    if (shown != 0) {
        const int number = shown < 0 ? -1 : Data.GroupTable[size_t(shown)].GroupNumber;
        std::vector<int> out;
        for (int row : SelectedRows()) {
            Rec &rec = *EntriesList->RecAt(row);
            if (!InGroup(rec.Group, number))
                continue;
            // Out of the Trash the text becomes a single comma: in no group.
            RemoveFromGroup(rec.Group, number);
            out.push_back(row);
        }
        TakeRows(out);
    }
    EntriesClick();
}

// Puts the selected items into the group of `slot`: with "All Items" shown
// they are added to it, otherwise moved there from the shown group or the
// Trash.
void TMainForm::JoinGroup(int slot)
{
    const int target = Data.GroupTable[size_t(slot)].GroupNumber;
    const QString targetName = Data.GroupTable[size_t(slot)].GroupName;
    const int shown = ShownSlot();
    const int shownNumber = shown < 0 ? -1 : shown > 0 ? Data.GroupTable[size_t(shown)].GroupNumber : 0;
    std::vector<Rec *> moved;
    // The records are taken first: an information box lets other events in.
    for (Rec *rec : SelectedItems()) {
        if (InGroup(rec->Group, target)) {
            Dlg.Information(rec->Name + QStringLiteral(" is already in the ") + targetName + QStringLiteral(" group."));
            continue;
        }
        AddToGroup(rec->Group, target);
        if (shown != 0 && InGroup(rec->Group, shownNumber)) {
            RemoveFromGroup(rec->Group, shownNumber);
            moved.push_back(rec);
        }
    }
    TakeRows(RowsOf(moved));
    EntriesClick();
}

void TMainForm::MenuTrashClick()
{
    const CommandGuard::Command command(commands_);
    if (!command)
        return;
    if (ShownSlot() < 0)
        return;
    const std::vector<Rec *> selected = SelectedItems();
    if (selected.empty() || !Dlg.Confirm(TrashQuestion))
        return;
    for (Rec *rec : selected)
        MoveToTrash(rec->Group);
    TakeRows(RowsOf(selected));
    EntriesClick();
}

void TMainForm::DelButMouseDown(Qt::MouseButton button)
{
    if (button == Qt::RightButton)
        MenuTrashClick();
}

}  // namespace kelpo
