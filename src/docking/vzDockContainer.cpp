#include "docking/vzDockContainer.h"

#include "docking/vzDockManager.h"
#include "docking/vzDockTexts.h"
#include "platform/rtl/Format.h"

#include <algorithm>

namespace docking {

const char* AlignmentName(TvzAlignment alignment) {
    static constexpr const char* kNames[] = {texts::sAlignClient, texts::sAlignLeft, texts::sAlignTop,
                                             texts::sAlignRight, texts::sAlignBottom};
    return kNames[alignment];
}

std::string JoinCaptions(const std::vector<std::string>& captions) {
    std::string joined;
    for (const std::string& caption : captions) {
        if (caption.empty()) continue;
        if (!joined.empty()) joined += ", ";
        joined += caption;
    }
    return joined;
}

TvzCustomDockingContainer::TvzCustomDockingContainer(ui::TComponent* owner)
    : TvzCustomDockingControl(owner) {}

TvzCustomDockingContainer::~TvzCustomDockingContainer() {
    destroying_ = true;
    TvzCustomDockingManager* manager = DockingManager();
    if (manager) manager->BeginUpdate(SiteId());
    for (int i = ChildCount() - 1; i >= 0; --i) {
        TvzCustomDockingControl* child = children_[static_cast<std::size_t>(i)];
        child->Close(true);
        if (child->Container() == this) child->SetContainer(nullptr);
    }
    if (manager) manager->EndUpdate();
}

bool TvzCustomDockingContainer::IsAncestor(const TvzCustomDockingControl* control) const {
    for (const TvzCustomDockingControl* up = Container(); up; up = up->Container())
        if (up == control) return true;
    return false;
}

int TvzCustomDockingContainer::AddChild(TvzCustomDockingControl* child) {
    if (IsAncestor(child)) throw EvzDocking(texts::sParentInChildOperation);
    if (child == this) throw rtl::EAssertionFailed("A container cannot hold itself");
    CheckAlignment(child->Alignment());
    int index = static_cast<int>(children_.size());
    if (insertionIndex_ >= 0 && insertionIndex_ <= index) index = insertionIndex_;
    insertionIndex_ = -1;
    children_.insert(children_.begin() + index, child);
    child->alignment_ = ValidateChildAlignment(child, child->Alignment());
    SortChildren();
    index = IndexOfChild(child);
    child->container_ = this;
    child->SetParent(Parent());
    child->SetSiteId(SiteId());
    UpdateChildrenCaption();
    DoDock(index, child);
    return index;
}

int TvzCustomDockingContainer::InsertChild(TvzCustomDockingControl* sibling, bool after,
                                           TvzCustomDockingControl* child) {
    if (child == this || sibling == this || sibling == child)
        throw rtl::EAssertionFailed("Invalid container insertion");
    if (IsAncestor(child)) throw EvzDocking(texts::sParentInChildOperation);
    insertionIndex_ = -1;
    if (sibling) {
        const int at = IndexOfChild(sibling);
        if (at < 0) throw rtl::EAssertionFailed("The sibling is not a child of the container");
        insertionIndex_ = at + (after ? 1 : 0);
    }
    const int index = insertionIndex_ >= 0 ? insertionIndex_ : ChildCount();
    if (child->Container()) child->SetContainer(nullptr);
    child->container_ = nullptr;
    child->SetContainer(this);
    return index;
}

void TvzCustomDockingContainer::RemoveChild(TvzCustomDockingControl* child, int index) {
    if (index < 0 || index >= ChildCount() || children_[static_cast<std::size_t>(index)] != child)
        throw rtl::EAssertionFailed("Not a child of the container");
    TvzCustomDockingManager* manager = DockingManager();
    if (manager) manager->BeginUpdate(SiteId());
    if (focusedChild_ == child) focusedChild_ = nullptr;
    DoUndock(index, child);
    children_.erase(children_.begin() + index);
    if (child->container_ == this) child->container_ = nullptr;
    TvzCustomDockingControl* repaired = nullptr;
    if (children_.size() == 1)
        repaired = children_.front();
    else if (!children_.empty() && child->Alignment() == alnClient)
        repaired = children_[static_cast<std::size_t>(std::max(0, index - 1))];
    if (repaired) {
        repaired->alignment_ = alnClient;
        CheckAlignment(alnClient);
    }
    UpdateChildrenCaption();
    if (manager) manager->EndUpdate();
}

TvzAlignment TvzCustomDockingContainer::ValidateChildAlignment(TvzCustomDockingControl*,
                                                               TvzAlignment alignment) {
    return alignment;
}

void TvzCustomDockingContainer::ArrangeChildren(const ui::TRect& client) {
    for (TvzCustomDockingControl* child : children_)
        child->SetScreenRect(client);
}

void TvzCustomDockingContainer::UpdateBounds() {
    TvzCustomDockingControl::UpdateBounds();
    TvzCustomDockingManager* manager = DockingManager();
    if (!ParentSite() || (manager && manager->UpdateCount() > 0)) return;
    const ui::TRect& rect = ScreenRect();
    ArrangeChildren({rect.Left, rect.Top + CaptionHeight(), rect.Right, rect.Bottom});
    for (TvzCustomDockingControl* child : children_)
        child->UpdateBounds();
    SendToBack(); // behind the containers inside it, which went back first
}

bool TvzCustomDockingContainer::CaptionVisible() const {
    const TvzCustomDockingManager* manager = DockingManager();
    if (ShowCaption() != bvDefault || !manager || AutoHidden() || DockState() == dsFloating)
        return TvzCustomDockingControl::CaptionVisible();
    return manager->ShowContainerCaption().Contains(ContainerType());
}

void TvzCustomDockingContainer::CheckAlignment(TvzAlignment alignment) const {
    if (!AlignmentAllowed(alignment))
        throw EvzDocking(rtl::Format(texts::sInvalidAlignment, AlignmentName(alignment), ClassName()));
}

void TvzCustomDockingContainer::Rearrange() {
    TvzCustomDockingControl::Rearrange();
    for (int i = ChildCount() - 1; i >= 0; --i)
        if (i < ChildCount()) children_[static_cast<std::size_t>(i)]->Rearrange();
    if (ChildCount() == 1) {
        ReplaceWith(children_.front());
        Release();
    } else if (ChildCount() == 0) {
        Release();
    }
}

void TvzCustomDockingContainer::Release() {
    if (destroying_) return;
    destroying_ = true;
    if (TvzCustomDockingManager* manager = DockingManager())
        manager->QueueRelease(this);
    else
        delete this;
}

std::string TvzCustomDockingContainer::Caption() const {
    const std::string own = TvzCustomDockingControl::Caption();
    return own.empty() ? childrenCaption_ : own;
}

void TvzCustomDockingContainer::UpdateChildrenCaption() {
    std::vector<std::string> captions;
    for (const TvzCustomDockingControl* child : children_)
        captions.push_back(child->Caption());
    childrenCaption_ = JoinCaptions(captions);
}

void TvzCustomDockingContainer::ChildChanged(TvzDockControlChange change) {
    if (change == dccCaption) UpdateChildrenCaption();
    TvzCustomDockingControl::ChildChanged(change);
}

bool TvzCustomDockingContainer::DoCloseQuery(bool remember) {
    for (TvzCustomDockingControl* child : children_) {
        if (child->DoCloseQuery(true)) continue;
        for (TvzCustomDockingControl* other : children_)
            other->closeAnswer_ = 0;
        return false;
    }
    if (remember) closeAnswer_ = 1;
    return true;
}

void TvzCustomDockingContainer::UpdateActionStates() {
    TvzCustomDockingControl::UpdateActionStates();
    if (TvzCustomDockAction* help = Actions(cmdHelp)) help->SetEnabled(false);
}

bool TvzCustomDockingContainer::SelectNextChild(bool forward, TvzCustomDockingControl* from) {
    TvzCustomDockingManager* manager = DockingManager();
    const bool switching = ctrlTabSwitch_ == bvTrue ||
                           (ctrlTabSwitch_ == bvDefault && manager && manager->CtrlTabControlSwitch());
    if (!switching || children_.empty())
        return Container() ? Container()->SelectNextChild(forward, this) : false;
    int index = IndexOfChild(from) + (forward ? 1 : -1);
    if (index < 0 || index >= ChildCount()) {
        if (Container()) return Container()->SelectNextChild(forward, this);
        index = forward ? 0 : ChildCount() - 1;
    }
    TvzCustomDockingControl* next = children_[static_cast<std::size_t>(index)];
    while (next->ChildCount() > 0)
        next = next->Children(forward ? 0 : next->ChildCount() - 1);
    next->SetFocus();
    return true;
}

void TvzCustomDockingContainer::SetFocus() {
    ShowInContainer();
    TvzCustomDockingControl* child =
        focusedChild_ ? focusedChild_ : (children_.empty() ? nullptr : children_.front());
    if (child) child->SetFocus();
}

} // namespace docking
