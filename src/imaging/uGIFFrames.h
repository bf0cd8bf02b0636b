// A GIF file's header, frames and trailer, and the global and local colour tables.
#pragma once

#include "imaging/uGIFExtensions.h"
#include "imaging/uGIFItems.h"

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

namespace imaging {

class TGIFHeader;
class TGIFSubImage;
class TGIFGraphicControlExtension;
class TDIBReader;

class TGIFGlobalColorMap : public TGIFColorMap {
public:
    explicit TGIFGlobalColorMap(TGIFHeader* header) : header_(header) {}
    void ReportWarning(const std::string& message) const override;
    // Over every frame that draws with this table.
    void CountUsage(TUsage& usage) const override;
    void RemapPixels(const std::array<uint8_t, MaxColors>& map) override;
    bool SortByUsage() override;
    void NotifyChanged() override;

private:
    TGIFHeader* header_;
};

class TGIFLocalColorMap : public TGIFColorMap {
public:
    explicit TGIFLocalColorMap(TGIFSubImage* frame) : frame_(frame) {}
    void ReportWarning(const std::string& message) const override;
    void CountUsage(TUsage& usage) const override;
    void RemapPixels(const std::array<uint8_t, MaxColors>& map) override;
    void NotifyChanged() override;

private:
    TGIFSubImage* frame_;
};

// The signature, the version, the logical screen and the global colour table.
class TGIFHeader : public TGIFItem {
public:
    explicit TGIFHeader(TGIFImage* image) : TGIFItem(image), colorMap_(this) {}

    TGIFGlobalColorMap& ColorMap() { return colorMap_; }
    const TGIFGlobalColorMap& ColorMap() const { return colorMap_; }
    int Width() const { return LittleEndian16(&screen_[0]); }
    int Height() const { return LittleEndian16(&screen_[2]); }
    void SetWidth(int width) { PutLittleEndian16(&screen_[0], static_cast<uint16_t>(width)); }
    void SetHeight(int height) { PutLittleEndian16(&screen_[2], static_cast<uint16_t>(height)); }
    uint8_t PackedFields() const { return screen_[4]; }
    int BackgroundColorIndex() const { return screen_[5]; }
    void SetBackgroundColorIndex(int index) { screen_[5] = static_cast<uint8_t>(index); }
    int AspectRatio() const { return screen_[6]; }
    void SetAspectRatio(int ratio) { screen_[6] = static_cast<uint8_t>(ratio); }
    // 89a for a sorted global table or an aspect ratio, else 87a.
    TGIFVersion RequiredVersion() const override;

    void LoadFromStream(rtl::TStream& stream) override;
    void SaveToStream(rtl::TStream& stream) override;
    void Clear();

private:
    // The logical screen descriptor as in the file: width, height, packed fields, background
    // colour index, pixel aspect ratio.
    std::array<uint8_t, 7> screen_{};
    TGIFGlobalColorMap colorMap_;
};

// One frame: its extensions, image descriptor, local colour table and one byte per pixel.
class TGIFSubImage : public TGIFItem {
public:
    // Frames larger than this are refused: a damaged size must not allocate gigabytes.
    static constexpr int64_t MaxPixels = int64_t{1} << 24;

    explicit TGIFSubImage(TGIFImage* image);
    // Leaves its image's frame list.
    ~TGIFSubImage() override;

    TGIFLocalColorMap& ColorMap() { return colorMap_; }
    const TGIFLocalColorMap& ColorMap() const { return colorMap_; }
    TGIFExtensionList& Extensions() { return extensions_; }
    const TGIFExtensionList& Extensions() const { return extensions_; }
    // The local table when it has entries, else the global one when that has, else the local one.
    const TGIFColorMap& ActiveColorMap() const;
    TGIFColorMap& ActiveColorMap();

    int Left() const { return LittleEndian16(&descriptor_[1]); }
    int Top() const { return LittleEndian16(&descriptor_[3]); }
    int Width() const { return LittleEndian16(&descriptor_[5]); }
    int Height() const { return LittleEndian16(&descriptor_[7]); }
    uint8_t PackedFields() const { return descriptor_[9]; }
    bool IsInterlaced() const { return (descriptor_[9] & InterlaceBit) != 0; }
    void SetInterlaced(bool interlaced);
    // Moves or resizes the frame; a new size reallocates the pixels and may grow the logical screen.
    void PlaceFrame(int left, int top, int width, int height);
    void SetLeft(int left) { PlaceFrame(left, Top(), Width(), Height()); }
    void SetTop(int top) { PlaceFrame(Left(), top, Width(), Height()); }
    void SetWidth(int width) { PlaceFrame(Left(), Top(), width, Height()); }
    void SetHeight(int height) { PlaceFrame(Left(), Top(), Width(), height); }

