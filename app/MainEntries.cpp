// The item list and the editors of the current item on the Entries tab:
// drawing, row lookup, selection, loading the current item, the field
// editors, and taking rows out of the list.
#include "Main.h"

#include <QAction>
#include <QComboBox>
#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QPainter>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionFocusRect>
#include <QStyleOptionViewItem>

#include <algorithm>
#include <cmath>

#include "Due.h"
#include "ItemDates.h"
#include "ItemListModel.h"
#include "LongTextEdit.h"
#include "MainHelpers.h"
#include "WholeNumber.h"

namespace kelpo {

namespace {

// Where an end date stands against today.
enum class EndState { Running, LastDay, Ended };

EndState ClassifyEnds(double ends, double today)
{
    return today > ends ? EndState::Ended : today == ends ? EndState::LastDay : EndState::Running;
}

// The name as it fits into `width` pixels, with "..." where it is cut. Only
// a start of the name is measured (256 characters, or one for each pixel of
// the row, far more than a row shows), so that a name of megabytes costs no
// more than a short one.
QString ElidedName(const QFontMetrics &metrics, const QString &name, int width)
{
    qsizetype most = std::max(256, width);
    if (name.size() <= most)
        return metrics.elidedText(name, Qt::ElideRight, width);
    if (name.at(most - 1).isHighSurrogate())
        --most;
    return metrics.elidedText(name.left(most) + QChar(0x2026), Qt::ElideRight, width);
}

}  // namespace

Glyph TMainForm::RowGlyph(const Rec &rec) const
{
    return ChooseRowGlyph(rec, std::floor(Now()));
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
        // The name starts a few pixels after the picture, so that the two
        // never touch.
        constexpr int textLeft = 2 + GlyphSize + 4;
        const QRect text(r.left() + textLeft, r.top(), r.width() - textLeft, r.height());
        p.setFont(option.font);
        p.setPen(option.palette.color(colours, selected ? QPalette::HighlightedText : QPalette::Text));
        p.drawText(text, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                   ElidedName(option.fontMetrics, rec->Name, text.width()));
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

std::vector<Rec *> TMainForm::SelectedItems() const
{
    std::vector<Rec *> recs;
    for (int row : SelectedRows())
        recs.push_back(EntriesList->RecAt(row));
    return recs;
}

std::vector<int> TMainForm::RowsOf(const std::vector<Rec *> &recs) const
{
    std::vector<int> rows;
    rows.reserve(recs.size());
    for (const Rec *rec : recs) {
        const int row = EntriesList->RowOf(rec);
        if (row >= 0)
            rows.push_back(row);
    }
    std::sort(rows.begin(), rows.end());
    return rows;
}

void TMainForm::TakeRows(std::vector<int> rows)
{
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    rows.erase(std::remove_if(rows.begin(), rows.end(), [this](int r) { return r < 0 || r >= EntriesList->Count(); }),
               rows.end());
    if (rows.empty())
        return;
    const auto gone = [&rows](int row) { return std::binary_search(rows.begin(), rows.end(), row); };
    // Where a remaining row lands: every row taken out before it moves it up.
    const auto landing = [&rows](int row) {
        return row - int(std::lower_bound(rows.begin(), rows.end(), row) - rows.begin());
    };
    for (int row : rows) {
        if (!EntriesList->RecAt(row)->Done)
            --UndoneCount;
    }
    std::vector<int> kept;
    for (int row : SelectedRows()) {
        if (!gone(row))
            kept.push_back(landing(row));
    }
    const int focused = FocusedRow();
    const bool focusGone = focused >= 0 && gone(focused);
    int focus = focused >= 0 ? landing(focused) : -1;
    {
        CountScope selecting(selecting_);
        EntriesList->RemoveRows(rows);
        focus = std::min(focus, EntriesList->Count() - 1);
        QItemSelection selection;
        for (size_t i = 0; i < kept.size();) {
            size_t j = i;
            while (j + 1 < kept.size() && kept[j + 1] == kept[j] + 1)
                ++j;
            selection.select(EntriesList->index(kept[i]), EntriesList->index(kept[j]));
            i = j + 1;
        }
        // The row that took the focused row's place shows which item the
        // editors hold when nothing else is selected.
        if (focusGone && selection.isEmpty() && focus >= 0)
            selection.select(EntriesList->index(focus), EntriesList->index(focus));
        QItemSelectionModel *model = Entries->selectionModel();
        model->select(selection, QItemSelectionModel::ClearAndSelect);
        if (focus >= 0)
            model->setCurrentIndex(EntriesList->index(focus), QItemSelectionModel::NoUpdate);
        else
            model->clearCurrentIndex();
    }
    SetItemCountLabel();
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
            ShowAddress(QString());
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
        ShowAddress(rec.Site);
        Last->setText(Fmt.FormatDateTime(rec.Last));
        ShowEndDate(rec.Ends);
        Freq->setCurrentIndex(rec.Freq >= 0 && rec.Freq < RepeatKindCount ? rec.Freq : -1);
        NumEntries->setText(QString::number(rec.Count));
        // The item keeps CR LF between lines; the memo shows line breaks.
        Comments->SetText(rec.Comments);
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

// The address edit holds at most its maximum length (32767 characters): a
// longer address, which only a link handed to the program can bring (a drop
// or another start), is shown in part and cannot be edited there, so that
// no edit ever stores the cut one.
void TMainForm::ShowAddress(const QString &site)
{
    const bool tooLong = site.size() > Url->maxLength();
    Url->setReadOnly(tooLong);
    Url->setToolTip(tooLong ? QStringLiteral("This address is too long to edit here (%1 characters); it is kept whole.")
                                  .arg(site.size())
                            : QString());
    Url->setText(site);
}

// The picker shows an end date; one it cannot show shows today.
void TMainForm::ShowEndDate(double ends)
{
    const QDate date = DateOfDayNumber(ends);
    EndDate->setDate(date.isValid() ? date : Clk.Now().date());
}

void TMainForm::LastChange()
{
    const CommandGuard::Command command(commands_, CommandGuard::Access::Reads);
    if (!command)
        return;
    const QString text = Last->text();
    Rec *edited = text.isEmpty() ? nullptr : EditedItem();
    if (!edited)
        return;
    Rec &rec = *edited;
    double when = 0;
    if (!Fmt.ParseDateTime(text, &when) || !IsShowableDay(when)) {
        // The item keeps its date; the edit shows it again.
        Dlg.Error(QStringLiteral("Invalid Date or Time"));
        FlagScope loading(Loading);
        Last->setText(Fmt.FormatDateTime(rec.Last));
        return;
    }
    rec.Last = when;
    rec.Done = CheckDone(Now(), rec.Last, rec.Freq, rec.Ends, rec.Count);
    RepaintEntries();
}

void TMainForm::EndDateChange()
{
    const CommandGuard::Command command(commands_, CommandGuard::Access::Reads);
    if (!command)
        return;
    Rec *edited = EditedItem();
    if (!edited)
        return;
    Rec &rec = *edited;
    const double today = std::floor(Now());
    const EndState before = ClassifyEnds(rec.Ends, today);
    const double ends = WholeDay(ToDayNumber(EndDate->date()));
    if (std::isnan(ends)) {
        Dlg.Error(QStringLiteral("Invalid End Date"));
        FlagScope loading(Loading);
        ShowEndDate(rec.Ends);
        return;
    }
    rec.Ends = ends;
    // Done is left as it is until the next due test; only the picture may change.
    if (ClassifyEnds(rec.Ends, today) != before)
        RepaintEntries();
}

void TMainForm::FreqChange()
{
    const CommandGuard::Command command(commands_, CommandGuard::Access::Reads);
    if (!command)
        return;
    Rec *edited = EditedItem();
    if (!edited)
        return;
    Rec &rec = *edited;
    rec.Freq = Freq->currentIndex();
    rec.Done = CheckDone(Now(), rec.Last, rec.Freq, rec.Ends, rec.Count);
    RepaintEntries();
}

void TMainForm::NumEntriesChange()
{
    const CommandGuard::Command command(commands_, CommandGuard::Access::Reads);
    if (!command)
        return;
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
