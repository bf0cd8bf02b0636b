#include "app/fruWebBrowser.h"

#include "platform/rtl/Exception.h"
#include "platform/ui/WebBrowser.h"

namespace app {

TfrmWebBrowser::TfrmWebBrowser(ui::TComponent* owner, TNavigateEvent onNavigate)
    : ui::TFrame(owner), WebBrowser(new ui::TWebBrowser(this)) {
    RTL_ASSERT(onNavigate);
    SetName("frmWebBrowser");
    WebBrowser->SetName("WebBrowser");
    WebBrowser->SetParent(this);
    WebBrowser->SetAlign(ui::alClient);
    WebBrowser->OnBeforeNavigate = [onNavigate = std::move(onNavigate)](ui::TObject*, const std::string& url,
                                                                        bool& cancel) {
        onNavigate(url, cancel);
    };
}

void TfrmWebBrowser::Navigate(const std::string& url) {
    WebBrowser->Navigate(url);
}

void TfrmWebBrowser::FocusBrowser() {
    if (WebBrowser->CanFocus()) WebBrowser->SetFocus();
}

} // namespace app
