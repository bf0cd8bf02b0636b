#include "platform/ui/ImageList.h"

#include "support/UiTest.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace ui {
namespace {

class ImageListTest : public uitest::UiTest {
protected:
    // A 4x4 glyph of `color` on a fuchsia background, which AddMasked keys out.
    static std::unique_ptr<TBitmap> Glyph(TColor color, TRect body = Rect(1, 1, 3, 3)) {
        auto glyph = std::make_unique<TBitmap>(4, 4, pf24bit);
        glyph->Canvas()->Brush()->SetColor(clFuchsia);
        glyph->Canvas()->FillRect(Rect(0, 0, 4, 4));
        glyph->Canvas()->Brush()->SetColor(color);
        glyph->Canvas()->FillRect(body);
        return glyph;
    }
    static std::unique_ptr<TBitmap> Target(TColor color = clWhite) {
        auto target = std::make_unique<TBitmap>(6, 6, pf24bit);
        target->Canvas()->Brush()->SetColor(color);
        target->Canvas()->FillRect(Rect(0, 0, 6, 6));
        return target;
    }
    static TColor At(TBitmap& bitmap, int x, int y) { return bitmap.Canvas()->Pixel(x, y); }
    // The colour the list holds for image `index` at (x, y).
    static TColor Held(TCustomImageList& list, int index, int x, int y) {
        auto target = Target();
        list.Draw(*target->Canvas(), 0, 0, index);
        return At(*target, x, y);
    }
};

TEST_F(ImageListTest, AddReplaceMoveAndDelete) {
    TImageList list(4, 4);
    EXPECT_EQ(list.AddMasked(Glyph(clRed).get(), clFuchsia), 0);
    EXPECT_EQ(list.AddMasked(Glyph(clBlue).get(), clDefault), 1); // the bottom-left colour
    EXPECT_EQ(list.Add(nullptr, nullptr), -1);
    ASSERT_EQ(list.Count(), 2);
    EXPECT_EQ(Held(list, 0, 1, 1), clRed);
    EXPECT_EQ(Held(list, 0, 0, 0), clWhite); // keyed out
    EXPECT_EQ(Held(list, 1, 2, 2), clBlue);
    EXPECT_EQ(Held(list, 1, 3, 3), clWhite);

    // A strip three images wide adds three images.
    TBitmap strip(12, 4, pf24bit);
    for (int i = 0; i < 3; ++i) {
        strip.Canvas()->Brush()->SetColor(i == 0 ? clLime : i == 1 ? clYellow : clAqua);
        strip.Canvas()->FillRect(Rect(i * 4, 0, i * 4 + 4, 4));
    }
    EXPECT_EQ(list.Add(&strip, nullptr), 2);
    ASSERT_EQ(list.Count(), 5);
    EXPECT_EQ(Held(list, 3, 0, 0), clYellow);

    list.ReplaceMasked(0, Glyph(clGreen).get(), clFuchsia);
    EXPECT_EQ(Held(list, 0, 1, 1), clGreen);
    list.Move(4, 0);
    EXPECT_EQ(Held(list, 0, 0, 0), clAqua);
    EXPECT_EQ(Held(list, 1, 1, 1), clGreen);
    list.Delete(0);
    EXPECT_EQ(list.Count(), 4);
    EXPECT_EQ(Held(list, 0, 1, 1), clGreen);
    for (int bad : {-1, 4})
        EXPECT_THROW(list.Delete(bad), EInvalidOperation);
    list.InsertMasked(0, Glyph(clNavy).get(), clFuchsia);
    EXPECT_EQ(Held(list, 0, 1, 1), clNavy);
    // A new size empties the list; the same size keeps it.
    list.SetWidth(4);
    EXPECT_EQ(list.Count(), 5);
    list.SetWidth(8);
    EXPECT_EQ(list.Count(), 0);
}

TEST_F(ImageListTest, MaskBitmapBlackIsOpaque) {
    TImageList list(4, 4);
    TBitmap image(4, 4, pf24bit);
    image.Canvas()->Brush()->SetColor(clRed);
    image.Canvas()->FillRect(Rect(0, 0, 4, 4));
    TBitmap mask(4, 4, pf1bit); // white: transparent
    mask.Canvas()->Brush()->SetColor(clBlack);
    mask.Canvas()->FillRect(Rect(0, 0, 2, 4));
    list.Add(&image, &mask);
    EXPECT_EQ(Held(list, 0, 1, 1), clRed);
    EXPECT_EQ(Held(list, 0, 3, 1), clWhite);
    auto target = Target();
    list.Draw(*target->Canvas(), 0, 0, 0, dsNormal, itMask);
    EXPECT_EQ(At(*target, 1, 1), clBlack);
    EXPECT_EQ(At(*target, 3, 1), clWhite);
}

TEST_F(ImageListTest, DrawsBlendedDisabledAndWithOverlays) {
    TImageList list(4, 4);
    list.AddMasked(Glyph(clBlack).get(), clFuchsia);
    list.AddMasked(Glyph(clRed, Rect(2, 2, 4, 4)).get(), clFuchsia);
    ASSERT_TRUE(list.Overlay(1, 2));
    EXPECT_FALSE(list.Overlay(5, 0));
    EXPECT_FALSE(list.Overlay(0, 15));

    auto overlaid = Target();
    list.DrawIndirect(*overlaid->Canvas(), 0, 0, 0, ILD_TRANSPARENT | IndexToOverlayMask(2));
    EXPECT_EQ(At(*overlaid, 1, 1), clBlack);
    EXPECT_EQ(At(*overlaid, 3, 3), clRed); // the overlay over the image
    EXPECT_EQ(At(*overlaid, 0, 0), clWhite);
    auto viaDrawOverlay = Target();
    list.DrawOverlay(*viaDrawOverlay->Canvas(), 0, 0, 0, 2);
    EXPECT_EQ(At(*viaDrawOverlay, 3, 3), clRed);

    auto selected = Target();
    list.SetBlendColor(clWhite);
    list.Draw(*selected->Canvas(), 0, 0, 0, dsSelected, itImage);
    EXPECT_EQ(At(*selected, 1, 1), RGB(127, 127, 127));

    auto disabled = Target(clBtnFace);
    list.Draw(*disabled->Canvas(), 0, 0, 0, false);
    EXPECT_EQ(At(*disabled, 1, 1), ColorToRGB(clBtnShadow));
    EXPECT_EQ(At(*disabled, 3, 3), ColorToRGB(clBtnHighlight)); // the raised shadow, one pixel down-right
    EXPECT_EQ(At(*disabled, 0, 0), ColorToRGB(clBtnFace));

    auto withBackground = Target();
    list.SetBkColor(clYellow);
    list.Draw(*withBackground->Canvas(), 0, 0, 0, dsNormal, itImage);
    EXPECT_EQ(At(*withBackground, 0, 0), clYellow);
    list.Draw(*withBackground->Canvas(), 0, 0, 0, dsTransparent, itImage);
    EXPECT_EQ(At(*withBackground, 0, 0), clYellow); // transparent keeps what was there
}

// A list that keeps its own record: the framework's callers reach its versions.
class RecordingList : public TImageList {
public:
    using TImageList::TImageList;
    std::vector<std::string> calls;

