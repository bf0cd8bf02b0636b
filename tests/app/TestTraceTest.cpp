#include "app/uTestTrace.h"

#include "platform/ui/Dialogs.h"
#include "support/UiTest.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace app {
namespace {

std::string Contents(const std::string& file) {
    std::ifstream in(file);
    return (std::stringstream() << in.rdbuf()).str();
}

class TestTraceTest : public uitest::UiTest {};

TEST_F(TestTraceTest, WritesEachMessageBoxAndPressesItsDefaultButton) {
    const std::string file = std::filesystem::temp_directory_path() / "veltrane-trace-test";
    std::filesystem::remove(file);
    setenv("VELTRANE_TRACE", file.c_str(), 1);
    {
        const TTestTrace trace;
        EXPECT_EQ(ui::MessageDlg("Connection succeeded!", ui::mtInformation, {ui::mbOK}), ui::mrOk);
        EXPECT_EQ(ui::MessageDlg("Store it?", ui::mtConfirmation, ui::mbYesNoCancel), ui::mrYes);
    }
    unsetenv("VELTRANE_TRACE");
    EXPECT_EQ(Contents(file), "Information: Connection succeeded!\nConfirm: Store it?\n");
    std::filesystem::remove(file);
}

} // namespace
} // namespace app
