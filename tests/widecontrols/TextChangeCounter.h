#pragma once

#include "platform/ui/Controls.h"

namespace widecontrols {

// Counts the CM_TEXTCHANGED messages a control receives from its creation on.
class TextChangeCounter {
public:
    explicit TextChangeCounter(ui::TControl& control) {
        auto previous = control.WindowProc;
        control.WindowProc = [this, previous](ui::TMessage& message) {
            if (message.Msg == ui::CM_TEXTCHANGED) ++count_;
            previous(message);
        };
    }
    TextChangeCounter(const TextChangeCounter&) = delete;
    TextChangeCounter& operator=(const TextChangeCounter&) = delete;

    int Count() const { return count_; }

private:
    int count_ = 0;
};

} // namespace widecontrols
