// Image lists: images of one size drawn by index, with overlays.
#pragma once

#include "platform/ui/Bitmap.h"
#include "platform/ui/Icon.h"
#include "platform/ui/Types.h"

#include <memory>
#include <vector>

namespace ui {

class TCustomImageList;

// How an image list draws an image: ILD_ flags, an overlay slot in bits 8-11.
using TImageDrawStyle = uint32_t;
constexpr TImageDrawStyle ILD_NORMAL = 0x0;
constexpr TImageDrawStyle ILD_TRANSPARENT = 0x1;
constexpr TImageDrawStyle ILD_BLEND25 = 0x2;
constexpr TImageDrawStyle ILD_BLEND50 = 0x4;
constexpr TImageDrawStyle ILD_OVERLAYMASK = 0xF00;
constexpr TImageDrawStyle ILD_MASK = 0x10;
constexpr TImageDrawStyle ILD_FOCUS = ILD_BLEND25;
constexpr TImageDrawStyle ILD_SELECTED = ILD_BLEND50;
// The style bits that draw overlay image `overlay` (0-14) over the image.
constexpr TImageDrawStyle IndexToOverlayMask(int overlay) {
    return static_cast<TImageDrawStyle>((overlay + 1) << 8);
}

enum TDrawingStyle { dsFocus, dsSelected, dsNormal, dsTransparent };
enum TImageType { itImage, itMask };
using TOverlay = int; // 0 to 14
constexpr int kMaxOverlays = 15;

// Tells a user of an image list that its images changed. Freeing the link unregisters it.
class TChangeLink {
public:
    TChangeLink() = default;
    TChangeLink(const TChangeLink&) = delete;
    TChangeLink& operator=(const TChangeLink&) = delete;
    ~TChangeLink();

    TCustomImageList* Sender() const { return sender_; }
    TNotifyEvent OnChange;
    void Change();

private:
    friend class TCustomImageList;
    TCustomImageList* sender_ = nullptr;
};

// The images as the window system keeps them: each one Width x Height with its transparency.
class TImageListImages {
public:
    int Count() const;
    // Adds at `index` (-1 or Count appends), scaling the icon to the list's size; returns the index.
    int Insert(int index, const TIcon& icon);
    void Replace(int index, const TIcon& icon);
    // Removes one image, or all with -1.
    void Remove(int index);
    void Move(int from, int to);
    void GetIcon(int index, TIcon& icon) const;

private:
    friend class TCustomImageList;
    struct Impl;
    explicit TImageListImages(const TCustomImageList& list);
    ~TImageListImages();
    const TCustomImageList& list_;
    std::unique_ptr<Impl> impl_;
};

// A list of same-sized images drawn by index, with masks, overlays, a disabled look and change
// notification. Every operation that changes the images is virtual, so a descendant that keeps
// its images in another form replaces them and callers get its versions.
class TCustomImageList : public TComponent {
public:
    explicit TCustomImageList(TComponent* owner);
    TCustomImageList(int width, int height, TComponent* owner = nullptr);
    ~TCustomImageList() override;

    int Width() const { return width_; }
    int Height() const { return height_; }
    // A new size empties the list.
    virtual void SetWidth(int width);
    virtual void SetHeight(int height);
    virtual int Count() const { return images_.Count(); }
    bool Masked() const { return masked_; }
    void SetMasked(bool masked) { masked_ = masked; }
    // The colour behind transparent pixels in the normal style (clNone: transparent).
    TColor BkColor() const { return bkColor_; }
    void SetBkColor(TColor color);
    // The colour selected and focused images are blended with (clDefault: the highlight colour).
    TColor BlendColor() const { return blendColor_; }
    void SetBlendColor(TColor color) { blendColor_ = color; }
    TDrawingStyle DrawingStyle() const { return drawingStyle_; }
    void SetDrawingStyle(TDrawingStyle style) { drawingStyle_ = style; }
    TImageType ImageType() const { return imageType_; }
    void SetImageType(TImageType type) { imageType_ = type; }

