#include <gtest/gtest.h>

#include <mysql.h>

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    mysql_library_init(0, nullptr, nullptr);
    const int result = RUN_ALL_TESTS();
    mysql_library_end();
    return result;
}
