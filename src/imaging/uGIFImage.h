// A GIF picture: the header and the frames of one file, read and written whole.
#pragma once

#include "imaging/uGIFFrames.h"
#include "imaging/uGIFItems.h"
#include "imaging/uGIFReduction.h"

#include "platform/rtl/Set.h"

#include <functional>
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
inline const TGIFPaintOptions DefaultPaintOptions{pntThreaded, pntTransparent, pntAnimate, pntLoop, pntDither,
                                                  pntAutoDither};
inline constexpr TGIFReductionMethod DefaultReductionMethod = redWeb216;
inline constexpr int DefaultReductionBits = 8;
inline constexpr TGIFDitherMode DefaultDitherMode = ditNearest;
// Displays of more than 8 bits per pixel, like every display this program meets, need no dithering.
inline constexpr bool DisplayNeedsDither = false;

enum TProgressStage { psStarting, psRunning, psEnding };
// (sender, stage, percent done, whether to redraw, what is going on) of a long operation.
using TGIFProgressEvent = std::function<void(const data::TPersistent* sender, TProgressStage stage, int percent,
                                             bool redraw, const std::string& message)>;

// (sender, severity, message) of a problem the codec read past.
using TGIFWarning =
    std::function<void(const data::TPersistent* sender, int severity, const std::string& message)>;

class TGIFImage : public data::TPersistent {
public:
    TGIFImage();
    ~TGIFImage() override;

    TGIFHeader& Header() { return header_; }
    const TGIFHeader& Header() const { return header_; }
    TGIFImageList& Images() { return images_; }
    const TGIFImageList& Images() const { return images_; }
    bool Empty() const { return images_.Count() == 0; }
    int Width() const { return header_.Width(); }
    int Height() const { return header_.Height(); }

    TGIFCompression Compression = cmpLZW;
    TGIFPaintOptions PaintOptions = DefaultPaintOptions;
    TGIFReductionMethod ReductionMethod = DefaultReductionMethod;
    int ReductionBits = DefaultReductionBits;
    TGIFDitherMode DitherMode = DefaultDitherMode;
    // Set when a frame's palette changed under its rendered bitmap.
    bool PaletteModified = false;
    // False without pntDither; with pntAutoDither, whether the display needs it.
    bool ShouldDither() const;
    TGIFWarning OnCodecWarning;
    TGIFProgressEvent OnProgress;
    void Progress(const data::TPersistent* sender, TProgressStage stage, int percent, bool redraw,
                  const std::string& message);
    virtual void ReportWarning(const data::TPersistent* sender, int severity, const std::string& message);

    // The largest IndexBits of the global and every local table.
    int BitsPerPixel() const;
    // The largest colour resolution of the header and every frame.
    int ColorResolution() const;
    // The highest version a frame or the header needs; none without frames.
    TGIFVersion Version() const;

    // Reads a whole file; on failure the stream is back where it started.
    void LoadFromStream(rtl::TStream& stream);
    void SaveToStream(rtl::TStream& stream);
    void LoadFromFile(const std::string& fileName);
    void SaveToFile(const std::string& fileName);
    // No frames, an empty global table and a 0 by 0 screen.
    void ClearImage();

private:
    TGIFHeader header_;
    TGIFImageList images_;
};

} // namespace imaging
