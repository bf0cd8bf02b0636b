#include "imaging/uGIFImage.h"

#include "imaging/uGIFPainter.h"

#include "platform/rtl/ScopeExit.h"
#include "platform/ui/Canvas.h"
#include "platform/ui/Clipboard.h"
#include "platform/ui/Picture.h"

#include <algorithm>
#include <exception>
#include <optional>

namespace imaging {

bool RenderFramesOnLoad = false;
bool OptimizeBeforeStreaming = false;

TGIFImage::TGIFImage() : header_(this), images_(this) {
    ClearImage();
}

TGIFImage::~TGIFImage() {
    StopAllPainters();
    images_.Clear();
}

void TGIFImage::ReportWarning(const data::TPersistent* sender, int severity, const std::string& message) {
    if (OnCodecWarning) OnCodecWarning(sender, severity, message);
}

TGIFProgressScope::TGIFProgressScope(const TGIFImage* image, const data::TPersistent* sender,
                                     const char* message, bool redrawAtEnd)
    : image_(image), sender_(sender), message_(message), redrawAtEnd_(redrawAtEnd),
      uncaught_(std::uncaught_exceptions()) {
    if (image_) image_->Progress(sender_, psStarting, 0, false, message_);
}

TGIFProgressScope::~TGIFProgressScope() {
    const bool failed = std::uncaught_exceptions() > uncaught_;
    try {
        if (image_) image_->Progress(sender_, psEnding, failed ? 0 : 100, redrawAtEnd_, message_);
    } catch (...) {
        // Too late to stop what is done.
    }
}

void TGIFImage::Progress(const data::TPersistent* sender, TProgressStage stage, int percent, bool redraw,
                         const std::string& message) const {
    if (OnProgress) OnProgress(sender, stage, percent, redraw, message);
}

bool TGIFImage::ShouldDither() const {
    if (!PaintOptions.Contains(pntDither)) return false;
    return PaintOptions.Contains(pntAutoDither) ? DisplayNeedsDither : true;
}

int TGIFImage::BitsPerPixel() const {
    int bits = header_.ColorMap().IndexBits();
    for (int i = 0; i < images_.Count(); ++i)
        bits = std::max(bits, images_.Frame(i)->BitsPerPixel());
    return bits;
}

int TGIFImage::ColorResolution() const {
    return std::max(BitsPerPixel() - 1, 0);
}

TGIFVersion TGIFImage::Version() const {
    if (images_.Count() == 0) return gvUnknown;
    // A sorted global table and an aspect ratio exist only in the later version.
    TGIFVersion version = header_.RequiredVersion();
    for (int i = 0; i < images_.Count(); ++i)
        version = std::max(version, images_.Frame(i)->RequiredVersion());
    return version;
}

void TGIFImage::LoadFromStream(rtl::TStream& stream) {
    TGIFProgressScope progress(this, this, gif_text::Loading, true);
    ClearImage();
    int64_t start = stream.Position();
    try {
        header_.LoadFromStream(stream);
        images_.LoadFromStream(stream);
        TGIFTrailer(this).LoadFromStream(stream);
    } catch (...) {
        stream.SetPosition(start); // the caller may try another format from where it was
        throw;
    }
}

void TGIFImage::SaveToStream(rtl::TStream& stream) const {
    TGIFProgressScope progress(this, this, gif_text::Saving, true);
    // Writing packs the header's fields again; the picture itself stays as it is.
    auto& self = const_cast<TGIFImage&>(*this);
    self.header_.SaveToStream(stream);
    for (int i = 0; i < images_.Count(); ++i) {
        images_.Frame(i)->SaveToStream(stream);
        Progress(&images_, psRunning, (i + 1) * 100 / images_.Count(), false, gif_text::Saving);
    }
    TGIFTrailer(&self).SaveToStream(stream);
}

void TGIFImage::LoadFromFile(const std::string& fileName) {
    rtl::TFileStream stream(fileName, rtl::fmOpenRead | rtl::fmShareDenyWrite);
    LoadFromStream(stream);
}

void TGIFImage::SaveToFile(const std::string& fileName) {
    rtl::TFileStream stream(fileName, rtl::fmCreate);
    SaveToStream(stream);
}

void TGIFImage::ClearImage() {
    StopAllPainters();
    FreeImageBitmap();
    images_.Clear();
    header_.Clear();
}

void TGIFImage::SetWidth(int width) {
    for (int i = 0; i < images_.Count(); ++i)
        if (images_.Frame(i)->Left() + images_.Frame(i)->Width() > width)
            throw GIFException(gif_text::WidthTooSmall);
    if (width == Width()) return;
    header_.SetWidth(width);
    FreeImageBitmap();
    Changed();
}

void TGIFImage::SetHeight(int height) {
    for (int i = 0; i < images_.Count(); ++i)
        if (images_.Frame(i)->Top() + images_.Frame(i)->Height() > height)
            throw GIFException(gif_text::HeightTooSmall);
    if (height == Height()) return;
    header_.SetHeight(height);
    FreeImageBitmap();
    Changed();
}

int TGIFImage::AddFrame(data::TPersistent* source) {
    std::unique_ptr<TGIFSubImage> frame;
    if (auto* given = dynamic_cast<TGIFSubImage*>(source)) {
        frame.reset(given);
    } else if (dynamic_cast<ui::TGraphic*>(source)) {
        frame = std::make_unique<TGIFSubImage>(this);
        frame->Assign(source);
    } else {
        throw GIFException(gif_text::UnsupportedObject);
    }
    const int index = images_.Add(std::move(frame));
    FreeImageBitmap();
    Changed();
    return index;
}

ui::TBitmap* TGIFImage::ImageBitmap() {
    if (bitmap_ || Empty()) return bitmap_.get();
    TGIFSubImage& first = *images_.Frame(0);
    ui::TBitmap* rendered = first.RenderBitmap();
    bitmap_ = std::make_unique<ui::TBitmap>();
    if (rendered && first.Width() == Width() && first.Height() == Height()) {
        bitmap_->Assign(rendered);
    } else {
        bitmap_->SetPixelFormat(ui::pf24bit);
        bitmap_->SetSize(Width(), Height());
        if (rendered) bitmap_->Canvas()->Draw(first.Left(), first.Top(), rendered);
    }
    return bitmap_.get();
}

ui::TPaletteEntries TGIFImage::Palette() {
    if (inPalette_) throw GIFException(gif_text::NoColorTable);
    inPalette_ = true;
    rtl::ScopeExit leave([this] { inPalette_ = false; });
    if (bitmap_ && !bitmap_->PaletteEntries().empty()) return bitmap_->PaletteEntries();
    if (ShouldDither()) return PaletteOf216();
    if (header_.ColorMap().Count() == 0)
        return Empty() ? ui::TPaletteEntries() : images_.Frame(0)->FramePalette();
    return header_.ColorMap().CreatePaletteHandle();
}

void TGIFImage::Assign(const data::TPersistent* source) {
    if (source == this) return;
    ClearImage();
    if (!source) return;
    if (const auto* other = dynamic_cast<const TGIFImage*>(source)) {
        // The copy reports to the source's handlers; afterwards this image has none.
        OnProgress = other->OnProgress;
        OnCodecWarning = other->OnCodecWarning;
        rtl::ScopeExit forget([this] {
            OnProgress = nullptr;
            OnCodecWarning = nullptr;
        });
        TGIFProgressScope progress(this, this, gif_text::Copying, false);
        header_.SetWidth(other->Width());
        header_.SetHeight(other->Height());
        header_.SetBackgroundColorIndex(other->header_.BackgroundColorIndex());
        header_.SetAspectRatio(other->header_.AspectRatio());
        header_.ColorMap().Assign(&other->header_.ColorMap());
        PaintOptions = other->PaintOptions;
        ReductionMethod = other->ReductionMethod;
        DitherMode = other->DitherMode;
        for (int i = 0; i < other->images_.Count(); ++i) {
            auto frame = std::make_unique<TGIFSubImage>(this);
            frame->Assign(other->images_.Frame(i));
            AddFrame(frame.release());
            Progress(this, psRunning, (i + 1) * 100 / other->images_.Count(), false, gif_text::Copying);
        }
        return;
    }
    auto frame = std::make_unique<TGIFSubImage>(this);
    try {
        frame->Assign(source);
    } catch (const rtl::EConversionError&) {
        frame.reset();
        TGraphic::Assign(source);
        return;
    }
    AddFrame(frame.release());
}

void TGIFImage::AssignTo(data::TPersistent* dest) const {
    if (auto* bitmap = dynamic_cast<ui::TBitmap*>(dest)) {
        bitmap->Assign(const_cast<TGIFImage*>(this)->ImageBitmap());
        return;
    }
    TGraphic::AssignTo(dest);
}

void TGIFImage::StopAllPainters() {
    if (drawPainter_) drawPainter_->StopPainting();
    drawPainter_.reset();
    animation_.reset();
}

void TGIFImage::Draw(ui::TCanvas& canvas, const ui::TRect& rect) const {
    if (Empty() || inDraw_) return;
    inDraw_ = true;
    rtl::ScopeExit leave([this] { inDraw_ = false; });
    auto& self = const_cast<TGIFImage&>(*this);
    const bool tile = PaintOptions.Contains(pntTile);
    if (images_.Count() == 1 || !PaintOptions.Contains(pntAnimate)) {
        DrawFrame(*images_.Frame(0), canvas, rect, tile, PaintOptions.Contains(pntTransparent));
        return;
    }
    if (!drawPainter_) {
        animation_ = std::make_unique<ui::TBitmap>(Width(), Height(), ui::pf24bit);
        animation_->Canvas()->CopyRect({0, 0, Width(), Height()}, canvas, rect);
        drawPainter_ = std::make_unique<TGIFPainter>(self, *animation_->Canvas(),
                                                     ui::TRect{0, 0, Width(), Height()}, PaintOptions);
        drawPainter_->OnFrameShown = [&self](ui::TObject*) { self.Changed(); };
        drawPainter_->BeginPainting();
    }
    canvas.StretchDraw(rect, animation_.get());
}

void TGIFImage::SaveToClipboard() const {
    if (Empty()) return;
    rtl::TMemoryStream stream;
    SaveToStream(stream);
    ui::TClipboard& clipboard = ui::Clipboard();
    clipboard.Open();
    rtl::ScopeExit close([&clipboard] { clipboard.Close(); });
    clipboard.SetBitmap(*const_cast<TGIFImage*>(this)->ImageBitmap());
    try {
        clipboard.SetData(GIFClipboardFormat(), stream.Bytes());
    } catch (const std::exception&) {
        throw GIFException(gif_text::ClipboardFailed);
    }
}

void TGIFImage::LoadFromClipboardFormat(uint32_t format) {
    if (format == GIFClipboardFormat()) {
        const std::optional<std::string> bytes = ui::Clipboard().GetData(format);
        if (!bytes) throw GIFException(gif_text::UnsupportedClipboard);
        rtl::TMemoryStream stream;
        stream.WriteString(*bytes);
        stream.SetPosition(0);
        LoadFromStream(stream);
    } else if (format == ui::CF_BITMAP) {
        ui::TBitmap bitmap;
        ui::Clipboard().GetBitmap(bitmap);
        Assign(&bitmap);
    } else {
        throw GIFException(gif_text::UnsupportedClipboard);
    }
}

uint32_t GIFClipboardFormat() {
    static const uint32_t format = ui::RegisterClipboardFormat(gif_text::ClipboardFormatName);
    return format;
}

namespace {
int registrations = 0;
}

void RegisterGIFImage() {
    if (registrations++ > 0) return;
    ui::TPicture::RegisterFileFormat("GIF", gif_text::ClipboardFormatName, &ui::GraphicClassOf<TGIFImage>);
    GIFClipboardFormat();
}

void UnregisterGIFImage() {
    if (registrations == 0 || --registrations > 0) return;
    ui::TPicture::UnregisterGraphicClass(&ui::GraphicClassOf<TGIFImage>);
}

} // namespace imaging
