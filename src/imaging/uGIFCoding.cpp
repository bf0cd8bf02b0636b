#include "imaging/uGIFCoding.h"

#include "imaging/uGIFFrames.h"
#include "imaging/uGIFImage.h"

#include <algorithm>
#include <cstring>
#include <memory>

namespace imaging {

namespace {

constexpr int MaxCodeBits = 12;
constexpr int TableSize = 1 << MaxCodeBits;
constexpr int LastCode = TableSize - 1;
constexpr int MaxMinimumCodeSize = 11; // a larger one leaves no room for table codes
constexpr int EndOfData = -1;
constexpr int EndCodeRead = -2;
constexpr int DamagedData = -3;

void SkipSubBlocks(rtl::TStream& stream) {
    uint8_t skipped[255];
    for (int size = ReadByteOrEnd(stream); size > 0; size = ReadByteOrEnd(stream))
        if (stream.Read(skipped, size) < size) break;
}

// Decodes one frame's LZW data, one pixel value per call.
class TRasterDecoder {
public:
    TRasterDecoder(TGIFSubImage& frame, rtl::TStream& stream, int minimumCodeSize)
        : frame_(frame), stream_(stream), minimumCodeSize_(minimumCodeSize), clearCode_(1 << minimumCodeSize),
          endCode_(clearCode_ + 1) {}

    // The next value, or a negative number at the end of the data. Once ended, it reads no more: the
    // data's last sub-blocks may already be consumed.
    int NextValue() {
        if (ended_) return EndOfData;
        if (top_ > 0) return stack_[--top_];
        int value = LzwStep();
        ended_ = value < 0;
        return value;
    }

private:
    int LzwStep() {
        int code = ReadCode();
        if (code < 0) return code;
        if (code == clearCode_) return Restart();
        if (code == endCode_) return SkipToEnd();

        int incoming = code;
        if (code >= nextCode_) {
            if (!Push(firstCode_)) return Damaged();
            code = previousCode_;
        }
        while (code >= clearCode_) {
            if (!Push(suffix_[code])) return Damaged(); // a cycle longer than one entry ends here
            if (prefix_[code] == code) throw GIFException(gif_text::CircularEntry);
            code = prefix_[code];
        }
        firstCode_ = suffix_[code];
        if (!Push(firstCode_)) return Damaged();

        if (nextCode_ <= LastCode) {
            prefix_[nextCode_] = static_cast<uint16_t>(previousCode_);
            suffix_[nextCode_] = static_cast<uint16_t>(firstCode_);
            ++nextCode_;
            if (nextCode_ >= sizeLimit_ && sizeLimit_ <= LastCode) {
                sizeLimit_ *= 2;
                codeSize_ = std::min(codeSize_ + 1, MaxCodeBits);
            }
        }
        previousCode_ = incoming;
        return stack_[--top_];
    }

    int Restart() {
        for (int code = 0; code < TableSize; ++code) {
            prefix_[code] = 0;
            suffix_[code] = static_cast<uint16_t>(code < clearCode_ ? code : 0);
        }
        codeSize_ = minimumCodeSize_ + 1;
        sizeLimit_ = 2 * clearCode_;
        nextCode_ = clearCode_ + 2;
        top_ = 0;
        int code = 0;
        do
            code = ReadCode();
        while (code == clearCode_);
        if (code == endCode_) return SkipToEnd();
        if (code > endCode_) return Damaged(); // nothing is in the table yet
        firstCode_ = previousCode_ = code;
        return code;
    }

    // After the end code: the rest of the data sub-blocks.
    int SkipToEnd() {
        if (!zeroBlock_) SkipSubBlocks(stream_);
        return EndCodeRead;
    }

    int Damaged() {
        frame_.ReportWarning(gif_text::InvalidData);
        return DamagedData;
    }

    bool Push(int value) {
        if (top_ == static_cast<int>(stack_.size())) return false;
        stack_[top_++] = static_cast<uint16_t>(value);
        return true;
    }

