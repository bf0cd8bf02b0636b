#include "lazytree/PositionCache.h"

#include <algorithm>

namespace lazytree {

void TPositionCache::TruncateWhile(const std::function<bool(PLazyNode)>& dropFromBack) {
    while (!entries_.empty() && dropFromBack(entries_.back().Node))
        entries_.pop_back();
}

TPositionCache::TEntry TPositionCache::EntryForY(int64_t y) const {
    auto it = std::upper_bound(entries_.begin(), entries_.end(), y,
                               [](int64_t v, const TEntry& e) { return v < e.Top; });
    return it == entries_.begin() ? TEntry{} : *(it - 1);
}

TPositionCache::TEntry
TPositionCache::EntryForNode(PLazyNode node, const std::function<int(PLazyNode, PLazyNode)>& compare) const {
    auto it = std::upper_bound(entries_.begin(), entries_.end(), node,
                               [&](PLazyNode n, const TEntry& e) { return compare(n, e.Node) < 0; });
    return it == entries_.begin() ? TEntry{} : *(it - 1);
}

} // namespace lazytree
