#include "imaging/uMarkupRenderer.h"

#include <gtest/gtest.h>

#include "imaging/uMarkupParser.h"
#include "platform/rtl/Utf.h"
#include "platform/ui/Bitmap.h"
#include "platform/ui/Canvas.h"
#include "support/UiTest.h"

#include <sstream>

namespace imaging {
namespace {

constexpr TColor kLinkBlue = 0xFF0000;
constexpr TColor kHotPurple = 0x800080;

// One pixel per character and lines of ten pixels; remembers what was drawn.
class TFakeCanvas : public IMarkupCanvas {
public:
    struct TPiece {
        int X, Y;
        std::string Text;
        bool Bold;
        TColor Color;
    };
    std::vector<TPiece> Drawn;

    TFontStyles FontStyles() const override { return styles_; }
    void SetFontStyles(TFontStyles styles) override { styles_ = styles; }
    void SetFontColor(TColor color) override { color_ = color; }
    int TextWidth(std::u16string_view text) override { return static_cast<int>(text.size()); }
    int TextHeight(std::u16string_view) override { return styles_.Contains(ui::fsBold) ? 99 : 10; }
    void TextOut(int x, int y, std::u16string_view text) override {
        Drawn.push_back({x, y, rtl::Utf16ToUtf8(text), styles_.Contains(ui::fsBold), color_});
    }
    // "text@x,y" for every piece, bold ones marked with "*".
    std::string Pieces() const {
        std::ostringstream out;
        for (const TPiece& piece : Drawn)
            out << (piece.Bold ? "*" : "") << piece.Text << "@" << piece.X << "," << piece.Y << " ";
        return out.str();
    }

private:
    TFontStyles styles_;
    TColor color_ = 0;
};

struct TLayout {
    std::unique_ptr<TNodeTree> Tree;
    TFakeCanvas Canvas;
    TDefaultRenderer Renderer;