    // The next code of codeSize_ bits, least significant bit first; -1 when the data is used up.
    int ReadCode() {
        if (returnClearFirst_) {
            returnClearFirst_ = false;
            return clearCode_;
        }
        if (bitPosition_ + codeSize_ >= validBits_ && !Refill()) return EndOfData;
        int byte = bitPosition_ / 8;
        uint32_t bits = buffer_[byte] | (buffer_[byte + 1] << 8) | (buffer_[byte + 2] << 16);
        int code = static_cast<int>((bits >> (bitPosition_ & 7)) & ((1u << codeSize_) - 1));
        bitPosition_ += codeSize_;
        return code;
    }

    // Keeps the last two bytes and appends the next sub-block.
    bool Refill() {
        if (dataFinished_) {
            if (bitPosition_ >= validBits_) frame_.ReportWarning(gif_text::BitBufferUnderrun);
            return false;
        }
        buffer_[0] = buffer_[validBytes_ - 2];
        buffer_[1] = buffer_[validBytes_ - 1];
        int size = ReadByteOrEnd(stream_);
        if (size < 0) return false;
        if (size > 0) {
            int64_t read = stream_.Read(&buffer_[2], size);
            if (read < size) {
                frame_.ReportWarning(gif_text::PrematureEnd);
                size = static_cast<int>(read);
            }
        } else {
            zeroBlock_ = dataFinished_ = true;
        }
        validBytes_ = 2 + size;
        bitPosition_ = bitPosition_ - validBits_ + 16;
        validBits_ = 8 * validBytes_;
        return true;
    }

