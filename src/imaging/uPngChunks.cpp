#include "imaging/uPngChunks.h"

#include "imaging/uPNGObject.h"
#include "imaging/uPngZlib.h"

#include <algorithm>
#include <mutex>

namespace imaging {

namespace {

uint16_t BigEndian16(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] << 8 | p[1]);
}
void PutBigEndian16(uint8_t* p, uint16_t value) {
    p[0] = static_cast<uint8_t>(value >> 8);
    p[1] = static_cast<uint8_t>(value);
}

TColor QuadColor(const TRGBQuad& q) {
    return PngRGB(q.red, q.green, q.blue);
}

std::vector<TChunkClass>& Registry() {
    static std::vector<TChunkClass> registry = {
        ChunkClassOf<TChunkIEND>(), ChunkClassOf<TChunkIHDR>(), ChunkClassOf<TChunkIDAT>(),
        ChunkClassOf<TChunkPLTE>(), ChunkClassOf<TChunkgAMA>(), ChunkClassOf<TChunktRNS>(),
        ChunkClassOf<TChunktIME>(), ChunkClassOf<TChunktEXt>(), ChunkClassOf<TChunkzTXt>(),
    };
    return registry;
}
std::mutex registryLock;

} // namespace

// ---- chunk class registry ----

void RegisterChunkClass(TChunkClass chunkClass) {
    std::lock_guard lock(registryLock);
    Registry().push_back(chunkClass);
}

std::unique_ptr<TChunk> CreateChunkForType(TPNGObject* owner, std::string_view type) {
    std::unique_ptr<TChunk> chunk;
    {
        std::lock_guard lock(registryLock);
        for (const TChunkClass& c : Registry())
            if (c.name == type) {
                chunk = c.create(owner);
                break;
            }
    }
    if (!chunk) chunk = std::make_unique<TChunk>(owner);
    chunk->SetChunkType(type);
    return chunk;
}

// ---- TChunk ----

std::unique_ptr<TChunk> TChunk::NewOfSameClass(TPNGObject* owner) const {
    return std::make_unique<TChunk>(owner);
}

void TChunk::Assign(const TChunk& source) {
    type_ = source.type_;
    data_ = source.data_;
}

bool TChunk::LoadFromStream(rtl::TStream& stream, std::string_view type, uint32_t size) {
    // The length comes from the file: nothing is allocated for more than the file still holds.
    if (size > stream.Size() - stream.Position()) RaisePngError<EPngUnexpectedEnd>(EPNGUnexpectedEndText);
    data_.resize(size);
    ReadExactly(stream, data_.data(), size);
    uint8_t stored[4];
    ReadExactly(stream, stored, 4);
    const uint32_t crc = ~UpdateCrc(UpdateCrc(kCrcStart, type.data(), 4), data_.data(), size);
    if (ReadBigEndian32(stored) != crc) RaisePngError<EPngInvalidCRC>(EPngInvalidCRCText);
    return true;
}

bool TChunk::SaveToStream(rtl::TStream& stream) {
    WriteChunk(stream, type_, data_.data(), data_.size());
    return true;
}

namespace {

template <class C>
const C& CompatibleSource(const TChunk& source) {
    const auto* same = dynamic_cast<const C*>(&source);
    if (!same) RaisePngError<EPngError>(EPNGCannotAssignChunkText);
    return *same;
}

} // namespace

// ---- IHDR ----

void TChunkIHDR::Assign(const TChunk& source) {
    const auto& header = CompatibleSource<TChunkIHDR>(source);
    IHDRData = header.IHDRData;
    Image = header.Image;
}

