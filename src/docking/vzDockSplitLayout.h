// The arithmetic of split containers along their axis, over plain numbers.
#pragma once

#include "docking/vzDockTypes.h"

#include <utility>
#include <vector>

// The arithmetic of split containers along their axis (heights of a column, widths of a row), over
// plain numbers so that it runs without any window.
namespace docking::split {

// One child along the axis: [start, end), its minimum, alignment, panel state (0 normal,
// 1 maximised, 2 minimised) and the size it had before it was maximised or minimised.
struct TvzSplitItem {
    int start = 0;
    int end = 0;
    int minSize = 0;
    TvzAlignment alignment = alnClient;
    int panelState = 0;
    int normalSize = 0;
    int Size() const { return end - start; }
};

// Sort weight: start sides before the client before end sides.
int Weight(TvzAlignment alignment);
// Whether `alignment` is the start side (left or top).
bool IsStartSide(TvzAlignment alignment);

// The alignment child `n` (-1: not inserted yet) may take, asking for `wanted`; may change the
// others' alignments in `alignments` so that exactly one stays client.
TvzAlignment ValidateAlignment(std::vector<TvzAlignment>& alignments, int n, TvzAlignment wanted,
                               TvzAlignment startSide, TvzAlignment endSide);
// Aligned children stack from both ends at their sizes; the client takes what is left (never less
// than nothing).
void AlignItems(std::vector<TvzSplitItem>& items, int clientStart, int clientEnd, int splitter);
// Shares the span of items[first..last] evenly, rounding halves to even; all become normal.
void Equalize(std::vector<TvzSplitItem>& items, int first, int last, int splitter);
void Maximize(std::vector<TvzSplitItem>& items, int index, int clientStart, int clientEnd, int splitter);
// False (and nothing changes) when no child is maximised.
bool Restore(std::vector<TvzSplitItem>& items, int clientStart, int splitter);
// The bar after item i that `position` lies strictly inside, or -1.
int SplitterAt(const std::vector<TvzSplitItem>& items, int position, int splitter);
// Where the bar after item i may be dragged.
std::pair<int, int> SplitterRange(const std::vector<TvzSplitItem>& items, int index, int splitter);
// Drops the bar after item i at `position`.
void MoveSplitter(std::vector<TvzSplitItem>& items, int index, int position, int splitter);
// The least the children need along the axis: aligned ones their size, the client its minimum.
int MinimumAlong(const std::vector<TvzSplitItem>& items, int splitter);
// A child whose size along the axis changed is normal again.
inline int ChildResizedState(int oldSize, int newSize, int state) {
    return oldSize == newSize ? state : 0;
}

} // namespace docking::split
