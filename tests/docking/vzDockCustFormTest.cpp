#include "docking/vzDockCustForm.h"

#include "docking/vzDockingUIStyles.h"
#include "docking/vzDockKeys.h"
#include "docking/vzStyleManager.h"
#include "MainFormFixture.h"
#include "platform/rtl/Streams.h"
#include "platform/ui/Buttons.h"
#include "platform/ui/Edits.h"
#include "platform/ui/KeyCodes.h"
#include "platform/ui/ListViews.h"
#include "platform/ui/Messages.h"
#include "platform/ui/PageControls.h"
#include "platform/ui/Panels.h"

#include <gtest/gtest.h>
#include <QImage>
#include <QWidget>

#include <algorithm>
#include <cstdlib>
#include <functional>

namespace docking::testing {
namespace {

using ui::TListItem;

// The setup dialog over the program's main form, its manager being designed.
class DockingSetupTest : public MainFormFixture {
protected:
    void SetUp() override {
        MainFormFixture::SetUp();
        styles = new uistyle::TvzStyleManager(form.get());
        manager->SetStyle(styles->Items()->Find("Themed"));
    }
    void TearDown() override {
        delete dialog;
        MainFormFixture::TearDown();
    }
    void Open(bool designing = true) { dialog = new TfrmDockingSetup(nullptr, manager, designing); }
    TListItem* Row(const std::string& caption) {
        for (int i = 0; i < dialog->lvPanels->Items().Count(); ++i)
            if (dialog->lvPanels->Items()[i]->Caption() == caption) return dialog->lvPanels->Items()[i];
        return nullptr;
    }
    std::string State(const std::string& caption) { return Row(caption)->SubItems()[0]; }
    bool PanelButtonsEnabled() {
        return dialog->btnRename->Enabled() && dialog->btnDelete->Enabled() && dialog->btnShow->Enabled() &&
               dialog->btnHide->Enabled();
    }
    void Key(ui::TWinControl* control, uint16_t key) { control->Perform(ui::WM_KEYDOWN, key, 0); }

