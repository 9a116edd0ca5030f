#include "Model.h"

#include <algorithm>

namespace kelpo {

const QString TrashMarker = QStringLiteral(",-1,");

namespace {

QString Framed(int number)
{
    return QLatin1Char(',') + QString::number(number) + QLatin1Char(',');
}

}  // namespace

bool InGroup(const QString &group, int number)
{
    return group.contains(Framed(number));
}

void AddToGroup(QString &group, int number)
{
    if (group.isEmpty())
        group = QStringLiteral(",");
    group += QString::number(number) + QLatin1Char(',');
}

void RemoveFromGroup(QString &group, int number)
{
    const QString digits = QString::number(number);
    const qsizetype at = group.indexOf(QLatin1Char(',') + digits + QLatin1Char(','));
    // Drop the leading comma and the digits; the comma after them stays and
    // frames the next entry.
    if (at >= 0)
        group.remove(at, digits.size() + 1);
}

void MoveToTrash(QString &group)
{
    group = TrashMarker;
}

bool IsInTrash(const QString &group)
{
    return group == TrashMarker;
}

QStringView CutView(QStringView text, qsizetype max)
{
    if (max < 0)
        max = 0;
    if (text.size() <= max)
        return text;
    qsizetype end = max;
    // Never keep the first half of a surrogate pair without its second half.
    if (end > 0 && text.at(end - 1).isHighSurrogate() && text.at(end).isLowSurrogate())
        --end;
    return text.left(end);
}

QString CutText(const QString &text, int max)
{
    if (text.size() <= max)
        return text;
    return CutView(text, max).toString();
}

QString FoldName(const QString &name)
{
    QString folded = name;
    QChar *c = folded.data();
    for (qsizetype i = 0, n = folded.size(); i < n; ++i) {
        const char16_t u = c[i].unicode();
        if (u >= u'a' && u <= u'z')
            c[i] = QChar(char16_t(u - (u'a' - u'A')));
    }
    return folded;
}

// ---------------------------------------------------------------------------
// NameIndex

namespace {

char16_t Fold(char16_t u)
{
    return u >= u'a' && u <= u'z' ? char16_t(u - (u'a' - u'A')) : u;
}

}  // namespace

bool operator==(const FoldedName &a, const FoldedName &b) noexcept
{
    const qsizetype n = a.name->size();
    if (b.name->size() != n)
        return false;
    const char16_t *x = QStringView(*a.name).utf16();
    const char16_t *y = QStringView(*b.name).utf16();
    for (qsizetype i = 0; i < n; ++i) {
        if (x[i] != y[i] && Fold(x[i]) != Fold(y[i]))
            return false;
    }
    return true;
}

size_t qHash(const FoldedName &key, size_t seed) noexcept
{
    // Qt's string hash over the folded name, piece by piece on the stack.
    constexpr qsizetype Piece = 256;
    char16_t folded[Piece];
    const char16_t *s = QStringView(*key.name).utf16();
    const qsizetype n = key.name->size();
    size_t h = seed;
    qsizetype at = 0;
    do {
        const qsizetype len = std::min(Piece, n - at);
        for (qsizetype i = 0; i < len; ++i)
            folded[i] = Fold(s[at + i]);
        h = qHash(QStringView(folded, len), h);
        at += len;
    } while (at < n);
    return h;
}

void NameIndex::Insert(Rec *rec)
{
    Rec *&first = first_[FoldedName{&rec->Name}];
    if (!first) {
        first = rec;
        return;
    }
    // Behind the first; the order of the others does not matter (lookups
    // go by list order).
    if (Rec *second = next_.value(first))
        next_.insert(rec, second);
    next_[first] = rec;
}

void NameIndex::Remove(Rec *rec)
{
    const auto it = first_.find(FoldedName{&rec->Name});
    if (it == first_.end())
        return;
    Rec *next = next_.take(rec);
    if (it.value() == rec) {
        // The key points at this record's name: the next record, if any,
        // takes its place under a key of its own.
        first_.erase(it);
        if (next)
            first_.insert(FoldedName{&next->Name}, next);
        return;
    }
    for (Rec *before = it.value(); before; before = next_.value(before)) {
        if (next_.value(before) == rec) {
            if (next)
                next_[before] = next;
            else
                next_.remove(before);
            return;
        }
    }
}

void NameIndex::Clear()
{
    first_.clear();
    next_.clear();
}

QList<Rec *> NameIndex::Others(const QString &name) const
{
    QList<Rec *> others;
    if (next_.isEmpty())
        return others;
    for (Rec *r = next_.value(First(name)); r; r = next_.value(r))
        others.append(r);
    return others;
}

// ---------------------------------------------------------------------------
// ItemList
//
// `position_` always holds exactly the records in the list; its values may be
// stale after removals. Removals only move records towards the front, so a
// record's true position lies at most `removedSinceRebuild_` places before the
// remembered one. IndexOf looks through that short stretch and rebuilds all
// positions only when it has grown long, so a loop that looks up and removes
// records one by one costs one rebuild per many removals.

ItemList::ItemList() = default;
ItemList::~ItemList() = default;

void ItemList::Reserve(int count)
{
    items_.reserve(size_t(std::max(0, count)));
    position_.reserve(count);
    byFolded_.Reserve(count);
}

Rec *ItemList::Append(std::unique_ptr<Rec> rec)
{
    Rec *r = rec.get();
    items_.push_back(std::move(rec));
    position_.insert(r, int(items_.size()) - 1);
    Index(r);
    return r;
}

void ItemList::RemoveAt(int index)
{
    Rec *r = items_[size_t(index)].get();
    Unindex(r);
    position_.remove(r);
    items_.erase(items_.begin() + index);
    ++removedSinceRebuild_;
}

int ItemList::RemoveIf(const std::function<bool(const Rec &)> &predicate)
{
    const auto firstRemoved = std::stable_partition(
        items_.begin(), items_.end(), [&](const std::unique_ptr<Rec> &r) { return !predicate(*r); });
    const int removed = int(items_.end() - firstRemoved);
    for (auto it = firstRemoved; it != items_.end(); ++it) {
        Unindex(it->get());
        position_.remove(it->get());
    }
    items_.erase(firstRemoved, items_.end());
    removedSinceRebuild_ += removed;
    return removed;
}

void ItemList::Clear()
{
    items_.clear();
    byFolded_.Clear();
    position_.clear();
    removedSinceRebuild_ = 0;
}

void ItemList::Rename(Rec *rec, const QString &newName)
{
    Unindex(rec);
    rec->Name = newName;
    Index(rec);
}

int ItemList::IndexOf(const Rec *rec) const
{
    const auto it = position_.find(rec);
    if (it == position_.end())
        return -1;
    const int p = it.value();
    const int size = int(items_.size());
    if (p < size && items_[size_t(p)].get() == rec)
        return p;
    constexpr int ShortStretch = 64;
    if (removedSinceRebuild_ <= ShortStretch) {
        for (int q = std::min(p, size - 1), low = std::max(0, p - removedSinceRebuild_); q >= low; --q) {
            if (items_[size_t(q)].get() == rec) {
                it.value() = q;
                return q;
            }
        }
    }
    RebuildPositions();
    return position_.value(rec, -1);
}

Rec *ItemList::FirstInOrder(const QString &name, bool exact) const
{
    Rec *best = byFolded_.First(name);
    if (!best)
        return nullptr;
    if (exact && best->Name != name)
        best = nullptr;
    // Several records under one key only happen with names that differ in
    // case (or damaged files); then the list order decides.
    for (Rec *other : byFolded_.Others(name)) {
        if (exact && other->Name != name)
            continue;
        if (!best || IndexOf(other) < IndexOf(best))
            best = other;
    }
    return best;
}

Rec *ItemList::FindExact(const QString &name) const
{
    return FirstInOrder(name, true);
}

Rec *ItemList::FindFolded(const QString &name) const
{
    return FirstInOrder(name, false);
}

void ItemList::Index(Rec *rec)
{
    byFolded_.Insert(rec);
}

void ItemList::Unindex(Rec *rec)
{
    byFolded_.Remove(rec);
}

void ItemList::RebuildPositions() const
{
    for (size_t i = 0; i < items_.size(); ++i)
        position_[items_[i].get()] = int(i);
    removedSinceRebuild_ = 0;
}

// ---------------------------------------------------------------------------
// Model

int Model::FindGroup(const QString &name) const
{
    if (name == QLatin1String("Trash"))
        return -1;
    const QString folded = FoldName(name);
    const int used = std::clamp(NumGroups, 0, MaxGroups);
    for (int k = 1; k <= used; ++k) {
        if (FoldName(GroupTable[size_t(k)].GroupName) == folded)
            return k;
    }
    return 0;
}

int Model::SlotOfNumber(int groupNumber) const
{
    const int used = std::clamp(NumGroups, 0, MaxGroups);
    for (int k = 1; k <= used; ++k) {
        if (GroupTable[size_t(k)].GroupNumber == groupNumber)
            return k;
    }
    return 0;
}

void Model::Clear()
{
    Items.Clear();
    GroupTable.fill(GroupData{});
    NumGroups = 0;
}

}  // namespace kelpo
