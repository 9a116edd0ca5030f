#include "Model.h"

#include "FileRead.h"

#include <QHashFunctions>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

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

bool FoldedEqual(const QString &a, const QString &b)
{
    const qsizetype n = a.size();
    if (b.size() != n)
        return false;
    const char16_t *x = QStringView(a).utf16();
    const char16_t *y = QStringView(b).utf16();
    for (qsizetype i = 0; i < n; ++i) {
        if (x[i] != y[i] && Fold(x[i]) != Fold(y[i]))
            return false;
    }
    return true;
}

size_t FoldedHash(const QString &name)
{
    // Qt's string hash, seeded per process (a file of names made to collide
    // cannot slow the index down), over the folded name, piece by piece on
    // the stack.
    constexpr qsizetype Piece = 256;
    char16_t folded[Piece];
    const char16_t *s = QStringView(name).utf16();
    const qsizetype n = name.size();
    size_t h = QHashSeed::globalSeed();
    qsizetype at = 0;
    do {
        const qsizetype len = std::min(Piece, n - at);
        qsizetype i = 0;
#ifdef __SSE2__
        // Eight characters at a time: a-z lose 32. Compared as signed
        // numbers, characters from U+8000 on are below 'a' and stay.
        const __m128i beforeA = _mm_set1_epi16('a' - 1);
        const __m128i afterZ = _mm_set1_epi16('z' + 1);
        const __m128i caseBit = _mm_set1_epi16(0x20);
        for (; i + 8 <= len; i += 8) {
            const __m128i c = _mm_loadu_si128(reinterpret_cast<const __m128i *>(s + at + i));
            const __m128i lower = _mm_and_si128(_mm_cmpgt_epi16(c, beforeA), _mm_cmplt_epi16(c, afterZ));
            _mm_storeu_si128(reinterpret_cast<__m128i *>(folded + i), _mm_sub_epi16(c, _mm_and_si128(lower, caseBit)));
        }
#endif
        for (; i < len; ++i)
            folded[i] = Fold(s[at + i]);
        h = qHash(QStringView(folded, len), h);
        at += len;
    } while (at < n);
    return h;
}

// Memory for a table of `count` entries, zeroed when asked; a large one is
// placed on whole large pages and backed by them, so that filling it does
// not fault in one small page after the other. Released with std::free.
void *Table(size_t count, size_t size, bool zeroed)
{
    constexpr size_t LargePage = size_t(2) << 20;
    const size_t bytes = count * size;
    if (bytes < LargePage) {
        void *table = zeroed ? std::calloc(count, size) : std::malloc(std::max<size_t>(bytes, 1));
        if (!table)
            throw std::bad_alloc();
        return table;
    }
    const size_t whole = (bytes + LargePage - 1) / LargePage * LargePage;
    void *table = nullptr;
    if (posix_memalign(&table, LargePage, whole) != 0)
        throw std::bad_alloc();
    AdviseLargePages(table, whole);
    if (zeroed)
        std::memset(table, 0, bytes);
    return table;
}

}  // namespace

NameIndex::~NameIndex()
{
    std::free(table_);
}

void NameIndex::Reserve(qsizetype count)
{
    size_t size = 16;
    while (size / 4 * 3 < size_t(std::max<qsizetype>(count, 0)))
        size *= 2;
    if (!table_ || size > mask_ + 1)
        Grow(qsizetype(size));
}

void NameIndex::Grow(qsizetype capacity)
{
    Entry *old = table_;
    const size_t oldSize = old ? mask_ + 1 : 0;
    table_ = static_cast<Entry *>(Table(size_t(capacity), sizeof(Entry), true));
    mask_ = size_t(capacity) - 1;
    for (size_t i = 0; i < oldSize; ++i) {
        if (!old[i].rec)
            continue;
        size_t at = old[i].hash & mask_;
        while (table_[at].rec)
            at = (at + 1) & mask_;
        table_[at] = old[i];
    }
    std::free(old);
}

size_t NameIndex::Find(const QString &name, size_t hash) const
{
    for (size_t at = hash & mask_;; at = (at + 1) & mask_) {
        const Entry &e = table_[at];
        if (!e.rec || (e.hash == hash && FoldedEqual(e.rec->Name, name)))
            return at;
    }
}

