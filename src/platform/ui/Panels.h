// Panels (a bevelled container with a caption), group boxes (a captioned frame) and splitters (a bar
// that resizes its neighbour).
#pragma once

#include "platform/ui/Controls.h"
#include "platform/ui/Labels.h"

namespace ui {

enum TBevelCut { bvNone, bvLowered, bvRaised, bvSpace };

class TCustomPanel : public TCustomControl {
public:
    explicit TCustomPanel(TComponent* owner);

    TBevelCut BevelOuter() const { return bevelOuter_; }
    void SetBevelOuter(TBevelCut value);
    TBevelCut BevelInner() const { return bevelInner_; }
    void SetBevelInner(TBevelCut value);
    int BevelWidth() const { return bevelWidth_; }
    void SetBevelWidth(int value);
    // Room between the bevels, where children do not go.
    int BorderWidth() const { return borderWidth_; }
    void SetBorderWidth(int value);
    TAlignment Alignment() const { return alignment_; }
    void SetAlignment(TAlignment value);

    // Children are laid out inside the bevels.
    void AlignControls(TControl* changed, TRect& rect) override;
    void WndProc(TMessage& message) override;

protected:
    void Paint() override;

private:
    int Inset() const;

    TBevelCut bevelOuter_ = bvRaised;
    TBevelCut bevelInner_ = bvNone;
    int bevelWidth_ = 1;
    int borderWidth_ = 0;
    TAlignment alignment_ = taCenter;
};

class TPanel : public TCustomPanel {
public:
    using TCustomPanel::TCustomPanel;
};

// A captioned frame around a group of controls; aligned children stay inside the frame.
class TGroupBox : public TCustomControl {
public:
    explicit TGroupBox(TComponent* owner);

    void AlignControls(TControl* changed, TRect& rect) override;
    void WndProc(TMessage& message) override;

protected:
    void Paint() override;

private:
    int CaptionHeight() const;
};

using TCanResizeEvent = std::function<void(TObject* sender, int& newSize, bool& accept)>;

// Dragged with the mouse, it resizes the control aligned on the same side just before it.
class TSplitter : public TGraphicControl {
public:
    explicit TSplitter(TComponent* owner);

    // The smallest size the resized control and the room left on the other side may get.
    int MinSize() const { return minSize_; }
    void SetMinSize(int value) { minSize_ = value; }
    // The control the splitter resizes: the one aligned on its side, touching it.
    TControl* ResizeControl() const;

    TCanResizeEvent OnCanResize;
    // After a drag that changed the size.
    TNotifyEvent OnMoved;

protected:
    void Paint() override;
    void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
    void MouseMove(TShiftState shift, int x, int y) override;
    void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;

private:
    bool Horizontal() const { return Align() == alLeft || Align() == alRight; }
    // The size of the resized control for a mouse at this point of the parent.
    int SizeFor(TPoint parentPoint) const;

    int minSize_ = 30;
    TControl* control_ = nullptr;
    TPoint downAt_;
    int downSize_ = 0;
    bool moved_ = false;
};

} // namespace ui
