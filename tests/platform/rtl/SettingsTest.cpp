#include "platform/rtl/Settings.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace rtl {
namespace {

class SettingsTest : public ::testing::Test {
protected:
    void SetUp() override {
        path = (std::filesystem::temp_directory_path() /
                ("settings-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "-" +
                 ::testing::UnitTest::GetInstance()->current_test_info()->name()))
                   .string();
        std::filesystem::remove(path);
    }
    void TearDown() override { std::filesystem::remove(path); }

    std::string path;
};

TEST_F(SettingsTest, DeleteKeyTakesItsSubkeysAndNoSiblingSharingThePrefix) {
    TSettings settings(path);
    for (const char* key : {"S\\a", "S\\a\\Modules\\0", "S\\a\\Modules\\1", "S\\ab", "S\\b"}) {
        ASSERT_TRUE(settings.OpenKey(key, true));
        settings.WriteString("v", key);
    }
    ASSERT_TRUE(settings.OpenKey("S\\a\\Modules\\0", false));
    EXPECT_TRUE(settings.DeleteKey("s\\A"));
    EXPECT_EQ(settings.CurrentKey(), "") << "the open key went with it";

    TSettings reread(path);
    EXPECT_FALSE(reread.KeyExists("S\\a"));
    EXPECT_FALSE(reread.KeyExists("S\\a\\Modules\\1"));
    EXPECT_TRUE(reread.KeyExists("S\\ab"));
    EXPECT_TRUE(reread.KeyExists("S\\b"));
    EXPECT_FALSE(reread.DeleteKey("S\\a"));
}

TEST_F(SettingsTest, BinaryValuesKeepEveryByteAndAreAKindOfTheirOwn) {
    const std::string bytes("VZ\0\n=\\\xff", 7);
    TSettings settings(path);
    ASSERT_TRUE(settings.OpenKey("S\\Layout", true));
    settings.WriteBinary("Docking", bytes);
    settings.WriteString("Text", "VZ");

    TSettings reread(path);
    ASSERT_TRUE(reread.OpenKey("S\\Layout", false));
    std::string read;
    ASSERT_TRUE(reread.ReadBinary("Docking", read));
    EXPECT_EQ(read, bytes);
    EXPECT_FALSE(reread.ReadBinary("Text", read));
    EXPECT_FALSE(reread.ReadBinary("Missing", read));
    EXPECT_EQ(reread.ReadString("Docking"), "");
}

} // namespace
} // namespace rtl
