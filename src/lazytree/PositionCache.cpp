#include "lazytree/PositionCache.h"

#include <algorithm>

namespace lazytree {

std::size_t TPositionCache::EntryCount(uint32_t visibleCount) {
    if (visibleCount < 2) return 0;
    return (visibleCount + kCacheThreshold - 1) / kCacheThreshold;
}

void TPositionCache::Build(uint32_t visibleCount, PLazyNode first,
                           const std::function<PLazyNode(PLazyNode)>& next,
                           const std::function<int(PLazyNode)>& heightOf) {
    entries_.clear();
    if (visibleCount <= kCacheThreshold || !first) return;
    const std::size_t wanted = EntryCount(visibleCount);
    entries_.reserve(wanted + 1);
    PLazyNode node = first;
    PLazyNode last = first;
    int64_t top = 0;
    int64_t lastTop = 0;
    for (uint32_t index = 0; node; ++index) {
        if (index % kCacheThreshold == 0) {
            if (entries_.size() == wanted) break;
            entries_.push_back({node, top});
        }
        last = node;
        lastTop = top;
        top += heightOf(node);
        node = next(node);
    }
    entries_.push_back({last, lastTop + heightOf(last)});
}

// The closing entry only marks the end: lookups start from the regular entries before it.
TPositionCache::TEntry TPositionCache::EntryForY(int64_t y) const {
    if (entries_.size() < 2) return {};
    const auto end = entries_.end() - 1;
    auto it =
        std::upper_bound(entries_.begin(), end, y, [](int64_t v, const TEntry& e) { return v < e.Top; });
    if (it == entries_.begin()) return {};
    return *(it - 1);
}

TPositionCache::TEntry
TPositionCache::EntryForNode(PLazyNode node, const std::function<int(PLazyNode, PLazyNode)>& compare) const {
    if (entries_.size() < 2) return {};
    const auto end = entries_.end() - 1;
    auto it = std::upper_bound(entries_.begin(), end, node,
                               [&](PLazyNode n, const TEntry& e) { return compare(n, e.Node) < 0; });
    if (it == entries_.begin()) return {};
    return *(it - 1);
}

} // namespace lazytree