bool TChunkIHDR::LoadFromStream(rtl::TStream& stream, std::string_view type, uint32_t size) {
    TChunk::LoadFromStream(stream, type, size);
    if (size < 13) RaisePngError<EPngInvalidIHDR>(EPngInvalidIHDRText);
    // Checked before it is kept: a refused header leaves an empty image that nothing reads.
    const uint8_t* p = Bytes();
    const TIHDRData read{ReadBigEndian32(p), ReadBigEndian32(p + 4), p[8], p[9], p[10], p[11], p[12]};
    if (read.Width > kMaxPngDimension || read.Height > kMaxPngDimension)
        RaisePngError<EPNGSizeExceeds>(EPNGSizeExceedsText);
    if (read.CompressionMethod != 0) RaisePngError<EPNGUnknownCompression>(EPNGUnknownCompressionText);
    if (read.InterlaceMethod > imAdam7) RaisePngError<EPNGUnknownInterlace>(EPNGUnknownInterlaceText);
    // An empty image or a format without a decoder could never be shown.
    if (read.Width == 0 || read.Height == 0 || !IsKnownFormat(read.ColorType, read.BitDepth))
        RaisePngError<EPngInvalidIHDR>(EPngInvalidIHDRText);
    IHDRData = read;
    Owner().SetInterlacing(static_cast<TInterlaceMethod>(IHDRData.InterlaceMethod));
    BuildImage();
    return true;
}

void TChunkIHDR::BuildImage() {
    const int bitsPerPixel = BitmapBitsPerPixel(IHDRData.ColorType, IHDRData.BitDepth);
    const bool withAlpha = IHDRData.ColorType == COLOR_GRAYSCALEALPHA || IHDRData.ColorType == COLOR_RGBALPHA;
    if (!TPixelImage::Fits(IHDRData.Width, IHDRData.Height, bitsPerPixel, withAlpha)) {
        IHDRData = {};
        RaisePngError<EPNGOutMemory>(EPNGOutMemoryText);
    }
    Image.Build(IHDRData.Width, IHDRData.Height, bitsPerPixel, withAlpha);
}

bool TChunkIHDR::SaveToStream(rtl::TStream& stream) {
    // The bitmap holds 2-bit samples as 4-bit ones, so they are written as such; a grey key follows.
    if (IHDRData.BitDepth == 2) {
        IHDRData.BitDepth = 4;
        if (auto* trns = Owner().Chunks().FindChunk<TChunktRNS>();
            trns && IHDRData.ColorType == COLOR_GRAYSCALE) {
            const int key = BigEndian16(trns->AlphaValues.data()) & 3;
            PutBigEndian16(trns->AlphaValues.data(), static_cast<uint16_t>(key * 5));
        }
    }
    IHDRData.InterlaceMethod = static_cast<uint8_t>(Owner().Interlacing());
    ResizeData(13);
    uint8_t* p = Bytes();
    WriteBigEndian32(p, IHDRData.Width);
    WriteBigEndian32(p + 4, IHDRData.Height);
    p[8] = IHDRData.BitDepth;
    p[9] = IHDRData.ColorType;
    p[10] = IHDRData.CompressionMethod;
    p[11] = IHDRData.FilterMethod;
    p[12] = IHDRData.InterlaceMethod;
    return TChunk::SaveToStream(stream);
}

// ---- PLTE ----

void TChunkPLTE::Assign(const TChunk& source) {
    EntryCount = CompatibleSource<TChunkPLTE>(source).EntryCount;
}

bool TChunkPLTE::LoadFromStream(rtl::TStream& stream, std::string_view type, uint32_t size) {
    TChunk::LoadFromStream(stream, type, size);
    if (size % 3 != 0 || size / 3 > 256) RaisePngError<EPNGInvalidPalette>(EPNGInvalidPaletteText);
    EntryCount = static_cast<int>(size / 3);
    auto& table = Owner().HeaderChunk().Image.ColorTable();
    const uint8_t* gamma = Owner().GammaTable();
    const uint8_t* p = Bytes();
    for (int i = 0; i < EntryCount; ++i, p += 3)
        table[i] = {gamma[p[2]], gamma[p[1]], gamma[p[0]], 0};
    return true;
}

bool TChunkPLTE::SaveToStream(rtl::TStream& stream) {
    ResizeData(static_cast<uint32_t>(EntryCount) * 3);
    const auto& table = Owner().HeaderChunk().Image.ColorTable();
    const uint8_t* inverse = Owner().InverseGamma();
    uint8_t* p = Bytes();
    for (int i = 0; i < EntryCount; ++i, p += 3) {
        p[0] = inverse[table[i].red];
        p[1] = inverse[table[i].green];
        p[2] = inverse[table[i].blue];
    }
    return TChunk::SaveToStream(stream);
}

