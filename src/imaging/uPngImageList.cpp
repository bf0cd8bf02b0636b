#include "imaging/uPngImageList.h"

#include "platform/rtl/Format.h"
#include "platform/ui/Bitmap.h"
#include "platform/ui/Icon.h"

#include <exception>

namespace imaging {

// ---- items ----

TPngImageCollectionItem::TPngImageCollectionItem(ui::TCollection* collection, bool createPng)
    : ui::TCollectionItem(collection), name_(rtl::Format("PngImage%d", Index())) {
    if (createPng) png_ = std::make_unique<TPNGObject>();
}

TPngImageCollectionItem::~TPngImageCollectionItem() = default;

void TPngImageCollectionItem::SetPicture(const TPNGObject* png) {
    if (!png_) png_ = std::make_unique<TPNGObject>();
    png_->Assign(png);
    Changed(false);
}

void TPngImageCollectionItem::SetPicture(std::unique_ptr<TPNGObject> png) {
    png_ = std::move(png);
    Changed(false);
}

void TPngImageCollectionItem::SetBackground(TColor color) {
    if (color == background_) return;
    background_ = color;
    Changed(false);
}

void TPngImageCollectionItem::Assign(const ui::TPersistent* source) {
    const auto* item = dynamic_cast<const TPngImageCollectionItem*>(source);
    if (!item) {
        ui::TCollectionItem::Assign(source);
        return;
    }
    if (item->png_) SetPicture(item->png_.get());
    SetBackground(item->background_);
    name_ = item->name_;
}

std::string TPngImageCollectionItem::GetDisplayName() const {
    return name_.empty() ? ui::TCollectionItem::GetDisplayName() : name_;
}

namespace {

// The collection hears of a new item from the item's base constructor, before the item is complete:
// the news waits until it is.
TPngImageCollectionItem* NewItem(ui::TCollection* collection, bool createPng) {
    collection->BeginUpdate();
    struct EndUpdate {
        ui::TCollection* collection;
        ~EndUpdate() { collection->EndUpdate(); }
    } end{collection};
    return new TPngImageCollectionItem(collection, createPng);
}

} // namespace

TPngImageCollectionItems::TPngImageCollectionItems(TPngImageList* owner)
    : ui::TCollection([](ui::TCollection* c) -> ui::TCollectionItem* { return NewItem(c, true); }, owner),
      list_(owner) {}

TPngImageCollectionItem* TPngImageCollectionItems::Add(bool createPng) {
    return NewItem(this, createPng);
}

TPngImageCollectionItem* TPngImageCollectionItems::Insert(int index, bool createPng) {
    TPngImageCollectionItem* item = Add(createPng);
    item->SetIndex(index);
    return item;
}

TPngImageCollectionItem* TPngImageCollectionItems::Items(int index) const {
    return index >= 0 && index < Count()
               ? static_cast<TPngImageCollectionItem*>(ui::TCollection::Items(index))
               : nullptr;
}

void TPngImageCollectionItems::Assign(const ui::TPersistent* source) {
    ui::TCollection::Assign(source);
    Update(nullptr);
}

void TPngImageCollectionItems::Update(ui::TCollectionItem* item) {
    ui::TCollection::Update(item);
    list_->RebuildImages();
}

// ---- the list ----

// Holds back rebuilding while an operation runs; an operation that adds rebuilds when it ends, unless
// it ends by an exception.
class TPngImageList::TUpdate {
public:
    TUpdate(TPngImageList& list, bool rebuild) : list_(list), rebuild_(rebuild) { ++list_.updateCount_; }
    ~TUpdate() {
        if (--list_.updateCount_ == 0 && rebuild_ && std::uncaught_exceptions() == exceptions_)
            list_.RebuildImages();
    }
    TUpdate(const TUpdate&) = delete;
    TUpdate& operator=(const TUpdate&) = delete;

private:
    TPngImageList& list_;
    bool rebuild_;
    int exceptions_ = std::uncaught_exceptions();
};

std::unique_ptr<ui::TIcon> MakeListIcon(const TPNGObject& png) {
    // A 32-bit colour bitmap with the picture's alpha, and a mask for the case where no pixel is
    // partly visible (the icon then goes by the mask).
    const int width = png.Width(), height = png.Height();
    ui::TBitmap colour(width, height, ui::pf32bit), mask(width, height, ui::pf24bit);
    for (int y = 0; y < height; ++y) {
        auto* c = static_cast<uint8_t*>(colour.ScanLine(y));
        auto* m = static_cast<uint8_t*>(mask.ScanLine(y));
        for (int x = 0; x < width; ++x) {
            const TColor color = png.PixelColor(x, y);
            const uint8_t alpha = png.PixelAlpha(x, y);
            c[4 * x] = PngBlue(color);
            c[4 * x + 1] = PngGreen(color);
            c[4 * x + 2] = PngRed(color);
            c[4 * x + 3] = alpha;
            m[3 * x] = m[3 * x + 1] = m[3 * x + 2] = alpha == 0 ? 255 : 0;
        }
    }
    auto icon = std::make_unique<ui::TIcon>();
    icon->SetBitmaps(colour, &mask);
    return icon;
}

TPngImageList::TPngImageList(ui::TComponent* owner)
    : ui::TCustomImageList(owner), pngImages_(std::make_unique<TPngImageCollectionItems>(this)) {}

TPngImageList::~TPngImageList() {
    // The items' notifications must not reach a list that is going away.
    ++updateCount_;
    pngImages_.reset();
}

void TPngImageList::SetPngImages(const TPngImageCollectionItems* images) {
    if (images == pngImages_.get()) return;
    pngImages_->Assign(images);
    Change();
}

void TPngImageList::SetEnabledImages(bool value) {
    if (value == enabledImages_) return;
    enabledImages_ = value;
    RebuildImages();
}

void TPngImageList::SetPngOptions(TPngOptions value) {
    if (value == pngOptions_) return;
    pngOptions_ = value;
    RebuildImages();
}

void TPngImageList::SetWidth(int width) {
    if (width == Width()) return;
    ui::TCustomImageList::SetWidth(width);
    Clear();
}

void TPngImageList::SetHeight(int height) {
    if (height == Height()) return;
    ui::TCustomImageList::SetHeight(height);
    Clear();
}

void TPngImageList::RebuildImages() {
    if (updateCount_ > 0) return;
    Images().Remove(-1);
    const bool disabledLook = !enabledImages_ && !pngOptions_.Empty();
    for (int i = 0; i < pngImages_->Count(); ++i) {
        const TPNGObject* png = pngImages_->Items(i)->Picture();
        if (!png) continue;
        if (!disabledLook) {
            Images().Insert(-1, *MakeListIcon(*png));
            continue;
        }
        TPNGObject scratch;
        scratch.Assign(*png);
        if (pngOptions_.Contains(pngBlendOnDisabled)) FadePng(scratch, 127);
        if (pngOptions_.Contains(pngGrayscaleOnDisabled)) GreyPng(scratch, 255);
        Images().Insert(-1, *MakeListIcon(scratch));
    }
}

void TPngImageList::Assign(const ui::TPersistent* source) {
    const auto* other = dynamic_cast<const TPngImageList*>(source);
    if (!other) {
        ui::TCustomImageList::Assign(source);
        return;
    }
    SetWidth(other->Width());
    SetHeight(other->Height());
    pngOptions_ = other->pngOptions_;
    enabledImages_ = other->enabledImages_;
    SetPngImages(other->PngImages());
}

void TPngImageList::DoDraw(int index, ui::TCanvas& canvas, int x, int y, ui::TImageDrawStyle, bool enabled) {
    const TPngImageCollectionItem* item = pngImages_->Items(index);
    if (!item || !item->Picture()) return;
    DrawPngStyled(*item->Picture(), canvas, {x, y, x + Width(), y + Height()},
                  enabled ? TPngOptions{} : pngOptions_);
}

int TPngImageList::AddPicture(int index, std::unique_ptr<TPNGObject> png) {
    TPngImageCollectionItem* item = index < 0 ? pngImages_->Add(false) : pngImages_->Insert(index, false);
    item->SetPicture(std::move(png));
    Images().Insert(index, *MakeListIcon(*item->Picture()));
    Change();
    return item->Index();
}

void TPngImageList::ReplacePicture(int index, std::unique_ptr<TPNGObject> png) {
    CheckIndex(index);
    TPngImageCollectionItem* item = pngImages_->Items(index);
    item->SetPicture(std::move(png));
    Images().Replace(index, *MakeListIcon(*item->Picture()));
    Change();
}

int TPngImageList::Add(const ui::TBitmap* image, const ui::TBitmap* mask) {
    if (!image) return -1;
    TUpdate update(*this, true);
    // The framework's masks are white where the image is transparent.
    return AddPicture(-1, BitmapAndMaskToPng(*image, mask, true));
}

int TPngImageList::AddIcon(const ui::TIcon* icon) {
    if (!icon) return -1;
    TUpdate update(*this, true);
    return AddPicture(-1, GraphicToPng(*icon));
}

int TPngImageList::AddImage(const ui::TCustomImageList* list, int index) {
    TUpdate update(*this, true);
    auto png = std::make_unique<TPNGObject>();
    if (list) ImageListEntryToPng(*png, *list, index);
    return AddPicture(-1, std::move(png));
}

void TPngImageList::AddImages(const ui::TCustomImageList* list) {
    if (!list) return;
    TUpdate update(*this, true);
    for (int i = 0; i < list->Count(); ++i)
        AddImage(list, i);
}

int TPngImageList::AddMasked(const ui::TBitmap* image, TColor maskColor) {
    if (!image) return -1;
    TUpdate update(*this, true);
    return AddPicture(-1, BitmapKeyedToPng(*image, maskColor));
}

void TPngImageList::Clear() {
    TUpdate update(*this, false);
    pngImages_->Clear();
    Images().Remove(-1);
    Change();
}

void TPngImageList::Delete(int index) {
    if (index < 0 || index >= pngImages_->Count()) return;
    TUpdate update(*this, false);
    pngImages_->Delete(index);
    Images().Remove(index);
    Change();
}

void TPngImageList::Insert(int index, const ui::TBitmap* image, const ui::TBitmap* mask) {
    if (!image) return;
    TUpdate update(*this, false);
    AddPicture(index, BitmapAndMaskToPng(*image, mask, true));
}

void TPngImageList::InsertIcon(int index, const ui::TIcon* icon) {
    if (!icon) return;
    TUpdate update(*this, false);
    AddPicture(index, GraphicToPng(*icon));
}

void TPngImageList::InsertMasked(int index, const ui::TBitmap* image, TColor maskColor) {
    if (!image) return;
    TUpdate update(*this, false);
    AddPicture(index, BitmapKeyedToPng(*image, maskColor));
}

void TPngImageList::Move(int from, int to) {
    TUpdate update(*this, false);
    Images().Move(from, to);
    pngImages_->Items(from)->SetIndex(to);
    Change();
}

void TPngImageList::Replace(int index, const ui::TBitmap* image, const ui::TBitmap* mask) {
    if (!image) return;
    TUpdate update(*this, false);
    ReplacePicture(index, BitmapAndMaskToPng(*image, mask, true));
}

void TPngImageList::ReplaceIcon(int index, const ui::TIcon* icon) {
    if (!icon) return;
    TUpdate update(*this, false);
    ReplacePicture(index, GraphicToPng(*icon));
}

void TPngImageList::ReplaceMasked(int index, const ui::TBitmap* image, TColor maskColor) {
    if (!image) return;
    TUpdate update(*this, false);
    ReplacePicture(index, BitmapKeyedToPng(*image, maskColor));
}

} // namespace imaging
