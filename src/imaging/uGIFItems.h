// The GIF codec's building blocks: its error, the items and lists that mirror a file's blocks, and
// the colour table.
#pragma once

#include "platform/data/Component.h"
#include "platform/rtl/Exception.h"
#include "platform/rtl/Streams.h"
#include "platform/ui/Bitmap.h"
#include "platform/ui/Color.h"
#include "platform/ui/Graphic.h"
#include "platform/ui/Palette.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace imaging {

RTL_DECLARE_EXCEPTION(GIFException, ui::EInvalidGraphic);

// The texts of the codec's errors and warnings.
namespace gif_text {
inline constexpr const char* PrematureEnd = "Premature end of data";
inline constexpr const char* BadSignature = "Invalid GIF signature";
inline constexpr const char* UnsupportedVersion = "Unsupported GIF version";
inline constexpr const char* TableOverflow = "Color table overflow";
inline constexpr const char* BadColorIndex = "Invalid color index";
inline constexpr const char* EmptyTable = "Color table is empty";
inline constexpr const char* EmptyImage = "Image is empty";
inline constexpr const char* BadPixel = "Invalid pixel coordinates";
inline constexpr const char* TooLarge = "Image is too large";
inline constexpr const char* UnknownBlock = "Unknown GIF block type";
inline constexpr const char* BadTrailer = "Invalid Image trailer";
inline constexpr const char* ExceedsScreen = "Image exceeds Logical Screen size";
inline constexpr const char* WidthTooSmall = "Image width too small for contained frames";
inline constexpr const char* HeightTooSmall = "Image height too small for contained frames";
inline constexpr const char* InvalidData = "Invalid GIF data";
} // namespace gif_text

// The bytes that start a file's blocks.
inline constexpr uint8_t ExtensionIntroducer = '!';
inline constexpr uint8_t ImageSeparator = ',';
inline constexpr uint8_t GIFTrailer = ';';

// Severity of every warning the codec reports.
inline constexpr int GIFWarningSeverity = 1;

enum TGIFVersion { gvUnknown = 0, gv87a = 1, gv89a = 2 };

class TGIFImage;

// Reads exactly `count` bytes or raises "Premature end of data".
void ReadGIFBytes(rtl::TStream& stream, void* buffer, int64_t count);
// One byte, or -1 at the end of the stream.
int ReadByteOrEnd(rtl::TStream& stream);
uint16_t LittleEndian16(const uint8_t* bytes);
void PutLittleEndian16(uint8_t* bytes, uint16_t value);

// The base of the header, the frames, the trailer and the extensions.
class TGIFItem : public data::TPersistent {
public:
    explicit TGIFItem(TGIFImage* image) : image_(image) {}

    TGIFImage* Image() const { return image_; }
    virtual TGIFVersion RequiredVersion() const { return gv87a; }
    // Tells the owning image, with this item as the sender.
    virtual void ReportWarning(const std::string& message) const;
    virtual void SaveToStream(rtl::TStream& stream) = 0;
    virtual void LoadFromStream(rtl::TStream& stream) = 0;
    void SaveToNamedFile(const std::string& fileName);
    void LoadFromNamedFile(const std::string& fileName);

private:
    TGIFImage* image_;
};

// An ordered list that owns its items.
class TGIFList : public data::TPersistent {
public:
    explicit TGIFList(TGIFImage* image) : image_(image) {}
    ~TGIFList() override { Clear(); }

    TGIFImage* Image() const { return image_; }
    virtual void ReportWarning(const std::string& message) const;
    virtual void SaveToStream(rtl::TStream& stream);

    int Count() const { return static_cast<int>(items_.size()); }
    TGIFItem* Item(int index) const;
    int Add(std::unique_ptr<TGIFItem> item);
    // Removes and frees.
    void Delete(int index);
    // Removes without freeing; the former index, or -1.
    int Remove(TGIFItem* item);
    void Clear();

private:
    TGIFImage* image_;
    std::vector<std::unique_ptr<TGIFItem>> items_;
};

// One colour table: up to 256 entries of red, green, blue in file order. Colours cross the interface
// as TColor (red in the low byte); the fourth byte is dropped on the way in.
class TGIFColorMap : public data::TPersistent {
public:
    using TEntry = std::array<uint8_t, 3>;
    static constexpr int MaxColors = 256;

    TGIFColorMap() = default;

    int Count() const { return count_; }
    int Capacity() const { return static_cast<int>(entries_.size()); }
    bool Optimized() const { return optimized_; }
    const TEntry& Entry(int index) const { return entries_[index]; }

    int AppendColor(ui::TColor color);
    int AppendColorOnce(ui::TColor color);
    // While sorted by usage the first match, otherwise the last; -1 when absent.
    int FindColor(ui::TColor color) const;
    void RemoveColor(int index);
    ui::TColor ColorAt(int index) const;
    void Reserve(int count);
    // Bits needed to index every entry: 0 for an empty table, else at least 1.
    int IndexBits() const;
    // Entries stored blue, green, red, reserved.
    void FillFromRGBQuads(const uint8_t* quads, int count);
    // The first 256 entries of a palette; nothing more for an empty one.
    void FillFromPalette(const ui::TPaletteEntries& palette);
    // The colour table of an indexed bitmap.
    void FillFromDIBSection(const ui::TBitmap& bitmap);
    // A palette of the entries in order; empty for an empty table.
    ui::TPaletteEntries CreatePaletteHandle() const;
    void Clear();
    void Assign(const data::TPersistent* source) override;

    // Reads `count` entries without a change notification.
    void LoadFromStream(rtl::TStream& stream, int count);
    // The entries padded with black up to 2 to the power IndexBits; nothing for an empty table.
    void SaveToStream(rtl::TStream& stream) const;

    // Sorts the entries by how often pixels use them, most used first, drops unused ones when the
    // order changed and remaps the pixels; false when the table was left alone.
    virtual bool SortByUsage();

    virtual void ReportWarning(const std::string& message) const = 0;
    // (use count, colour index) of each entry.
    using TUsage = std::array<std::pair<int64_t, int>, MaxColors>;
    virtual void CountUsage(TUsage& usage) const = 0;
    virtual void RemapPixels(const std::array<uint8_t, MaxColors>& map) = 0;
    virtual void NotifyChanged() = 0;

private:
    std::vector<TEntry> entries_; // capacity entries, the first count_ of them used
    int count_ = 0;
    bool optimized_ = false;
};

} // namespace imaging
