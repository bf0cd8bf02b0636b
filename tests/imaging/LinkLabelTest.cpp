#include "imaging/uLinkLabel.h"

#include <gtest/gtest.h>

#include "platform/ui/Bitmap.h"
#include "platform/ui/Messages.h"
#include "support/UiTest.h"

#include <utility>
#include <vector>

namespace imaging {
namespace {

using ui::TColor;

constexpr TColor kBlue = 0xFF0000;
constexpr TColor kRed = 0x0000FF;
constexpr TColor kPurple = 0x800080;

// Whether a smoothed text pixel has the hue of a pure colour: each of its strong channels well above
// each of its weak ones.
bool HasHue(TColor pixel, TColor hue) {
    const int channels[] = {ui::GetRValue(pixel), ui::GetGValue(pixel), ui::GetBValue(pixel)};
    const int strong[] = {ui::GetRValue(hue), ui::GetGValue(hue), ui::GetBValue(hue)};
    for (int a = 0; a < 3; ++a)
        for (int b = 0; b < 3; ++b)
            if (strong[a] > 0 && strong[b] == 0 && channels[a] < channels[b] + 60) return false;
    return true;
}

class LinkLabelTest : public uitest::UiTest {
protected:
    ui::TWinControl form{nullptr};
    TUxLinkLabel label{nullptr};
    std::vector<std::pair<int, std::string>> clicks;

    void SetUp() override {
        form.SetBounds(0, 0, 400, 200);
        label.SetParent(&form);
        label.SetWidth(300);
        label.Font()->SetName("Tahoma");
        label.OnLinkClick = [this](ui::TObject*, int number, const std::string& text) {
            clicks.emplace_back(number, text);
        };
    }

