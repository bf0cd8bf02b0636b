#include "widecontrols/uUcForms.h"

#include "widecontrols/uUcMenus.h"

#include "core/uUnicode.h"
#include "platform/ui/Application.h"

namespace widecontrols {

TUcForm::TUcForm(ui::TComponent* owner) : TWideTextControl(owner) {
    Font()->SetName("Tahoma");
}

WideString TUcApplication::Hint() const {
    return ui::Application ? Utf8ToWide(ui::Application->Hint()) : WideString();
}

void TUcApplication::SetHint(std::u16string_view hint) {
    if (ui::Application) ui::Application->SetHint(WideToUtf8(hint));
}

WideString TUcApplication::Title() {
    ApplyPendingTitle();
    if (ui::Application) title_ = Utf8ToWide(ui::Application->Title());
    return title_;
}

void TUcApplication::SetTitle(std::u16string_view title) {
    title_ = title;
    titlePending_ = true;
    ApplyPendingTitle();
}

void TUcApplication::ApplyPendingTitle() {
    if (!titlePending_ || !ui::Application) return;
    ui::Application->SetTitle(WideToUtf8(title_));
    titlePending_ = false;
}

TUcApplication& WideApplication() {
    static TUcApplication application;
    return application;
}

bool IsWideAccelerator(uint32_t characterCode, std::u16string_view caption) {
    const WideString hotKey = WideGetHotKey(caption);
    return !hotKey.empty() && core::WideCompareTextLocale(WideString(1, KeyCodeToWideChar(characterCode)),
                                                          hotKey, core::kUserDefaultLocale) == 0;
}

} // namespace widecontrols
