// The base of docking nodes that hold other nodes, split or tabbed.
#pragma once

#include "docking/vzDockControl.h"

// A docking node that holds other nodes: split or tabbed.
namespace docking {

// The name of an alignment in error texts: "Client", "Left", "Top", "Right", "Bottom".
const char* AlignmentName(TvzAlignment alignment);
// The non-empty captions joined by ", ".
std::string JoinCaptions(const std::vector<std::string>& captions);

class TvzCustomDockingContainer : public TvzCustomDockingControl {
public:
    explicit TvzCustomDockingContainer(ui::TComponent* owner);
    ~TvzCustomDockingContainer() override;

    bool IsContainer() const override { return true; }
    bool AllowsMaximize() const override { return childrenMaximizable_; }
    void SetChildrenMaximizable(bool on) { childrenMaximizable_ = on; }
    TvzBooleanValue CtrlTabSwitch() const { return ctrlTabSwitch_; }
    void SetCtrlTabSwitch(TvzBooleanValue value) { ctrlTabSwitch_ = value; }
    TvzCustomDockingControl* FocusedChild() const { return focusedChild_; }
    void SetFocusedChild(TvzCustomDockingControl* child) { focusedChild_ = child; }

    int AddChild(TvzCustomDockingControl* child) override;
    int InsertChild(TvzCustomDockingControl* sibling, bool after, TvzCustomDockingControl* child) override;
    void RemoveChild(TvzCustomDockingControl* child, int index) override;
    // Raises "Invalid alignment ..." when a child may not take `alignment` here.
    void CheckAlignment(TvzAlignment alignment) const;
    void Rearrange() override;
    // Its own caption when set, else the children's.
    std::string Caption() const override;
    void ChildChanged(TvzDockControlChange change) override;
    bool DoCloseQuery(bool remember) override;
    void DoHideEx() override {}
    void UpdateActionStates() override;
    bool SelectNextChild(bool forward, TvzCustomDockingControl* from) override;
    void SetFocus() override;
    void Release();
    // The children's captions joined by ", ".
    const std::string& ChildrenCaption() const { return childrenCaption_; }
    void UpdateChildrenCaption();
    // Lays the children out in the container's screen rectangle, then places their windows; the
    // container's own window lies behind them.
    void UpdateBounds() override;
    // A container shows its own caption when the manager's ShowContainerCaption names its kind.
    bool CaptionVisible() const override;
    virtual TvzContainerType ContainerType() const { return cntInside; }

protected:
    friend class TvzCustomDockingControl;
    // The alignment child `child` (not yet a child: index -1) may take when it asks for `alignment`;
    // may realign the others. The base only checks it.
    virtual TvzAlignment ValidateChildAlignment(TvzCustomDockingControl* child, TvzAlignment alignment);
    // Puts the children in the order the container keeps them in.
    virtual void SortChildren() {}
    // Sets the children's screen rectangles inside `client` (screen coordinates).
    virtual void ArrangeChildren(const ui::TRect& client);
    bool IsAncestor(const TvzCustomDockingControl* control) const;

private:
    std::string childrenCaption_;
    TvzCustomDockingControl* focusedChild_ = nullptr;
    bool destroying_ = false;
    TvzBooleanValue ctrlTabSwitch_ = bvDefault;
    bool childrenMaximizable_ = true;
};

} // namespace docking