    TGIFSubImage& frame_;
    rtl::TStream& stream_;
    const int minimumCodeSize_;
    const int clearCode_;
    const int endCode_;
    int codeSize_ = 0;
    int sizeLimit_ = 0;
    int nextCode_ = 0;
    std::array<uint16_t, TableSize> prefix_{};
    std::array<uint16_t, TableSize> suffix_{};
    std::array<uint16_t, 2 * TableSize> stack_{};
    int top_ = 0;
    int firstCode_ = 0;
    int previousCode_ = 0;
    // Two carried bytes, a sub-block, and slack so that a code read past the valid bits stays inside.
    std::array<uint8_t, 2 + 255 + 4> buffer_{};
    int bitPosition_ = 0;
    int validBits_ = 0;
    int validBytes_ = 2;
    bool returnClearFirst_ = true;
    bool dataFinished_ = false;
    bool zeroBlock_ = false;
    bool ended_ = false;
};

// Rows of an interlaced frame in file order: every 8th from 0, every 8th from 4, every 4th from 2,
// every 2nd from 1.
constexpr std::array<int, 4> PassStart{0, 4, 2, 1};
constexpr std::array<int, 4> PassStep{8, 8, 4, 2};

} // namespace

void DecodeRaster(TGIFSubImage& frame, rtl::TStream& stream) {
    frame.AllocatePixels();
    std::vector<uint8_t>& pixels = frame.Pixels();
    std::fill(pixels.begin(), pixels.end(),
              static_cast<uint8_t>(frame.Transparent() ? frame.TransparentIndex() : 0));

    int minimumCodeSize = ReadByteOrEnd(stream);
    if (minimumCodeSize < 0) return;
    if (minimumCodeSize > MaxMinimumCodeSize) {
        frame.ReportWarning(gif_text::InvalidData);
        SkipSubBlocks(stream);
        return;
    }
    // About 50 KB of tables: on the heap, not the stack.
    auto decoder = std::make_unique<TRasterDecoder>(frame, stream, minimumCodeSize);
    const int width = frame.Width();
    const int height = frame.Height();
    auto fillRow = [&](int row) {
        uint8_t* out = pixels.data() + static_cast<size_t>(row) * width;
        for (int x = 0; x < width; ++x) {
            int value = decoder->NextValue();
            if (value < 0) return false;
            out[x] = static_cast<uint8_t>(value);
        }
        return true;
    };
    if (!frame.IsInterlaced()) {
        for (int row = 0; row < height; ++row)
            if (!fillRow(row)) break;
    } else {
        int pass = 0;
        int row = 0;
        for (int done = 0; done < height; ++done) {
            if (!fillRow(row)) break;
            row += PassStep[pass];
            while (row >= height && pass < 3)
                row = PassStart[++pass];
        }
    }
    decoder->NextValue(); // consumes the end code and the sub-blocks after it
}

void EncodeRaster(TGIFSubImage& frame, rtl::TStream& stream) {
    const TGIFColorMap& local = frame.ColorMap();
    int bits = local.Count() > 0 ? local.IndexBits() : frame.Image()->BitsPerPixel();
    int colors = local.Count() > 0 ? local.Count() : 1 << bits;
    std::unique_ptr<TGIFEncoder> encoder;
    if (frame.Image()->Compression == cmpRunLength)
        encoder = std::make_unique<TRLEEncoder>();
    else
        encoder = std::make_unique<TLZWEncoder>();
    const uint8_t* pixels = frame.IsBlank() ? nullptr : frame.Pixels().data();
    encoder->RunEncoder(stream, bits, colors, pixels, frame.IsInterlaced(), frame.Height(), frame.Width());
}

int64_t TGIFStream::Read(void*, int64_t) {
    throw rtl::Exception(gif_text::InvalidStreamOperation);
}

int64_t TGIFStream::Write(const void*, int64_t) {
    throw rtl::Exception(gif_text::InvalidStreamOperation);
}

int64_t TGIFStream::Seek(int64_t, rtl::TSeekOrigin) {
    throw rtl::Exception(gif_text::InvalidStreamOperation);
}

void TGIFStream::SetSize(int64_t) {
    throw rtl::Exception(gif_text::InvalidStreamOperation);
}

int64_t TGIFWriter::Write(const void* buffer, int64_t count) {
    auto* bytes = static_cast<const uint8_t*>(buffer);
    for (int64_t left = count; left > 0;) {
        int64_t chunk = std::min<int64_t>(left, static_cast<int64_t>(buffer_.size()) - fill_);
        std::memcpy(&buffer_[fill_], bytes, chunk);
        fill_ += static_cast<int>(chunk);
        bytes += chunk;
        left -= chunk;
        if (fill_ == static_cast<int>(buffer_.size())) {
            buffer_[0] = 255;
            target_.WriteBuffer(buffer_.data(), static_cast<int64_t>(buffer_.size()));
            fill_ = 1;
        }
    }
    return count;
}

void TGIFWriter::Flush() {
    if (fill_ <= 1) return;
    buffer_[0] = static_cast<uint8_t>(fill_ - 1);
    target_.WriteBuffer(buffer_.data(), fill_);
    fill_ = 1;
}

void THashTable::Clear() {
    slots_.fill(0xFFFFFFFF);
}

int THashTable::NextSlot(int slot) {
    int next = slot - (slot == 0 ? 1 : Slots - slot);
    return next < 0 ? next + Slots : next;
}

// The probe sequence visits at most a cycle of the table, so both loops are bounded by its size.
bool THashTable::Insert(uint32_t key, int code) {
    int slot = FirstSlot(key);
    for (int probe = 0; probe < Slots; ++probe, slot = NextSlot(slot))
        if ((slots_[slot] >> 12) == EmptyKey) {
            slots_[slot] = (key << 12) | static_cast<uint32_t>(code & 0xFFF);
            return true;
        }
    return false;
}

int THashTable::Lookup(uint32_t key) const {
    int slot = FirstSlot(key);
    for (int probe = 0; probe < Slots; ++probe, slot = NextSlot(slot)) {
        uint32_t stored = slots_[slot] >> 12;
        if (stored == EmptyKey) return -1;
        if (stored == key) return static_cast<int>(slots_[slot] & 0xFFF);
    }
    return -1;
}

void TGIFEncoder::RunEncoder(rtl::TStream& stream, int bits, int colors, const uint8_t* pixels,
                             bool interlaced, int height, int width) {
    bitsPerPixel_ = std::max(bits, 2);
    uint8_t minimumCodeSize = static_cast<uint8_t>(bitsPerPixel_);
    stream.WriteBuffer(&minimumCodeSize, 1);

    initialBitsPerCode_ = bitsPerCode_ = bitsPerPixel_ + 1;
    maxCode_ = (1 << bitsPerCode_) - 1;
    clearCode_ = 1 << bitsPerPixel_;
    endCode_ = clearCode_ + 1;
    baseCode_ = clearCode_ + 2;
    bucket_ = 0;
    bitsInBucket_ = 0;
    colors_ = colors;
    width_ = width;
    height_ = height;
    interlaced_ = interlaced;
    pixels_ = current_ = pixels;
    pixelsLeft_ = interlaced ? width : static_cast<int64_t>(width) * height;
    row_ = 0;
    pass_ = 0;

    TGIFWriter writer(stream);
    writer_ = &writer;
    if (pixels && width > 0 && height > 0) EncodePixels();
    EmitCode(endCode_);
    if (bitsInBucket_ > 0) {
        uint8_t last = static_cast<uint8_t>(bucket_);
        writer.WriteBuffer(&last, 1);
    }
    writer.Flush();
    writer_ = nullptr;
    uint8_t terminator = 0;
    stream.WriteBuffer(&terminator, 1);
}

void TGIFEncoder::EmitCode(int code) {
    bucket_ |= static_cast<uint32_t>(code) << bitsInBucket_;
    bitsInBucket_ += bitsPerCode_;
    while (bitsInBucket_ >= 8) {
        uint8_t byte = static_cast<uint8_t>(bucket_);
        writer_->WriteBuffer(&byte, 1);
        bucket_ >>= 8;
        bitsInBucket_ -= 8;
    }
}

void TGIFEncoder::EmitClear() {
    justCleared_ = true;
    EmitCode(clearCode_);
}

int TGIFEncoder::CurrentPixel() const {
    int pixel = *current_;
    if (pixel >= colors_) throw GIFException(gif_text::ColorNotInTable);
    return pixel;
}

bool TGIFEncoder::NextPixel() {
    if (--pixelsLeft_ > 0) {
        ++current_;
        return true;
    }
    if (!interlaced_) return false;
    pixelsLeft_ = width_;
    row_ += PassStep[pass_];
    while (row_ >= height_ && pass_ < 3)
        row_ = PassStart[++pass_];
    if (row_ >= height_) return false;
    current_ = pixels_ + static_cast<size_t>(row_) * width_;
    return true;
}

void TLZWEncoder::EmitCode(int code) {
    TGIFEncoder::EmitCode(code);
    if (nextCode_ > maxCode_ || justCleared_) {
        if (justCleared_) {
            bitsPerCode_ = initialBitsPerCode_;
            maxCode_ = (1 << bitsPerCode_) - 1;
            justCleared_ = false;
        } else {
            ++bitsPerCode_;
            maxCode_ = bitsPerCode_ == MaxCodeBits ? TableSize : (1 << bitsPerCode_) - 1;
        }
    }
}

void TLZWEncoder::EmitClear() {
    TGIFEncoder::EmitClear();
    table_.Clear();
    nextCode_ = baseCode_;
}

void TLZWEncoder::EncodePixels() {
    EmitClear();
    int prefix = CurrentPixel();
    while (NextPixel()) {
        int pixel = CurrentPixel();
        uint32_t key = (static_cast<uint32_t>(prefix) << 8) | static_cast<uint32_t>(pixel);
        int code = table_.Lookup(key);
        if (code >= 0) {
            prefix = code;
            continue;
        }
        EmitCode(prefix);
        prefix = pixel;
        // A full table, or a probe sequence with no room left, starts a new one.
        if (nextCode_ < LastCode && table_.Insert(key, nextCode_))
            ++nextCode_;
        else
            EmitClear();
    }
    EmitCode(prefix);
}

void TRLEEncoder::EmitClear() {
    growthPoint_ = growthPointAfterClear_;
    clearPoint_ = clearPointAfterClear_;
    codeCount_ = 0;
    longestRun_ = 0;
    TGIFEncoder::EmitClear();
    bitsPerCode_ = initialBitsPerCode_;
}

void TRLEEncoder::EncodePixels() {
    growthPointAfterClear_ = clearCode_ - 1;
    clearPointAfterClear_ = bitsPerPixel_ <= 3 ? 9 : clearCode_ - 2;
    usableCodes_ = LastCode - baseCode_;
    EmitClear();
    pixel_ = -1;
    int64_t run = 0;
    do {
        int pixel = CurrentPixel();
        if (pixel != pixel_) {
            FlushRun(run);
            pixel_ = pixel;
            run = 1;
        } else {
            ++run;
        }
    } while (NextPixel());
    FlushRun(run);
}

void TRLEEncoder::WritePlain(int code) {
    justCleared_ = false;
    EmitCode(code);
    ++codeCount_;
    if (codeCount_ == growthPoint_) {
        growthPoint_ += 1 << bitsPerCode_;
        ++bitsPerCode_;
    }
    if (codeCount_ >= clearPoint_) EmitClear();
}

void TRLEEncoder::FlushRun(int64_t length) {
    if (length <= 0) return;
    if (length == 1)
        WritePlain(pixel_);
    else if (justCleared_)
        FillFromClear(length);
    else if (longestRun_ >= 2 && tablePixel_ == pixel_)
        FlushWithTable(length);
    else
        ClearOrRepeat(length);
}

void TRLEEncoder::ClearOrRepeat(int64_t length) {
    if (1 + TriangleCost(length, usableCodes_) < length) {
        EmitClear();
        FillFromClear(length);
    } else {
        for (int64_t i = 0; i < length; ++i)
            WritePlain(pixel_);
    }
}

// The table grows by one run length per code: p, then runs of 2, 3, ... of p.
void TRLEEncoder::FillFromClear(int64_t length) {
    clearPoint_ = usableCodes_;
    tablePixel_ = pixel_;
    int64_t step = 1;
    while (length > 0) {
        if (step == 1) {
            WritePlain(pixel_);
            longestRun_ = 1;
            length -= 1;
        } else if (step <= length) {
            WritePlain(baseCode_ + static_cast<int>(step) - 2);
            longestRun_ = static_cast<int>(step);
            length -= step;
        } else {
            if (length == 1) {
                WritePlain(pixel_);
            } else {
                WritePlain(baseCode_ + static_cast<int>(length) - 2);
                ++longestRun_;
            }
            length = 0;
        }
        step = codeCount_ == 0 ? 1 : step + 1;
    }
    clearPoint_ = clearPointAfterClear_;
    if (codeCount_ >= clearPoint_) EmitClear();
}

void TRLEEncoder::FlushWithTable(int64_t length) {
    const int64_t longest = longestRun_;
    int64_t repeats = length / longest;
    int64_t leftover = length % longest;
    int64_t extra = leftover > 0 ? 1 : 0;
    if (codeCount_ + repeats + extra > usableCodes_) {
        repeats = usableCodes_ - codeCount_;
        leftover = length - repeats * longest;
        extra = 1 + TriangleCost(leftover, usableCodes_);
    }
    if (1 + TriangleCost(length, usableCodes_) < repeats + extra) {
        EmitClear();
        FillFromClear(length);
        return;
    }
    clearPoint_ = usableCodes_;
    for (int64_t i = 0; i < repeats; ++i)
        WritePlain(baseCode_ + static_cast<int>(longest) - 2);
    if (leftover > 0) {
        if (justCleared_)
            FillFromClear(leftover);
        else if (leftover == 1)
            WritePlain(pixel_);
        else
            WritePlain(baseCode_ + static_cast<int>(leftover) - 2);
    }
    clearPoint_ = clearPointAfterClear_;
    if (codeCount_ >= clearPoint_) EmitClear();
}

int64_t IntegerSqrt(int64_t x) {
    if (x < 2) return x;
    int64_t root = 1;
    for (int64_t rest = x; rest > 0; rest >>= 2)
        root <<= 1; // one doubling per two bits
    for (;;) {
        int64_t next = (x / root + root) / 2;
        if (next == root || next == root + 1) return root;
        root = next;
    }
}

int64_t TriangleCost(int64_t length, int64_t codes) {
    int64_t triangle = codes * (codes + 1) / 2;
    int64_t cost = length / triangle * codes;
    int64_t remainder = length % triangle;
    if (remainder > 0) {
        // The least m with m(m + 1) >= 2 * remainder.
        int64_t m = IntegerSqrt(2 * remainder);
        while (m * (m + 1) < 2 * remainder)
            ++m;
        while (m > 1 && (m - 1) * m >= 2 * remainder)
            --m;
        cost += m;
    }
    return cost;
}

} // namespace imaging
