#include "docking/vzDockTabs.h"

#include "docking/vzDockManager.h"
#include "docking/vzDockTexts.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/Utf.h"
#include "platform/ui/Canvas.h"
#include "platform/ui/Mouse.h"
#include "platform/ui/Timers.h"

#include <algorithm>
#include <cmath>
#include <numeric>

namespace docking {

using namespace uistyle;

TvzInsideContainer::TvzInsideContainer(ui::TComponent* owner) : TvzCustomDockingContainer(owner) {
    tabListMenu_ = new ui::TPopupMenu(this);
    BuildMenu();
}

void TvzInsideContainer::BuildMenu() {
    ui::TMenuItem* items = PopupMenu()->Items();
    tabsItem_ = new ui::TMenuItem(PopupMenu());
    tabsItem_->SetCaption(texts::sTabsMenu);
    tabsItem_->SetHint(texts::sTabListHint);
    tabsItem_->SetTag(0xF110);
    items->Add(tabsItem_);
    const auto addOrientation = [&](const char* caption, const char* hint, int tag,
                                    TvzTabOrientation orientation) {
        auto* item = new ui::TMenuItem(PopupMenu());
        item->SetCaption(caption);
        item->SetHint(hint);
        item->SetTag(tag);
        item->OnClick = [this, orientation](ui::TObject*) { SetOrientation(orientation); };
        items->Add(item);
    };
    addOrientation(texts::sTabsTopMenu, texts::sTabsTopHint, 0xF101, dtoTop);
    addOrientation(texts::sTabsBottomMenu, texts::sTabsBottomHint, 0xF102, dtoBottom);
}

std::vector<std::string> TvzInsideContainer::TabCaptions() const {
    std::vector<std::string> captions;
    for (const TvzCustomDockingControl* child : children_)
        captions.push_back(child->Caption());
    return captions;
}

void TvzInsideContainer::SelectTab(int index, bool focus) {
    if (index < 0 || index >= ChildCount())
        throw rtl::EAssertionFailed(rtl::Format(texts::sInvalidTabIndex, index, ChildCount()));
    if (index == currentTab_) return;
    if (index < firstVisible_) firstVisible_ = index;
    currentTab_ = index;
    LayoutTabs();
    if (index > layout_.lastVisible) {
        firstVisible_ = index;
        LayoutTabs();
    }
    UpdateChildVisibility();
    if (focus) {
        TvzCustomDockingControl* panel = children_[static_cast<std::size_t>(index)];
        if (TvzCustomDockingManager* manager = DockingManager(); manager && DockState() != dsHidden)
            manager->SetActiveControl(panel);
    }
    Invalidate();
}

void TvzInsideContainer::SetOrientation(TvzTabOrientation orientation) {
    if (orientation == orientation_) return;
    orientation_ = orientation;
    if (TvzCustomDockingManager* manager = DockingManager()) manager->RefreshSite(SiteId(), false);
}

void TvzInsideContainer::ScrollBy(int delta) {
    firstVisible_ = std::clamp(firstVisible_ + delta, 0, std::max(0, ChildCount() - 1));
    LayoutTabs();
    Invalidate();
}

int TvzInsideContainer::TabStripHeight() const {
    const TvzCustomDockingManager* manager = DockingManager();
    if (ChildCount() < 2 || !manager) return 0;
    return manager->Style()->GetTabPaneHeight(TvzImage{manager->Images(), -1, false});
}

ui::TRect TvzInsideContainer::TabStripRect() const {
    const ui::TRect client = ClientRect();
    const int caption = CaptionHeight();
    const int strip = TabStripHeight();
    if (orientation_ == dtoTop)
        return {client.Left, client.Top + caption, client.Right, client.Top + caption + strip};
    return {client.Left, client.Bottom - strip, client.Right, client.Bottom};
}

int TvzInsideContainer::ButtonWidth() const {
    const TvzCustomDockingManager* manager = DockingManager();
    if (!manager) return 0;
    const TvzDockingUIStyle* style = manager->Style();
    return static_cast<int>(std::lround(style->GetMetric(10) * style->ButtonWidthRatio()));
}

namespace {

TvzTabItemState TabState(int entry, int current, int hot) {
    if (entry == tabs::kPlaceholder) return tisNormal;
    return entry == current ? (entry == hot ? tisFocused : tisSelected) : (entry == hot ? tisHot : tisNormal);
}

TvzTabItemPosition TabPosition(std::size_t index, std::size_t count) {
    return index == 0 ? tipFirst : (index + 1 == count ? tipLast : tipMiddle);
}

std::vector<int> EveryTab(std::size_t count) {
    std::vector<int> order(count);
    std::iota(order.begin(), order.end(), 0);
    return order;
}

} // namespace

std::vector<int> TvzInsideContainer::TabOrder() const {
    return preview_.empty() ? EveryTab(children_.size()) : preview_;
}

std::string TvzInsideContainer::TabCaption(int entry) const {
    return entry == tabs::kPlaceholder ? placeholderCaption_
                                       : children_[static_cast<std::size_t>(entry)]->Caption();
}

tabs::TvzTabStripLayout TvzInsideContainer::LayoutOf(const std::vector<int>& order) const {
    const TvzCustomDockingManager* manager = DockingManager();
    TvzDockingUIStyle* style = manager->Style();
    std::vector<int> widths;
    for (std::size_t i = 0; i < order.size(); ++i)
        widths.push_back(
            style->TabWidth(rtl::Utf8ToUtf16(TabCaption(order[i])), TabState(order[i], currentTab_, hotTab_),
                            TvzImage{manager->Images(), -1, false}, 0, TabPosition(i, order.size()),
                            orientation_ == dtoTop ? orTop : orBottom));
    tabs::TvzTabStripMetrics metrics;
    metrics.clientWidth = Width();
    metrics.tabIndent = style->TabIndent();
    metrics.buttonWidth = ButtonWidth();
    metrics.listButton = true;
    return tabs::LayoutTabStrip(widths, firstVisible_, metrics);
}

void TvzInsideContainer::PreviewDrop(int mark, const TvzCustomDockingControl* dragged) {
    std::vector<int> preview;
    if (mark >= -1) {
        preview = tabs::PreviewOrder(ChildCount(), mark, IndexOfChild(dragged));
        placeholderCaption_ = dragged->Caption();
    }
    if (preview == preview_) return;
    preview_ = std::move(preview);
    Invalidate();
    Update();
}

void TvzInsideContainer::LayoutTabs() {
    TvzCustomDockingManager* manager = DockingManager();
    if (!manager || manager->IsDestroying() || IsDestroying()) return;
    layout_ = LayoutOf(EveryTab(children_.size()));
    firstVisible_ = layout_.firstVisible;
    scrollLeftState_ = layout_.scrollLeftEnabled
                           ? (scrollLeftState_ == dbsDisabled ? dbsNormal : scrollLeftState_)
                           : dbsDisabled;
    scrollRightState_ = layout_.scrollRightEnabled
                            ? (scrollRightState_ == dbsDisabled ? dbsNormal : scrollRightState_)
                            : dbsDisabled;
}

void TvzInsideContainer::SetDropMark(int mark) {
    if (mark < -2 || mark >= ChildCount()) throw rtl::EAssertionFailed("Invalid tab drop mark");
    if (mark == dropMark_) return;
    dropMark_ = mark;
    Invalidate();
    Update();
}

TGuid TvzInsideContainer::OleDragHover(ui::TPoint screen, bool activate) {
    const int tab = TabAt(ScreenToClient(screen));
    if (tab < 0) return {};
    if (activate && tab != currentTab_) SelectTab(tab, false);
    return children_[static_cast<std::size_t>(tab)]->Key();
}

int TvzInsideContainer::TabAt(ui::TPoint point) const {
    const ui::TRect strip = TabStripRect();
    if (strip.IsEmpty() || point.Y < strip.Top || point.Y >= strip.Bottom) return -1;
    for (int i = layout_.firstVisible; i <= layout_.lastVisible && i < ChildCount(); ++i) {
        const int left = layout_.lefts[static_cast<std::size_t>(i)];
        if (point.X >= left && point.X < left + layout_.widths[static_cast<std::size_t>(i)]) return i;
    }
    return -1;
}

void TvzInsideContainer::FillTabList(ui::TMenuItem* parent) {
    parent->Clear();
    const std::vector<std::string> captions = TabCaptions();
    for (int index : tabs::SortedTabOrder(captions)) {
        auto* item = new ui::TMenuItem(parent->Owner());
        item->SetCaption(captions[static_cast<std::size_t>(index)]);
        item->SetHint(tabs::StripHotkey(captions[static_cast<std::size_t>(index)]));
        item->SetTag(index);
        item->SetChecked(index == currentTab_);
        item->OnClick = [this, index](ui::TObject*) { SelectTab(index, true); };
        parent->Add(item);
    }
}

bool TvzInsideContainer::IsChildShowing(const TvzCustomDockingControl* child) const {
    return currentTab_ >= 0 && currentTab_ < ChildCount() &&
           children_[static_cast<std::size_t>(currentTab_)] == child;
}

void TvzInsideContainer::ShowChild(TvzCustomDockingControl* child) {
    const int index = IndexOfChild(child);
    if (index >= 0) SelectTab(index, false);
}

void TvzInsideContainer::UpdateChildVisibility() {
    const bool shown = Visible() && ParentSite() && !ParentSite()->IsHoldingSite();
    for (int i = 0; i < ChildCount(); ++i)
        children_[static_cast<std::size_t>(i)]->ui::TControl::SetVisible(shown && i == currentTab_);
}

void TvzInsideContainer::DoDock(int index, TvzCustomDockingControl* child) {
    child->SetDefaultCaptionVisible(false);
    if (currentTab_ >= index && currentTab_ >= 0 && ChildCount() > 1) ++currentTab_;
    TvzCustomDockingContainer::DoDock(index, child);
    if (currentTab_ < 0)
        SelectTab(index, true);
    else
        UpdateChildVisibility();
    LayoutTabs();
}

void TvzInsideContainer::RemoveChild(TvzCustomDockingControl* child, int index) {
    child->SetDefaultCaptionVisible(true);
    const int next = tabs::CurrentAfterRemoval(ChildCount(), currentTab_, index);
    TvzCustomDockingManager* manager = DockingManager();
    const bool wasActive = manager && manager->ActiveControl() == child;
    // The closing EndUpdate may collapse and free this container: it comes last.
    if (manager) manager->BeginUpdate(SiteId());
    TvzCustomDockingContainer::RemoveChild(child, index);
    currentTab_ = next;
    hotTab_ = -1;
    LayoutTabs();
    UpdateChildVisibility();
    if (wasActive && next >= 0) manager->SetActiveControl(children_[static_cast<std::size_t>(next)]);
    if (manager) manager->EndUpdate();
}

void TvzInsideContainer::ChildChanged(TvzDockControlChange change) {
    TvzCustomDockingContainer::ChildChanged(change);
    LayoutTabs();
    Invalidate();
}

void TvzInsideContainer::ArrangeChildren(const ui::TRect& client) {
    ui::TRect area = client;
    if (orientation_ == dtoTop)
        area.Top += TabStripHeight();
    else
        area.Bottom -= TabStripHeight();
    area.Bottom = std::max(area.Top, area.Bottom);
    TvzCustomDockingContainer::ArrangeChildren(area);
    LayoutTabs();
    UpdateChildVisibility();
}

int TvzInsideContainer::MinimumWidth() const {
    int width = TvzCustomDockingContainer::MinimumWidth();
    for (const TvzCustomDockingControl* child : children_)
        width = std::max(width, child->MinimumWidth());
    if (const TvzCustomDockingManager* manager = DockingManager()) {
        TvzDockingUIStyle* style = manager->Style();
        const int sample = style->TabWidth(u"M...", tisNormal, TvzImage{}, 0, tipFirst, orTop);
        width = std::max(width, sample + style->TabIndent() + 3 * ButtonWidth());
    }
    return width;
}

int TvzInsideContainer::MinimumHeight() const {
    int largest = 0;
    for (const TvzCustomDockingControl* child : children_)
        largest = std::max(largest, child->MinimumHeight());
    return std::max(TvzCustomDockingContainer::MinimumHeight(), largest + TabStripHeight() + CaptionHeight());
}

void TvzInsideContainer::Resize() {
    TvzCustomDockingContainer::Resize();
    LayoutTabs();
}

void TvzInsideContainer::Paint() {
    TvzCustomDockingContainer::Paint();
    const ui::TRect strip = TabStripRect();
    TvzCustomDockingManager* manager = DockingManager();
    if (strip.IsEmpty() || !manager) return;
    TvzDockingUIStyle* style = manager->Style();
    style->PaintTabPane(*Canvas(), strip, orientation_);
    const int tabHeight =
        style->GetTabHeight(TvzImage{}) + style->GetMetric(4) + style->GetMetric(5) + style->GetMetric(9);
    // A previewed drop shows the strip it would leave.
    const std::vector<int> order = TabOrder();
    const tabs::TvzTabStripLayout layout = preview_.empty() ? layout_ : LayoutOf(order);
    for (int i = layout.firstVisible; i <= layout.lastVisible && i < static_cast<int>(order.size()); ++i) {
        const auto at = static_cast<std::size_t>(i);
        const int left = layout.lefts[at];
        const int right = left + layout.widths[at] - 1;
        const ui::TRect rect = orientation_ == dtoTop
                                   ? ui::TRect{left, strip.Bottom - tabHeight, right, strip.Bottom}
                                   : ui::TRect{left, strip.Top, right, strip.Top + tabHeight};
        style->PaintTabItem(*Canvas(), rect, rtl::Utf8ToUtf16(TabCaption(order[at])),
                            TabState(order[at], currentTab_, hotTab_), TabPosition(at, order.size()),
                            orientation_ == dtoTop ? orTop : orBottom, 0,
                            TvzImage{manager->Images(), -1, false});
    }
    if (const std::optional<int> edge = tabs::DropMarkEdge(layout_, dropMark_))
        style->PaintTabTarget(*Canvas(), {*edge - 3, strip.Top + 2, *edge + 3, strip.Bottom - 2});
    const int buttonWidth = ButtonWidth();
    const int buttonTop = strip.Top + (strip.Height() - buttonWidth) / 2;
    const auto button = [&](int left, TvzDockButtonState state, TvzTabButtonKind kind) {
        if (left >= 0)
            style->PaintTabButton(*Canvas(), ui::Bounds(left, buttonTop, buttonWidth, buttonWidth), state,
                                  kind);
    };
    const bool allVisible = layout_.firstVisible == 0 && layout_.lastVisible == ChildCount() - 1;
    button(layout_.listButtonLeft, dbsNormal, allVisible ? tbkPopup : tbkPopupEx);
    button(layout_.scrollLeftLeft, scrollLeftState_, tbkLeft);
    button(layout_.scrollRightLeft, scrollRightState_, tbkRight);
}

void TvzInsideContainer::MouseDown(ui::TMouseButton button, ui::TShiftState shift, int x, int y) {
    TvzCustomDockingManager* manager = DockingManager();
    mouseDownPoint_ = {x, y};
    const int tab = TabAt({x, y});
    if (tab < 0 || !manager || manager->Operation()) {
        TvzCustomDockingContainer::MouseDown(button, shift, x, y);
        return;
    }
    const auto inButton = [&](int left) { return left >= 0 && x >= left && x < left + ButtonWidth(); };
    if (button == ui::mbLeft && inButton(layout_.scrollLeftLeft) && layout_.scrollLeftEnabled)
        return ScrollBy(-1);
    if (button == ui::mbLeft && inButton(layout_.scrollRightLeft) && layout_.scrollRightEnabled)
        return ScrollBy(1);
    if (button == ui::mbLeft && inButton(layout_.listButtonLeft)) {
        FillTabList(tabListMenu_->Items());
        const ui::TPoint at = ClientToScreen({layout_.listButtonLeft, TabStripRect().Bottom});
        tabListMenu_->Popup(at.X, at.Y);
        return;
    }
    TvzCustomDockingControl* panel = children_[static_cast<std::size_t>(tab)];
    if (button == ui::mbLeft && shift.Contains(ui::ssDouble)) {
        if (TvzCustomDockAction* undock = panel->Actions(cmdUndock)) undock->Execute();
        return;
    }
    if (button == ui::mbMiddle && !IsDragShift(shift)) return;
    SelectTab(tab, true);
    if (IsDragShift(shift) && button != ui::mbRight && manager->CaptureMouse(this)) {
        dragMode_ = 2;
    } else if (button == ui::mbRight) {
        hotTab_ = -1;
        FillTabList(tabsItem_);
        PopupDockMenu({-1, -1});
    }
}

void TvzInsideContainer::DblClick() {
    if (TabAt(mouseDownPoint_) < 0) TvzCustomDockingContainer::DblClick();
}

void TvzInsideContainer::MouseMove(ui::TShiftState shift, int x, int y) {
    TvzCustomDockingManager* manager = DockingManager();
    if (dragMode_ != 0 && manager && IsDragShift(shift)) {
        if (Distance(mouseDownPoint_, {x, y}) < manager->Metric(2)) return;
        const int mode = dragMode_;
        dragMode_ = 0;
        hotTab_ = -1;
        manager->CaptureMouse(nullptr);
        TvzCustomDockingControl* dragged =
            mode == 2 && currentTab_ >= 0 ? children_[static_cast<std::size_t>(currentTab_)] : this;
        if (TvzCustomMover* mover = manager->Mover(dragged))
            mover->StartMove(dragged, ClientToScreen({x, y}));
        return;
    }
    const int hot = TabAt({x, y});
    if (hot != hotTab_) {
        hotTab_ = hot;
        LayoutTabs();
        Invalidate();
    }
    TvzCustomDockingContainer::MouseMove(shift, x, y);
}

void TvzInsideContainer::MouseUp(ui::TMouseButton button, ui::TShiftState shift, int x, int y) {
    if (dragMode_ != 0) {
        dragMode_ = 0;
        if (TvzCustomDockingManager* manager = DockingManager()) manager->CaptureMouse(nullptr);
    }
    TvzCustomDockingContainer::MouseUp(button, shift, x, y);
}

// ---- TvzTabHover ----

TvzTabHover::TvzTabHover(std::function<TGuid(ui::TPoint, bool)> hover) : hover_(std::move(hover)) {}

TvzTabHover::~TvzTabHover() {
    ui::Timers().KillTimers(this);
}

void TvzTabHover::Over(ui::TPoint screen) {
    point_ = screen;
    const TGuid key = hover_(screen, false);
    if (key == key_) return;
    key_ = key;
    ui::Timers().KillTimers(this);
    if (key_ == TGuid{}) return;
    ui::Timers().SetTimer(this, 1, kDelay, [this] {
        ui::Timers().KillTimers(this);
        hover_(point_, true);
    });
}

void TvzTabHover::Leave() {
    ui::Timers().KillTimers(this);
    key_ = {};
}

} // namespace docking
