#include "ItemListModel.h"

#include <algorithm>
#include <cmath>

namespace kelpo {

Glyph ChooseRowGlyph(const Rec &rec, double today)
{
    Glyph glyph = rec.Done ? Glyph::CheckGrn : (rec.Freq == 2 || rec.Freq == 7) ? Glyph::DailyDue : Glyph::Checked;
    const double ends = rec.Ends;
    const double day = std::floor(today);
    if (day > ends)
        glyph = Glyph::Ended;
    else if (!rec.Done && day == ends)
        glyph = Glyph::LastDay;
    return glyph;
}

QString GlyphMeaning(Glyph glyph)
{
    switch (glyph) {
    case Glyph::Checked: return QStringLiteral("due");
    case Glyph::DailyDue: return QStringLiteral("due, daily");
    case Glyph::CheckGrn: return QStringLiteral("done");
    case Glyph::Ended: return QStringLiteral("ended");
    case Glyph::LastDay: return QStringLiteral("due, last day");
    case Glyph::KeyGrn: return QStringLiteral("has a script");
    case Glyph::Keyboard: return QStringLiteral("no script");
    }
    return QString();
}

bool InGroupView(const Rec &rec, int slot, int groupNumber)
{
    if (slot == 0)
        return !IsInTrash(rec.Group);
    if (slot < 0)
        return IsInTrash(rec.Group);
    return InGroup(rec.Group, groupNumber);
}

namespace {

// Names sort by their case-folded text, then by their exact text. Comparing
// folded copies is much faster than folding inside every comparison.
QString SortKey(const QString &name)
{
    // Plain ASCII (the usual case) is folded here: the general folding is
    // several times slower and gives the same result for it.
    const QChar *c = name.constData();
    qsizetype upper = 0;
    for (qsizetype i = 0, n = name.size(); i < n; ++i) {
        const char16_t u = c[i].unicode();
        if (u >= 0x80)
            return name.toCaseFolded();
        upper += u >= u'A' && u <= u'Z';
    }
    if (upper == 0)
        return name;
    QString key = name;
    QChar *k = key.data();
    for (qsizetype i = 0, n = key.size(); i < n; ++i) {
        const char16_t u = k[i].unicode();
        if (u >= u'A' && u <= u'Z')
            k[i] = QChar(char16_t(u + (u'a' - u'A')));
    }
    return key;
}

bool KeyedBefore(const QString &keyA, const QString &a, const QString &keyB, const QString &b)
{
    const int folded = QString::compare(keyA, keyB, Qt::CaseSensitive);
    if (folded != 0)
        return folded < 0;
    return QString::compare(a, b, Qt::CaseSensitive) < 0;
}

}  // namespace

bool NameBefore(const QString &a, const QString &b)
{
    return KeyedBefore(SortKey(a), a, SortKey(b), b);
}

int ItemListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : Count();
}

QVariant ItemListModel::data(const QModelIndex &index, int role) const
{
    const Rec *rec = index.isValid() ? RecAt(index.row()) : nullptr;
    if (!rec)
        return QVariant();
    switch (role) {
    case Qt::DisplayRole:
    case Qt::AccessibleTextRole:
        return rec->Name;
    case Qt::AccessibleDescriptionRole:
        return glyphOf_ ? GlyphMeaning(glyphOf_(*rec)) : QVariant();
    default:
        return QVariant();
    }
}

Rec *ItemListModel::RecAt(int row) const
{
    return row >= 0 && row < Count() ? rows_[size_t(row)] : nullptr;
}

int ItemListModel::LowerBound(const QString &name) const
{
    const QString key = SortKey(name);
    const auto it = std::lower_bound(rows_.begin(), rows_.end(), name, [&key](const Rec *r, const QString &n) {
        return KeyedBefore(SortKey(r->Name), r->Name, key, n);
    });
    return int(it - rows_.begin());
}

int ItemListModel::UpperBound(const QString &name) const
{
    const QString key = SortKey(name);
    const auto it = std::upper_bound(rows_.begin(), rows_.end(), name, [&key](const QString &n, const Rec *r) {
        return KeyedBefore(key, n, SortKey(r->Name), r->Name);
    });
    return int(it - rows_.begin());
}

int ItemListModel::RowOf(const Rec *rec) const
{
    if (!rec)
        return -1;
    // Rows with exactly the same name sit together; usually there is one.
    for (int row = LowerBound(rec->Name), end = Count(); row < end; ++row) {
        if (rows_[size_t(row)] == rec)
            return row;
        if (rows_[size_t(row)]->Name != rec->Name)
            break;
    }
    return -1;
}

