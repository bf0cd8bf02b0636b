// Right-to-left layout: cells laid out from the right, columns kept to the right edge, the header
// mirrored, and hit tests that follow.
#include "StringTreeFixture.h"

#include <QMouseEvent>

namespace lazytree {
namespace {

using test::kBack;
using test::kFocusedSelection;
using test::kLines;
using test::kRow;
using ui::TColor;

class RightToLeftTest : public test::StringTreeWidgetTest {
protected:
    // The rightmost column of a row band that holds anything but the background and the selection.
    static int LastInk(const QImage& image, int top, int bottom) {
        for (int x = image.width() - 1; x >= 0; --x)
            for (int y = top; y < bottom; ++y)
                if (const TColor c = Pixel(image, x, y); c != kBack && c != kFocusedSelection) return x;
        return -1;
    }
    TVTNodeHitPositions HitAt(int x, int y) { return tree.HitTestAt(x, y).HitPositions; }
};

TEST_F(RightToLeftTest, RowsWithoutColumnsGrowFromTheRightEdge) {
    Fill(2, 2);
    model().ToggleNode(Top(0));
    tree.SetBiDiMode(bdRightToLeft);
    const int width = tree.ClientWidth();
    const QImage image = Grab();
    // The button mirrors into the rightmost indentation cell: its frame from width - 14 to width - 6.
    EXPECT_EQ(Pixel(image, width - 14, 5), kLines);
    EXPECT_EQ(Pixel(image, width - 6, 13), kLines);
    EXPECT_EQ(Pixel(image, 5, 5), kBack) << "nothing left where the button stands left to right";
    // The child's vertical line runs down the middle of that cell.
    int dots = 0;
    for (int y = kRow; y < 2 * kRow; ++y)
        dots += Pixel(image, width - 9, y) == kLines;
    EXPECT_EQ(dots, kRow / 2);
    // The texts stand right-aligned before the indentation: the child's one level further in.
    const int topText = LastInk(image.copy(0, 0, width - 18, kRow), 0, kRow);
    const int childText = LastInk(image.copy(0, 0, width - 36, 2 * kRow), kRow, 2 * kRow);
    EXPECT_GT(topText, width - 30);
    EXPECT_GT(childText, width - 48);
    EXPECT_LT(childText, width - 36);
    EXPECT_GT(FirstInk(image, 0, kRow), width - 100);

    // The text's rectangle (for the editor) follows: right-aligned before the indentation and margin.
    const TTreeRect text = model().GetDisplayRect(Top(0), NoColumn, true);
    EXPECT_EQ(text.Right, width - 22);
    EXPECT_GT(text.Left, width / 2);

    // Hit tests measure from the right as well.
    EXPECT_TRUE(HitAt(width - 10, 8).Contains(nhOnButton));
    EXPECT_TRUE(HitAt(width - 30, 8).Contains(nhOnText));
    EXPECT_TRUE(HitAt(20, 8).Contains(nhLeftOfText));
    EXPECT_FALSE(HitAt(10, 8).Contains(nhOnButton));

    tree.SetBiDiMode(bdLeftToRight);
    EXPECT_EQ(Pixel(Grab(), 5, 5), kLines);
    EXPECT_TRUE(HitAt(10, 8).Contains(nhOnButton));
}

TEST_F(RightToLeftTest, ImagesStandRightOfTheTextBeforeTheIndentation) {
    constexpr TColor kImage = 0x00C000;
    ShowImage(kImage);
    tree.OnGetImageIndex = [](TBaseLazyTree&, PLazyNode, TVTImageKind, TColumnIndex, bool&, int& index) {
        index = 0;
    };
    Fill(1);
    tree.SetBiDiMode(bdRightToLeft);
    const int width = tree.ClientWidth();
    const QImage image = Grab();
    // Indent 18 and margin 4 from the right: the image covers width - 38 to width - 23.
    EXPECT_EQ(Pixel(image, width - 23, 1), kImage);
    EXPECT_EQ(Pixel(image, width - 38, 16), kImage);
    EXPECT_EQ(Pixel(image, width - 39, 8), kBack) << "the gap of 2 before the text";
    EXPECT_LT(LastInk(image.copy(0, 0, width - 39, kRow), 0, kRow), width - 40);
    EXPECT_EQ(HitAt(width - 30, 8), (TVTNodeHitPositions{nhOnNode, nhOnNormalImage}));
    EXPECT_TRUE(HitAt(width - 50, 8).Contains(nhOnText));
}

class RightToLeftColumnsTest : public RightToLeftTest {
protected:
    void SetUp() override {
        RightToLeftTest::SetUp();
        AddColumns({u"Name", u"Type"}, 100);
        Fill(3, 1);
        header().SetOptions(header().Options() + TVTHeaderOptions{hoVisible});
        tree.SetBiDiMode(bdRightToLeft);
    }
    TVTHeader& header() { return tree.Header(); }
    void HeaderMouse(QEvent::Type type, int x) {
        const QPoint local = InWindow(x, 8 - header().Height());
        const Qt::MouseButtons buttons = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
        QMouseEvent event(type, local, widget()->mapToGlobal(local), Qt::LeftButton, buttons, Qt::NoModifier);
        QApplication::sendEvent(widget(), &event);
    }
};

TEST_F(RightToLeftColumnsTest, ColumnsKeepToTheRightAndTheirCellsAreMirrored) {
    ASSERT_EQ(tree.ClientWidth(), 300);
    EXPECT_EQ(tree.RTLOffset(), 100);
    EXPECT_EQ(header().Columns()[0].Look().BiDiMode, bdRightToLeft) << "the columns follow the tree";
    const QImage image = Grab();
    // The main column spans 100 to 200: its button stands at its right edge.
    EXPECT_EQ(Pixel(image, 200 - 14, 5), kLines);
    EXPECT_EQ(CountColor(image, {0, 0, 100, 3 * kRow}, kBack), 100 * 3 * kRow)
        << "nothing left of the columns";
    EXPECT_GT(LastInk(image.copy(0, 0, 200 - 18, kRow), 0, kRow), 150) << "the name right-aligned";
    EXPECT_GT(LastInk(image.copy(0, 0, 300, kRow), 0, kRow), 250) << "the type right-aligned";

    EXPECT_EQ(tree.HitTestAt(50, 5).HitPositions, (TVTNodeHitPositions{nhNowhere}));
    EXPECT_EQ(tree.HitTestAt(150, 5).HitColumn, 0);
    EXPECT_EQ(tree.HitTestAt(250, 5).HitColumn, 1);
    EXPECT_TRUE(tree.HitTestAt(190, 5).HitPositions.Contains(nhOnButton));

    // A column of its own mind stays left to right inside the mirrored layout.
    header().Columns()[1].Look().BiDiMode = bdLeftToRight;
    header().Columns()[1].SetOptions(header().Columns()[1].Options() - TVTColumnOptions{coParentBidiMode});
    tree.Invalidate();
    EXPECT_LT(FirstInk(Grab(), 0, kRow, 200), 215);
}

TEST_F(RightToLeftColumnsTest, AutoBidiOrderingReversesTheColumns) {
    TVTAutoOptions options = tree.Tree().Options().AutoOptions;
    options.Include(toAutoBidiColumnOrdering);
    tree.Tree().SetAutoOptions(options);
    tree.SetBiDiMode(bdLeftToRight);
    tree.SetBiDiMode(bdRightToLeft);
    EXPECT_EQ(header().Columns().ColumnFromPosition(0), 1);
    EXPECT_EQ(tree.HitTestAt(150, 5).HitColumn, 1);
    EXPECT_EQ(tree.HitTestAt(250, 5).HitColumn, 0);
    EXPECT_EQ(Pixel(Grab(), 300 - 14, 5), kLines) << "the main column is now the rightmost";
    tree.SetBiDiMode(bdLeftToRight);
    EXPECT_EQ(header().Columns().ColumnFromPosition(0), 0);
}

TEST_F(RightToLeftColumnsTest, HeaderIsMirroredAndSizedFromTheLeftEdge) {
    const QImage image = GrabHeader();
    const int height = header().Height();
    // Sections start at the offset; the area left of them is the header's background.
    EXPECT_EQ(CountColor(image, {0, 0, 98, height}, ui::ColorToRGB(header().Background())), 98 * height);
    // Captions are right-aligned in their sections.
    const auto inkIn = [&](int left, int right) {
        int last = -1;
        for (int x = left; x < right; ++x)
            for (int y = 3; y < height - 3; ++y)
                if (Pixel(image, x, y) == ui::ColorToRGB(tree.Font()->Color())) last = x;
        return last;
    };
    EXPECT_GT(inkIn(100, 200), 180);
    EXPECT_EQ(inkIn(100, 150), -1);

    // The sizing edge of a column is its left one: pulling it left widens the column.
    HeaderMouse(QEvent::MouseButtonPress, 100);
    HeaderMouse(QEvent::MouseMove, 80);
    HeaderMouse(QEvent::MouseButtonRelease, 80);
    EXPECT_EQ(header().Columns()[0].Width(), 120);
    EXPECT_EQ(tree.RTLOffset(), 80);
}

} // namespace
} // namespace lazytree
