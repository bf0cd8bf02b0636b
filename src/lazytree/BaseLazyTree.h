#pragma once

#include "lazytree/LazyTreeModel.h"
#include "lazytree/TreeHost.h"
#include "platform/ui/Controls.h"

namespace lazytree {

// The lazy tree control: a custom-painted window over a TLazyTreeModel. It turns window events into
// model calls (scroll bars, size) and gives the model what a window has; the model decides.
class TBaseLazyTree : public ui::TCustomControl {
public:
    explicit TBaseLazyTree(ui::TComponent* owner);
    ~TBaseLazyTree() override;

    TLazyTreeModel& Tree() { return tree_; }
    const TLazyTreeModel& Tree() const { return tree_; }

    void WndProc(ui::TMessage& message) override;

protected:
    void Resize() override;
    void CreateWnd() override;
    void ApplyEnabled() override;
    void MouseDown(ui::TMouseButton button, ui::TShiftState shift, int x, int y) override;
    void MouseMove(ui::TShiftState shift, int x, int y) override;

private:
    // The window side of the model.
    class THost : public ITreeHost {
    public:
        explicit THost(TBaseLazyTree& control) : control_(control) {}
        bool HandleAllocated() const override { return control_.HandleAllocated(); }
        int ClientWidth() const override { return control_.ClientWidth(); }
        int ClientHeight() const override { return control_.ClientHeight(); }
        void SetRedraw(bool on) override;
        void Invalidate(const TTreeRect* rect) override;
        void ScrollContent(int dx, int dy, const TTreeRect& clip) override;
        void SetScrollBar(bool horizontal, const TScrollBarState& state) override;
        TTreePoint CursorPos() const override;

    private:
        TBaseLazyTree& control_;
    };

    void Scroll(int bar, int code);

    ui::TPoint mouse_;                      // where the mouse last moved over the window
    ui::TCursor ownCursor_ = ui::crDefault; // the cursor to restore after wheel panning
    bool resizing_ = false;
    THost host_;
    TLazyTreeModel tree_; // after host_, which it uses
};

} // namespace lazytree
