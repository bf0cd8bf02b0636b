// Points, sizes, rectangles and the object model types the window framework uses.
#pragma once

#include "platform/data/Collection.h"
#include "platform/data/Component.h"
#include "platform/rtl/Exception.h"

#include <algorithm>
#include <functional>

namespace ui {

// An operation the object's state does not allow (a control, an image list).
RTL_DECLARE_EXCEPTION(EInvalidOperation, rtl::Exception);

// The object model lives in the data layer; the window framework uses the same classes.
using data::csDesigning;
using data::csDestroying;
using data::csLoading;
using data::csUpdating;
using data::opInsert;
using data::opRemove;
using data::TCollection;
using data::TCollectionItem;
using data::TComponent;
using data::TComponentState;
using data::TOperation;
using data::TPersistent;
using TObject = data::TPersistent;

// A collection that answers its owner (a component or one of its persistent parts).
class TOwnedCollection : public TCollection {
public:
    TOwnedCollection(TPersistent* owner, TItemClass itemClass) : TCollection(itemClass, owner) {}
};

// An event handler; an empty function means "not assigned".
using TNotifyEvent = std::function<void(TObject* sender)>;

struct TPoint {
    int X = 0;
    int Y = 0;
    friend bool operator==(const TPoint&, const TPoint&) = default;
};

struct TSize {
    int cx = 0;
    int cy = 0;
    friend bool operator==(const TSize&, const TSize&) = default;
};

// A rectangle whose right and bottom edges are outside it: Width() is Right - Left.
struct TRect {
    int Left = 0;
    int Top = 0;
    int Right = 0;
    int Bottom = 0;

    int Width() const { return Right - Left; }
    int Height() const { return Bottom - Top; }
    TPoint TopLeft() const { return {Left, Top}; }
    TPoint BottomRight() const { return {Right, Bottom}; }
    bool IsEmpty() const { return Right <= Left || Bottom <= Top; }
    bool Contains(TPoint p) const { return p.X >= Left && p.X < Right && p.Y >= Top && p.Y < Bottom; }
    friend bool operator==(const TRect&, const TRect&) = default;
};

inline TPoint Point(int x, int y) {
    return {x, y};
}
inline TRect Rect(int left, int top, int right, int bottom) {
    return {left, top, right, bottom};
}
inline TRect Bounds(int left, int top, int width, int height) {
    return {left, top, left + width, top + height};
}
inline bool PtInRect(const TRect& r, TPoint p) {
    return r.Contains(p);
}
inline TRect OffsetRect(TRect r, int dx, int dy) {
    return {r.Left + dx, r.Top + dy, r.Right + dx, r.Bottom + dy};
}
inline TRect InflateRect(TRect r, int dx, int dy) {
    return {r.Left - dx, r.Top - dy, r.Right + dx, r.Bottom + dy};
}
// The common part of two rectangles, or an all-zero rectangle when they do not overlap.
inline TRect IntersectRect(const TRect& a, const TRect& b) {
    TRect r{std::max(a.Left, b.Left), std::max(a.Top, b.Top), std::min(a.Right, b.Right),
            std::min(a.Bottom, b.Bottom)};
    return r.IsEmpty() ? TRect{} : r;
}
// The smallest rectangle holding both; an empty rectangle adds nothing.
inline TRect UnionRect(const TRect& a, const TRect& b) {
    if (a.IsEmpty()) return b.IsEmpty() ? TRect{} : b;
    if (b.IsEmpty()) return a;
    return {std::min(a.Left, b.Left), std::min(a.Top, b.Top), std::max(a.Right, b.Right),
            std::max(a.Bottom, b.Bottom)};
}

} // namespace ui
