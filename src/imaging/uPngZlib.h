// The CRC-32 and zlib streams of PNG chunks.
#pragma once

#include "platform/rtl/Streams.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace imaging {

// The CRC-32 of PNG chunks: start with kCrcStart, update with the type and data, then complement.
inline constexpr uint32_t kCrcStart = 0xFFFFFFFFu;
uint32_t UpdateCrc(uint32_t crc, const void* data, size_t size);

// Chunk lengths above this are refused: the standard limits them to 2^31 - 1.
inline constexpr uint32_t kMaxChunkSize = 0x7FFFFFFFu;

// Reads exactly `size` bytes or raises the unexpected-end error.
void ReadExactly(rtl::TStream& stream, void* buffer, int64_t size);

uint32_t ReadBigEndian32(const uint8_t* p);
void WriteBigEndian32(uint8_t* p, uint32_t value);

// Writes one chunk: length, type, data and CRC.
void WriteChunk(rtl::TStream& stream, std::string_view type, const void* data, size_t size);

// Inflates the image data of one or more consecutive "IDAT" chunks, checking each chunk's CRC. It
// starts after the first chunk's length and type have been read. Every failure raises the codec's
// error: a damaged CRC, a chunk other than "IDAT" while data is still needed, invalid compressed data,
// or data that ends before the image does.
class TIdatReader {
public:
    TIdatReader(rtl::TStream& stream, uint32_t firstChunkSize);
    ~TIdatReader();
    TIdatReader(const TIdatReader&) = delete;
    TIdatReader& operator=(const TIdatReader&) = delete;

    // Fills all `size` bytes.
    void Read(uint8_t* out, size_t size);
    // After the last row: skips what is left of the current chunk and checks its CRC.
    void Finish();

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

// Deflates the image data into "IDAT" chunks of exactly `chunkSize` bytes, the last one shorter.
class TIdatWriter {
public:
    TIdatWriter(rtl::TStream& stream, int level, uint32_t chunkSize);
    ~TIdatWriter();
    TIdatWriter(const TIdatWriter&) = delete;
    TIdatWriter& operator=(const TIdatWriter&) = delete;

    void Write(const uint8_t* data, size_t size);
    void Finish();

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

// Whole-buffer inflate and deflate of compressed text; false when zlib fails.
bool InflateText(std::string_view compressed, std::string& text);
bool DeflateText(std::string_view text, int level, std::string& compressed);

} // namespace imaging
