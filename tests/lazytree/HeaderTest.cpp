#include "FakeTreeHost.h"
#include "lazytree/LazyTreeHeader.h"
#include "lazytree/LazyTreeModel.h"

#include <gtest/gtest.h>

namespace lazytree {
namespace {

class HeaderTest : public ::testing::Test {
protected:
    test::TFakeTreeHost host{300, 83};
    TLazyTreeModel tree{&host};
    TVTHeader header{tree};
    TLazyTreeColumns& columns = header.Columns();
};

TEST_F(HeaderTest, AutoResizeKeepsTheColumnAsWideAsTheTree) {
    TLazyTreeColumn& column = columns.Add();
    header.SetOptions(header.Options() + TVTHeaderOptions{hoAutoResize});
    EXPECT_EQ(column.Width(), 300);
    column.SetWidth(120); // the rule's alone
    EXPECT_EQ(column.Width(), 300);
    host.Resize(200, 83);
    header.TreeResized();
    EXPECT_EQ(column.Width(), 200);
    column.SetMinWidth(250);
    EXPECT_EQ(column.Width(), 250);
}

TEST_F(HeaderTest, TheAutoSizeColumnTakesWhatTheOthersLeave) {
    columns.Add();
    columns.Add();
    header.SetAutoSizeIndex(0);
    header.SetOptions(header.Options() + TVTHeaderOptions{hoAutoResize});
    EXPECT_EQ(columns[0].Width(), 250);
    columns[1].SetWidth(100);
    EXPECT_EQ(columns[0].Width(), 200);
    EXPECT_EQ(columns[1].Left(), 200);
}

TEST_F(HeaderTest, HeightStaysWithinItsLimits) {
    header.SetHeight(5);
    EXPECT_EQ(header.Height(), 10); // MinHeight
    header.SetMaxHeight(8);
    EXPECT_EQ(header.MaxHeight(), 10);
    header.SetMaxHeight(30);
    header.SetHeight(40);
    EXPECT_EQ(header.Height(), 30);
    // The tree is 100 pixels with its header: at most a tenth of it.
    header.SetHeight(17);
    header.FixedAreaConstraints().MaxHeightPercent = 10;
    header.SetHeight(25);
    EXPECT_EQ(header.Height(), 10);
}

TEST_F(HeaderTest, MainAndSortColumnStayWithinTheColumns) {
    header.SetMainColumn(3);
    EXPECT_EQ(header.MainColumn(), NoColumn);
    columns.Add();
    columns.Add();
    EXPECT_EQ(header.MainColumn(), 0); // the first column takes it
    header.SetMainColumn(5);
    EXPECT_EQ(header.MainColumn(), 1);
    header.SetSortColumn(-7);
    EXPECT_EQ(header.SortColumn(), NoColumn);
    header.SetSortColumn(9);
    EXPECT_EQ(header.SortColumn(), 1);
}

TEST_F(HeaderTest, DropPositionsFollowTheDirectionOfTheMove) {
    for (int i = 0; i < 4; ++i)
        columns.Add();
    EXPECT_EQ(header.DropPosition(0, 2, true), 1u);
    EXPECT_EQ(header.DropPosition(0, 2, false), 2u);
    EXPECT_EQ(header.DropPosition(3, 1, true), 1u);
    EXPECT_EQ(header.DropPosition(3, 1, false), 2u);
    EXPECT_EQ(header.DropPosition(1, 0, true), 0u);
}

TEST_F(HeaderTest, SpringColumnsShareEveryChangeAndCarryTheFractions) {
    for (int i = 0; i < 3; ++i)
        columns.Add();
    for (int i : {0, 2})
        columns[i].SetOptions(columns[i].Options() + TVTColumnOptions{coAutoSpring});
    header.SetOptions(header.Options() + TVTHeaderOptions{hoAutoSpring});
    host.Resize(303, 83);
    header.TreeResized();
    EXPECT_EQ(columns[0].Width(), 51); // 1.5 each: one pixel, half a pixel kept
    EXPECT_EQ(columns[1].Width(), 50);
    EXPECT_EQ(columns[2].Width(), 51);
    host.Resize(304, 83);
    header.TreeResized();
    EXPECT_EQ(columns[0].Width(), 52);
    EXPECT_EQ(columns[2].Width(), 52);
    host.Resize(300, 83);
    header.TreeResized();
    EXPECT_EQ(columns[0].Width(), 50);
    EXPECT_EQ(columns[2].Width(), 50);
}

} // namespace
} // namespace lazytree
