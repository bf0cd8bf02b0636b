#include "imaging/uGIFFrames.h"

#include "imaging/uGIFCoding.h"
#include "imaging/uGIFImage.h"

#include <algorithm>
#include <cctype>
#include <utility>

namespace imaging {

namespace {

constexpr uint8_t ColorTableFlag = 0x80;
constexpr uint8_t HeaderSortFlag = 0x08;
constexpr uint8_t FrameSortFlag = 0x20;
constexpr uint8_t TableSizeBits = 0x07;

int TableEntries(uint8_t packedFields) {
    return 2 << (packedFields & TableSizeBits);
}

// The next byte that is not 0, or -1 at the end of the stream.
int ReadNonZero(rtl::TStream& stream) {
    int byte = 0;
    do
        byte = ReadByteOrEnd(stream);
    while (byte == 0);
    return byte;
}

void CountFramePixels(const TGIFSubImage& frame, TGIFColorMap::TUsage& usage) {
    if (frame.IsBlank()) return;
    for (uint8_t pixel : frame.Pixels())
        ++usage[pixel].first;
}

void RemapFramePixels(TGIFSubImage& frame, const std::array<uint8_t, TGIFColorMap::MaxColors>& map) {
    for (uint8_t& pixel : frame.Pixels())
        pixel = map[pixel];
    if (frame.Transparent() && frame.GraphicControlExtension()) {
        TGIFGraphicControlExtension* control = frame.GraphicControlExtension();
        control->SetTransparentColorIndex(map[control->TransparentColorIndex()]);
    }
}

void StartUsage(TGIFColorMap::TUsage& usage) {
    for (int i = 0; i < TGIFColorMap::MaxColors; ++i)
        usage[i] = {0, i};
}

} // namespace

void TGIFGlobalColorMap::ReportWarning(const std::string& message) const {
    if (header_->Image()) header_->Image()->ReportWarning(this, GIFWarningSeverity, message);
}

void TGIFGlobalColorMap::CountUsage(TUsage& usage) const {
    StartUsage(usage);
    const TGIFImageList& frames = header_->Image()->Images();
    for (int i = 0; i < frames.Count(); ++i)
        if (&frames.Frame(i)->ActiveColorMap() == this) CountFramePixels(*frames.Frame(i), usage);
}

void TGIFGlobalColorMap::RemapPixels(const std::array<uint8_t, MaxColors>& map) {
    TGIFImageList& frames = header_->Image()->Images();
    for (int i = 0; i < frames.Count(); ++i)
        if (&frames.Frame(i)->ActiveColorMap() == this) RemapFramePixels(*frames.Frame(i), map);
}

bool TGIFGlobalColorMap::SortByUsage() {
    if (header_->Image()->Images().Count() == 0) return false;
    return TGIFColorMap::SortByUsage();
}

void TGIFGlobalColorMap::NotifyChanged() {
    // The image keeps no palette of its own yet: nothing is cached from this table.
}

void TGIFLocalColorMap::ReportWarning(const std::string& message) const {
    if (frame_->Image()) frame_->Image()->ReportWarning(this, GIFWarningSeverity, message);
}

void TGIFLocalColorMap::CountUsage(TUsage& usage) const {
    StartUsage(usage);
    CountFramePixels(*frame_, usage);
}

void TGIFLocalColorMap::RemapPixels(const std::array<uint8_t, MaxColors>& map) {
    RemapFramePixels(*frame_, map);
}

void TGIFLocalColorMap::NotifyChanged() {
    // The frame keeps no palette of its own yet: nothing is cached from this table.
}

TGIFVersion TGIFHeader::RequiredVersion() const {
    return colorMap_.Optimized() || AspectRatio() != 0 ? gv89a : gv87a;
}

void TGIFHeader::Clear() {
    colorMap_.Clear();
    screen_.fill(0);
}

void TGIFHeader::LoadFromStream(rtl::TStream& stream) {
    int64_t start = stream.Position();
    char signature[6];
    ReadGIFBytes(stream, signature, 6);
    auto isGif = [&] {
        return std::toupper(signature[0]) == 'G' && std::toupper(signature[1]) == 'I' &&
               std::toupper(signature[2]) == 'F';
    };
    if (!isGif()) {
        // Some files carry four bytes before the signature.
        stream.SetPosition(start + 4);
        ReadGIFBytes(stream, signature, 6);
        if (!isGif()) throw GIFException(gif_text::BadSignature);
    }
    ReadGIFBytes(stream, screen_.data(), screen_.size());
    if (PackedFields() & ColorTableFlag)
        colorMap_.LoadFromStream(stream, TableEntries(PackedFields()));
    else
        colorMap_.Clear();
}

void TGIFHeader::SaveToStream(rtl::TStream& stream) {
    TGIFVersion version = Image()->Version();
    if (version == gvUnknown) throw GIFException(gif_text::UnsupportedVersion);
    stream.WriteString(version == gv87a ? "GIF87a" : "GIF89a");

    uint8_t packed = 0;
    if (colorMap_.Count() > 0) {
        packed |= ColorTableFlag;
        if (colorMap_.Optimized()) packed |= HeaderSortFlag;
    }
    packed |= static_cast<uint8_t>((Image()->ColorResolution() & 7) << 4);
    packed |= static_cast<uint8_t>((colorMap_.IndexBits() - 1) & TableSizeBits);
    screen_[4] = packed;
    stream.WriteBuffer(screen_.data(), screen_.size());
    if (packed & ColorTableFlag) colorMap_.SaveToStream(stream);
}

TGIFSubImage::TGIFSubImage(TGIFImage* image) : TGIFItem(image), colorMap_(this), extensions_(image) {}

TGIFSubImage::~TGIFSubImage() {
    if (Image()) Image()->Images().Remove(this);
    Clear();
}

const TGIFColorMap& TGIFSubImage::ActiveColorMap() const {
    if (colorMap_.Count() > 0) return colorMap_;
    if (Image() && Image()->Header().ColorMap().Count() > 0) return Image()->Header().ColorMap();
    return colorMap_;
}

TGIFColorMap& TGIFSubImage::ActiveColorMap() {
    return const_cast<TGIFColorMap&>(std::as_const(*this).ActiveColorMap());
}

void TGIFSubImage::SetInterlaced(bool interlaced) {
    descriptor_[9] =
        static_cast<uint8_t>(interlaced ? descriptor_[9] | InterlaceBit : descriptor_[9] & ~InterlaceBit);
}

void TGIFSubImage::PlaceFrame(int left, int top, int width, int height) {
    bool resized = width != Width() || height != Height();
    PutLittleEndian16(&descriptor_[1], static_cast<uint16_t>(left));
    PutLittleEndian16(&descriptor_[3], static_cast<uint16_t>(top));
    PutLittleEndian16(&descriptor_[5], static_cast<uint16_t>(width));
    PutLittleEndian16(&descriptor_[7], static_cast<uint16_t>(height));
    if (resized) AllocatePixels();

    if (!Image()) return;
    TGIFHeader& header = Image()->Header();
    bool warned = false;
    if (header.Width() < left + width) {
        if (header.Width() > 0) {
            ReportWarning(gif_text::WidthTooSmall);
            warned = true;
        }
        header.SetWidth(left + width);
    }
    if (header.Height() < top + height) {
        if (header.Height() > 0) {
            ReportWarning(gif_text::HeightTooSmall);
            warned = true;
        }
        header.SetHeight(top + height);
    }
    if (warned) ReportWarning(gif_text::ExceedsScreen);
}

void TGIFSubImage::AllocatePixels() {
    pixels_.clear();
    int64_t size = static_cast<int64_t>(Width()) * Height();
    if (size > MaxPixels) throw GIFException(gif_text::TooLarge);
    pixels_.assign(static_cast<size_t>(size), 0);
    pixels_.shrink_to_fit();
}

void TGIFSubImage::EnsurePixels() {
    if (pixels_.empty()) AllocatePixels();
    if (pixels_.empty()) throw GIFException(gif_text::EmptyImage);
}

uint8_t TGIFSubImage::PixelAt(int x, int y) {
    if (x < 0 || x >= Width()) throw GIFException(gif_text::BadPixel);
    return RowPointer(y)[x];
}

uint8_t* TGIFSubImage::RowPointer(int y) {
    if (y < 0 || y >= Height()) throw GIFException(gif_text::BadPixel);
    EnsurePixels();
    return pixels_.data() + static_cast<size_t>(y) * Width();
}

int TGIFSubImage::TransparentIndex() const {
    return graphicControl_ ? graphicControl_->TransparentColorIndex() : 0;
}

TGIFVersion TGIFSubImage::RequiredVersion() const {
    return colorMap_.Optimized() || extensions_.Count() > 0 ? gv89a : gv87a;
}

void TGIFSubImage::Clear() {
    extensions_.Clear();
    colorMap_.Clear();
    SetHeight(0);
    SetWidth(0);
    transparent_ = false;
    graphicControl_ = nullptr;
    DiscardBitmap();
    DiscardMask();
}

void TGIFSubImage::LoadFromStream(rtl::TStream& stream) {
    Clear();
    extensions_.LoadFromStream(stream, this);
    int next = ReadByteOrEnd(stream);
    if (next < 0) return;
    stream.Seek(-1, rtl::soCurrent);
    if (next == GIFTrailer || next == 0) return;

    ReadGIFBytes(stream, descriptor_.data(), descriptor_.size());
    if (Width() == 0 || Height() == 0) {
        PutLittleEndian16(&descriptor_[5], static_cast<uint16_t>(Image()->Header().Width()));
        PutLittleEndian16(&descriptor_[7], static_cast<uint16_t>(Image()->Header().Height()));
        ReportWarning(gif_text::ExceedsScreen);
    }
    if (PackedFields() & ColorTableFlag) colorMap_.LoadFromStream(stream, TableEntries(PackedFields()));
    DecodeRaster(*this, stream);
}

void TGIFSubImage::SaveToStream(rtl::TStream& stream) {
    extensions_.SaveToStream(stream);
    if (IsBlank()) return;

    uint8_t& packed = descriptor_[9];
    if (colorMap_.Count() > 0) {
        packed = static_cast<uint8_t>((packed & InterlaceBit) | ColorTableFlag |
                                      ((colorMap_.IndexBits() - 1) & TableSizeBits));
        if (colorMap_.Optimized()) packed |= FrameSortFlag;
    } else {
        packed &= InterlaceBit | 0x18;
    }
    descriptor_[0] = ImageSeparator;
    stream.WriteBuffer(descriptor_.data(), descriptor_.size());
    colorMap_.SaveToStream(stream);
    EncodeRaster(*this, stream);
}

void TGIFTrailer::LoadFromStream(rtl::TStream& stream) {
    int byte = ReadByteOrEnd(stream);
    if (byte >= 0 && byte != GIFTrailer) ReportWarning(gif_text::BadTrailer);
}

void TGIFTrailer::SaveToStream(rtl::TStream& stream) {
    stream.WriteBuffer(&GIFTrailer, 1);
}

void TGIFImageList::LoadFromStream(rtl::TStream& stream) {
    int byte = ReadNonZero(stream);
    while (byte >= 0 && byte != GIFTrailer) {
        stream.Seek(-1, rtl::soCurrent);
        if (byte != ExtensionIntroducer && byte != ImageSeparator) {
            ReportWarning(gif_text::UnknownBlock);
            return;
        }
        auto frame = std::make_unique<TGIFSubImage>(Image());
        frame->LoadFromStream(stream);
        Add(std::move(frame));
        if (Image())
            Image()->Progress(this, psRunning,
                              stream.Size() ? static_cast<int>(stream.Position() * 100 / stream.Size()) : 0,
                              RenderFramesOnLoad, gif_text::Loading);
        byte = ReadNonZero(stream);
    }
    if (byte == GIFTrailer) stream.Seek(-1, rtl::soCurrent);
}

} // namespace imaging
