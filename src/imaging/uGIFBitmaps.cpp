#include "imaging/uGIFBitmaps.h"

#include "imaging/uGIFImage.h"

#include "platform/ui/Icon.h"
#include "platform/ui/Picture.h"

#include <array>
#include <cstring>
#include <exception>
#include <memory>
#include <utility>

namespace imaging {

// TDIBReader

TDIBReader::TDIBReader(ui::TBitmap& bitmap, ui::TPixelFormat format) : TDIB(bitmap, format) {
    bitmap.SetPixelFormat(format);
}

uint8_t* TDIBReader::RowAddress(int row) {
    return static_cast<uint8_t*>(bitmap_.ScanLine(row));
}

// TDIBWriter

TDIBWriter::TDIBWriter(ui::TBitmap& bitmap, const ui::TPaletteEntries& palette, int height, int width,
                       ui::TPixelFormat format)
    : TDIB(bitmap, format), palette_(palette), height_(height), width_(width),
      uncaught_(std::uncaught_exceptions()) {
    if (format != ui::pf8bit && format != ui::pf24bit) throw GIFException(gif_text::UnsupportedPixelFormat);
    if (width <= 0 || height <= 0) throw GIFException(gif_text::InvalidDimensions);
    if (palette_.size() > 256) palette_.resize(256);
    rowSize_ = width * (format == ui::pf8bit ? 1 : 3);
}

uint8_t* TDIBWriter::RowAddress(int row) {
    if (pixels_.empty()) pixels_.assign(static_cast<size_t>(rowSize_) * static_cast<size_t>(height_), 0);
    if (pixels_.empty()) throw GIFException(gif_text::NoDIB);
    if (row < 0 || row >= height_) throw EInvalidGraphicOperation(gif_text::ScanLineRange);
    return pixels_.data() + static_cast<size_t>(row) * static_cast<size_t>(rowSize_);
}

TDIBWriter::~TDIBWriter() {
    if (pixels_.empty() || std::uncaught_exceptions() > uncaught_) return;
    bitmap_.SetPixelFormat(format_);
    bitmap_.SetSize(width_, height_);
    if (format_ == ui::pf8bit) {
        ui::TPaletteEntries table = palette_;
        table.resize(256, ui::clBlack);
        bitmap_.SetPaletteEntries(table);
    }
    for (int row = 0; row < height_; ++row)
        std::memcpy(bitmap_.ScanLine(row),
                    pixels_.data() + static_cast<size_t>(row) * static_cast<size_t>(rowSize_),
                    static_cast<size_t>(rowSize_));
}

// ---- The frame as a picture ----

namespace {

// Progress every 32 rows of a frame.
void ReportRow(TGIFSubImage& frame, int row, int height, const char* message) {
    if (frame.Image() && row % 32 == 0)
        frame.Image()->Progress(&frame, psRunning, row * 100 / height, false, message);
}

// Bits of a 1-bit mask, set where the frame is transparent.
class TMaskBits {
public:
    TMaskBits(int width, int height)
        : width_(width), height_(height), bits_(static_cast<size_t>(width * height)) {}
    void Set(int x, int y) {
        bits_[static_cast<size_t>(y * width_ + x)] = true;
        any_ = true;
    }
    // The mask bitmap, or null when no bit is set.
    std::unique_ptr<ui::TBitmap> Bitmap() const {
        if (!any_) return nullptr;
        auto mask = std::make_unique<ui::TBitmap>(width_, height_, ui::pf1bit);
        mask->SetPaletteEntries({ui::clBlack, ui::clWhite});
        for (int y = 0; y < height_; ++y) {
            auto* row = static_cast<uint8_t*>(mask->ScanLine(y));
            for (int x = 0; x < width_; ++x) {
                const uint8_t bit = static_cast<uint8_t>(0x80 >> (x % 8));
                if (bits_[static_cast<size_t>(y * width_ + x)])
                    row[x / 8] |= bit;
                else
                    row[x / 8] &= static_cast<uint8_t>(~bit);
            }
        }
        return mask;
    }

private:
    int width_;
    int height_;
    std::vector<bool> bits_;
    bool any_ = false;
};

// The last colours a 24-bit import met, searched from the last hit backwards round the ring.
class TColorCache {
public:
    int IndexOf(ui::TColor color, TGIFColorMap& table) {
        for (int n = 0, slot = last_; n < kSlots; ++n, slot = (slot + kSlots - 1) % kSlots)
            if (slots_[static_cast<size_t>(slot)].index >= 0 &&
                slots_[static_cast<size_t>(slot)].color == color)
                return slots_[static_cast<size_t>(slot)].index;
        const int index = table.AppendColorOnce(color);
        last_ = (last_ + 1) % kSlots;
        slots_[static_cast<size_t>(last_)] = {color, index};
        return index;
    }

private:
    static constexpr int kSlots = 8;
    struct TSlot {
        ui::TColor color = 0;
        int index = -1;
    };
    std::array<TSlot, kSlots> slots_{};
    int last_ = 0;
};

bool IsIndexed(ui::TPixelFormat format) {
    return format == ui::pf1bit || format == ui::pf4bit || format == ui::pf8bit;
}

} // namespace

ui::TBitmap* TGIFSubImage::RenderBitmap() {
    if (bitmap_ || IsBlank()) return bitmap_.get();
    auto result = std::make_unique<ui::TBitmap>();
    try {
        TGIFProgressScope progress(Image(), this, gif_text::Rendering, Image() && Image()->PaletteModified);
        RenderInto(*result, Image() && Image()->ShouldDither());
    } catch (const data::EAbort&) {
        return nullptr; // a progress handler stopped it: no bitmap
    }
    bitmap_ = std::move(result);
    return bitmap_.get();
}

void TGIFSubImage::RenderInto(ui::TBitmap& result, bool dither) {
    const ui::TPaletteEntries palette = FramePalette();
    const bool buildMask = needMask_ && transparent_;
    needMask_ = false;
    const int transparent = TransparentIndex();
    const int width = Width();
    const int height = Height();
    TMaskBits mask(width, height);
    {
        TDIBWriter writer(result, palette, height, width, ui::pf8bit);
        TNetscapeColorLookup cube;
        TFloydSteinbergDitherer ditherer(width, cube);
        const TGIFColorMap& colors = ActiveColorMap();
        uint8_t fill = 0;
        if (dither && buildMask && transparent < colors.Count()) {
            // Masked pixels keep the cube entry of the transparent colour.
            const ui::TColor c = colors.ColorAt(transparent);
            TRGB chosen;
            fill = cube.LookupIndex({static_cast<uint8_t>(ui::GetRValue(c)),
                                     static_cast<uint8_t>(ui::GetGValue(c)),
                                     static_cast<uint8_t>(ui::GetBValue(c))},
                                    chosen);
        }
        for (int y = 0; y < height; ++y) {
            ReportRow(*this, y, height, gif_text::Rendering);
            const uint8_t* in = RowPointer(y);
            uint8_t* out = writer.RowAddress(y);
            if (!dither) {
                std::copy(in, in + width, out);
                if (buildMask)
                    for (int x = 0; x < width; ++x)
                        if (in[x] == transparent) mask.Set(x, y);
                continue;
            }
            if (buildMask) std::fill(out, out + width, fill);
            for (int x = ditherer.Column(); x >= 0 && x < width; x = ditherer.Column()) {
                if (buildMask && in[x] == transparent) {
                    mask.Set(x, y);
                    ditherer.SkipPixel();
                    continue;
                }
                const ui::TColor c = in[x] < colors.Count() ? colors.ColorAt(in[x]) : ui::clBlack;
                TRGB chosen;
                out[x] = ditherer.DitherPixel({static_cast<uint8_t>(ui::GetRValue(c)),
                                               static_cast<uint8_t>(ui::GetGValue(c)),
                                               static_cast<uint8_t>(ui::GetBValue(c))},
                                              chosen);
            }
            ditherer.NextRow();
        }
    }
    if (buildMask) mask_ = mask.Bitmap();
}

bool TGIFSubImage::HasTransparencyMask() {
    if (needMask_ && transparent_) {
        DiscardBitmap();
        RenderBitmap();
    }
    return mask_ != nullptr;
}

void TGIFSubImage::DiscardMask() {
    mask_.reset();
    needMask_ = true;
}

ui::TPaletteEntries TGIFSubImage::FramePalette() {
    if (bitmap_ && !bitmap_->PaletteEntries().empty()) return bitmap_->PaletteEntries();
    if (palette_) return *palette_;
    if (Image() && Image()->ShouldDither())
        palette_ = PaletteOf216();
    else if (colorMap_.Count() > 0)
        palette_ = colorMap_.CreatePaletteHandle();
    else // the image's palette, not the frame's to keep
        return Image() ? Image()->Header().ColorMap().CreatePaletteHandle() : ui::TPaletteEntries();
    return *palette_;
}

void TGIFSubImage::SetFramePalette(const ui::TPaletteEntries& palette) {
    if (palette_ && *palette_ == palette) return;
    palette_ = palette;
    if (bitmap_ && bitmap_->PaletteEntries() != palette) {
        DiscardBitmap();
        if (Image()) Image()->PaletteModified = true;
    }
}

void TGIFSubImage::Assign(const data::TPersistent* source) {
    if (source == this) return;
    if (!source) {
        Clear();
    } else if (const auto* frame = dynamic_cast<const TGIFSubImage*>(source)) {
        AssignFrame(*frame);
    } else if (const auto* bitmap = dynamic_cast<const ui::TBitmap*>(source)) {
        AssignBitmap(*bitmap);
    } else if (const auto* graphic = dynamic_cast<const ui::TGraphic*>(source)) {
        AssignGraphic(*graphic);
    } else if (const auto* picture = dynamic_cast<const ui::TPicture*>(source)) {
        Assign(picture->Graphic());
    } else {
        TGIFItem::Assign(source);
    }
}

void TGIFSubImage::AssignTo(data::TPersistent* dest) const {
    auto* bitmap = dynamic_cast<ui::TBitmap*>(dest);
    if (!bitmap) {
        TGIFItem::AssignTo(dest);
        return;
    }
    bitmap->Assign(const_cast<TGIFSubImage*>(this)->RenderBitmap());
}

void TGIFSubImage::AssignFrame(const TGIFSubImage& source) {
    Clear();
    if (source.IsBlank()) return;
    descriptor_ = source.descriptor_;
    transparent_ = source.transparent_;
    pixels_ = source.pixels_;
    colorMap_.Assign(&source.colorMap_);
    // Written and read back, the extensions belong to this frame and link its graphic control again.
    rtl::TMemoryStream stream;
    const_cast<TGIFExtensionList&>(source.extensions_).SaveToStream(stream);
    stream.SetPosition(0);
    extensions_.LoadFromStream(stream, this);
    if (source.bitmap_) {
        bitmap_ = std::make_unique<ui::TBitmap>();
        bitmap_->Assign(source.bitmap_.get());
    }
}

void TGIFSubImage::AssignBitmap(const ui::TBitmap& source) {
    Clear();
    if (source.Empty()) return;
    PlaceFrame(Left(), Top(), source.Width(), source.Height());
    if (IsIndexed(source.PixelFormat()) || !Image()) {
        bitmap_ = std::make_unique<ui::TBitmap>();
        bitmap_->Assign(&source);
    } else {
        ui::TBitmap copy;
        copy.Assign(&source);
        bitmap_ =
            ReduceToPalette(copy, Image()->ReductionMethod, Image()->DitherMode, {}, Image()->ReductionBits);
    }
    AllocatePixels();
    TGIFProgressScope progress(Image(), this, gif_text::Converting, false);
    const ui::TPixelFormat format = IsIndexed(bitmap_->PixelFormat()) ? bitmap_->PixelFormat() : ui::pf24bit;
    TDIBReader reader(*bitmap_, format);
    ImportPixels(reader);
    if (source.Transparent()) {
        ui::TBitmap mask;
        source.GetMask(mask);
        ImportMask(mask);
    }
}

void TGIFSubImage::AssignGraphic(const ui::TGraphic& graphic) {
    Clear();
    if (graphic.Empty()) return;
    ui::TBitmap picture(graphic.Width(), graphic.Height(), ui::pf24bit);
    ui::TBitmap mask;
    const auto* icon = dynamic_cast<const ui::TIcon*>(&graphic);
    if (icon) {
        ui::TBitmap color;
        icon->GetBitmaps(color, mask);
        picture.Canvas()->Draw(0, 0, &color);
    } else {
        picture.Canvas()->Draw(0, 0, &graphic);
    }
    AssignBitmap(picture);
    if (icon) ImportMask(mask);
}

void TGIFSubImage::ImportPixels(TDIBReader& reader) {
    ui::TBitmap& bitmap = *bitmap_;
    const int width = Width();
    const int height = Height();
    if (reader.PixelFormat() != ui::pf24bit) colorMap_.FillFromPalette(bitmap.PaletteEntries());
    TColorCache cache;
    for (int y = 0; y < height; ++y) {
        ReportRow(*this, y, height, gif_text::Converting);
        const uint8_t* in = reader.RowAddress(y);
        uint8_t* out = RowPointer(y);
        switch (reader.PixelFormat()) {
        case ui::pf8bit:
            std::copy(in, in + width, out);
            break;
        case ui::pf4bit:
            for (int x = 0; x < width; ++x)
                out[x] = x % 2 == 0 ? in[x / 2] >> 4 : in[x / 2] & 0x0F;
            break;
        case ui::pf1bit:
            for (int x = 0; x < width; ++x)
                out[x] = (in[x / 8] >> (7 - x % 8)) & 1;
            break;
        default:
            for (int x = 0; x < width; ++x)
                out[x] = static_cast<uint8_t>(
                    cache.IndexOf(ui::RGB(in[3 * x + 2], in[3 * x + 1], in[3 * x]), colorMap_));
            break;
        }
    }
}

void TGIFSubImage::ImportMask(ui::TBitmap& mask) {
    colorMap_.SortByUsage();
    if (colorMap_.Count() < 1 || colorMap_.Count() > 255 || mask.Empty()) return;
    const int index = colorMap_.AppendColor(ui::clBlack);
    TDIBReader reader(mask, ui::pf8bit);
    bool any = false;
    for (int y = 0; y < std::min(Height(), mask.Height()); ++y) {
        const uint8_t* in = reader.RowAddress(y);
        uint8_t* out = RowPointer(y);
        for (int x = 0; x < std::min(Width(), mask.Width()); ++x)
            if (in[x] != 0) {
                out[x] = static_cast<uint8_t>(index);
                any = true;
            }
    }
    if (!any) {
        colorMap_.RemoveColor(index);
        return;
    }
    auto control = std::make_unique<TGIFGraphicControlExtension>(this);
    TGIFGraphicControlExtension& added = *control;
    extensions_.Add(std::move(control));
    added.SetTransparent(true);
    added.SetTransparentColorIndex(index);
}

} // namespace imaging
