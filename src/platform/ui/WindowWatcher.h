// Watches any window's moves, sizes, visibility and end without changing it.
#pragma once

#include "platform/ui/Messages.h"

#include <functional>
#include <memory>

namespace ui {

enum TWindowEvent { weMove, weResize, weShow, weHide, weStateChange, weDestroy };

// Watches any window, ours or not, without changing how it behaves: the handler hears of its moves,
// sizes, showing, hiding, state changes and its end. After weDestroy the watcher watches nothing.
class TWindowWatcher {
public:
    using THandler = std::function<void(TWindowEvent event)>;
    TWindowWatcher(HWND window, THandler handler);
    ~TWindowWatcher();
    TWindowWatcher(const TWindowWatcher&) = delete;
    TWindowWatcher& operator=(const TWindowWatcher&) = delete;

    HWND Window() const;

private:
    class TFilter;
    std::unique_ptr<TFilter> filter_;
};

} // namespace ui
