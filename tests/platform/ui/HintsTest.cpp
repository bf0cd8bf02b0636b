#include "platform/ui/Application.h"

#include "platform/ui/Clock.h"
#include "platform/ui/QtBridge.h"
#include "support/UiTest.h"

#include <QApplication>
#include <QMouseEvent>
#include <QWidget>

#include <gtest/gtest.h>

namespace ui {
namespace {

class HintsTest : public uitest::UiTest {
protected:
    void SetUp() override {
        form.SetBounds(0, 0, 200, 100);
        control.SetParent(&form);
        control.SetBounds(10, 10, 80, 40);
        control.SetHint("Short|Long");
        control.SetShowHint(true);
        form.Show();
    }

    void MoveTo(TWinControl& target, QPoint pos) {
        QMouseEvent event(QEvent::MouseMove, pos, target.Widget()->mapToGlobal(pos), Qt::NoButton,
                          Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(target.Widget(), &event);
    }

    std::string ShownHint() const {
        return app.HintWindow() ? app.HintWindow()->Text() : std::string("(none)");
    }

    TManualClockScope clock;
    TApplication app;
    TForm form{nullptr};
    TCustomControl control{nullptr};
};

TEST_F(HintsTest, AHintShowsAfterThePauseBelowTheMouseAndHidesByItself) {
    int hintChanges = 0;
    app.OnHint = [&](TObject*) { ++hintChanges; };
    MoveTo(control, QPoint(5, 6));
    EXPECT_EQ(app.Hint(), "Long");
    EXPECT_EQ(hintChanges, 1);
    clock->Advance(app.HintPause() - 1);
    EXPECT_EQ(ShownHint(), "(none)");
    clock->Advance(1);
    ASSERT_EQ(ShownHint(), "Short");
    THintWindow* window = app.HintWindow();
    const TPoint mouse = control.ClientToScreen({5, 6});
    EXPECT_EQ(window->Left(), mouse.X);
    EXPECT_EQ(window->Top(), mouse.Y + 20);
    EXPECT_TRUE(window->Widget()->isVisible());

    // Its look: the hint colour inside a black frame.
    const QImage image = window->Widget()->grab().toImage();
    EXPECT_EQ(FromQColor(image.pixelColor(0, 0)), clBlack);
    EXPECT_EQ(FromQColor(image.pixelColor(1, image.height() - 2)), ColorToRGB(clInfoBk));

    // Moving inside the control keeps the hint; the hide pause ends it.
    MoveTo(control, QPoint(30, 20));
    EXPECT_EQ(ShownHint(), "Short");
    clock->Advance(app.HintHidePause());
    EXPECT_EQ(ShownHint(), "(none)");
}

TEST_F(HintsTest, APressCancelsTheHintAndTheNextOneWaitsTheFullPause) {
    MoveTo(control, QPoint(5, 5));
    clock->Advance(app.HintPause());
    ASSERT_EQ(ShownHint(), "Short");
    QMouseEvent press(QEvent::MouseButtonPress, QPoint(5, 5), control.Widget()->mapToGlobal(QPoint(5, 5)),
                      Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(control.Widget(), &press);
    EXPECT_EQ(ShownHint(), "(none)");
    MoveTo(control, QPoint(6, 6));
    clock->Advance(app.HintPause() - 1);
    EXPECT_EQ(ShownHint(), "(none)");
}

TEST_F(HintsTest, TheControlAndOnShowHintShapeTheHint) {
    auto previous = control.WindowProc;
    int answer = 0;
    int pause = -1; // the control's own pause, when set
    std::vector<TPoint> asked;
    control.WindowProc = [&](TMessage& m) {
        if (m.Msg == CM_HINTSHOW) {
            auto* info = reinterpret_cast<THintInfo*>(m.LParam);
            EXPECT_EQ(info->HintControl, &control);
            asked.push_back(info->CursorPos);
            info->HintStr = "From the control";
            info->CursorRect = Rect(0, 0, 10, 10);
            m.Result = answer;
            return;
        }
        if (m.Msg == CM_HINTSHOWPAUSE && pause >= 0) *reinterpret_cast<int*>(m.LParam) = pause;
        previous(m);
    };
    pause = 0;
    MoveTo(control, QPoint(5, 5));
    EXPECT_EQ(ShownHint(), "From the control") << "a pause of 0 shows at once";
    // Outside the cursor rectangle the hint is asked for again.
    answer = 1;
    MoveTo(control, QPoint(8, 8));
    MoveTo(control, QPoint(20, 20));
    EXPECT_EQ(ShownHint(), "(none)");
    EXPECT_EQ(asked, (std::vector<TPoint>{{5, 5}, {20, 20}}));

    app.CancelHint();
    answer = 0;
    app.OnShowHint = [](std::string& text, bool& canShow, THintInfo& info) {
        canShow = info.HintControl != nullptr;
        text += "!";
    };
    MoveTo(control, QPoint(5, 5));
    EXPECT_EQ(ShownHint(), "From the control!");
    control.WindowProc = previous;
}

TEST_F(HintsTest, AControlWithoutShowHintUsesItsParents) {
    control.SetShowHint(false);
    MoveTo(control, QPoint(5, 5));
    clock->Advance(app.HintPause());
    EXPECT_EQ(ShownHint(), "(none)");
    form.SetHint("Form hint");
    form.SetShowHint(true); // the control follows: ParentShowHint was cleared by SetShowHint(false)
    control.SetParentShowHint(true);
    EXPECT_TRUE(control.ShowHint());
    control.SetHint("");
    MoveTo(control, QPoint(7, 7));
    clock->Advance(app.HintPause());
    EXPECT_EQ(ShownHint(), "Form hint");
}

TEST(HintText, ShortAndLongParts) {
    EXPECT_EQ(GetShortHint("Open|Opens a routine"), "Open");
    EXPECT_EQ(GetLongHint("Open|Opens a routine"), "Opens a routine");
    EXPECT_EQ(GetShortHint("Plain"), "Plain");
    EXPECT_EQ(GetLongHint("Plain"), "Plain");
    EXPECT_EQ(GetLongHint("a|b|c"), "b|c");
}

} // namespace
} // namespace ui