    TLayout(std::u16string_view caption, const TRect& rect) {
        ResetNodeCounters();
        Tree = TDefaultParser().Parse(caption);
        Renderer.LinkColor = kLinkBlue;
        Renderer.LinkColorHot = kHotPurple;
        Renderer.LinkStyle = {ui::fsUnderline};
        Renderer.RenderTree(Canvas, rect, *Tree);
    }
    TLinkNode& Link(std::size_t n) { return static_cast<TLinkNode&>(*Tree->TopLevelNodes(ntLinkNode).at(n)); }
};

struct TLayoutCase {
    std::u16string Caption;
    int Right;
    std::string Pieces;
    int Height;
};

TEST(MarkupRenderer, Layouts) {
    const TLayoutCase cases[] = {
        // Wraps between words; the blank before the wrap is not drawn.
        {u"aaaa bbbb cccc dddd eeee", 20, "aaaa bbbb cccc dddd@0,0 eeee@0,10 ", 20},
        {u"aaaa bbbb", 20, "aaaa bbbb@0,0 ", 10},
        // A run of blanks never wraps by itself.
        {u"aaaa bbbb cccc dddd         ", 20, "aaaa bbbb cccc dddd         @0,0 ", 10},
        // Bold glued to plain wraps as one word: "bb" alone would still fit after "aaaa ".
        {u"aaaa <b>bb</b>cc dd", 8, "aaaa @0,0 *bb@0,10 cc dd@2,10 ", 20},
        {u"aaaa <b>bb</b> cc dd", 8, "aaaa @0,0 *bb@5,0 @7,0 cc dd@0,10 ", 20},
        {u"ab<br>cd", 20, "ab@0,0 cd@0,10 ", 20},
        {u"ab<p>cd", 20, "ab@0,0 cd@0,20 ", 30},
        // The first word stays on the first line however wide; so does a wide word after a break.
        {u"abcdefghij", 5, "abcdefghij@0,0 ", 10},
        {u"ab<br>abcdefghij", 5, "ab@0,0 abcdefghij@0,10 ", 20},
        {u"abc defghijkl", 5, "abc@0,0 defghijkl@0,10 ", 20},
    };
    for (const TLayoutCase& c : cases) {
        TLayout layout(c.Caption, {0, 0, c.Right, 100});
        EXPECT_EQ(layout.Canvas.Pieces(), c.Pieces) << rtl::Utf16ToUtf8(c.Caption);
        EXPECT_EQ(layout.Renderer.RenderedHeight(), c.Height) << rtl::Utf16ToUtf8(c.Caption);
    }
}

TEST(MarkupRenderer, RenderedHeightCountsFromTheTop) {
    TLayout layout(u"aaaa bbbb cccc dddd eeee", {3, 5, 23, 100});
    EXPECT_EQ(layout.Renderer.RenderedHeight(), 5 + 2 * 10);
}

TEST(MarkupRenderer, LinksGetOneRectanglePerLinePieceAndTheirColours) {
    TLayout layout(u"x <link>aaaa bbbb cccc dddd</link> <link>e</link>", {0, 0, 20, 100});
    EXPECT_EQ(layout.Tree->Root().LinkRects,
              (std::vector<TRect>{{2, 0, 17, 10}, {0, 10, 4, 20}, {5, 10, 6, 20}}));
    EXPECT_EQ(layout.Canvas.Drawn[1].Color, kLinkBlue);
    EXPECT_EQ(layout.Canvas.Drawn.front().Color, ui::clWindowText);
    EXPECT_EQ(layout.Link(0).StartingPoint, (TPoint{2, 0}));

    EXPECT_EQ(layout.Tree->GetNodeFromPoint({1, 15}, ntLinkNode), &layout.Link(0));
    EXPECT_EQ(layout.Tree->GetNodeFromPoint({5, 15}, ntLinkNode), &layout.Link(1));
    EXPECT_EQ(layout.Tree->GetNodeFromPoint({1, 5}, ntLinkNode), nullptr);
    EXPECT_TRUE(layout.Tree->IsPointInNodeClass({3, 3}, ntLinkNode));
    EXPECT_FALSE(layout.Tree->IsPointInNodeClass({0, 3}, ntLinkNode));

    // A link in another state keeps its colour through a full layout.
    layout.Link(1).State = lsHot;
    layout.Canvas.Drawn.clear();
    layout.Renderer.RenderTree(layout.Canvas, {0, 0, 20, 100}, *layout.Tree);
    EXPECT_EQ(layout.Canvas.Drawn.back().Color, kHotPurple);
}

// A link whose text waits in the buffer behind glued text learns its start when the text is placed;
// drawing it alone starts there.
TEST(MarkupRenderer, AreasLearnWhereTheirTextStarts) {
    TLayout layout(u"aa<link><b>bb</b>cc</link>", {0, 0, 50, 100});
    EXPECT_EQ(layout.Link(0).StartingPoint, (TPoint{2, 0}));
    layout.Canvas.Drawn.clear();
    layout.Renderer.RenderNode(layout.Canvas, {0, 0, 50, 100}, layout.Link(0));
    EXPECT_EQ(layout.Canvas.Pieces(), "*bb@2,0 cc@4,0 ");
}

class MarkupRendererOnACanvas : public uitest::UiTest {};

// The real font: the link's text is drawn in the link colour inside its rectangle, the rest not.
TEST_F(MarkupRendererOnACanvas, DrawsLinksInTheLinkColour) {
    ui::TBitmap bitmap(200, 40, ui::pf32bit);
    ui::TCanvas& canvas = *bitmap.Canvas();
    canvas.Brush()->SetColor(ui::clWhite);
    canvas.FillRect({0, 0, 200, 40});
    canvas.Brush()->SetStyle(ui::bsClear);
    canvas.Font()->SetName("Tahoma");
    ResetNodeCounters();
    const auto tree = TDefaultParser().Parse(u"plain <link>LINK</link>");
    TDefaultRenderer renderer;
    renderer.LinkColor = kLinkBlue;
    TMarkupCanvas markupCanvas(canvas);
    renderer.RenderTree(markupCanvas, {0, 0, 200, 40}, *tree);
    ASSERT_EQ(tree->Root().LinkRects.size(), 1u);
    const TRect link = tree->Root().LinkRects.front();
    EXPECT_EQ(renderer.RenderedHeight(), canvas.TextHeight(u"fg"));
    EXPECT_EQ(link.Left, canvas.TextWidth(u"plain "));
    // Edges are smoothed, so blue means blue well above red and green.
    const auto bluish = [](TColor c) {
        return ui::GetBValue(c) > ui::GetRValue(c) + 60 && ui::GetBValue(c) > ui::GetGValue(c) + 60;
    };
    int blueInside = 0, blueOutside = 0;
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 200; ++x)
            if (bluish(canvas.Pixel(x, y))) ++(PointInRect(link, {x, y}) ? blueInside : blueOutside);
    EXPECT_GT(blueInside, 20);
    EXPECT_EQ(blueOutside, 0);
}

} // namespace
} // namespace imaging
