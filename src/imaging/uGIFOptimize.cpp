#include "imaging/uGIFOptimize.h"

#include <algorithm>
#include <exception>

namespace imaging {

namespace {

TDisposalMethod DisposalOf(const TGIFSubImage& frame) {
    const TGIFGraphicControlExtension* control = frame.GraphicControlExtension();
    return control ? control->Disposal() : dmNone;
}

bool Covers(const TGIFSubImage& outer, const TGIFSubImage& inner) {
    return outer.Left() <= inner.Left() && outer.Top() <= inner.Top() &&
           outer.Left() + outer.Width() >= inner.Left() + inner.Width() &&
           outer.Top() + outer.Height() >= inner.Top() + inner.Height();
}

bool UsesIndex(const TGIFSubImage& frame, int index) {
    const auto& pixels = frame.Pixels();
    return std::find(pixels.begin(), pixels.end(), static_cast<uint8_t>(index)) != pixels.end();
}

bool IsDroppedExtension(const TGIFExtension* extension, bool keepLooping) {
    if (dynamic_cast<const TGIFCommentExtension*>(extension) ||
        dynamic_cast<const TGIFTextExtension*>(extension) ||
        dynamic_cast<const TGIFUnknownAppExtension*>(extension))
        return true;
    return dynamic_cast<const TGIFAppExtNSLoop*>(extension) && !keepLooping;
}

void DeleteExtension(TGIFExtensionList& extensions, const TGIFExtension* extension) {
    for (int e = 0; e < extensions.Count(); ++e)
        if (extensions.Extension(e) == extension) {
            extensions.Delete(e);
            return;
        }
}

// Reports each frame a step looks at: six steps per frame make the whole.
class TOptimizeProgress {
public:
    TOptimizeProgress(TGIFImage& image) : image_(image), total_(6 * std::max(image.Images().Count(), 1)) {}
    void Step(int frames = 1) {
        done_ += frames;
        image_.Progress(&image_, psRunning, std::min(done_ * 100 / total_, 100), false, gif_text::Optimizing);
    }

private:
    TGIFImage& image_;
    int total_;
    int done_ = 0;
};

// The colour that makes `frame` transparent where it repeats what lies underneath: chosen when first
// needed, in the frame's own table or, without one, the one other frames of the global table use.
class TMergeTarget {
public:
    explicit TMergeTarget(TGIFSubImage& frame) : frame_(frame) {
        if (frame.Transparent()) index_ = frame.TransparentIndex();
    }
    bool Exists() const { return index_ >= 0; }
    int Index() const { return index_; }
    int Take() {
        if (index_ < 0) index_ = Choose();
        return index_;
    }

private:
    int Choose() {
        if (frame_.ColorMap().Count() > 0) return frame_.ColorMap().AppendColor(ui::clBlack);
        const TGIFImageList& frames = frame_.Image()->Images();
        for (int i = 0; i < frames.Count(); ++i) {
            const TGIFSubImage* other = frames.Frame(i);
            if (other != &frame_ && other->Transparent() && other->ColorMap().Count() == 0)
                return other->TransparentIndex();
        }
        return frame_.Image()->Header().ColorMap().AppendColor(ui::clBlack);
    }

