#include "platform/ui/DropTarget.h"
#include "platform/ui/Forms.h"
#include "platform/ui/Panels.h"

#include "support/UiTest.h"

#include <QCoreApplication>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QWidget>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace ui {
namespace {

// Records the calls and answers `effect` to each.
class RecordingTarget : public IDropTarget {
public:
    uint32_t effect = DROPEFFECT_NONE;
    std::vector<std::string> calls;
    uint32_t DragEnter(TPoint p, TShiftState shift) override { return Note("enter", p, shift); }
    uint32_t DragOver(TPoint p, TShiftState shift) override { return Note("over", p, shift); }
    void DragLeave() override { calls.push_back("leave"); }
    uint32_t Drop(TPoint p, TShiftState shift) override { return Note("drop", p, shift); }

private:
    uint32_t Note(const char* what, TPoint p, TShiftState shift) {
        calls.push_back(std::string(what) + " " + std::to_string(p.X) + "," + std::to_string(p.Y) +
                        (shift.Contains(ssCtrl) ? " ctrl" : ""));
        return effect;
    }
};

class DropTargetTest : public uitest::UiTest {
protected:
    DropTargetTest() {
        form.SetBounds(100, 100, 300, 200);
        panel.SetParent(&form);
        panel.SetBounds(20, 10, 200, 100);
        form.Show();
    }
    // A drag event at a client point of the panel; answers whether it was accepted and the action.
    std::pair<bool, Qt::DropAction> Send(QEvent::Type type, QPoint at, Qt::KeyboardModifiers keys = {}) {
        QMimeData data;
        data.setText("text");
        if (type == QEvent::Drop) {
            QDropEvent drop(at, Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton, keys);
            QCoreApplication::sendEvent(panel.Widget(), &drop);
            return {drop.isAccepted(), drop.dropAction()};
        }
        QDragMoveEvent move(at, Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton, keys, type);
        QCoreApplication::sendEvent(panel.Widget(), &move);
        return {move.isAccepted(), move.dropAction()};
    }

    TForm form{nullptr};
    TPanel panel{nullptr};
    RecordingTarget target;
};

TEST_F(DropTargetTest, TheTargetHearsTheDragInScreenCoordinatesAndItsAnswerIsTheDropAction) {
    ASSERT_TRUE(RegisterDragDrop(panel, &target));
    EXPECT_TRUE(panel.Widget()->acceptDrops());
    const TPoint origin = panel.ClientToScreen({0, 0});
    const std::string at = std::to_string(origin.X + 5) + "," + std::to_string(origin.Y + 6);

    target.effect = DROPEFFECT_SCROLL;
    EXPECT_EQ(Send(QEvent::DragEnter, {5, 6}), std::make_pair(true, Qt::IgnoreAction))
        << "an enter is taken so that the moves follow";
    EXPECT_EQ(Send(QEvent::DragMove, {5, 6}, Qt::ControlModifier), std::make_pair(false, Qt::IgnoreAction));
    target.effect = DROPEFFECT_COPY | DROPEFFECT_SCROLL;
    EXPECT_EQ(Send(QEvent::DragMove, {5, 6}), std::make_pair(true, Qt::CopyAction));
    QDragLeaveEvent leave;
    QCoreApplication::sendEvent(panel.Widget(), &leave);
    Send(QEvent::DragEnter, {5, 6});
    EXPECT_EQ(Send(QEvent::Drop, {5, 6}), std::make_pair(true, Qt::CopyAction));
    EXPECT_EQ(target.calls, (std::vector<std::string>{"enter " + at, "over " + at + " ctrl", "over " + at,
                                                      "leave", "enter " + at, "drop " + at}));

    RevokeDragDrop(panel);
    EXPECT_FALSE(panel.Widget()->acceptDrops());
    Send(QEvent::DragEnter, {5, 6});
    EXPECT_EQ(target.calls.size(), 6u) << "revoked: nobody hears it";
    RevokeDragDrop(panel); // twice does nothing
}

TEST_F(DropTargetTest, AWindowThatDoesNotExistTakesNoTarget) {
    TPanel unborn(nullptr);
    EXPECT_FALSE(RegisterDragDrop(unborn, &target));
}

TEST_F(DropTargetTest, ARegionShapesTheWindowUntilItIsTakenAway) {
    const TRegion shape = TRegion(TRect{0, 0, 50, 40}) | TRegion(TRect{10, 40, 30, 60});
    SetWindowRegion(form, &shape);
    EXPECT_TRUE(WindowRegion(form) == shape);
    SetWindowRegion(form, nullptr);
    EXPECT_TRUE(WindowRegion(form).IsEmpty());
}

} // namespace
} // namespace ui
