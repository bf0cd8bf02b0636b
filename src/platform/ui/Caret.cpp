#include "platform/ui/Caret.h"

namespace ui {

void TCaret::Create(int width, int height) {
    exists_ = true;
    size_ = {width, height};
    hideCount_ = 1;
    on_ = true;
}

void TCaret::Destroy() {
    exists_ = false;
    hideCount_ = 0;
}

void TCaret::SetPos(TPoint pos) {
    pos_ = pos;
    on_ = true;
}

void TCaret::Show() {
    if (exists_ && hideCount_ > 0) --hideCount_;
    on_ = true;
}

void TCaret::Hide() {
    if (exists_) ++hideCount_;
}

} // namespace ui
