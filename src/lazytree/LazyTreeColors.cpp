#include "lazytree/LazyTreeColors.h"

#include "lazytree/LazyTreeModel.h"

namespace lazytree {

void TVTColors::Set(TIndex index, ui::TColor value) {
    if (colors_[index] == value) return;
    colors_[index] = value;
    // Tree lines, border and everything else are painted by the client area alike.
    if (ITreeHost* host = owner_.Host(); host && host->HandleAllocated()) host->Invalidate(nullptr);
}

TVTColors& TVTColors::operator=(const TVTColors& source) {
    colors_ = source.colors_;
    if (ITreeHost* host = owner_.Host(); host && host->HandleAllocated() && owner_.UpdateCount() == 0)
        host->Invalidate(nullptr);
    return *this;
}

} // namespace lazytree
