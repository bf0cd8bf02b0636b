// An image list whose images are PNG pictures.
#pragma once

#include "imaging/uPngFunctions.h"
#include "imaging/uPNGObject.h"
#include "platform/ui/ImageList.h"

#include <memory>
#include <string>

namespace imaging {

class TPngImageList;

// One image of a PNG image list.
class TPngImageCollectionItem : public ui::TCollectionItem {
public:
    // With an empty picture, or (createPng false) with none until a conversion makes it.
    explicit TPngImageCollectionItem(ui::TCollection* collection, bool createPng = true);
    ~TPngImageCollectionItem() override;

    TPNGObject* Picture() const { return png_.get(); }
    // Copies the picture in.
    void SetPicture(const TPNGObject* png);
    // Takes a picture that a conversion made.
    void SetPicture(std::unique_ptr<TPNGObject> png);
    const std::string& Name() const { return name_; }
    void SetName(std::string name) { name_ = std::move(name); }
    // The colour behind the picture where an icon cannot carry alpha.
    TColor Background() const { return background_; }
    void SetBackground(TColor color);

    void Assign(const ui::TPersistent* source) override;

protected:
    std::string GetDisplayName() const override;

private:
    std::unique_ptr<TPNGObject> png_;
    std::string name_;
    TColor background_ = ui::clBtnFace;
};

// The images of a PNG image list; every change rebuilds the list's system images.
class TPngImageCollectionItems : public ui::TCollection {
public:
    explicit TPngImageCollectionItems(TPngImageList* owner);

    TPngImageCollectionItem* Add(bool createPng = true);
    TPngImageCollectionItem* Insert(int index, bool createPng = true);
    // Null outside 0 .. Count - 1.
    TPngImageCollectionItem* Items(int index) const;

    void Assign(const ui::TPersistent* source) override;

protected:
    void Update(ui::TCollectionItem* item) override;

private:
    TPngImageList* list_;
};

// An image list whose images are PNG pictures with full alpha. The framework's operations that add,
// insert, replace, move and delete images keep the pictures in PngImages and rebuild the system
// images from them; drawing goes from the pictures directly.
class TPngImageList : public ui::TCustomImageList {
public:
    explicit TPngImageList(ui::TComponent* owner = nullptr);
    ~TPngImageList() override;

    TPngImageCollectionItems* PngImages() const { return pngImages_.get(); }
    void SetPngImages(const TPngImageCollectionItems* images);
    // False makes the system images the disabled look of every picture.
    bool EnabledImages() const { return enabledImages_; }
    virtual void SetEnabledImages(bool value);
    TPngOptions PngOptions() const { return pngOptions_; }
    void SetPngOptions(TPngOptions value);
    // A new size empties the list.
    void SetWidth(int width) override;
    void SetHeight(int height) override;
    // Makes the system images again from the pictures; held back while an operation runs.
    virtual void RebuildImages();

    void Assign(const ui::TPersistent* source) override;

    int Add(const ui::TBitmap* image, const ui::TBitmap* mask) override;
    int AddIcon(const ui::TIcon* icon) override;
    int AddImage(const ui::TCustomImageList* list, int index) override;
    void AddImages(const ui::TCustomImageList* list) override;
    int AddMasked(const ui::TBitmap* image, TColor maskColor) override;
    void Clear() override;
    // An index outside the list does nothing.
    void Delete(int index) override;
    void Insert(int index, const ui::TBitmap* image, const ui::TBitmap* mask) override;
    void InsertIcon(int index, const ui::TIcon* icon) override;
    void InsertMasked(int index, const ui::TBitmap* image, TColor maskColor) override;
    void Move(int from, int to) override;
    void Replace(int index, const ui::TBitmap* image, const ui::TBitmap* mask) override;
    void ReplaceIcon(int index, const ui::TIcon* icon) override;
    void ReplaceMasked(int index, const ui::TBitmap* image, TColor maskColor) override;

protected:
    // The picture, faded and grey as PngOptions say when disabled, into the list's cell at (x, y).
    void DoDraw(int index, ui::TCanvas& canvas, int x, int y, ui::TImageDrawStyle style,
                bool enabled) override;

private:
    class TUpdate;
    // A new item at `index` (-1: at the end) holding the picture; its icon joins the system images.
    int AddPicture(int index, std::unique_ptr<TPNGObject> png);
    void ReplacePicture(int index, std::unique_ptr<TPNGObject> png);

    std::unique_ptr<TPngImageCollectionItems> pngImages_;
    bool enabledImages_ = true;
    TPngOptions pngOptions_{pngBlendOnDisabled};
    int updateCount_ = 0;
};

// The icon of a picture for the system images, with the picture's alpha.
std::unique_ptr<ui::TIcon> MakeListIcon(const TPNGObject& png);

} // namespace imaging
