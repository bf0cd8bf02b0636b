#include "platform/ui/Bitmap.h"

#include "platform/ui/BmpCodec.h"
#include "platform/ui/QtBridge.h"

#include <QImage>
#include <QPainter>

#include <cstring>
#include <unordered_map>

namespace ui {

namespace {

int BitsPerPixel(TPixelFormat format) {
    switch (format) {
    case pf1bit:
        return 1;
    case pf4bit:
        return 4;
    case pf8bit:
        return 8;
    case pf15bit:
    case pf16bit:
        return 16;
    case pf24bit:
        return 24;
    default:
        return 32;
    }
}

bool IsIndexed(TPixelFormat format) {
    return format == pf1bit || format == pf4bit || format == pf8bit;
}

// The QImage format that holds a direct format's pixels in the same byte layout; indexed formats
// are drawn from a 32-bit image.
QImage::Format QtFormat(TPixelFormat format) {
    switch (format) {
    case pf15bit:
        return QImage::Format_RGB555;
    case pf16bit:
        return QImage::Format_RGB16;
    case pf24bit:
        return QImage::Format_BGR888;
    default:
        return QImage::Format_ARGB32;
    }
}

int Stride(int width, int bitsPerPixel) {
    return (width * bitsPerPixel + 31) / 32 * 4;
}

int IndexAt(const uint8_t* row, int x, int bits) {
    switch (bits) {
    case 1:
        return (row[x / 8] >> (7 - x % 8)) & 1;
    case 4:
        return (row[x / 2] >> (x % 2 ? 0 : 4)) & 0x0F;
    default:
        return row[x];
    }
}

void SetIndexAt(uint8_t* row, int x, int bits, int index) {
    switch (bits) {
    case 1: {
        const uint8_t bit = static_cast<uint8_t>(0x80 >> (x % 8));
        row[x / 8] = static_cast<uint8_t>(index ? row[x / 8] | bit : row[x / 8] & ~bit);
        break;
    }
    case 4: {
        const int shift = x % 2 ? 0 : 4;
        row[x / 2] = static_cast<uint8_t>((row[x / 2] & ~(0x0F << shift)) | ((index & 0x0F) << shift));
        break;
    }
    default:
        row[x] = static_cast<uint8_t>(index);
    }
}

} // namespace

// The bitmap's own canvas: drawing on it brings the image up to date first.
class TBitmap::BitmapCanvas : public TCanvas {
public:
    explicit BitmapCanvas(const TBitmap& bitmap) : bitmap_(bitmap) {}

protected:
    void PrepareImage(bool writing) override;

private:
    const TBitmap& bitmap_;
};

// Indexed formats live twice: as the stored indices (what ScanLine gives) and as 32-bit colour (what
// the canvas draws on). `current` says which is newer; the other is rebuilt when asked for.
struct TBitmap::Impl {
    enum class Current { Both, Image, Indices };

    explicit Impl(const TBitmap& bitmap) : canvas(bitmap) {}

    QImage image;
    std::vector<uint8_t> indices;
    TPaletteEntries palette;
    Current current = Current::Both;
    BitmapCanvas canvas;

    int Width() const { return image.width(); }
    int Height() const { return image.height(); }

    void ImageUpToDate(int bits, bool writing) {
        if (current == Current::Indices) {
            const int stride = Stride(Width(), bits);
            for (int y = 0; y < Height(); ++y) {
                const uint8_t* row = indices.data() + static_cast<size_t>(y) * stride;
                auto* out = reinterpret_cast<QRgb*>(image.scanLine(y));
                for (int x = 0; x < Width(); ++x) {
                    const size_t index = static_cast<size_t>(IndexAt(row, x, bits));
                    const TColor c = index < palette.size() ? palette[index] : clBlack;
                    out[x] = qRgb(GetRValue(c), GetGValue(c), GetBValue(c));
                }
            }
            current = Current::Both;
        }
        if (writing) current = Current::Image;
    }

