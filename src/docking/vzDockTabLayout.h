// The arithmetic of a tab strip and of the current tab, over plain numbers.
#pragma once

#include <optional>
#include <string>
#include <vector>

// The arithmetic of a tab strip and of the current tab, over plain numbers.
namespace docking::tabs {

// The current tab after tab `removed` of `count` (before the removal) goes; -1 when none is left.
int CurrentAfterRemoval(int count, int current, int removed);
// A stored current tab outside 0..count-1 becomes the last tab.
int ClampCurrentTab(int value, int count);

struct TvzTabStripMetrics {
    int clientWidth = 0;
    int stripIndent = 0;
    int tabIndent = 0;
    int buttonWidth = 0;
    bool listButton = false;
};

struct TvzTabStripLayout {
    std::vector<int> lefts;  // client x of every tab (meaningful for the visible ones)
    std::vector<int> widths; // after the cap
    int firstVisible = 0;
    int lastVisible = 0;
    bool scrollButtons = false;
    bool scrollLeftEnabled = false;
    bool scrollRightEnabled = false;
    int listButtonLeft = -1; // -1: not shown
    int scrollLeftLeft = -1; // -1: not shown
    int scrollRightLeft = -1;
};

// Places tabs of the given widths from `firstVisible`, scrolling and narrowing the visible range
// so that the tab list and scroll buttons at the right end stay clear.
TvzTabStripLayout LayoutTabStrip(const std::vector<int>& widths, int firstVisible,
                                 const TvzTabStripMetrics& m);

// The tab boundary drop mark `mark` stands on: the left edge of the first visible tab when it lies
// before it, else the right edge of tab `mark`. None for no mark (-2) or a tab out of sight.
std::optional<int> DropMarkEdge(const TvzTabStripLayout& layout, int mark);

// A previewed drop: the tabs in strip order as child indexes, the dragged tab (`dragged`, -1 when it
// comes from elsewhere) taken out and kPlaceholder where the drop after tab `mark` (-1: before the
// first) would put it.
inline constexpr int kPlaceholder = -1;
std::vector<int> PreviewOrder(int count, int mark, int dragged);

// The order of a tab list menu: captions without hotkey markers, case-insensitively; answers the
// tab indexes in that order.
std::vector<int> SortedTabOrder(const std::vector<std::string>& captions);
// The caption without hotkey markers ("&&" stays one "&").
std::string StripHotkey(const std::string& caption);

} // namespace docking::tabs
