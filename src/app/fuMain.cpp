#include "app/fuMain.h"

#include "app/uVeltraneApplicationInfo.h"
#include "platform/rtl/Exception.h"
#include "platform/rtl/Format.h"
#include "platform/ui/Application.h"

namespace app {

std::shared_ptr<core::IDBAConnection> GlobalConnection;

TfmMain::TfmMain(ui::TComponent* owner) : ui::TForm(owner) {
    SetName("fmMain");
    SetBounds(0, 0, 1000, 700);
    SetPosition(ui::poScreenCenter);
    RTL_ASSERT(GlobalConnection);
    connection_ = std::move(GlobalConnection);
    GlobalConnection = nullptr;
    SetCaption(rtl::Format("%s - %s", connection_->GetDescription(), GetProductTitle()));
    ui::Application->SetTitle(Caption());
}

void InitializeMainUnit() {
    ui::Application->SetTitle(GetProductTitle());
}

} // namespace app
