// A cache of node tops that finds a position or a node from the nearest entry.
#pragma once

#include "lazytree/LazyNode.h"

#include <cstdint>
#include <functional>
#include <vector>

namespace lazytree {

// Absolute tops of every kSpacing-th visible node in display order, so that a position or a node is
// found from the nearest entry instead of from the first node. The entries are a valid prefix of the
// display: a change drops the entries from the changed node on (everything before it keeps its
// place), and walks that pass the last entry append new ones. Plain data: the tree fills and cuts it.
class TPositionCache {
public:
    struct TEntry {
        PLazyNode Node = nullptr;
        int64_t Top = 0;
        friend bool operator==(const TEntry&, const TEntry&) = default;
    };

    static constexpr uint32_t kSpacing = 2000;

    void Clear() { entries_.clear(); }
    bool Empty() const { return entries_.empty(); }
    const std::vector<TEntry>& Entries() const { return entries_; }
    bool IsLast(PLazyNode node) const { return !entries_.empty() && entries_.back().Node == node; }
    void Append(PLazyNode node, int64_t top) { entries_.push_back({node, top}); }
    // Drops entries from the back while dropFromBack says so.
    void TruncateWhile(const std::function<bool(PLazyNode)>& dropFromBack);

    // The last entry at or above y; {nil, 0} above the first one.
    TEntry EntryForY(int64_t y) const;
    // The last entry at or before node in display order (compare < 0: earlier); {nil, 0} when none.
    TEntry EntryForNode(PLazyNode node, const std::function<int(PLazyNode, PLazyNode)>& compare) const;

private:
    std::vector<TEntry> entries_;
};

} // namespace lazytree
