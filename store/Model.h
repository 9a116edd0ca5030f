#pragma once
// The item and group model: item records, the list that owns them, the fixed
// group table, and the rules for an item's group membership text.
#include <QHash>
#include <QList>
#include <QString>
#include <QStringView>

#include <array>
#include <functional>
#include <memory>
#include <vector>

namespace kelpo {

// One tracked web site.
struct Rec {
    bool Done = false;   // completed for the current period (never stored)
    QString Name;        // unique; change it only through ItemList::Rename
    QString Site;
    QString Group;       // membership text: "", "," or ",3,12," or TrashMarker
    double Last = 0;     // day number of the last completion, date and time of day
    double Ends = 0;     // day number of the last day the item runs (a whole day)
    qint32 Freq = 0;     // repeat kind 0..12 (other values only from files)
    qint32 Count = 0;    // entries made
    QString Keys;        // Type It In script
    QString Comments;    // lines separated by CR LF
};

struct GroupData {
    QString GroupName;
    qint32 GroupNumber = 0;
};

constexpr int MaxGroups = 150;
extern const QString TrashMarker;  // ",-1,"

// Membership rules on a `Group` text.
bool InGroup(const QString &group, int number);      // contains ",<number>,"
void AddToGroup(QString &group, int number);         // "" -> "," then "<number>,"
void RemoveFromGroup(QString &group, int number);    // first ",<number>," loses ",<number>"
void MoveToTrash(QString &group);                    // becomes TrashMarker
bool IsInTrash(const QString &group);                // exactly TrashMarker

// Limits texts to `max` characters without splitting a character: a
// surrogate pair that would straddle the limit is left out whole.
QString CutText(const QString &text, int max = 255);
QStringView CutView(QStringView text, qsizetype max = 255);

// A–z folded to upper case, every other character kept: the key under which
// names are compared "without regard to case".
QString FoldName(const QString &name);

// Records by their names compared with a–z folded. One record per name is
// the rule (names are unique), so further records under a name that is
// already taken are chained behind the first: the common case costs one
// table entry and no copy of the name. The table is open, with linear
// probing, and keeps each name's hash beside its record, so a probe reads
// a name only where the hashes agree. A record's name must not change while
// it is held (ItemList::Rename takes it out and puts it back).
class NameIndex {
public:
    NameIndex() = default;
    NameIndex(const NameIndex &) = delete;
    NameIndex &operator=(const NameIndex &) = delete;
    ~NameIndex();

    void Reserve(qsizetype count);
    void Insert(Rec *rec);
    // Inserts `count` records at once: their table entries are fetched
    // ahead, so a large batch does not wait on memory record by record.
    void InsertMany(Rec *const *recs, qsizetype count);
    void Remove(Rec *rec);
    void Clear();
    Rec *First(const QString &name) const;
    // The records under `name` besides First(name), in no particular order;
    // usually none.
    QList<Rec *> Others(const QString &name) const;

private:
    struct Entry {
        size_t hash;
        Rec *rec;  // nullptr: the entry is free
    };
    size_t Find(const QString &name, size_t hash) const;  // the entry of `name`, or a free one
    void InsertHashed(Rec *rec, size_t hash);  // with room for it made
    void Grow(qsizetype capacity);

    Entry *table_ = nullptr;
    size_t mask_ = 0;  // table size - 1; the size is a power of two
    qsizetype used_ = 0;
    QHash<Rec *, Rec *> next_;  // the record after each one under the same name
};

// The ordered list of items; owns its records. Keeps an index by folded name
// (which also serves exact lookups), so lookups by name never scan the list.
// Records are kept in blocks of slots and never move; a slot that is freed
// is used again by a later record.
class ItemList {
public:
    ItemList();
    ~ItemList();
    ItemList(const ItemList &) = delete;
    ItemList &operator=(const ItemList &) = delete;

    int Count() const { return int(items_.size()); }
    Rec *At(int index) const { return items_[size_t(index)]; }
    // Makes room for `count` records in all, so filling the list grows nothing.
    void Reserve(int count);
    // Takes the record over; returns where it is now held (not the address
    // it had before).
    Rec *Append(std::unique_ptr<Rec> rec);
    Rec *Append(Rec &&rec);
    void RemoveAt(int index);               // destroys the record
    // Removes (and destroys) every record the predicate picks, keeping the
    // order of the others, in one pass. Returns how many went.
    int RemoveIf(const std::function<bool(const Rec &)> &predicate);
    void Clear();
    void Rename(Rec *rec, const QString &newName);

    // Position of a record in the list, -1 when it is not (or no longer) held.
    // Any pointer may be asked about: only the list's own slots are read.
    int IndexOf(const Rec *rec) const;
    // The record whose Name equals `name` exactly, or nullptr. When several
    // have the same name (only damaged files do that), the first in order.
    Rec *FindExact(const QString &name) const;
    // The first record (in list order) whose folded name equals FoldName(name).
    Rec *FindFolded(const QString &name) const;

private:
    struct Slot;
    struct Block;
    Slot *SlotOf(const Rec *rec) const;  // nullptr when `rec` is in none of the blocks
    Rec *Take(Rec &&rec);                // a free slot holding `rec`
    void Free(Rec *rec);                 // destroys the record, frees its slot
    void RebuildPositions() const;
    // Puts the records appended since the last call into the name index.
    void IndexAppended() const;
    // The first record in list order under FoldName(name); with `exact`,
    // only records whose Name equals `name` count.
    Rec *FirstInOrder(const QString &name, bool exact) const;

    std::vector<Rec *> items_;
    std::vector<std::unique_ptr<Block>> blocks_;
    std::vector<Slot *> free_;
    // Appended records go into the index in batches (see IndexAppended),
    // which every use of the index brings up to date first.
    mutable NameIndex byFolded_;
    mutable std::vector<Rec *> unindexed_;
    // Every slot remembers the position of its record (-1 when free); may be
    // stale after removals (see IndexOf), then at most `removedSinceRebuild_`
    // places too high.
    mutable int removedSinceRebuild_ = 0;
};

// The whole model held by the main window.
struct Model {
    ItemList Items;
    std::array<GroupData, MaxGroups + 1> GroupTable{};  // slots 1..MaxGroups; slot 0 unused
    int NumGroups = 0;

    // Is an item name taken, ignoring the case of a–z? Returns the first
    // match in list order, or nullptr.
    Rec *FindEntry(const QString &name) const { return Items.FindFolded(name); }
    // -1 for exactly "Trash"; the slot 1..NumGroups of a group name compared
    // with a–z folded; 0 for "All Items" and unknown names.
    int FindGroup(const QString &name) const;
    // Slot of the group with this number, 0 when none.
    int SlotOfNumber(int groupNumber) const;
    void Clear();
};

}  // namespace kelpo
