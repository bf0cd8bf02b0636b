#include "imaging/uPngZlib.h"

#include "imaging/uPngErrors.h"

#include <array>
#include <string>
#include <vector>
#include <zlib.h>

namespace imaging {

namespace {

const std::array<uint32_t, 256>& CrcTable() {
    static const std::array<uint32_t, 256> table = [] {
        std::array<uint32_t, 256> t{};
        for (uint32_t n = 0; n < 256; ++n) {
            uint32_t c = n;
            for (int k = 0; k < 8; ++k)
                c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[n] = c;
        }
        return t;
    }();
    return table;
}

std::string ZlibDescription(int code) {
    switch (code) {
    case Z_VERSION_ERROR:
        return "incompatible version (-6)";
    case Z_BUF_ERROR:
        return "buffer error (-5)";
    case Z_MEM_ERROR:
        return "insufficient memory (-4)";
    case Z_DATA_ERROR:
        return "data error (-3)";
    case Z_STREAM_ERROR:
        return "stream error (-2)";
    case Z_ERRNO:
        return "file error (-1)";
    case Z_OK:
        return "(0)";
    case Z_STREAM_END:
        return "stream end (1)";
    case Z_NEED_DICT:
        return "need dictionary (2)";
    default:
        return "(" + std::to_string(code) + ")";
    }
}

[[noreturn]] void RaiseZlibError(int code) {
    throw EPNGZLIBError(EPNGZLIBErrorText + ZlibDescription(code));
}

constexpr char kIdat[4] = {'I', 'D', 'A', 'T'};
constexpr uint32_t kInputBlock = 65535;

} // namespace

void ReadExactly(rtl::TStream& stream, void* buffer, int64_t size) {
    if (stream.Read(buffer, size) != size) RaisePngError<EPngUnexpectedEnd>(EPNGUnexpectedEndText);
}

uint32_t UpdateCrc(uint32_t crc, const void* data, size_t size) {
    const auto& table = CrcTable();
    const auto* p = static_cast<const uint8_t*>(data);
    for (size_t i = 0; i < size; ++i)
        crc = table[(crc ^ p[i]) & 0xFF] ^ (crc >> 8);
    return crc;
}

uint32_t ReadBigEndian32(const uint8_t* p) {
    return uint32_t{p[0]} << 24 | uint32_t{p[1]} << 16 | uint32_t{p[2]} << 8 | p[3];
}

void WriteBigEndian32(uint8_t* p, uint32_t value) {
    p[0] = static_cast<uint8_t>(value >> 24);
    p[1] = static_cast<uint8_t>(value >> 16);
    p[2] = static_cast<uint8_t>(value >> 8);
    p[3] = static_cast<uint8_t>(value);
}

void WriteChunk(rtl::TStream& stream, std::string_view type, const void* data, size_t size) {
    uint8_t head[8];
    WriteBigEndian32(head, static_cast<uint32_t>(size));
    std::copy(type.begin(), type.begin() + 4, head + 4);
    stream.WriteBuffer(head, 8);
    if (size) stream.WriteBuffer(data, static_cast<int64_t>(size));
    const uint32_t crc = ~UpdateCrc(UpdateCrc(kCrcStart, head + 4, 4), data, size);
    uint8_t tail[4];
    WriteBigEndian32(tail, crc);
    stream.WriteBuffer(tail, 4);
}

// ---- reading ----

struct TIdatReader::Impl {
    rtl::TStream& stream;
    z_stream z{};
    bool open = false;
    bool ended = false; // the zlib stream is complete
    uint32_t crc = UpdateCrc(kCrcStart, kIdat, 4);
    uint32_t leftInChunk; // data bytes of the current chunk not yet read
    std::vector<uint8_t> input = std::vector<uint8_t>(kInputBlock);

    Impl(rtl::TStream& s, uint32_t size) : stream(s), leftInChunk(size) {}

    void CheckCrc() {
        uint8_t stored[4];
        ReadExactly(stream, stored, 4);
        if (ReadBigEndian32(stored) != ~crc) RaisePngError<EPngInvalidCRC>(EPngInvalidCRCText);
    }

    // Moves to the next chunk, which must continue the image data.
    void NextChunk() {
        CheckCrc();
        uint8_t head[8];
        ReadExactly(stream, head, 8);
        if (!std::equal(head + 4, head + 8, kIdat))
            RaisePngError<EPNGMissingMultipleIDAT>(EPNGMissingMultipleIDATText);
        leftInChunk = ReadBigEndian32(head);
        if (leftInChunk > kMaxChunkSize) RaisePngError<EPngUnexpectedEnd>(EPNGUnexpectedEndText);
        crc = UpdateCrc(kCrcStart, kIdat, 4);
    }

