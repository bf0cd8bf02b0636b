// A captioned frame around a group of controls.
#pragma once

#include "platform/ui/Controls.h"

namespace app {

class TGroupBox : public ui::TCustomControl {
public:
    explicit TGroupBox(ui::TComponent* owner);

protected:
    void Paint() override;
};

} // namespace app
