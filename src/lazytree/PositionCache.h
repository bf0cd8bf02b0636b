#pragma once

#include "lazytree/LazyNode.h"

#include <cstdint>
#include <functional>
#include <vector>

namespace lazytree {

// Absolute tops of every kCacheThreshold-th visible node in display order, closed by the last node
// and the top below it, so that a position or a node is found from the nearest entry instead of
// from the first node. Plain data: the tree fills it and says when it is stale.
class TPositionCache {
public:
    struct TEntry {
        PLazyNode Node = nullptr;
        int64_t Top = 0;
        friend bool operator==(const TEntry&, const TEntry&) = default;
    };

    static constexpr uint32_t kCacheThreshold = 2000;

    // Entries a tree of visibleCount visible nodes wants: none below 2, else one per threshold.
    static std::size_t EntryCount(uint32_t visibleCount);

    // Walks the visible nodes from first (top 0) with next and heightOf, storing every threshold-th
    // one and a closing entry. A tree of kCacheThreshold visible nodes or fewer keeps no cache.
    void Build(uint32_t visibleCount, PLazyNode first, const std::function<PLazyNode(PLazyNode)>& next,
               const std::function<int(PLazyNode)>& heightOf);
    void Clear() { entries_.clear(); }
    bool Empty() const { return entries_.empty(); }
    const std::vector<TEntry>& Entries() const { return entries_; }

    // The last entry at or above y; {nil, 0} above the first one.
    TEntry EntryForY(int64_t y) const;
    // The last entry at or before node, by a tree-order comparison; {nil, 0} when none.
    TEntry EntryForNode(PLazyNode node, const std::function<int(PLazyNode, PLazyNode)>& compare) const;

private:
    std::vector<TEntry> entries_;
};

} // namespace lazytree