    void Mouse(uint32_t message, ui::TPoint p) {
        label.Perform(message, message == ui::WM_LBUTTONDOWN ? ui::MK_LBUTTON : 0, ui::PointToLParam(p));
    }
    TRect LinkRect(std::size_t n) const { return label.Tree().Root().LinkRects.at(n); }
    static ui::TPoint Middle(const TRect& r) { return {(r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2}; }
    int LineStep() {
        ui::TBitmap scratch(1, 1);
        scratch.Canvas()->SetFont(label.Font());
        return scratch.Canvas()->TextHeight(u"fg");
    }
    // Pixels of the hue inside a rectangle of the painted label.
    int PixelsOfHue(const TRect& rect, TColor hue) {
        ui::TBitmap bitmap(label.Width(), label.Height(), ui::pf32bit);
        label.PaintTo(*bitmap.Canvas());
        int count = 0;
        for (int y = rect.Top; y < rect.Bottom; ++y)
            for (int x = rect.Left; x < rect.Right; ++x)
                count += HasHue(bitmap.Canvas()->Pixel(x, y), hue);
        return count;
    }
};

TEST_F(LinkLabelTest, Defaults) {
    TUxLinkLabel fresh(nullptr);
    EXPECT_EQ(fresh.Width(), 160);
    EXPECT_EQ(fresh.Height(), 17);
    EXPECT_FALSE(fresh.Transparent());
    EXPECT_TRUE(fresh.AutoHeight());
    EXPECT_EQ(fresh.LinkColor(), kBlue);
    EXPECT_EQ(fresh.LinkColorClicked(), kRed);
    EXPECT_EQ(fresh.LinkColorHot(), kPurple);
    EXPECT_EQ(fresh.LinkStyle(), TFontStyles{ui::fsUnderline});
    EXPECT_FALSE(fresh.HotLinks());
    EXPECT_EQ(fresh.AboutMe(), "Version: 2.00");
}

TEST_F(LinkLabelTest, TheSameCaptionParsesOnce) {
    int changes = 0;
    label.OnCaptionChanged = [&](ui::TObject*) { ++changes; };
    label.SetCaption("<b>x</b>");
    const TNodeTree* tree = &label.Tree();
    label.SetCaption("<b>x</b>");
    EXPECT_EQ(&label.Tree(), tree);
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(label.TextLines().Count(), 1);
}

TEST_F(LinkLabelTest, ClicksReportTheLinkAndColourItWhilePressed) {
    label.SetCaption("go <link>one</link> or <link>t&lt;wo</link>");
    ASSERT_EQ(label.Tree().Root().LinkRects.size(), 2u);
    const TRect first = LinkRect(0);
    EXPECT_GT(PixelsOfHue(first, kBlue), 5);

    Mouse(ui::WM_LBUTTONDOWN, Middle(first));
    ASSERT_NE(label.ActiveLink(), nullptr);
    EXPECT_EQ(label.ActiveLink()->State, lsClicked);
    EXPECT_GT(PixelsOfHue(first, kRed), 5);
    EXPECT_EQ(PixelsOfHue(first, kBlue), 0);
    Mouse(ui::WM_LBUTTONUP, Middle(first));
    EXPECT_EQ(label.ActiveLink(), nullptr);
    EXPECT_GT(PixelsOfHue(first, kBlue), 5);

    Mouse(ui::WM_LBUTTONDOWN, Middle(LinkRect(1)));
    Mouse(ui::WM_LBUTTONUP, Middle(LinkRect(1)));
    EXPECT_EQ(clicks, (std::vector<std::pair<int, std::string>>{{0, "one"}, {1, "t<wo"}}));

    // Released elsewhere: nothing fires and the link is normal again.
    Mouse(ui::WM_LBUTTONDOWN, Middle(first));
    Mouse(ui::WM_LBUTTONUP, {first.Left - 10, first.Top});
    EXPECT_EQ(clicks.size(), 2u);
    EXPECT_EQ(label.ActiveLink(), nullptr);
    EXPECT_EQ(static_cast<TLinkNode*>(label.Tree().TopLevelNodes(ntLinkNode)[0])->State, lsNormal);
}

TEST_F(LinkLabelTest, HotLinksFollowTheMouse) {
    label.SetCaption("go <link>one</link>");
    const TRect link = LinkRect(0);
    Mouse(ui::WM_MOUSEMOVE, Middle(link));
    EXPECT_EQ(label.Cursor(), crLinkHand);
    EXPECT_EQ(label.ActiveLink(), nullptr); // not hot without HotLinks

    label.SetHotLinks(true);
    Mouse(ui::WM_MOUSEMOVE, Middle(link));
    ASSERT_NE(label.ActiveLink(), nullptr);
    EXPECT_EQ(label.ActiveLink()->State, lsHot);
    EXPECT_GT(PixelsOfHue(link, kPurple), 5);
    Mouse(ui::WM_MOUSEMOVE, {0, 0});
    EXPECT_EQ(label.Cursor(), ui::crDefault);
    EXPECT_EQ(label.ActiveLink(), nullptr);

    // A pressed link stays pressed while the mouse moves on and off it.
    Mouse(ui::WM_LBUTTONDOWN, Middle(link));
    Mouse(ui::WM_MOUSEMOVE, {0, 0});
    Mouse(ui::WM_MOUSEMOVE, Middle(link));
    EXPECT_EQ(label.ActiveLink()->State, lsClicked);
    label.Perform(ui::CM_MOUSELEAVE);
    EXPECT_EQ(label.ActiveLink()->State, lsClicked);
    Mouse(ui::WM_LBUTTONUP, Middle(link));
    EXPECT_EQ(clicks.size(), 1u);
}

TEST_F(LinkLabelTest, AutoHeightFitsTheLines) {
    label.SetMarginHeight(2);
    label.SetCaption("a,<br>b,<br>c");
    EXPECT_EQ(label.ClientHeight(), 3 * LineStep() + 2 * 2);
    label.SetCaption("a");
    EXPECT_EQ(label.ClientHeight(), LineStep() + 2 * 2);
}

// The hint window's settings: the whole client area, and the text centred vertically.
TEST_F(LinkLabelTest, LayoutCentresInTheClientArea) {
    label.SetAlign(ui::alClient);
    label.SetLayout(1);
    label.SetCaption("a");
    ASSERT_EQ(label.ClientHeight(), 200);
    EXPECT_EQ(label.MarginHeight(), 100 - LineStep() / 2);
    EXPECT_EQ(label.TextRect().Top, label.MarginHeight());
    EXPECT_EQ(label.ClientHeight(), 200);
    label.SetCaption("a<br>b");
    EXPECT_EQ(label.MarginHeight(), 100 - LineStep());
}

TEST_F(LinkLabelTest, MarginHeightMovesTheTextAtOnceOnlyFromZero) {
    label.SetMarginHeight(4);
    EXPECT_EQ(label.TextRect().Top, 4);
    label.SetMarginHeight(6);
    EXPECT_EQ(label.TextRect().Top, 4);
    label.SetWidth(250);
    EXPECT_EQ(label.TextRect().Top, 6);
    label.SetMarginWidth(3);
    EXPECT_EQ(label.TextRect().Left, 3);
    EXPECT_EQ(label.TextRect().Right, 247);
}

TEST_F(LinkLabelTest, TextLinesJoinWithoutSeparator) {
    rtl::TStringList lines;
    lines.Add("one,");
    lines.Add("two");
    label.SetTextLines(lines);
    EXPECT_EQ(label.Caption(), "one,two");
    EXPECT_EQ(label.TextLines().Count(), 1);
}

TEST_F(LinkLabelTest, TransparentLeavesTheBackground) {
    label.SetCaption("x");
    label.SetColor(kRed);
    const auto corner = [&] {
        ui::TBitmap bitmap(label.Width(), label.Height(), ui::pf32bit);
        bitmap.Canvas()->Brush()->SetColor(ui::clWhite);
        bitmap.Canvas()->FillRect({0, 0, label.Width(), label.Height()});
        label.PaintTo(*bitmap.Canvas());
        return bitmap.Canvas()->Pixel(label.Width() - 1, label.Height() - 1);
    };
    EXPECT_EQ(corner(), kRed);
    label.SetTransparent(true);
    EXPECT_EQ(corner(), ui::clWhite);
}

TEST_F(LinkLabelTest, DynamicPartsComeFromTheEvent) {
    label.OnDynamicTagInit = [](ui::TObject*, std::string& source, int number) {
        source = number == 0 ? "<b>zero</b>" : "";
    };
    label.SetCaption("<dynamic>x<dynamic>");
    const auto dynamics = label.Tree().TopLevelNodes(ntDynamicNode);
    ASSERT_EQ(dynamics.size(), 2u);
    EXPECT_EQ(static_cast<TAreaNode*>(dynamics[0])->GetText(), u"zero");
    EXPECT_EQ(static_cast<TAreaNode*>(dynamics[1])->Children().size(), 0u);
}

// A new font measures every word again.
TEST_F(LinkLabelTest, FontChangesRemeasure) {
    label.SetAutoHeight(false);
    label.SetCaption("aaaa bbbb");
    const int narrow = label.Tree().Root().CollectRects().front().Right;
    label.Font()->SetSize(20);
    EXPECT_GT(label.Tree().Root().CollectRects().front().Right, narrow);
}

} // namespace
} // namespace imaging
