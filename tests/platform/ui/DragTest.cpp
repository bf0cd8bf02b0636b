#include "platform/ui/DragManager.h"
#include "platform/ui/Forms.h"
#include "platform/ui/Panels.h"

#include "platform/ui/QtBridge.h"
#include "support/UiTest.h"

#include <QApplication>
#include <QMouseEvent>
#include <QTest>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace ui {
namespace {

using ::testing::ElementsAre;

class DragTest : public uitest::UiTest {
protected:
    DragTest() {
        form.SetBounds(100, 100, 400, 200);
        for (auto [panel, left] :
             {std::pair{&source, 0}, std::pair{&target, 150}, std::pair{&refusing, 300}}) {
            panel->SetParent(&form);
            panel->SetBounds(left, 0, 100, 100);
        }
        source.OnMouseDown = [this](TObject*, TMouseButton, TShiftState, int, int) {
            source.BeginDrag(false, 5);
        };
        source.OnClick = [this](TObject*) { events.push_back("click"); };
        target.OnDragOver = [this](TObject*, TObject* from, int, int, TDragState state, bool& accept) {
            static const char* const kStates[] = {"enter", "leave", "move"};
            events.push_back(std::string("over ") + kStates[state]);
            accept = from == &source;
        };
        target.OnDragDrop = [this](TObject*, TObject* from, int x, int y) {
            events.push_back("drop at " + std::to_string(x) + "," + std::to_string(y));
            EXPECT_EQ(from, &source);
        };
        refusing.OnDragOver = [](TObject*, TObject*, int, int, TDragState, bool& accept) { accept = false; };
        source.OnStartDrag = [this](TObject*, TDragObject*&) { events.push_back("start"); };
        source.OnEndDrag = [this](TObject*, TObject* to, int, int) {
            events.push_back(to == &target ? "end on target" : to ? "end elsewhere" : "end cancelled");
        };
        form.Show();
    }

    // A mouse event of the source's window at a point of the form's client area.
    void Mouse(QEvent::Type type, int x, int y, Qt::MouseButtons buttons = Qt::LeftButton) {
        const TPoint screen = form.ClientToScreen({x, y});
        QCursor::setPos(screen.X, screen.Y);
        QWidget* window = source.Widget();
        const QPoint local = window->mapFromGlobal(QPoint(screen.X, screen.Y));
        QMouseEvent event(type, local, QPoint(screen.X, screen.Y), Qt::LeftButton, buttons, Qt::NoModifier);
        QApplication::sendEvent(window, &event);
    }

    TForm form{nullptr};
    TPanel source{&form}, target{&form}, refusing{&form};
    std::vector<std::string> events;
};

TEST_F(DragTest, PastTheThresholdTheDragStartsAndADropReachesTheTargetWithTheSource) {
    Mouse(QEvent::MouseButtonPress, 10, 10);
    Mouse(QEvent::MouseMove, 13, 12);
    EXPECT_TRUE(source.Dragging());
    EXPECT_FALSE(DragActive()) << "still inside the threshold";
    Mouse(QEvent::MouseMove, 20, 10);
    EXPECT_TRUE(DragActive());
    EXPECT_EQ(DragCursorShown(), crNoDrop) << "over the source, which takes no drop";
    Mouse(QEvent::MouseMove, 170, 20);
    EXPECT_EQ(DragCursorShown(), crDrag);
    Mouse(QEvent::MouseMove, 320, 20);
    EXPECT_EQ(DragCursorShown(), crNoDrop) << "the refusing target";
    Mouse(QEvent::MouseMove, 175, 30);
    Mouse(QEvent::MouseButtonRelease, 175, 30, Qt::NoButton);
    EXPECT_FALSE(source.Dragging());
    EXPECT_EQ(DragCursorShown(), crDefault);
    EXPECT_THAT(events, ElementsAre("start", "over enter", "over move", "over leave", "over enter",
                                    "over move", "drop at 25,30", "end on target"));
}

TEST_F(DragTest, ReleasedInsideTheThresholdItIsAClick) {
    Mouse(QEvent::MouseButtonPress, 10, 10);
    Mouse(QEvent::MouseMove, 12, 10);
    Mouse(QEvent::MouseButtonRelease, 12, 10, Qt::NoButton);
    EXPECT_FALSE(source.Dragging());
    EXPECT_THAT(events, ElementsAre("click"));
}

TEST_F(DragTest, EscapeCancelsWithoutADrop) {
    Mouse(QEvent::MouseButtonPress, 10, 10);
    Mouse(QEvent::MouseMove, 170, 20);
    QTest::keyClick(form.Widget(), Qt::Key_Escape);
    EXPECT_FALSE(source.Dragging());
    Mouse(QEvent::MouseButtonRelease, 170, 20, Qt::NoButton);
    EXPECT_THAT(events, ElementsAre("start", "over enter", "over move", "over leave", "end cancelled"));
}

TEST_F(DragTest, AnAutomaticDragAndADropOnARefusingTargetEndsWithoutATarget) {
    source.OnMouseDown = nullptr;
    source.SetDragMode(dmAutomatic);
    Mouse(QEvent::MouseButtonPress, 10, 10);
    Mouse(QEvent::MouseMove, 320, 20);
    Mouse(QEvent::MouseButtonRelease, 320, 20, Qt::NoButton);
    EXPECT_THAT(events, ElementsAre("start", "end cancelled"));
}

TEST_F(DragTest, ADragObjectOfTheSourceIsWhatTargetsSee) {
    TDragObject own;
    source.OnStartDrag = [&](TObject*, TDragObject*& object) { object = &own; };
    TObject* seen = nullptr;
    target.OnDragOver = [&](TObject*, TObject* from, int, int, TDragState, bool& accept) {
        seen = from;
        accept = true;
    };
    source.BeginDrag(true);
    Mouse(QEvent::MouseMove, 170, 20);
    EXPECT_EQ(seen, &own);
    EXPECT_EQ(own.DragTarget(), &target);
    source.EndDrag(false);
    EXPECT_FALSE(source.Dragging());
}

} // namespace
} // namespace ui
