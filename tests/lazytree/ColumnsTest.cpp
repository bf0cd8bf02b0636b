#include "FakeTreeHost.h"
#include "lazytree/LazyTreeColumns.h"
#include "lazytree/LazyTreeModel.h"
#include "platform/rtl/Exception.h"
#include "platform/rtl/Streams.h"

#include <gtest/gtest.h>

#include <vector>

namespace lazytree {
namespace {

// Three columns of 50 px in a 200 x 100 tree.
class ColumnsTest : public ::testing::Test {
protected:
    ColumnsTest() {
        for (int i = 0; i < 3; ++i)
            columns.Add();
    }
    std::vector<TColumnIndex> Order() const {
        std::vector<TColumnIndex> order;
        for (int p = 0; p < columns.Count(); ++p)
            order.push_back(columns.ColumnFromPosition(static_cast<uint32_t>(p)));
        return order;
    }

    test::TFakeTreeHost host;
    TLazyTreeModel tree{&host};
    TLazyTreeColumns columns{tree};
};

TEST_F(ColumnsTest, DeletingTheMainColumnPassesItOn) {
    columns.SetSortColumn(2);
    ASSERT_EQ(columns.MainColumn(), 0);
    TLazyTreeColumn& former1 = columns[1];
    columns.Delete(0);
    EXPECT_EQ(columns.MainColumn(), 0);
    EXPECT_EQ(&columns[0], &former1);
    EXPECT_EQ(former1.Index(), 0);
    EXPECT_EQ(columns.SortColumn(), 1);
    EXPECT_EQ(Order(), (std::vector<TColumnIndex>{0, 1}));
    columns.Delete(1); // the sort column
    EXPECT_EQ(columns.SortColumn(), NoColumn);
    columns.Delete(0);
    EXPECT_EQ(columns.MainColumn(), NoColumn);
    EXPECT_THROW(columns.Delete(0), rtl::EListError);
}

TEST_F(ColumnsTest, MovingAColumnKeepsThePositionsAndLeftEdges) {
    columns[2].SetPosition(0);
    EXPECT_EQ(Order(), (std::vector<TColumnIndex>{2, 0, 1}));
    EXPECT_EQ(columns[0].Position(), 1u);
    EXPECT_EQ(columns[0].Left(), 50);
    EXPECT_EQ(columns[2].Left(), 0);
    columns[2].SetPosition(10); // clamped to the last position
    EXPECT_EQ(Order(), (std::vector<TColumnIndex>{0, 1, 2}));
}

TEST_F(ColumnsTest, AMovedColumnTakesTheFixednessOfItsNeighbour) {
    columns[0].SetOptions(columns[0].Options() + TVTColumnOptions{coFixed});
    columns[2].SetPosition(0); // next to the fixed column
    EXPECT_TRUE(columns[2].Fixed());
    columns[0].SetPosition(2); // a fixed column moved behind a scrolling one
    EXPECT_FALSE(columns[0].Fixed());
}

TEST_F(ColumnsTest, WidthStaysWithinMinimumAndMaximum) {
    TLazyTreeColumn& column = columns[0];
    column.SetMaxWidth(15);
    EXPECT_EQ(column.Width(), 15);
    EXPECT_EQ(column.LastWidth(), 50);
    column.SetMinWidth(20);
    EXPECT_EQ(column.MinWidth(), 15);
    column.SetMinWidth(-3);
    EXPECT_EQ(column.MinWidth(), 0);
    column.SetWidth(5);
    EXPECT_EQ(column.Width(), 5);
    EXPECT_EQ(columns[1].Left(), 5);
}

TEST_F(ColumnsTest, ScrollWidthIsTheMeanRoundedToEven) {
    columns[0].SetWidth(10);
    columns[1].SetWidth(15);
    columns[2].SetOptions(columns[2].Options() - TVTColumnOptions{coVisible});
    EXPECT_EQ(columns.GetScrollWidth(), 12); // 12.5
    columns[1].SetWidth(17);
    EXPECT_EQ(columns.GetScrollWidth(), 14); // 13.5
    for (int i = 0; i < 2; ++i)
        columns[i].SetOptions(columns[i].Options() + TVTColumnOptions{coFixed});
    EXPECT_EQ(columns.GetScrollWidth(), tree.Indent());
}

TEST_F(ColumnsTest, ColumnAtAPoint) {
    columns[1].SetOptions(columns[1].Options() - TVTColumnOptions{coVisible});
    columns.UpdatePositions();
    EXPECT_EQ(columns.ColumnFromPoint({-1, 10}, true), InvalidColumn);
    EXPECT_EQ(columns.ColumnFromPoint({10, -1}, true), InvalidColumn);
    EXPECT_EQ(columns.ColumnFromPoint({10, 101}, true), InvalidColumn);
    EXPECT_EQ(columns.ColumnFromPoint({49, 90}, true), 0);
    EXPECT_EQ(columns.ColumnFromPoint({50, 90}, true), 2); // the hidden column takes no room
    EXPECT_EQ(columns.ColumnFromPoint({100, 90}, true), InvalidColumn);
    EXPECT_EQ(columns.TotalWidth(), 100);
    EXPECT_EQ(columns.GetNextVisibleColumn(0), 2);
    EXPECT_EQ(columns.GetPreviousVisibleColumn(2), 0);
    EXPECT_EQ(columns.GetPreviousVisibleColumn(0), InvalidColumn);
}

TEST_F(ColumnsTest, TheStreamKeepsEveryColumnAndTheOrder) {
    columns[0].Look().Text = u"Name \u00e9";
    columns[1].Look().Hint = u"hint";
    columns[1].SetWidth(77);
    columns[2].SetOptions(columns[2].Options() + TVTColumnOptions{coFixed, coUseCaptionAlignment});
    columns[2].Look().CaptionAlignment = 2;
    columns[2].Look().Color = ui::RGB(1, 2, 3);
    columns[0].SetPosition(2);
    rtl::TMemoryStream stream;
    columns.SaveToStream(stream);

    TLazyTreeColumns copy{tree};
    stream.SetPosition(0);
    copy.LoadFromStream(stream, TLazyTreeColumns::kStreamVersion);
    ASSERT_EQ(copy.Count(), 3);
    EXPECT_EQ(stream.Position(), stream.Size());
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(copy[i].Look(), columns[i].Look());
        EXPECT_EQ(copy[i].Options(), columns[i].Options());
        EXPECT_EQ(copy[i].Width(), columns[i].Width());
        EXPECT_EQ(copy[i].Position(), columns[i].Position());
        EXPECT_EQ(copy[i].Left(), columns[i].Left());
    }
}

TEST_F(ColumnsTest, OldStreamsConvertTheOptionBits) {
    // Version 1: one column; its option bits 4-6 move one place up, and bit 7 had no place then.
    rtl::TMemoryStream stream;
    const auto put = [&](int32_t value) { stream.WriteBuffer(&value, sizeof value); };
    put(1);
    put(0); // text
    put(0); // hint
    for (int32_t value : {60, 10, 10000, 0, -1, 0, 4, 4, 0})
        put(value);
    put(0x0F | (1 << 5) | (1 << 6) | (1 << 7)); // options
    put(7);                                     // tag
    put(1);                                     // alignment
    put(0);                                     // position array
    stream.SetPosition(0);
    columns.LoadFromStream(stream, 1);
    ASSERT_EQ(columns.Count(), 1);
    EXPECT_EQ(columns[0].Options(), (TVTColumnOptions{coAllowClick, coDraggable, coEnabled, coParentBidiMode,
                                                      coShowDropMark, coVisible}));
    EXPECT_EQ(columns[0].Look().Tag, 7);
    EXPECT_EQ(columns[0].Width(), 60);
}

TEST_F(ColumnsTest, AStreamClaimingMoreThanItHoldsIsRefused) {
    for (int32_t count : {1000000, -1}) {
        rtl::TMemoryStream stream;
        stream.WriteBuffer(&count, sizeof count);
        stream.SetPosition(0);
        EXPECT_THROW(columns.LoadFromStream(stream, TLazyTreeColumns::kStreamVersion), rtl::EStreamError);
    }
    rtl::TMemoryStream stream; // a text longer than the rest of the stream
    for (int32_t value : {1, 500000, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0})
        stream.WriteBuffer(&value, sizeof value);
    stream.SetPosition(0);
    EXPECT_THROW(columns.LoadFromStream(stream, TLazyTreeColumns::kStreamVersion), rtl::EStreamError);
}

} // namespace
} // namespace lazytree