uint32_t TChunkPLTE::PaletteEntry(int index) const {
    if (index < 0 || index >= EntryCount) RaisePngError<EPngError>(EPNGUnknownPalEntryText);
    const TRGBQuad& q = Owner().HeaderChunk().Image.ColorTable()[index];
    return uint32_t{q.red} << 16 | uint32_t{q.green} << 8 | q.blue;
}

// ---- IDAT ----

namespace {

// Walks the rows of the image data in file order, all rows or the rows of each Adam7 pass: startPass
// (row bytes) before each pass, then row (y, row bytes, pixel count, first column, column step).
template <class StartPass, class Row>
void ForEachDataRow(const TIHDRData& h, bool adam7, StartPass startPass, Row row) {
    if (!adam7) {
        const auto rowBytes = static_cast<uint32_t>(BytesForPixels(h.Width, h.ColorType, h.BitDepth));
        startPass(rowBytes);
        for (uint32_t y = 0; y < h.Height; ++y)
            row(y, rowBytes, h.Width, 0u, 1u);
        return;
    }
    for (const TAdam7Pass& pass : kAdam7Passes) {
        const uint32_t columns = PassColumns(pass, h.Width);
        const auto rowBytes = static_cast<uint32_t>(BytesForPixels(columns, h.ColorType, h.BitDepth));
        if (rowBytes == 0) continue;
        startPass(rowBytes);
        for (uint32_t y = pass.row; y < h.Height; y += pass.rowStep)
            row(y, rowBytes, columns, pass.column, pass.columnStep);
    }
}

} // namespace

bool TChunkIDAT::LoadFromStream(rtl::TStream& stream, std::string_view type, uint32_t size) {
    if (size > kMaxChunkSize) RaisePngError<EPngUnexpectedEnd>(EPNGUnexpectedEndText);
    TPNGObject& owner = Owner();
    TChunkIHDR& header = owner.HeaderChunk();
    TPixelImage& image = header.Image;
    const TIHDRData& h = header.IHDRData;
    const uint8_t* gamma = owner.GammaTable();
    if (h.ColorType == COLOR_GRAYSCALE || h.ColorType == COLOR_GRAYSCALEALPHA) {
        const int entries = 1 << image.BitsPerPixel();
        for (int i = 0; i < entries; ++i) {
            const uint8_t v = gamma[(i * 255 + (entries - 1) / 2) / (entries - 1)];
            image.ColorTable()[i] = {v, v, v, 0};
        }
    }
    const TRowGeometry geometry = owner.RowGeometry();
    const TPixelDecoder decode = PixelDecoderFor(h.ColorType, h.BitDepth);
    std::vector<uint8_t> rows[2] = {std::vector<uint8_t>(geometry.rowBytes + 1),
                                    std::vector<uint8_t>(geometry.rowBytes + 1)};
    int current = 0;
    TIdatReader reader(stream, size);
    // Reads, unfilters and places one row of `count` pixels; the other buffer holds the row above.
    auto decodeRow = [&](uint32_t y, uint32_t rowBytes, uint32_t count, uint32_t x0, uint32_t step) {
        uint8_t* row = rows[current].data();
        reader.Read(row, rowBytes + 1);
        Unfilter(row[0], row + 1, rows[1 - current].data() + 1, rowBytes, geometry.offset);
        decode(row + 1, count, x0, step, image.Row(y), image.AlphaRow(y), gamma);
        current = 1 - current;
    };
    ForEachDataRow(
        h, h.InterlaceMethod == imAdam7,
        [&](uint32_t) { std::fill(rows[1 - current].begin(), rows[1 - current].end(), 0); }, decodeRow);
    reader.Finish();
    return true;
}

