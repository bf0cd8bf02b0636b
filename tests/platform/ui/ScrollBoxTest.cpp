#include "platform/ui/ScrollBoxes.h"

#include "platform/ui/Forms.h"
#include "platform/ui/Panels.h"
#include "platform/ui/QtBridge.h"
#include "support/UiTest.h"

#include <QImage>
#include <QWidget>

#include <gtest/gtest.h>

namespace ui {
namespace {

class ScrollBoxTest : public uitest::UiTest {
protected:
    ScrollBoxTest() {
        box.SetParent(&form);
        box.SetBorderStyle(bsNone);
        box.SetBounds(0, 0, 100, 100);
        near.SetParent(&box);
        near.SetBounds(10, 10, 40, 40);
        far.SetParent(&box);
        far.SetBounds(10, 230, 40, 40);
        form.Show();
    }

    TForm form{nullptr};
    TScrollBox box{&form};
    TPanel near{&form};
    TPanel far{&form};
};

TEST_F(ScrollBoxTest, AChildPastTheClientAreaBringsOnlyItsBar) {
    EXPECT_TRUE(box.ScrollBarVisible(SB_VERT));
    EXPECT_FALSE(box.ScrollBarVisible(SB_HORZ));
    const TScrollInfo info = box.GetScrollInfo(SB_VERT);
    EXPECT_EQ(info.max, 269);
    EXPECT_EQ(info.page, box.ClientHeight());
    far.SetTop(20);
    EXPECT_FALSE(box.ScrollBarVisible(SB_VERT)) << "the children fit again";
}

TEST_F(ScrollBoxTest, TheCornerBetweenTwoBarsIsPaintedLikeAButton) {
    far.SetLeft(150);
    ASSERT_TRUE(box.ScrollBarVisible(SB_HORZ));
    ASSERT_TRUE(box.ScrollBarVisible(SB_VERT));
    const QImage shot = box.Widget()->grab().toImage();
    EXPECT_EQ(FromQColor(shot.pixelColor(97, 97)), FromQColor(ToQColor(clBtnFace)));
}

TEST_F(ScrollBoxTest, ScrollingMovesTheChildrenAndStopsAtTheEnds) {
    const int client = box.ClientHeight();
    struct Step {
        int code;
        int position;
    } steps[] = {{SB_LINEDOWN, 8},
                 {SB_PAGEDOWN, 8 + client},
                 {SB_BOTTOM, 270 - client},
                 {SB_LINEDOWN, 270 - client},
                 {SB_LINEUP, 262 - client},
                 {SB_TOP, 0},
                 {SB_LINEUP, 0}};
    for (const Step& step : steps) {
        box.Perform(WM_VSCROLL, static_cast<uintptr_t>(step.code));
        EXPECT_EQ(box.Position(SB_VERT), step.position) << "code " << step.code;
        EXPECT_EQ(near.Top(), 10 - step.position);
        EXPECT_EQ(far.Top(), 230 - step.position);
        EXPECT_EQ(box.GetScrollInfo(SB_VERT).pos, step.position);
    }
    box.Perform(WM_VSCROLL, SB_THUMBTRACK | 100u << 16);
    EXPECT_EQ(far.Top(), 130);
}

TEST_F(ScrollBoxTest, ScrollInViewShowsAChildWholeAndGrowingTheBoxScrollsBack) {
    box.ScrollInView(&far);
    EXPECT_EQ(far.BoundsRect().Bottom, box.ClientHeight());
    box.ScrollInView(&near);
    EXPECT_EQ(near.Top(), 0);
    box.SetPosition(SB_VERT, 1000);
    box.SetHeight(200);
    EXPECT_EQ(box.Position(SB_VERT), 70) << "no room is left empty below the content";
    EXPECT_EQ(far.BoundsRect().Bottom, box.ClientHeight());
}

} // namespace
} // namespace ui
