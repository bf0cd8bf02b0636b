#include "app/fuCodeParameters.h"

#include "platform/rtl/StringList.h"

#include <gtest/gtest.h>

namespace app {
namespace {

// Every character is 5 pixels wide, bold ones 6.
int Width(std::string_view text, bool bold) {
    return static_cast<int>(text.size()) * (bold ? 6 : 5);
}

TEST(CodeParametersLayout, CurrentParameterInBold) {
    rtl::TStringList parameters;
    for (const char* name : {"str1", "str2", "str..."})
        parameters.Add(name);
    const auto layout = LayoutParameterHints(parameters, 1, Width);
    EXPECT_EQ(layout.Markup, "str1, <b>str2</b>, str...");
    EXPECT_EQ(layout.Lines, 1);
    EXPECT_EQ(layout.Widest, 6 * 5 + 6 * 6 + 8 * 5);
    EXPECT_EQ(LayoutParameterHints(parameters, -1, Width).Markup, "str1, str2, str...");
}

TEST(CodeParametersLayout, WrapsAtOneHundredFiftyCharacters) {
    rtl::TStringList parameters;
    for (int i = 0; i < 20; ++i)
        parameters.Add("param_" + std::to_string(1000 + i));
    const auto layout = LayoutParameterHints(parameters, 19, Width);
    EXPECT_EQ(layout.Lines, 2);
    // Fifteen entries of ten characters fill the first line.
    EXPECT_NE(layout.Markup.find("param_1014,<br>param_1015"), std::string::npos);
    EXPECT_NE(layout.Markup.find("<b>param_1019</b>"), std::string::npos);
    EXPECT_EQ(layout.Widest, 15 * 12 * 5);

    rtl::TStringList one;
    one.Add(std::string(200, 'x'));
    EXPECT_EQ(LayoutParameterHints(one, 0, Width).Lines, 1);
}

} // namespace
} // namespace app
