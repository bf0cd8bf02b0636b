#include "platform/ui/Picture.h"
#include "platform/ui/Types.h"

#include "support/UiTest.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

namespace ui {
namespace {

// Records the order in which loading ends.
class Part : public TComponent {
public:
    Part(TComponent* owner, std::vector<std::string>& log, std::string name) : TComponent(owner), log_(log) {
        SetName(name);
    }

protected:
    void Loaded() override {
        log_.push_back(Name() + (ComponentState().Contains(csLoading) ? " still loading" : " loaded"));
    }

private:
    std::vector<std::string>& log_;
};

TEST(ObjectModel, LoadingEndsOwnedComponentsFirst) {
    std::vector<std::string> log;
    Part form(nullptr, log, "Form");
    auto* panel = new Part(&form, log, "Panel");
    new Part(panel, log, "Button");
    form.BeginLoading();
    EXPECT_TRUE(panel->FindComponent("button")->ComponentState().Contains(csLoading));
    form.EndLoading();
    EXPECT_EQ(log, (std::vector<std::string>{"Button loaded", "Panel loaded", "Form loaded"}));
    EXPECT_FALSE(form.ComponentState().Contains(csLoading));
    form.EndLoading(); // not loading: nothing more
    EXPECT_EQ(log.size(), 3u);
    EXPECT_EQ(form.FindComponent("PANEL"), panel);
}

TEST(ObjectModel, OwnedCollectionAnswersItsOwner) {
    TComponent owner(nullptr);
    TOwnedCollection columns(&owner, &TCollection::ItemClassOf<TCollectionItem>);
    columns.Add();
    EXPECT_EQ(columns.Owner(), &owner);
    EXPECT_EQ(columns.Count(), 1);
}

class PictureTest : public uitest::UiTest {};

// Another format for the registry: a bitmap under its own extension.
class TOtherGraphic : public TBitmap {};

TEST_F(PictureTest, LoadsByExtensionFromTheRegistry) {
    EXPECT_EQ(TPicture::ClassForExtension("BMP"), &GraphicClassOf<TBitmap>);
    EXPECT_EQ(TPicture::ClassForExtension("xyz"), nullptr);
    TPicture::RegisterFileFormat("oth", "Other pictures", &GraphicClassOf<TOtherGraphic>);
    EXPECT_NE(TPicture::GraphicFilter().find("Other pictures (*.oth)|*.oth"), std::string::npos);
    EXPECT_EQ(TPicture::GraphicFilter().rfind("All (*.bmp;*.ico;*.oth)|*.bmp;*.ico;*.oth", 0), 0u);

    TBitmap source(5, 3, pf24bit);
    source.Canvas()->SetPixel(2, 1, clRed);
    const std::string path = rtl::CreateTempFile("picture") + ".oth";
    source.SaveToFile(path);
    TPicture picture;
    int changes = 0;
    picture.OnChange = [&](TObject*) { ++changes; };
    picture.LoadFromFile(path);
    EXPECT_NE(dynamic_cast<TOtherGraphic*>(picture.Graphic()), nullptr);
    EXPECT_EQ(picture.Width(), 5);
    EXPECT_EQ(picture.Bitmap()->Canvas()->Pixel(2, 1), clRed);
    EXPECT_GE(changes, 1);

    TPicture::UnregisterGraphicClass(&GraphicClassOf<TOtherGraphic>);
    try {
        picture.LoadFromFile(path);
        FAIL();
    } catch (const EInvalidGraphic& e) {
        EXPECT_STREQ(e.what(), "Unknown picture file extension (.oth)");
    }
    std::remove(path.c_str());
    std::remove(path.substr(0, path.size() - 4).c_str());
}

TEST_F(PictureTest, AnIconBecomesABitmapWhenAskedForOne) {
    TBitmap colour(4, 4, pf24bit);
    colour.Canvas()->Brush()->SetColor(clBlue);
    colour.Canvas()->FillRect(Rect(0, 0, 4, 4));
    TIcon icon;
    icon.SetBitmaps(colour, nullptr);
    TPicture picture;
    picture.Assign(&icon);
    ASSERT_NE(dynamic_cast<TIcon*>(picture.Graphic()), nullptr);
    EXPECT_NE(picture.Graphic(), &icon);
    EXPECT_EQ(picture.Bitmap()->Canvas()->Pixel(1, 1), clBlue);
    TPicture copy;
    copy.Assign(&picture);
    EXPECT_EQ(copy.Bitmap()->Canvas()->Pixel(3, 3), clBlue);
    copy.Assign(nullptr);
    EXPECT_EQ(copy.Graphic(), nullptr);
}

} // namespace
} // namespace ui
