#include "platform/ui/ImageList.h"

#include "platform/ui/QtBridge.h"

#include <QImage>
#include <QPainter>

#include <algorithm>

namespace ui {

namespace {

[[noreturn]] void IndexError() {
    throw EInvalidOperation("Invalid ImageList Index");
}

// Opaque pixels mixed with `color`: `percent` of the colour over the image.
QImage Blended(const QImage& image, TColor color, int percent) {
    const TColor rgb = ColorToRGB(color);
    QImage result = image;
    for (int y = 0; y < result.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(result.scanLine(y));
        for (int x = 0; x < result.width(); ++x) {
            auto mix = [&](int a, int b) { return a + (b - a) * percent / 100; };
            row[x] = qRgba(mix(qRed(row[x]), GetRValue(rgb)), mix(qGreen(row[x]), GetGValue(rgb)),
                           mix(qBlue(row[x]), GetBValue(rgb)), qAlpha(row[x]));
        }
    }
    return result;
}

// Every visible pixel in one colour.
QImage Silhouette(const QImage& image, const QColor& color) {
    QImage result = image;
    for (int y = 0; y < result.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(result.scanLine(y));
        for (int x = 0; x < result.width(); ++x)
            row[x] = qAlpha(row[x]) > 127 ? color.rgb() : 0;
    }
    return result;
}

} // namespace

// ---- TChangeLink ----

TChangeLink::~TChangeLink() {
    if (sender_) sender_->UnRegisterChanges(this);
}

void TChangeLink::Change() {
    if (OnChange) OnChange(sender_);
}

// ---- TImageListImages ----

struct TImageListImages::Impl {
    std::vector<QImage> images; // ARGB32, list-sized
};

TImageListImages::TImageListImages(const TCustomImageList& list)
    : list_(list), impl_(std::make_unique<Impl>()) {}
TImageListImages::~TImageListImages() = default;

int TImageListImages::Count() const {
    return static_cast<int>(impl_->images.size());
}

namespace {

QImage ListSized(const QImage& image, int width, int height) {
    if (image.width() == width && image.height() == height)
        return image.convertToFormat(QImage::Format_ARGB32);
    return image.scaled(width, height, Qt::IgnoreAspectRatio, Qt::FastTransformation)
        .convertToFormat(QImage::Format_ARGB32);
}

} // namespace

int TImageListImages::Insert(int index, const TIcon& icon) {
    auto& images = impl_->images;
    if (index < 0 || index > Count()) index = Count();
    images.insert(images.begin() + index, ListSized(icon.Image(), list_.Width(), list_.Height()));
    return index;
}

void TImageListImages::Replace(int index, const TIcon& icon) {
    if (index < 0 || index >= Count()) IndexError();
    impl_->images[static_cast<size_t>(index)] = ListSized(icon.Image(), list_.Width(), list_.Height());
}

void TImageListImages::Remove(int index) {
    if (index == -1) {
        impl_->images.clear();
        return;
    }
    if (index < 0 || index >= Count()) IndexError();
    impl_->images.erase(impl_->images.begin() + index);
}

void TImageListImages::Move(int from, int to) {
    if (from < 0 || from >= Count() || to < 0 || to >= Count()) IndexError();
    QImage image = impl_->images[static_cast<size_t>(from)];
    impl_->images.erase(impl_->images.begin() + from);
    impl_->images.insert(impl_->images.begin() + to, image);
}

void TImageListImages::GetIcon(int index, TIcon& icon) const {
    if (index < 0 || index >= Count()) IndexError();
    icon.SetImage(impl_->images[static_cast<size_t>(index)]);
}

// ---- TCustomImageList ----

TCustomImageList::TCustomImageList(TComponent* owner) : TComponent(owner), images_(*this) {}

TCustomImageList::TCustomImageList(int width, int height, TComponent* owner) : TCustomImageList(owner) {
    width_ = std::max(width, 1);
    height_ = std::max(height, 1);
}

TCustomImageList::~TCustomImageList() {
    for (TChangeLink* link : links_)
        link->sender_ = nullptr;
}

void TCustomImageList::SetWidth(int width) {
    if (width == width_ || width < 1) return;
    width_ = width;
    images_.Remove(-1);
    Change();
}

void TCustomImageList::SetHeight(int height) {
    if (height == height_ || height < 1) return;
    height_ = height;
    images_.Remove(-1);
    Change();
}

void TCustomImageList::SetBkColor(TColor color) {
    if (color == bkColor_) return;
    bkColor_ = color;
    Change();
}

void TCustomImageList::CheckIndex(int index) const {
    if (index < 0 || index >= Count()) IndexError();
}

std::vector<std::unique_ptr<TIcon>> TCustomImageList::Slices(const TBitmap& image, const TBitmap* mask,
                                                             TColor maskColor, bool keyed) const {
    std::vector<std::unique_ptr<TIcon>> icons;
    const QImage& pixels = image.Image();
    const QImage maskPixels = mask && masked_ ? mask->Image() : QImage();
    const TColor key =
        keyed ? ColorToRGB(maskColor == clDefault ? image.TransparentColor() : maskColor) : clNone;
    const int count = std::max(1, image.Width() / width_);
    for (int i = 0; i < count; ++i) {
        QImage slice = pixels.copy(i * width_, 0, width_, std::min(height_, image.Height()))
                           .convertToFormat(QImage::Format_ARGB32);
        for (int y = 0; y < slice.height(); ++y) {
            auto* row = reinterpret_cast<QRgb*>(slice.scanLine(y));
            for (int x = 0; x < slice.width(); ++x) {
                const QRgb rgb = row[x] | 0xFF000000u;
                bool transparent = false;
                if (keyed) transparent = FromQColor(QColor(rgb)) == key;
                if (!maskPixels.isNull() && maskPixels.valid(i * width_ + x, y))
                    transparent = qGray(maskPixels.pixel(i * width_ + x, y)) > 127;
                row[x] = transparent ? 0 : rgb;
            }
        }
        auto icon = std::make_unique<TIcon>();
        QImage sized(width_, height_, QImage::Format_ARGB32);
        sized.fill(Qt::transparent);
        QPainter(&sized).drawImage(0, 0, slice);
        icon->SetImage(sized);
        icons.push_back(std::move(icon));
    }
    return icons;
}

int TCustomImageList::AddIcons(int index, const TBitmap* image, const TBitmap* mask, TColor maskColor,
                               bool keyed) {
    if (!image || image->Empty()) return -1;
    int first = -1;
    for (const auto& icon : Slices(*image, mask, maskColor, keyed)) {
        const int at = images_.Insert(index, *icon);
        if (first < 0) first = at;
        if (index >= 0) ++index;
    }
    Change();
    return first;
}

int TCustomImageList::Add(const TBitmap* image, const TBitmap* mask) {
    return AddIcons(-1, image, mask, clNone, false);
}

int TCustomImageList::AddIcon(const TIcon* icon) {
    if (!icon || icon->Empty()) return -1;
    const int index = images_.Insert(-1, *icon);
    Change();
    return index;
}

int TCustomImageList::AddImage(const TCustomImageList* list, int index) {
    if (!list) return -1;
    TIcon icon;
    list->GetIcon(index, &icon);
    return AddIcon(&icon);
}

void TCustomImageList::AddImages(const TCustomImageList* list) {
    if (!list) return;
    for (int i = 0; i < list->Count(); ++i)
        AddImage(list, i);
}

int TCustomImageList::AddMasked(const TBitmap* image, TColor maskColor) {
    return AddIcons(-1, image, nullptr, maskColor, true);
}

void TCustomImageList::Clear() {
    images_.Remove(-1);
    Change();
}

void TCustomImageList::Delete(int index) {
    CheckIndex(index);
    images_.Remove(index);
    Change();
}

void TCustomImageList::Insert(int index, const TBitmap* image, const TBitmap* mask) {
    if (index < 0 || index > Count()) IndexError();
    AddIcons(index, image, mask, clNone, false);
}

void TCustomImageList::InsertIcon(int index, const TIcon* icon) {
    if (index < 0 || index > Count()) IndexError();
    if (!icon) return;
    images_.Insert(index, *icon);
    Change();
}

void TCustomImageList::InsertMasked(int index, const TBitmap* image, TColor maskColor) {
    if (index < 0 || index > Count()) IndexError();
    AddIcons(index, image, nullptr, maskColor, true);
}

void TCustomImageList::Move(int from, int to) {
    if (from == to) return;
    images_.Move(from, to);
    Change();
}

void TCustomImageList::Replace(int index, const TBitmap* image, const TBitmap* mask) {
    CheckIndex(index);
    if (!image) return;
    images_.Replace(index, *Slices(*image, mask, clNone, false).front());
    Change();
}

void TCustomImageList::ReplaceIcon(int index, const TIcon* icon) {
    CheckIndex(index);
    if (!icon) return;
    images_.Replace(index, *icon);
    Change();
}

void TCustomImageList::ReplaceMasked(int index, const TBitmap* image, TColor maskColor) {
    CheckIndex(index);
    if (!image) return;
    images_.Replace(index, *Slices(*image, nullptr, maskColor, true).front());
    Change();
}

bool TCustomImageList::Overlay(int imageIndex, TOverlay overlay) {
    if (imageIndex < 0 || imageIndex >= Count() || overlay < 0 || overlay >= kMaxOverlays) return false;
    overlays_[static_cast<size_t>(overlay)] = imageIndex;
    return true;
}

void TCustomImageList::GetIcon(int index, TIcon* icon) const {
    if (icon) images_.GetIcon(index, *icon);
}

void TCustomImageList::GetBitmap(int index, TBitmap* image) const {
    if (!image) return;
    TIcon icon;
    GetIcon(index, &icon);
    image->SetImage(icon.Image());
    image->SetAlphaFormat(afDefined);
}

void TCustomImageList::Draw(TCanvas& canvas, int x, int y, int index, bool enabled) {
    Draw(canvas, x, y, index, drawingStyle_, imageType_, enabled);
}

void TCustomImageList::Draw(TCanvas& canvas, int x, int y, int index, TDrawingStyle style, TImageType type,
                            bool enabled) {
    static constexpr TImageDrawStyle kStyles[] = {ILD_FOCUS, ILD_SELECTED, ILD_NORMAL, ILD_TRANSPARENT};
    DoDraw(index, canvas, x, y, kStyles[style] | (type == itMask ? ILD_MASK : 0), enabled);
}

void TCustomImageList::DrawOverlay(TCanvas& canvas, int x, int y, int imageIndex, TOverlay overlay,
                                   bool enabled) {
    if (overlay < 0 || overlay >= kMaxOverlays) return;
    DoDraw(imageIndex, canvas, x, y, ILD_TRANSPARENT | IndexToOverlayMask(overlay), enabled);
}

void TCustomImageList::DoDraw(int index, TCanvas& canvas, int x, int y, TImageDrawStyle style, bool enabled) {
    if (index < 0 || index >= Count()) return;
    QPainter* painter = canvas.Painter();
    if (!painter) return;
    TIcon icon;
    images_.GetIcon(index, icon);
    QImage image = icon.Image();
    const QRect target(x, y, width_, height_);
    painter->save();
    if (style & ILD_MASK) {
        // The mask: black where the image is, white where it lets the background through.
        for (int py = 0; py < image.height(); ++py) {
            auto* row = reinterpret_cast<QRgb*>(image.scanLine(py));
            for (int px = 0; px < image.width(); ++px)
                row[px] = qAlpha(row[px]) ? qRgb(0, 0, 0) : qRgb(255, 255, 255);
        }
        painter->drawImage(target, image);
        painter->restore();
        return;
    }
    if (!(style & ILD_TRANSPARENT) && bkColor_ != clNone) painter->fillRect(target, ToQColor(bkColor_));
    if (!enabled) {
        // The disabled look: the image's shape embossed in the button colours.
        painter->drawImage(target.translated(1, 1), Silhouette(image, ToQColor(clBtnHighlight)));
        painter->drawImage(target, Silhouette(image, ToQColor(clBtnShadow)));
    } else {
        if (style & (ILD_BLEND50 | ILD_BLEND25))
            image = Blended(image, blendColor_ == clDefault ? clHighlight : blendColor_,
                            style & ILD_BLEND50 ? 50 : 25);
        painter->drawImage(target, image);
    }
    painter->restore();
    const int overlay = static_cast<int>((style & ILD_OVERLAYMASK) >> 8) - 1;
    if (overlay >= 0 && overlays_[static_cast<size_t>(overlay)] >= 0)
        DoDraw(overlays_[static_cast<size_t>(overlay)], canvas, x, y, ILD_TRANSPARENT, enabled);
}

void TCustomImageList::RegisterChanges(TChangeLink* link) {
    if (!link) return;
    if (link->sender_ && link->sender_ != this) link->sender_->UnRegisterChanges(link);
    link->sender_ = this;
    if (std::find(links_.begin(), links_.end(), link) == links_.end()) links_.push_back(link);
}

void TCustomImageList::UnRegisterChanges(TChangeLink* link) {
    if (!link) return;
    std::erase(links_, link);
    if (link->sender_ == this) link->sender_ = nullptr;
}

void TCustomImageList::Change() {
    if (OnChange) OnChange(this);
    // Copy: a link may unregister itself.
    const std::vector<TChangeLink*> links = links_;
    for (TChangeLink* link : links)
        if (std::find(links_.begin(), links_.end(), link) != links_.end()) link->Change();
}

void SetImageListSlot(TCustomImageList*& slot, TCustomImageList* images, TChangeLink* link,
                      TComponent* user) {
    if (slot == images) return;
    if (slot) {
        if (link) slot->UnRegisterChanges(link);
        slot->RemoveFreeNotification(user);
    }
    slot = images;
    if (slot) {
        if (link) slot->RegisterChanges(link);
        slot->FreeNotification(user);
    }
}

} // namespace ui