Rec *NameIndex::First(const QString &name) const
{
    if (!table_)
        return nullptr;
    return table_[Find(name, FoldedHash(name))].rec;
}

void NameIndex::Insert(Rec *rec)
{
    InsertMany(&rec, 1);
}

void NameIndex::InsertMany(Rec *const *recs, qsizetype count)
{
    // At most three quarters full, so probes stay short.
    if (!table_ || size_t(used_ + count) > (mask_ + 1) / 4 * 3)
        Reserve(used_ + count);
    constexpr qsizetype Batch = 32;
    size_t hashes[Batch];
    for (qsizetype start = 0; start < count; start += Batch) {
        const qsizetype n = std::min(Batch, count - start);
        for (qsizetype i = 0; i < n; ++i) {
            hashes[i] = FoldedHash(recs[start + i]->Name);
            __builtin_prefetch(&table_[hashes[i] & mask_]);
        }
        for (qsizetype i = 0; i < n; ++i)
            InsertHashed(recs[start + i], hashes[i]);
    }
}

void NameIndex::InsertHashed(Rec *rec, size_t hash)
{
    Entry &e = table_[Find(rec->Name, hash)];
    if (!e.rec) {
        e = {hash, rec};
        ++used_;
        return;
    }
    // Behind the first; the order of the others does not matter (lookups
    // go by list order).
    Rec *first = e.rec;
    if (Rec *second = next_.value(first))
        next_.insert(rec, second);
    next_[first] = rec;
}