    // A bitmap wider than the list adds one image per Width pixels; the first new index is returned
    // (-1 for nothing). Black in `mask` is opaque.
    virtual int Add(const TBitmap* image, const TBitmap* mask);
    virtual int AddIcon(const TIcon* icon);
    virtual int AddImage(const TCustomImageList* list, int index);
    virtual void AddImages(const TCustomImageList* list);
    // Pixels of `maskColor` become transparent (clDefault: the bitmap's bottom-left colour).
    virtual int AddMasked(const TBitmap* image, TColor maskColor);
    virtual void Clear();
    // Raises EInvalidOperation "Invalid ImageList Index" for an index outside the list.
    virtual void Delete(int index);
    virtual void Insert(int index, const TBitmap* image, const TBitmap* mask);
    virtual void InsertIcon(int index, const TIcon* icon);
    virtual void InsertMasked(int index, const TBitmap* image, TColor maskColor);
    virtual void Move(int from, int to);
    virtual void Replace(int index, const TBitmap* image, const TBitmap* mask);
    virtual void ReplaceIcon(int index, const TIcon* icon);
    virtual void ReplaceMasked(int index, const TBitmap* image, TColor maskColor);

    // Makes image `imageIndex` the overlay `overlay` (0-14); false when either is out of range.
    bool Overlay(int imageIndex, TOverlay overlay);
    void GetIcon(int index, TIcon* icon) const;
    // The image drawn on a 32-bit bitmap with alpha of the list's size.
    void GetBitmap(int index, TBitmap* image) const;

    void Draw(TCanvas& canvas, int x, int y, int index, bool enabled = true);
    void Draw(TCanvas& canvas, int x, int y, int index, TDrawingStyle style, TImageType type,
              bool enabled = true);
    void DrawOverlay(TCanvas& canvas, int x, int y, int imageIndex, TOverlay overlay, bool enabled = true);
    // Draws with ILD_ flags.
    void DrawIndirect(TCanvas& canvas, int x, int y, int index, TImageDrawStyle style, bool enabled = true) {
        DoDraw(index, canvas, x, y, style, enabled);
    }

    void RegisterChanges(TChangeLink* link);
    void UnRegisterChanges(TChangeLink* link);
    TNotifyEvent OnChange;

    // The window system's images behind the list.
    TImageListImages& Images() { return images_; }
    const TImageListImages& Images() const { return images_; }

protected:
    // Draws image `index` at (x, y): the one place every Draw ends.
    virtual void DoDraw(int index, TCanvas& canvas, int x, int y, TImageDrawStyle style, bool enabled);
    // Tells OnChange and every change link.
    virtual void Change();
    // `index` outside 0 .. Count - 1 raises EInvalidOperation.
    void CheckIndex(int index) const;

private:
    // The list-sized icons cut from a bitmap strip.
    std::vector<std::unique_ptr<TIcon>> Slices(const TBitmap& image, const TBitmap* mask, TColor maskColor,
                                               bool keyed) const;
    int AddIcons(int index, const TBitmap* image, const TBitmap* mask, TColor maskColor, bool keyed);

    int width_ = 16;
    int height_ = 16;
    bool masked_ = true;
    TColor bkColor_ = clNone;
    TColor blendColor_ = clDefault;
    TDrawingStyle drawingStyle_ = dsNormal;
    TImageType imageType_ = itImage;
    std::vector<int> overlays_ = std::vector<int>(kMaxOverlays, -1);
    std::vector<TChangeLink*> links_;
    TImageListImages images_;
};

// Points a user's `slot` at `images`: the change link (if any) and the user's free notification move
// from the old list to the new one.
void SetImageListSlot(TCustomImageList*& slot, TCustomImageList* images, TChangeLink* link, TComponent* user);

class TImageList : public TCustomImageList {
public:
    using TCustomImageList::TCustomImageList;
};

} // namespace ui
