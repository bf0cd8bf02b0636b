#include "app/fuBreakpointProperties.h"

#include "engine/debugger/uBreakPoints.h"
#include "platform/rtl/Exception.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/Utf.h"
#include "widecontrols/uUcStdCtrls.h"
#include "widecontrols/uUcUtils.h"

#include <charconv>

namespace app {

int BreakpointLineOf(std::u16string_view text) {
    const std::string digits = widecontrols::WideToAnsi(text);
    int line = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), line);
    if (digits.empty() || error != std::errc() || end != digits.data() + digits.size())
        throw rtl::EConversionError(rtl::Format("'%s' is not a valid integer value", digits));
    return line;
}

namespace {

// A labelled edit in the dialog's column, `top` pixels down.
widecontrols::TUcEdit* AddField(widecontrols::TUcForm& form, const char* name, std::u16string_view label,
                                int top) {
    auto* caption = new widecontrols::TUcLabel(&form);
    caption->SetParent(&form);
    caption->SetWideCaption(label);
    caption->SetBounds(8, top + 4, 80, 16);
    auto* edit = new widecontrols::TUcEdit(&form);
    edit->SetName(name);
    edit->SetParent(&form);
    edit->SetBounds(92, top, 220, 22);
    caption->SetFocusControl(edit);
    return edit;
}

widecontrols::TUcButton* AddButton(widecontrols::TUcForm& form, const char* name, const char* caption,
                                   ui::TModalResult result, int left) {
    auto* button = new widecontrols::TUcButton(&form);
    button->SetName(name);
    button->SetParent(&form);
    button->SetCaption(caption);
    button->SetModalResult(result);
    button->SetBounds(left, 104, 75, 25);
    return button;
}

} // namespace

TfmBreakpointProperties::TfmBreakpointProperties(ui::TComponent* owner, engine::TBreakPoint* breakpoint)
    : widecontrols::TUcForm(owner), breakpoint_(breakpoint) {
    RTL_ASSERT(breakpoint_);
    SetName("fmBreakpointProperties");
    SetCaption("Breakpoint properties");
    SetFormBorderStyle(ui::bsDialog);
    SetPosition(ui::poOwnerFormCenter);
    edModuleIdentifier = AddField(*this, "edModuleIdentifier", u"&Module:", 8);
    edModuleIdentifier->SetEnabled(false);
    edModuleIdentifier->SetWideText(rtl::Utf8ToUtf16(breakpoint_->RoutineName()));
    edLineNumber = AddField(*this, "edLineNumber", u"&Line number:", 40);
    edLineNumber->SetWideText(rtl::Utf8ToUtf16(std::to_string(breakpoint_->Line())));
    edCondition = AddField(*this, "edCondition", u"Co&ndition:", 72);
    edCondition->SetWideText(breakpoint_->Condition());
    btnOK = AddButton(*this, "btnOK", "&OK", ui::mrOk, 156);
    btnOK->SetDefault(true);
    btnCancel = AddButton(*this, "btnCancel", "&Cancel", ui::mrCancel, 237);
    btnCancel->SetCancel(true);
    SetClientSize(320, 137);
}

void TfmBreakpointProperties::Apply() {
    breakpoint_->SetLine(BreakpointLineOf(edLineNumber->WideText()));
    breakpoint_->SetCondition(edCondition->WideText());
}

void EditBreakpointProperties(ui::TComponent* owner, engine::TBreakPoint& breakpoint) {
    TfmBreakpointProperties dialog(owner, &breakpoint);
    if (dialog.ShowModal() == ui::mrOk) dialog.Apply();
}

} // namespace app
