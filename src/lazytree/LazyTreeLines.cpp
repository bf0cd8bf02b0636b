#include "lazytree/LazyTreeLines.h"

#include "lazytree/LazyTreeModel.h"

#include <cmath>

namespace lazytree {

namespace {

bool VisibleSibling(const TLazyTreeModel& tree, PLazyNode node, PLazyNode TLazyNode::*step) {
    for (PLazyNode run = node->*step; run; run = run->*step)
        if (tree.IsEffectivelyVisible(run)) return true;
    return false;
}

int RoundedMulDiv(int value, int numerator, int denominator) {
    return static_cast<int>(std::lround(static_cast<double>(value) * numerator / denominator));
}

} // namespace

bool HasVisibleNextSibling(const TLazyTreeModel& tree, PLazyNode node) {
    return VisibleSibling(tree, node, &TLazyNode::NextSibling);
}

bool HasVisiblePreviousSibling(const TLazyTreeModel& tree, PLazyNode node) {
    return VisibleSibling(tree, node, &TLazyNode::PrevSibling);
}

int DetermineLineImage(const TLazyTreeModel& tree, PLazyNode node, TLineImage& image, bool linesHidden) {
    const PLazyNode root = tree.RootNode();
    const auto& paint = tree.Options().PaintOptions;
    const bool showRoot = paint.Contains(toShowRoot);
    int selectedAncestors = 0;
    int levels = 0;
    for (PLazyNode run = node->Parent; run != root; run = run->Parent) {
        ++levels;
        if (run->States.Contains(nsSelected)) ++selectedAncestors;
    }
    const int count = levels + (showRoot ? 1 : 0);
    image.assign(static_cast<std::size_t>(count), ltNone);
    if (count == 0 || !paint.Contains(toShowTreeLines) || linesHidden) return selectedAncestors;

    const bool topLevel = node->Parent == root;
    // The entry of a node at a level: the top level owns entry 0 only with toShowRoot.
    const auto entry = [&](int nodeLevel) -> TVTLineType& {
        return image[static_cast<std::size_t>(nodeLevel - (showRoot ? 0 : 1))];
    };
    int level = levels;
    if (paint.Contains(toChildrenAbove)) {
        const bool previous = HasVisiblePreviousSibling(tree, node);
        const bool below = !topLevel || HasVisibleNextSibling(tree, node);
        image.back() = previous ? (below ? ltTopDownRight : ltTopRight) : (below ? ltBottomRight : ltRight);
        for (PLazyNode run = node->Parent; run != root; run = run->Parent) {
            --level;
            if ((showRoot || level > 0) && HasVisiblePreviousSibling(tree, run)) entry(level) = ltTopDown;
        }
        return selectedAncestors;
    }

    if (!topLevel) image.back() = HasVisibleNextSibling(tree, node) ? ltTopDownRight : ltTopRight;
    PLazyNode topAncestor = node;
    for (PLazyNode run = node->Parent; run != root; run = run->Parent) {
        --level;
        topAncestor = run;
        if (level > 0 && HasVisibleNextSibling(tree, run)) entry(level) = ltTopDown;
    }
    if (showRoot) {
        if (topLevel) {
            const bool first = !HasVisiblePreviousSibling(tree, node);
            const bool last = !HasVisibleNextSibling(tree, node);
            image[0] = first && last ? ltRight : last ? ltTopRight : first ? ltBottomRight : ltTopDownRight;
        } else if (HasVisibleNextSibling(tree, topAncestor)) {
            image[0] = ltTopDown;
        }
    }
    return selectedAncestors;
}

TLineImage BandImage(const TLineImage& lineImage, bool expandedWithVisibleChild) {
    TLineImage bands(lineImage.size(), ltNone);
    if (expandedWithVisibleChild) {
        bands.assign(lineImage.size(), ltLeft);
        return bands;
    }
    for (std::size_t i = lineImage.size(); i-- > 0;) {
        switch (lineImage[i]) {
        case ltNone:
        case ltTopDown: {
            const TVTLineType next = i + 1 < lineImage.size() ? lineImage[i + 1] : ltNone;
            const TVTLineType carried = i + 1 < bands.size() ? bands[i + 1] : ltNone;
            bands[i] = next == ltNone || next == ltTopRight ? carried : ltLeft;
            break;
        }
        case ltBottomRight:
        case ltTopDownRight:
        case ltRight:
        case ltTopRight:
            bands[i] = ltLeftBottom;
            break;
        default:
            break;
        }
    }
    return bands;
}

TVerticalAlignment ComputeVerticalAlignment(TVTNodeAlignment mode, int nodeHeight, int alignValue,
                                            int imageHeight, bool showButtons, int buttonHeight) {
    TVerticalAlignment result;
    switch (mode) {
    case naFromBottom:
        result.Lines = nodeHeight - alignValue;
        break;
    case naFromTop:
        result.Lines = alignValue;
        break;
    case naProportional: {
        const int object = imageHeight > 0 ? imageHeight : showButtons ? buttonHeight : 0;
        result.Lines = RoundedMulDiv(nodeHeight - object, alignValue, 100) + object / 2;
        break;
    }
    }
    result.Button = result.Lines - buttonHeight / 2;
    return result;
}

ui::TPoint PlaceImage(ui::TRect& rect, ui::TSize imageSize, bool rightToLeft, int alignment) {
    ui::TPoint p;
    if (rightToLeft) {
        p.X = rect.Right - imageSize.cx;
        rect.Right -= imageSize.cx + 2;
    } else {
        p.X = rect.Left;
        rect.Left += imageSize.cx + 2;
    }
    p.Y = rect.Top + alignment - imageSize.cy / 2;
    return p;
}

} // namespace lazytree
