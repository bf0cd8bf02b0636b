#include "docking/vzDockTabLayout.h"

#include "platform/rtl/StringList.h"

#include <algorithm>
#include <numeric>

namespace docking::tabs {

int CurrentAfterRemoval(int count, int current, int removed) {
    if (count <= 1) return -1;
    if (current < removed) return current;
    if (removed == count - 1) return count - 2; // the current last tab: the one before it
    if (removed == current) return current;     // the tab that followed takes its index
    if (removed == current - 1) return current - 1;
    return current - 2; // the tab that preceded the former current one
}

int ClampCurrentTab(int value, int count) {
    return value < 0 || value >= count ? count - 1 : value;
}

TvzTabStripLayout LayoutTabStrip(const std::vector<int>& widths, int firstVisible,
                                 const TvzTabStripMetrics& m) {
    TvzTabStripLayout layout;
    const int count = static_cast<int>(widths.size());
    if (count == 0) return layout;
    const int cap = m.clientWidth - m.stripIndent - 2 * m.buttonWidth - m.tabIndent - 4 -
                    (m.listButton ? m.buttonWidth : 0);
    for (int w : widths)
        layout.widths.push_back(std::max(0, std::min(w, cap)));
    const int available = m.clientWidth - m.stripIndent;
    const int total = std::accumulate(layout.widths.begin(), layout.widths.end(), 0);
    if (m.stripIndent + m.tabIndent + total <= available || firstVisible >= count) firstVisible = 0;
    layout.firstVisible = firstVisible;
    layout.lefts.assign(static_cast<std::size_t>(count), 0);
    int last = count - 1;
    int x = m.stripIndent + m.tabIndent;
    for (int i = firstVisible; i < count; ++i) {
        layout.lefts[static_cast<std::size_t>(i)] = x;
        x += layout.widths[static_cast<std::size_t>(i)];
        if (x >= available && i != firstVisible) {
            last = i - 1;
            break;
        }
    }
    const auto rightOf = [&](int i) {
        return layout.lefts[static_cast<std::size_t>(i)] + layout.widths[static_cast<std::size_t>(i)];
    };
    int buttonsLeft = m.clientWidth - m.stripIndent - 1;
    if (m.listButton) {
        buttonsLeft -= m.buttonWidth;
        layout.listButtonLeft = buttonsLeft;
        if (rightOf(last) > buttonsLeft) last = std::max(0, last - 1);
    }
    if (firstVisible > 0 || last < count - 1) {
        layout.scrollButtons = true;
        buttonsLeft -= 2 * m.buttonWidth;
        layout.scrollLeftLeft = buttonsLeft;
        layout.scrollRightLeft = buttonsLeft + m.buttonWidth;
        if (rightOf(last) > buttonsLeft) last = std::max(0, last - 1);
    }
    layout.lastVisible = std::max(last, firstVisible);
    layout.scrollLeftEnabled = layout.firstVisible > 0;
    layout.scrollRightEnabled = layout.lastVisible < count - 1;
    return layout;
}

std::string StripHotkey(const std::string& caption) {
    std::string text;
    for (std::size_t i = 0; i < caption.size(); ++i) {
        if (caption[i] != '&') {
            text += caption[i];
        } else if (i + 1 < caption.size() && caption[i + 1] == '&') {
            text += '&';
            ++i;
        }
    }
    return text;
}

std::vector<int> SortedTabOrder(const std::vector<std::string>& captions) {
    rtl::TStringList list;
    list.SetSorted(true);
    list.SetDuplicates(rtl::dupAccept);
    for (std::size_t i = 0; i < captions.size(); ++i)
        list.AddObject(StripHotkey(captions[i]), reinterpret_cast<void*>(i));
    std::vector<int> order;
    for (int i = 0; i < list.Count(); ++i)
        order.push_back(static_cast<int>(reinterpret_cast<std::size_t>(list.Objects(i))));
    return order;
}

std::optional<int> DropMarkEdge(const TvzTabStripLayout& layout, int mark) {
    if (mark < -1 || mark > layout.lastVisible || layout.lefts.empty()) return std::nullopt;
    if (mark < layout.firstVisible) return layout.lefts[static_cast<std::size_t>(layout.firstVisible)];
    const auto at = static_cast<std::size_t>(mark);
    return layout.lefts[at] + layout.widths[at];
}

std::vector<int> PreviewOrder(int count, int mark, int dragged) {
    std::vector<int> order;
    for (int i = 0; i < count; ++i)
        if (i != dragged) order.push_back(i);
    // Taking the dragged tab out moves every later tab one place to the left.
    const int at = dragged >= 0 && dragged <= mark ? mark : mark + 1;
    order.insert(order.begin() + std::clamp(at, 0, static_cast<int>(order.size())), kPlaceholder);
    return order;
}

} // namespace docking::tabs
