// The drawing tools: font, pen and brush.
#pragma once

#include "platform/rtl/Set.h"
#include "platform/ui/Color.h"
#include "platform/ui/Types.h"

#include <memory>
#include <string>

namespace ui {

class TBitmap;

// A drawing tool (font, pen, brush) that tells its user when it changes.
class TGraphicsObject : public TPersistent {
public:
    TNotifyEvent OnChange;

protected:
    void Changed();
};

enum TFontStyle { fsBold, fsItalic, fsUnderline, fsStrikeOut };
using TFontStyles = rtl::Set<TFontStyle, 4>;
enum TFontPitch { fpDefault, fpVariable, fpFixed };
using TFontCharset = uint8_t;
constexpr TFontCharset DEFAULT_CHARSET = 1;

// The screen's logical resolution: fixed, so that point sizes give the same pixels everywhere.
constexpr int kScreenPixelsPerInch = 96;

// A font by name, size and style, with its text colour. Height is in pixels: negative for the
// character height (what Size gives), positive for the cell height.
class TFont : public TGraphicsObject {
public:
    TFont() = default;

    const std::string& Name() const { return name_; }
    void SetName(const std::string& name);
    int Size() const;
    void SetSize(int points);
    int Height() const { return height_; }
    void SetHeight(int pixels);
    TFontStyles Style() const { return style_; }
    void SetStyle(TFontStyles style);
    TColor Color() const { return color_; }
    void SetColor(TColor color);
    TFontPitch Pitch() const { return pitch_; }
    void SetPitch(TFontPitch pitch);
    TFontCharset Charset() const { return charset_; }
    void SetCharset(TFontCharset charset);
    int PixelsPerInch() const { return kScreenPixelsPerInch; }

    void Assign(const TPersistent* source) override;
    bool operator==(const TFont& other) const;

private:
    std::string name_ = "MS Sans Serif";
    int height_ = -11; // 8 points
    TFontStyles style_;
    TColor color_ = clWindowText;
    TFontPitch pitch_ = fpDefault;
    TFontCharset charset_ = DEFAULT_CHARSET;
};

enum TPenStyle { psSolid, psDash, psDot, psDashDot, psDashDotDot, psClear, psInsideFrame };
// How a pen's colour combines with what is already there.
enum TPenMode { pmBlack, pmWhite, pmNop, pmNot, pmCopy, pmNotCopy, pmMask, pmMerge, pmXor, pmNotXor };

class TPen : public TGraphicsObject {
public:
    TColor Color() const { return color_; }
    void SetColor(TColor color);
    int Width() const { return width_; }
    void SetWidth(int width);
    TPenStyle Style() const { return style_; }
    void SetStyle(TPenStyle style);
    TPenMode Mode() const { return mode_; }
    void SetMode(TPenMode mode);

    void Assign(const TPersistent* source) override;

private:
    TColor color_ = clBlack;
    int width_ = 1;
    TPenStyle style_ = psSolid;
    TPenMode mode_ = pmCopy;
};

enum TBrushStyle {
    bsSolid,
    bsClear,
    bsHorizontal,
    bsVertical,
    bsFDiagonal,
    bsBDiagonal,
    bsCross,
    bsDiagCross
};

// A fill: a colour with a hatch style, or a pattern bitmap (8x8 is the usual size) that tiles from
// the canvas's brush origin.
class TBrush : public TGraphicsObject {
public:
    TBrush();
    ~TBrush() override;

    TColor Color() const { return color_; }
    void SetColor(TColor color);
    TBrushStyle Style() const { return style_; }
    void SetStyle(TBrushStyle style);
    // The pattern; the brush keeps a copy. Null clears it.
    TBitmap* Bitmap() const { return bitmap_.get(); }
    void SetBitmap(const TBitmap* pattern);

    void Assign(const TPersistent* source) override;

private:
    TColor color_ = clWhite;
    TBrushStyle style_ = bsSolid;
    std::unique_ptr<TBitmap> bitmap_;
};

} // namespace ui
