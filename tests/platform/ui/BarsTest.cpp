#include "platform/ui/Labels.h"
#include "platform/ui/Panels.h"
#include "platform/ui/StatusBars.h"
#include "platform/ui/ToolBars.h"

#include "platform/ui/Edits.h"
#include "platform/ui/Forms.h"
#include "platform/ui/QtBridge.h"
#include "support/UiTest.h"

#include <QApplication>
#include <QFontMetrics>
#include <QMouseEvent>
#include <QTest>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace ui {
namespace {

using ::testing::ElementsAre;

QImage Grab(TWinControl& control) {
    return control.Handle()->grab().toImage();
}

TColor PixelAt(const QImage& image, int x, int y) {
    return FromQColor(image.pixelColor(x, y));
}

// A system colour as it shows on the screen.
TColor Shown(TColor color) {
    return FromQColor(ToQColor(color));
}

// Sends a mouse event to the window of `control` at a client point of `control`.
void Mouse(TControl& control, QEvent::Type type, TPoint client, Qt::MouseButtons buttons) {
    TWinControl* window = dynamic_cast<TWinControl*>(&control);
    if (!window) window = control.Parent();
    const TPoint screen = control.ClientToScreen(client);
    const QPoint local = window->Widget()->mapFromGlobal(QPoint(screen.X, screen.Y));
    QMouseEvent event(type, local, QPoint(screen.X, screen.Y), Qt::LeftButton, buttons, Qt::NoModifier);
    QApplication::sendEvent(window->Widget(), &event);
}

void ClickAt(TControl& control, TPoint client) {
    Mouse(control, QEvent::MouseButtonPress, client, Qt::LeftButton);
    Mouse(control, QEvent::MouseButtonRelease, client, Qt::NoButton);
}

class BarsTest : public uitest::UiTest {
protected:
    BarsTest() { form.SetBounds(0, 0, 320, 200); }
    TForm form{nullptr};
};

TEST_F(BarsTest, StatusPanelsPaintTheirTextsOrTheOwnerDrawing) {
    TStatusBar bar(&form);
    bar.SetParent(&form);
    TStatusPanel* first = bar.Panels().Add();
    first->SetText("Ready");
    first->SetWidth(80);
    TStatusPanel* drawn = bar.Panels().Add();
    drawn->SetStyle(psOwnerDraw);
    drawn->SetWidth(40);
    bar.Panels().Add()->SetText("rest");
    std::vector<TRect> drawnAt;
    bar.OnDrawPanel = [&](TStatusBar* sender, TStatusPanel* panel, const TRect& rect) {
        EXPECT_EQ(panel, drawn);
        drawnAt.push_back(rect);
        sender->Canvas()->Brush()->SetColor(clLime);
        sender->Canvas()->FillRect(rect);
    };
    form.Show();
    EXPECT_EQ(bar.Top(), form.ClientHeight() - bar.Height()) << "aligned to the bottom";
    EXPECT_EQ(bar.PanelRect(2).Right, bar.ClientWidth()) << "the last panel takes the rest";
    const QImage shot = Grab(form);
    ASSERT_FALSE(drawnAt.empty());
    const TRect r = drawnAt.back();
    EXPECT_EQ(PixelAt(shot, bar.Left() + r.Left + 3, bar.Top() + r.Top + 3), clLime);
    // Text pixels: something darker than the face inside the first panel.
    bool text = false;
    for (int x = 2; x < 60; ++x)
        for (int y = 3; y < bar.Height() - 2; ++y)
            text |= PixelAt(shot, x, bar.Top() + y) == clBlack;
    EXPECT_TRUE(text);

    bar.SetSimplePanel(true);
    bar.SetSimpleText("Simple");
    drawnAt.clear();
    Grab(form);
    EXPECT_TRUE(drawnAt.empty()) << "a simple bar draws no panels";
    EXPECT_THROW(bar.Panels().Items(3), rtl::EListError);
}

TEST_F(BarsTest, ToolButtonsLineUpClickAndFollowTheirGroup) {
    TToolBar bar(&form);
    bar.SetParent(&form);
    bar.SetButtonWidth(30);
    bar.SetButtonHeight(24);
    std::vector<TToolButton*> buttons;
    for (TToolButtonStyle style : {tbsButton, tbsSeparator, tbsCheck, tbsCheck}) {
        auto* b = new TToolButton(&form);
        b->SetStyle(style);
        b->SetParent(&bar);
        buttons.push_back(b);
    }
    buttons[2]->SetGrouped(true);
    buttons[3]->SetGrouped(true);
    form.Show();
    EXPECT_EQ(bar.ButtonCount(), 4);
    EXPECT_EQ(buttons[0]->BoundsRect(), Bounds(0, 0, 30, 24));
    EXPECT_EQ(buttons[1]->BoundsRect(), Bounds(30, 0, 8, 24));
    EXPECT_EQ(buttons[2]->Left(), 38);
    EXPECT_EQ(bar.Top(), 0) << "aligned to the top";

    int clicks = 0;
    buttons[0]->OnClick = [&](TObject*) { ++clicks; };
    ClickAt(*buttons[0], {5, 5});
    EXPECT_EQ(clicks, 1);
    ClickAt(*buttons[2], {5, 5});
    EXPECT_TRUE(buttons[2]->Down());
    ClickAt(*buttons[3], {5, 5});
    EXPECT_TRUE(buttons[3]->Down());
    EXPECT_FALSE(buttons[2]->Down()) << "one of a group at a time";
    ClickAt(*buttons[3], {5, 5});
    EXPECT_TRUE(buttons[3]->Down()) << "the group keeps one down";
}

TEST_F(BarsTest, ToolButtonsDrawTheirImagesHotImagesAndCaptions) {
    TImageList images(16, 16), hot(16, 16);
    for (auto [list, color] : {std::pair{&images, clBlue}, std::pair{&hot, clRed}}) {
        TBitmap bitmap;
        bitmap.SetSize(16, 16);
        bitmap.Canvas()->Brush()->SetColor(color);
        bitmap.Canvas()->FillRect(Rect(0, 0, 16, 16));
        list->Add(&bitmap, nullptr);
    }
    TToolBar bar(&form);
    bar.SetParent(&form);
    bar.SetFlat(true);
    bar.SetImages(&images);
    bar.SetHotImages(&hot);
    auto* button = new TToolButton(&form);
    button->SetParent(&bar);
    button->SetImageIndex(0);
    form.Show();
    const TPoint middle{bar.Left() + button->Left() + button->Width() / 2, bar.Top() + button->Height() / 2};
    EXPECT_EQ(PixelAt(Grab(form), middle.X, middle.Y), clBlue);
    button->Perform(CM_MOUSEENTER);
    EXPECT_TRUE(button->Hot());
    EXPECT_EQ(PixelAt(Grab(form), middle.X, middle.Y), clRed);
    button->Perform(CM_MOUSELEAVE);
    bar.SetShowCaptions(true);
    bar.SetButtonHeight(40);
    bar.SetHeight(44);
    button->SetCaption("Run");
    const QImage shot = Grab(form);
    bool text = false;
    for (int y = 24; y < 40; ++y)
        for (int x = 0; x < button->Width(); ++x)
            text |= PixelAt(shot, bar.Left() + x, bar.Top() + y) == clBlack;
    EXPECT_TRUE(text) << "the caption under the image";
}

TEST_F(BarsTest, PanelBevelsInsetTheChildrenAndTheCaptionIsCentred) {
    TPanel panel(&form);
    panel.SetParent(&form);
    panel.SetBounds(0, 0, 200, 100);
    panel.SetBevelInner(bvLowered);
    panel.SetBorderWidth(3);
    panel.SetCaption("Centre");
    TMemo child(&form);
    child.SetParent(&panel);
    child.SetAlign(alClient);
    EXPECT_EQ(child.BoundsRect(), Rect(5, 5, 195, 95)) << "1 + 3 + 1 pixels on each side";
    panel.SetColor(clYellow);
    child.SetVisible(false);
    form.Show();
    const QImage shot = Grab(form);
    EXPECT_EQ(PixelAt(shot, 0, 0), Shown(clBtnHighlight)) << "raised outer bevel";
    EXPECT_EQ(PixelAt(shot, 199, 99), Shown(clBtnShadow));
    EXPECT_EQ(PixelAt(shot, 20, 20), clYellow);
    int minX = 200, maxX = 0;
    for (int x = 0; x < 200; ++x)
        for (int y = 30; y < 70; ++y)
            if (PixelAt(shot, x, y) == clBlack) minX = std::min(minX, x), maxX = std::max(maxX, x);
    EXPECT_NEAR((minX + maxX) / 2, 100, 3);
}

TEST_F(BarsTest, AGroupBoxFramesItsChildrenBelowTheCaption) {
    TGroupBox group(&form);
    group.SetParent(&form);
    group.SetBounds(0, 0, 200, 100);
    group.SetCaption(" Options ");
    TPanel child(&form);
    child.SetParent(&group);
    child.SetAlign(alClient);
    const int caption = child.Top();
    EXPECT_GT(caption, 8) << "below the caption's line";
    EXPECT_EQ(child.BoundsRect(), Rect(2, caption, 198, 98));
    group.Font()->SetSize(20);
    EXPECT_GT(child.Top(), caption) << "a bigger font takes more room";
    child.SetVisible(false);
    form.Show();
    const QImage shot = Grab(form);
    const int frameY = QFontMetrics(ToQFont(*group.Font())).height() / 2;
    EXPECT_EQ(PixelAt(shot, 2, frameY), Shown(clBtnShadow)) << "the frame runs through the caption's middle";
    EXPECT_EQ(PixelAt(shot, 100, 99), Shown(clBtnShadow));
    EXPECT_EQ(PixelAt(shot, 100, 50), Shown(clBtnFace));
}

TEST_F(BarsTest, LabelsSizeThemselvesAndFocusTheirControlOnTheirKey) {
    TLabel label(&form);
    label.SetParent(&form);
    label.SetCaption("&Host:");
    const int width = label.Width();
    label.SetCaption("&Host name:");
    EXPECT_GT(label.Width(), width) << "auto size";
    label.SetWordWrap(true);
    label.SetAutoSize(false);
    label.SetWidth(30);
    label.SetAutoSize(true);
    EXPECT_EQ(label.Width(), 30);
    EXPECT_GT(label.Height(), 20) << "word wrap makes it taller";

    TEdit edit(&form);
    edit.SetParent(&form);
    edit.SetTop(50);
    TEdit other(&form);
    other.SetParent(&form);
    other.SetTop(80);
    label.SetFocusControl(&edit);
    form.Show();
    other.SetFocus();
    QTest::keyClick(other.Widget(), Qt::Key_H, Qt::AltModifier);
    EXPECT_EQ(form.Widget()->focusWidget(), edit.Widget());
}

TEST_F(BarsTest, ATransparentLabelShowsItsParent) {
    TPanel panel(&form);
    panel.SetParent(&form);
    panel.SetBounds(0, 0, 200, 60);
    panel.SetColor(clYellow);
    panel.SetBevelOuter(bvNone);
    TLabel label(&form);
    label.SetParent(&panel);
    label.SetCaption("x");
    label.SetColor(clAqua);
    form.Show();
    EXPECT_EQ(PixelAt(Grab(form), label.Width() - 1, label.Height() - 1), clAqua);
    label.SetTransparent(true);
    EXPECT_EQ(PixelAt(Grab(form), label.Width() - 1, label.Height() - 1), clYellow);
}

TEST_F(BarsTest, DraggingASplitterResizesItsNeighbourWithinMinSize) {
    TPanel left(&form), rest(&form);
    left.SetParent(&form);
    left.SetAlign(alLeft);
    left.SetWidth(100);
    TSplitter splitter(&form);
    splitter.SetParent(&form);
    splitter.SetLeft(100);
    rest.SetParent(&form);
    rest.SetAlign(alClient);
    int moved = 0;
    splitter.OnMoved = [&](TObject*) { ++moved; };
    form.Show();
    EXPECT_EQ(splitter.Left(), 100);
    EXPECT_EQ(splitter.ResizeControl(), &left);

    Mouse(splitter, QEvent::MouseButtonPress, {1, 10}, Qt::LeftButton);
    Mouse(splitter, QEvent::MouseMove, {41, 10}, Qt::LeftButton);
    EXPECT_EQ(left.Width(), 140);
    EXPECT_EQ(splitter.Left(), 140);
    // Towards the far side it stops where the other side keeps MinSize.
    Mouse(splitter, QEvent::MouseMove, {400, 10}, Qt::LeftButton);
    EXPECT_EQ(left.Width(), form.ClientWidth() - splitter.Width() - splitter.MinSize());
    Mouse(splitter, QEvent::MouseMove, {-400, 10}, Qt::LeftButton);
    EXPECT_EQ(left.Width(), splitter.MinSize());
    Mouse(splitter, QEvent::MouseButtonRelease, {-400, 10}, Qt::NoButton);
    EXPECT_EQ(moved, 1);
}

} // namespace
} // namespace ui
