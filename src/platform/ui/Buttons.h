// Push buttons, check boxes and radio buttons over the native buttons.
#pragma once

#include "platform/ui/Bitmap.h"
#include "platform/ui/Controls.h"
#include "platform/ui/Forms.h"

#include <functional>
#include <memory>

class QPushButton;

namespace ui {

// A button that may show a checked state; an action's Checked follows to it.
class TButtonControl : public TWinControl {
public:
    explicit TButtonControl(TComponent* owner);

    void WndProc(TMessage& message) override;

protected:
    virtual bool GetChecked() const { return false; }
    virtual void SetChecked(bool) {}
    std::unique_ptr<TControlActionLink> CreateActionLink() override;
    void ActionChange(const TCustomAction& action) override;
    // A click of the native button (mouse, keyboard or Click of the widget).
    void NativeClicked();
    // Setting Checked clicks, unless the action being followed is what set it.
    bool ClicksDisabled() const { return clicksDisabled_; }

private:
    bool clicksDisabled_ = false;

    friend class TButtonActionLink;
};

class TButtonActionLink : public TControlActionLink {
public:
    explicit TButtonActionLink(TButtonControl* button);
    bool IsCheckedLinked() override;
    void SetChecked(bool checked) override;

private:
    TButtonControl* button_;
};

class TButton : public TButtonControl {
public:
    explicit TButton(TComponent* owner);

    // Return anywhere on the form clicks the default button (unless another button has the focus);
    // Escape clicks the cancel button.
    bool Default() const { return default_; }
    void SetDefault(bool value);
    bool Cancel() const { return cancel_; }
    void SetCancel(bool value) { cancel_ = value; }
    // Clicking sets the form's ModalResult to this, which ends ShowModal.
    TModalResult ModalResult() const { return modalResult_; }
    void SetModalResult(TModalResult result) { modalResult_ = result; }

    void Click() override;
    void WndProc(TMessage& message) override;

protected:
    QWidget* CreateWidget(QWidget* parentWidget) override;

private:
    bool default_ = false;
    bool cancel_ = false;
    TModalResult modalResult_ = mrNone;
};

enum TBitBtnKind {
    bkCustom,
    bkOK,
    bkCancel,
    bkHelp,
    bkYes,
    bkNo,
    bkClose,
    bkAbort,
    bkRetry,
    bkIgnore,
    bkAll
};

// A push button with a picture left of its caption. A Kind other than bkCustom gives the button its
// standard caption, modal result and Default or Cancel role; a bkClose button closes its form.
class TBitBtn : public TButton {
public:
    explicit TBitBtn(TComponent* owner);
    ~TBitBtn() override;

    TBitBtnKind Kind() const { return kind_; }
    void SetKind(TBitBtnKind kind);
    // Null until a picture is assigned; a copy is kept. Its transparent colour lets the button show.
    TBitmap* Glyph() const { return glyph_.get(); }
    void SetGlyph(const TBitmap* value);

    void Click() override;

protected:
    QWidget* CreateWidget(QWidget* parentWidget) override;

private:
    void ShowGlyph(QPushButton& button) const;

    TBitBtnKind kind_ = bkCustom;
    std::unique_ptr<TBitmap> glyph_;
};

enum TCheckBoxState { cbUnchecked, cbChecked, cbGrayed };

class TCheckBox : public TButtonControl {
public:
    explicit TCheckBox(TComponent* owner);

    bool Checked() const { return state_ == cbChecked; }
    // Fires OnClick when the state changes, as a click does.
    void SetChecked(bool value) override { SetState(value ? cbChecked : cbUnchecked); }
    TCheckBoxState State() const { return state_; }
    void SetState(TCheckBoxState state);
    // The user may click the box into the grayed state.
    bool AllowGrayed() const { return allowGrayed_; }
    void SetAllowGrayed(bool value);

protected:
    bool GetChecked() const override { return Checked(); }
    QWidget* CreateWidget(QWidget* parentWidget) override;

private:
    TCheckBoxState state_ = cbUnchecked;
    bool allowGrayed_ = false;
};

// Checking a radio button unchecks the other radio buttons of its parent.
class TRadioButton : public TButtonControl {
public:
    explicit TRadioButton(TComponent* owner);

    bool Checked() const { return checked_; }
    // Checking fires OnClick; unchecking does not.
    void SetChecked(bool value) override;

protected:
    bool GetChecked() const override { return checked_; }
    QWidget* CreateWidget(QWidget* parentWidget) override;

private:
    bool checked_ = false;
};

// A flat-able button without a window: a glyph left of its caption. Buttons of one parent with the
// same GroupIndex (above 0) act as a group: one is down at a time, and with AllowAllUp none need be.
class TSpeedButton : public TGraphicControl {
public:
    explicit TSpeedButton(TComponent* owner);

    int GroupIndex() const { return groupIndex_; }
    void SetGroupIndex(int value);
    bool Down() const { return down_; }
    void SetDown(bool value);
    bool AllowAllUp() const { return allowAllUp_; }
    void SetAllowAllUp(bool value);
    // Flat: no frame until the mouse is over the button.
    bool Flat() const { return flat_; }
    void SetFlat(bool value);
    // Null until a picture is assigned; a copy is kept.
    TBitmap* Glyph() const { return glyph_.get(); }
    void SetGlyph(const TBitmap* value);
    bool MouseInControl() const { return hot_; }

    void Click() override;
    void WndProc(TMessage& message) override;

protected:
    void Paint() override;
    void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
    void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
    std::unique_ptr<TControlActionLink> CreateActionLink() override;
    void ActionChange(const TCustomAction& action) override;

private:
    friend class TSpeedButtonActionLink;
    // Puts up the other buttons of the group once this one is down.
    void UpdateExclusive();
    // The other buttons of this one's group.
    void ForEachInGroup(const std::function<void(TSpeedButton&)>& each);

    int groupIndex_ = 0;
    bool down_ = false;
    bool allowAllUp_ = false;
    bool flat_ = false;
    bool hot_ = false;
    bool pressed_ = false;
    std::unique_ptr<TBitmap> glyph_;
};

class TSpeedButtonActionLink : public TControlActionLink {
public:
    explicit TSpeedButtonActionLink(TSpeedButton* button);
    bool IsCheckedLinked() override;
    void SetChecked(bool checked) override;

private:
    TSpeedButton* button_;
};

} // namespace ui
