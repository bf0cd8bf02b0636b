#include "widecontrols/uUcDialogs.h"

#include "widecontrols/uUcGraphics.h"

#include "platform/ui/Application.h"
#include "platform/ui/Bitmap.h"

namespace widecontrols {

namespace {

// a * b / c rounded to the nearest, halves away from zero.
int MulDivRounded(int a, int b, int c) {
    const long long product = static_cast<long long>(a) * b;
    const long long half = (product < 0) != (c < 0) ? -(c / 2) : c / 2;
    return static_cast<int>((product + half) / c);
}

template <class Control>
Control* MakeChild(TUcForm& form) {
    auto* control = new Control(&form);
    control->SetParent(&form);
    return control;
}

} // namespace

TWideInputQueryForm::TWideInputQueryForm(ui::TComponent* owner, std::u16string_view caption,
                                         std::u16string_view prompt, std::u16string_view value)
    : TUcForm(owner), prompt_(MakeChild<TUcLabel>(*this)), edit_(MakeChild<TUcEdit>(*this)),
      ok_(MakeChild<TUcButton>(*this)), cancel_(MakeChild<TUcButton>(*this)) {
    SetFormBorderStyle(ui::bsDialog);
    SetPosition(ui::poScreenCenter);
    SetWideCaption(caption);
    prompt_->SetWideCaption(prompt);
    prompt_->SetWordWrap(true);
    edit_->SetMaxLength(255);
    edit_->SetWideText(value);
    edit_->SelectAll();
    ok_->SetCaption("OK");
    ok_->SetModalResult(ui::mrOk);
    ok_->SetDefault(true);
    cancel_->SetCaption("Cancel");
    cancel_->SetModalResult(ui::mrCancel);
    cancel_->SetCancel(true);
    LayOut();
}

void TWideInputQueryForm::LayOut() {
    ui::TBitmap measure(1, 1);
    measure.Canvas()->Font()->Assign(Font());
    const ui::TSize unit = AverageCharSize(*measure.Canvas());
    const auto x = [&](int units) { return MulDivRounded(units, unit.cx, 4); };
    const auto y = [&](int units) { return MulDivRounded(units, unit.cy, 8); };

    SetClientSize(x(180), ClientHeight());
    prompt_->SetAutoSize(true);
    prompt_->SetBounds(x(8), y(8), x(164), prompt_->Height());
    edit_->SetBounds(prompt_->Left(), prompt_->Top() + prompt_->Height() + 5, x(164), edit_->Height());
    const int buttonTop = edit_->Top() + edit_->Height() + 15;
    ok_->SetBounds(x(38), buttonTop, x(50), y(14));
    cancel_->SetBounds(x(92), buttonTop, x(50), y(14));
    SetClientSize(x(180), cancel_->Top() + cancel_->Height() + 13);
}

bool WideInputQuery(std::u16string_view caption, std::u16string_view prompt, WideString& value) {
    TWideInputQueryForm form(nullptr, caption, prompt, value);
    if (form.ShowModal() != ui::mrOk) return false;
    value = form.Edit().WideText();
    return true;
}

} // namespace widecontrols
