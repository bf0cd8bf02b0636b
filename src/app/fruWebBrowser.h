// A frame around the embedded web browser that lets its owner vet each navigation.
#pragma once

#include "platform/ui/Forms.h"

#include <functional>
#include <string>

namespace ui {
class TWebBrowser;
}

namespace app {

// The frame around the embedded browser: its owner sees every navigation first and may cancel it.
class TfrmWebBrowser : public ui::TFrame {
public:
    using TNavigateEvent = std::function<void(const std::string& url, bool& cancel)>;

    TfrmWebBrowser(ui::TComponent* owner, TNavigateEvent onNavigate);

    void Navigate(const std::string& url);
    void FocusBrowser();

    ui::TWebBrowser* WebBrowser;
};

} // namespace app
