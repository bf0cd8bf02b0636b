#include "widecontrols/uUcClipboard.h"
#include "widecontrols/uUcForms.h"

#include "platform/ui/Application.h"
#include "platform/ui/Clipboard.h"
#include "support/UiTest.h"
#include "widecontrols/AnsiCodePageScope.h"

#include <QApplication>
#include <QMouseEvent>
#include <QWidget>

#include <gtest/gtest.h>

namespace widecontrols {
namespace {

class UcApplicationTest : public uitest::UiTest {};

TEST_F(UcApplicationTest, ATitleSetBeforeTheApplicationExistsIsAppliedToIt) {
    ASSERT_EQ(ui::Application, nullptr);
    WideApplication().SetTitle(u"\u4E2D\u6587 Debugger");
    EXPECT_EQ(WideApplication().Title(), u"\u4E2D\u6587 Debugger");
    {
        ui::TApplication application;
        EXPECT_EQ(WideApplication().Title(), u"\u4E2D\u6587 Debugger");
        EXPECT_EQ(application.Title(), "\xE4\xB8\xAD\xE6\x96\x87 Debugger");
        WideApplication().SetTitle(u"\u03A9");
        EXPECT_EQ(application.Title(), "\xCE\xA9");
    }
    EXPECT_EQ(WideApplication().Title(), u"\u03A9");
}

TEST_F(UcApplicationTest, TheHintIsTheApplicationsHintAsWideText) {
    EXPECT_EQ(WideApplication().Hint(), u"");
    ui::TApplication application;
    WideApplication().SetHint(u"\u4E2D");
    EXPECT_EQ(application.Hint(), "\xE4\xB8\xAD");
    application.SetHint("\xCE\xA9 long");
    EXPECT_EQ(WideApplication().Hint(), u"\u03A9 long");
}

TEST_F(UcApplicationTest, TheHintFollowsTheLongHintOfTheHoveredControl) {
    ui::TApplication application;
    TUcForm form(nullptr);
    form.SetBounds(0, 0, 200, 100);
    ui::TCustomControl panel(nullptr);
    panel.SetParent(&form);
    panel.SetBounds(10, 10, 80, 40);
    form.SetWideHint(u"\u5F62|form \u5F62");
    panel.SetHint(WideToUtf8(u"\u03A9|long \u4E2D\u6587"));
    form.Show();
    const auto hover = [](ui::TWinControl& target) {
        QMouseEvent move(QEvent::MouseMove, QPointF(5, 6), target.Widget()->mapToGlobal(QPointF(5, 6)),
                         Qt::NoButton, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(target.Widget(), &move);
    };
    hover(panel);
    EXPECT_EQ(WideApplication().Hint(), u"long \u4E2D\u6587");
    hover(form);
    EXPECT_EQ(WideApplication().Hint(), u"form \u5F62");
}

TEST_F(UcApplicationTest, EveryWideFormHasTheDialogFontAndWideTexts) {
    TUcForm form(nullptr);
    EXPECT_EQ(form.Font()->Name(), "Tahoma");
    form.SetWideCaption(u"\u4E2D\u6587");
    form.HandleNeeded();
    EXPECT_EQ(form.WideCaption(), u"\u4E2D\u6587");
    form.SetWideHint(u"a|\u6587");
    EXPECT_EQ(form.WideHint(), u"a|\u6587");
}

TEST_F(UcApplicationTest, AcceleratorsCompareTheHotKeyIgnoringCase) {
    EXPECT_TRUE(IsWideAccelerator(u'n', u"&Name"));
    EXPECT_TRUE(IsWideAccelerator(u'N', u"&Name"));
    EXPECT_TRUE(IsWideAccelerator(u'\u00E4', u"&\u00C4rger"));
    EXPECT_FALSE(IsWideAccelerator(u'a', u"&Name"));
    EXPECT_FALSE(IsWideAccelerator(u'n', u"Name"));
    EXPECT_FALSE(IsWideAccelerator(u'&', u"a&&b"));
}

TEST_F(UcApplicationTest, TheClipboardGetsTheExactTextAndItsAnsiForm) {
    const AnsiCodePageScope latin(1252);
    UcClipboard().SetAsWideText(u"\u03A9mega \u4E2D");
    EXPECT_EQ(ui::Clipboard().AsWideText(), u"\u03A9mega \u4E2D");
    EXPECT_EQ(ui::Clipboard().GetData(ui::CF_TEXT), "?mega ?");

    UcClipboard().SetAsWideText(u"");
    EXPECT_EQ(ui::Clipboard().GetData(ui::CF_TEXT), "");
    EXPECT_EQ(ui::Clipboard().GetData(ui::CF_UNICODETEXT), "");
    EXPECT_EQ(ui::Clipboard().AsWideText(), u"");

    // With the default code page the 8-bit text loses nothing either.
    const AnsiCodePageScope utf8(CP_UTF8);
    UcClipboard().SetAsWideText(u"\u03A9");
    EXPECT_EQ(ui::Clipboard().GetData(ui::CF_TEXT), "\xCE\xA9");
}

} // namespace
} // namespace widecontrols
