// The program's hint window (the whole text in a padded box that stays on its monitor) and the hint
// tuner that shows a control's whole hint, not only the part before "|".
#pragma once

#include "platform/ui/Bitmap.h"
#include "platform/ui/Forms.h"
#include "platform/ui/Hints.h"

#include <memory>
#include <string>

namespace app {

// The place of a hint box of `size` whose top left wants to be at `origin`: no larger than the
// monitor, moved up and left to end inside it, and never above or left of it.
ui::TRect PlaceHintOnMonitor(ui::TPoint origin, ui::TSize size, const ui::TRect& monitor);

class TAdvancedHintWindow : public ui::THintWindow {
public:
    explicit TAdvancedHintWindow(ui::TComponent* owner);

    void ActivateHint(ui::TRect rect, const std::string& hint) override;

protected:
    ui::TRect NonClientInsets() const override { return {}; }
    void Paint() override;

private:
    // Every paint goes through it, so the box never flickers.
    std::unique_ptr<ui::TBitmap> bitmap_;
};

// Makes TAdvancedHintWindow the hint window of the application.
void InstallHintWindow();

class THintTuner {
public:
    void ShowHint(std::string& hintStr, bool& canShow, ui::THintInfo& hintInfo);
};

// Sets (or, with `remove`, clears) the application's OnShowHint to the tuner's.
void InstallHintTuner(bool remove);

} // namespace app
