#include "widecontrols/uUcActions.h"
#include "widecontrols/uUcMenus.h"

#include "platform/ui/Controls.h"
#include "platform/ui/ShortCuts.h"
#include "widecontrols/AnsiCodePageScope.h"

#include <gtest/gtest.h>

namespace widecontrols {
namespace {

struct HotKeyCase {
    std::u16string caption;
    int position;
    std::u16string hotKey;
    std::u16string stripped;
};

class UcHotKeyTest : public testing::TestWithParam<HotKeyCase> {};

TEST_P(UcHotKeyTest, FindsAndStripsTheHotKey) {
    const HotKeyCase& c = GetParam();
    EXPECT_EQ(WideHotKeyPosition(c.caption), c.position);
    EXPECT_EQ(WideGetHotKey(c.caption), c.hotKey);
    EXPECT_EQ(WideStripHotKey(c.caption), c.stripped);
}

INSTANTIATE_TEST_SUITE_P(Table, UcHotKeyTest,
                         testing::Values(HotKeyCase{u"a&&b&z", 6, u"z", u"a&bz"},
                                         HotKeyCase{u"&File", 2, u"F", u"File"},
                                         HotKeyCase{u"Save &\u4E2D", 7, u"\u4E2D", u"Save \u4E2D"},
                                         HotKeyCase{u"&a&b", 4, u"b", u"ab"}, // the last one counts
                                         HotKeyCase{u"a&&b", 0, u"", u"a&b"},
                                         HotKeyCase{u"end&", 0, u"", u"end"}, HotKeyCase{u"", 0, u"", u""}));

TEST(UcMenuTextTest, CaptionsCompareWithoutHotKeys) {
    EXPECT_TRUE(WideSameCaption(u"&\u00C4rger", u"\u00E4r&ger"));
    EXPECT_FALSE(WideSameCaptionExact(u"&\u00C4rger", u"\u00E4r&ger"));
    EXPECT_TRUE(WideSameCaptionExact(u"&\u00C4rger", u"\u00C4r&ger"));
    EXPECT_FALSE(WideSameCaption(u"&Open", u"&Opens"));
}

TEST(UcMenuTextTest, TheHotKeyMovesWhereTheSourceHasIt) {
    WideString target = u"\u4E2D&x";
    SyncHotKeyPosition(u"&\u4E2Dx", target);
    EXPECT_EQ(target, u"&\u4E2Dx");
    SyncHotKeyPosition(u"&\u4E2Dx", target);
    EXPECT_EQ(target, u"&\u4E2Dx");
    try {
        SyncHotKeyPosition(u"&ab", target);
        ADD_FAILURE() << "no error";
    } catch (const EUcInternalError& error) {
        EXPECT_EQ(error.Message(),
                  "Internal Error: SyncHotKeyPosition Failed (\"&ab\" <> \"&\xE4\xB8\xADx\").");
    }
}

TEST(UcMenuTextTest, ShortCutTexts) {
    using namespace ui;
    EXPECT_EQ(WideShortCutToText(scCtrl | 'V'), u"Ctrl+V");
    EXPECT_EQ(WideShortCutToText(scShift | scCtrl | scAlt | '5'), u"Shift+Ctrl+Alt+5");
    EXPECT_EQ(WideShortCutToText(scCtrl | 0x65), u"Ctrl+5"); // numeric pad 5 types a 5
    EXPECT_EQ(WideShortCutToText(0x78), u"F9");
    EXPECT_EQ(WideShortCutToText(scShift | 0x2E), Utf8ToWide(ShortCutToText(scShift | 0x2E)));
    EXPECT_EQ(WideShortCutToText(0), u"");
    EXPECT_EQ(VirtualKeyToWideChar('Q'), u'Q');
    EXPECT_EQ(VirtualKeyToWideChar(0x70), 0);
    EXPECT_EQ(WideKeyName(0x70), u"F1");
}

TEST(UcMenuItemTest, AWideActionsTextsReachItsMenuItemExactly) {
    const AnsiCodePageScope latin(1252); // where both captions below would be "?"
    TUcAction action(nullptr);
    TUcMenuItem item(nullptr);
    item.SetAction(&action);
    action.SetWideCaption(u"\u4E2D\u6587");
    EXPECT_EQ(item.WideCaption(), u"\u4E2D\u6587");
    action.SetWideCaption(u"\u6587\u4E2D");
    EXPECT_EQ(item.WideCaption(), u"\u6587\u4E2D");
    action.SetWideHint(u"\u03A9|long \u03A9");
    EXPECT_EQ(item.WideHint(), u"\u03A9|long \u03A9");
    EXPECT_EQ(MenuItemWideHint(item), u"\u03A9|long \u03A9");

    // An item whose caption differs only in the hot key stays linked.
    item.SetWideCaption(u"&\u6587\u4E2D");
    action.SetWideCaption(u"\u4E00");
    EXPECT_EQ(item.WideCaption(), u"\u4E00");
}

TEST(UcActionTest, AControlTakesTheCaptionOfAWideActionUnlessItHasItsOwn) {
    TUcAction action(nullptr);
    action.SetWideCaption(u"\u4E2D\u6587");
    action.SetWideHint(u"\u03A9|long");

    ui::TGraphicControl named(nullptr);
    named.SetName("btnRun");
    named.SetCaption("btnRun");
    ApplyActionToControl(named, &action, true);
    EXPECT_EQ(Utf8ToWide(named.Caption()), u"\u4E2D\u6587");
    EXPECT_EQ(Utf8ToWide(named.Hint()), u"\u03A9|long");

    ui::TGraphicControl own(nullptr);
    own.SetCaption("Own");
    own.SetHint("mine");
    ApplyActionToControl(own, &action, true);
    EXPECT_EQ(own.Caption(), "Own");
    EXPECT_EQ(own.Hint(), "mine");
    ApplyActionToControl(own, &action, false);
    EXPECT_EQ(Utf8ToWide(own.Caption()), u"\u4E2D\u6587");
    EXPECT_EQ(Utf8ToWide(own.Hint()), u"\u03A9|long");

    // A framework action is the framework's business.
    ui::TAction plain(nullptr);
    plain.SetCaption("plain");
    ApplyActionToControl(own, &plain, false);
    EXPECT_EQ(Utf8ToWide(own.Caption()), u"\u4E2D\u6587");
    EXPECT_EQ(GetActionWideCaption(&plain), u"plain");
    SetActionWideHint(&plain, u"\u6587");
    EXPECT_EQ(GetActionWideHint(&plain), u"\u6587");
}

} // namespace
} // namespace widecontrols
