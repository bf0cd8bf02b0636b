// The program's own pictures: the PNG resources the editor and the debugger load by name, and every
// drawn picture read back by our decoder and by Qt's.

#include "imaging/uPngResources.h"
#include "imaging/uProgramArtwork.h"
#include "platform/ui/Cursors.h"
#include "platform/ui/Resources.h"
#include "support/QtImageReader.h"
#include "support/UiTest.h"

#include <gtest/gtest.h>
#include <set>

namespace imaging {
namespace {

class PngResources : public uitest::UiTest {};

TEST_F(PngResources, GutterGlyphsAreTheOnlyPngResources) {
    std::set<std::string> names;
    for (const TArtwork& artwork : ProgramArtwork())
        if (std::string_view(artwork.type) == "PNG") names.insert(artwork.name);
    std::set<std::string> expected{"GUTTER_BREAKPOINT", "GUTTER_DISABLED_BREAKPOINT", "GUTTER_EXEC_LINE",
                                   "GUTTER_CURRENT_LINE"};
    for (int digit = 0; digit <= 9; ++digit)
        expected.insert("GUTTER_BOOKMARK_" + std::to_string(digit));
    EXPECT_EQ(names, expected);
    EXPECT_TRUE(ui::FindResource("PNG", "GUTTER_BREAKPOINT")) << "the framework's resources hold them";
    EXPECT_TRUE(ui::FindResource("ARTWORK", "TOOLBAR_RUN_HOT"));
    for (const std::string& name : expected) {
        auto png = LoadPngResource(std::u16string(name.begin(), name.end()));
        ASSERT_NE(png, nullptr) << name;
        EXPECT_EQ(png->Width(), 12) << name;
        EXPECT_EQ(png->Height(), 12) << name;
        EXPECT_EQ(png->TransparencyStyle(), tsPartial) << name;
    }
}

TEST_F(PngResources, MissingOrOtherResourcesGiveNothing) {
    EXPECT_EQ(LoadPngResource(u"NOPE"), nullptr);
    EXPECT_EQ(LoadPngResource(u""), nullptr);
    EXPECT_EQ(LoadPngResource(u"TOOLBAR_RUN"), nullptr) << "a window's image is not a PNG resource";
    auto lower = LoadPngResource(u"gutter_exec_line");
    ASSERT_NE(lower, nullptr) << "resource names ignore case";
    // The arrow's middle is opaque, its corners are clear.
    EXPECT_EQ(lower->PixelAlpha(6, 6), 255);
    EXPECT_EQ(lower->PixelAlpha(0, 0), 0);
}

TEST_F(PngResources, EveryPictureReadsTheSameWithQt) {
    int toolBar = 0;
    for (const TArtwork& artwork : ProgramArtwork()) {
        if (std::string_view(artwork.type) == "#1") continue; // cursors: below
        const std::string bytes(reinterpret_cast<const char*>(artwork.data), artwork.size);
        rtl::TMemoryStream stream;
        stream.WriteString(bytes);
        stream.SetPosition(0);
        TPNGObject png;
        png.LoadFromStream(stream);
        const std::string name = artwork.name;
        if (name.rfind("TOOLBAR_", 0) == 0) {
            ++toolBar;
            EXPECT_EQ(png.Width(), 48) << name;
        } else if (name.rfind("OBJECT_", 0) == 0 || name.rfind("MENU_", 0) == 0 ||
                   name.rfind("STATUS_", 0) == 0) {
            EXPECT_EQ(png.Width(), 16) << name;
        }
        const uitest::QtDecodedImage qt = uitest::DecodeWithQt(bytes, "PNG");
        ASSERT_EQ(qt.width, png.Width()) << name;
        for (int y = 0; y < png.Height(); ++y)
            for (int x = 0; x < png.Width(); ++x) {
                const auto& p = qt.At(x, y);
                ASSERT_EQ(p[3] >> 8, png.PixelAlpha(x, y)) << name << " " << x << "," << y;
                if (p[3] == 0) continue; // a clear pixel's colour is nobody's business
                ASSERT_EQ(PngRGB(uint8_t(p[0] >> 8), uint8_t(p[1] >> 8), uint8_t(p[2] >> 8)),
                          png.PixelColor(x, y))
                    << name << " " << x << "," << y;
            }
    }
    EXPECT_EQ(toolBar, 24) << "twelve buttons, normal and hot";
}

TEST_F(PngResources, CursorsLoadWithTheirHotSpots) {
    ProgramArtwork();
    const struct {
        const char* name;
        ui::TPoint hotSpot;
    } cursors[] = {
        {"DRAGMOVE", {1, 1}}, {"DRAGCOPY", {1, 1}}, {"UX_HANDCUR", {12, 1}}, {"UX_DRAGCUR", {16, 16}}};
    for (const auto& c : cursors) {
        const ui::HCURSOR cursor = ui::LoadCursorResource(c.name);
        ASSERT_NE(cursor, nullptr) << c.name;
        EXPECT_EQ(cursor->Width(), 32) << c.name;
        EXPECT_EQ(cursor->HotSpot(), c.hotSpot) << c.name;
    }
}

} // namespace
} // namespace imaging