bool TChunkIDAT::SaveToStream(rtl::TStream& stream) {
    TPNGObject& owner = Owner();
    const TChunkIHDR& header = owner.HeaderChunk();
    const TPixelImage& image = header.Image;
    const TIHDRData& h = header.IHDRData;
    const TPixelEncoder encode = PixelEncoderFor(h.ColorType, h.BitDepth);
    if (!encode) RaisePngError<EPngInvalidIHDR>(EPngInvalidIHDRText);
    const TRowGeometry geometry = owner.RowGeometry();
    std::vector<uint8_t> raw(geometry.rowBytes);
    TRowFilterChooser chooser(owner.RowFilters(), geometry.rowBytes, geometry.offset);
    TIdatWriter writer(stream, owner.DeflateLevel(), owner.IdatChunkSize());
    auto encodeRow = [&](uint32_t y, uint32_t rowBytes, uint32_t count, uint32_t x0, uint32_t step) {
        std::fill_n(raw.begin(), rowBytes, 0);
        encode(raw.data(), count, x0, step, image.Row(y), image.AlphaRow(y), owner.InverseGamma());
        const uint8_t filter = chooser.Choose(raw.data());
        writer.Write(&filter, 1);
        writer.Write(chooser.Output(), rowBytes);
    };
    ForEachDataRow(
        h, owner.Interlacing() == imAdam7, [&](uint32_t rowBytes) { chooser.StartPass(rowBytes); },
        encodeRow);
    writer.Finish();
    return true;
}

// ---- tRNS ----

void TChunktRNS::Assign(const TChunk& source) {
    TChunk::Assign(source);
    if (const auto* trns = dynamic_cast<const TChunktRNS*>(&source)) {
        AlphaValues = trns->AlphaValues;
        KeyedTransparency = trns->KeyedTransparency;
    }
}

bool TChunktRNS::LoadFromStream(rtl::TStream& stream, std::string_view type, uint32_t size) {
    TChunk::LoadFromStream(stream, type, size);
    if (size > 256) RaisePngError<EPNGInvalidPalette>(EPNGInvalidPaletteText);
    AlphaValues.fill(255);
    std::copy_n(Bytes(), size, AlphaValues.begin());
    switch (Owner().HeaderChunk().IHDRData.ColorType) {
    case COLOR_GRAYSCALE:
    case COLOR_RGB:
        KeyedTransparency = true;
        break;
    case COLOR_PALETTE: {
        // A bitmask only when a single entry is fully transparent; any other alpha needs blending.
        const auto end = AlphaValues.begin() + size;
        KeyedTransparency =
            std::count_if(AlphaValues.begin(), end, [](uint8_t a) { return a != 255; }) == 1 &&
            std::count(AlphaValues.begin(), end, 0) == 1;
        break;
    }
    default:
        break;
    }
    return true;
}

bool TChunktRNS::SaveToStream(rtl::TStream& stream) {
    if (DataSize() <= 256) std::copy_n(AlphaValues.begin(), DataSize(), Bytes());
    return TChunk::SaveToStream(stream);
}

int TChunktRNS::KeyIndex() const {
    const TIHDRData& h = Owner().HeaderChunk().IHDRData;
    const int sample = BigEndian16(AlphaValues.data());
    if (h.BitDepth == 16) return sample >> 8;
    if (sample > MaxSample(h.BitDepth)) return -1;
    return h.BitDepth == 2 ? sample * 5 : sample;
}

TRGBQuad TChunktRNS::KeyRGB() const {
    const TIHDRData& h = Owner().HeaderChunk().IHDRData;
    const uint8_t* gamma = Owner().GammaTable();
    auto component = [&](int i) {
        const uint8_t* p = AlphaValues.data() + 2 * i;
        return gamma[h.BitDepth == 16 ? p[0] : p[1]];
    };
    return {component(2), component(1), component(0), 0};
}

TColor TChunktRNS::TransparentKeyColor() const {
    const TChunkIHDR& header = Owner().HeaderChunk();
    switch (header.IHDRData.ColorType) {
    case COLOR_GRAYSCALE: {
        const int index = KeyIndex();
        if (index < 0) return 0;
        const int bits = header.Image.BitsPerPixel();
        const int level = bits == 8 ? index : index * 255 / MaxSample(bits);
        const uint8_t grey = Owner().GammaTable()[level];
        return PngRGB(grey, grey, grey);
    }
    case COLOR_RGB:
        return QuadColor(KeyRGB());
    case COLOR_PALETTE:
        for (uint32_t i = 0; i < DataSize() && i < 256; ++i)
            if (AlphaValues[i] == 0) return QuadColor(header.Image.ColorTable()[i]);
        return 0;
    default:
        return 0;
    }
}

