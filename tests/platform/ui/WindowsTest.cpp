#include "platform/ui/Forms.h"
#include "platform/ui/WindowPlacement.h"
#include "platform/ui/WindowWatcher.h"

#include "support/UiTest.h"

#include <QWidget>

#include <gtest/gtest.h>

#include <vector>

namespace ui {
namespace {

class WindowsTest : public uitest::UiTest {};

TEST_F(WindowsTest, APlacementKeepsTheNormalRectangleOfAMaximisedWindow) {
    TForm form(nullptr);
    form.SetBounds(30, 40, 200, 150);
    form.Show();
    TWindowPlacement placement;
    ASSERT_TRUE(GetWindowPlacement(form.Handle(), placement));
    EXPECT_EQ(placement.showCmd, SW_SHOWNORMAL);
    EXPECT_EQ(placement.rcNormalPosition, Bounds(30, 40, 200, 150));

    form.SetWindowState(wsMaximized);
    ASSERT_TRUE(GetWindowPlacement(form.Handle(), placement));
    EXPECT_EQ(placement.showCmd, SW_SHOWMAXIMIZED);
    EXPECT_EQ(placement.rcNormalPosition, Bounds(30, 40, 200, 150));

    // Put back elsewhere and normal.
    placement.showCmd = SW_SHOWNORMAL;
    placement.rcNormalPosition = Bounds(50, 60, 220, 170);
    ASSERT_TRUE(SetWindowPlacement(form.Handle(), placement));
    EXPECT_EQ(form.WindowState(), wsNormal);
    EXPECT_EQ(form.BoundsRect(), Bounds(50, 60, 220, 170));
    placement.showCmd = SW_HIDE;
    SetWindowPlacement(form.Handle(), placement);
    EXPECT_FALSE(form.Handle()->isVisible());
    EXPECT_FALSE(GetWindowPlacement(nullptr, placement));
}

TEST_F(WindowsTest, AWatcherHearsWhatHappensToAnyWindowUntilItGoes) {
    std::vector<TWindowEvent> events;
    auto* window = new QWidget;
    TWindowWatcher watcher(window, [&](TWindowEvent e) { events.push_back(e); });
    window->show();
    uitest::ProcessEvents();
    events.clear();
    window->move(10, 10);
    window->resize(99, 77);
    window->hide();
    delete window;
    EXPECT_EQ(events, (std::vector<TWindowEvent>{weMove, weResize, weHide, weDestroy}));
    EXPECT_EQ(watcher.Window(), nullptr);
}

TEST_F(WindowsTest, AWatcherOfAControlsWindowSeesItsRecreation) {
    std::vector<TWindowEvent> events;
    TForm form(nullptr);
    form.HandleNeeded();
    {
        TWindowWatcher watcher(form.Handle(), [&](TWindowEvent e) { events.push_back(e); });
        form.RecreateWnd();
    }
    ASSERT_FALSE(events.empty());
    EXPECT_EQ(events.back(), weDestroy);
}

} // namespace
} // namespace ui
