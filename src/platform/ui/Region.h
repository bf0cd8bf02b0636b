// Regions: sets of pixels combined from rectangles, ellipses, polygons and images.
#pragma once

#include "platform/ui/Color.h"
#include "platform/ui/Types.h"

#include <memory>
#include <vector>

class QRegion;

namespace ui {

class TBitmap;

enum TRegionCombine { RGN_AND = 1, RGN_OR = 2, RGN_XOR = 3, RGN_DIFF = 4, RGN_COPY = 5 };
enum TRegionComplexity { NULLREGION = 1, SIMPLEREGION = 2, COMPLEXREGION = 3 };

// A set of pixels made of rectangles, ellipses, polygons or a colour-keyed image, combined by
// union, intersection, difference and exclusive or. A value: copies are independent.
class TRegion {
public:
    TRegion();
    explicit TRegion(const TRect& rect);
    TRegion(const TRegion& other);
    TRegion(TRegion&& other) noexcept;
    TRegion& operator=(const TRegion& other);
    TRegion& operator=(TRegion&& other) noexcept;
    ~TRegion();

    static TRegion Ellipse(const TRect& bounds);
    // The polygon's inside by the alternate (even-odd) rule.
    static TRegion Polygon(const std::vector<TPoint>& points);
    // Every pixel of `image` whose colour is not `transparent` (magenta masks keep the rest).
    static TRegion FromImage(const TBitmap& image, TColor transparent);

    // This region combined with `other`; RGN_COPY gives this region.
    TRegion Combine(const TRegion& other, TRegionCombine mode) const;
    TRegion operator|(const TRegion& other) const { return Combine(other, RGN_OR); }
    TRegion operator&(const TRegion& other) const { return Combine(other, RGN_AND); }
    TRegion operator-(const TRegion& other) const { return Combine(other, RGN_DIFF); }
    TRegion operator^(const TRegion& other) const { return Combine(other, RGN_XOR); }
    void Offset(int dx, int dy);

    bool Contains(TPoint p) const;
    // Whether any pixel of `rect` is in the region.
    bool Intersects(const TRect& rect) const;
    bool IsEmpty() const;
    TRect BoundingRect() const;
    TRegionComplexity Complexity() const;
    // The region as non-overlapping rectangles, top to bottom.
    std::vector<TRect> Rects() const;
    bool operator==(const TRegion& other) const;

    // ---- Framework side (src/platform/ui) ----
    const QRegion& Native() const { return *region_; }
    explicit TRegion(const QRegion& region);

private:
    std::unique_ptr<QRegion> region_;
};

} // namespace ui
