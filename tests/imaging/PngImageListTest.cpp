// The PNG image list: its items, the framework's operations reaching it through the base class, the
// system images it rebuilds, and drawing.

#include "imaging/PngFixture.h"
#include "imaging/uPngImageList.h"
#include "platform/ui/Bitmap.h"
#include "platform/ui/Icon.h"
#include "support/UiTest.h"

#include <gtest/gtest.h>

namespace imaging {
namespace {

using namespace testing;
using ui::TBitmap;

class PngImageList : public uitest::UiTest {
protected:
    // A 16 x 16 opaque red picture with its left half half-transparent.
    static std::unique_ptr<TPNGObject> RedPicture() {
        SampleImage image{16, 16, 8, COLOR_RGBALPHA, {}};
        for (uint32_t y = 0; y < 16; ++y) {
            std::vector<uint16_t> row;
            for (uint32_t x = 0; x < 16; ++x)
                row.insert(row.end(), {255, 0, 0, uint16_t(x < 8 ? 128 : 255)});
            image.samples.push_back(row);
        }
        auto png = std::make_unique<TPNGObject>();
        LoadPng(*png, PngFile(image, false));
        return png;
    }

    // The colour and alpha of a system image's pixel.
    static std::pair<TColor, int> SystemPixel(const ui::TCustomImageList& list, int index, int x, int y) {
        ui::TIcon icon;
        list.GetIcon(index, &icon);
        TBitmap colour, mask;
        icon.GetBitmaps(colour, mask);
        const auto* p = static_cast<const uint8_t*>(colour.ScanLine(y)) + 4 * x;
        return {PngRGB(p[2], p[1], p[0]), p[3]};
    }
};

TEST_F(PngImageList, ItemsAreNamedByTheirIndexAndDeleteOutsideDoesNothing) {
    TPngImageList list;
    TBitmap bitmap(16, 16, ui::pf24bit);
    ui::TCustomImageList& base = list; // the framework's operations reach the PNG list
    EXPECT_EQ(base.Add(&bitmap, nullptr), 0);
    EXPECT_EQ(base.AddMasked(&bitmap, PngRGB(1, 2, 3)), 1);
    EXPECT_EQ(list.PngImages()->Count(), 2);
    EXPECT_EQ(list.PngImages()->Items(0)->Name(), "PngImage0");
    EXPECT_EQ(list.PngImages()->Items(1)->Name(), "PngImage1");
    EXPECT_EQ(list.PngImages()->Items(1)->DisplayName(), "PngImage1");
    EXPECT_EQ(list.PngImages()->Items(0)->Background(), ui::clBtnFace);
    EXPECT_EQ(list.PngImages()->Items(2), nullptr);
    EXPECT_EQ(list.Count(), 2);

    base.Delete(-1);
    base.Delete(2);
    EXPECT_EQ(list.Count(), 2);
    base.Delete(0);
    EXPECT_EQ(list.Count(), 1);
    EXPECT_EQ(list.PngImages()->Count(), 1);
    EXPECT_EQ(list.PngImages()->Items(0)->Name(), "PngImage1") << "names stay as they were given";
    EXPECT_EQ(base.Add(nullptr, nullptr), -1);
}

TEST_F(PngImageList, NewSizeEmptiesTheListAndTheSameSizeKeepsIt) {
    TPngImageList list;
    list.PngImages()->Add()->SetPicture(RedPicture().get());
    EXPECT_EQ(list.Count(), 1) << "an item change rebuilds the system images";
    list.SetWidth(16);
    EXPECT_EQ(list.Count(), 1);
    list.SetWidth(24);
    EXPECT_EQ(list.Count(), 0);
    EXPECT_EQ(list.PngImages()->Count(), 0);
}

TEST_F(PngImageList, MaskWhiteWhereTransparentBecomesAlphaZero) {
    TPngImageList list;
    TBitmap image(16, 16, ui::pf24bit), mask(16, 16, ui::pf24bit);
    image.Canvas()->Brush()->SetColor(PngRGB(0, 0, 255));
    image.Canvas()->FillRect({0, 0, 16, 16});
    mask.Canvas()->Brush()->SetColor(ui::clBlack);
    mask.Canvas()->FillRect({0, 0, 16, 16});
    mask.Canvas()->SetPixel(3, 4, ui::clWhite);
    list.Add(&image, &mask);
    const TPNGObject* png = list.PngImages()->Items(0)->Picture();
    EXPECT_EQ(png->AlphaRow(4)[3], 0);
    EXPECT_EQ(png->AlphaRow(4)[4], 255);
    EXPECT_EQ(SystemPixel(list, 0, 3, 4).second, 0);
    EXPECT_EQ(SystemPixel(list, 0, 4, 4), std::pair(PngRGB(0, 0, 255), 255));
}

TEST_F(PngImageList, DisabledSystemImagesAreFadedGreyWhileDrawingEnabledShowsTheOriginal) {
    TPngImageList list;
    list.PngImages()->Add()->SetPicture(RedPicture().get());
    EXPECT_EQ(SystemPixel(list, 0, 12, 3), std::pair(PngRGB(255, 0, 0), 255));
    list.SetPngOptions({pngBlendOnDisabled, pngGrayscaleOnDisabled});
    list.SetEnabledImages(false);
    EXPECT_EQ(SystemPixel(list, 0, 12, 3), std::pair(PngRGB(76, 76, 76), 128));
    EXPECT_EQ(SystemPixel(list, 0, 2, 3), std::pair(PngRGB(76, 76, 76), 64));

    TBitmap surface(16, 16, ui::pf32bit);
    surface.Canvas()->Brush()->SetColor(ui::clWhite);
    surface.Canvas()->FillRect({0, 0, 16, 16});
    list.Draw(*surface.Canvas(), 0, 0, 0, true);
    EXPECT_EQ(surface.Canvas()->Pixel(12, 3), PngRGB(255, 0, 0));
    surface.Canvas()->FillRect({0, 0, 16, 16});
    list.Draw(*surface.Canvas(), 0, 0, 0, false);
    const int v = (76 * 128 + 127 * 255 + 255) / 256;
    EXPECT_EQ(surface.Canvas()->Pixel(12, 3), PngRGB(v, v, v))
        << "disabled drawing fades over the background";

    list.SetEnabledImages(true);
    EXPECT_EQ(SystemPixel(list, 0, 12, 3), std::pair(PngRGB(255, 0, 0), 255));
}

TEST_F(PngImageList, InsertMoveReplaceAndCopiesFromOtherLists) {
    TPngImageList list;
    auto tile = [](TColor colour) {
        auto bitmap = std::make_unique<TBitmap>(16, 16, ui::pf24bit);
        bitmap->Canvas()->Brush()->SetColor(colour);
        bitmap->Canvas()->FillRect({0, 0, 16, 16});
        return bitmap;
    };
    const auto red = tile(PngRGB(255, 0, 0)), green = tile(PngRGB(0, 255, 0)), blue = tile(PngRGB(0, 0, 255));
    list.Add(red.get(), nullptr);
    list.Add(green.get(), nullptr);
    list.Insert(1, blue.get(), nullptr); // red, blue, green
    EXPECT_EQ(SystemPixel(list, 1, 0, 0).first, PngRGB(0, 0, 255));
    EXPECT_EQ(list.PngImages()->Items(1)->Picture()->PixelColor(0, 0), PngRGB(0, 0, 255));
    list.Move(0, 2); // blue, green, red
    EXPECT_EQ(SystemPixel(list, 2, 0, 0).first, PngRGB(255, 0, 0));
    EXPECT_EQ(list.PngImages()->Items(2)->Picture()->PixelColor(0, 0), PngRGB(255, 0, 0));
    list.ReplaceMasked(0, green.get(), PngRGB(0, 255, 0));
    EXPECT_EQ(SystemPixel(list, 0, 5, 5).second, 0);

    // Entries of a plain image list come over with their mask as alpha.
    ui::TImageList plain(16, 16);
    plain.AddMasked(red.get(), PngRGB(0, 0, 0));
    TPngImageList copy;
    copy.AddImages(&plain);
    copy.AddImage(&list, 2);
    ASSERT_EQ(copy.Count(), 2);
    EXPECT_EQ(copy.PngImages()->Items(0)->Picture()->PixelColor(3, 3), PngRGB(255, 0, 0));
    EXPECT_EQ(copy.PngImages()->Items(0)->Picture()->PixelAlpha(3, 3), 255);
    EXPECT_EQ(copy.PngImages()->Items(1)->Picture()->PixelColor(3, 3), PngRGB(255, 0, 0));

    // Assigning a list copies its pictures.
    TPngImageList assigned;
    assigned.Assign(&list);
    EXPECT_EQ(assigned.Count(), 3);
    EXPECT_EQ(SystemPixel(assigned, 2, 0, 0).first, PngRGB(255, 0, 0));
    list.Clear();
    EXPECT_EQ(list.Count(), 0);
    EXPECT_EQ(assigned.Count(), 3);
}

TEST_F(PngImageList, IconsKeepTheirAlpha) {
    TBitmap colour(16, 16, ui::pf32bit);
    for (int y = 0; y < 16; ++y) {
        auto* row = static_cast<uint8_t*>(colour.ScanLine(y));
        for (int x = 0; x < 16; ++x) {
            row[4 * x] = 200;
            row[4 * x + 1] = row[4 * x + 2] = 0;
            row[4 * x + 3] = x < 8 ? 50 : 255;
        }
    }
    ui::TIcon icon;
    icon.SetBitmaps(colour, nullptr);
    TPngImageList list;
    list.AddIcon(&icon);
    const TPNGObject* png = list.PngImages()->Items(0)->Picture();
    EXPECT_EQ(png->AlphaRow(0)[2], 50);
    EXPECT_EQ(png->AlphaRow(0)[12], 255);
    EXPECT_EQ(png->PixelColor(12, 0), PngRGB(0, 0, 200));
}

} // namespace
} // namespace imaging
