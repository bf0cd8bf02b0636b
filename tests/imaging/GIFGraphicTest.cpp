#include "imaging/uGIFImage.h"

#include "imaging/GIFTestSupport.h"

#include <gtest/gtest.h>

#include "platform/ui/Clipboard.h"
#include "platform/ui/Picture.h"
#include "support/UiTest.h"

#include <memory>
#include <string>
#include <vector>

namespace imaging {
namespace {

using test::AddFrame;
using test::AddGreys;

class GIFGraphicTest : public uitest::UiTest {
protected:
    TGIFImage image;
    std::vector<std::pair<TProgressStage, int>> progress;

    void Watch(TGIFImage& watched) {
        watched.OnProgress = [this](const data::TPersistent*, TProgressStage stage, int percent, bool,
                                    const std::string&) { progress.emplace_back(stage, percent); };
    }
    void TwoFrames() {
        AddGreys(image.Header().ColorMap(), 4);
        AddFrame(image, 4, 2, {0, 1, 2, 3, 3, 2, 1, 0});
        AddFrame(image, 2, 2, {1, 1, 1, 1});
    }
};

TEST_F(GIFGraphicTest, ANewImageIsEmptyAndCannotBeSaved) {
    EXPECT_EQ(image.Width(), 0);
    EXPECT_EQ(image.Height(), 0);
    EXPECT_TRUE(image.Empty());
    rtl::TMemoryStream stream;
    try {
        image.SaveToStream(stream);
        FAIL() << "saved";
    } catch (const GIFException& e) {
        EXPECT_STREQ(e.what(), "Unsupported GIF version");
    }
}

TEST_F(GIFGraphicTest, ADamagedStreamStaysWhereItWasAndEndsAtZeroPercent) {
    TwoFrames();
    std::string bytes = test::SaveToBytes(image);
    bytes.resize(bytes.size() - 12); // cut inside the second frame's data
    rtl::TMemoryStream stream;
    stream.WriteString("xx" + bytes);
    stream.SetPosition(2);
    TGIFImage damaged;
    Watch(damaged);
    EXPECT_THROW(damaged.LoadFromStream(stream), GIFException);
    EXPECT_EQ(stream.Position(), 2);
    EXPECT_EQ(progress.front(), std::make_pair(psStarting, 0));
    EXPECT_EQ(progress.back(), std::make_pair(psEnding, 0));
}

TEST_F(GIFGraphicTest, LoadingAndSavingReportProgress) {
    TwoFrames();
    Watch(image);
    rtl::TMemoryStream stream;
    image.SaveToStream(stream);
    EXPECT_EQ(progress.back(), std::make_pair(psEnding, 100));
    EXPECT_EQ(progress[2], std::make_pair(psRunning, 100)); // after the second of two frames
    progress.clear();
    stream.SetPosition(0);
    image.LoadFromStream(stream);
    EXPECT_EQ(image.Images().Count(), 2);
    EXPECT_EQ(progress.back(), std::make_pair(psEnding, 100));
}

TEST_F(GIFGraphicTest, CopyingKeepsOptionsAndHandlersButNotTheSpeed) {
    TwoFrames();
    image.PaintOptions = {pntAnimate};
    image.ReductionMethod = redGray4;
    image.AnimationSpeed = 300;
    image.ReductionBits = 3;
    int warnings = 0;
    image.OnCodecWarning = [&](const data::TPersistent*, int, const std::string&) { ++warnings; };
    Watch(image);
    TGIFImage copy;
    copy.Assign(&image);
    EXPECT_EQ(copy.Images().Count(), 2);
    EXPECT_EQ(copy.PaintOptions, TGIFPaintOptions{pntAnimate});
    EXPECT_EQ(copy.ReductionMethod, redGray4);
    EXPECT_EQ(copy.AnimationSpeed, 100);
    EXPECT_EQ(copy.ReductionBits, 8);
    EXPECT_FALSE(copy.OnCodecWarning);
    EXPECT_FALSE(copy.OnProgress);
    EXPECT_EQ(progress.back(), std::make_pair(psEnding, 100)); // reported through the source's handler
    EXPECT_EQ(test::SaveToBytes(copy), test::SaveToBytes(image));
}

TEST_F(GIFGraphicTest, ABitmapBecomesAOneFrameImageOfItsSize) {
    ui::TBitmap bitmap(5, 3, ui::pf24bit);
    bitmap.Canvas()->Brush()->SetColor(ui::clBlue);
    bitmap.Canvas()->FillRect({0, 0, 5, 3});
    image.Assign(&bitmap);
    EXPECT_EQ(image.Images().Count(), 1);
    EXPECT_EQ(image.Width(), 5);
    EXPECT_EQ(image.Height(), 3);
    ui::TBitmap back;
    back.Assign(&image);
    EXPECT_EQ(back.Width(), 5);
    EXPECT_EQ(back.Canvas()->Pixel(4, 2), ui::clBlue);
    data::TComponent notAGraphic(nullptr);
    EXPECT_THROW(image.AddFrame(&notAGraphic), GIFException);
}

TEST_F(GIFGraphicTest, TheScreenCannotCutAFrameAndAnUnchangedSizeIsNoChange) {
    TwoFrames();
    int changes = 0;
    image.OnChange = [&](ui::TObject*) { ++changes; };
    EXPECT_THROW(image.SetWidth(3), GIFException);
    image.SetWidth(4);
    EXPECT_EQ(changes, 0);
    image.SetHeight(6);
    EXPECT_EQ(changes, 1);
}

TEST_F(GIFGraphicTest, DitheringFollowsThePaintOptions) {
    image.PaintOptions = {pntDither, pntAutoDither};
    EXPECT_FALSE(image.ShouldDither());
    image.PaintOptions = {pntDither};
    EXPECT_TRUE(image.ShouldDither());
    EXPECT_EQ(image.Palette().size(), 216u);
}

TEST_F(GIFGraphicTest, TheClipboardGetsABitmapAndTheGIFStream) {
    TwoFrames();
    image.SaveToClipboard();
    ui::TClipboard& clipboard = ui::Clipboard();
    EXPECT_TRUE(clipboard.HasFormat(ui::CF_BITMAP));
    ASSERT_TRUE(clipboard.HasFormat(GIFClipboardFormat()));
    EXPECT_EQ(ui::GetClipboardFormatName(GIFClipboardFormat()), "GIF Image");
    TGIFImage pasted;
    pasted.LoadFromClipboardFormat(GIFClipboardFormat());
    EXPECT_EQ(pasted.Images().Count(), 2);
    EXPECT_THROW(pasted.LoadFromClipboardFormat(ui::CF_TEXT), GIFException);

    ui::TBitmap bitmap(3, 2, ui::pf24bit);
    bitmap.Canvas()->Brush()->SetColor(ui::clRed);
    bitmap.Canvas()->FillRect({0, 0, 3, 2});
    clipboard.SetBitmap(bitmap);
    pasted.LoadFromClipboardFormat(ui::CF_BITMAP);
    ASSERT_EQ(pasted.Images().Count(), 1) << "a pasted bitmap is one frame";
    EXPECT_EQ(pasted.Width(), 3);
    EXPECT_EQ(pasted.Height(), 2);
    ui::TBitmap back;
    back.Assign(&pasted);
    EXPECT_EQ(back.Canvas()->Pixel(2, 1), ui::clRed);
}

TEST_F(GIFGraphicTest, PicturesLoadGIFFilesOnceRegistered) {
    RegisterGIFImage();
    EXPECT_NE(ui::TPicture::ClassForExtension("gif"), nullptr);
    UnregisterGIFImage();
    EXPECT_EQ(ui::TPicture::ClassForExtension("gif"), nullptr);
}

} // namespace
} // namespace imaging