    bool IsBlank() const { return pixels_.empty() || Width() == 0 || Height() == 0; }
    // Width times height zero bytes.
    void AllocatePixels();
    void EnsurePixels();
    uint8_t PixelAt(int x, int y);
    uint8_t* RowPointer(int y);
    std::vector<uint8_t>& Pixels() { return pixels_; }
    const std::vector<uint8_t>& Pixels() const { return pixels_; }

    bool Transparent() const { return transparent_; }
    void SetTransparentFlag(bool transparent) { transparent_ = transparent; }
    TGIFGraphicControlExtension* GraphicControlExtension() const { return graphicControl_; }
    void SetGraphicControlExtension(TGIFGraphicControlExtension* extension) { graphicControl_ = extension; }
    // The transparent colour index when the frame is transparent.
    int TransparentIndex() const;

    TGIFVersion RequiredVersion() const override;
    int BitsPerPixel() const { return colorMap_.IndexBits(); }
    int ColorResolution() const { return BitsPerPixel() - 1; }

    void LoadFromStream(rtl::TStream& stream) override;
    void SaveToStream(rtl::TStream& stream) override;
    void Clear();

    // ---- The frame as a picture (uGIFBitmaps.cpp) ----
    // The frame as an 8-bit bitmap, rendered on first use (dithered to the 216-colour cube when the
    // image dithers), with the transparency mask; null for a blank frame.
    ui::TBitmap* RenderBitmap();
    bool HasRenderedBitmap() const { return bitmap_ != nullptr; }
    // A 1-bit bitmap, index 1 where the frame is transparent; null when no pixel is.
    ui::TBitmap* Mask() const { return mask_.get(); }
    bool HasTransparencyMask();
    void DiscardBitmap() { bitmap_.reset(); }
    void DiscardMask();
    // The rendered bitmap's palette, else the cached one, else the cube (dithering) or the local table's.
    ui::TPaletteEntries FramePalette();
    void SetFramePalette(const ui::TPaletteEntries& palette);
    // From another frame, a bitmap, an icon or another graphic (through a 24-bit bitmap), a picture's
    // graphic.
    void Assign(const data::TPersistent* source) override;

protected:
    // A bitmap takes the rendered frame.
    void AssignTo(data::TPersistent* dest) const override;

private:
    void AssignFrame(const TGIFSubImage& source);
    void AssignBitmap(const ui::TBitmap& source);
    void AssignGraphic(const ui::TGraphic& graphic);
    void ImportPixels(TDIBReader& reader);
    // Pixels whose mask pixel is not 0 become transparent through a new black entry.
    void ImportMask(ui::TBitmap& mask);
    void RenderInto(ui::TBitmap& result, bool dither);

    static constexpr uint8_t InterlaceBit = 0x40;
    // The image descriptor as in the file: separator, left, top, width, height, packed fields.
    std::array<uint8_t, 10> descriptor_{',', 0, 0, 0, 0, 0, 0, 0, 0, 0};
    std::vector<uint8_t> pixels_;
    TGIFLocalColorMap colorMap_;
    TGIFExtensionList extensions_;
    bool transparent_ = false;
    TGIFGraphicControlExtension* graphicControl_ = nullptr; // lives in extensions_
    std::unique_ptr<ui::TBitmap> bitmap_;
    std::unique_ptr<ui::TBitmap> mask_;
    bool needMask_ = true;
    std::optional<ui::TPaletteEntries> palette_;
};

class TGIFTrailer : public TGIFItem {
public:
    using TGIFItem::TGIFItem;
    void LoadFromStream(rtl::TStream& stream) override;
    void SaveToStream(rtl::TStream& stream) override;
};

class TGIFImageList : public TGIFList {
public:
    using TGIFList::TGIFList;
    TGIFSubImage* Frame(int index) const { return static_cast<TGIFSubImage*>(Item(index)); }
    // Reads frames up to the trailer, which is left in the stream.
    void LoadFromStream(rtl::TStream& stream);
};

} // namespace imaging
