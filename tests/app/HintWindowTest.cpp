#include "app/uHintWindow.h"

#include "app/uWindowFileHelpers.h"
#include "platform/ui/Application.h"
#include "platform/ui/Clock.h"
#include "platform/ui/QtBridge.h"
#include "support/UiTest.h"

#include <QApplication>
#include <QMouseEvent>
#include <QWidget>

#include <gtest/gtest.h>

namespace app {
namespace {

TEST(PlaceHintOnMonitorTest, KeepsTheBoxOnItsMonitor) {
    const ui::TRect monitor = ui::Rect(100, 0, 1100, 800);
    struct Case {
        ui::TPoint origin;
        ui::TSize size;
        ui::TRect placed;
    };
    for (const Case& c : {
             Case{{200, 300}, {120, 20}, ui::Rect(200, 300, 320, 320)},   // fits
             Case{{1050, 790}, {120, 20}, ui::Rect(980, 780, 1100, 800)}, // bottom right: moved in
             Case{{300, 100}, {1500, 20}, ui::Rect(100, 100, 1100, 120)}, // wider than the monitor
             Case{{300, 100}, {100, 900}, ui::Rect(300, 0, 400, 800)},    // higher than the monitor
             Case{{20, -50}, {100, 20}, ui::Rect(100, 0, 200, 20)},       // left of and above it
         }) {
        const ui::TRect placed = PlaceHintOnMonitor(c.origin, c.size, monitor);
        EXPECT_EQ(placed, c.placed) << c.origin.X << "," << c.origin.Y;
    }
}

class HintWindowTest : public uitest::UiTest {
protected:
    void SetUp() override {
        InstallHintWindow();
        InstallHintTuner(false);
        form.SetBounds(0, 0, 300, 100);
        button.SetParent(&form);
        button.SetBounds(10, 10, 80, 30);
        button.SetHint("Exit|Quits the application");
        button.SetShowHint(true);
        form.Show();
    }

    void HoverButton() {
        const QPoint pos(5, 5);
        QMouseEvent event(QEvent::MouseMove, pos, button.Widget()->mapToGlobal(pos), Qt::NoButton,
                          Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(button.Widget(), &event);
        clock->Advance(app.HintPause());
    }

    ui::TManualClockScope clock;
    ui::TApplication app;
    ui::TForm form{nullptr};
    ui::TCustomControl button{nullptr};
};

TEST_F(HintWindowTest, ShowsTheWholeHintInAPaddedBox) {
    HoverButton();
    auto* window = dynamic_cast<TAdvancedHintWindow*>(app.HintWindow());
    ASSERT_TRUE(window);
    EXPECT_EQ(window->Text(), "Exit|Quits the application");
    EXPECT_EQ(window->Width(), TextWidthInFont(window->Text(), ui::Screen->HintFont()) + 10);
    EXPECT_EQ(window->Height(), TextHeightInFont(window->Text(), ui::Screen->HintFont()) + 6);

    // A black frame around the info colour, and text from (5, 3) on.
    const QImage image = window->Widget()->grab().toImage();
    EXPECT_EQ(ui::FromQColor(image.pixelColor(0, 0)), ui::clBlack);
    EXPECT_EQ(ui::FromQColor(image.pixelColor(image.width() - 1, image.height() - 1)), ui::clBlack);
    EXPECT_EQ(ui::FromQColor(image.pixelColor(2, 2)), ui::ColorToRGB(ui::clInfoBk));
    int darkInText = 0;
    for (int x = 5; x < image.width() - 1; ++x)
        for (int y = 3; y < image.height() - 1; ++y)
            darkInText += image.pixelColor(x, y).lightness() < 100;
    EXPECT_GT(darkInText, 20);
}

TEST_F(HintWindowTest, AHintNearTheMonitorsCornerEndsAtItsEdges) {
    TAdvancedHintWindow window(nullptr);
    const ui::TRect monitor = ui::Screen->MonitorFromPoint({0, 0}).BoundsRect;
    window.ActivateHint(ui::Rect(monitor.Right - 5, monitor.Bottom - 5, monitor.Right, monitor.Bottom),
                        "Exit|Quits the application");
    EXPECT_EQ(window.Left() + window.Width(), monitor.Right);
    EXPECT_EQ(window.Top() + window.Height(), monitor.Bottom);
    EXPECT_GT(window.Width(), 100);
}

TEST_F(HintWindowTest, WithoutTheTunerOnlyTheShortPartShows) {
    InstallHintTuner(true);
    HoverButton();
    ASSERT_TRUE(app.HintWindow());
    EXPECT_EQ(app.HintWindow()->Text(), "Exit");
}

} // namespace
} // namespace app
