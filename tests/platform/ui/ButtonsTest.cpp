#include "platform/ui/Buttons.h"

#include "platform/ui/Application.h"
#include "platform/ui/Dialogs.h"
#include "platform/ui/Edits.h"
#include "support/UiTest.h"

#include <QCheckBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace ui {
namespace {

using ::testing::ElementsAre;

class ButtonsTest : public uitest::UiTest {
protected:
    TForm form{nullptr};
};

TEST_F(ButtonsTest, ACaptionSetBeforeTheWindowShowsWithItsMnemonicAndSurvivesRecreation) {
    TButton button(&form);
    button.SetParent(&form);
    button.SetCaption("&Sauvegarder ✓");
    button.SetDefault(true);
    for (int round = 0; round < 2; ++round) {
        auto* widget = qobject_cast<QPushButton*>(button.Handle());
        ASSERT_NE(widget, nullptr);
        EXPECT_EQ(widget->text().toStdString(), "&Sauvegarder ✓");
        EXPECT_TRUE(widget->isDefault());
        button.RecreateWnd();
    }
    button.SetCaption("Later");
    EXPECT_EQ(qobject_cast<QPushButton*>(button.Widget())->text().toStdString(), "Later");
}

TEST_F(ButtonsTest, AClickOfTheNativeButtonFiresOnClickOnce) {
    TButton button(&form);
    button.SetParent(&form);
    form.Show();
    int clicks = 0;
    button.OnClick = [&](TObject*) { ++clicks; };
    QTest::mouseClick(button.Widget(), Qt::LeftButton);
    EXPECT_EQ(clicks, 1);
    QTest::keyClick(button.Widget(), Qt::Key_Space);
    EXPECT_EQ(clicks, 2);
}

TEST_F(ButtonsTest, ReturnAndEscapeClickTheDefaultAndCancelButtons) {
    TEdit edit(&form);
    edit.SetParent(&form);
    TButton ok(&form), cancel(&form), other(&form);
    for (TButton* b : {&ok, &cancel, &other})
        b->SetParent(&form);
    ok.SetDefault(true);
    cancel.SetCancel(true);
    std::vector<std::string> clicked;
    ok.OnClick = [&](TObject*) { clicked.push_back("ok"); };
    cancel.OnClick = [&](TObject*) { clicked.push_back("cancel"); };
    other.OnClick = [&](TObject*) { clicked.push_back("other"); };
    form.Show();
    QTest::keyClick(edit.Widget(), Qt::Key_Return);
    QTest::keyClick(edit.Widget(), Qt::Key_Escape);
    // A focused button takes Return itself.
    other.SetFocus();
    QTest::keyClick(other.Widget(), Qt::Key_Return);
    EXPECT_THAT(clicked, ElementsAre("ok", "cancel", "other"));
}

TEST_F(ButtonsTest, ModalResultOfAButtonEndsShowModal) {
    TApplication app;
    TButton ok(&form);
    ok.SetParent(&form);
    ok.SetModalResult(mrOk);
    ok.SetDefault(true);
    TEdit edit(&form);
    edit.SetParent(&form);
    TDialogAnswers answers(nullptr, [&](TCustomForm&) { QTest::keyClick(edit.Widget(), Qt::Key_Return); });
    EXPECT_EQ(form.ShowModal(), mrOk);
}

TEST_F(ButtonsTest, ABitButtonsKindGivesItsCaptionModalResultAndRole) {
    struct Case {
        TBitBtnKind kind;
        const char* caption;
        TModalResult result;
        bool isDefault, isCancel;
    } cases[] = {{bkOK, "OK", mrOk, true, false},
                 {bkCancel, "Cancel", mrCancel, false, true},
                 {bkYes, "&Yes", mrYes, true, false},
                 {bkNo, "&No", mrNo, false, true},
                 {bkRetry, "&Retry", mrRetry, false, false},
                 {bkClose, "&Close", mrNone, false, false}};
    for (const Case& c : cases) {
        TBitBtn button(&form);
        button.SetCaption("Mine");
        button.SetKind(c.kind);
        EXPECT_EQ(button.Caption(), c.caption);
        EXPECT_EQ(button.ModalResult(), c.result) << c.caption;
        EXPECT_EQ(button.Default(), c.isDefault) << c.caption;
        EXPECT_EQ(button.Cancel(), c.isCancel) << c.caption;
    }
    TBitBtn custom(&form);
    custom.SetCaption("Mine");
    custom.SetKind(bkCustom);
    EXPECT_EQ(custom.Caption(), "Mine") << "a custom button keeps its own caption";
}

TEST_F(ButtonsTest, ABitButtonShowsItsGlyphWithTheTransparentColourSeeThrough) {
    TBitmap glyph(16, 16);
    glyph.Canvas()->Brush()->SetColor(clWhite);
    glyph.Canvas()->FillRect({0, 0, 16, 16});
    glyph.Canvas()->Brush()->SetColor(clRed);
    glyph.Canvas()->FillRect({4, 4, 12, 12});
    TBitBtn button(&form);
    button.SetParent(&form);
    button.SetCaption("&Run");
    button.SetGlyph(&glyph); // before the window: shown once it exists
    form.Show();
    for (int round = 0; round < 2; ++round) {
        auto* widget = qobject_cast<QPushButton*>(button.Widget());
        ASSERT_NE(widget, nullptr);
        const QImage icon = widget->icon().pixmap(16, 16).toImage();
        EXPECT_EQ(icon.pixelColor(0, 15).alpha(), 0) << "the bottom-left pixel's colour is transparent";
        EXPECT_EQ(icon.pixelColor(8, 8), QColor(Qt::red));
        button.RecreateWnd();
    }
    button.SetGlyph(nullptr);
    EXPECT_TRUE(qobject_cast<QPushButton*>(button.Widget())->icon().isNull());
}

TEST_F(ButtonsTest, ACloseBitButtonClosesItsForm) {
    form.Show();
    TBitBtn close(&form);
    close.SetParent(&form);
    close.SetKind(bkClose);
    close.Click();
    EXPECT_FALSE(form.Visible());
}

TEST_F(ButtonsTest, CheckBoxStateFiresOnClickFromCodeAndFromTheMouse) {
    TCheckBox box(&form);
    box.SetParent(&form);
    std::vector<TCheckBoxState> seen;
    box.OnClick = [&](TObject*) { seen.push_back(box.State()); };
    box.SetChecked(true);
    box.SetChecked(true); // no change, no click
    auto* widget = qobject_cast<QCheckBox*>(box.Handle());
    EXPECT_EQ(widget->checkState(), Qt::Checked);
    form.Show();
    QTest::mouseClick(widget, Qt::LeftButton, {}, QPoint(5, widget->height() / 2));
    EXPECT_FALSE(box.Checked());
    box.SetAllowGrayed(true);
    box.SetState(cbGrayed);
    box.RecreateWnd();
    EXPECT_EQ(qobject_cast<QCheckBox*>(box.Widget())->checkState(), Qt::PartiallyChecked);
    EXPECT_THAT(seen, ElementsAre(cbChecked, cbUnchecked, cbGrayed));
}

TEST_F(ButtonsTest, RadioButtonsOfOneParentCheckOneAtATime) {
    TRadioButton a(&form), b(&form), c(&form);
    TForm elsewhere(nullptr);
    TRadioButton apart(&elsewhere);
    apart.SetParent(&elsewhere);
    for (TRadioButton* r : {&a, &b, &c})
        r->SetParent(&form);
    std::vector<std::string> clicks;
    a.OnClick = [&](TObject*) { clicks.push_back("a"); };
    b.OnClick = [&](TObject*) { clicks.push_back("b"); };
    a.SetChecked(true);
    apart.SetChecked(true);
    b.SetChecked(true); // before any window
    EXPECT_FALSE(a.Checked());
    EXPECT_TRUE(apart.Checked());
    form.Show();
    EXPECT_TRUE(qobject_cast<QRadioButton*>(b.Widget())->isChecked());
    EXPECT_FALSE(qobject_cast<QRadioButton*>(a.Widget())->isChecked());
    QTest::mouseClick(a.Widget(), Qt::LeftButton, {}, QPoint(5, a.Widget()->height() / 2));
    EXPECT_TRUE(a.Checked());
    EXPECT_FALSE(b.Checked());
    // Clicking the checked one leaves it checked.
    QTest::mouseClick(a.Widget(), Qt::LeftButton, {}, QPoint(5, a.Widget()->height() / 2));
    EXPECT_TRUE(a.Checked());
    EXPECT_TRUE(qobject_cast<QRadioButton*>(a.Widget())->isChecked());
    EXPECT_THAT(clicks, ElementsAre("a", "b", "a"));
}

} // namespace
} // namespace ui
