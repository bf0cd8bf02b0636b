#include "platform/ui/Region.h"

#include "platform/ui/Bitmap.h"
#include "platform/ui/QtBridge.h"

#include <QBitmap>
#include <QImage>
#include <QPolygon>
#include <QRegion>

namespace ui {

TRegion::TRegion() : region_(std::make_unique<QRegion>()) {}
TRegion::TRegion(const TRect& rect) : region_(std::make_unique<QRegion>(ToQRect(rect))) {}
TRegion::TRegion(const QRegion& region) : region_(std::make_unique<QRegion>(region)) {}
TRegion::TRegion(const TRegion& other) : region_(std::make_unique<QRegion>(*other.region_)) {}
TRegion::TRegion(TRegion&& other) noexcept : region_(std::make_unique<QRegion>()) {
    region_.swap(other.region_);
}
TRegion::~TRegion() = default;

TRegion& TRegion::operator=(const TRegion& other) {
    *region_ = *other.region_;
    return *this;
}

TRegion& TRegion::operator=(TRegion&& other) noexcept {
    region_.swap(other.region_);
    return *this;
}

TRegion TRegion::Ellipse(const TRect& bounds) {
    return TRegion(QRegion(ToQRect(bounds), QRegion::Ellipse));
}

TRegion TRegion::Polygon(const std::vector<TPoint>& points) {
    QPolygon polygon;
    for (TPoint p : points)
        polygon << ToQPoint(p);
    return TRegion(QRegion(polygon, Qt::OddEvenFill));
}

TRegion TRegion::FromImage(const TBitmap& image, TColor transparent) {
    if (image.Empty()) return TRegion();
    const TColor key = ColorToRGB(transparent);
    const QImage& pixels = image.Image();
    // One rectangle per run of kept pixels in each row; QRegion merges them.
    QRegion region;
    for (int y = 0; y < pixels.height(); ++y) {
        int x = 0;
        while (x < pixels.width()) {
            while (x < pixels.width() && FromQColor(QColor(pixels.pixel(x, y))) == key)
                ++x;
            const int start = x;
            while (x < pixels.width() && FromQColor(QColor(pixels.pixel(x, y))) != key)
                ++x;
            if (x > start) region += QRect(start, y, x - start, 1);
        }
    }
    return TRegion(region);
}

TRegion TRegion::Combine(const TRegion& other, TRegionCombine mode) const {
    switch (mode) {
    case RGN_AND:
        return TRegion(region_->intersected(*other.region_));
    case RGN_OR:
        return TRegion(region_->united(*other.region_));
    case RGN_XOR:
        return TRegion(region_->xored(*other.region_));
    case RGN_DIFF:
        return TRegion(region_->subtracted(*other.region_));
    default:
        return *this;
    }
}

void TRegion::Offset(int dx, int dy) {
    region_->translate(dx, dy);
}

bool TRegion::Contains(TPoint p) const {
    return region_->contains(ToQPoint(p));
}

bool TRegion::Intersects(const TRect& rect) const {
    return region_->intersects(ToQRect(rect));
}

bool TRegion::IsEmpty() const {
    return region_->isEmpty();
}

TRect TRegion::BoundingRect() const {
    return region_->isEmpty() ? TRect{} : FromQRect(region_->boundingRect());
}

TRegionComplexity TRegion::Complexity() const {
    if (region_->isEmpty()) return NULLREGION;
    return region_->rectCount() == 1 ? SIMPLEREGION : COMPLEXREGION;
}

std::vector<TRect> TRegion::Rects() const {
    std::vector<TRect> rects;
    for (const QRect& r : *region_)
        rects.push_back(FromQRect(r));
    return rects;
}

bool TRegion::operator==(const TRegion& other) const {
    return *region_ == *other.region_;
}

} // namespace ui