    int AddMasked(const TBitmap* image, TColor maskColor) override {
        calls.push_back("AddMasked");
        return TImageList::AddMasked(image, maskColor);
    }
    void Delete(int index) override { calls.push_back("Delete " + std::to_string(index)); }
    int AddIcon(const TIcon* icon) override {
        calls.push_back("AddIcon");
        return TImageList::AddIcon(icon);
    }

protected:
    void DoDraw(int index, TCanvas& canvas, int x, int y, TImageDrawStyle style, bool enabled) override {
        calls.push_back("DoDraw " + std::to_string(index) + (enabled ? " enabled" : " disabled"));
    }
};

TEST_F(ImageListTest, DescendantOverridesAreWhatCallersGet) {
    RecordingList recording(4, 4);
    TCustomImageList& asFramework = recording;
    asFramework.AddMasked(Glyph(clRed).get(), clFuchsia);
    asFramework.Delete(7);
    auto target = Target();
    asFramework.Draw(*target->Canvas(), 0, 0, 0, false);
    asFramework.DrawOverlay(*target->Canvas(), 0, 0, 0, 1);

    TImageList source(4, 4);
    source.AddMasked(Glyph(clBlue).get(), clFuchsia);
    asFramework.AddImages(&source); // AddImages goes through AddImage and AddIcon
    EXPECT_EQ(recording.calls, (std::vector<std::string>{"AddMasked", "Delete 7", "DoDraw 0 disabled",
                                                         "DoDraw 0 enabled", "AddIcon"}));
    EXPECT_EQ(recording.Count(), 2);
}

TEST_F(ImageListTest, ChangeLinksHearEveryChangeUntilEitherSideGoes) {
    auto list = std::make_unique<TImageList>(4, 4);
    int heard = 0;
    int events = 0;
    TChangeLink link;
    link.OnChange = [&](TObject* sender) {
        EXPECT_EQ(sender, list.get());
        ++heard;
    };
    list->OnChange = [&](TObject*) { ++events; };
    list->RegisterChanges(&link);
    EXPECT_EQ(link.Sender(), list.get());
    list->AddMasked(Glyph(clRed).get(), clFuchsia);
    list->Clear();
    EXPECT_EQ(heard, 2);
    EXPECT_EQ(events, 2);
    {
        TChangeLink shortLived;
        list->RegisterChanges(&shortLived);
    } // unregisters itself
    list->Clear();
    EXPECT_EQ(heard, 3);
    list.reset();
    EXPECT_EQ(link.Sender(), nullptr);
}

TEST_F(ImageListTest, IconsKeepAlphaAndRoundTripThroughIco) {
    TBitmap color(3, 2, pf24bit);
    color.Canvas()->Brush()->SetColor(clRed);
    color.Canvas()->FillRect(Rect(0, 0, 3, 2));
    TBitmap mask(3, 2, pf1bit);
    mask.Canvas()->Brush()->SetColor(clBlack);
    mask.Canvas()->FillRect(Rect(0, 0, 2, 2));
    TIcon icon;
    icon.SetBitmaps(color, &mask);
    rtl::TMemoryStream stream;
    icon.SaveToStream(stream);
    stream.SetPosition(0);
    TIcon loaded;
    loaded.LoadFromStream(stream);
    ASSERT_EQ(loaded.Width(), 3);
    TBitmap loadedColor, loadedMask;
    loaded.GetBitmaps(loadedColor, loadedMask);
    EXPECT_EQ(loadedColor.Canvas()->Pixel(0, 0), clRed);
    EXPECT_EQ(loadedMask.Canvas()->Pixel(0, 0), clBlack);
    EXPECT_EQ(loadedMask.Canvas()->Pixel(2, 1), clWhite);
    EXPECT_EQ(loadedColor.Canvas()->Pixel(2, 1), clBlack); // transparent colour pixels are black

    const std::string bytes = [&] {
        stream.SetPosition(0);
        return stream.ReadToEnd();
    }();
    for (size_t length = 0; length < bytes.size(); ++length) {
        rtl::TMemoryStream cut;
        cut.WriteString(std::string_view(bytes).substr(0, length));
        cut.SetPosition(0);
        TIcon broken;
        try {
            broken.LoadFromStream(cut);
        } catch (const EInvalidGraphic&) {
            // the only error a damaged file may raise
        }
    }
}

} // namespace
} // namespace ui