void NameIndex::Remove(Rec *rec)
{
    if (!table_)
        return;
    size_t at = Find(rec->Name, FoldedHash(rec->Name));
    if (!table_[at].rec)
        return;
    Rec *next = next_.take(rec);
    if (table_[at].rec == rec) {
        // The next record under the name, if any, takes the entry: its
        // folded name and so its hash are the same.
        if (next) {
            table_[at].rec = next;
            return;
        }
        // Later entries of the probe run move up into the hole, so that no
        // lookup stops short of them.
        for (size_t j = (at + 1) & mask_; table_[j].rec; j = (j + 1) & mask_) {
            const size_t home = table_[j].hash & mask_;
            if (((j - home) & mask_) >= ((j - at) & mask_)) {
                table_[at] = table_[j];
                at = j;
            }
        }
        table_[at].rec = nullptr;
        --used_;
        return;
    }
    for (Rec *before = table_[at].rec; before; before = next_.value(before)) {
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
    std::free(table_);
    table_ = nullptr;
    mask_ = 0;
    used_ = 0;
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
// Records live in blocks of slots. Each slot remembers its record's position
// in the list; the positions may be stale after removals. Removals only move
// records towards the front, so a record's true position lies at most
// `removedSinceRebuild_` places before the remembered one. IndexOf looks
// through that short stretch and rebuilds all positions only when it has
// grown long, so a loop that looks up and removes records one by one costs
// one rebuild per many removals. A pointer that is not one of the list's
// slots is told apart by its address alone, so asking about a record that
// was removed (or never held) reads nothing that is not the list's.

struct ItemList::Slot {
    // The record first: a record's address is its slot's.
    alignas(Rec) unsigned char bytes[sizeof(Rec)];
    int position;  // in the list; -1 while the slot is free
};

struct ItemList::Block {
    explicit Block(size_t size) : at(static_cast<Slot *>(Table(size, sizeof(Slot), false))), capacity(size) {}
    ~Block() { std::free(at); }
    Block(const Block &) = delete;
    Block &operator=(const Block &) = delete;

    Slot *at;  // the first slot
    size_t capacity;
    size_t used = 0;  // slots handed out so far, from the front
};

namespace {

template <typename Slot>
Slot *SlotOfHeld(const Rec *rec)
{
    return reinterpret_cast<Slot *>(const_cast<Rec *>(rec));
}

}  // namespace

ItemList::ItemList() = default;

ItemList::~ItemList()
{
    Clear();
}

ItemList::Slot *ItemList::SlotOf(const Rec *rec) const
{
    const auto at = reinterpret_cast<quintptr>(rec);
    for (const auto &b : blocks_) {
        const auto base = reinterpret_cast<quintptr>(b->at);
        if (at < base || at >= base + b->used * sizeof(Slot))
            continue;
        if ((at - base) % sizeof(Slot) != 0)
            return nullptr;
        return &b->at[(at - base) / sizeof(Slot)];
    }
    return nullptr;
}

void ItemList::Reserve(int count)
{
    items_.reserve(size_t(std::max(0, count)));
    byFolded_.Reserve(count);
    const qsizetype spare = qsizetype(free_.size()) + (blocks_.empty() ? 0 : qsizetype(blocks_.back()->capacity - blocks_.back()->used));
    const qsizetype needed = qsizetype(count) - Count() - spare;
    if (needed > 0)
        blocks_.push_back(std::make_unique<Block>(size_t(needed)));
}

Rec *ItemList::Take(Rec &&rec)
{
    Slot *slot;
    if (!free_.empty()) {
        slot = free_.back();
        free_.pop_back();
    } else {
        if (blocks_.empty() || blocks_.back()->used == blocks_.back()->capacity) {
            // Each new block as large as all before it together.
            size_t held = 0;
            for (const auto &b : blocks_)
                held += b->capacity;
            blocks_.push_back(std::make_unique<Block>(std::max<size_t>(64, held)));
        }
        Block &b = *blocks_.back();
        slot = &b.at[b.used++];
    }
    return new (slot->bytes) Rec(std::move(rec));
}

void ItemList::Free(Rec *rec)
{
    Slot *slot = SlotOfHeld<Slot>(rec);
    rec->~Rec();
    slot->position = -1;
    free_.push_back(slot);
}

Rec *ItemList::Append(Rec &&rec)
{
    Rec *r = Take(std::move(rec));
    items_.push_back(r);
    SlotOfHeld<Slot>(r)->position = int(items_.size()) - 1;
    unindexed_.push_back(r);
    // A batch small enough that its names are still in the cache.
    if (unindexed_.size() >= 256)
        IndexAppended();
    return r;
}

Rec *ItemList::Append(std::unique_ptr<Rec> rec)
{
    return Append(std::move(*rec));
}

void ItemList::IndexAppended() const
{
    byFolded_.InsertMany(unindexed_.data(), qsizetype(unindexed_.size()));
    unindexed_.clear();
}

void ItemList::RemoveAt(int index)
{
    IndexAppended();
    Rec *r = items_[size_t(index)];
    byFolded_.Remove(r);
    items_.erase(items_.begin() + index);
    Free(r);
    ++removedSinceRebuild_;
}

int ItemList::RemoveIf(const std::function<bool(const Rec &)> &predicate)
{
    const auto firstRemoved =
        std::stable_partition(items_.begin(), items_.end(), [&](const Rec *r) { return !predicate(*r); });
    IndexAppended();
    const int removed = int(items_.end() - firstRemoved);
    for (auto it = firstRemoved; it != items_.end(); ++it) {
        byFolded_.Remove(*it);
        Free(*it);
    }
    items_.erase(firstRemoved, items_.end());
    removedSinceRebuild_ += removed;
    return removed;
}

void ItemList::Clear()
{
    for (Rec *r : items_)
        r->~Rec();
    items_.clear();
    free_.clear();
    blocks_.clear();
    byFolded_.Clear();
    unindexed_.clear();
    removedSinceRebuild_ = 0;
}

void ItemList::Rename(Rec *rec, const QString &newName)
{
    IndexAppended();
    byFolded_.Remove(rec);
    rec->Name = newName;
    byFolded_.Insert(rec);
}

int ItemList::IndexOf(const Rec *rec) const
{
    Slot *slot = SlotOf(rec);
    if (!slot || slot->position < 0)
        return -1;
    const int p = slot->position;
    const int size = int(items_.size());
    if (p < size && items_[size_t(p)] == rec)
        return p;
    constexpr int ShortStretch = 64;
    if (removedSinceRebuild_ <= ShortStretch) {
        for (int q = std::min(p, size - 1), low = std::max(0, p - removedSinceRebuild_); q >= low; --q) {
            if (items_[size_t(q)] == rec) {
                slot->position = q;
                return q;
            }
        }
    }
    RebuildPositions();
    return slot->position;
}

Rec *ItemList::FirstInOrder(const QString &name, bool exact) const
{
    IndexAppended();
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

void ItemList::RebuildPositions() const
{
    for (size_t i = 0; i < items_.size(); ++i)
        SlotOfHeld<Slot>(items_[i])->position = int(i);
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
