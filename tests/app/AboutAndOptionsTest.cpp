// The about box and the options dialog, offscreen.
#include <gtest/gtest.h>

#include "app/fruCodeEditor.h"
#include "app/fruTextEditor.h"
#include "app/fuAbout.h"
#include "app/fuOptions.h"
#include "app/uCodeCompletionOptions.h"
#include "app/uWindowFileHelpers.h"
#include "platform/ui/Application.h"
#include "platform/ui/Buttons.h"
#include "platform/ui/Dialogs.h"
#include "platform/ui/Labels.h"
#include "platform/ui/PageControls.h"
#include "platform/ui/Panels.h"
#include "support/UiTest.h"

#include <QImage>
#include <QWidget>

namespace app {
namespace {

class AboutAndOptionsTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { uitest::EnsureApplication(); }

    static void Grab(ui::TWinControl& control, const char* path) {
        const QImage shot = control.Widget()->grab().toImage();
        ASSERT_FALSE(shot.isNull());
        shot.save(path);
    }

    const ui::TApplication application;
};

// The eight options in the dialog's order.
std::vector<bool*> Options() {
    return {&AutoCodeParameters,  &AutoCodeCompletion, &TooltipExpressionEvaluation, &AllowJoins,
            &AllowJoinConditions, &AllowDatabases,     &AllowEmbeddedFunctions,      &AllowKeywords};
}

std::vector<bool> OptionValues() {
    std::vector<bool> values;
    for (bool* option : Options())
        values.push_back(*option);
    return values;
}

void SetOptionValues(const std::vector<bool>& values) {
    for (std::size_t i = 0; i < values.size(); ++i)
        *Options()[i] = values[i];
}

TEST_F(AboutAndOptionsTest, TheAboutBoxShowsTheVersionAndClosesWithOK) {
    TfmAbout about(nullptr);
    EXPECT_EQ(about.Caption(), "About Veltrane");
    EXPECT_EQ(about.ClientWidth(), 500);
    EXPECT_EQ(about.ClientHeight(), 300);
    EXPECT_EQ(about.laVersion->Caption(), "Version: " + GetAppVersionString());
    EXPECT_EQ(about.buClose->Caption(), "Close");
    EXPECT_TRUE(about.buClose->Default());
    EXPECT_TRUE(about.buClose->Cancel());
    about.Show();
    Grab(about, "/tmp/png/about.png");

    const ui::TDialogAnswers answers(
        nullptr, [](ui::TCustomForm& form) { dynamic_cast<TfmAbout&>(form).buClose->Click(); });
    about.Hide();
    EXPECT_EQ(about.ShowModal(), ui::mrOk);
}

TEST_F(AboutAndOptionsTest, CancelLeavesTheOptionsAndOKAppliesTheCheckBoxes) {
    const std::vector<bool> saved = OptionValues();
    const std::vector<bool> start{true, false, true, false, true, true, false, true};
    SetOptionValues(start);
    TfmOptions dialog(nullptr);
    const std::vector<ui::TCheckBox*> boxes{dialog.chAutoCodeParameters,
                                            dialog.chAutoCodeCompletion,
                                            dialog.chTooltipExpressionEvaluation,
                                            dialog.chCodeCompletionJoins,
                                            dialog.chCodeCompletionJoinExpressions,
                                            dialog.chCodeCompletionDatabases,
                                            dialog.chCodeCompletionSystemFunctions,
                                            dialog.chCodeCompletionKeywords};
    EXPECT_EQ(dialog.tsEditor->Caption(), "Editor");
    EXPECT_EQ(dialog.gbAutomaticFeatures->Caption(), " Automatic features ");
    EXPECT_EQ(dialog.gbCodeCompletion->Caption(), " Code completion ");
    const std::vector<std::string> captions{"Code parameters",
                                            "Code completion",
                                            "Tooltip expression evaluation",
                                            "Joins",
                                            "Join conditions",
                                            "Databases",
                                            "Embedded functions",
                                            "Keywords"};
    for (std::size_t i = 0; i < boxes.size(); ++i)
        EXPECT_EQ(boxes[i]->Caption(), captions[i]);

    std::vector<bool> shown;
    {
        const ui::TDialogAnswers answers(nullptr, [&](ui::TCustomForm&) {
            for (auto* box : boxes) {
                shown.push_back(box->Checked());
                box->SetChecked(!box->Checked());
            }
            Grab(dialog, "/tmp/png/options.png");
            dialog.buCancel->Click();
        });
        EXPECT_FALSE(dialog.ShowOptions());
    }
    EXPECT_EQ(shown, start) << "the boxes show the options";
    EXPECT_EQ(OptionValues(), start) << "cancelled: nothing changes";

    {
        const ui::TDialogAnswers answers(nullptr, [&](ui::TCustomForm&) {
            EXPECT_TRUE(boxes[1]->Checked() == false) << "filled again from the options";
            for (auto* box : boxes)
                box->SetChecked(!box->Checked());
            dialog.buOk->Click();
        });
        EXPECT_TRUE(dialog.ShowOptions());
    }
    std::vector<bool> flipped;
    for (bool value : start)
        flipped.push_back(!value);
    EXPECT_EQ(OptionValues(), flipped);
    SetOptionValues(saved);
}

} // namespace
} // namespace app
