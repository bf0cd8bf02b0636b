// The chunks of a PNG file: the header, palette, image data, end and the ancillary ones.
#pragma once

#include "imaging/uPngErrors.h"
#include "imaging/uPngPixelImage.h"
#include "platform/rtl/Streams.h"
#include "platform/ui/Color.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace imaging {

class TPNGObject;

using ui::TColor;
inline constexpr TColor PngRGB(uint8_t r, uint8_t g, uint8_t b) {
    return ui::RGB(r, g, b);
}
inline constexpr uint8_t PngRed(TColor c) {
    return static_cast<uint8_t>(ui::GetRValue(c));
}
inline constexpr uint8_t PngGreen(TColor c) {
    return static_cast<uint8_t>(ui::GetGValue(c));
}
inline constexpr uint8_t PngBlue(TColor c) {
    return static_cast<uint8_t>(ui::GetBValue(c));
}

enum TInterlaceMethod { imNone, imAdam7 };
enum TPngTransparencyStyle { tsNone, tsBitmask, tsPartial };

// A chunk of the file: its four type bytes and its data. Chunks of unregistered types are plain
// TChunk instances and are written back as they were read.
class TChunk {
public:
    explicit TChunk(TPNGObject* owner) : owner_(owner) {}
    virtual ~TChunk() = default;
    TChunk(const TChunk&) = delete;
    TChunk& operator=(const TChunk&) = delete;

    // A new chunk of this chunk's class for another owner.
    virtual std::unique_ptr<TChunk> NewOfSameClass(TPNGObject* owner) const;
    virtual void Assign(const TChunk& source);
    // Entered after the length and type were read: reads the data and the CRC and decodes the data.
    virtual bool LoadFromStream(rtl::TStream& stream, std::string_view type, uint32_t size);
    // Encodes the chunk's fields into its data and writes the chunk.
    virtual bool SaveToStream(rtl::TStream& stream);

    const std::string& ChunkType() const { return type_; }
    void SetChunkType(std::string_view type) { type_ = std::string(type.substr(0, 4)); }
    TPNGObject& Owner() const { return *owner_; }
    const std::string& Data() const { return data_; }
    uint32_t DataSize() const { return static_cast<uint32_t>(data_.size()); }
    void ResizeData(uint32_t size) { data_.resize(size); }
    const uint8_t* Bytes() const { return reinterpret_cast<const uint8_t*>(data_.data()); }
    uint8_t* Bytes() { return reinterpret_cast<uint8_t*>(data_.data()); }

protected:
    TChunk(TPNGObject* owner, std::string_view type) : owner_(owner), type_(type) {}

private:
    TPNGObject* owner_;
    std::string type_;
    std::string data_;
};

// Declares the virtual constructor of a chunk class.
#define PNG_CHUNK_CLASS(Class)                                                                               \
    std::unique_ptr<TChunk> NewOfSameClass(TPNGObject* owner) const override {                               \
        return std::make_unique<Class>(owner);                                                               \
    }

struct TIHDRData {
    uint32_t Width = 0;
    uint32_t Height = 0;
    uint8_t BitDepth = 0;
    uint8_t ColorType = 0;
    uint8_t CompressionMethod = 0;
    uint8_t FilterMethod = 0;
    uint8_t InterlaceMethod = 0;
};

// The header; it owns the decoded image.
class TChunkIHDR : public TChunk {
public:
    static constexpr std::string_view kName = "IHDR";
    explicit TChunkIHDR(TPNGObject* owner) : TChunk(owner, kName) {}
    PNG_CHUNK_CLASS(TChunkIHDR)
    void Assign(const TChunk& source) override;
    bool LoadFromStream(rtl::TStream& stream, std::string_view type, uint32_t size) override;
    bool SaveToStream(rtl::TStream& stream) override;

    TIHDRData IHDRData;
    TPixelImage Image;
    // Allocates the image for the header's size and format, zero-filled.
    void BuildImage();
};

class TChunkPLTE : public TChunk {
public:
    static constexpr std::string_view kName = "PLTE";
    explicit TChunkPLTE(TPNGObject* owner) : TChunk(owner, kName) {}
    PNG_CHUNK_CLASS(TChunkPLTE)
    void Assign(const TChunk& source) override;
    bool LoadFromStream(rtl::TStream& stream, std::string_view type, uint32_t size) override;
    bool SaveToStream(rtl::TStream& stream) override;

    int EntryCount = 0;
    // The colour of an entry as $00RRGGBB; raises EPngError for an index past the palette.
    uint32_t PaletteEntry(int index) const;
};

// The image data; the first "IDAT" chunk reads and writes the whole compressed stream.
class TChunkIDAT : public TChunk {
public:
    static constexpr std::string_view kName = "IDAT";
    explicit TChunkIDAT(TPNGObject* owner) : TChunk(owner, kName) {}
    PNG_CHUNK_CLASS(TChunkIDAT)
    bool LoadFromStream(rtl::TStream& stream, std::string_view type, uint32_t size) override;
    bool SaveToStream(rtl::TStream& stream) override;
};

class TChunkIEND : public TChunk {
public:
    static constexpr std::string_view kName = "IEND";
    explicit TChunkIEND(TPNGObject* owner) : TChunk(owner, kName) {}
    PNG_CHUNK_CLASS(TChunkIEND)
};