void TChunktRNS::SetTransparentKeyColor(TColor color) {
    const TChunkIHDR& header = Owner().HeaderChunk();
    const TIHDRData& h = header.IHDRData;
    const uint8_t* inverse = Owner().InverseGamma();
    // A screen level back to a sample of the image's depth.
    auto sample = [&](uint8_t level) -> uint16_t {
        const uint8_t v = inverse[level];
        if (h.BitDepth == 16) return static_cast<uint16_t>(v * 257);
        return static_cast<uint16_t>((v * MaxSample(h.BitDepth) + 127) / 255);
    };
    switch (h.ColorType) {
    case COLOR_GRAYSCALE:
        AlphaValues.fill(0);
        ResizeData(2);
        PutBigEndian16(AlphaValues.data(), sample(PngRed(color)));
        break;
    case COLOR_RGB:
        AlphaValues.fill(0);
        ResizeData(6);
        PutBigEndian16(AlphaValues.data(), sample(PngRed(color)));
        PutBigEndian16(AlphaValues.data() + 2, sample(PngGreen(color)));
        PutBigEndian16(AlphaValues.data() + 4, sample(PngBlue(color)));
        break;
    case COLOR_PALETTE: {
        const auto& table = header.Image.ColorTable();
        const TRGBQuad wanted{PngBlue(color), PngGreen(color), PngRed(color), 0};
        const auto found = std::find_if(table.begin(), table.end(), [&](const TRGBQuad& q) {
            return q.red == wanted.red && q.green == wanted.green && q.blue == wanted.blue;
        });
        // Another entry must not turn transparent in its place.
        if (found == table.end()) return;
        const auto index = static_cast<size_t>(found - table.begin());
        AlphaValues.fill(255);
        AlphaValues[index] = 0;
        ResizeData(static_cast<uint32_t>(index + 1));
        break;
    }
    default:
        return;
    }
    KeyedTransparency = true;
}

// ---- gAMA ----

void TChunkgAMA::Assign(const TChunk& source) {
    const TChunkgAMA& gama = CompatibleSource<TChunkgAMA>(source);
    SetGammaValue(gama.DataSize() == 4 ? ReadBigEndian32(gama.Bytes()) : 1);
}

bool TChunkgAMA::LoadFromStream(rtl::TStream& stream, std::string_view type, uint32_t size) {
    TChunk::LoadFromStream(stream, type, size);
    if (const uint32_t value = GammaValue(); value != 0) Owner().SetGamma(value);
    return true;
}

uint32_t TChunkgAMA::GammaValue() {
    if (DataSize() == 4) return ReadBigEndian32(Bytes());
    ResizeData(4);
    return 1;
}

void TChunkgAMA::SetGammaValue(uint32_t value) {
    ResizeData(4);
    WriteBigEndian32(Bytes(), value);
}

// ---- tIME ----

bool TChunktIME::LoadFromStream(rtl::TStream& stream, std::string_view type, uint32_t size) {
    TChunk::LoadFromStream(stream, type, size);
    if (size == 7) {
        const uint8_t* p = Bytes();
        Year = BigEndian16(p);
        Month = p[2];
        Day = p[3];
        Hour = p[4];
        Minute = p[5];
        Second = p[6];
    }
    return true;
}

bool TChunktIME::SaveToStream(rtl::TStream& stream) {
    ResizeData(7);
    uint8_t* p = Bytes();
    PutBigEndian16(p, Year);
    p[2] = Month;
    p[3] = Day;
    p[4] = Hour;
    p[5] = Minute;
    p[6] = Second;
    return TChunk::SaveToStream(stream);
}

// ---- tEXt and zTXt ----

void TChunktEXt::Assign(const TChunk& source) {
    if (const auto* text = dynamic_cast<const TChunktEXt*>(&source)) {
        Keyword = text->Keyword;
        Text = text->Text;
    }
}

