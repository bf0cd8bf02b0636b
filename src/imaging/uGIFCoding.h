// The LZW coding of a GIF frame's image data: the decoder and two encoders, a dictionary one and a
// run-length one that writes valid LZW with no dictionary search.
#pragma once

#include "platform/rtl/Streams.h"

#include <array>
#include <cstdint>

namespace imaging {

namespace gif_text {
inline constexpr const char* CircularEntry = "Circular decoder table entry";
inline constexpr const char* ColorNotInTable = "Color not in color table";
inline constexpr const char* BitBufferUnderrun = "Decoder bit buffer under-run";
inline constexpr const char* InvalidStreamOperation = "Invalid stream operation";
} // namespace gif_text

class TGIFSubImage;

// Fills the frame's pixels from the image data at the stream's position. Damaged data ends the
// decoding with a warning and the pixels read so far; the rest keep the transparent index (or 0).
void DecodeRaster(TGIFSubImage& frame, rtl::TStream& stream);
// Writes the minimum code size, the image data in sub-blocks and the block terminator.
void EncodeRaster(TGIFSubImage& frame, rtl::TStream& stream);

// A stream over another one that refuses every operation; descendants allow what they do.
class TGIFStream : public rtl::TStream {
public:
    explicit TGIFStream(rtl::TStream& target) : target_(target) {}
    int64_t Read(void* buffer, int64_t count) override;
    int64_t Write(const void* buffer, int64_t count) override;
    int64_t Seek(int64_t offset, rtl::TSeekOrigin origin) override;
    void SetSize(int64_t size) override;

protected:
    rtl::TStream& target_;
};

// Cuts what is written into data sub-blocks of at most 255 bytes.
class TGIFWriter : public TGIFStream {
public:
    using TGIFStream::TGIFStream;
    int64_t Write(const void* buffer, int64_t count) override;
    // Writes the last, shorter sub-block, if any.
    void Flush();

private:
    std::array<uint8_t, 256> buffer_{}; // byte 0 is the block length
    int fill_ = 1;
};

// The LZW dictionary: (prefix code << 8 | pixel) -> code, open addressing over a prime number of
// slots.
class THashTable {
public:
    static constexpr int Slots = 8009;
    THashTable() { Clear(); }
    void Clear();
    // False when the key's probe sequence has no free slot left.
    bool Insert(uint32_t key, int code);
    // The code, or -1.
    int Lookup(uint32_t key) const;

private:
    static int FirstSlot(uint32_t key) { return static_cast<int>(((key >> 4) ^ key) % Slots); }
    static int NextSlot(int slot);
    static constexpr uint32_t EmptyKey = 0xFFFFF;
    std::array<uint32_t, Slots> slots_; // key in the high 20 bits, code in the low 12
};

class TGIFEncoder {
public:
    virtual ~TGIFEncoder() = default;
    // Encodes width times height pixels, each below `colors`, with codes of at least `bits` + 1 bits.
    void RunEncoder(rtl::TStream& stream, int bits, int colors, const uint8_t* pixels, bool interlaced,
                    int height, int width);

protected:
    virtual void EmitCode(int code);
    virtual void EmitClear();
    virtual void EncodePixels() = 0;

    // The current pixel, checked against the colour count.
    int CurrentPixel() const;
    // Moves to the next pixel in file order (interlaced passes included); false at the end.
    bool NextPixel();

    int bitsPerPixel_ = 0;
    int bitsPerCode_ = 0;
    int initialBitsPerCode_ = 0;
    int maxCode_ = 0;
    int clearCode_ = 0;
    int endCode_ = 0;
    int baseCode_ = 0;
    bool justCleared_ = false;

private:
    int colors_ = 0;
    int width_ = 0;
    int height_ = 0;
    bool interlaced_ = false;
    const uint8_t* pixels_ = nullptr;
    const uint8_t* current_ = nullptr;
    int64_t pixelsLeft_ = 0;
    int row_ = 0;
    int pass_ = 0;
    TGIFWriter* writer_ = nullptr;
    uint32_t bucket_ = 0;
    int bitsInBucket_ = 0;
};

class TLZWEncoder : public TGIFEncoder {
protected:
    void EmitCode(int code) override;
    void EmitClear() override;
    void EncodePixels() override;

private:
    int nextCode_ = 0;
    THashTable table_;
};

// Writes runs of one colour as growing table codes. Any decoder builds the same table from them, so
// no dictionary is kept here: only how long a run the table now codes.
class TRLEEncoder : public TGIFEncoder {
protected:
    void EmitClear() override;
    void EncodePixels() override;

private:
    void WritePlain(int code);
    void FlushRun(int64_t length);
    void ClearOrRepeat(int64_t length);
    void FillFromClear(int64_t length);
    void FlushWithTable(int64_t length);

    int usableCodes_ = 0;
    int growthPoint_ = 0;
    int growthPointAfterClear_ = 0;
    int clearPoint_ = 0;
    int clearPointAfterClear_ = 0;
    int codeCount_ = 0;
    int pixel_ = -1;
    int longestRun_ = 0;
    int tablePixel_ = -1;
};

// The codes needed to write `length` pixels as runs growing by one, restarting after `codes` codes.
int64_t TriangleCost(int64_t length, int64_t codes);
// The integer square root, rounded down.
int64_t IntegerSqrt(int64_t x);

} // namespace imaging
