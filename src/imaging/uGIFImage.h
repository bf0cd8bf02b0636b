// A GIF picture: the header and the frames of one file, read and written whole.
#pragma once

#include "imaging/uGIFFrames.h"
#include "imaging/uGIFItems.h"
#include "imaging/uGIFReduction.h"

#include "platform/rtl/Set.h"
#include "platform/ui/Bitmap.h"
#include "platform/ui/Graphic.h"

#include <functional>
#include <memory>
#include <string>

namespace imaging {

enum TGIFCompression : uint8_t { cmpLZW = 0, cmpRunLength = 1 };

enum TGIFPaintOption {
    pntThreaded,
    pntTransparent,
    pntAnimate,
    pntLoop,
    pntLoopForever,
    pntCheckCanvas,
    pntDirect,
    pntResetEachLoop,
    pntTile,
    pntDither,
    pntAutoDither,
};
using TGIFPaintOptions = rtl::Set<TGIFPaintOption, 16>;

// What a new image starts with.
inline const TGIFPaintOptions DefaultPaintOptions{pntThreaded, pntTransparent, pntAnimate,
                                                  pntLoop,     pntDither,      pntAutoDither};
inline constexpr TGIFReductionMethod DefaultReductionMethod = redWeb216;
inline constexpr int DefaultReductionBits = 8;
inline constexpr TGIFDitherMode DefaultDitherMode = ditNearest;
inline constexpr int DefaultAnimationSpeed = 100;
// Displays of more than 8 bits per pixel, like every display this program meets, need no dithering.
inline constexpr bool DisplayNeedsDither = false;
// Render every frame's bitmap as it is read; optimise before the picture is streamed.
extern bool RenderFramesOnLoad;
extern bool OptimizeBeforeStreaming;

namespace gif_text {
inline constexpr const char* Loading = "Loading...";
inline constexpr const char* Saving = "Saving...";
inline constexpr const char* Copying = "Copying...";
inline constexpr const char* NoColorTable = "No global or local color table defined";
inline constexpr const char* UnsupportedObject = "Object type not supported for operation";
inline constexpr const char* UnsupportedClipboard = "Unsupported clipboard format";
inline constexpr const char* ClipboardFailed = "Failed to store GIF on clipboard";
inline constexpr const char* ClipboardFormatName = "GIF Image";
} // namespace gif_text

enum TProgressStage { psStarting, psRunning, psEnding };
// (sender, stage, percent done, whether to redraw, what is going on) of a long operation.
using TGIFProgressEvent = std::function<void(const data::TPersistent* sender, TProgressStage stage,
                                             int percent, bool redraw, const std::string& message)>;

// (sender, severity, message) of a problem the codec read past.
using TGIFWarning =
    std::function<void(const data::TPersistent* sender, int severity, const std::string& message)>;

class TGIFPainter;

// A GIF picture as a graphic of the framework: its header and frames, read and written whole, drawn
// as its first frame, copied from any graphic and to and from the clipboard.
class TGIFImage : public ui::TGraphic {
public:
    TGIFImage();
    ~TGIFImage() override;

    TGIFHeader& Header() { return header_; }
    const TGIFHeader& Header() const { return header_; }
    TGIFImageList& Images() { return images_; }
    const TGIFImageList& Images() const { return images_; }
    bool Empty() const override { return images_.Count() == 0; }
    int Width() const override { return header_.Width(); }
    int Height() const override { return header_.Height(); }
    // Raise "Image width/height too small for contained frames" for a size that cuts a frame.
    void SetWidth(int width) override;
    void SetHeight(int height) override;

    TGIFCompression Compression = cmpLZW;
    TGIFPaintOptions PaintOptions = DefaultPaintOptions;
    TGIFReductionMethod ReductionMethod = DefaultReductionMethod;
    int ReductionBits = DefaultReductionBits;
    TGIFDitherMode DitherMode = DefaultDitherMode;
    int AnimationSpeed = DefaultAnimationSpeed;
    // Set when a frame's palette changed under its rendered bitmap.
    bool PaletteModified = false;
    // False without pntDither; with pntAutoDither, whether the display needs it.
    bool ShouldDither() const;
    TGIFWarning OnCodecWarning;
    TGIFProgressEvent OnProgress;
    void Progress(const data::TPersistent* sender, TProgressStage stage, int percent, bool redraw,
                  const std::string& message) const;
    virtual void ReportWarning(const data::TPersistent* sender, int severity, const std::string& message);

    // The largest IndexBits of the global and every local table.
    int BitsPerPixel() const;
    // The largest colour resolution of the header and every frame.
    int ColorResolution() const;
    // The highest version a frame or the header needs; none without frames.
    TGIFVersion Version() const;

    // Reads a whole file; on failure the stream is back where it started.
    void LoadFromStream(rtl::TStream& stream) override;
    void SaveToStream(rtl::TStream& stream) const override;
    void LoadFromFile(const std::string& fileName);
    void SaveToFile(const std::string& fileName);
    // No frames, an empty global table and a 0 by 0 screen.
    void ClearImage();

    // A graphic becomes a new frame assigned from it; a frame is taken as it is. Returns its index.
    int AddFrame(data::TPersistent* source);
    // The first frame on a bitmap of the screen's size, made on first use; null for an empty image.
    ui::TBitmap* ImageBitmap();
    void FreeImageBitmap() { bitmap_.reset(); }
    // Ends the animation that Draw started.
    void StopAllPainters();
    // The painter of the animation Draw started, or null.
    TGIFPainter* DrawPainter() const { return drawPainter_.get(); }
    // The cube when dithering, else the global table's colours (the first frame's without one).
    ui::TPaletteEntries Palette();

    // Copies another GIF image (options and handlers, not the speed), or builds one frame from any
    // other graphic.
    void Assign(const data::TPersistent* source) override;
    // Puts the picture on the clipboard as a bitmap and as "GIF Image".
    void SaveToClipboard() const;
    // From the clipboard's "GIF Image" or bitmap; raises "Unsupported clipboard format" otherwise.
    void LoadFromClipboardFormat(uint32_t format);

protected:
    void AssignTo(data::TPersistent* dest) const override;
    // A still picture draws its first frame; an animation starts a painter on the image's own bitmap
    // (which reports each new frame as a change) and draws that bitmap.
    void Draw(ui::TCanvas& canvas, const ui::TRect& rect) const override;

private:
    TGIFHeader header_;
    TGIFImageList images_;
    std::unique_ptr<ui::TBitmap> bitmap_;
    bool inPalette_ = false;
    mutable bool inDraw_ = false;
    mutable std::unique_ptr<ui::TBitmap> animation_; // what the painter draws on
    mutable std::unique_ptr<TGIFPainter> drawPainter_;
};

// Reports an operation's start at once and its end when it goes: 100 %, or 0 % when an exception is
// passing. Nothing without an image.
class TGIFProgressScope {
public:
    TGIFProgressScope(const TGIFImage* image, const data::TPersistent* sender, const char* message,
                      bool redrawAtEnd);
    ~TGIFProgressScope();
    TGIFProgressScope(const TGIFProgressScope&) = delete;
    TGIFProgressScope& operator=(const TGIFProgressScope&) = delete;

private:
    const TGIFImage* image_;
    const data::TPersistent* sender_;
    const char* message_;
    bool redrawAtEnd_;
    int uncaught_;
};

// The "GIF Image" clipboard format.
uint32_t GIFClipboardFormat();
// Makes pictures load ".gif" files as TGIFImage; balanced by UnregisterGIFImage.
void RegisterGIFImage();
void UnregisterGIFImage();

} // namespace imaging
