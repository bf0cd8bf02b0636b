#include "platform/ui/WindowWatcher.h"

#include <QEvent>
#include <QPointer>
#include <QWidget>

namespace ui {

class TWindowWatcher::TFilter : public QObject {
public:
    TFilter(QWidget* window, THandler handler) : window_(window), handler_(std::move(handler)) {
        window->installEventFilter(this);
        connection_ = QObject::connect(window, &QObject::destroyed, this, [this] {
            window_ = nullptr;
            handler_(weDestroy);
        });
    }
    ~TFilter() override {
        QObject::disconnect(connection_);
        if (window_) window_->removeEventFilter(this);
    }

    QWidget* Window() const { return window_; }

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched != window_) return false;
        switch (event->type()) {
        case QEvent::Move:
            handler_(weMove);
            break;
        case QEvent::Resize:
            handler_(weResize);
            break;
        case QEvent::Show:
            handler_(weShow);
            break;
        case QEvent::Hide:
            handler_(weHide);
            break;
        case QEvent::WindowStateChange:
            handler_(weStateChange);
            break;
        default:
            break;
        }
        return false;
    }

private:
    QPointer<QWidget> window_;
    THandler handler_;
    QMetaObject::Connection connection_;
};

TWindowWatcher::TWindowWatcher(HWND window, THandler handler)
    : filter_(std::make_unique<TFilter>(window, std::move(handler))) {}

TWindowWatcher::~TWindowWatcher() = default;

HWND TWindowWatcher::Window() const {
    return filter_->Window();
}

} // namespace ui