    void Refill() {
        while (leftInChunk == 0)
            NextChunk();
        const uint32_t want = std::min(leftInChunk, kInputBlock);
        const int64_t got = stream.Read(input.data(), want);
        if (got <= 0) RaisePngError<EPngUnexpectedEnd>(EPNGUnexpectedEndText);
        leftInChunk -= static_cast<uint32_t>(got);
        crc = UpdateCrc(crc, input.data(), static_cast<size_t>(got));
        z.next_in = input.data();
        z.avail_in = static_cast<uInt>(got);
    }
};

TIdatReader::TIdatReader(rtl::TStream& stream, uint32_t firstChunkSize)
    : impl_(std::make_unique<Impl>(stream, firstChunkSize)) {
    const int rc = inflateInit(&impl_->z);
    if (rc != Z_OK) RaiseZlibError(rc);
    impl_->open = true;
}

TIdatReader::~TIdatReader() {
    if (impl_->open) inflateEnd(&impl_->z);
}

void TIdatReader::Read(uint8_t* out, size_t size) {
    z_stream& z = impl_->z;
    z.next_out = out;
    z.avail_out = static_cast<uInt>(size);
    while (z.avail_out > 0) {
        if (impl_->ended) RaisePngError<EPngUnexpectedEnd>(EPNGUnexpectedEndText);
        if (z.avail_in == 0) impl_->Refill();
        const int rc = inflate(&z, Z_NO_FLUSH);
        if (rc == Z_STREAM_END)
            impl_->ended = true;
        else if (rc != Z_OK) // a preset dictionary is no more decodable than damaged data
            RaiseZlibError(rc);
    }
}

void TIdatReader::Finish() {
    inflateEnd(&impl_->z);
    impl_->open = false;
    while (impl_->leftInChunk > 0) {
        const uint32_t want = std::min(impl_->leftInChunk, kInputBlock);
        ReadExactly(impl_->stream, impl_->input.data(), want);
        impl_->crc = UpdateCrc(impl_->crc, impl_->input.data(), want);
        impl_->leftInChunk -= want;
    }
    impl_->CheckCrc();
}

// ---- writing ----

struct TIdatWriter::Impl {
    rtl::TStream& stream;
    z_stream z{};
    bool open = false;
    std::vector<uint8_t> output;

    Impl(rtl::TStream& s, uint32_t chunkSize) : stream(s), output(chunkSize) {}

    void Reset() {
        z.next_out = output.data();
        z.avail_out = static_cast<uInt>(output.size());
    }
    void FlushFull() {
        if (z.avail_out != 0) return;
        WriteChunk(stream, "IDAT", output.data(), output.size());
        Reset();
    }
};

TIdatWriter::TIdatWriter(rtl::TStream& stream, int level, uint32_t chunkSize)
    : impl_(std::make_unique<Impl>(stream, chunkSize)) {
    const int rc = deflateInit(&impl_->z, level);
    if (rc != Z_OK) RaiseZlibError(rc);
    impl_->open = true;
    impl_->Reset();
}

TIdatWriter::~TIdatWriter() {
    if (impl_->open) deflateEnd(&impl_->z);
}

void TIdatWriter::Write(const uint8_t* data, size_t size) {
    z_stream& z = impl_->z;
    z.next_in = const_cast<Bytef*>(data);
    z.avail_in = static_cast<uInt>(size);
    while (z.avail_in > 0) {
        const int rc = deflate(&z, Z_NO_FLUSH);
        if (rc != Z_OK && rc != Z_BUF_ERROR) RaiseZlibError(rc);
        impl_->FlushFull();
    }
}

void TIdatWriter::Finish() {
    z_stream& z = impl_->z;
    z.avail_in = 0;
    for (;;) {
        const int rc = deflate(&z, Z_FINISH);
        if (rc != Z_OK && rc != Z_STREAM_END && rc != Z_BUF_ERROR) RaiseZlibError(rc);
        impl_->FlushFull();
        if (rc == Z_STREAM_END) break;
    }
    const size_t left = impl_->output.size() - z.avail_out;
    if (left > 0) WriteChunk(impl_->stream, "IDAT", impl_->output.data(), left);
    deflateEnd(&z);
    impl_->open = false;
}

// ---- text ----

bool InflateText(std::string_view compressed, std::string& text) {
    z_stream z{};
    if (inflateInit(&z) != Z_OK) return false;
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(compressed.data()));
    z.avail_in = static_cast<uInt>(compressed.size());
    std::string result;
    char buffer[256];
    int rc = Z_OK;
    while (rc == Z_OK) {
        z.next_out = reinterpret_cast<Bytef*>(buffer);
        z.avail_out = sizeof buffer;
        rc = inflate(&z, Z_NO_FLUSH);
        result.append(buffer, sizeof buffer - z.avail_out);
    }
    inflateEnd(&z);
    if (rc != Z_STREAM_END) return false;
    text = std::move(result);
    return true;
}

bool DeflateText(std::string_view text, int level, std::string& compressed) {
    z_stream z{};
    if (deflateInit(&z, level) != Z_OK) return false;
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(text.data()));
    z.avail_in = static_cast<uInt>(text.size());
    std::string result;
    char buffer[256];
    int rc = Z_OK;
    while (rc == Z_OK || rc == Z_BUF_ERROR) {
        z.next_out = reinterpret_cast<Bytef*>(buffer);
        z.avail_out = sizeof buffer;
        rc = deflate(&z, Z_FINISH);
        result.append(buffer, sizeof buffer - z.avail_out);
    }
    deflateEnd(&z);
    if (rc != Z_STREAM_END) return false;
    compressed = std::move(result);
    return true;
}

} // namespace imaging
