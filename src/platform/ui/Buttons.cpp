#include "platform/ui/Buttons.h"

#include "platform/rtl/ScopeExit.h"
#include "platform/ui/Edges.h"
#include "platform/ui/QtBridge.h"
#include "platform/ui/WidgetBridge.h"

#include <QCheckBox>
#include <QIcon>
#include <QImage>
#include <QPixmap>
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
// TBitBtn

namespace {

struct TBitBtnKindInfo {
    const char* caption;
    TModalResult modalResult;
};

constexpr TBitBtnKindInfo kKinds[] = {
    {"", mrNone},        {"OK", mrOk},          {"Cancel", mrCancel}, {"&Help", mrNone},
    {"&Yes", mrYes},     {"&No", mrNo},         {"&Close", mrNone},   {"Abort", mrAbort},
    {"&Retry", mrRetry}, {"&Ignore", mrIgnore}, {"&All", mrAll},
};

// Pixels of the transparent colour become see-through, as the framework draws a glyph.
QIcon GlyphIcon(const TBitmap& glyph) {
    QImage image = glyph.Image().convertToFormat(QImage::Format_ARGB32);
    const QRgb key = ToQColor(glyph.TransparentColor()).rgb() & 0xFFFFFF;
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x)
            if ((line[x] & 0xFFFFFF) == key) line[x] = 0;
    }
    return QIcon(QPixmap::fromImage(image));
}

} // namespace

TBitBtn::TBitBtn(TComponent* owner) : TButton(owner) {}

TBitBtn::~TBitBtn() = default;

void TBitBtn::SetKind(TBitBtnKind kind) {
    kind_ = kind;
    if (kind == bkCustom) return;
    SetDefault(kind == bkOK || kind == bkYes);
    SetCancel(kind == bkCancel || kind == bkNo);
    SetCaption(kKinds[kind].caption);
    SetModalResult(kKinds[kind].modalResult);
}

void TBitBtn::SetGlyph(const TBitmap* value) {
    if (!value) {
        glyph_.reset();
    } else {
        if (!glyph_) glyph_ = std::make_unique<TBitmap>();
        glyph_->Assign(value);
    }
    if (auto* button = qobject_cast<QPushButton*>(Widget())) ShowGlyph(*button);
}

void TBitBtn::ShowGlyph(QPushButton& button) const {
    const bool shown = glyph_ && !glyph_->Empty();
    button.setIcon(shown ? GlyphIcon(*glyph_) : QIcon());
    if (shown) button.setIconSize(QSize(glyph_->Width(), glyph_->Height()));
}

QWidget* TBitBtn::CreateWidget(QWidget* parentWidget) {
    auto* button = static_cast<QPushButton*>(TButton::CreateWidget(parentWidget));
    ShowGlyph(*button);
    return button;
}

