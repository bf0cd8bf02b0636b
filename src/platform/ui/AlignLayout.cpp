#include "platform/ui/AlignLayout.h"

#include <algorithm>

namespace ui {

namespace {

// The new start and length of one axis of an anchored control.
void FollowAxis(bool nearAnchor, bool farAnchor, int originalStart, int originalLength, int originalParent,
                int parent, int& start, int& length) {
    length = originalLength;
    if (nearAnchor && farAnchor) {
        start = originalStart;
        length = std::max(0, originalLength + parent - originalParent);
    } else if (farAnchor) {
        start = originalStart + parent - originalParent;
    } else if (nearAnchor) {
        start = originalStart;
    } else if (originalParent > 0) {
        const int centre = originalStart + originalLength / 2;
        start =
            static_cast<int>(static_cast<long long>(centre) * parent / originalParent) - originalLength / 2;
    } else {
        start = originalStart;
    }
}

// A key that sorts children of one alignment in the order they take their strips.
int OrderKey(TAlign align, const TRect& r) {
    switch (align) {
    case alTop:
        return r.Top;
    case alBottom:
        return -r.Bottom;
    case alLeft:
        return r.Left;
    case alRight:
        return -r.Right;
    default:
        return 0;
    }
}

} // namespace

TRect TAnchorRule::BoundsFor(TAnchors anchors, TSize parent) const {
    int left = 0, width = 0, top = 0, height = 0;
    FollowAxis(anchors.Contains(akLeft), anchors.Contains(akRight), original.Left, original.Width(),
               originalParent.cx, parent.cx, left, width);
    FollowAxis(anchors.Contains(akTop), anchors.Contains(akBottom), original.Top, original.Height(),
               originalParent.cy, parent.cy, top, height);
    return Bounds(left, top, width, height);
}

std::vector<TRect> AlignChildren(const TRect& client, const std::vector<TAlignItem>& items) {
    std::vector<TRect> result(items.size());
    TRect rest = client;
    for (std::size_t i = 0; i < items.size(); ++i)
        result[i] = items[i].bounds;

    for (TAlign align : {alTop, alBottom, alLeft, alRight, alClient}) {
        std::vector<std::size_t> order;
        for (std::size_t i = 0; i < items.size(); ++i)
            if (items[i].align == align && items[i].visible) order.push_back(i);
        std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
            return OrderKey(align, items[a].bounds) < OrderKey(align, items[b].bounds);
        });
        for (std::size_t i : order) {
            const TRect& b = items[i].bounds;
            TRect& r = result[i];
            switch (align) {
            case alTop:
                r = Bounds(rest.Left, rest.Top, rest.Width(), b.Height());
                rest.Top = std::min(rest.Bottom, rest.Top + b.Height());
                break;
            case alBottom:
                r = Bounds(rest.Left, rest.Bottom - b.Height(), rest.Width(), b.Height());
                rest.Bottom = std::max(rest.Top, rest.Bottom - b.Height());
                break;
            case alLeft:
                r = Bounds(rest.Left, rest.Top, b.Width(), rest.Height());
                rest.Left = std::min(rest.Right, rest.Left + b.Width());
                break;
            case alRight:
                r = Bounds(rest.Right - b.Width(), rest.Top, b.Width(), rest.Height());
                rest.Right = std::max(rest.Left, rest.Right - b.Width());
                break;
            default:
                r = rest;
                break;
            }
        }
    }

    const TSize parent{client.Width(), client.Height()};
    for (std::size_t i = 0; i < items.size(); ++i)
        if (items[i].align == alNone && !(items[i].anchors == kDefaultAnchors))
            result[i] = items[i].anchorRule.BoundsFor(items[i].anchors, parent);
    return result;
}

} // namespace ui
