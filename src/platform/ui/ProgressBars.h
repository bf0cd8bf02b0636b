// A bar that fills as a long task advances.
#pragma once

#include "platform/ui/Controls.h"

namespace ui {

class TProgressBar : public TGraphicControl {
public:
    explicit TProgressBar(TComponent* owner);

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

} // namespace ui
