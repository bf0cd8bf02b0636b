// The tree lines drawn in a node's indentation cells.
#pragma once

#include "lazytree/LazyNode.h"
#include "platform/ui/Types.h"

#include <cstdint>
#include <vector>

namespace lazytree {

class TLazyTreeModel;

// The tree-line piece drawn in one indentation cell.
enum TVTLineType : uint8_t {
    ltNone,
    ltBottomRight,
    ltTopDown,
    ltTopDownRight,
    ltRight,
    ltTopRight,
    ltLeft,
    ltLeftBottom,
};
// One piece per level, from the outermost to the node's own.
using TLineImage = std::vector<TVTLineType>;

enum TVTNodeAlignment : uint8_t { naFromBottom, naFromTop, naProportional };

// Fills the line image of a node and returns how many of its ancestors (below the root) are selected.
// The image has one entry per ancestor below the root, plus one with toShowRoot; it stays all ltNone
// without tree lines or while themes hide them.
int DetermineLineImage(const TLazyTreeModel& tree, PLazyNode node, TLineImage& image, bool linesHidden);

// The line pieces of band mode: a node's own row is framed on the left and the bottom.
TLineImage BandImage(const TLineImage& lineImage, bool expandedWithVisibleChild);

// Whether a sibling in that direction is effectively visible.
bool HasVisibleNextSibling(const TLazyTreeModel& tree, PLazyNode node);
bool HasVisiblePreviousSibling(const TLazyTreeModel& tree, PLazyNode node);

// Where lines and images (Lines) and the button's top (Button) lie below a node's top. imageHeight is
// the height of the image shown (0 for none).
struct TVerticalAlignment {
    int Lines = 0;
    int Button = 0;
};
TVerticalAlignment ComputeVerticalAlignment(TVTNodeAlignment mode, int nodeHeight, int alignValue,
                                            int imageHeight, bool showButtons, int buttonHeight);

// Places an image of the given size at the leading edge of rect, which gives up the image's room plus a
// gap of 2. Returns the image's top-left.
ui::TPoint PlaceImage(ui::TRect& rect, ui::TSize imageSize, bool rightToLeft, int alignment);

} // namespace lazytree