void ItemListModel::Fill(std::vector<Rec *> recs)
{
    // Each name is folded once; records with exactly equal names keep the
    // order in which they came. Most comparisons are decided by four
    // characters of the folded names held beside the record (after the
    // start all names share, if any), so that they need not reach the
    // names themselves, each somewhere else in memory.
    struct Keyed {
        quint64 lead;
        QString key;
        Rec *rec;
        size_t order;
    };
    std::vector<Keyed> keyed;
    keyed.reserve(recs.size());
    for (size_t i = 0; i < recs.size(); ++i)
        keyed.push_back({0, SortKey(recs[i]->Name), recs[i], i});
    qsizetype shared = keyed.empty() ? 0 : keyed.front().key.size();
    for (const Keyed &k : keyed) {
        const QStringView first(keyed.front().key);
        qsizetype same = 0;
        const qsizetype most = std::min(shared, k.key.size());
        while (same < most && first[same] == k.key[same])
            ++same;
        shared = same;
    }
    for (Keyed &k : keyed) {
        for (qsizetype i = 0; i < 4; ++i) {
            const qsizetype at = shared + i;
            k.lead = (k.lead << 16) | (at < k.key.size() ? k.key.at(at).unicode() : 0u);
        }
    }
    std::sort(keyed.begin(), keyed.end(), [](const Keyed &a, const Keyed &b) {
        if (a.lead != b.lead)
            return a.lead < b.lead;
        const int folded = QString::compare(a.key, b.key, Qt::CaseSensitive);
        if (folded != 0)
            return folded < 0;
        const int exact = QString::compare(a.rec->Name, b.rec->Name, Qt::CaseSensitive);
        return exact != 0 ? exact < 0 : a.order < b.order;
    });
    for (size_t i = 0; i < keyed.size(); ++i)
        recs[i] = keyed[i].rec;
    beginResetModel();
    rows_ = std::move(recs);
    endResetModel();
}

void ItemListModel::Clear()
{
    Fill({});
}

int ItemListModel::Insert(Rec *rec)
{
    const int row = UpperBound(rec->Name);
    beginInsertRows(QModelIndex(), row, row);
    rows_.insert(rows_.begin() + row, rec);
    endInsertRows();
    return row;
}

void ItemListModel::RemoveRow(int row)
{
    if (row < 0 || row >= Count())
        return;
    beginRemoveRows(QModelIndex(), row, row);
    rows_.erase(rows_.begin() + row);
    endRemoveRows();
}

void ItemListModel::RemoveRows(const std::vector<int> &rows)
{
    std::vector<std::pair<int, int>> runs;  // first and last row of each run
    for (int row : rows) {
        if (row < 0 || row >= Count())
            continue;
        if (!runs.empty() && runs.back().second + 1 == row)
            runs.back().second = row;
        else if (runs.empty() || runs.back().second < row)
            runs.push_back({row, row});
    }
    // Each run costs a move of the rows after it; past a few runs one pass
    // over all rows is cheaper.
    constexpr size_t FewRuns = 16;
    if (runs.size() <= FewRuns) {
        for (auto run = runs.rbegin(); run != runs.rend(); ++run) {
            beginRemoveRows(QModelIndex(), run->first, run->second);
            rows_.erase(rows_.begin() + run->first, rows_.begin() + run->second + 1);
            endRemoveRows();
        }
        return;
    }
    beginResetModel();
    size_t kept = 0;
    auto run = runs.begin();
    for (size_t i = 0; i < rows_.size(); ++i) {
        while (run != runs.end() && size_t(run->second) < i)
            ++run;
        if (run != runs.end() && size_t(run->first) <= i)
            continue;
        rows_[kept++] = rows_[i];
    }
    rows_.resize(kept);
    endResetModel();
}

int ItemListModel::NameChanged(int row)
{
    Rec *rec = RecAt(row);
    if (!rec)
        return -1;
    // The new place among the other rows (this one left out).
    rows_.erase(rows_.begin() + row);
    const int to = UpperBound(rec->Name);
    rows_.insert(rows_.begin() + row, rec);
    if (to != row) {
        // Qt counts the destination before the move: one more when moving down.
        beginMoveRows(QModelIndex(), row, row, QModelIndex(), to > row ? to + 1 : to);
        rows_.erase(rows_.begin() + row);
        rows_.insert(rows_.begin() + to, rec);
        endMoveRows();
    }
    RowChanged(to);
    return to;
}

void ItemListModel::RowChanged(int row)
{
    if (row < 0 || row >= Count())
        return;
    const QModelIndex at = index(row);
    emit dataChanged(at, at);
}

void RowDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    draw_(*painter, option, index.row());
}

QSize RowDelegate::sizeHint(const QStyleOptionViewItem &, const QModelIndex &) const
{
    // The width follows the list; every row has the same height.
    return QSize(1, RowHeight);
}

}  // namespace kelpo
