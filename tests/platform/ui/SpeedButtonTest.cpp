#include "platform/ui/Buttons.h"

#include "platform/ui/Canvas.h"
#include "platform/ui/QtBridge.h"
#include "support/UiTest.h"

#include <QTest>
#include <QWidget>

#include <gtest/gtest.h>

#include <vector>

namespace ui {
namespace {

class SpeedButtonTest : public uitest::UiTest {
protected:
    SpeedButtonTest() {
        form.SetBounds(0, 0, 200, 60);
        for (int i = 0; i < 3; ++i) {
            auto* button = new TSpeedButton(&form);
            button->SetParent(&form);
            button->SetBounds(10 + 30 * i, 10, 25, 25);
            buttons.push_back(button);
        }
        form.Show();
    }
    void ClickOn(TSpeedButton* button) {
        QTest::mouseClick(form.Widget(), Qt::LeftButton, {}, QPoint(button->Left() + 5, button->Top() + 5));
    }
    std::vector<bool> Downs() const {
        std::vector<bool> downs;
        for (const TSpeedButton* b : buttons)
            downs.push_back(b->Down());
        return downs;
    }

    TForm form{nullptr};
    std::vector<TSpeedButton*> buttons;
};

TEST_F(SpeedButtonTest, AGroupKeepsOneButtonDown) {
    int clicks = 0;
    for (TSpeedButton* b : buttons) {
        b->SetGroupIndex(1);
        b->OnClick = [&](TObject*) { ++clicks; };
    }
    buttons[2]->SetGroupIndex(2);
    ClickOn(buttons[0]);
    ClickOn(buttons[1]);
    EXPECT_EQ(Downs(), (std::vector<bool>{false, true, false}));
    ClickOn(buttons[1]); // the down button of a group that must keep one stays down
    EXPECT_TRUE(buttons[1]->Down());
    ClickOn(buttons[2]); // another group
    EXPECT_EQ(Downs(), (std::vector<bool>{false, true, true}));
    EXPECT_EQ(clicks, 4);
    buttons[0]->SetAllowAllUp(true); // for the whole group
    ClickOn(buttons[1]);
    EXPECT_EQ(Downs(), (std::vector<bool>{false, false, true}));
    // A button outside any group never stays down.
    buttons[0]->SetGroupIndex(0);
    buttons[0]->SetDown(true);
    EXPECT_FALSE(buttons[0]->Down());
}

TEST_F(SpeedButtonTest, AnActionsCheckedStateFollowsToAGroupedButton) {
    TAction action(&form);
    action.SetCaption("Bold");
    buttons[0]->SetGroupIndex(3);
    buttons[0]->SetAllowAllUp(true);
    buttons[0]->SetAction(&action);
    EXPECT_EQ(buttons[0]->Caption(), "Bold");
    action.SetChecked(true);
    EXPECT_TRUE(buttons[0]->Down());
    action.SetChecked(false);
    EXPECT_FALSE(buttons[0]->Down());
}

TEST_F(SpeedButtonTest, TheGlyphIsDrawnAndADownButtonIsSunken) {
    TBitmap glyph(8, 8);
    glyph.Canvas()->Brush()->SetColor(clRed);
    glyph.Canvas()->FillRect({0, 0, 8, 8});
    TSpeedButton* button = buttons[0];
    button->SetBounds(10, 10, 60, 24);
    button->SetGlyph(&glyph);
    button->SetCaption("Run");
    button->SetGroupIndex(1);
    const QImage up = form.Widget()->grab().toImage();
    button->SetDown(true);
    const QImage down = form.Widget()->grab().toImage();
    // The glyph sits left of the caption, centred with it; down, it moves one pixel.
    const TRect r = button->BoundsRect();
    auto firstRed = [&](const QImage& image) {
        for (int x = r.Left; x < r.Right; ++x)
            if (FromQColor(image.pixelColor(x, r.Top + 12)) == clRed) return x;
        return -1;
    };
    const int upX = firstRed(up);
    ASSERT_GT(upX, r.Left);
    EXPECT_LT(upX, r.Left + r.Width() / 2 - 4);
    EXPECT_EQ(firstRed(down), upX + 1);
    // Up, the top edge is light; down, it is dark.
    EXPECT_NE(FromQColor(up.pixelColor(r.Left + 20, r.Top)), FromQColor(down.pixelColor(r.Left + 20, r.Top)));
}

} // namespace
} // namespace ui
