#include "member_index.h"

#include <unordered_set>

namespace {
constexpr size_t kMinCapacity = 64;
}

void MemberRowIndex::Add(size_t slot, int delta) {
    for (size_t i = slot + 1; i < tree_.size(); i += i & (~i + 1)) tree_[i] += delta;
}

size_t MemberRowIndex::CountBefore(size_t slot) const {
    int count = 0;
    for (size_t i = slot; i > 0; i -= i & (~i + 1)) count += tree_[i];
    return static_cast<size_t>(count);
}

void MemberRowIndex::Occupy(size_t slot, Entry* entry) {
    owner_[slot] = entry;
    entry->slot = slot;
    Add(slot, 1);
}

void MemberRowIndex::Vacate(size_t slot) {
    owner_[slot] = nullptr;
    Add(slot, -1);
}

void MemberRowIndex::Rebuild(std::vector<Entry*> inOrder) {
    // Twice the rows, so that as many insertions at the top again fit before
    // the next rebuild: amortised O(1) per insertion.
    const size_t n = inOrder.size();
    size_t capacity = 2 * n + kMinCapacity;
    owner_.assign(capacity, nullptr);
    tree_.assign(capacity + 1, 0);
    front_ = capacity - n;
    for (size_t i = 0; i < n; ++i) {
        owner_[front_ + i] = inOrder[i];
        inOrder[i]->slot = front_ + i;
        tree_[front_ + i + 1] = 1;
    }
    for (size_t i = 1; i <= capacity; ++i) {
        const size_t parent = i + (i & (~i + 1));
        if (parent <= capacity) tree_[parent] += tree_[i];
    }
}

size_t MemberRowIndex::TakeTopSlot() {
    if (front_ == 0) {
        std::vector<Entry*> inOrder;
        inOrder.reserve(entries_.size());
        for (Entry* e : owner_)
            if (e) inOrder.push_back(e);
        Rebuild(std::move(inOrder));
    }
    return --front_;
}

MemberRowIndex::Upsert MemberRowIndex::Apply(std::unique_ptr<MemberRecord> record, bool updateOnly) {
    Upsert result;
    if (!record) return result;
    auto found = entries_.find(record->id);
    if (found != entries_.end()) {
        Entry& e = found->second;
        result.kind = Upsert::Replaced;
        result.row = CountBefore(e.slot);
        result.previous = std::move(e.record);
        e.record = std::move(record);
        result.record = e.record.get();
        return result;
    }
    if (updateOnly) {
        result.previous = std::move(record);
        return result;
    }
    const size_t slot = TakeTopSlot();
    std::string id = record->id;
    Entry& e = entries_[std::move(id)];
    e.record = std::move(record);
    Occupy(slot, &e);
    result.kind = Upsert::InsertedTop;
    result.row = CountBefore(slot);  // 0
    result.record = e.record.get();
    return result;
}

std::optional<MemberRowIndex::Removal> MemberRowIndex::Remove(std::string_view id) {
    auto found = entries_.find(std::string(id));
    if (found == entries_.end()) return std::nullopt;
    Removal removal;
    removal.row = CountBefore(found->second.slot);
    removal.record = std::move(found->second.record);
    Vacate(found->second.slot);
    entries_.erase(found);
    return removal;
}

MemberRecord* MemberRowIndex::Find(std::string_view id) {
    auto found = entries_.find(std::string(id));
    return found == entries_.end() ? nullptr : found->second.record.get();
}

std::optional<size_t> MemberRowIndex::RowOf(std::string_view id) const {
    auto found = entries_.find(std::string(id));
    if (found == entries_.end()) return std::nullopt;
    return CountBefore(found->second.slot);
}

std::vector<const MemberRecord*> MemberRowIndex::InRowOrder() const {
    std::vector<const MemberRecord*> out;
    out.reserve(entries_.size());
    for (const Entry* e : owner_)
        if (e) out.push_back(e->record.get());
    return out;
}

void MemberRowIndex::Clear() {
    entries_.clear();
    owner_.clear();
    tree_.clear();
    front_ = 0;
}

bool MemberRowIndex::Reorder(const std::vector<const MemberRecord*>& rowsInOrder) {
    if (rowsInOrder.size() != entries_.size()) return false;
    std::vector<Entry*> inOrder;
    inOrder.reserve(rowsInOrder.size());
    std::unordered_set<const Entry*> seen;
    seen.reserve(rowsInOrder.size());
    for (const MemberRecord* r : rowsInOrder) {
        if (!r) return false;
        auto found = entries_.find(r->id);
        if (found == entries_.end() || found->second.record.get() != r) return false;
        if (!seen.insert(&found->second).second) return false;
        inOrder.push_back(&found->second);
    }
    Rebuild(std::move(inOrder));
    return true;
}