    uistyle::TvzStyleManager* styles = nullptr;
    TfrmDockingSetup* dialog = nullptr;
};

TEST_F(DockingSetupTest, ThePanelListShowsEveryPanelWithItsState) {
    Open();
    EXPECT_EQ(dialog->Caption(), "Docking Setup");
    EXPECT_EQ(dialog->ClientWidth(), 368);
    ASSERT_EQ(dialog->lvPanels->Items().Count(), 9);
    EXPECT_TRUE(dialog->lvPanels->Items()[0]->Selected());
    EXPECT_TRUE(PanelButtonsEnabled());
    EXPECT_EQ(State("Work area"), "[Docked]");
    EXPECT_EQ(State("SQL"), "[Hidden]");
    EXPECT_FALSE(dialog->pnlSiteWarn->Visible());

    panels["Monitor"]->Float(ui::Bounds(100, 100, 200, 150));
    dialog->RefreshPanel(panels["Monitor"]);
    EXPECT_EQ(State("Monitor"), "[Undocked]");

    if (const char* dir = std::getenv("VELTRANE_GRAB_DIR")) {
        dialog->Show();
        for (int i = 0; i < dialog->pgcDockSetup->PageCount(); ++i) {
            dialog->pgcDockSetup->SetActivePageIndex(i);
            const std::string name = dialog->pgcDockSetup->Pages(i)->Caption();
            dialog->Widget()->grab().toImage().save(
                QString::fromStdString(std::string(dir) + "/docking-setup-" + name + ".png"));
        }
    }
}

TEST_F(DockingSetupTest, NewDeleteShowAndHideChangeThePanelsAndTheirRows) {
    Open();
    const int before = manager->Items().PanelCount();
    dialog->btnNew->Click();
    ASSERT_EQ(manager->Items().PanelCount(), before + 1);
    TvzCustomDockingControl* added = manager->Items().Panels(before);
    TListItem* row = dialog->lvPanels->Selected();
    ASSERT_NE(row, nullptr);
    EXPECT_EQ(row->Data(), added);
    EXPECT_EQ(row->Caption(), added->Caption());
    EXPECT_FALSE(added->Caption().empty());
    EXPECT_TRUE(added->Visible());

    dialog->lvPanels->SetSelected(Row("SQL"));
    dialog->btnShow->Click();
    EXPECT_EQ(State("SQL"), "[Undocked]") << "a panel never placed floats";
    dialog->lvPanels->SetSelected(Row("Output"));
    dialog->btnHide->Click();
    EXPECT_EQ(State("Output"), "[Hidden]");
    EXPECT_EQ(panels["Output"]->DockState(), dsHidden);

    // Deleting selects the row after, or the one before when the last goes.
    dialog->lvPanels->SetItemIndex(2);
    const std::string third = dialog->lvPanels->Items()[3]->Caption();
    dialog->btnDelete->Click();
    EXPECT_EQ(manager->Items().PanelCount(), before);
    EXPECT_EQ(dialog->lvPanels->Selected()->Caption(), third);
    const int last = dialog->lvPanels->Items().Count() - 1;
    const std::string beforeLast = dialog->lvPanels->Items()[last - 1]->Caption();
    dialog->lvPanels->SetItemIndex(last);
    dialog->btnDelete->Click();
    EXPECT_EQ(dialog->lvPanels->Selected()->Caption(), beforeLast);

    while (dialog->lvPanels->Items().Count() > 1)
        dialog->btnDelete->Click();
    EXPECT_TRUE(PanelButtonsEnabled());
    dialog->btnDelete->Click();
    EXPECT_EQ(manager->Items().PanelCount(), 0);
    EXPECT_EQ(dialog->lvPanels->Selected(), nullptr) << "the only panel went";
    EXPECT_FALSE(dialog->btnRename->Enabled());
    EXPECT_FALSE(dialog->btnDelete->Enabled());
    EXPECT_FALSE(dialog->btnShow->Enabled());
    EXPECT_FALSE(dialog->btnHide->Enabled());
    panels.clear();
}

TEST_F(DockingSetupTest, RenameEditsTheCaptionInPlace) {
    Open();
    dialog->Show();
    dialog->SelectPanel(panels["Output"], true);
    ASSERT_TRUE(dialog->edCaption->Visible());
    EXPECT_EQ(dialog->edCaption->Text(), "Output");
    EXPECT_FALSE(dialog->btnClose->Default()) << "Return belongs to the editor";
    dialog->edCaption->SetText("Server output");
    Key(dialog->edCaption, ui::VK_RETURN);
    EXPECT_FALSE(dialog->edCaption->Visible());
    EXPECT_TRUE(dialog->btnClose->Default());
    EXPECT_EQ(panels["Output"]->Caption(), "Server output");
    EXPECT_NE(Row("Server output"), nullptr);

    dialog->btnRename->Click();
    dialog->edCaption->SetText("Lost");
    Key(dialog->edCaption, ui::VK_ESCAPE);
    EXPECT_FALSE(dialog->edCaption->Visible());
    EXPECT_EQ(panels["Output"]->Caption(), "Server output") << "Escape cancels the edit";
    EXPECT_TRUE(dialog->Visible()) << "and leaves the dialog open";
}

TEST_F(DockingSetupTest, HidingWithoutADockingSiteFailsAndChangesNothing) {
    auto other = std::make_unique<ui::TForm>(nullptr);
    auto* lone = new TvzDockingManager(other.get());
    auto* panel = new TvzDockingControl(other.get());
    panel->SetCaption("Lone");
    panel->MakeVisible();
    TfrmDockingSetup setup(nullptr, lone, true);
    EXPECT_TRUE(setup.pnlSiteWarn->Visible());
    const bool visible = panel->Visible();
    try {
        setup.btnHide->Click();
        FAIL() << "no error";
    } catch (const EvzDocking& e) {
        EXPECT_EQ(e.Message(),
                  "vzDockigSite should be associated with vzDockingManager to perform this operation");
    }
    EXPECT_EQ(panel->Visible(), visible);
}

TEST_F(DockingSetupTest, ApplySetsTheChosenStyleAndIsDisabledAgain) {
    Open();
    ASSERT_EQ(dialog->lvStyles->Items().Count(), 7);
    EXPECT_FALSE(dialog->pnlStyleWarn->Visible());
    EXPECT_EQ(dialog->lvStyles->Selected()->Caption(), "Themed");
    EXPECT_FALSE(dialog->btnApply->Enabled()) << "the current style is selected";

    dialog->lvStyles->SetItemIndex(3);
    EXPECT_EQ(dialog->lvStyles->Selected()->Caption(), "Flat");
    EXPECT_TRUE(dialog->btnApply->Enabled());
    dialog->btnApply->Click();
    EXPECT_NE(dynamic_cast<uistyle::TvzFlatUIStyle*>(manager->Style()), nullptr);
    EXPECT_FALSE(dialog->btnApply->Enabled());

    // Choosing without applying, then closing, changes nothing.
    dialog->lvStyles->SetItemIndex(6);
    dialog->btnClose->Click();
    dialog = nullptr; // the dialog frees itself
    uitest::ProcessEvents();
    EXPECT_NE(dynamic_cast<uistyle::TvzFlatUIStyle*>(manager->Style()), nullptr);
}

TEST_F(DockingSetupTest, WithoutAStyleManagerTheInterfacePageOnlyWarns) {
    manager->SetStyle(nullptr);
    Open();
    EXPECT_TRUE(dialog->pnlStyleWarn->Visible());
    EXPECT_EQ(dialog->lvStyles->Items().Count(), 0);
    EXPECT_FALSE(dialog->btnApply->Enabled());
}

TEST_F(DockingSetupTest, SettingsShowTheManagerAndChangeItAtOnce) {
    Open();
    EXPECT_TRUE(dialog->chkHide->Checked());
    EXPECT_FALSE(dialog->chkUndock->Checked());
    EXPECT_TRUE(dialog->chkMax->Checked());
    EXPECT_TRUE(dialog->chkAutoDrag->Checked());
    EXPECT_FALSE(dialog->chkShowInside->Checked());

    dialog->chkUndock->SetChecked(true);
    dialog->chkHide->SetChecked(false);
    EXPECT_EQ(manager->CaptionButtons(), (TvzDockButtonItems{dbiUndock, dbiAutoHide, dbiMaximizeRestore}))
        << "the auto-hide button stays as it was";
    dialog->chkShowVert->SetChecked(true);
    EXPECT_EQ(manager->ShowContainerCaption(), (TvzContainerTypes{cntVertical, cntInsideBottom}));
    dialog->chkAutoDrag->SetChecked(false);
    EXPECT_FALSE(manager->AutoDragDocking());
    dialog->chkAutoHideButtons->SetChecked(true);
    EXPECT_TRUE(manager->ShowDisabledButtons());
    dialog->chkShowHint->SetChecked(false);
    EXPECT_FALSE(manager->ShowDockButtonHint());
}

TEST_F(DockingSetupTest, OutsideDesignThePanelsPageIsLeftOut) {
    Open(false);
    EXPECT_EQ(dialog->pgcDockSetup->PageCount(), 2);
    EXPECT_EQ(dialog->pgcDockSetup->ActivePage(), dialog->tsStyles);
    dialog->SelectPage("Settings");
    EXPECT_EQ(dialog->pgcDockSetup->ActivePage(), dialog->tsSettings);
    EXPECT_THROW(TfrmDockingSetup(nullptr, nullptr, true), rtl::EAssertionFailed);
}

TEST_F(DockingSetupTest, TheCustomizerDisablesTheFormsWhileItsDialogIsOpen) {
    TvzDockingManagerCustomizer& customizer = DockingCustomizer();
    form->Show();
    EXPECT_FALSE(customizer.IsCustomizing());
    customizer.Customize(manager, true, "Settings");
    ASSERT_NE(customizer.Dialog(), nullptr);
    EXPECT_TRUE(customizer.IsCustomizing());
    EXPECT_FALSE(form->Enabled());
    EXPECT_EQ(customizer.Dialog()->pgcDockSetup->ActivePage(), customizer.Dialog()->tsSettings);
    customizer.Customize(manager, true, "Interface");
    EXPECT_EQ(customizer.Dialog()->pgcDockSetup->ActivePage(), customizer.Dialog()->tsStyles);

    customizer.Customize(manager, false, "");
    EXPECT_FALSE(customizer.IsCustomizing());
    uitest::ProcessEvents();
    EXPECT_EQ(customizer.Dialog(), nullptr);
    EXPECT_TRUE(form->Enabled());
    ASSERT_TRUE(TfrmDockingSetup::RememberedPosition().has_value());

    // Freeing the manager's form takes the dialog with it.
    customizer.Customize(manager, true, "Settings");
    ASSERT_NE(customizer.Dialog(), nullptr);
    form.reset();
    uitest::ProcessEvents();
    EXPECT_EQ(customizer.Dialog(), nullptr);
    EXPECT_FALSE(customizer.IsCustomizing());
}

TEST_F(DockingSetupTest, FloatingOnTopAppliesOnlyWhenTheDialogCloses) {
    manager->SetFloatingFormOnTop(true);
    auto* floating = static_cast<TvzFloatingSite*>(manager->CreateFloatingSite({100, 100, 300, 250}, false));
    EXPECT_EQ(floating->Form()->FormStyle(), ui::fsStayOnTop);

    Open();
    EXPECT_TRUE(dialog->chkFloatOnTop->Checked());
    EXPECT_FALSE(manager->FloatingFormOnTop()) << "floating forms stay below the dialog";
    EXPECT_EQ(floating->Form()->FormStyle(), ui::fsNormal);
    for (bool onTop : {false, true, false}) {
        dialog->chkFloatOnTop->SetChecked(onTop);
        EXPECT_FALSE(manager->FloatingFormOnTop());
    }
    delete dialog;
    dialog = nullptr;
    EXPECT_FALSE(manager->FloatingFormOnTop());

    Open();
    dialog->chkFloatOnTop->SetChecked(true);
    delete dialog;
    dialog = nullptr;
    EXPECT_TRUE(manager->FloatingFormOnTop());
    EXPECT_EQ(floating->Form()->FormStyle(), ui::fsStayOnTop);
}

TEST_F(DockingSetupTest, SetupPagesAreLentToTheDialogOutsideDesign) {
    auto* extra = new ui::TPanel(form.get());
    extra->SetVisible(false);
    manager->SetupPages().push_back({extra, "Extra"});

    Open(true);
    EXPECT_EQ(extra->Parent(), nullptr) << "a designed manager has no setup pages";
    delete dialog;

    Open(false);
    ASSERT_EQ(dialog->pgcDockSetup->PageCount(), 3);
    ui::TTabSheet* page = dialog->pgcDockSetup->Pages(2);
    EXPECT_EQ(page->Caption(), "Extra");
    EXPECT_EQ(extra->Parent(), page);
    EXPECT_EQ(extra->Align(), ui::alClient);
    EXPECT_TRUE(extra->Visible());
    delete dialog;
    dialog = nullptr;
    EXPECT_EQ(extra->Parent(), nullptr);
    EXPECT_EQ(extra->Align(), ui::alNone);

    // A page control freed while lent is forgotten.
    Open(false);
    delete extra;
    delete dialog;
    dialog = nullptr;
}

TEST_F(DockingSetupTest, WhileCustomizingALoadRunsWithTheFormsEnabled) {
    TvzDockingManagerCustomizer& customizer = DockingCustomizer();
    form->Show();
    rtl::TMemoryStream layout;
    manager->SaveToStream(layout);
    customizer.Customize(manager, true, "Panels");
    ASSERT_FALSE(form->Enabled());

    std::vector<bool> enabledWhileLoading;
    manager->OnLoadControl = [&](TvzCustomDockingManager*, TvzCustomDockingControl*) {
        enabledWhileLoading.push_back(form->Enabled());
    };
    layout.SetPosition(0);
    manager->LoadFromStream(layout);
    ASSERT_FALSE(enabledWhileLoading.empty());
    EXPECT_TRUE(std::ranges::all_of(enabledWhileLoading, std::identity{}));
    EXPECT_FALSE(form->Enabled());

    rtl::TMemoryStream broken;
    broken.WriteBuffer("junk", 4);
    broken.SetPosition(0);
    EXPECT_ANY_THROW(manager->LoadFromStream(broken));
    EXPECT_FALSE(form->Enabled()) << "a failed load disables the forms again";

    // A panel's change while customising reaches its row.
    TvzCustomDockingControl* panel = manager->Items().Panels(0);
    panel->SetCaption("Renamed");
    EXPECT_EQ(customizer.Dialog()->lvPanels->Items()[0]->Caption(), "Renamed");

    customizer.Customize(manager, false, "");
    uitest::ProcessEvents();
    EXPECT_TRUE(form->Enabled());
}

} // namespace
} // namespace docking::testing
