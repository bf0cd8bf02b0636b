// Push buttons, check boxes and radio buttons over the native buttons.
#pragma once

#include "platform/ui/Controls.h"
#include "platform/ui/Forms.h"

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

} // namespace ui
