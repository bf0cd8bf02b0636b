#include "platform/ui/Resources.h"
#include "platform/ui/Cursors.h"
#include "platform/ui/Metrics.h"
#include "platform/ui/QtBridge.h"

#include "support/UiTest.h"

#include <QGuiApplication>

#include <gtest/gtest.h>

namespace ui {
namespace {

constexpr std::string_view kGlyph = "\x89PNG-not-really";
constexpr std::string_view kBlock = "string block";

const TResourceRegistration registration{
    {"PNG", "TEST_GLYPH", kGlyph},
    {RT_STRING, 7, kBlock},
};

TEST(Resources, FoundByTypeAndNameIgnoringCase) {
    EXPECT_EQ(FindResource("PNG", "TEST_GLYPH"), kGlyph);
    EXPECT_EQ(FindResource("png", "test_glyph"), kGlyph);
    EXPECT_EQ(FindResource(RT_STRING, 7), kBlock);
    EXPECT_EQ(FindResource(RT_STRING, "#7"), kBlock);
    EXPECT_EQ(FindResource(RT_RCDATA, "TEST_GLYPH"), std::nullopt);
    EXPECT_EQ(FindResource(RT_STRING, 8), std::nullopt);
    EXPECT_EQ(LoadResource("PNG", "TEST_GLYPH"), kGlyph);
    try {
        LoadResource("PNG", "MISSING");
        FAIL();
    } catch (const EResNotFound& e) {
        EXPECT_STREQ(e.what(), "Resource MISSING not found");
    }
    EXPECT_EQ(TResourceId(12).Text(), "#12");
}

class CursorsTest : public uitest::UiTest {};

// A cursor file: an icon file whose type is 2, with the hot spot in the entry.
std::string CursorFile(int hotX, int hotY) {
    TIcon icon;
    TBitmap picture(8, 8, pf24bit);
    icon.SetBitmaps(picture, nullptr);
    rtl::TMemoryStream stream;
    icon.SaveToStream(stream);
    stream.SetPosition(0);
    std::string bytes = stream.ReadToEnd();
    bytes[2] = 2;
    bytes[6 + 4] = static_cast<char>(hotX);
    bytes[6 + 6] = static_cast<char>(hotY);
    return bytes;
}

TEST_F(CursorsTest, StandardShapesAndResourceCursorsMapToQtCursors) {
    EXPECT_EQ(ToQCursor(crIBeam).shape(), Qt::IBeamCursor);
    EXPECT_EQ(ToQCursor(crHSplit).shape(), Qt::SplitHCursor);
    EXPECT_EQ(ToQCursor(crVSplit).shape(), Qt::SplitVCursor);
    EXPECT_EQ(ToQCursor(crHourGlass).shape(), Qt::WaitCursor);
    EXPECT_EQ(ToQCursor(crSQLWait).shape(), Qt::BusyCursor);
    EXPECT_EQ(ToQCursor(crDrag).shape(), Qt::DragCopyCursor);
    EXPECT_EQ(ToQCursor(crDefault).shape(), Qt::ArrowCursor);
    EXPECT_EQ(ToQCursor(14000).shape(), Qt::ArrowCursor); // an empty slot

    static const std::string file = CursorFile(3, 5);
    static const TResourceRegistration cursors{{RT_CURSOR, "TEST_HANDCUR", file},
                                               {RT_CURSOR, "BROKEN", "xx"}};
    EXPECT_EQ(LoadCursorResource("BROKEN"), nullptr);
    EXPECT_EQ(LoadCursorResource("NONE"), nullptr);
    HCURSOR hand = LoadCursorResource("TEST_HANDCUR");
    ASSERT_NE(hand, nullptr);
    EXPECT_EQ(hand->HotSpot(), Point(3, 5));
    ScreenCursors().Set(14000, hand);
    const QCursor cursor = ToQCursor(14000);
    EXPECT_EQ(cursor.shape(), Qt::BitmapCursor);
    EXPECT_EQ(cursor.hotSpot(), QPoint(3, 5));
    ScreenCursors().Set(14000, nullptr);
    EXPECT_EQ(ToQCursor(14000).shape(), Qt::ArrowCursor);
}

TEST_F(CursorsTest, ScreenCursorOverridesTheWholeProgramUntilReset) {
    SetScreenCursor(crSQLWait);
    ASSERT_NE(QGuiApplication::overrideCursor(), nullptr);
    EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::BusyCursor);
    SetScreenCursor(crHourGlass);
    EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor);
    SetScreenCursor(crDefault);
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
    EXPECT_EQ(ScreenCursor(), crDefault);
}

TEST_F(CursorsTest, MetricsAreSensible) {
    EXPECT_EQ(ScreenPixelsPerInch(), 96);
    EXPECT_GT(GetSystemMetrics(SM_CXVSCROLL), 5);
    EXPECT_EQ(GetSystemMetrics(SM_CXVSCROLL), GetSystemMetrics(SM_CYHSCROLL));
    EXPECT_EQ(GetSystemMetrics(SM_CXEDGE), 2);
    EXPECT_GT(GetSystemMetrics(SM_CXDRAG), 0);
    EXPECT_GT(GetDoubleClickTime(), 0);
    EXPECT_GT(WheelScrollLines(), 0);
    EXPECT_FALSE(WorkArea().IsEmpty());
    EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), ScreenRect().Width());
    EXPECT_TRUE(PtInRect(ScreenRect(), WorkArea().TopLeft()));
}

} // namespace
} // namespace ui
