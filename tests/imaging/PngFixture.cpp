#include "imaging/PngFixture.h"

#include <cstdlib>
#include <zlib.h>

namespace imaging::testing {

Bytes BigEndian32(uint32_t value) {
    Bytes out(4, '\0');
    for (int i = 0; i < 4; ++i)
        out[static_cast<size_t>(i)] = static_cast<char>(value >> (24 - 8 * i));
    return out;
}

Bytes Chunk(const std::string& type, const Bytes& data) {
    const Bytes body = type + data;
    const uLong crc = crc32(0L, reinterpret_cast<const Bytef*>(body.data()), static_cast<uInt>(body.size()));
    return BigEndian32(static_cast<uint32_t>(data.size())) + body + BigEndian32(static_cast<uint32_t>(crc));
}

Bytes Ihdr(uint32_t width, uint32_t height, uint8_t bitDepth, uint8_t colorType, uint8_t interlace) {
    Bytes data = BigEndian32(width) + BigEndian32(height);
    data += static_cast<char>(bitDepth);
    data += static_cast<char>(colorType);
    data += '\0';
    data += '\0';
    data += static_cast<char>(interlace);
    return Chunk("IHDR", data);
}

Bytes Deflate(const Bytes& raw) {
    uLongf size = compressBound(static_cast<uLong>(raw.size()));
    Bytes out(size, '\0');
    compress2(reinterpret_cast<Bytef*>(out.data()), &size, reinterpret_cast<const Bytef*>(raw.data()),
              static_cast<uLong>(raw.size()), 9);
    out.resize(size);
    return out;
}

int SampleImage::Channels() const {
    switch (colorType) {
    case 2:
        return 3;
    case 4:
        return 2;
    case 6:
        return 4;
    default:
        return 1;
    }
}

SampleImage RandomImage(uint32_t width, uint32_t height, uint8_t bitDepth, uint8_t colorType, uint32_t seed) {
    SampleImage image{width, height, bitDepth, colorType, {}};
    uint32_t state = seed * 2654435761u + 1;
    const uint32_t max = (1u << bitDepth) - 1;
    for (uint32_t y = 0; y < height; ++y) {
        std::vector<uint16_t> row;
        for (uint32_t i = 0; i < width * static_cast<uint32_t>(image.Channels()); ++i) {
            state = state * 1103515245u + 12345u;
            row.push_back(static_cast<uint16_t>((state >> 8) % (max + 1)));
        }
        image.samples.push_back(std::move(row));
    }
    return image;
}

namespace {

// Packs the samples of the given columns of one row.
Bytes PackRow(const SampleImage& image, uint32_t y, uint32_t x0, uint32_t step) {
    const int channels = image.Channels();
    std::vector<uint16_t> values;
    for (uint32_t x = x0; x < image.width; x += step)
        for (int c = 0; c < channels; ++c)
            values.push_back(image.Sample(x, y, c));
    Bytes out;
    if (image.bitDepth == 16) {
        for (uint16_t v : values) {
            out += static_cast<char>(v >> 8);
            out += static_cast<char>(v & 0xFF);
        }
    } else {
        uint32_t bit = 0;
        for (uint16_t v : values) {
            if (bit % 8 == 0) out += '\0';
            out.back() = static_cast<char>(out.back() | (v << (8 - image.bitDepth - bit % 8)));
            bit += image.bitDepth;
        }
    }
    return out;
}

int PaethPredictor(int a, int b, int c) {
    const int p = a + b - c, pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
    return pa <= pb && pa <= pc ? a : pb <= pc ? b : c;
}

Bytes FilterRow(const Bytes& raw, const Bytes& previous, int type, size_t bpp) {
    Bytes out(1, static_cast<char>(type));
    for (size_t i = 0; i < raw.size(); ++i) {
        const int x = static_cast<uint8_t>(raw[i]);
        const int a = i >= bpp ? static_cast<uint8_t>(raw[i - bpp]) : 0;
        const int b = previous.empty() ? 0 : static_cast<uint8_t>(previous[i]);
        const int c = i >= bpp && !previous.empty() ? static_cast<uint8_t>(previous[i - bpp]) : 0;
        const int predictor = type == 1   ? a
                              : type == 2 ? b
                              : type == 3 ? (a + b) / 2
                              : type == 4 ? PaethPredictor(a, b, c)
                                          : 0;
        out += static_cast<char>(x - predictor);
    }
    return out;
}

} // namespace

Bytes Scanlines(const SampleImage& image, bool adam7) {
    const size_t bpp = std::max<size_t>(1, static_cast<size_t>(image.Channels() * image.bitDepth / 8));
    struct Pass {
        uint32_t row, column, rowStep, columnStep;
    };
    const std::vector<Pass> passes =
        adam7 ? std::vector<Pass>{{0, 0, 8, 8}, {0, 4, 8, 8}, {4, 0, 8, 4}, {0, 2, 4, 4},
                                  {2, 0, 4, 2}, {0, 1, 2, 2}, {1, 0, 2, 1}}
              : std::vector<Pass>{{0, 0, 1, 1}};
    Bytes out;
    int filter = 0;
    for (const Pass& pass : passes) {
        if (pass.column >= image.width) continue;
        Bytes previous;
        for (uint32_t y = pass.row; y < image.height; y += pass.rowStep) {
            const Bytes raw = PackRow(image, y, pass.column, pass.columnStep);
            out += FilterRow(raw, previous, filter++ % 5, bpp);
            previous = raw;
        }
    }
    return out;
}

Bytes PngFile(const SampleImage& image, bool adam7, const Bytes& beforeData, int idatParts) {
    Bytes file = kPngSignature +
                 Ihdr(image.width, image.height, image.bitDepth, image.colorType, adam7 ? 1 : 0) + beforeData;
    const Bytes data = Deflate(Scanlines(image, adam7));
    const size_t part = (data.size() + static_cast<size_t>(idatParts) - 1) / static_cast<size_t>(idatParts);
    for (size_t at = 0; at < data.size(); at += part)
        file += Chunk("IDAT", data.substr(at, part));
    return file + Chunk("IEND", "");
}

void LoadPng(TPNGObject& png, const Bytes& bytes) {
    rtl::TMemoryStream stream;
    stream.WriteString(bytes);
    stream.SetPosition(0);
    png.LoadFromStream(stream);
}

Bytes SavePng(TPNGObject& png) {
    rtl::TMemoryStream stream;
    png.SaveToStream(stream);
    return stream.Bytes();
}

namespace {

uint32_t At32(const Bytes& file, size_t at) {
    return static_cast<uint32_t>(static_cast<uint8_t>(file[at])) << 24 |
           static_cast<uint32_t>(static_cast<uint8_t>(file[at + 1])) << 16 |
           static_cast<uint32_t>(static_cast<uint8_t>(file[at + 2])) << 8 |
           static_cast<uint8_t>(file[at + 3]);
}

template <class F>
void EachChunk(const Bytes& file, F f) {
    for (size_t at = 8; at + 8 <= file.size();) {
        const uint32_t size = At32(file, at);
        f(file.substr(at + 4, 4), size);
        at += 12 + size;
    }
}

} // namespace

std::vector<std::string> ChunkTypes(const Bytes& file) {
    std::vector<std::string> types;
    EachChunk(file, [&](const std::string& type, uint32_t) { types.push_back(type); });
    return types;
}

Bytes InflatedImageData(const Bytes& file) {
    Bytes compressed;
    size_t at = 8;
    EachChunk(file, [&](const std::string& type, uint32_t size) {
        if (type == "IDAT") compressed += file.substr(at + 8, size);
        at += 12 + size;
    });
    uLongf size = 1 << 24;
    Bytes raw(size, '\0');
    if (uncompress(reinterpret_cast<Bytef*>(raw.data()), &size,
                   reinterpret_cast<const Bytef*>(compressed.data()),
                   static_cast<uLong>(compressed.size())) != Z_OK)
        return {};
    raw.resize(size);
    return raw;
}

std::vector<uint32_t> ChunkSizes(const Bytes& file, const std::string& type) {
    std::vector<uint32_t> sizes;
    EachChunk(file, [&](const std::string& t, uint32_t size) {
        if (t == type) sizes.push_back(size);
    });
    return sizes;
}

} // namespace imaging::testing