class TChunktRNS : public TChunk {
public:
    static constexpr std::string_view kName = "tRNS";
    explicit TChunktRNS(TPNGObject* owner) : TChunk(owner, kName) { AlphaValues.fill(255); }
    PNG_CHUNK_CLASS(TChunktRNS)
    void Assign(const TChunk& source) override;
    bool LoadFromStream(rtl::TStream& stream, std::string_view type, uint32_t size) override;
    bool SaveToStream(rtl::TStream& stream) override;

    std::array<uint8_t, 256> AlphaValues{};
    bool KeyedTransparency = false;

    // The transparent colour as it shows on screen (scaled and gamma-corrected like the pixels).
    TColor TransparentKeyColor() const;
    // Makes `color` the transparent one. On a palette image without that colour nothing changes.
    void SetTransparentKeyColor(TColor color);
    // The bitmap value a grey pixel has when it is the key (-1 when no sample matches), and the
    // 24-bit colour of a truecolour key.
    int KeyIndex() const;
    TRGBQuad KeyRGB() const;
};

class TChunkgAMA : public TChunk {
public:
    static constexpr std::string_view kName = "gAMA";
    explicit TChunkgAMA(TPNGObject* owner) : TChunk(owner, kName) { SetGammaValue(1); }
    PNG_CHUNK_CLASS(TChunkgAMA)
    void Assign(const TChunk& source) override;
    bool LoadFromStream(rtl::TStream& stream, std::string_view type, uint32_t size) override;

    // Gamma times 100000.
    uint32_t GammaValue();
    void SetGammaValue(uint32_t value);
};

class TChunktIME : public TChunk {
public:
    static constexpr std::string_view kName = "tIME";
    explicit TChunktIME(TPNGObject* owner) : TChunk(owner, kName) {}
    PNG_CHUNK_CLASS(TChunktIME)
    bool LoadFromStream(rtl::TStream& stream, std::string_view type, uint32_t size) override;
    bool SaveToStream(rtl::TStream& stream) override;

    uint16_t Year = 0;
    uint8_t Month = 0, Day = 0, Hour = 0, Minute = 0, Second = 0;
};

class TChunktEXt : public TChunk {
public:
    static constexpr std::string_view kName = "tEXt";
    explicit TChunktEXt(TPNGObject* owner) : TChunk(owner, kName) {}
    PNG_CHUNK_CLASS(TChunktEXt)
    void Assign(const TChunk& source) override;
    bool LoadFromStream(rtl::TStream& stream, std::string_view type, uint32_t size) override;
    bool SaveToStream(rtl::TStream& stream) override;

    std::string Keyword;
    std::string Text;

protected:
    TChunktEXt(TPNGObject* owner, std::string_view type) : TChunk(owner, type) {}
};

class TChunkzTXt : public TChunktEXt {
public:
    static constexpr std::string_view kName = "zTXt";
    explicit TChunkzTXt(TPNGObject* owner) : TChunktEXt(owner, kName) {}
    PNG_CHUNK_CLASS(TChunkzTXt)
    bool LoadFromStream(rtl::TStream& stream, std::string_view type, uint32_t size) override;
    bool SaveToStream(rtl::TStream& stream) override;
};

#undef PNG_CHUNK_CLASS

// The chunk class registry: the class that a chunk type is read into.
using TChunkFactory = std::unique_ptr<TChunk> (*)(TPNGObject* owner);
struct TChunkClass {
    std::string_view name;
    TChunkFactory create;
};
template <class C>
TChunkClass ChunkClassOf() {
    return {C::kName,
            [](TPNGObject* owner) -> std::unique_ptr<TChunk> { return std::make_unique<C>(owner); }};
}
void RegisterChunkClass(TChunkClass chunkClass);
// A chunk of the first registered class whose name is `type` (case-sensitive), else a plain TChunk.
std::unique_ptr<TChunk> CreateChunkForType(TPNGObject* owner, std::string_view type);

// The ordered, owning chunk list of one image.
class TPNGList {
public:
    explicit TPNGList(TPNGObject* owner) : owner_(owner) {}

    int Count() const { return static_cast<int>(items_.size()); }
    // Null past the end.
    TChunk* Item(int index) const;
    void Append(std::unique_ptr<TChunk> chunk) { items_.push_back(std::move(chunk)); }
    // Only below the count; an index at or past it inserts nothing.
    void Insert(int index, std::unique_ptr<TChunk> chunk);
    void Clear() { items_.clear(); }
    // Frees the chunk if it is in the list.
    void Remove(const TChunk* chunk);

    // The first chunk of class C (or derived from it), or null.
    template <class C>
    C* FindChunk() const {
        for (const auto& chunk : items_)
            if (auto* found = dynamic_cast<C*>(chunk.get())) return found;
        return nullptr;
    }
    // Adds a new chunk of class C in its place; critical chunks, a second "gAMA" or "tRNS", and any
    // chunk of an image without header or end are refused with EPngError.
    template <class C>
    C* AddChunk() {
        return static_cast<C*>(Add(std::make_unique<C>(owner_)));
    }

private:
    TChunk* Add(std::unique_ptr<TChunk> chunk);
    int IndexOf(const TChunk* chunk) const;

    TPNGObject* owner_;
    std::vector<std::unique_ptr<TChunk>> items_;
};

// The largest width and height a picture may have.
inline constexpr uint32_t kMaxPngDimension = 65535;
// The largest sample of a bit depth up to 8.
inline constexpr int MaxSample(int bitDepth) {
    return (1 << bitDepth) - 1;
}

} // namespace imaging
