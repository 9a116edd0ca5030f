// The item list and the editors of the current item on the Entries tab, and
// the group box as far as the list needs it (filling the list for a group).
#include "Main.h"

#include <QAction>
#include <QComboBox>
#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionFocusRect>
#include <QStyleOptionViewItem>

#include <algorithm>
#include <cmath>

#include "Due.h"
#include "ItemListModel.h"
#include "WholeNumber.h"

namespace kelpo {

namespace {

const QString AllItems = QStringLiteral("All Items");
const QString TrashRow = QStringLiteral("Trash");

// Sets a flag for the life of a scope, so that the change events which the
// program's own writes cause are ignored, whatever way the scope is left.
class FlagScope {
public:
    explicit FlagScope(bool &flag) : flag_(flag) { flag_ = true; }
    ~FlagScope() { flag_ = false; }
    FlagScope(const FlagScope &) = delete;
    FlagScope &operator=(const FlagScope &) = delete;

private:
    bool &flag_;
};

class CountScope {
public:
    explicit CountScope(int &count) : count_(count) { ++count_; }
    ~CountScope() { --count_; }
    CountScope(const CountScope &) = delete;
    CountScope &operator=(const CountScope &) = delete;

private:
    int &count_;
};

// Where an end date stands against today; Unknown for a text that is not a date.
enum class EndState { Unknown, Running, LastDay, Ended };

EndState ClassifyEnds(const Formats &formats, const QString &ends, double today)
{
    double e = 0;
    if (!formats.ParseDate(ends, &e))
        return EndState::Unknown;
    return today > e ? EndState::Ended : today == e ? EndState::LastDay : EndState::Running;
}

QDate ToDate(const Formats &formats, const QString &text)
{
    double d = 0;
    return formats.ParseDate(text, &d) ? DateOfDayNumber(d) : QDate();
}

}  // namespace

Glyph TMainForm::RowGlyph(const Rec &rec) const
{
    return ChooseRowGlyph(rec, Fmt, std::floor(Now()));
}

void TMainForm::EntriesDrawItem(QPainter &p, const QStyleOptionViewItem &option, int row)
{
    if (!ListDrawEnabled)
        return;
    const QStyle::State state = option.state;
    const bool selected = state & QStyle::State_Selected;
    const QPalette::ColorGroup colours = !(state & QStyle::State_Enabled) ? QPalette::Disabled
                                         : (state & QStyle::State_Active) ? QPalette::Active
                                                                          : QPalette::Inactive;
    const QRect r = option.rect;
    p.fillRect(r, option.palette.brush(colours, selected ? QPalette::Highlight : QPalette::Base));
    const Rec *rec = EntriesList->RecAt(row);
    if (rec) {
        PaintGlyph(p, QRectF(r.left() + 2, r.top(), GlyphSize, GlyphSize), RowGlyph(*rec));
        const QRect text(r.left() + GlyphSize + 2, r.top(), r.width() - GlyphSize - 2, r.height());
        p.setFont(option.font);
        p.setPen(option.palette.color(colours, selected ? QPalette::HighlightedText : QPalette::Text));
        p.drawText(text, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                   option.fontMetrics.elidedText(rec->Name, Qt::ElideRight, text.width()));
    }
    if (state & QStyle::State_HasFocus) {
        QStyleOptionFocusRect focus;
        focus.QStyleOption::operator=(option);
        focus.rect = r;
        focus.backgroundColor = option.palette.color(colours, selected ? QPalette::Highlight : QPalette::Base);
        Entries->style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, &p, Entries);
    }
}

int TMainForm::FindItem(int row)
{
    Rec *rec = EntriesList->RecAt(row);
    if (!rec)
        return 0;
    // IndexOf only compares the pointer: a record that is gone is never read.
    const int at = Data.Items.IndexOf(rec);
    if (at < 0)
        return -1;
    CurItem = rec;
    return at;
}

int TMainForm::FocusedRow() const
{
    const QModelIndex current = Entries->currentIndex();
    return current.isValid() ? current.row() : -1;
}

