// The mouse in the header: sizing, dragging and clicking columns.
#include "StringTreeFixture.h"

#include <QMouseEvent>

namespace lazytree {
namespace {

class HeaderMouseTest : public test::StringTreeWidgetTest {
protected:
    void SetUp() override {
        StringTreeWidgetTest::SetUp();
        AddColumns({u"Name", u"Type", u"Size"}, 80);
        Fill(3);
        header().SetOptions(header().Options() + TVTHeaderOptions{hoVisible, hoDblClickResize});
        tree.OnHeaderClick = [this](TVTHeader&, const TVTHeaderHitInfo& hit) {
            events += "click " + std::to_string(hit.Column) + " ";
        };
        tree.OnHeaderDragged = [this](TVTHeader&, TColumnIndex column, uint32_t old) {
            events += "dragged " + std::to_string(column) + " from " + std::to_string(old) + " ";
        };
        tree.OnAfterColumnWidthTracking = [this](TVTHeader&, TColumnIndex column) {
            events += "sized " + std::to_string(column) + " ";
        };
    }
    TVTHeader& header() { return tree.Header(); }
    TLazyTreeColumn& column(TColumnIndex index) { return header().Columns()[index]; }
    // A mouse event at x and at y from the header's top, in the tree's window.
    void Mouse(QEvent::Type type, int x, int y, Qt::MouseButtons buttons = Qt::LeftButton) {
        const QPoint local = InWindow(x, y - header().Height());
        QMouseEvent event(type, local, widget()->mapToGlobal(local), Qt::LeftButton, buttons, Qt::NoModifier);
        QApplication::sendEvent(widget(), &event);
    }
    void Press(int x, int y = 8) { Mouse(QEvent::MouseButtonPress, x, y); }
    void Move(int x, int y = 8) { Mouse(QEvent::MouseMove, x, y); }
    void Release(int x, int y = 8) { Mouse(QEvent::MouseButtonRelease, x, y, Qt::NoButton); }
    std::string Order() {
        std::string order;
        for (uint32_t position = 0; position < 3; ++position)
            order += std::to_string(header().Columns().ColumnFromPosition(position));
        return order;
    }

    std::string events;
};

TEST_F(HeaderMouseTest, PullingAColumnsRightEdgeSizesItAndTheColumnsAfterFollow) {
    Move(81);
    EXPECT_EQ(tree.Cursor(), ui::crHSplit) << "over the splitter";
    Move(40);
    EXPECT_NE(tree.Cursor(), ui::crHSplit);
    Press(81);
    Move(120);
    EXPECT_EQ(column(0).Width(), 120);
    EXPECT_EQ(column(1).Left(), 120);
    Release(120);
    EXPECT_EQ(events, "sized 0 ");
    EXPECT_EQ(header().DownColumn(), NoColumn);

    column(1).SetMinWidth(30);
    Press(199); // the edge between 1 and 2 at 200
    Move(130);
    EXPECT_EQ(column(1).Width(), 30) << "not below its minimum";
    QTest::keyClick(widget(), Qt::Key_Escape);
    EXPECT_EQ(events, "sized 0 sized 1 ");
    Move(180);
    EXPECT_EQ(column(1).Width(), 30) << "Escape ended the sizing";
    Release(180);
    EXPECT_EQ(events, "sized 0 sized 1 ");
}

TEST_F(HeaderMouseTest, AClickReportsTheColumnAndCanSortByIt) {
    model().SetAutoOptions(model().Options().AutoOptions + TVTAutoOptions{toAutoSort});
    tree.OnHeaderClick = [this](TVTHeader& sender, const TVTHeaderHitInfo& hit) {
        events += "click " + std::to_string(hit.Column) + " ";
        if (sender.SortColumn() == hit.Column)
            sender.SetSortDirection(sender.SortDirection() == sdAscending ? sdDescending : sdAscending);
        sender.SetSortColumn(hit.Column);
    };
    model().OnCompareNodes = [](TLazyTreeModel&, PLazyNode a, PLazyNode b, TColumnIndex, int& result) {
        result = static_cast<int>(a->Index) - static_cast<int>(b->Index);
    };
    PLazyNode first = Top(0);
    Press(100);
    EXPECT_EQ(header().DownColumn(), 1);
    Release(102);
    EXPECT_EQ(events, "click 1 ");
    EXPECT_EQ(header().SortColumn(), 1);
    Press(100);
    Release(100);
    EXPECT_EQ(header().SortDirection(), sdDescending);
    EXPECT_EQ(Top(2), first) << "sorted descending";

    Press(100);
    Release(20); // let go over another column: a click on none
    EXPECT_EQ(events, "click 1 click 1 click -1 ");
}

TEST_F(HeaderMouseTest, DraggingAColumnPastTheThresholdMovesItWhereTheDropMarkShows) {
    Press(20);
    Move(22);
    EXPECT_EQ(header().DropTargetColumn(), NoColumn) << "inside the drag threshold";
    Move(200);
    EXPECT_EQ(header().DropTargetColumn(), 2);
    EXPECT_FALSE(header().DropBefore()) << "right half";
    EXPECT_EQ(header().DownColumn(), NoColumn);
    Move(170);
    EXPECT_TRUE(header().DropBefore()) << "left half";
    model().Colors().Set(TVTColors::DropMarkColor, 0x00C000);
    QImage image = widget()->grab().toImage();
    if (const char* dir = std::getenv("LAZYTREE_TEST_PNG_DIR"))
        image.save(QString::fromUtf8(dir) + "/header_drag.png");
    image = image.copy(0, 0, image.width(), header().Height());
    EXPECT_GT(CountColor(image, {160, 0, 170, header().Height()}, 0x00C000), 10)
        << "the mark at column 2's left";
    EXPECT_EQ(CountColor(image, {0, 0, 160, header().Height()}, 0x00C000), 0);
    Release(170);
    EXPECT_EQ(Order(), "102");
    EXPECT_EQ(events, "dragged 0 from 0 ");
    EXPECT_EQ(header().DropTargetColumn(), NoColumn);

    Press(100); // column 0, now second
    Move(230);
    Release(230);
    EXPECT_EQ(Order(), "120");

    events.clear();
    Press(20);
    Move(230);
    QTest::keyClick(widget(), Qt::Key_Escape);
    Release(230);
    EXPECT_EQ(Order(), "120") << "Escape drops nothing";
    EXPECT_EQ(events, "");
}

TEST_F(HeaderMouseTest, DoubleClickOnTheSplitterFitsTheColumnToItsContent) {
    QTest::mouseDClick(widget(), Qt::LeftButton, {}, InWindow(80, 8 - header().Height()));
    const int fitted = column(0).Width();
    EXPECT_LT(fitted, 80);
    EXPECT_GT(fitted, 30);
}

} // namespace
} // namespace lazytree
