#include "platform/ui/BmpCodec.h"

#include "platform/ui/Bitmap.h"

#include <cstring>
#include <string>

namespace ui {

namespace {

constexpr uint16_t kBmpSignature = 0x4D42; // "BM"
constexpr uint32_t kFileHeaderSize = 14;
constexpr uint32_t kCoreHeaderSize = 12;
constexpr uint32_t kInfoHeaderSize = 40;
constexpr uint32_t BI_RGB = 0;
constexpr uint32_t BI_BITFIELDS = 3;
constexpr uint32_t kMask565[] = {0xF800, 0x07E0, 0x001F};
constexpr uint32_t kMask555[] = {0x7C00, 0x03E0, 0x001F};
constexpr uint32_t kMask888[] = {0x00FF0000, 0x0000FF00, 0x000000FF};
// Larger images are refused rather than allocated from a damaged header.
constexpr int64_t kMaxPixels = int64_t{1} << 25;

[[noreturn]] void Invalid() {
    throw EInvalidGraphic("Bitmap image is not valid");
}

// Little-endian reads that never pass the end of the bytes.
class Reader {
public:
    Reader(const std::string& bytes, size_t pos) : bytes_(bytes), pos_(pos) {}
    uint32_t U8() { return static_cast<uint8_t>(Take(1)[0]); }
    uint32_t U16() { return U8() | U8() << 8; }
    uint32_t U32() { return U16() | U16() << 16; }
    int32_t I32() { return static_cast<int32_t>(U32()); }
    const char* Take(size_t count) {
        if (count > bytes_.size() || pos_ > bytes_.size() - count) Invalid();
        const char* p = bytes_.data() + pos_;
        pos_ += count;
        return p;
    }
    size_t Pos() const { return pos_; }
    void Seek(size_t pos) {
        if (pos > bytes_.size()) Invalid();
        pos_ = pos;
    }

private:
    const std::string& bytes_;
    size_t pos_;
};

bool SameMasks(const uint32_t* masks, const uint32_t (&expected)[3]) {
    return masks[0] == expected[0] && masks[1] == expected[1] && masks[2] == expected[2];
}

TPixelFormat FormatOf(uint32_t bits, uint32_t compression, const uint32_t* masks) {
    switch (bits) {
    case 1:
        return pf1bit;
    case 4:
        return pf4bit;
    case 8:
        return pf8bit;
    case 16:
        if (compression == BI_RGB || SameMasks(masks, kMask555)) return pf15bit;
        if (SameMasks(masks, kMask565)) return pf16bit;
        break;
    case 24:
        return pf24bit;
    case 32:
        if (compression == BI_RGB || SameMasks(masks, kMask888)) return pf32bit;
        break;
    }
    Invalid();
}

class Writer {
public:
    void U16(uint32_t v) {
        bytes_.push_back(static_cast<char>(v & 0xFF));
        bytes_.push_back(static_cast<char>((v >> 8) & 0xFF));
    }
    void U32(uint32_t v) {
        U16(v & 0xFFFF);
        U16(v >> 16);
    }
    void Bytes(const void* data, size_t count) { bytes_.append(static_cast<const char*>(data), count); }
    std::string& Result() { return bytes_; }

private:
    std::string bytes_;
};

} // namespace

void ReadBmp(rtl::TStream& stream, TBitmap& bitmap) {
    const int64_t start = stream.Position();
    const std::string bytes = stream.ReadToEnd();
    Reader in(bytes, 0);
    if (in.U16() != kBmpSignature) Invalid();
    in.U32(); // file size: often wrong in the wild
    in.U32(); // reserved
    const uint32_t pixelOffset = in.U32();
    const size_t headerStart = in.Pos();
    const uint32_t headerSize = in.U32();
    int64_t width = 0, height = 0;
    uint32_t bits = 0, compression = BI_RGB, colorsUsed = 0;
    uint32_t masks[3] = {};
    bool core = headerSize == kCoreHeaderSize;
    if (core) {
        width = in.U16();
        height = static_cast<int16_t>(in.U16());
        in.U16(); // planes
        bits = in.U16();
    } else if (headerSize >= kInfoHeaderSize) {
        width = in.I32();
        height = in.I32();
        in.U16(); // planes
        bits = in.U16();
        compression = in.U32();
        in.Take(12); // image size and resolution
        colorsUsed = in.U32();
        in.U32(); // important colours
        if (compression == BI_BITFIELDS) {
            // Version 4 and 5 headers carry the masks; version 3 puts them after the header.
            for (uint32_t& mask : masks)
                mask = in.U32();
        }
        in.Seek(headerStart + headerSize);
        if (compression == BI_BITFIELDS && headerSize == kInfoHeaderSize) in.Take(sizeof masks);
    } else {
        Invalid();
    }
    if (compression != BI_RGB && compression != BI_BITFIELDS) Invalid();
    const bool topDown = height < 0;
    height = std::abs(height);
    if (width <= 0 || height <= 0 || width * height > kMaxPixels) Invalid();
    const TPixelFormat format = FormatOf(bits, compression, masks);

    TPaletteEntries palette;
    if (bits <= 8) {
        const uint32_t maxColors = 1u << bits;
        const uint32_t count = colorsUsed == 0 || colorsUsed > maxColors ? maxColors : colorsUsed;
        const size_t entrySize = core ? 3 : 4;
        for (uint32_t i = 0; i < count; ++i) {
            const auto* e = reinterpret_cast<const uint8_t*>(in.Take(entrySize));
            palette.push_back(RGB(e[2], e[1], e[0]));
        }
    }
    const int64_t stride = (width * bits + 31) / 32 * 4;
    if (pixelOffset > bytes.size() || static_cast<int64_t>(bytes.size() - pixelOffset) < stride * height)
        Invalid();

    TBitmap result;
    result.SetPixelFormat(format);
    result.SetSize(static_cast<int>(width), static_cast<int>(height));
    if (!palette.empty()) result.SetPaletteEntries(palette);
    for (int64_t row = 0; row < height; ++row) {
        const char* source = bytes.data() + pixelOffset + row * stride;
        const int y = static_cast<int>(topDown ? row : height - 1 - row);
        std::memcpy(result.ScanLine(y), source, static_cast<size_t>(stride));
    }
    bitmap.Assign(&result);
    stream.SetPosition(start + pixelOffset + stride * height);
}

void WriteBmp(rtl::TStream& stream, const TBitmap& bitmap) {
    TPixelFormat format = bitmap.PixelFormat();
    if (format == pfDevice || format == pfCustom) format = pf32bit;
    const uint32_t bits = format == pf1bit    ? 1
                          : format == pf4bit  ? 4
                          : format == pf8bit  ? 8
                          : format == pf24bit ? 24
                          : format == pf32bit ? 32
                                              : 16;
    const TPaletteEntries& palette = bitmap.PaletteEntries();
    const bool bitfields = format == pf16bit;
    const uint32_t stride = static_cast<uint32_t>(bitmap.BytesPerScanLine());
    const uint32_t height = static_cast<uint32_t>(bitmap.Height());
    const uint32_t headerBytes =
        kFileHeaderSize + kInfoHeaderSize + (bitfields ? 12 : 0) + static_cast<uint32_t>(palette.size()) * 4;
    Writer out;
    out.U16(kBmpSignature);
    out.U32(headerBytes + stride * height);
    out.U32(0);
    out.U32(headerBytes);
    out.U32(kInfoHeaderSize);
    out.U32(static_cast<uint32_t>(bitmap.Width()));
    out.U32(height);
    out.U16(1);
    out.U16(bits);
    out.U32(bitfields ? BI_BITFIELDS : BI_RGB);
    out.U32(stride * height);
    out.U32(3780); // 96 dots per inch, in dots per metre
    out.U32(3780);
    out.U32(static_cast<uint32_t>(palette.size()));
    out.U32(0);
    if (bitfields)
        for (uint32_t mask : kMask565)
            out.U32(mask);
    for (TColor c : palette) {
        const uint8_t entry[4] = {static_cast<uint8_t>(GetBValue(c)), static_cast<uint8_t>(GetGValue(c)),
                                  static_cast<uint8_t>(GetRValue(c)), 0};
        out.Bytes(entry, 4);
    }
    for (int y = bitmap.Height() - 1; y >= 0; --y)
        out.Bytes(bitmap.ScanLine(y), stride);
    stream.WriteString(out.Result());
}

} // namespace ui
