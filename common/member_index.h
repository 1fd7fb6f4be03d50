// The member list's rows by member id, and each row's position, kept without
// walking the rows: a hash map from id to the row's record, and a Fenwick
// tree over row slots. Rows only ever appear at the top (new members), in
// place (replaced members) or in a new order (a sort), so a slot below the
// current first one is free for every insertion at the top; a removed row
// leaves its slot empty. A row's position is the number of occupied slots
// before its own: O(log n) for a look-up, an insertion or a removal.
//
// The index owns the records; the list view's rows point at them.
#pragma once
#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "member_record.h"

class MemberRowIndex {
public:
    struct Upsert {
        enum Kind { Replaced, InsertedTop, Dropped } kind = Dropped;
        size_t row = 0;                          // the row the record now holds
        MemberRecord* record = nullptr;          // the stored record (null when dropped)
        std::unique_ptr<MemberRecord> previous;  // the replaced (or dropped) record
    };
    // A record of a listed member replaces that member's row in place; a new
    // member goes on top unless `updateOnly`, which drops it.
    Upsert Apply(std::unique_ptr<MemberRecord> record, bool updateOnly);

    struct Removal {
        size_t row = 0;
        std::unique_ptr<MemberRecord> record;  // free it once the row is gone
    };
    std::optional<Removal> Remove(std::string_view id);

    MemberRecord* Find(std::string_view id);
    std::optional<size_t> RowOf(std::string_view id) const;
    size_t size() const { return entries_.size(); }
    bool empty() const { return entries_.empty(); }
    void Clear();

    // The records in row order.
    std::vector<const MemberRecord*> InRowOrder() const;

    // After the list was sorted: the listed records in their new row order.
    // Returns false (and changes nothing) unless they are exactly the
    // records of the index.
    bool Reorder(const std::vector<const MemberRecord*>& rowsInOrder);

private:
    struct Entry {
        std::unique_ptr<MemberRecord> record;
        size_t slot = 0;
    };
    size_t TakeTopSlot();
    void Occupy(size_t slot, Entry* entry);
    void Vacate(size_t slot);
    size_t CountBefore(size_t slot) const;
    void Rebuild(std::vector<Entry*> inOrder);
    void Add(size_t slot, int delta);

    std::unordered_map<std::string, Entry> entries_;
    std::vector<Entry*> owner_;  // by slot; null when free
    std::vector<int> tree_;      // Fenwick tree over owner_, 1-based
    size_t front_ = 0;           // slots below front_ have never been used since the last rebuild
};
