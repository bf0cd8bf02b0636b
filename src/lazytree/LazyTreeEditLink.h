// The interface of an in-place cell editor of a lazy tree.
#pragma once

#include "lazytree/LazyNode.h"
#include "lazytree/LazyTreeColumns.h"
#include "platform/ui/Messages.h"
#include "platform/ui/Types.h"

#include <memory>

namespace lazytree {

class TBaseLazyTree;

// An in-place editor of one cell. The tree positions it, starts it and later ends or cancels it; a
// false answer from Start, Abandon or Finish leaves the editor as it was.
class IVTEditLink {
public:
    virtual ~IVTEditLink() = default;
    // Shows the editor and gives it the focus.
    virtual bool StartEditing() = 0;
    // Hides it without storing anything.
    virtual bool AbandonEditing() = 0;
    // Stores the result and hides it.
    virtual bool FinishEditing() = 0;
    // Takes over the cell; false refuses.
    virtual bool PrepareEditing(TBaseLazyTree& tree, PLazyNode node, TColumnIndex column) = 0;
    virtual ui::TRect EditorBounds() = 0;
    virtual void ForwardMessage(ui::TMessage& message) = 0;
    // r in the tree's client coordinates.
    virtual void PlaceEditor(const ui::TRect& r) = 0;
};

using PVTEditLink = std::shared_ptr<IVTEditLink>;

} // namespace lazytree
