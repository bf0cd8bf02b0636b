#include "platform/ui/WindowPlacement.h"

#include "platform/ui/QtBridge.h"

#include <QWidget>

namespace ui {

bool GetWindowPlacement(HWND window, TWindowPlacement& placement) {
    if (!window) return false;
    placement = {};
    const Qt::WindowStates states = window->windowState();
    placement.showCmd = !window->isVisible()           ? SW_HIDE
                        : states & Qt::WindowMinimized ? SW_SHOWMINIMIZED
                        : states & Qt::WindowMaximized ? SW_SHOWMAXIMIZED
                                                       : SW_SHOWNORMAL;
    const bool normal = !(states & (Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen));
    placement.rcNormalPosition = FromQRect(
        normal || window->normalGeometry().isEmpty() ? window->geometry() : window->normalGeometry());
    return true;
}

bool SetWindowPlacement(HWND window, const TWindowPlacement& placement) {
    if (!window) return false;
    const TRect& r = placement.rcNormalPosition;
    if (r.Right > r.Left) {
        // The normal rectangle applies to a window in its normal state; then the state is put back.
        window->setWindowState(Qt::WindowNoState);
        window->setGeometry(ToQRect(r));
    }
    switch (placement.showCmd) {
    case SW_HIDE:
        window->hide();
        break;
    case SW_SHOWMINIMIZED:
        window->setWindowState(Qt::WindowMinimized);
        break;
    case SW_SHOWMAXIMIZED:
        window->setWindowState(Qt::WindowMaximized);
        break;
    default:
        window->setWindowState(Qt::WindowNoState);
        break;
    }
    return true;
}

} // namespace ui
