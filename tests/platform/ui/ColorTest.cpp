#include "platform/ui/Color.h"
#include "platform/ui/QtBridge.h"

#include <gtest/gtest.h>

namespace ui {
namespace {

struct ColorCase {
    TColor color;
    QColor expected;
    bool roundTrips; // back from QColor to the same TColor
};

// Plain colours are $00BBGGRR; system colours resolve through the fixed table.
TEST(Color, ConvertsToQColorAndBack) {
    const ColorCase cases[] = {
        {clBlack, QColor(0, 0, 0), true},
        {clRed, QColor(255, 0, 0), true},
        {clBlue, QColor(0, 0, 255), true},
        {static_cast<TColor>(0x00A56D53), QColor(0x53, 0x6D, 0xA5), true},
        {RGB(1, 2, 3), QColor(1, 2, 3), true},
        {clBtnFace, QColor(240, 240, 240), false},
        {clWindow, QColor(255, 255, 255), false},
        {clHighlight, QColor(0, 120, 215), false},
        {clInfoBk, QColor(255, 255, 225), false},
        {clNone, QColor(Qt::transparent), true},
        {clDefault, QColor(), true},
    };
    for (const ColorCase& c : cases) {
        SCOPED_TRACE(ColorToString(c.color));
        const QColor q = ToQColor(c.color);
        EXPECT_EQ(q.isValid(), c.expected.isValid());
        if (c.expected.isValid()) {
            EXPECT_EQ(q.rgba(), c.expected.rgba());
        }
        if (c.roundTrips) {
            EXPECT_EQ(FromQColor(q), c.color);
        } else {
            EXPECT_EQ(FromQColor(q), ColorToRGB(c.color));
        }
    }
}

TEST(Color, EverySystemColourResolvesToItsTableEntry) {
    for (int index = 0; index < kSysColorCount; ++index) {
        const TColor system = SysColor(static_cast<TSysColorIndex>(index));
        EXPECT_TRUE(IsSystemColor(system));
        EXPECT_EQ(ColorToRGB(system), GetSysColor(index)) << index;
        const QColor q = ToQColor(system);
        EXPECT_EQ(RGB(q.red(), q.green(), q.blue()), GetSysColor(index)) << index;
    }
    EXPECT_FALSE(IsSystemColor(clNone));
    EXPECT_FALSE(IsSystemColor(clDefault));
    EXPECT_EQ(ColorToRGB(clNone), clNone);
}

TEST(Color, NamesAndTextReadBack) {
    for (TColor c : {clRed, clBtnFace, clNone, clDefault, RGB(0x12, 0x34, 0x56), clHighlightText})
        EXPECT_EQ(StringToColor(ColorToString(c)), c) << ColorToString(c);
    EXPECT_EQ(ColorToString(RGB(0x12, 0x34, 0x56)), "$00563412");
    EXPECT_EQ(StringToColor("clbtnface"), clBtnFace);
    EXPECT_EQ(StringToColor("255"), clRed);
    EXPECT_EQ(StringToColor("$"), std::nullopt);
    EXPECT_EQ(StringToColor("clNoSuchColour"), std::nullopt);
}

TEST(Color, WidgetPaletteUsesTheSystemColours) {
    const QPalette palette = SystemPalette();
    EXPECT_EQ(FromQColor(palette.color(QPalette::Base)), ColorToRGB(clWindow));
    EXPECT_EQ(FromQColor(palette.color(QPalette::Button)), ColorToRGB(clBtnFace));
    EXPECT_EQ(FromQColor(palette.color(QPalette::Highlight)), ColorToRGB(clHighlight));
    EXPECT_EQ(FromQColor(palette.color(QPalette::ToolTipBase)), ColorToRGB(clInfoBk));
    EXPECT_EQ(FromQColor(palette.color(QPalette::Disabled, QPalette::Text)), ColorToRGB(clGrayText));
}

} // namespace
} // namespace ui