    TGIFSubImage& frame_;
    int index_ = -1;
};

} // namespace

void CropTransparentBorder(TGIFSubImage& frame) {
    if (!frame.Transparent() || frame.IsBlank()) return;
    const auto transparent = static_cast<uint8_t>(frame.TransparentIndex());
    const int width = frame.Width();
    const int height = frame.Height();
    auto opaqueColumn = [&](int x, int top, int bottom) {
        for (int y = top; y <= bottom; ++y)
            if (frame.RowPointer(y)[x] != transparent) return true;
        return false;
    };
    int left = 0;
    while (left < width && !opaqueColumn(left, 0, height - 1))
        ++left;
    if (left == width) {
        frame.Clear();
        return;
    }
    int right = width - 1;
    while (!opaqueColumn(right, 0, height - 1))
        --right;
    auto opaqueRow = [&](int y) {
        const uint8_t* row = frame.RowPointer(y);
        return std::any_of(row + left, row + right + 1, [&](uint8_t pixel) { return pixel != transparent; });
    };
    int top = 0;
    while (!opaqueRow(top))
        ++top;
    int bottom = height - 1;
    while (!opaqueRow(bottom))
        --bottom;

    const int newWidth = right - left + 1;
    const int newHeight = bottom - top + 1;
    std::vector<uint8_t> kept;
    kept.reserve(static_cast<size_t>(newWidth) * static_cast<size_t>(newHeight));
    for (int y = top; y <= bottom; ++y)
        kept.insert(kept.end(), frame.RowPointer(y) + left, frame.RowPointer(y) + right + 1);
    frame.PlaceFrame(frame.Left() + left, frame.Top() + top, newWidth, newHeight);
    frame.Pixels() = std::move(kept);
}

void MergeWithPrevious(TGIFSubImage& frame, TGIFSubImage* previous) {
    if (frame.IsBlank() || !previous || previous->IsBlank()) return;
    const TDisposalMethod disposal = DisposalOf(*previous);
    if (disposal == dmBackground || disposal == dmPrevious) return;
    const int left = std::max(frame.Left(), previous->Left());
    const int top = std::max(frame.Top(), previous->Top());
    const int right = std::min(frame.Left() + frame.Width(), previous->Left() + previous->Width());
    const int bottom = std::min(frame.Top() + frame.Height(), previous->Top() + previous->Height());
    if (left >= right || top >= bottom) return;

    const bool wasTransparent = frame.Transparent();
    const int colors = frame.ActiveColorMap().Count();
    if (!wasTransparent && (colors < 1 || colors > 255)) return;
    TMergeTarget target(frame);
    const TGIFColorMap& ownMap = frame.ActiveColorMap();
    const TGIFColorMap& underMap = previous->ActiveColorMap();
    for (int y = top; y < bottom; ++y) {
        uint8_t* row = frame.RowPointer(y - frame.Top());
        const uint8_t* under = previous->RowPointer(y - previous->Top());
        for (int x = left; x < right; ++x) {
            uint8_t& pixel = row[x - frame.Left()];
            const uint8_t below = under[x - previous->Left()];
            if (target.Exists() && pixel == target.Index()) continue;
            if (previous->Transparent() && below == previous->TransparentIndex()) continue;
            const bool same = &ownMap == &underMap ? pixel == below
                                                   : pixel < ownMap.Count() && below < underMap.Count() &&
                                                         ownMap.ColorAt(pixel) == underMap.ColorAt(below);
            if (same) pixel = static_cast<uint8_t>(target.Take());
        }
    }
    if (!wasTransparent && target.Exists()) {
        TGIFGraphicControlExtension* control = frame.GraphicControlExtension();
        if (!control) {
            auto created = std::make_unique<TGIFGraphicControlExtension>(&frame);
            control = created.get();
            frame.Extensions().Add(std::move(created));
        }
        control->SetTransparent(true);
        control->SetTransparentColorIndex(target.Index());
    }
}

void OptimizeFrames(TGIFImage& image, TGIFOptimizeOptions options, TGIFReductionMethod method,
                    int reductionBits, TGIFDitherMode dither) {
    (void)reductionBits;
    (void)dither;
    TGIFImageList& frames = image.Images();
    if (frames.Count() == 0) return;
    TGIFProgressScope scope(&image, &image, gif_text::Optimizing, false);
    TOptimizeProgress progress(image);
    const int count = frames.Count();

    if (options.Contains(optSortColorMaps)) {
        if (image.Header().ColorMap().Count() > 0) image.Header().ColorMap().SortByUsage();
        for (int i = 0; i < count; ++i, progress.Step())
            if (frames.Frame(i)->ColorMap().Count() > 0) frames.Frame(i)->ColorMap().SortByUsage();
    } else {
        progress.Step(count);
    }

    if (options.Contains(optCleanup)) {
        for (int i = 0; i < count; ++i) {
            TGIFSubImage* frame = frames.Frame(i);
            if (frame->Transparent() && frame->GraphicControlExtension() &&
                !UsesIndex(*frame, frame->TransparentIndex()))
                frame->GraphicControlExtension()->SetTransparent(false);
        }
        for (int i = 0; i + 1 < count; ++i, progress.Step()) {
            TGIFSubImage* frame = frames.Frame(i);
            TGIFSubImage* next = frames.Frame(i + 1);
            const TDisposalMethod disposal = DisposalOf(*frame);
            if ((disposal == dmBackground || disposal == dmPrevious) && !next->Transparent() &&
                Covers(*next, *frame))
                frame->GraphicControlExtension()->SetDisposal(dmNone);
        }
        progress.Step();
    } else {
        progress.Step(count);
    }

    if (options.Contains(optMerge)) {
        for (int i = count - 1; i > 0; --i, progress.Step()) {
            int under = i - 1;
            while (under > 0 && DisposalOf(*frames.Frame(under)) == dmPrevious)
                --under;
            MergeWithPrevious(*frames.Frame(i), frames.Frame(under));
        }
        progress.Step();
    } else {
        progress.Step(count);
    }

    if (options.Contains(optCrop)) {
        for (int i = frames.Count() - 1; i >= 0; --i, progress.Step()) {
            TGIFSubImage* frame = frames.Frame(i);
            if (frame->IsBlank() || !frame->Transparent()) continue;
            const int delay =
                frame->GraphicControlExtension() ? frame->GraphicControlExtension()->Delay() : 0;
            CropTransparentBorder(*frame);
            if (!frame->IsBlank()) continue;
            if (i > 0 && frames.Frame(i - 1)->Transparent()) {
                TGIFGraphicControlExtension* before = frames.Frame(i - 1)->GraphicControlExtension();
                // The sum of two 16-bit delays saturates rather than wrapping round to a short one.
                before->SetDelay(std::min(before->Delay() + delay, 0xFFFF));
            }
            frames.Delete(i);
        }
    } else {
        progress.Step(count);
    }

    if (options.Contains(optCleanup)) {
        const bool animation = frames.Count() > 1;
        for (int i = frames.Count() - 1; i >= 0; --i, progress.Step()) {
            TGIFSubImage* frame = frames.Frame(i);
            TGIFExtensionList& extensions = frame->Extensions();
            for (int e = extensions.Count() - 1; e >= 0; --e)
                if (IsDroppedExtension(extensions.Extension(e), i == 0 && animation)) extensions.Delete(e);
            if (TGIFGraphicControlExtension* control = frame->GraphicControlExtension()) {
                const bool quiet = control->Delay() == 0 &&
                                   (control->Disposal() == dmNone || control->Disposal() == dmNoDisposal);
                if (!control->Transparent() && !control->UserInput() && (!animation || quiet))
                    DeleteExtension(extensions, control);
            }
            if (frame->IsBlank() && extensions.Count() == 0) frames.Delete(i);
        }
    } else {
        if (options.Contains(optReduceColors) && method == redPalette)
            throw GIFException(gif_text::InvalidReduction);
        progress.Step(count);
    }
}

} // namespace imaging