bool TChunktEXt::LoadFromStream(rtl::TStream& stream, std::string_view type, uint32_t size) {
    TChunk::LoadFromStream(stream, type, size);
    if (size > 2) {
        const std::string& data = Data();
        const size_t zero = data.find('\0');
        Keyword = data.substr(0, zero);
        Text = zero == std::string::npos ? std::string() : data.substr(zero + 1);
    }
    return true;
}

bool TChunktEXt::SaveToStream(rtl::TStream& stream) {
    const std::string data = Keyword + '\0' + Text;
    ResizeData(static_cast<uint32_t>(data.size()));
    std::copy(data.begin(), data.end(), Bytes());
    return TChunk::SaveToStream(stream);
}

bool TChunkzTXt::LoadFromStream(rtl::TStream& stream, std::string_view type, uint32_t size) {
    TChunktEXt::LoadFromStream(stream, type, size);
    if (size > 3) {
        const std::string& data = Data();
        const size_t zero = data.find('\0');
        Keyword = data.substr(0, zero);
        Text.clear();
        if (zero != std::string::npos && zero + 1 < data.size() && data[zero + 1] == 0) {
            std::string inflated;
            if (InflateText(std::string_view(data).substr(zero + 2), inflated)) Text = std::move(inflated);
        }
    }
    return true;
}

bool TChunkzTXt::SaveToStream(rtl::TStream& stream) {
    if (Text.empty()) Text = " ";
    std::string compressed;
    if (!DeflateText(Text, Owner().DeflateLevel(), compressed)) return true;
    std::string data = Keyword;
    data += '\0';
    data += '\0';
    data += compressed;
    ResizeData(static_cast<uint32_t>(data.size()));
    std::copy(data.begin(), data.end(), Bytes());
    return TChunk::SaveToStream(stream);
}

// ---- the chunk list ----

TChunk* TPNGList::Item(int index) const {
    return index >= 0 && index < Count() ? items_[static_cast<size_t>(index)].get() : nullptr;
}

void TPNGList::Insert(int index, std::unique_ptr<TChunk> chunk) {
    if (index >= 0 && index < Count()) items_.insert(items_.begin() + index, std::move(chunk));
}

void TPNGList::Remove(const TChunk* chunk) {
    if (const int index = IndexOf(chunk); index >= 0) items_.erase(items_.begin() + index);
}

int TPNGList::IndexOf(const TChunk* chunk) const {
    for (int i = 0; i < Count(); ++i)
        if (items_[static_cast<size_t>(i)].get() == chunk) return i;
    return -1;
}

TChunk* TPNGList::Add(std::unique_ptr<TChunk> chunk) {
    TChunk* added = chunk.get();
    const bool isGama = dynamic_cast<TChunkgAMA*>(added) != nullptr;
    const bool isTrns = dynamic_cast<TChunktRNS*>(added) != nullptr;
    if (dynamic_cast<TChunkIHDR*>(added) || dynamic_cast<TChunkIDAT*>(added) ||
        dynamic_cast<TChunkPLTE*>(added) || dynamic_cast<TChunkIEND*>(added) ||
        (isGama && FindChunk<TChunkgAMA>()) || (isTrns && FindChunk<TChunktRNS>()))
        RaisePngError<EPngError>(EPNGCannotAddChunkText);
    const TChunk* header = FindChunk<TChunkIHDR>();
    const TChunk* end = FindChunk<TChunkIEND>();
    if (!header || !end) RaisePngError<EPngError>(EPNGCannotAddInvalidImageText);

    int position = IndexOf(end);
    if (isGama) {
        position = IndexOf(header) + 1;
    } else if (isTrns) {
        if (const TChunk* palette = FindChunk<TChunkPLTE>())
            position = IndexOf(palette) + 1;
        else if (const TChunk* data = FindChunk<TChunkIDAT>())
            position = IndexOf(data);
        else
            position = IndexOf(header) + 1;
    }
    items_.insert(items_.begin() + position, std::move(chunk));
    return added;
}

} // namespace imaging
