#include "platform/ui/Icon.h"

#include "platform/ui/BmpCodec.h"
#include "platform/ui/QtBridge.h"

#include <QImage>
#include <QPainter>

#include <cstring>

namespace ui {

namespace {

constexpr uint16_t kIconType = 1;
constexpr uint16_t kCursorType = 2;
constexpr size_t kIconDirSize = 6;
constexpr size_t kIconEntrySize = 16;
constexpr uint32_t kInfoHeaderSize = 40;
constexpr char kPngSignature[] = "\x89PNG\r\n\x1a\n";

[[noreturn]] void InvalidIcon() {
    throw EInvalidGraphic("Icon image is not valid");
}

uint32_t Le(const std::string& bytes, size_t pos, size_t count) {
    if (pos > bytes.size() || bytes.size() - pos < count) InvalidIcon();
    uint32_t value = 0;
    for (size_t i = 0; i < count; ++i)
        value |= static_cast<uint32_t>(static_cast<uint8_t>(bytes[pos + i])) << (8 * i);
    return value;
}

void PutLe(std::string& out, uint32_t value, size_t count) {
    for (size_t i = 0; i < count; ++i)
        out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

// An icon's image is a DIB whose height counts the colour rows and the 1-bit mask rows after them.
QImage DecodeDib(const std::string& dib) {
    const uint32_t headerSize = Le(dib, 0, 4);
    if (headerSize < kInfoHeaderSize) InvalidIcon();
    const int width = static_cast<int32_t>(Le(dib, 4, 4));
    const int height = static_cast<int32_t>(Le(dib, 8, 4)) / 2;
    const uint32_t bits = Le(dib, 14, 2);
    const uint32_t colorsUsed = Le(dib, 32, 4);
    if (width <= 0 || height <= 0 || width > 1024 || height > 1024) InvalidIcon();
    const uint32_t paletteEntries = bits <= 8 ? (colorsUsed ? colorsUsed : 1u << bits) : 0;
    if (paletteEntries > 256) InvalidIcon();
    const size_t colorOffset = headerSize + paletteEntries * 4;
    const size_t colorStride = (static_cast<size_t>(width) * bits + 31) / 32 * 4;
    const size_t maskOffset = colorOffset + colorStride * height;
    const size_t maskStride = (static_cast<size_t>(width) + 31) / 32 * 4;

    // The colour part read as a BMP file of half the height.
    std::string file = "BM";
    PutLe(file, static_cast<uint32_t>(14 + maskOffset), 4);
    PutLe(file, 0, 4);
    PutLe(file, static_cast<uint32_t>(14 + colorOffset), 4);
    std::string header = dib.substr(0, std::min<size_t>(dib.size(), maskOffset));
    if (header.size() < kInfoHeaderSize) InvalidIcon();
    for (int i = 0; i < 4; ++i)
        header[8 + i] = static_cast<char>((static_cast<uint32_t>(height) >> (8 * i)) & 0xFF);
    file += header;
    rtl::TMemoryStream stream;
    stream.WriteString(file);
    stream.SetPosition(0);
    TBitmap color;
    try {
        ReadBmp(stream, color);
    } catch (const EInvalidGraphic&) {
        InvalidIcon();
    }
    QImage image = color.Image().convertToFormat(QImage::Format_ARGB32);
    const bool hasAlpha = bits == 32 && [&] {
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                if (qAlpha(image.pixel(x, y)) != 0) return true;
        return false;
    }();
    const bool hasMask = dib.size() >= maskOffset + maskStride * height;
    for (int y = 0; y < height; ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        const char* mask = hasMask ? dib.data() + maskOffset + maskStride * (height - 1 - y) : nullptr;
        for (int x = 0; x < width; ++x) {
            if (hasAlpha) continue;
            const bool transparent = mask && (static_cast<uint8_t>(mask[x / 8]) & (0x80 >> (x % 8)));
            row[x] = transparent ? 0 : row[x] | 0xFF000000u;
        }
    }
    return image;
}

} // namespace

TIcon::TIcon() : image_(std::make_unique<QImage>()) {}
TIcon::~TIcon() = default;

int TIcon::Width() const {
    return image_->width();
}

int TIcon::Height() const {
    return image_->height();
}

void TIcon::SetWidth(int width) {
    if (width == Width()) return;
    QImage image(std::max(width, 0), Height(), QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    SetImage(image);
}

void TIcon::SetHeight(int height) {
    if (height == Height()) return;
    QImage image(Width(), std::max(height, 0), QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    SetImage(image);
}

const QImage& TIcon::Image() const {
    return *image_;
}

void TIcon::SetImage(const QImage& image) {
    *image_ = image.convertToFormat(QImage::Format_ARGB32);
    Changed();
}

void TIcon::SetBitmaps(const TBitmap& color, const TBitmap* mask) {
    QImage image = color.Image().convertToFormat(QImage::Format_ARGB32);
    // Alpha counts when it says something: not all zero (never written) and not all opaque (painted).
    bool anyVisible = false;
    bool anyTransparent = false;
    if (color.PixelFormat() == pf32bit || color.PixelFormat() == pfDevice)
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x) {
                anyVisible = anyVisible || qAlpha(image.pixel(x, y)) != 0;
                anyTransparent = anyTransparent || qAlpha(image.pixel(x, y)) != 255;
            }
    if (!(anyVisible && anyTransparent)) {
        const QImage maskImage = mask ? mask->Image() : QImage();
        for (int y = 0; y < image.height(); ++y) {
            auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
            for (int x = 0; x < image.width(); ++x) {
                const bool transparent = maskImage.valid(x, y) && qGray(maskImage.pixel(x, y)) > 127;
                row[x] = transparent ? 0 : row[x] | 0xFF000000u;
            }
        }
    }
    SetImage(image);
}

void TIcon::GetBitmaps(TBitmap& color, TBitmap& mask) const {
    QImage colour = *image_;
    for (int y = 0; y < colour.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(colour.scanLine(y));
        for (int x = 0; x < colour.width(); ++x)
            if (qAlpha(row[x]) == 0) row[x] = 0;
    }
    color.SetImage(colour);
    color.SetAlphaFormat(afDefined);
    mask.SetPixelFormat(pf1bit);
    mask.SetSize(Width(), Height());
    QImage maskImage(Width(), Height(), QImage::Format_ARGB32);
    for (int y = 0; y < Height(); ++y)
        for (int x = 0; x < Width(); ++x)
            maskImage.setPixel(x, y, qAlpha(image_->pixel(x, y)) == 0 ? qRgb(255, 255, 255) : qRgb(0, 0, 0));
    mask.SetImage(maskImage);
    mask.SetPixelFormat(pf1bit);
}

void TIcon::Assign(const TPersistent* source) {
    if (auto icon = dynamic_cast<const TIcon*>(source)) {
        if (icon == this) return;
        hotSpot_ = icon->hotSpot_;
        SetImage(*icon->image_);
        return;
    }
    if (auto bitmap = dynamic_cast<const TBitmap*>(source)) {
        SetBitmaps(*bitmap, nullptr);
        return;
    }
    TGraphic::Assign(source);
}

void TIcon::LoadFromStream(rtl::TStream& stream) {
    const std::string bytes = stream.ReadToEnd();
    const uint32_t type = Le(bytes, 2, 2);
    if (Le(bytes, 0, 2) != 0 || (type != kIconType && type != kCursorType)) InvalidIcon();
    const uint32_t count = Le(bytes, 4, 2);
    if (count == 0) InvalidIcon();
    // The largest image of the file.
    size_t best = 0;
    int bestArea = -1;
    for (uint32_t i = 0; i < count; ++i) {
        const size_t entry = kIconDirSize + i * kIconEntrySize;
        const int w = static_cast<int>(Le(bytes, entry, 1) ? Le(bytes, entry, 1) : 256);
        const int h = static_cast<int>(Le(bytes, entry + 1, 1) ? Le(bytes, entry + 1, 1) : 256);
        if (w * h > bestArea) {
            bestArea = w * h;
            best = entry;
        }
    }
    const uint32_t size = Le(bytes, best + 8, 4);
    const uint32_t offset = Le(bytes, best + 12, 4);
    if (offset > bytes.size() || bytes.size() - offset < size) InvalidIcon();
    const std::string data = bytes.substr(offset, size);
    QImage image;
    if (data.rfind(std::string(kPngSignature, 8), 0) == 0) {
        if (!image.loadFromData(reinterpret_cast<const uchar*>(data.data()), static_cast<int>(data.size()),
                                "PNG"))
            InvalidIcon();
    } else {
        image = DecodeDib(data);
    }
    // A cursor file keeps its hot spot where an icon file has planes and bit count.
    hotSpot_ = type == kCursorType ? TPoint{static_cast<int>(Le(bytes, best + 4, 2)),
                                            static_cast<int>(Le(bytes, best + 6, 2))}
                                   : TPoint{};
    SetImage(image);
}

void TIcon::SaveToStream(rtl::TStream& stream) const {
    const int w = Width();
    const int h = Height();
    const size_t maskStride = (static_cast<size_t>(w) + 31) / 32 * 4;
    std::string dib;
    PutLe(dib, kInfoHeaderSize, 4);
    PutLe(dib, static_cast<uint32_t>(w), 4);
    PutLe(dib, static_cast<uint32_t>(2 * h), 4);
    PutLe(dib, 1, 2);
    PutLe(dib, 32, 2);
    dib.append(24, '\0'); // uncompressed, sizes and colour counts unused
    for (int y = h - 1; y >= 0; --y)
        dib.append(reinterpret_cast<const char*>(image_->constScanLine(y)), static_cast<size_t>(w) * 4);
    for (int y = h - 1; y >= 0; --y) {
        std::string row(maskStride, '\0');
        for (int x = 0; x < w; ++x)
            if (qAlpha(image_->pixel(x, y)) == 0)
                row[x / 8] = static_cast<char>(row[x / 8] | (0x80 >> (x % 8)));
        dib += row;
    }
    std::string out;
    PutLe(out, 0, 2);
    PutLe(out, kIconType, 2);
    PutLe(out, 1, 2);
    PutLe(out, w >= 256 ? 0 : static_cast<uint32_t>(w), 1);
    PutLe(out, h >= 256 ? 0 : static_cast<uint32_t>(h), 1);
    PutLe(out, 0, 2); // colour count, reserved
    PutLe(out, 1, 2);
    PutLe(out, 32, 2);
    PutLe(out, static_cast<uint32_t>(dib.size()), 4);
    PutLe(out, static_cast<uint32_t>(kIconDirSize + kIconEntrySize), 4);
    out += dib;
    stream.WriteString(out);
}

void TIcon::Draw(TCanvas& canvas, const TRect& rect) const {
    QPainter* painter = canvas.Painter();
    if (!painter || image_->isNull()) return;
    painter->drawImage(ToQRect(rect), *image_);
}

} // namespace ui
