// A progress bar for the dialogs that run a long scan.
#pragma once

#include "platform/ui/Controls.h"

namespace app {

class TProgressBar : public ui::TGraphicControl {
public:
    explicit TProgressBar(ui::TComponent* owner);

    int Max() const { return max_; }
    void SetMax(int value);
    int Position() const { return position_; }
    // Kept between 0 and Max.
    void SetPosition(int value);
    void StepIt() { SetPosition(position_ + 1); }

protected:
    void Paint() override;

private:
    int max_ = 100;
    int position_ = 0;
};

} // namespace app
