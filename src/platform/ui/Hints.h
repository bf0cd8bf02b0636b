// Hint windows and what the application shows as a hint.
#pragma once

#include "platform/ui/Controls.h"

#include <functional>
#include <string>

namespace ui {

class THintWindow;

// Makes the hint window the application shows (the process-wide hint-window class).
using THintWindowClass = std::function<THintWindow*(TComponent* owner)>;

// What the application is about to show as a hint; the hint control (CM_HINTSHOW, LParam) and the
// application's OnShowHint may change every field.
struct THintInfo {
    TControl* HintControl = nullptr;
    THintWindowClass HintWindowClass;
    TPoint HintPos;       // screen point of the hint's top-left corner
    int HintMaxWidth = 0; // the hint wraps at this width
    TColor HintColor = clInfoBk;
    TRect CursorRect;      // client rectangle of the control in which this hint stays valid
    TPoint CursorPos;      // the mouse, in the control's client coordinates
    int ReshowTimeout = 0; // ms until the hint is asked for again (0: not while the mouse stays)
    int HideTimeout = 0;   // ms until the hint hides by itself (0: the application's HintHidePause)
    std::string HintStr;
    void* HintData = nullptr;
};

// CM_HINTSHOWPAUSE: WParam is whether a hint was showing; LParam points at the pause (int, ms) the
// control may change.
inline constexpr uint32_t CM_HINTSHOWPAUSE = CM_BASE + 54;

// The small window that shows a hint: a frameless tool-tip window with the hint colour and a frame.
class THintWindow : public TCustomControl {
public:
    explicit THintWindow(TComponent* owner);

    // Shows `hint` in `rect` (screen coordinates), kept on the desktop.
    virtual void ActivateHint(TRect rect, const std::string& hint);
    virtual void ActivateHintData(TRect rect, const std::string& hint, void* data);
    // The rectangle (at 0, 0) the hint needs when it wraps at `maxWidth`.
    virtual TRect CalcHintRect(int maxWidth, const std::string& hint, void* data);
    // Hides the window.
    virtual void ReleaseHandle();

protected:
    QWidget* CreateWidget(QWidget* parentWidget) override;
    TRect NonClientInsets() const override;
    void Paint() override;
    void WndProc(TMessage& message) override;
};

// The short part of a "short|long" hint (all of it without "|") and the long part.
std::string GetShortHint(const std::string& hint);
std::string GetLongHint(const std::string& hint);

} // namespace ui
