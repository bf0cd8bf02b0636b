#include "lazytree/LazyTreeModel.h"
#include "platform/rtl/Exception.h"
#include "platform/ui/Themes.h"

namespace lazytree {

namespace {

template <class TSet, class E>
bool Toggled(const TSet& oldSet, const TSet& newSet, E member) {
    return oldSet.Contains(member) != newSet.Contains(member);
}

} // namespace

void TLazyTreeModel::InvalidateWindow() {
    if (HandleAllocated()) host_->Invalidate(nullptr);
}

void TLazyTreeModel::SetPaintOptions(TVTPaintOptions value) {
    const TVTPaintOptions old = options_.PaintOptions;
    if (value == old) return;
    options_.PaintOptions = value;
    if (Toggled(old, value, toThemeAware) || Toggled(old, value, toUseExplorerTheme)) {
        ApplyThemes();
    } else if (Toggled(old, value, toShowHiddenNodes)) {
        // Filtered nodes come and go: their heights count only where they are shown, so the totals and
        // the visible count are recounted rather than adjusted per filtered node.
        BeginUpdate();
        RecountHeightsAndVisible();
        InvalidateCache();
        EndUpdate();
        return;
    }
    InvalidateWindow();
}

void TLazyTreeModel::ApplyThemes() {
    if (options_.PaintOptions.Contains(toThemeAware) && ui::ThemesEnabled())
        DoStateChange({tsUseThemes});
    else
        DoStateChange({}, {tsUseThemes});
}

void TLazyTreeModel::SetAnimationOptions(TVTAnimationOptions value) {
    options_.AnimationOptions = value;
}

void TLazyTreeModel::SetAnimationDuration(uint32_t milliseconds) {
    animationDuration_ = milliseconds;
    if (milliseconds == 0)
        options_.AnimationOptions.Exclude(toAnimatedToggle);
    else
        options_.AnimationOptions.Include(toAnimatedToggle);
}

void TLazyTreeModel::SetScrollBarStyle(TScrollBarStyle value) {
    RTL_ASSERT_MSG(value == sbmRegular, "Flat scrollbars styles are disabled. Enable UseFlatScrollbars "
                                        "in VTConfig.inc forflat scrollbar support.");
}

void TLazyTreeModel::SetAutoOptions(TVTAutoOptions value) {
    const TVTAutoOptions old = options_.AutoOptions;
    if (value == old) return;
    options_.AutoOptions = value;
    if (Toggled(old, value, toAutoSpanColumns)) InvalidateWindow();
}

void TLazyTreeModel::SetSelectionOptions(TVTSelectionOptions value) {
    const TVTSelectionOptions old = options_.SelectionOptions;
    if (value == old) return;
    options_.SelectionOptions = value;
    const auto newlySet = [&](TVTSelectionOption option) {
        return value.Contains(option) && !old.Contains(option);
    };
    if (Toggled(old, value, toMultiSelect) || newlySet(toLevelSelectConstraint) ||
        newlySet(toSiblingSelectConstraint))
        UnselectAll();
}

void TLazyTreeModel::SetMiscOptions(TVTMiscOptions value) {
    const TVTMiscOptions old = options_.MiscOptions;
    if (value == old) return;
    options_.MiscOptions = value;
    if (Toggled(old, value, toCheckSupport)) InvalidateWindow();
}

void TLazyTreeModel::RecountHeightsAndVisible() {
    root_->TotalHeight = root_->NodeHeight;
    for (PLazyNode node = GetFirstNoInit(); node; node = GetNextNoInit(node))
        node->TotalHeight = node->NodeHeight;
    RecomputeTotalHeights(root_);
    visibleCount_ = 0;
    for (PLazyNode node = GetFirstVisibleNoInit(); node; node = GetNextVisibleNoInit(node))
        ++visibleCount_;
}

void TLazyTreeModel::SetDefaultNodeHeight(int value) {
    if (value == 0) value = kDefaultNodeHeight;
    if (value == defaultNodeHeight_) return;
    DoStateChange({tsNeedScale});
    const int difference = value - defaultNodeHeight_;
    root_->TotalHeight = static_cast<uint32_t>(static_cast<int64_t>(root_->TotalHeight) + difference);
    root_->NodeHeight = static_cast<uint16_t>(root_->NodeHeight + difference);
    defaultNodeHeight_ = value;
    InvalidateCache();
    if (updateCount_ == 0 && HandleAllocated()) {
        ValidateCache();
        UpdateScrollBars();
        ScrollIntoView(focusedNode_, options_.SelectionOptions.Contains(toCenterScrollIntoView));
        InvalidateWindow();
    }
}

void TLazyTreeModel::SetIndent(int value) {
    if (value == indent_) return;
    indent_ = value;
    if (updateCount_ == 0 && HandleAllocated()) {
        UpdateScrollBars();
        InvalidateWindow();
    }
}

void TLazyTreeModel::SetMargin(int value) {
    if (value == margin_) return;
    margin_ = value;
    InvalidateWindow();
}

void TLazyTreeModel::SetAlignment(TAlignment value) {
    if (value == alignment_) return;
    alignment_ = value;
    InvalidateWindow();
}

} // namespace lazytree
