#include "platform/ui/Grids.h"

#include "platform/ui/Canvas.h"
#include "platform/ui/QtBridge.h"
#include "support/UiTest.h"

#include <QTest>
#include <QWidget>

#include <gtest/gtest.h>

#include <vector>

namespace ui {
namespace {

// Ten cells of 20 pixels with 1-pixel lines, the first fixed, in 100 pixels.
TGridAxis TenCells() {
    TGridAxis axis;
    axis.SetDefaultSize(20);
    axis.SetCount(10);
    axis.SetFixedCount(1);
    axis.SetFirst(1);
    return axis;
}

TEST(GridAxisTest, PositionsAndHitsFollowTheFixedCellsAndTheFirstShown) {
    TGridAxis axis = TenCells();
    axis.SetSize(2, 30);
    axis.SetFirst(2);
    struct Case {
        int index;
        int start;
    } starts[] = {{0, 0}, {1, -1}, {2, 21}, {3, 52}, {4, 73}, {5, 94}, {6, -1}};
    for (const auto& c : starts)
        EXPECT_EQ(axis.Start(c.index, 100), c.start) << "cell " << c.index;
    struct Hit {
        int pos;
        int cell;
    } hits[] = {{0, 0}, {20, 0}, {21, 2}, {51, 2}, {52, 3}, {99, 5}, {100, -1}, {-1, -1}};
    for (const auto& h : hits)
        EXPECT_EQ(axis.At(h.pos, 100), h.cell) << "pixel " << h.pos;
    EXPECT_EQ(axis.LastFullyVisible(100), 4); // cell 5 is cut at the edge
    EXPECT_EQ(axis.FullyVisibleCount(100), 3);
}

TEST(GridAxisTest, ScrollingShowsACellWholeAndStopsAtTheEnds) {
    TGridAxis axis = TenCells();
    axis.ScrollToShow(6, 100); // three 21-pixel cells fit after the fixed one
    EXPECT_EQ(axis.First(), 4);
    EXPECT_EQ(axis.LastFullyVisible(100), 6);
    axis.ScrollToShow(2, 100);
    EXPECT_EQ(axis.First(), 2);
    axis.ScrollToShow(0, 100); // a fixed cell is always shown
    EXPECT_EQ(axis.First(), 2);
    axis.SetFirst(50);
    EXPECT_EQ(axis.First(), 9);
    axis.SetFirst(-3);
    EXPECT_EQ(axis.First(), 1);
    EXPECT_EQ(axis.MaxFirst(100), 7);
}

TEST(GridAxisTest, DividersAreFoundNearACellsFarEdge) {
    TGridAxis axis = TenCells();
    EXPECT_EQ(axis.DividerAt(20, 100, 2), 0);
    EXPECT_EQ(axis.DividerAt(43, 100, 2), 1);
    EXPECT_EQ(axis.DividerAt(30, 100, 2), -1);
}

class DrawGridTest : public uitest::UiTest {
protected:
    DrawGridTest() : grid(nullptr) {
        grid.SetColCount(6);
        grid.SetRowCount(20);
        grid.SetDefaultColWidth(40);
        grid.SetDefaultRowHeight(20);
        grid.SetBounds(0, 0, 150, 100);
        grid.Show();
    }
    TDrawGrid grid;
};

TEST_F(DrawGridTest, CellsArePaintedWithTheirStates) {
    struct Painted {
        int col, row;
        TGridDrawState state;
    };
    std::vector<Painted> cells;
    grid.OnDrawCell = [&](TObject*, int col, int row, const TRect& rect, TGridDrawState state) {
        cells.push_back({col, row, state});
        grid.Canvas()->Brush()->SetColor(col == 1 && row == 2 ? clRed : clWindow);
        grid.Canvas()->FillRect(rect);
    };
    const QImage image = grid.Handle()->grab().toImage();
    ASSERT_FALSE(cells.empty());
    for (const Painted& p : cells) {
        EXPECT_EQ(p.state.Contains(gdFixed), p.col == 0 || p.row == 0);
        EXPECT_EQ(p.state.Contains(gdSelected), p.col == 1 && p.row == 1);
    }
    const TRect red = grid.CellRect(1, 2);
    EXPECT_EQ(FromQColor(image.pixelColor(red.Left + 5, red.Top + 5)), clRed);
    // Only what fits is painted: four columns (the last cut) and five rows.
    EXPECT_EQ(cells.size(), 4u * 5u);
}

TEST_F(DrawGridTest, KeysMoveTheCurrentCellAndScrollToShowIt) {
    std::vector<int> topRows;
    grid.OnTopLeftChanged = [&](TObject*) { topRows.push_back(grid.TopRow()); };
    QTest::keyClick(grid.Widget(), Qt::Key_Right);
    QTest::keyClick(grid.Widget(), Qt::Key_Down);
    EXPECT_EQ((TGridCoord{grid.Col(), grid.Row()}), (TGridCoord{2, 2}));
    QTest::keyClick(grid.Widget(), Qt::Key_PageDown);
    EXPECT_EQ(grid.Row(), 2 + grid.VisibleRowCount());
    EXPECT_EQ(grid.TopRow(), grid.Row() - grid.VisibleRowCount() + 1);
    EXPECT_EQ(topRows.size(), 1u);
    QTest::keyClick(grid.Widget(), Qt::Key_End, Qt::ControlModifier);
    EXPECT_EQ(grid.Row(), 19);
    QTest::keyClick(grid.Widget(), Qt::Key_Home, Qt::ControlModifier);
    EXPECT_EQ(grid.Row(), 1); // the fixed row is never current
    EXPECT_EQ(grid.TopRow(), 1);
}

TEST_F(DrawGridTest, SelectCellCanRefuseAMove) {
    grid.OnSelectCell = [](TObject*, int col, int) { return col != 3; };
    QTest::keyClick(grid.Widget(), Qt::Key_Right);
    QTest::keyClick(grid.Widget(), Qt::Key_Right);
    EXPECT_EQ(grid.Col(), 2);
    const TRect cell = grid.CellRect(1, 3);
    QTest::mouseClick(grid.Widget(), Qt::LeftButton, {}, QPoint(cell.Left + 3, cell.Top + 3));
    EXPECT_EQ((TGridCoord{grid.Col(), grid.Row()}), (TGridCoord{1, 3}));
}

TEST_F(DrawGridTest, ColumnsSizeByMouseOnlyWithTheOption) {
    const TRect title = grid.CellRect(1, 0);
    auto drag = [&] {
        QTest::mousePress(grid.Widget(), Qt::LeftButton, {}, QPoint(title.Right, 5));
        QTest::mouseMove(grid.Widget(), QPoint(title.Right - 15, 5));
        QTest::mouseRelease(grid.Widget(), Qt::LeftButton, {}, QPoint(title.Right - 15, 5));
    };
    drag();
    EXPECT_EQ(grid.ColWidths(1), 40);
    TGridOptions options = grid.Options();
    options.Include(goColSizing);
    grid.SetOptions(options);
    drag();
    EXPECT_EQ(grid.ColWidths(1), 25);
}

} // namespace
} // namespace ui
