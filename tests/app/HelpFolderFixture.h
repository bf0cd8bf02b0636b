#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

namespace app {

// A help folder of the test's own with a small help structure: the category Contents (1) holds
// "Functions, Operators" (12, which holds Strings, 5) and Data Types (2).
class HelpFolderTest : public ::testing::Test {
protected:
    void SetUp() override {
        folder = (std::filesystem::temp_directory_path() /
                  ("help-" + std::to_string(::getpid()) + "-" +
                   ::testing::UnitTest::GetInstance()->current_test_info()->name()))
                     .string();
        std::filesystem::remove_all(folder);
        std::filesystem::create_directories(folder + "/topic_content");
    }
    void TearDown() override { std::filesystem::remove_all(folder); }

    void Write(const std::string& name, const std::string& text) {
        std::ofstream(folder + "/" + name, std::ios::binary) << text;
    }
    void WriteStandard() {
        Write("category", "0,1,Contents\r\n1,12,Functions, Operators\r\n12,5,Strings\r\n1,2,Data Types\r\n");
        Write("topic",
              "12,100,LEFT JOIN\r\n1,101,JOINED\r\n5,102,CONCAT\r\n2,103,Joins, Subqueries, and Set\r\n");
        Write("version", "10.11.0-test");
        Write("keyword", "7,JOIN\r\n8,NOTHING\r\n");
        Write("relation", "7,100\r\n7,999\r\n77,102\r\n");
    }

    std::string folder;
};

} // namespace app
