#include "platform/ui/WebBrowser.h"

#include "platform/data/Component.h"
#include "platform/ui/QtBridge.h"

#include <QTextBrowser>
#include <QUrl>

namespace ui {

namespace {

// The native browser takes a CR of a CR LF outside <pre> for text, so that a line break between two
// elements joins a heading and what follows into one line; a web browser takes it for a blank.
class TBrowserWidget : public QTextBrowser {
public:
    using QTextBrowser::QTextBrowser;

    QVariant loadResource(int type, const QUrl& name) override {
        QVariant data = QTextBrowser::loadResource(type, name);
        const bool page = type == QTextDocument::HtmlResource || type == QTextDocument::UnknownResource;
        if (!page || data.userType() != QMetaType::QByteArray) return data;
        return data.toByteArray().replace("\r\n", "\n");
    }
};

} // namespace

TWebBrowser::TWebBrowser(TComponent* owner) : TWinControl(owner) {
    SetTabStop(true);
    SetBounds(0, 0, 300, 150);
}

TWebBrowser::~TWebBrowser() {
    Destroying();
    DestroyHandle();
}

QWidget* TWebBrowser::CreateWidget(QWidget* parentWidget) {
    auto* browser = new TBrowserWidget(parentWidget);
    browser->setPalette(SystemPalette());
    // Links are reported, never followed by the widget: the owner decides through Navigate.
    browser->setOpenLinks(false);
    browser->setOpenExternalLinks(false);
    QObject::connect(browser, &QTextBrowser::anchorClicked, browser, [this](const QUrl& link) {
        try {
            Navigate(ToUtf8(link.toString()));
        } catch (...) {
            // An exception must not unwind through Qt's signal delivery: the application shows it.
            data::HandleApplicationException(std::current_exception());
        }
    });
    if (!location_.empty()) browser->setSource(QUrl(ToQString(location_)));
    return browser;
}

std::string TWebBrowser::Resolve(const std::string& url) const {
    const QUrl link(ToQString(url));
    if (!link.isRelative() || location_.empty()) return url;
    return ToUtf8(QUrl(ToQString(location_)).resolved(link).toString());
}

void TWebBrowser::Navigate(const std::string& url) {
    const std::string address = Resolve(url);
    bool cancel = false;
    if (OnBeforeNavigate) OnBeforeNavigate(this, address, cancel);
    if (cancel) return;
    if (!location_.empty()) history_.push_back(location_);
    location_ = address;
    Load();
}

bool TWebBrowser::GoBack() {
    if (history_.empty()) return false;
    location_ = history_.back();
    history_.pop_back();
    Load();
    return true;
}

void TWebBrowser::Load() {
    auto* browser = qobject_cast<QTextBrowser*>(Widget());
    if (!browser) return;
    // The same address again is a new page (a file written anew): read it once more.
    if (browser->source() == QUrl(ToQString(location_)))
        browser->reload();
    else
        browser->setSource(QUrl(ToQString(location_)));
}

std::string TWebBrowser::DocumentText() const {
    auto* browser = qobject_cast<QTextBrowser*>(Widget());
    return browser ? ToUtf8(browser->toPlainText()) : std::string();
}

} // namespace ui
