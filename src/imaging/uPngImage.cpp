#include "imaging/uPngImage.h"

#include "imaging/uPngZlib.h"
#include "platform/ui/Bitmap.h"
#include "platform/ui/Canvas.h"
#include "platform/ui/Clipboard.h"
#include "platform/ui/Picture.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <mutex>

namespace imaging {

namespace {

constexpr uint8_t kSignature[8] = {137, 80, 78, 71, 13, 10, 26, 10};
constexpr uint32_t kMaxDimension = 65535;

void ReadExactly(rtl::TStream& stream, void* buffer, int64_t size) {
    if (stream.Read(buffer, size) != size) RaisePngError<EPngUnexpectedEnd>(EPNGUnexpectedEndText);
}

uint16_t BigEndian16(const uint8_t* p) { return static_cast<uint16_t>(p[0] << 8 | p[1]); }
void PutBigEndian16(uint8_t* p, uint16_t value) {
    p[0] = static_cast<uint8_t>(value >> 8);
    p[1] = static_cast<uint8_t>(value);
}

// The largest sample of a bit depth up to 8.
int MaxSample(int bitDepth) { return (1 << bitDepth) - 1; }

TColor QuadColor(const TRGBQuad& q) { return PngRGB(q.red, q.green, q.blue); }

std::vector<TChunkClass>& Registry() {
    static std::vector<TChunkClass> registry = {
        ChunkClassOf<TChunkIEND>(), ChunkClassOf<TChunkIHDR>(), ChunkClassOf<TChunkIDAT>(),
        ChunkClassOf<TChunkPLTE>(), ChunkClassOf<TChunkgAMA>(), ChunkClassOf<TChunktRNS>(),
        ChunkClassOf<TChunktIME>(), ChunkClassOf<TChunktEXt>(), ChunkClassOf<TChunkzTXt>(),
    };
    return registry;
}
std::mutex registryLock;

// Pictures of the framework open ".png" files as PNG pictures while the program runs.
struct TFileFormatRegistration {
    TFileFormatRegistration() {
        ui::TPicture::RegisterFileFormat("PNG", "Portable Network Graphics", ui::GraphicClassOf<TPNGObject>);
    }
    ~TFileFormatRegistration() { ui::TPicture::UnregisterGraphicClass(ui::GraphicClassOf<TPNGObject>); }
} fileFormatRegistration;

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

std::unique_ptr<TChunk> TChunk::NewOfSameClass(TPNGObject* owner) const { return std::make_unique<TChunk>(owner); }

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
    if (read.Width > kMaxDimension || read.Height > kMaxDimension)
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

void TChunkPLTE::Assign(const TChunk& source) { EntryCount = CompatibleSource<TChunkPLTE>(source).EntryCount; }

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
        h, owner.Interlacing() == imAdam7, [&](uint32_t rowBytes) { chooser.StartPass(rowBytes); }, encodeRow);
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
        KeyedTransparency = std::count_if(AlphaValues.begin(), end, [](uint8_t a) { return a != 255; }) == 1 &&
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

// ---- TPNGObject ----

TPNGObject::TPNGObject() : chunks_(this) { ResetChunks(); }

TPNGObject::~TPNGObject() = default;

void TPNGObject::ResetChunks() {
    for (int i = 0; i < 256; ++i)
        gamma_[static_cast<size_t>(i)] = inverseGamma_[static_cast<size_t>(i)] = static_cast<uint8_t>(i);
    chunks_.Clear();
}

void TPNGObject::SetGamma(uint32_t value) {
    const long double exponent = 1.0L / (static_cast<long double>(value) / 100000.0L * 2.2L);
    for (int i = 0; i < 256; ++i) {
        const long double level = 255.0L * std::pow(static_cast<long double>(i) / 255.0L, exponent);
        gamma_[static_cast<size_t>(i)] = i == 0 ? 0 : static_cast<uint8_t>(std::clamp(std::nearbyint(level), 0.0L, 255.0L));
        inverseGamma_[gamma_[static_cast<size_t>(i)]] = static_cast<uint8_t>(i);
    }
}

void TPNGObject::LoadFromStream(rtl::TStream& stream) {
    ResetChunks();
    uint8_t signature[8];
    if (stream.Read(signature, 8) != 8 || !std::equal(signature, signature + 8, kSignature))
        RaisePngError<EPNGInvalidFileHeader>(EPNGInvalidFileHeaderText);
    bool haveImageData = false;
    for (;;) {
        uint8_t head[8];
        ReadExactly(stream, head, 8);
        const uint32_t size = ReadBigEndian32(head);
        const std::string_view type(reinterpret_cast<const char*>(head + 4), 4);
        if (chunks_.Count() == 0 && type != TChunkIHDR::kName)
            RaisePngError<EPNGIHDRNotFirst>(EPNGIHDRNotFirstText);
        if (size > kMaxChunkSize) RaisePngError<EPngUnexpectedEnd>(EPNGUnexpectedEndText);
        // Chromaticities are not used; image data after the first run was read with it.
        if (type == "cHRM" || (type == TChunkIDAT::kName && haveImageData)) {
            stream.Seek(int64_t{size} + 4, rtl::soCurrent);
            continue;
        }
        std::unique_ptr<TChunk> created = CreateChunkForType(this, type);
        TChunk* chunk = created.get();
        const bool unknown = typeid(*chunk) == typeid(TChunk);
        chunks_.Append(std::move(created));
        if (unknown && (head[4] & 32) == 0)
            RaisePngError<EPNGUnknownCriticalChunk>(EPNGUnknownCriticalChunkText);
        const bool more = chunk->LoadFromStream(stream, type, size);
        if (type == TChunkIDAT::kName) haveImageData = true;
        if (!more || type == TChunkIEND::kName) break;
    }
    if (!haveImageData) RaisePngError<EPNGNoImageData>(EPNGNoImageDataText);
}

void TPNGObject::SaveToStream(rtl::TStream& stream) const {
    stream.WriteBuffer(kSignature, 8);
    for (int i = 0; i < chunks_.Count(); ++i)
        chunks_.Item(i)->SaveToStream(stream);
}

void TPNGObject::Assign(const ui::TPersistent* source) {
    if (const auto* png = dynamic_cast<const TPNGObject*>(source))
        Assign(*png);
    else if (const auto* bitmap = dynamic_cast<const ui::TBitmap*>(source))
        AssignBitmap(*bitmap);
    else
        ui::TGraphic::Assign(source);
}

void TPNGObject::AssignTo(ui::TPersistent* dest) const {
    if (auto* png = dynamic_cast<TPNGObject*>(dest)) {
        png->Assign(*this);
        return;
    }
    auto* bitmap = dynamic_cast<ui::TBitmap*>(dest);
    if (!bitmap || !HasHeaderChunk()) {
        ui::TGraphic::AssignTo(dest);
        return;
    }
    const TPixelImage& image = HeaderChunk().Image;
    const int bits = image.BitsPerPixel();
    bitmap->SetPixelFormat(bits == 1 ? ui::pf1bit : bits == 4 ? ui::pf4bit : bits == 8 ? ui::pf8bit : ui::pf24bit);
    bitmap->SetSize(Width(), Height());
    if (bits <= 8) {
        ui::TPaletteEntries entries;
        for (int i = 0; i < 1 << bits; ++i) {
            const TRGBQuad& q = image.ColorTable()[static_cast<size_t>(i)];
            entries.push_back(PngRGB(q.red, q.green, q.blue));
        }
        bitmap->SetPaletteEntries(entries);
    }
    const size_t rowBytes = (size_t{image.Width()} * static_cast<size_t>(bits) + 7) / 8;
    for (uint32_t y = 0; y < image.Height(); ++y)
        std::memcpy(bitmap->ScanLine(static_cast<int>(y)), image.Row(y), rowBytes);
    const bool keyed = TransparencyStyle() == tsBitmask;
    if (keyed) {
        bitmap->SetTransparentMode(ui::tmFixed);
        bitmap->SetTransparentColor(TransparentKeyColor());
    }
    bitmap->SetTransparent(keyed);
}

void TPNGObject::AssignBitmap(const ui::TBitmap& bitmap) {
    const ui::TPixelFormat format = bitmap.PixelFormat();
    const int bits = format == ui::pf1bit ? 1 : format == ui::pf4bit ? 4 : format == ui::pf8bit ? 8 : 24;
    // Formats other than the indexed ones and 24 bits are read through a 24-bit copy.
    ui::TBitmap converted;
    const ui::TBitmap* source = &bitmap;
    if (bits == 24 && format != ui::pf24bit) {
        converted.Assign(&bitmap);
        converted.SetPixelFormat(ui::pf24bit);
        source = &converted;
    }
    std::array<TRGBQuad, 256> table{};
    const ui::TPaletteEntries& entries = source->PaletteEntries();
    for (size_t i = 0; i < entries.size() && i < table.size(); ++i)
        table[i] = {PngBlue(entries[i]), PngGreen(entries[i]), PngRed(entries[i]), 0};
    std::vector<const uint8_t*> rows;
    for (int y = 0; y < source->Height(); ++y)
        rows.push_back(static_cast<const uint8_t*>(source->ScanLine(y)));
    AssignPixels(static_cast<uint32_t>(source->Width()), static_cast<uint32_t>(source->Height()), bits,
                 table.data(), rows.data(), bitmap.Transparent(), ui::ColorToRGB(bitmap.TransparentColor()));
}

void TPNGObject::SaveToClipboard(ui::TClipboard& clipboard) const {
    ui::TBitmap bitmap(Width(), Height(), ui::pf24bit);
    bitmap.Canvas()->StretchDraw({0, 0, Width(), Height()}, this);
    clipboard.SetBitmap(bitmap);
}

void TPNGObject::LoadFromClipboard(const ui::TClipboard& clipboard) {
    ui::TBitmap bitmap;
    if (!clipboard.GetBitmap(bitmap)) return;
    bitmap.SetTransparent(false);
    AssignBitmap(bitmap);
}

void TPNGObject::Assign(const TPNGObject& source) {
    if (&source == this) return;
    interlacing_ = source.interlacing_;
    SetIdatChunkSize(source.idatChunkSize_);
    deflateLevel_ = source.deflateLevel_;
    rowFilters_ = source.rowFilters_;
    ResetChunks();
    // The copied pixels carry the source's gamma correction, so saving must undo the same one.
    gamma_ = source.gamma_;
    inverseGamma_ = source.inverseGamma_;
    for (int i = 0; i < source.chunks_.Count(); ++i) {
        const TChunk* from = source.chunks_.Item(i);
        std::unique_ptr<TChunk> chunk = from->NewOfSameClass(this);
        chunk->Assign(*from);
        chunks_.Append(std::move(chunk));
    }
}

bool TPNGObject::HasHeaderChunk() const {
    return chunks_.Count() > 0 && dynamic_cast<TChunkIHDR*>(chunks_.Item(0)) != nullptr;
}

TChunkIHDR& TPNGObject::HeaderChunk() const {
    if (!HasHeaderChunk()) RaisePngError<EPNGHeaderNotPresent>(EPNGHeaderNotPresentText);
    return *static_cast<TChunkIHDR*>(chunks_.Item(0));
}

int TPNGObject::Width() const {
    return HasHeaderChunk() ? static_cast<int>(HeaderChunk().IHDRData.Width) : 0;
}

int TPNGObject::Height() const {
    return HasHeaderChunk() ? static_cast<int>(HeaderChunk().IHDRData.Height) : 0;
}

void TPNGObject::SetWidth(int) { RaisePngError<EPngError>(EPNGCannotChangeSizeText); }

void TPNGObject::SetHeight(int) { RaisePngError<EPngError>(EPNGCannotChangeSizeText); }

TRowGeometry TPNGObject::RowGeometry() const {
    if (!HasHeaderChunk()) return {};
    const TIHDRData& h = HeaderChunk().IHDRData;
    return {static_cast<uint32_t>(BytesForPixels(h.Width, h.ColorType, h.BitDepth)),
            FilterOffset(h.ColorType, h.BitDepth)};
}

// ---- pixels ----

namespace {

bool Inside(const TPNGObject& png, int x, int y) {
    return png.HasHeaderChunk() && x >= 0 && y >= 0 && x < png.Width() && y < png.Height();
}

} // namespace

uint8_t* TPNGObject::PixelRow(int y) {
    TChunkIHDR& header = HeaderChunk();
    return y >= 0 && y < Height() ? header.Image.Row(static_cast<uint32_t>(y)) : nullptr;
}

uint8_t* TPNGObject::AlphaRow(int y) {
    TChunkIHDR& header = HeaderChunk();
    return y >= 0 && y < Height() ? header.Image.AlphaRow(static_cast<uint32_t>(y)) : nullptr;
}

TColor TPNGObject::PixelColor(int x, int y) const {
    if (!Inside(*this, x, y)) return 0;
    const TChunkIHDR& header = HeaderChunk();
    const TPixelImage& image = header.Image;
    const uint8_t* row = image.Row(static_cast<uint32_t>(y));
    const auto ux = static_cast<uint32_t>(x);
    switch (header.IHDRData.ColorType) {
    case COLOR_GRAYSCALE: {
        const int b = image.BitsPerPixel();
        const int v = image.IndexAt(row, ux);
        const uint8_t grey = gamma_[static_cast<size_t>(b == 1 ? v * 255 : (v * ((1 << b) + 1)) % 256)];
        return PngRGB(grey, grey, grey);
    }
    case COLOR_PALETTE: {
        // Indices past the palette find zeroed entries: black.
        const TRGBQuad& q = image.ColorTable()[image.IndexAt(row, ux)];
        return PngRGB(gamma_[q.red], gamma_[q.green], gamma_[q.blue]);
    }
    case COLOR_GRAYSCALEALPHA:
        return PngRGB(row[ux], row[ux], row[ux]);
    default: {
        const uint8_t* p = row + size_t{ux} * 3;
        return PngRGB(p[2], p[1], p[0]);
    }
    }
}

void TPNGObject::SetPixelColor(int x, int y, TColor color) {
    if (!Inside(*this, x, y)) return;
    TChunkIHDR& header = HeaderChunk();
    TPixelImage& image = header.Image;
    uint8_t* row = image.Row(static_cast<uint32_t>(y));
    const auto ux = static_cast<uint32_t>(x);
    switch (header.IHDRData.ColorType) {
    case COLOR_GRAYSCALE:
    case COLOR_PALETTE: {
        // The nearest entry of the colour table.
        const int entries = 1 << image.BitsPerPixel();
        int best = 0, bestDistance = INT32_MAX;
        for (int i = 0; i < entries; ++i) {
            const TRGBQuad& q = image.ColorTable()[static_cast<size_t>(i)];
            const int dr = q.red - PngRed(color), dg = q.green - PngGreen(color), db = q.blue - PngBlue(color);
            const int distance = dr * dr + dg * dg + db * db;
            if (distance < bestDistance) {
                bestDistance = distance;
                best = i;
            }
        }
        image.SetIndexAt(row, ux, static_cast<uint8_t>(best));
        break;
    }
    case COLOR_GRAYSCALEALPHA:
        row[ux] = PngRed(color);
        break;
    default: {
        uint8_t* p = row + size_t{ux} * 3;
        p[0] = PngBlue(color);
        p[1] = PngGreen(color);
        p[2] = PngRed(color);
    }
    }
}

TPngTransparencyStyle TPNGObject::TransparencyStyle() const {
    const TChunkIHDR& header = HeaderChunk();
    const TChunktRNS* trns = chunks_.FindChunk<TChunktRNS>();
    switch (header.IHDRData.ColorType) {
    case COLOR_GRAYSCALE:
    case COLOR_RGB:
        return trns ? tsBitmask : tsNone;
    case COLOR_PALETTE:
        if (!trns) return tsNone;
        return trns->KeyedTransparency ? tsBitmask : tsPartial;
    default:
        return tsPartial;
    }
}

TColor TPNGObject::TransparentKeyColor() const {
    const TChunktRNS* trns = chunks_.FindChunk<TChunktRNS>();
    return trns ? trns->TransparentKeyColor() : 0;
}

void TPNGObject::SetTransparentKeyColor(TColor color) {
    TChunktRNS* trns = chunks_.FindChunk<TChunktRNS>();
    if (!trns) trns = chunks_.AddChunk<TChunktRNS>();
    trns->SetTransparentKeyColor(color);
}

bool TPNGObject::IsKeyPixel(int x, int y) const {
    const TChunktRNS* trns = chunks_.FindChunk<TChunktRNS>();
    if (!trns || !Inside(*this, x, y)) return false;
    const TChunkIHDR& header = HeaderChunk();
    const TPixelImage& image = header.Image;
    const uint8_t* row = image.Row(static_cast<uint32_t>(y));
    const auto ux = static_cast<uint32_t>(x);
    switch (header.IHDRData.ColorType) {
    case COLOR_GRAYSCALE:
        return image.IndexAt(row, ux) == trns->KeyIndex();
    case COLOR_PALETTE: {
        const uint8_t index = image.IndexAt(row, ux);
        return index < trns->DataSize() && trns->AlphaValues[index] == 0;
    }
    case COLOR_RGB: {
        const uint8_t* p = row + size_t{ux} * 3;
        const TRGBQuad key = trns->KeyRGB();
        return p[0] == key.blue && p[1] == key.green && p[2] == key.red;
    }
    default:
        return false;
    }
}

uint8_t TPNGObject::PixelAlpha(int x, int y) const {
    if (!Inside(*this, x, y)) return 0;
    switch (TransparencyStyle()) {
    case tsNone:
        return 255;
    case tsBitmask:
        return IsKeyPixel(x, y) ? 0 : 255;
    default:
        break;
    }
    const TChunkIHDR& header = HeaderChunk();
    const TPixelImage& image = header.Image;
    if (image.HasAlpha()) return image.AlphaRow(static_cast<uint32_t>(y))[x];
    // A palette image with partial transparency; an index past the palette shows nothing.
    const uint8_t index = image.IndexAt(image.Row(static_cast<uint32_t>(y)), static_cast<uint32_t>(x));
    const TChunkPLTE* palette = chunks_.FindChunk<TChunkPLTE>();
    if (!palette || index >= palette->EntryCount) return 0;
    return chunks_.FindChunk<TChunktRNS>()->AlphaValues[index];
}

void TPNGObject::AddAlphaChannel() {
    TChunkIHDR& header = HeaderChunk();
    TIHDRData& h = header.IHDRData;
    if (h.ColorType == COLOR_PALETTE) {
        TChunktRNS* trns = chunks_.FindChunk<TChunktRNS>();
        if (!trns) trns = chunks_.AddChunk<TChunktRNS>();
        trns->AlphaValues.fill(255);
        trns->ResizeData(1u << h.BitDepth);
        trns->KeyedTransparency = false;
        return;
    }
    if (h.ColorType != COLOR_GRAYSCALE && h.ColorType != COLOR_RGB) return;
    // The key's pixels are transparent in the new plane; the image with alpha has no key.
    std::vector<uint8_t> alpha(size_t{h.Width} * h.Height);
    for (uint32_t y = 0; y < h.Height; ++y)
        for (uint32_t x = 0; x < h.Width; ++x)
            alpha[size_t{y} * h.Width + x] = IsKeyPixel(static_cast<int>(x), static_cast<int>(y)) ? 0 : 255;
    chunks_.Remove(chunks_.FindChunk<TChunktRNS>());
    if (h.ColorType == COLOR_GRAYSCALE && h.BitDepth < 8) {
        // Grey with alpha has 8 or 16 bits: spread the levels over a byte.
        const TPixelImage old = header.Image;
        const int scale = 255 / MaxSample(old.BitsPerPixel());
        h.BitDepth = 8;
        header.BuildImage();
        for (uint32_t y = 0; y < h.Height; ++y)
            for (uint32_t x = 0; x < h.Width; ++x)
                header.Image.Row(y)[x] = static_cast<uint8_t>(old.IndexAt(old.Row(y), x) * scale);
        for (size_t i = 0; i < 256; ++i)
            header.Image.ColorTable()[i] = {gamma_[i], gamma_[i], gamma_[i], 0};
    }
    h.ColorType = h.ColorType == COLOR_GRAYSCALE ? COLOR_GRAYSCALEALPHA : COLOR_RGBALPHA;
    header.Image.AddAlpha();
    for (uint32_t y = 0; y < h.Height; ++y)
        std::copy_n(alpha.begin() + static_cast<std::ptrdiff_t>(size_t{y} * h.Width), h.Width, header.Image.AlphaRow(y));
}

std::vector<TRGBQuad> TPNGObject::Palette() const {
    const TChunkIHDR& header = HeaderChunk();
    const uint8_t type = header.IHDRData.ColorType;
    if (type != COLOR_GRAYSCALE && type != COLOR_PALETTE) return {};
    return {header.Image.ColorTable().begin(), header.Image.ColorTable().end()};
}

void TPNGObject::SetPalette(const std::vector<TRGBQuad>& entries) {
    TChunkIHDR& header = HeaderChunk();
    const uint8_t type = header.IHDRData.ColorType;
    if (type != COLOR_GRAYSCALE && type != COLOR_PALETTE) return;
    std::copy_n(entries.begin(), std::min<size_t>(entries.size(), 256), header.Image.ColorTable().begin());
}

void TPNGObject::AssignPixels(uint32_t width, uint32_t height, int bitsPerPixel, const TRGBQuad* colorTable,
                              const uint8_t* const* rows, bool transparent, TColor keyColor) {
    if (width > kMaxDimension || height > kMaxDimension) RaisePngError<EPNGSizeExceeds>(EPNGSizeExceedsText);
    ResetChunks();
    const bool indexed = bitsPerPixel < 16;
    auto header = std::make_unique<TChunkIHDR>(this);
    header->IHDRData = {width, height, static_cast<uint8_t>(indexed ? bitsPerPixel : 8),
                        indexed ? COLOR_PALETTE : COLOR_RGB, 0, 0, 0};
    header->BuildImage();
    TPixelImage& image = header->Image;
    const size_t rowBytes = (size_t{width} * static_cast<size_t>(image.BitsPerPixel()) + 7) / 8;
    for (uint32_t y = 0; y < height; ++y)
        std::memcpy(image.Row(y), rows[y], rowBytes);
    chunks_.Append(std::move(header));
    if (indexed) {
        std::copy_n(colorTable, 1 << bitsPerPixel, image.ColorTable().begin());
        auto palette = std::make_unique<TChunkPLTE>(this);
        palette->EntryCount = 1 << bitsPerPixel;
        chunks_.Append(std::move(palette));
    }
    if (transparent) chunks_.Append(std::make_unique<TChunktRNS>(this));
    chunks_.Append(std::make_unique<TChunkIDAT>(this));
    chunks_.Append(std::make_unique<TChunkIEND>(this));
    if (transparent) chunks_.FindChunk<TChunktRNS>()->SetTransparentKeyColor(keyColor);
}

// ---- drawing ----

TColor TPNGObject::DrawnColor(uint32_t x, uint32_t y) const {
    const TChunkIHDR& header = HeaderChunk();
    const TPixelImage& image = header.Image;
    const uint8_t* row = image.Row(y);
    if (header.IHDRData.ColorType == COLOR_GRAYSCALEALPHA) return PngRGB(row[x], row[x], row[x]);
    if (image.BitsPerPixel() == 24) return PngRGB(row[3 * x + 2], row[3 * x + 1], row[3 * x]);
    const TRGBQuad& q = image.ColorTable()[image.IndexAt(row, x)];
    return PngRGB(q.red, q.green, q.blue);
}

namespace {

// A 32-bit pixel of a bitmap's scan line: blue, green, red, alpha.
void PutPixel(uint8_t* p, TColor color, uint8_t alpha) {
    p[0] = PngBlue(color);
    p[1] = PngGreen(color);
    p[2] = PngRed(color);
    p[3] = alpha;
}

} // namespace

void TPNGObject::Draw(ui::TCanvas& canvas, const ui::TRect& rect) const {
    if (!HasHeaderChunk() || Width() == 0) return;
    switch (TransparencyStyle()) {
    case tsNone:
        DrawStretched(canvas, rect, false);
        break;
    case tsBitmask:
        DrawStretched(canvas, rect, true);
        break;
    case tsPartial:
        DrawBlended(canvas, rect.Left, rect.Top);
        break;
    }
}

void TPNGObject::DrawStretched(ui::TCanvas& canvas, const ui::TRect& rect, bool masked) const {
    if (rect.IsEmpty()) return;
    // Nearest-neighbour stretch; a masked picture lets the background show where the key is.
    const auto width = static_cast<uint32_t>(Width()), height = static_cast<uint32_t>(Height());
    const auto w = static_cast<uint32_t>(rect.Width()), h = static_cast<uint32_t>(rect.Height());
    ui::TBitmap stretched(rect.Width(), rect.Height(), ui::pf32bit);
    for (uint32_t dy = 0; dy < h; ++dy) {
        const uint32_t sy = static_cast<uint32_t>(uint64_t{dy} * height / h);
        auto* out = static_cast<uint8_t*>(stretched.ScanLine(static_cast<int>(dy)));
        for (uint32_t dx = 0; dx < w; ++dx) {
            const uint32_t sx = static_cast<uint32_t>(uint64_t{dx} * width / w);
            const bool key = masked && IsKeyPixel(static_cast<int>(sx), static_cast<int>(sy));
            PutPixel(out + 4 * dx, DrawnColor(sx, sy), key ? 0 : 255);
        }
    }
    if (masked) stretched.SetAlphaFormat(ui::afDefined);
    canvas.Draw(rect.Left, rect.Top, &stretched);
}

void TPNGObject::DrawBlended(ui::TCanvas& canvas, int left, int top) const {
    const int width = Width(), height = Height();
    ui::TBitmap blended(width, height, ui::pf32bit);
    // A surface that can be read is blended here, exactly; a window's paint event leaves it to the
    // painter's own alpha blending.
    const bool readable = canvas.Image() != nullptr;
    if (readable) blended.Canvas()->CopyRect({0, 0, width, height}, canvas, {left, top, left + width, top + height});
    for (int y = 0; y < height; ++y) {
        auto* out = static_cast<uint8_t*>(blended.ScanLine(y));
        for (int x = 0; x < width; ++x) {
            const TColor source = DrawnColor(static_cast<uint32_t>(x), static_cast<uint32_t>(y));
            const int a = PixelAlpha(x, y);
            uint8_t* p = out + 4 * x;
            if (!readable) {
                PutPixel(p, source, static_cast<uint8_t>(a));
                continue;
            }
            auto blend = [a](int s, int d) { return static_cast<uint8_t>((s * a + (255 - a) * d + 255) / 256); };
            p[0] = blend(PngBlue(source), p[0]);
            p[1] = blend(PngGreen(source), p[1]);
            p[2] = blend(PngRed(source), p[2]);
            p[3] = 255;
        }
    }
    if (!readable) blended.SetAlphaFormat(ui::afDefined);
    canvas.Draw(left, top, &blended);
}

} // namespace imaging
