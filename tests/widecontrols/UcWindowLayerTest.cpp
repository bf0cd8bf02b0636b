#include "widecontrols/uUcControls.h"
#include "widecontrols/uUcGraphics.h"

#include "platform/ui/Bitmap.h"
#include "platform/ui/Controls.h"
#include "platform/ui/Forms.h"
#include "support/UiTest.h"
#include "widecontrols/AnsiCodePageScope.h"
#include "widecontrols/TextChangeCounter.h"

#include <gtest/gtest.h>

#include <cerrno>

namespace widecontrols {
namespace {

class UcWindowLayerTest : public uitest::UiTest {};

TEST_F(UcWindowLayerTest, AWideTextSetBeforeTheWindowShowsAfterItsCreationAndSurvivesRecreation) {
    const AnsiCodePageScope latin(1252); // no 8-bit code page stands between a control and its text
    ui::TForm form(nullptr);
    ui::TCustomControl control(nullptr);
    control.SetParent(&form);
    SetControlWideText(control, u"\u4E2D\u6587 \U0001F600");
    EXPECT_FALSE(control.HandleAllocated());
    EXPECT_EQ(GetControlWideText(control), u"\u4E2D\u6587 \U0001F600");

    control.HandleNeeded();
    EXPECT_EQ(GetWindowTextWide(control), u"\u4E2D\u6587 \U0001F600");
    control.RecreateWnd();
    ASSERT_TRUE(control.HandleAllocated());
    EXPECT_EQ(GetControlWideText(control), u"\u4E2D\u6587 \U0001F600");
}

TEST_F(UcWindowLayerTest, SettingTheSameTextTwiceNotifiesOnce) {
    ui::TForm form(nullptr);
    ui::TCustomControl control(nullptr);
    control.SetParent(&form);
    control.HandleNeeded();
    const TextChangeCounter changes(control);
    SetControlWideText(control, u"\u03A9");
    SetControlWideText(control, u"\u03A9");
    EXPECT_EQ(changes.Count(), 1);
    SetWindowTextWide(control, u"\u03A9!");
    EXPECT_EQ(changes.Count(), 2);
}

TEST_F(UcWindowLayerTest, AGraphicControlsCaptionChangedByFrameworkCodeIsPickedUp) {
    ui::TGraphicControl label(nullptr);
    SetControlWideText(label, u"\u4E2D");
    label.SetCaption("plain");
    EXPECT_EQ(GetControlWideText(label), u"plain");
}

TEST_F(UcWindowLayerTest, HintsSplitAtTheBarAndFallBackToTheParent) {
    EXPECT_EQ(GetShortHintWide(u"a|b"), u"a");
    EXPECT_EQ(GetLongHintWide(u"a|b"), u"b");
    EXPECT_EQ(GetShortHintWide(u"\u4E2D"), u"\u4E2D");
    EXPECT_EQ(GetLongHintWide(u"\u4E2D"), u"\u4E2D");
    EXPECT_EQ(GetShortHintWide(u"a|b|c"), u"a");
    EXPECT_EQ(GetLongHintWide(u"a|b|c"), u"b|c");

    ui::TForm form(nullptr);
    ui::TCustomControl panel(nullptr);
    ui::TCustomControl control(nullptr);
    panel.SetParent(&form);
    control.SetParent(&panel);
    EXPECT_EQ(GetControlOrParentWideHint(control), u"");
    SetControlWideHint(form, u"form");
    SetControlWideHint(panel, u"\u00C4rger|Long \u4E2D");
    EXPECT_EQ(GetControlOrParentWideHint(control), u"\u00C4rger|Long \u4E2D");
    SetControlWideHint(control, u"own");
    EXPECT_EQ(GetControlOrParentWideHint(control), u"own");
    EXPECT_EQ(GetControlWideHint(panel), u"\u00C4rger|Long \u4E2D");
}

TEST_F(UcWindowLayerTest, WideTextIsMeasuredByTheCanvasFontOnly) {
    ui::TBitmap bitmap(200, 50);
    ui::TCanvas& canvas = *bitmap.Canvas();
    EXPECT_EQ(WideTextWidth(canvas, u""), 0);
    const int width = WideTextWidth(canvas, u"\u4E2D\u6587 text");
    EXPECT_GT(width, 0);
    EXPECT_EQ(width, canvas.TextWidth(u"\u4E2D\u6587 text"));

    ui::TRect first{0, 0, 0, 0};
    DrawTextWide(canvas, u"Wide", 1, first, ui::DT_CALCRECT | ui::DT_SINGLELINE);
    EXPECT_EQ(first.Right, canvas.TextWidth(u"W"));

    ui::TBitmap other(10, 10);
    other.Canvas()->Font()->Assign(canvas.Font());
    EXPECT_EQ(WideTextWidth(*other.Canvas(), u"\u4E2D\u6587 text"), width);
    canvas.Font()->SetSize(canvas.Font()->Size() * 2);
    EXPECT_GT(WideTextWidth(canvas, u"\u4E2D\u6587 text"), width);
}

TEST_F(UcWindowLayerTest, TheDialogUnitBaseFollowsTheFont) {
    ui::TBitmap bitmap(10, 10);
    ui::TCanvas& canvas = *bitmap.Canvas();
    canvas.Font()->SetSize(10);
    const ui::TSize base = AverageCharSize(canvas);
    EXPECT_EQ(base.cx,
              (canvas.TextWidth(u"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz") / 26 + 1) / 2);
    EXPECT_EQ(base.cy, canvas.TextMetrics().tmHeight);
    canvas.Font()->SetSize(20);
    EXPECT_NEAR(AverageCharSize(canvas).cx, 2 * base.cx, 1);
}

TEST(UcSystemErrorTest, TheSystemsTextForAnErrorNumber) {
    EXPECT_EQ(SysErrorMessageWide(ENOENT), u"No such file or directory");
    EXPECT_EQ(SysErrorMessageWide(0), u"Unspecified error (0) from system.");
    EXPECT_EQ(SysErrorMessageWide(99999), u"Unspecified error (99999) from system.");

    EXPECT_EQ(CheckOsResult(7), 7);
    errno = EACCES;
    try {
        CheckOsResult(0);
        ADD_FAILURE() << "no error";
    } catch (const rtl::EOSError& error) {
        EXPECT_EQ(error.Message(), "System Error. Code: 13. Permission denied");
    }
}

TEST(UcKeyCodeTest, KeyCharactersAreTheirOwnCharacters) {
    EXPECT_EQ(KeyCodeToWideChar(u'a'), u'a');
    EXPECT_EQ(KeyCodeToWideChar(0xE9), u'\u00E9');
    EXPECT_EQ(KeyCodeToWideChar(0x4E2D), u'\u4E2D');
}

} // namespace
} // namespace widecontrols
