// A text painted on its parent: no window, no focus; "&" marks the key that focuses FocusControl.
#pragma once

#include "platform/data/DBTypes.h"
#include "platform/ui/Controls.h"

namespace ui {

// The alignment of text, shared with the data fields.
using data::taCenter;
using data::taLeftJustify;
using data::TAlignment;
using data::taRightJustify;
enum TTextLayoutStyle { tlTop, tlCenter, tlBottom };

class TCustomLabel : public TGraphicControl {
public:
    explicit TCustomLabel(TComponent* owner);

    // The label takes the size of its text (with WordWrap only the height changes).
    bool AutoSize() const { return autoSize_; }
    void SetAutoSize(bool value);
    TAlignment Alignment() const { return alignment_; }
    void SetAlignment(TAlignment value);
    TTextLayoutStyle Layout() const { return layout_; }
    void SetLayout(TTextLayoutStyle value);
    bool WordWrap() const { return wordWrap_; }
    void SetWordWrap(bool value);
    // "&" underlines the next character instead of showing itself.
    bool ShowAccelChar() const { return showAccelChar_; }
    void SetShowAccelChar(bool value);
    // The parent shows through where there is no text.
    bool Transparent() const { return transparent_; }
    void SetTransparent(bool value);
    // Alt with the "&" character focuses this control.
    TWinControl* FocusControl() const { return focusControl_; }
    void SetFocusControl(TWinControl* control);

    void WndProc(TMessage& message) override;

protected:
    void Paint() override;
    void Notification(TComponent* component, TOperation operation) override;
    TTextFormat TextFormat() const;
    // Sizes the label to its text now.
    void AdjustBounds();

private:
    bool autoSize_ = true;
    TAlignment alignment_ = taLeftJustify;
    TTextLayoutStyle layout_ = tlTop;
    bool wordWrap_ = false;
    bool showAccelChar_ = true;
    bool transparent_ = false;
    TWinControl* focusControl_ = nullptr;
};

class TLabel : public TCustomLabel {
public:
    using TCustomLabel::TCustomLabel;
};

} // namespace ui
