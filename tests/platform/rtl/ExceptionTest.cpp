#include "platform/rtl/Exception.h"

#include <gtest/gtest.h>

namespace {

TEST(ExceptionTest, AssertionNamesTheFileAndLine) {
    const int line = __LINE__ + 2;
    try {
        RTL_ASSERT(1 + 1 == 3);
        FAIL() << "no error";
    } catch (const rtl::EAssertionFailed& e) {
        EXPECT_EQ(e.Message(), "Assertion failure (" __FILE__ ", line " + std::to_string(line) + ")");
        EXPECT_STREQ(e.ClassName(), "EAssertionFailed");
    }
    try {
        RTL_ASSERT_MSG(false, "Binary code page detected");
        FAIL() << "no error";
    } catch (const rtl::Exception& e) {
        EXPECT_EQ(e.Message().rfind("Binary code page detected (", 0), 0u);
    }
    EXPECT_NO_THROW(RTL_ASSERT(true));
}

TEST(ExceptionTest, ListIndexErrorAndClassNames) {
    try {
        rtl::ListIndexError(-3);
        FAIL() << "no error";
    } catch (const rtl::Exception& e) {
        EXPECT_EQ(e.Message(), "List index out of bounds (-3)");
        EXPECT_STREQ(e.ClassName(), "EListError");
        EXPECT_STREQ(e.what(), "List index out of bounds (-3)");
    }
    const rtl::EConversionError conversion("x");
    EXPECT_STREQ(conversion.ClassName(), "EConversionError");
    EXPECT_STREQ(rtl::Exception("x").ClassName(), "Exception");
}

} // namespace
