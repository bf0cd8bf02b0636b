// An HTML view over the native rich-text browser. It shows local pages and runs no scripts. Every
// navigation, a followed link or a call of Navigate, goes to OnBeforeNavigate first, which may cancel it.
#pragma once

#include "platform/ui/Controls.h"

#include <functional>
#include <string>
#include <vector>

namespace ui {

using TBeforeNavigateEvent = std::function<void(TObject* sender, const std::string& url, bool& cancel)>;

class TWebBrowser : public TWinControl {
public:
    explicit TWebBrowser(TComponent* owner);
    ~TWebBrowser() override;

    // Shows the page at the address ("file://" pages) unless OnBeforeNavigate cancels it. An address
    // relative to the page shown ("#") is resolved against it first.
    void Navigate(const std::string& url);
    // Shows the page shown before the current one again; false when there is none.
    bool GoBack();
    // The address of the page shown; empty before the first.
    const std::string& LocationURL() const { return location_; }
    // The page's text without its markup; empty while there is no window.
    std::string DocumentText() const;

    TBeforeNavigateEvent OnBeforeNavigate;

protected:
    QWidget* CreateWidget(QWidget* parentWidget) override;

private:
    std::string Resolve(const std::string& url) const;
    void Load();

    std::string location_;
    // The pages shown before the current one, oldest first.
    std::vector<std::string> history_;
};

} // namespace ui