QList<int> TMainForm::SelectedRows() const
{
    QList<int> rows;
    for (const QItemSelectionRange &range : Entries->selectionModel()->selection())
        for (int row = range.top(); row <= range.bottom(); ++row)
            rows.append(row);
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    return rows;
}

void TMainForm::SetItemCountLabel()
{
    Label1->setText(QStringLiteral("Items: (%1/%2)").arg(UndoneCount).arg(EntriesList->Count()));
}

void TMainForm::RepaintEntries()
{
    Entries->viewport()->update();
}

void TMainForm::EntriesClick()
{
    const int row = FocusedRow();
    if (row < 0 || FindItem(row) < 0) {
        {
            FlagScope loading(Loading);
            Url->clear();
            Last->clear();
            EndDate->setDate(Clk.Now().date());
            Freq->setCurrentIndex(-1);
            NumEntries->clear();
            Comments->clear();
        }
        SetStatusText(QString());
        return;
    }
    const Rec &rec = *CurItem;
    {
        FlagScope loading(Loading);
        Url->setText(rec.Site);
        Last->setText(rec.Last);
        ShowEndDate(rec.Ends);
        Freq->setCurrentIndex(rec.Freq >= 0 && rec.Freq < RepeatKindCount ? rec.Freq : -1);
        NumEntries->setText(QString::number(rec.Count));
        Comments->setPlainText(rec.Comments);
        TypeItIn->setIcon(rec.Keys.isEmpty() ? keyboardIcon_ : keyGrnIcon_);
    }
    QString status;
    for (int slot = 1; slot <= Data.NumGroups; ++slot) {
        const GroupData &g = Data.GroupTable[size_t(slot)];
        if (InGroup(rec.Group, g.GroupNumber))
            status += (status.isEmpty() ? QStringLiteral("Groups: ") : QStringLiteral(", ")) + g.GroupName;
    }
    SetStatusText(status.isEmpty() ? QStringLiteral("Groups: None") : status);
}

void TMainForm::SelectOneItem(int row)
{
    {
        CountScope selecting(selecting_);
        ListDrawEnabled = false;
        Entries->clearSelection();
        ListDrawEnabled = true;
        if (row < 0 || row >= EntriesList->Count()) {
            // No such row: the selection step ends quietly.
            Entries->setFocus();
            return;
        }
        const QModelIndex at = EntriesList->index(row);
        Entries->selectionModel()->setCurrentIndex(at, QItemSelectionModel::ClearAndSelect);
        Entries->scrollTo(at);
    }
    EntriesClick();
    Entries->setFocus();
}

// The item a field editor changes: the focused row's, made CurItem; none
// while the program itself fills the editors or when no row has the focus.
Rec *TMainForm::EditedItem()
{
    const int row = FocusedRow();
    if (row < 0 || Loading || FindItem(row) < 0)
        return nullptr;
    return CurItem;
}

// The picker shows an end date; one that is not a date (only a damaged file
// has one) shows today.
void TMainForm::ShowEndDate(const QString &ends)
{
    const QDate date = ToDate(Fmt, ends);
    EndDate->setDate(date.isValid() ? date : Clk.Now().date());
}

void TMainForm::LastChange()
{
    const QString text = Last->text();
    Rec *edited = text.isEmpty() ? nullptr : EditedItem();
    if (!edited)
        return;
    Rec &rec = *edited;
    double when = 0;
    DueResult due;
    if (Fmt.ParseDateTime(text, &when))
        due = CheckDone(Fmt, Now(), text, rec.Freq, rec.Ends, rec.Count);
    if (!due.ok) {
        // The item keeps its stored text; the edit shows it again.
        Dlg.Error(QStringLiteral("Invalid Date or Time"));
        FlagScope loading(Loading);
        Last->setText(rec.Last);
        return;
    }
    rec.Last = text;
    rec.Done = due.done;
    RepaintEntries();
}

