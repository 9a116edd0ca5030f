// The item commands: New, Delete, Rename, Copy and Find, and the two editors
// that write straight into the current item (web address and comments).
#include "Main.h"

#include <QLineEdit>
#include <QListView>
#include <QSet>

#include <algorithm>
#include <cmath>

#include "ItemDates.h"
#include "ItemListModel.h"
#include "LongTextEdit.h"
#include "MainHelpers.h"

namespace kelpo {

namespace {

const QString NameExists = QStringLiteral("This name already exists...");

// Whole texts equal with the letters a to z compared without regard to case.
bool SameAddress(const QString &a, const QString &b)
{
    if (a.size() != b.size())
        return false;
    const auto fold = [](char16_t c) { return c >= u'a' && c <= u'z' ? char16_t(c - (u'a' - u'A')) : c; };
    for (qsizetype i = 0, n = a.size(); i < n; ++i) {
        if (fold(a.at(i).unicode()) != fold(b.at(i).unicode()))
            return false;
    }
    return true;
}

}  // namespace

// Asks again under "This name already exists..." while another item has the
// name (letters a to z compared without regard to case).
bool TMainForm::KeepNameFree(const QString &prompt, QString *name)
{
    *name = OneLineName(*name);
    while (Data.FindEntry(*name)) {
        if (!Dlg.Ask(NameExists, prompt, name))
            return false;
        *name = OneLineName(*name);
    }
    return true;
}

void TMainForm::ListNewItem(std::unique_ptr<Rec> rec)
{
    CurItem = Data.Items.Append(std::move(rec));
    if (!CurItem->Done)
        ++UndoneCount;
    const int row = EntriesList->Insert(CurItem);
    SetItemCountLabel();
    SelectOneItem(row);
}

void TMainForm::CreateNewItem(const QString &url, const QString &title)
{
    const CommandGuard::Command command(commands_);
    if (!command)
        return;
    if (!url.isEmpty()) {
        // One pass counts the items with this address; the question comes
        // once for each of them.
        int same = 0;
        for (int i = 0, n = Data.Items.Count(); i < n; ++i)
            same += SameAddress(Data.Items.At(i)->Site, url);
        for (int i = 0; i < same; ++i) {
            if (!Dlg.Confirm(QStringLiteral("There is already an item with this URL:\n") + url +
                             QStringLiteral("\nName: ") + title +
                             QStringLiteral("\n\nDo you want to add the item anyway?")))
                return;
        }
    }
    const QString prompt = QStringLiteral("What would you like to call the new entry?");
    QString name = title;
    if (!Dlg.Ask(QStringLiteral("Add new entry"), prompt, &name) || !KeepNameFree(prompt, &name))
        return;

    const double now = Now();
    const double today = std::floor(now);
    auto rec = std::make_unique<Rec>();
    rec->Done = true;  // until the next due test
    rec->Name = name;
    rec->Site = url;
    // A year back, at the current time of day as the editor shows it.
    rec->Last = today - 365 + (AsShown(Fmt, now) - today);
    rec->Ends = today + 182;
    rec->Freq = 0;
    rec->Count = 0;
    // A new item belongs to the shown group; under "All Items" or the Trash
    // it belongs to none.
    const int slot = ShownSlot();
    if (slot > 0)
        AddToGroup(rec->Group, Data.GroupTable[size_t(slot)].GroupNumber);
    ListNewItem(std::move(rec));
}

void TMainForm::NewButClick()
{
    CreateNewItem(QString(), QString());
}

void TMainForm::DeleteItems(const std::vector<Rec *> &doomed)
{
    if (doomed.empty())
        return;
    const QSet<const Rec *> gone(doomed.begin(), doomed.end());
    // The rows point at the records: they go first.
    TakeRows(RowsOf(doomed));
    if (gone.contains(CurItem))
        CurItem = nullptr;
    Data.Items.RemoveIf([&gone](const Rec &rec) { return gone.contains(&rec); });
}

void TMainForm::DelButClick()
{
    const CommandGuard::Command command(commands_);
    if (!command)
        return;
    const std::vector<Rec *> selected = SelectedItems();
    if (!selected.empty()) {
        const int remembered = FocusedRow();
        // Every selected item is asked about; the answers are carried out
        // together at the end, so no record goes while a box is open.
        std::vector<Rec *> doomed;
        for (Rec *rec : selected) {
            if (Dlg.Question(QStringLiteral("Are you sure you want to delete the \"") + rec->Name +
                             QStringLiteral("\" entry?\n\nNote: This will DELETE the item completely!")))
                doomed.push_back(rec);
        }
        DeleteItems(doomed);
        const int rows = EntriesList->Count();
        if (rows == 0)
            EntriesClick();  // no row: the editors show nothing
        else
            SelectOneItem(remembered >= 0 && remembered < rows ? remembered : rows - 1);
    }
    Entries->setFocus();
}

void TMainForm::MenuRenameItemClick()
{
    const CommandGuard::Command command(commands_);
    if (!command)
        return;
    const int focused = FocusedRow();
    if (focused < 0 || FindItem(focused) < 0)
        return;
    Rec *rec = CurItem;
    const QString old = rec->Name;
    const QString name = OneLineName(Dlg.AskBoxed(
        QStringLiteral("Rename entry"), QStringLiteral("What would you like to rename this entry to?"), old));
    if (name.isEmpty() || name == old)
        return;
    // The item itself counts as well: a change of letter case only is refused.
    if (Data.FindEntry(name)) {
        Dlg.Error(QStringLiteral("There is already an item with the ") + name +
                  QStringLiteral(" name.\nPlease choose another name for this item."));
        return;
    }
    const int row = EntriesList->RowOf(rec);  // under the old name
    Data.Items.Rename(rec, name);
    CurItem = rec;
    if (row < 0)
        return;
    const int moved = EntriesList->NameChanged(row);
    CountScope selecting(selecting_);
    Entries->selectionModel()->setCurrentIndex(EntriesList->index(moved), QItemSelectionModel::ClearAndSelect);
    Entries->scrollTo(EntriesList->index(moved));
}

void TMainForm::MenuCopyItemClick()
{
    const CommandGuard::Command command(commands_);
    if (!command)
        return;
    const int focused = FocusedRow();
    if (focused < 0 || FindItem(focused) < 0)
        return;
    const Rec *source = CurItem;
    const QString prompt = QStringLiteral("What would you like to copy this entry to?");
    QString name = source->Name;
    if (!Dlg.Ask(QStringLiteral("Copy entry"), prompt, &name) || !KeepNameFree(prompt, &name))
        return;
    // Every field comes along: state, counter, script, comments and groups.
    auto copy = std::make_unique<Rec>(*source);
    copy->Name = name;
    ListNewItem(std::move(copy));
}

void TMainForm::MenuFindItemClick()
{
    const CommandGuard::Command command(commands_, CommandGuard::Access::Reads);
    if (!command)
        return;
    const QString text =
        Dlg.AskBoxed(QStringLiteral("Find Item"), QStringLiteral("What would you like search for?"), LastFind);
    if (text.isEmpty())
        return;
    // The same text again searches on after the focused row.
    const int start = text == LastFind ? FocusedRow() : 0;
    LastFind = text;
    const QString wanted = FoldName(text);
    const auto matches = [this, &wanted](int row) {
        const Rec *rec = EntriesList->RecAt(row);
        return FoldName(rec->Name).contains(wanted) || FoldName(rec->Comments).contains(wanted);
    };
    const int rows = EntriesList->Count();
    // From the row after the start round to the start itself; without a
    // start, from the first row to the last.
    for (int step = 1; step <= rows; ++step) {
        const int row = start < 0 ? step - 1 : (start + step) % rows;
        if (matches(row)) {
            SelectOneItem(row);
            return;
        }
    }
    Dlg.Information(QStringLiteral("All items have been searched."));
    SelectOneItem(start);
}

void TMainForm::UrlChange()
{
    if (Rec *rec = EditedItem())
        rec->Site = Url->text();
}

void TMainForm::CommentsChange()
{
    Rec *rec = EditedItem();
    if (!rec)
        return;
    Comments->TextInto(&rec->Comments, u"\r\n");
}

}  // namespace kelpo