void TBitBtn::Click() {
    if (kind_ == bkClose) {
        if (TCustomForm* form = GetParentForm(this)) form->Close();
        return;
    }
    TButton::Click();
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

// ---- TSpeedButton

namespace {
// Between the glyph and the caption.
constexpr int kGlyphSpacing = 4;
} // namespace

TSpeedButton::TSpeedButton(TComponent* owner) : TGraphicControl(owner) {
    SetBounds(0, 0, 23, 22);
}

void TSpeedButton::SetGroupIndex(int value) {
    groupIndex_ = value;
    UpdateExclusive();
}

void TSpeedButton::SetDown(bool value) {
    if (groupIndex_ == 0) value = false; // only a grouped button stays down
    if (value == down_) return;
    // The down button of a group that must keep one down stays down.
    if (!value && !allowAllUp_) return;
    down_ = value;
    UpdateExclusive();
    Invalidate();
}

void TSpeedButton::SetAllowAllUp(bool value) {
    allowAllUp_ = value;
    // The whole group shares the setting.
    ForEachInGroup([value](TSpeedButton& other) { other.allowAllUp_ = value; });
}

void TSpeedButton::ForEachInGroup(const std::function<void(TSpeedButton&)>& each) {
    if (groupIndex_ == 0 || !Parent()) return;
    for (int i = 0; i < Parent()->ControlCount(); ++i)
        if (auto* other = dynamic_cast<TSpeedButton*>(Parent()->Controls(i));
            other && other != this && other->groupIndex_ == groupIndex_)
            each(*other);
}

void TSpeedButton::SetFlat(bool value) {
    flat_ = value;
    Invalidate();
}

void TSpeedButton::SetGlyph(const TBitmap* value) {
    if (!value)
        glyph_.reset();
    else {
        if (!glyph_) glyph_ = std::make_unique<TBitmap>();
        glyph_->Assign(value);
    }
    Invalidate();
}

void TSpeedButton::UpdateExclusive() {
    if (!down_) return;
    ForEachInGroup([](TSpeedButton& other) {
        if (!other.down_) return;
        other.down_ = false;
        other.Invalidate();
    });
}

void TSpeedButton::Click() {
    if (groupIndex_ != 0) {
        if (!down_)
            SetDown(true);
        else if (allowAllUp_)
            SetDown(false);
    }
    TGraphicControl::Click();
}

void TSpeedButton::WndProc(TMessage& message) {
    switch (message.Msg) {
    case CM_MOUSEENTER:
    case CM_MOUSELEAVE:
        hot_ = message.Msg == CM_MOUSEENTER && Enabled();
        Invalidate();
        break;
    case CM_TEXTCHANGED:
        Invalidate();
        break;
    default:
        break;
    }
    TGraphicControl::WndProc(message);
}

void TSpeedButton::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    if (button == mbLeft && Enabled()) {
        pressed_ = true;
        Invalidate();
    }
    TGraphicControl::MouseDown(button, shift, x, y);
}

void TSpeedButton::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
    if (button == mbLeft && pressed_) {
        pressed_ = false;
        Invalidate();
    }
    TGraphicControl::MouseUp(button, shift, x, y);
}

void TSpeedButton::Paint() {
    TCanvas& canvas = *Canvas();
    TRect r = ClientRect();
    canvas.Brush()->SetColor(Color());
    canvas.Brush()->SetStyle(bsSolid);
    canvas.FillRect(r);
    const bool sunken = down_ || (pressed_ && hot_);
    if (sunken)
        DrawEdge(canvas, r, flat_ ? BDR_SUNKENOUTER : EDGE_SUNKEN, BF_RECT);
    else if (!flat_ || hot_)
        DrawEdge(canvas, r, flat_ ? BDR_RAISEDINNER : EDGE_RAISED, BF_RECT);
    const int offset = sunken ? 1 : 0;

    // The glyph and the caption side by side, centred together.
    canvas.SetFont(Font());
    const std::string caption = Caption();
    const int glyphWidth = glyph_ && !glyph_->Empty() ? glyph_->Width() : 0;
    const int textWidth = caption.empty() ? 0 : canvas.TextWidth(caption);
    const int gap = glyphWidth > 0 && textWidth > 0 ? kGlyphSpacing : 0;
    int x = (r.Width() - glyphWidth - gap - textWidth) / 2 + offset;
    if (glyphWidth > 0) {
        canvas.Draw(x, (r.Height() - glyph_->Height()) / 2 + offset, glyph_.get());
        x += glyphWidth + gap;
    }
    if (textWidth == 0) return;
    if (!Enabled()) canvas.Font()->SetColor(clGrayText);
    canvas.Brush()->SetStyle(bsClear);
    TRect text = Rect(x, r.Top + offset, r.Right, r.Bottom + offset);
    canvas.DrawText(caption, text, DT_LEFT | DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS);
}

std::unique_ptr<TControlActionLink> TSpeedButton::CreateActionLink() {
    return std::make_unique<TSpeedButtonActionLink>(this);
}

void TSpeedButton::ActionChange(const TCustomAction& action) {
    TGraphicControl::ActionChange(action);
    if (groupIndex_ != 0) SetDown(action.Checked());
}

TSpeedButtonActionLink::TSpeedButtonActionLink(TSpeedButton* button)
    : TControlActionLink(button), button_(button) {}

bool TSpeedButtonActionLink::IsCheckedLinked() {
    return TControlActionLink::IsCheckedLinked() && button_->GroupIndex() != 0 &&
           button_->Down() == CustomAction()->Checked();
}

void TSpeedButtonActionLink::SetChecked(bool checked) {
    if (IsCheckedLinked()) button_->SetDown(checked);
}

} // namespace ui