void TMainForm::EndDateChange()
{
    Rec *edited = EditedItem();
    if (!edited)
        return;
    Rec &rec = *edited;
    const double today = std::floor(Now());
    const EndState before = ClassifyEnds(Fmt, rec.Ends, today);
    const QString ends = Fmt.FormatDate(EndDate->date());
    if (ends.isEmpty()) {
        Dlg.Error(QStringLiteral("Invalid End Date"));
        FlagScope loading(Loading);
        ShowEndDate(rec.Ends);
        return;
    }
    rec.Ends = ends;
    // Done is left as it is until the next due test; only the picture may change.
    if (ClassifyEnds(Fmt, rec.Ends, today) != before)
        RepaintEntries();
}

void TMainForm::FreqChange()
{
    Rec *edited = EditedItem();
    if (!edited)
        return;
    Rec &rec = *edited;
    rec.Freq = Freq->currentIndex();
    const DueResult due = CheckDone(Fmt, Now(), rec.Last, rec.Freq, rec.Ends, rec.Count);
    if (due.ok)
        rec.Done = due.done;
    else
        Dlg.Error(due.error);
    RepaintEntries();
}

void TMainForm::NumEntriesChange()
{
    Rec *edited = EditedItem();
    if (!edited)
        return;
    const WholeNumber n = ReadWholeNumber(NumEntries->text());
    edited->Count = n.value;
    if (n.valid)
        return;
    Dlg.Error(QStringLiteral("Invalid value for\n\"Number of entries\""));
    FlagScope loading(Loading);
    NumEntries->setText(QString::number(edited->Count));
}

QString TMainForm::ShownGroup() const
{
    return GroupList->currentText();
}

void TMainForm::GroupListChange()
{
    FillEntries();
    EntriesClick();
}

// Lists the items of the shown group, counts the due ones and focuses the
// first row.
void TMainForm::FillEntries()
{
    const int slot = Data.FindGroup(ShownGroup());
    const int number = slot > 0 ? Data.GroupTable[size_t(slot)].GroupNumber : 0;
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

void TMainForm::AddGroupListRow(const QString &name)
{
    int row = 0;
    while (row < GroupList->count() && !NameBefore(name, GroupList->itemText(row)))
        ++row;
    GroupList->insertItem(row, name);
}

QAction *TMainForm::AddGroupMenuItem(int slot)
{
    GroupData &g = Data.GroupTable[size_t(slot)];
    QString caption = g.GroupName;
    caption.replace(QLatin1Char('&'), QStringLiteral("&&"));  // no accelerator marks
    QAction *entry = MenuGroups->addAction(caption);
    entry->setData(g.GroupName);
    connect(entry, &QAction::triggered, this, [this, entry] { MenuGroupSelectClick(entry); });
    g.GroupMenuItem = entry;
    return entry;
}

void TMainForm::FillGroupList()
{
    GroupList->clear();
    AddGroupListRow(AllItems);
    AddGroupListRow(TrashRow);
    std::vector<int> order;
    for (int slot = 1; slot <= Data.NumGroups; ++slot) {
        AddGroupListRow(Data.GroupTable[size_t(slot)].GroupName);
        order.push_back(slot);
    }
    GroupList->setCurrentIndex(GroupList->findText(AllItems, Qt::MatchExactly | Qt::MatchCaseSensitive));

    // The submenu's group entries follow the group box's order.
    const QList<QAction *> old = MenuGroups->actions();
    for (QAction *a : old)
        if (a != MenuRemove && a != MenuTrash)
            delete a;
    std::stable_sort(order.begin(), order.end(), [this](int a, int b) {
        return NameBefore(Data.GroupTable[size_t(a)].GroupName, Data.GroupTable[size_t(b)].GroupName);
    });
    for (int slot : order)
        AddGroupMenuItem(slot);
}

// After the data file is read: the group box and the "Groups" submenu, the
// list for "All Items", and with items there the window, Update and Next.
void TMainForm::ShowLoadedData()
{
    FillGroupList();
    // The editors and the status bar keep their first texts until a row is loaded.
    FillEntries();
    if (EntriesList->Count() == 0)
        return;
    show();
    SelectOneItem(0);
    MenuUpdateClick();
    NextButClick();
}

}  // namespace kelpo
