#pragma once
// The rows of the item list: the records of the shown group, sorted by name
// the way a sorted list box sorts. A row holds its record's pointer, so a row
// leads to its record at once, and a record finds its row by binary search.
#include <QAbstractListModel>
#include <QStyledItemDelegate>

#include <functional>
#include <vector>

#include "Formats.h"
#include "Glyphs.h"
#include "Model.h"

namespace kelpo {

// The state picture of an item's row on the day `today` (a day number; its
// fraction is ignored). Done items show the check mark, due ones the alarm
// clock (green marks for "Daily" and "Every 24 Hours"); an end date in the
// past shows the cross, a due item on its last day the light bulb.
Glyph ChooseRowGlyph(const Rec &rec, double today);

// What a screen reader says about a row's picture ("due", "done", ...).
QString GlyphMeaning(Glyph glyph);

// Does an item belong to the view of a group-box row? `slot` is the row's
// FindGroup value (0 "All Items", -1 "Trash", else a group slot) and
// `groupNumber` the slot's GroupNumber when slot > 0.
bool InGroupView(const Rec &rec, int slot, int groupNumber);

// Row order: names compared without regard to case; names that differ only
// in case by their exact text. Exactly equal names (damaged files only) keep
// the order in which they were added.
bool NameBefore(const QString &a, const QString &b);

class ItemListModel : public QAbstractListModel {
    Q_OBJECT

public:
    using QAbstractListModel::QAbstractListModel;

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    // The name for display; the state words for screen readers.
    QVariant data(const QModelIndex &index, int role) const override;

    // How a row's picture is chosen (for the screen-reader description).
    void SetGlyphSource(std::function<Glyph(const Rec &)> source) { glyphOf_ = std::move(source); }

    int Count() const { return int(rows_.size()); }
    // The record of a row; nullptr for a row outside the list.
    Rec *RecAt(int row) const;
    // The row of a record, -1 when it is not listed. The record's name must
    // be the one it was listed under (see NameChanged).
    int RowOf(const Rec *rec) const;

    // Lists exactly these records (in any order): one sort, one reset.
    void Fill(std::vector<Rec *> recs);
    void Clear();
    // Adds one record at its sorted place; returns its row.
    int Insert(Rec *rec);
    // Takes a row out of the list (the record itself is left alone).
    void RemoveRow(int row);
    // Takes these rows (ascending, each once) out of the list: a few runs of
    // neighbouring rows one run at a time, many scattered rows in one pass.
    void RemoveRows(const std::vector<int> &rows);
    // The record of `row` has a new name: moves the row to its new place and
    // returns the new row.
    int NameChanged(int row);
    // The picture of a row may have changed.
    void RowChanged(int row);

private:
    // First row whose record does not sort before `name`.
    int LowerBound(const QString &name) const;
    int UpperBound(const QString &name) const;

    std::vector<Rec *> rows_;
    std::function<Glyph(const Rec &)> glyphOf_;
};

// Draws the rows of the item list through a callback, all 16 pixels high.
class RowDelegate : public QStyledItemDelegate {
    Q_OBJECT

public:
    using Draw = std::function<void(QPainter &, const QStyleOptionViewItem &, int row)>;
    RowDelegate(Draw draw, QObject *parent) : QStyledItemDelegate(parent), draw_(std::move(draw)) {}

    static constexpr int RowHeight = 16;

    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override;
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override;

private:
    Draw draw_;
};

}  // namespace kelpo