    void IndicesUpToDate(int bits, bool writing) {
        canvas.Flush();
        if (current == Current::Image) {
            const int stride = Stride(Width(), bits);
            indices.assign(static_cast<size_t>(stride) * Height(), 0);
            std::unordered_map<QRgb, int> nearest;
            for (int y = 0; y < Height(); ++y) {
                uint8_t* row = indices.data() + static_cast<size_t>(y) * stride;
                const auto* in = reinterpret_cast<const QRgb*>(image.constScanLine(y));
                for (int x = 0; x < Width(); ++x) {
                    const QRgb rgb = in[x] | 0xFF000000u;
                    auto found = nearest.find(rgb);
                    if (found == nearest.end())
                        found =
                            nearest.emplace(rgb, NearestPaletteIndex(palette, FromQColor(QColor(rgb)))).first;
                    SetIndexAt(row, x, bits, std::max(found->second, 0));
                }
            }
            current = Current::Both;
        }
        if (writing) current = Current::Indices;
    }
};

void TBitmap::BitmapCanvas::PrepareImage(bool writing) {
    if (IsIndexed(bitmap_.format_)) bitmap_.impl_->ImageUpToDate(BitsPerPixel(bitmap_.format_), writing);
}

TBitmap::TBitmap() : impl_(std::make_unique<Impl>(*this)) {
    impl_->canvas.SetImage(&impl_->image);
}

TBitmap::TBitmap(int width, int height, TPixelFormat format) : TBitmap() {
    SetPixelFormat(format);
    SetSize(width, height);
}

TBitmap::~TBitmap() {
    impl_->canvas.SetImage(nullptr);
}

int TBitmap::Width() const {
    return impl_->Width();
}

int TBitmap::Height() const {
    return impl_->Height();
}

void TBitmap::SetWidth(int width) {
    SetSize(width, Height());
}

void TBitmap::SetHeight(int height) {
    SetSize(Width(), height);
}

void TBitmap::SetSize(int width, int height) {
    width = std::max(width, 0);
    height = std::max(height, 0);
    if (width == Width() && height == Height()) return;
    const QImage& old = Image();
    QImage resized(width, height, IsIndexed(format_) ? QImage::Format_ARGB32 : QtFormat(format_));
    resized.fill(Qt::white);
    if (!old.isNull() && !resized.isNull()) {
        QPainter painter(&resized);
        painter.setCompositionMode(QPainter::CompositionMode_Source);
        painter.drawImage(0, 0, old);
    }
    impl_->canvas.Flush();
    impl_->image = resized;
    impl_->current = Impl::Current::Image;
    Changed();
}

void TBitmap::SetPixelFormat(TPixelFormat format) {
    if (format == pfCustom) format = pfDevice;
    if (format == format_) return;
    const QImage& old = Image();
    impl_->canvas.Flush();
    if (IsIndexed(format)) {
        impl_->image = old.convertToFormat(QImage::Format_ARGB32);
        const int bits = BitsPerPixel(format);
        if (!IsIndexed(format_) || impl_->palette.size() > (1u << bits))
            impl_->palette = DefaultPalette(bits);
    } else {
        impl_->image = old.convertToFormat(QtFormat(format));
        impl_->palette.clear();
        impl_->indices.clear();
    }
    format_ = format;
    impl_->current = Impl::Current::Image;
    Changed();
}

void TBitmap::SetAlphaFormat(TAlphaFormat format) {
    if (format == alphaFormat_) return;
    alphaFormat_ = format;
    Changed();
}

int TBitmap::BytesPerScanLine() const {
    return Stride(Width(), BitsPerPixel(format_));
}

void* TBitmap::ScanLine(int row) {
    if (row < 0 || row >= Height()) rtl::ListIndexError(row);
    if (IsIndexed(format_)) {
        impl_->IndicesUpToDate(BitsPerPixel(format_), true);
        return impl_->indices.data() + static_cast<size_t>(row) * BytesPerScanLine();
    }
    impl_->canvas.Flush();
    return impl_->image.scanLine(row);
}

const void* TBitmap::ScanLine(int row) const {
    if (row < 0 || row >= Height()) rtl::ListIndexError(row);
    if (IsIndexed(format_)) {
        impl_->IndicesUpToDate(BitsPerPixel(format_), false);
        return impl_->indices.data() + static_cast<size_t>(row) * BytesPerScanLine();
    }
    impl_->canvas.Flush();
    return impl_->image.constScanLine(row);
}

TCanvas* TBitmap::Canvas() {
    return &impl_->canvas;
}

const TPaletteEntries& TBitmap::PaletteEntries() const {
    return impl_->palette;
}

void TBitmap::SetPaletteEntries(const TPaletteEntries& entries) {
    if (!IsIndexed(format_)) return;
    const int bits = BitsPerPixel(format_);
    impl_->IndicesUpToDate(bits, false);
    impl_->palette = entries;
    impl_->palette.resize(std::min<size_t>(entries.size(), 1u << bits));
    impl_->current = Impl::Current::Indices;
    Changed();
}

TColor TBitmap::TransparentColor() const {
    if (transparentMode_ == tmFixed && transparentColor_ != clDefault) return transparentColor_;
    if (Empty()) return clDefault;
    return FromQColor(QColor(Image().pixel(0, Height() - 1)));
}

void TBitmap::SetTransparentColor(TColor color) {
    transparentColor_ = color;
    transparentMode_ = color == clDefault ? tmAuto : tmFixed;
    Changed();
}

void TBitmap::SetTransparentMode(TTransparentMode mode) {
    if (mode == transparentMode_) return;
    transparentMode_ = mode;
    if (mode == tmAuto) transparentColor_ = clDefault;
    Changed();
}

const QImage& TBitmap::Image() const {
    impl_->canvas.Flush();
    if (IsIndexed(format_)) impl_->ImageUpToDate(BitsPerPixel(format_), false);
    return impl_->image;
}

void TBitmap::SetImage(const QImage& image) {
    impl_->canvas.Flush();
    switch (image.format()) {
    case QImage::Format_Mono:
    case QImage::Format_MonoLSB:
    case QImage::Format_Indexed8: {
        format_ = image.format() == QImage::Format_Indexed8 ? pf8bit : pf1bit;
        impl_->palette.clear();
        for (QRgb rgb : image.colorTable())
            impl_->palette.push_back(RGB(qRed(rgb), qGreen(rgb), qBlue(rgb)));
        impl_->image = image.convertToFormat(QImage::Format_ARGB32);
        break;
    }
    case QImage::Format_RGB555:
        format_ = pf15bit;
        impl_->image = image;
        break;
    case QImage::Format_RGB16:
        format_ = pf16bit;
        impl_->image = image;
        break;
    case QImage::Format_BGR888:
    case QImage::Format_RGB888:
        format_ = pf24bit;
        impl_->image = image.convertToFormat(QImage::Format_BGR888);
        break;
    default:
        format_ = pf32bit;
        impl_->image = image.convertToFormat(QImage::Format_ARGB32);
    }
    impl_->current = Impl::Current::Image;
    Changed();
}

void TBitmap::GetMask(TBitmap& mask, TColor color) const {
    const TColor key = ColorToRGB(color == clDefault ? TransparentColor() : color);
    const QImage& image = Image();
    QImage bits(image.size(), QImage::Format_Mono);
    bits.setColorTable({qRgb(0, 0, 0), qRgb(255, 255, 255)});
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            bits.setPixel(x, y, FromQColor(QColor(image.pixel(x, y))) == key ? 1 : 0);
    mask.SetImage(bits);
}

void TBitmap::Assign(const TPersistent* source) {
    if (!source) {
        SetSize(0, 0);
        return;
    }
    auto other = dynamic_cast<const TBitmap*>(source);
    if (!other) {
        TGraphic::Assign(source);
        return;
    }
    if (other == this) return;
    const QImage& image = other->Image();
    impl_->canvas.Flush();
    format_ = other->format_;
    alphaFormat_ = other->alphaFormat_;
    impl_->image = image;
    impl_->palette = other->impl_->palette;
    impl_->indices.clear();
    impl_->current = Impl::Current::Image;
    transparentColor_ = other->transparentColor_;
    transparentMode_ = other->transparentMode_;
    SetTransparent(other->Transparent());
    Changed();
}

void TBitmap::LoadFromStream(rtl::TStream& stream) {
    ReadBmp(stream, *this);
}

void TBitmap::SaveToStream(rtl::TStream& stream) const {
    WriteBmp(stream, *this);
}

void TBitmap::Draw(TCanvas& canvas, const TRect& rect) const {
    QPainter* painter = canvas.Painter();
    if (!painter) return;
    const QImage& image = Image();
    QImage drawn;
    QPainter::CompositionMode mode = QPainter::CompositionMode_SourceOver;
    if (Transparent()) {
        // The transparent colour's pixels become fully transparent.
        const TColor key = ColorToRGB(TransparentColor());
        const QRgb keyRgb = qRgb(GetRValue(key), GetGValue(key), GetBValue(key));
        drawn = image.convertToFormat(QImage::Format_ARGB32);
        for (int y = 0; y < drawn.height(); ++y) {
            auto* row = reinterpret_cast<QRgb*>(drawn.scanLine(y));
            for (int x = 0; x < drawn.width(); ++x)
                row[x] = (row[x] | 0xFF000000u) == keyRgb ? 0 : row[x] | 0xFF000000u;
        }
    } else if ((format_ == pf32bit || format_ == pfDevice) && alphaFormat_ != afIgnored) {
        drawn = image;
        if (alphaFormat_ == afPremultiplied) drawn.reinterpretAsFormat(QImage::Format_ARGB32_Premultiplied);
    } else {
        drawn = image.convertToFormat(QImage::Format_RGB32);
        mode = CopyModeComposition(canvas.CopyMode());
    }
    painter->save();
    painter->setCompositionMode(mode);
    painter->drawImage(ToQRect(rect), drawn);
    painter->restore();
}

} // namespace ui
