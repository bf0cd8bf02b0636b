#include "imaging/uGIFImage.h"

#include <algorithm>

namespace imaging {

TGIFImage::TGIFImage() : header_(this), images_(this) {}

TGIFImage::~TGIFImage() {
    images_.Clear();
}

void TGIFImage::ReportWarning(const data::TPersistent* sender, int severity, const std::string& message) {
    if (OnCodecWarning) OnCodecWarning(sender, severity, message);
}

void TGIFImage::Progress(const data::TPersistent* sender, TProgressStage stage, int percent, bool redraw,
                         const std::string& message) {
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

void TGIFImage::SaveToStream(rtl::TStream& stream) {
    header_.SaveToStream(stream);
    images_.SaveToStream(stream);
    TGIFTrailer(this).SaveToStream(stream);
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
    images_.Clear();
    header_.Clear();
}

} // namespace imaging
