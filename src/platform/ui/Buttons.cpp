#include "platform/ui/Buttons.h"

#include "platform/rtl/ScopeExit.h"
#include "platform/ui/QtBridge.h"
#include "platform/ui/WidgetBridge.h"

#include <QCheckBox>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>

namespace ui {

namespace {

// The button's own widget text: the caption with its "&" mnemonic, which Qt reads the same way.
template <class Button>
Button* MakeButton(QWidget* parentWidget, const TControl& control) {
    auto* button = new Button(parentWidget);
    button->setPalette(SystemPalette());
    button->setText(ToQString(control.Caption()));
    return button;
}

} // namespace

// ---------------------------------------------------------------------------------------------------
// TButtonControl

TButtonControl::TButtonControl(TComponent* owner) : TWinControl(owner) {
    SetTabStop(true);
    SetColor(clBtnFace);
    // The native button reports its clicks; a press and release is not one by itself.
    TControlStyle style = ControlStyle();
    style.Exclude(csClickEvents);
    style.Exclude(csCaptureMouse);
    SetControlStyle(style);
}

void TButtonControl::WndProc(TMessage& message) {
    if (message.Msg == WM_SETTEXT) {
        TWinControl::WndProc(message);
        if (auto* button = qobject_cast<QAbstractButton*>(Widget())) button->setText(ToQString(Caption()));
        return;
    }
    TWinControl::WndProc(message);
}

void TButtonControl::NativeClicked() {
    Click();
}

std::unique_ptr<TControlActionLink> TButtonControl::CreateActionLink() {
    return std::make_unique<TButtonActionLink>(this);
}

void TButtonControl::ActionChange(const TCustomAction& action) {
    TWinControl::ActionChange(action);
    const rtl::ScopeExit enable([this] { clicksDisabled_ = false; });
    clicksDisabled_ = true;
    SetChecked(action.Checked());
}

TButtonActionLink::TButtonActionLink(TButtonControl* button) : TControlActionLink(button), button_(button) {}

bool TButtonActionLink::IsCheckedLinked() {
    return TControlActionLink::IsCheckedLinked() && button_->GetChecked() == CustomAction()->Checked();
}

void TButtonActionLink::SetChecked(bool checked) {
    if (!IsCheckedLinked()) return;
    const rtl::ScopeExit enable([this] { button_->clicksDisabled_ = false; });
    button_->clicksDisabled_ = true;
    button_->SetChecked(checked);
}

// ---------------------------------------------------------------------------------------------------
// TButton

TButton::TButton(TComponent* owner) : TButtonControl(owner) {
    SetBounds(0, 0, 75, 25);
}

QWidget* TButton::CreateWidget(QWidget* parentWidget) {
    auto* button = MakeButton<QPushButton>(parentWidget, *this);
    button->setAutoDefault(false);
    button->setDefault(default_);
    QObject::connect(button, &QPushButton::clicked, button, [this] { NativeClicked(); });
    return button;
}

void TButton::SetDefault(bool value) {
    default_ = value;
    if (auto* button = qobject_cast<QPushButton*>(Widget())) button->setDefault(value);
}

void TButton::Click() {
    if (TCustomForm* form = GetParentForm(this); form && modalResult_ != mrNone)
        form->SetModalResult(modalResult_);
    TButtonControl::Click();
}

void TButton::WndProc(TMessage& message) {
    if (message.Msg == CM_DIALOGKEY) {
        // The focused button takes Return itself; the default one takes it when no button has the focus.
        const TWinControl* focused = Widget() ? FindControl(Widget()->window()->focusWidget()) : nullptr;
        const bool active = focused == this || (default_ && !dynamic_cast<const TButton*>(focused));
        const bool mine = message.WParam == VK_RETURN ? active : (message.WParam == VK_ESCAPE && cancel_);
        if (mine && CanFocus()) {
            Click();
            message.Result = 1;
        }
        return;
    }
    TButtonControl::WndProc(message);
}

// ---------------------------------------------------------------------------------------------------
// TCheckBox

TCheckBox::TCheckBox(TComponent* owner) : TButtonControl(owner) {
    SetBounds(0, 0, 97, 17);
}

QWidget* TCheckBox::CreateWidget(QWidget* parentWidget) {
    auto* box = MakeButton<QCheckBox>(parentWidget, *this);
    box->setTristate(allowGrayed_);
    box->setCheckState(state_ == cbChecked  ? Qt::Checked
                       : state_ == cbGrayed ? Qt::PartiallyChecked
                                            : Qt::Unchecked);
    QObject::connect(box, &QCheckBox::clicked, box, [this, box] {
        const Qt::CheckState now = box->checkState();
        state_ = now == Qt::Checked ? cbChecked : now == Qt::PartiallyChecked ? cbGrayed : cbUnchecked;
        NativeClicked();
    });
    return box;
}

void TCheckBox::SetState(TCheckBoxState state) {
    if (state == state_) return;
    state_ = state;
    if (auto* box = qobject_cast<QCheckBox*>(Widget())) {
        const QSignalBlocker block(box);
        box->setCheckState(state == cbChecked  ? Qt::Checked
                           : state == cbGrayed ? Qt::PartiallyChecked
                                               : Qt::Unchecked);
    }
    if (!ClicksDisabled()) Click();
}

void TCheckBox::SetAllowGrayed(bool value) {
    allowGrayed_ = value;
    if (auto* box = qobject_cast<QCheckBox*>(Widget())) box->setTristate(value);
}

// ---------------------------------------------------------------------------------------------------
// TRadioButton

TRadioButton::TRadioButton(TComponent* owner) : TButtonControl(owner) {
    SetBounds(0, 0, 113, 17);
}

QWidget* TRadioButton::CreateWidget(QWidget* parentWidget) {
    auto* radio = MakeButton<QRadioButton>(parentWidget, *this);
    // The framework keeps the group: Qt's own exclusivity would not see buttons without a window.
    radio->setAutoExclusive(false);
    radio->setChecked(checked_);
    QObject::connect(radio, &QRadioButton::clicked, radio, [this, radio] {
        // Clicking a checked radio button leaves it checked.
        if (checked_) {
            const QSignalBlocker block(radio);
            radio->setChecked(true);
            return;
        }
        SetChecked(true);
    });
    return radio;
}

void TRadioButton::SetChecked(bool value) {
    if (value == checked_) return;
    checked_ = value;
    if (auto* radio = qobject_cast<QRadioButton*>(Widget())) {
        const QSignalBlocker block(radio);
        radio->setChecked(value);
    }
    if (!value) return;
    if (TWinControl* parent = Parent())
        for (int i = 0; i < parent->ControlCount(); ++i)
            if (auto* sibling = dynamic_cast<TRadioButton*>(parent->Controls(i)); sibling && sibling != this)
                sibling->SetChecked(false);
    if (!ClicksDisabled()) Click();
}

} // namespace ui
