#include "platform/ui/Clipboard.h"
#include "platform/ui/QtBridge.h"

#include "support/UiTest.h"

#include <QClipboard>
#include <QGuiApplication>

#include <gtest/gtest.h>

namespace ui {
namespace {

class ClipboardTest : public uitest::UiTest {};

TEST_F(ClipboardTest, TextRoundTripsInBothWidthsAndReachesTheDesktopClipboard) {
    const std::u16string wide = u"caf\u00e9 \U0001F600 end"; // an emoji is a surrogate pair
    Clipboard().SetAsWideText(wide);
    EXPECT_TRUE(Clipboard().HasFormat(CF_UNICODETEXT));
    EXPECT_TRUE(Clipboard().HasFormat(CF_TEXT));
    EXPECT_EQ(Clipboard().AsWideText(), wide);
    EXPECT_EQ(Clipboard().AsText(), "caf\xC3\xA9 \xF0\x9F\x98\x80 end");
    EXPECT_EQ(QGuiApplication::clipboard()->text(), ToQString(wide));

    Clipboard().SetAsText("plain \xF0\x9F\x98\x80");
    EXPECT_EQ(Clipboard().AsWideText(), u"plain \U0001F600");
    EXPECT_EQ(Clipboard().GetData(CF_TEXT), "plain \xF0\x9F\x98\x80");
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QString::fromUtf8("plain \xF0\x9F\x98\x80"));
}

TEST_F(ClipboardTest, AnotherProgramsTextIsRead) {
    QGuiApplication::clipboard()->setText(QString::fromUtf8("from elsewhere \xE2\x82\xAC"));
    EXPECT_EQ(Clipboard().AsWideText(), u"from elsewhere \u20ac");
    EXPECT_FALSE(Clipboard().HasFormat(CF_BITMAP));
}

// A clipboard object that has not looked at the desktop yet must not take the desktop's old content
// for newer than what it is given.
TEST_F(ClipboardTest, AFreshClipboardPublishesWhatItIsGivenOverTheDesktopsContent) {
    QGuiApplication::clipboard()->setText("old desktop text");
    TClipboard fresh;
    fresh.SetAsText("new");
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "new");
    EXPECT_EQ(fresh.AsText(), "new");
}

TEST_F(ClipboardTest, BitmapAndRegisteredFormatsRoundTrip) {
    const TClipboardFormat gif = RegisterClipboardFormat("GIF Image");
    EXPECT_GE(gif, kFirstRegisteredFormat);
    EXPECT_EQ(RegisterClipboardFormat("gif image"), gif);
    EXPECT_NE(RegisterClipboardFormat("Other Format"), gif);
    EXPECT_EQ(GetClipboardFormatName(gif), "GIF Image");
    EXPECT_EQ(GetClipboardFormatName(CF_TEXT), "");

    TBitmap picture(3, 2, pf24bit);
    picture.Canvas()->SetPixel(1, 1, clRed);
    const std::string bytes("GIF89a\0\x01\xFF", 9);
    Clipboard().Open();
    Clipboard().SetBitmap(picture);
    Clipboard().SetData(gif, bytes);
    Clipboard().SetAsText("both");
    Clipboard().Close();
    EXPECT_EQ(Clipboard().GetData(gif), bytes);
    EXPECT_EQ(Clipboard().AsText(), "both");
    TBitmap back;
    ASSERT_TRUE(Clipboard().GetBitmap(back));
    EXPECT_EQ(back.Width(), 3);
    EXPECT_EQ(back.Canvas()->Pixel(1, 1), clRed);
    EXPECT_EQ(back.Canvas()->Pixel(0, 0), clWhite);
    const auto formats = Clipboard().Formats();
    EXPECT_NE(std::find(formats.begin(), formats.end(), gif), formats.end());

    // A new setting outside an Open is a new content.
    Clipboard().SetAsText("alone");
    EXPECT_FALSE(Clipboard().HasFormat(gif));
    EXPECT_FALSE(Clipboard().GetBitmap(back));
    Clipboard().Clear();
    EXPECT_FALSE(Clipboard().HasFormat(CF_TEXT));
    EXPECT_EQ(Clipboard().AsText(), "");
}

} // namespace
} // namespace ui
