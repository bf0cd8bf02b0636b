#include "imaging/uPNGObject.h"

#include "imaging/uPngZlib.h"
#include "platform/ui/Bitmap.h"
#include "platform/ui/Canvas.h"
#include "platform/ui/Clipboard.h"
#include "platform/ui/Picture.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace imaging {

namespace {

constexpr uint8_t kSignature[8] = {137, 80, 78, 71, 13, 10, 26, 10};

// Pictures of the framework open ".png" files as PNG pictures while the program runs.
struct TFileFormatRegistration {
    TFileFormatRegistration() {
        ui::TPicture::RegisterFileFormat("PNG", "Portable Network Graphics", ui::GraphicClassOf<TPNGObject>);
    }
    ~TFileFormatRegistration() { ui::TPicture::UnregisterGraphicClass(ui::GraphicClassOf<TPNGObject>); }
} fileFormatRegistration;

} // namespace

// ---- TPNGObject ----

TPNGObject::TPNGObject() : chunks_(this) {
    ResetChunks();
}

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
        gamma_[static_cast<size_t>(i)] =
            i == 0 ? 0 : static_cast<uint8_t>(std::clamp(std::nearbyint(level), 0.0L, 255.0L));
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
    bitmap->SetPixelFormat(bits == 1   ? ui::pf1bit
                           : bits == 4 ? ui::pf4bit
                           : bits == 8 ? ui::pf8bit
                                       : ui::pf24bit);
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

void TPNGObject::SetWidth(int) {
    RaisePngError<EPngError>(EPNGCannotChangeSizeText);
}

void TPNGObject::SetHeight(int) {
    RaisePngError<EPngError>(EPNGCannotChangeSizeText);
}

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
            const int dr = q.red - PngRed(color), dg = q.green - PngGreen(color),
                      db = q.blue - PngBlue(color);
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
        std::copy_n(alpha.begin() + static_cast<std::ptrdiff_t>(size_t{y} * h.Width), h.Width,
                    header.Image.AlphaRow(y));
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
    if (width > kMaxPngDimension || height > kMaxPngDimension)
        RaisePngError<EPNGSizeExceeds>(EPNGSizeExceedsText);
    ResetChunks();
    const bool indexed = bitsPerPixel < 16;
    auto header = std::make_unique<TChunkIHDR>(this);
    header->IHDRData = {width,
                        height,
                        static_cast<uint8_t>(indexed ? bitsPerPixel : 8),
                        indexed ? COLOR_PALETTE : COLOR_RGB,
                        0,
                        0,
                        0};
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
    if (readable)
        blended.Canvas()->CopyRect({0, 0, width, height}, canvas, {left, top, left + width, top + height});
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
            auto blend = [a](int s, int d) {
                return static_cast<uint8_t>((s * a + (255 - a) * d + 255) / 256);
            };
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
