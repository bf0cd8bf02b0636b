#include "platform/rtl/DynLib.h"

#include "platform/rtl/Exception.h"

#include <gtest/gtest.h>

namespace {

TEST(DynLibTest, LoadsALibraryAndCallsAFunction) {
    rtl::TDynLib lib("libm.so.6");
    EXPECT_EQ(lib.FileName(), "libm.so.6");
    const auto cosine = lib.Function<double (*)(double)>("cos");
    EXPECT_DOUBLE_EQ(cosine(0.0), 1.0);
    EXPECT_NE(lib.FindSymbol("sqrt"), nullptr);
}

TEST(DynLibTest, MissingFunctionIsNamedInTheError) {
    rtl::TDynLib lib("libz.so.1");
    EXPECT_NE(lib.FindSymbol("zlibVersion"), nullptr);
    EXPECT_EQ(lib.FindSymbol("no_such_function"), nullptr);
    try {
        lib.Symbol("no_such_function");
        FAIL() << "no error";
    } catch (const rtl::EOSError& e) {
        EXPECT_EQ(e.Message(), "Function no_such_function not found in libz.so.1");
    }
}

TEST(DynLibTest, MissingLibraryReportsTheLoaderReason) {
    try {
        rtl::TDynLib lib("libveltrane-missing.so");
        FAIL() << "no error";
    } catch (const rtl::EOSError& e) {
        EXPECT_EQ(e.Message().rfind("Could not load library libveltrane-missing.so: ", 0), 0u) << e.Message();
        EXPECT_NE(e.Message().find("libveltrane-missing.so: cannot open shared object file"),
                  std::string::npos)
            << e.Message();
    }
    std::string reason;
    EXPECT_EQ(rtl::TDynLib::TryLoad("libveltrane-missing.so", &reason), nullptr);
    EXPECT_FALSE(reason.empty());
    EXPECT_NE(rtl::TDynLib::TryLoad("libz.so.1"), nullptr);
}

} // namespace
