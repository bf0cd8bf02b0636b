#include "lazytree/LazyTreeModel.h"
#include "platform/ui/Dialogs.h"
#include "platform/ui/Timers.h"

namespace lazytree {

namespace {
constexpr char16_t kBackspace = 8;
} // namespace

int TLazyTreeModel::IncrementalSearchEvent(PLazyNode node, const std::u16string& searchText) {
    int result = 0;
    if (OnIncrementalSearch) OnIncrementalSearch(*this, node, searchText, result);
    return result;
}

void TLazyTreeModel::DoBeep() {
    ui::MessageBeep();
}

void TLazyTreeModel::HandleIncrementalSearch(char16_t charCode) {
    ui::Timers().KillTimer(this, SearchTimer);
    if (incrementalSearch_ == isNone) return;
    if (charCode != 0) SearchStep(charCode);
    StartTimer(SearchTimer, searchTimeout_);
}

void TLazyTreeModel::EndIncrementalSearch() {
    ui::Timers().KillTimer(this, SearchTimer);
    DoStateChange({}, {tsIncrementalSearching});
    searchText_.clear();
    lastSearchHit_ = nullptr;
}

// The node a step starts from, or nil when the mode rules it out.
PLazyNode TLazyTreeModel::SearchStartNode() {
    PLazyNode start = searchStart_ == ssLastHit       ? lastSearchHit_
                      : searchStart_ == ssFocusedNode ? focusedNode_
                                                      : nullptr;
    if (!start) return nullptr;
    if (incrementalSearch_ == isInitializedOnly && !start->States.Contains(nsInitialized)) return nullptr;
    if (incrementalSearch_ == isVisibleOnly && (!IsFullyShown(start) || IsEffectivelyFiltered(start)))
        return nullptr;
    return start;
}

PLazyNode TLazyTreeModel::SearchNeighbour(PLazyNode node, bool forward) {
    switch (incrementalSearch_) {
    case isAll:
        return forward ? GetNext(node) : GetPrevious(node);
    case isInitializedOnly:
        return forward ? GetNextNoInit(node) : GetPreviousNoInit(node);
    default:
        return forward ? GetNextVisible(node, true) : GetPreviousVisible(node, true);
    }
}

// Where a walk begins or wraps to.
PLazyNode TLazyTreeModel::SearchEnd(bool forward) {
    switch (incrementalSearch_) {
    case isAll:
        return forward ? GetFirst() : GetLast();
    case isInitializedOnly:
        return forward ? GetFirstNoInit() : GetLastNoInit();
    default:
        return forward ? GetFirstVisible(nullptr, true) : GetLastVisible(nullptr, true);
    }
}

void TLazyTreeModel::SearchStep(char16_t charCode) {
    DoStateChange({tsIncrementalSearching});
    // Characters arrive as UTF-16 already: no code page stands between the key and the text.
    const char16_t newChar = charCode;
    const bool backspace = newChar == kBackspace;
    if (backspace && searchText_.empty()) return;

    PLazyNode start = SearchStartNode();
    const bool forward = (searchDirection_ == sdForward) != backspace;
    // Pressing a single letter again moves on, unless the node at hand has that letter doubled.
    bool cycle = !backspace && searchText_.size() == 1 && searchText_[0] == newChar;
    if (cycle && start && DoIncrementalSearch(start, searchText_ + newChar) == 0) cycle = false;
    // A growing text may still match the node at hand; anything else looks beyond it.
    const bool beyond = searchText_.empty() || !start || cycle || backspace;

    std::u16string text;
    if (cycle) {
        text = searchText_;
    } else if (backspace) {
        searchText_.pop_back();
        text = searchText_;
    } else {
        text = searchText_ + newChar;
    }

    PLazyNode run = start;
    if (!start) {
        run = SearchEnd(forward);
    } else if (beyond) {
        run = SearchNeighbour(start, forward);
        if (!run) run = SearchEnd(forward);
    }
    PLazyNode found = nullptr;
    bool wrapped = false;
    for (bool first = true; run && (first || run != start); first = false) {
        if (DoIncrementalSearch(run, text) == 0) {
            found = run;
            break;
        }
        PLazyNode next = SearchNeighbour(run, forward);
        if (!next) {
            if (wrapped || !start) break;
            wrapped = true;
            next = SearchEnd(forward);
        }
        run = next;
    }

    if (found) {
        UnselectAll();
        searchText_ = text;
        lastSearchHit_ = found;
        SetFocusedNode(found);
        SetSelected(found, true);
    } else if (start && DoIncrementalSearch(start, text) != 0) {
        DoBeep();
    }
}

} // namespace lazytree
