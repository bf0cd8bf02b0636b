#include "platform/ui/Actions.h"
#include "platform/ui/Buttons.h"
#include "platform/ui/Forms.h"
#include "platform/ui/Menus.h"
#include "platform/ui/ToolBars.h"

#include "platform/ui/Application.h"
#include "platform/ui/Edits.h"
#include "support/UiTest.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTest>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace ui {
namespace {

using ::testing::ElementsAre;

class ControlActionsTest : public uitest::UiTest {
protected:
    ControlActionsTest() {
        run.SetActionList(&actions);
        run.SetCaption("&Run");
        run.SetHint("Run the routine");
        run.SetImageIndex(3);
        run.OnExecute = [this](TObject*) { ++executed; };
    }
    TForm form{nullptr};
    TActionList actions{&form};
    TAction run{&form};
    int executed = 0;
};

TEST_F(ControlActionsTest, CaptionEnabledCheckedAndHintFollowToALinkedButtonAndToolButton) {
    TCheckBox box(&form);
    box.SetParent(&form);
    TToolBar bar(&form);
    bar.SetParent(&form);
    auto* tool = new TToolButton(&form);
    tool->SetParent(&bar);
    box.SetAction(&run);
    tool->SetAction(&run);
    EXPECT_EQ(box.Caption(), "&Run");
    EXPECT_EQ(tool->ImageIndex(), 3);
    EXPECT_EQ(box.Hint(), "Run the routine");

    run.SetCaption("&Stop");
    run.SetEnabled(false);
    run.SetChecked(true);
    run.SetImageIndex(4);
    run.SetVisible(false);
    EXPECT_EQ(executed, 0) << "following the action's Checked is no click";
    EXPECT_EQ(box.Caption(), "&Stop");
    EXPECT_FALSE(box.Enabled());
    EXPECT_TRUE(box.Checked());
    EXPECT_TRUE(tool->Down());
    EXPECT_EQ(tool->ImageIndex(), 4);
    EXPECT_FALSE(tool->Visible());
    EXPECT_EQ(qobject_cast<QAbstractButton*>(box.Handle())->text().toStdString(), "&Stop");

    // A value of the control's own is no longer linked.
    box.SetCaption("Mine");
    run.SetCaption("&Go");
    EXPECT_EQ(box.Caption(), "Mine");
    EXPECT_EQ(tool->Caption(), "&Go");
    run.SetEnabled(true);
    EXPECT_TRUE(box.Enabled());
}

TEST_F(ControlActionsTest, AClickRunsTheActionUnlessOnClickIsAssigned) {
    TButton button(&form);
    button.SetParent(&form);
    button.SetAction(&run);
    form.Show();
    QTest::mouseClick(button.Widget(), Qt::LeftButton);
    EXPECT_EQ(executed, 1);
    int own = 0;
    button.OnClick = [&](TObject*) { ++own; };
    QTest::mouseClick(button.Widget(), Qt::LeftButton);
    EXPECT_EQ(executed, 1);
    EXPECT_EQ(own, 1);
    button.SetAction(nullptr);
    run.SetCaption("Changed");
    EXPECT_EQ(button.Caption(), "&Run") << "no longer linked";
}

TEST_F(ControlActionsTest, IdleUpdatesReachTheLinkedControlsOfShowingForms) {
    TApplication app;
    TForm shown(nullptr); // known to the application's screen
    TButton button(&shown);
    button.SetParent(&shown);
    button.SetAction(&run);
    bool ready = false;
    run.OnUpdate = [&](TObject*) { run.SetEnabled(ready); };
    shown.Show();
    app.Idle();
    EXPECT_FALSE(button.Enabled());
    ready = true;
    app.Idle();
    EXPECT_TRUE(button.Enabled());
    EXPECT_TRUE(button.Widget()->isEnabled());
}

TEST_F(ControlActionsTest, TheFormMenuIsItsMenuBarAndItsShortcutsRunOnce) {
    TMainMenu menu(&form);
    TMenuItem* file = new TMenuItem(&form);
    file->SetCaption("&File");
    menu.Items()->Add(file);
    TMenuItem* item = new TMenuItem(&form);
    item->SetAction(&run);
    file->Add(item);
    run.SetShortCut(ShortCut(VK_F1 + 8, TShiftState{ssShift}));
    TMemo memo(&form);
    memo.SetParent(&form);
    memo.SetAlign(alClient);
    form.SetMenu(&menu);
    form.Show();

    auto* bar = form.Widget()->findChild<QMenuBar*>();
    ASSERT_NE(bar, nullptr);
    ASSERT_EQ(bar->actions().size(), 1);
    EXPECT_EQ(bar->actions()[0]->text().toStdString(), "&File");
    EXPECT_EQ(memo.Top(), 0);
    EXPECT_EQ(form.ClientHeight(), form.Height() - bar->height())
        << "the bar takes room from the client area";
    QMenu* drop = bar->actions()[0]->menu();
    ASSERT_NE(drop, nullptr);
    emit drop->aboutToShow();
    ASSERT_EQ(drop->actions().size(), 1);
    EXPECT_EQ(drop->actions()[0]->text().toStdString(), "&Run\tShift+F9");

    QTest::keyClick(memo.Widget(), Qt::Key_F9, Qt::ShiftModifier);
    EXPECT_EQ(executed, 1);
    drop->actions()[0]->trigger();
    EXPECT_EQ(executed, 2);

    // A new top-level item shows after the next idle update.
    TMenuItem* help = new TMenuItem(&form);
    help->SetCaption("&Help");
    menu.Items()->Add(help);
    form.UpdateActions();
    EXPECT_EQ(bar->actions().size(), 2);
    form.SetMenu(nullptr);
    EXPECT_EQ(form.ClientHeight(), form.Height());
}

TEST_F(ControlActionsTest, TheActionListForgetsItsImagesWhenTheyGo) {
    auto* images = new TImageList(16, 16);
    actions.SetImages(images);
    EXPECT_EQ(actions.Images(), images);
    delete images;
    EXPECT_EQ(actions.Images(), nullptr);
}

} // namespace
} // namespace ui
