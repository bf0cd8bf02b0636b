#include "docking/vzDockSplitLayout.h"

#include "docking/vzDockUtils.h"

#include <algorithm>

namespace docking::split {

namespace {

// n × total / count to the nearest integer, halves to even.
int RoundShare(int n, int total, int count) {
    const long long numerator = static_cast<long long>(n) * total;
    long long quotient = numerator / count;
    const long long twice = 2 * (numerator % count);
    if (twice > count || (twice == count && quotient % 2 != 0)) ++quotient;
    return static_cast<int>(quotient);
}

int Count(const std::vector<TvzSplitItem>& items) {
    return static_cast<int>(items.size());
}

} // namespace

int Weight(TvzAlignment alignment) {
    switch (alignment) {
    case alnLeft:
    case alnTop:
        return -1;
    case alnRight:
    case alnBottom:
        return 1;
    case alnClient:
        break;
    }
    return 0;
}

bool IsStartSide(TvzAlignment alignment) {
    return alignment == alnLeft || alignment == alnTop;
}

TvzAlignment ValidateAlignment(std::vector<TvzAlignment>& alignments, int n, TvzAlignment wanted,
                               TvzAlignment startSide, TvzAlignment endSide) {
    const int count = static_cast<int>(alignments.size());
    if ((n < 0 ? count + 1 : count) <= 1) return alnClient;
    if (wanted != alnClient) {
        bool clientLeft = false;
        for (int i = 0; i < count; ++i)
            if (i != n && alignments[static_cast<std::size_t>(i)] == alnClient) clientLeft = true;
        if (!clientLeft) {
            int neighbour;
            if (wanted == startSide)
                neighbour = n == count - 1 ? n - 1 : n + 1;
            else
                neighbour = n <= 0 ? n + 1 : n - 1;
            if (neighbour >= 0 && neighbour < count)
                alignments[static_cast<std::size_t>(neighbour)] = alnClient;
        }
        return wanted;
    }
    for (int i = 0; i < count; ++i) {
        if (i == n || alignments[static_cast<std::size_t>(i)] != alnClient) continue;
        alignments[static_cast<std::size_t>(i)] = (n >= 0 && i < n) ? startSide : endSide;
    }
    return alnClient;
}

void AlignItems(std::vector<TvzSplitItem>& items, int clientStart, int clientEnd, int splitter) {
    const int count = Count(items);
    int first = 0;
    int offset = clientStart;
    while (first < count && items[first].alignment != alnClient) {
        const int size = items[first].Size();
        items[first].start = offset;
        items[first].end = offset + size;
        offset += size + splitter;
        ++first;
    }
    int last = count - 1;
    int bottom = clientEnd;
    while (last > first && items[last].alignment != alnClient) {
        const int size = items[last].Size();
        items[last].end = bottom;
        items[last].start = bottom - size;
        bottom -= size + splitter;
        --last;
    }
    if (first < count) {
        items[first].start = offset;
        items[first].end = std::max(offset, bottom); // a tree larger than its window gets no space, not less
    }
}

void Equalize(std::vector<TvzSplitItem>& items, int first, int last, int splitter) {
    if (first < 0 || last >= Count(items) || first > last) return;
    const int origin = items[first].start;
    const int total = items[last].end - origin + splitter;
    const int parts = last - first + 1;
    for (int i = first; i <= last; ++i) {
        items[i].start = i == first ? origin : items[i - 1].end + splitter;
        items[i].end = RoundShare(i - first + 1, total, parts) + origin - splitter;
        items[i].panelState = 0;
    }
}

void Maximize(std::vector<TvzSplitItem>& items, int index, int clientStart, int clientEnd, int splitter) {
    int top = clientStart;
    for (int i = 0; i < index; ++i) {
        items[i].normalSize = items[i].Size();
        items[i].start = top;
        items[i].end = top + items[i].minSize;
        items[i].panelState = 2;
        top = items[i].end + splitter;
    }
    int bottom = clientEnd;
    for (int i = Count(items) - 1; i > index; --i) {
        items[i].normalSize = items[i].Size();
        items[i].end = bottom;
        items[i].start = bottom - items[i].minSize;
        items[i].panelState = 2;
        bottom = items[i].start - splitter;
    }
    items[index].normalSize = items[index].Size();
    items[index].start = top;
    items[index].end = std::max(top, bottom);
    items[index].panelState = 1;
}

bool Restore(std::vector<TvzSplitItem>& items, int clientStart, int splitter) {
    if (std::none_of(items.begin(), items.end(),
                     [](const TvzSplitItem& item) { return item.panelState == 1; }))
        return false;
    int top = clientStart;
    for (TvzSplitItem& item : items) {
        item.start = top;
        item.end = top + item.normalSize;
        item.panelState = 0;
        top = item.end + splitter;
    }
    return true;
}

int SplitterAt(const std::vector<TvzSplitItem>& items, int position, int splitter) {
    for (int i = 0; i + 1 < Count(items); ++i)
        if (items[i].end < position && position < items[i].end + splitter) return i;
    return -1;
}

std::pair<int, int> SplitterRange(const std::vector<TvzSplitItem>& items, int index, int splitter) {
    const TvzSplitItem& a = items.at(static_cast<std::size_t>(index));
    const TvzSplitItem& b = items.at(static_cast<std::size_t>(index + 1));
    return {a.start + a.minSize + splitter / 2, b.end - b.minSize - splitter / 2};
}

void MoveSplitter(std::vector<TvzSplitItem>& items, int index, int position, int splitter) {
    TvzSplitItem& a = items.at(static_cast<std::size_t>(index));
    TvzSplitItem& b = items.at(static_cast<std::size_t>(index + 1));
    const int oldA = a.Size();
    const int oldB = b.Size();
    a.end = position - splitter / 2;
    b.start = a.end + splitter;
    a.panelState = ChildResizedState(oldA, a.Size(), a.panelState);
    b.panelState = ChildResizedState(oldB, b.Size(), b.panelState);
}

int MinimumAlong(const std::vector<TvzSplitItem>& items, int splitter) {
    int total = items.empty() ? 0 : (Count(items) - 1) * splitter;
    for (const TvzSplitItem& item : items)
        total += item.alignment == alnClient ? item.minSize : item.Size();
    return total;
}

} // namespace docking::split
