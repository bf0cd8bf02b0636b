#include "components/uMacros.h"
#include "dataaccess/mysql/uMyParser.h"
#include "support/ErrorText.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace components {
namespace {

using testsupport::ErrorMessageOf;

std::unique_ptr<dataaccess::TSQLParser> NewMyParser(std::string text) {
    return std::make_unique<dataaccess::TMyParser>(std::move(text));
}

class MacrosTest : public ::testing::TestWithParam<bool> {
protected:
    MacrosTest() {
        if (GetParam()) macros.SetParserClass(&NewMyParser);
        macros.OnChange = [this](const TMacro* macro) { changes.push_back(macro ? macro->Name() : "*"); };
    }

    std::vector<std::string> Names() const {
        std::vector<std::string> names;
        for (int i = 0; i < macros.Count(); ++i)
            names.push_back(macros[i]->Name());
        return names;
    }

    std::string Expanded(std::string text) const {
        macros.Expand(text);
        return text;
    }

    TMacros macros;
    std::vector<std::string> changes;
};

TEST_P(MacrosTest, ScanFindsReferences) {
    struct Case {
        std::string text;
        std::vector<std::string> names;
    };
    const Case cases[] = {
        {"select * from t", {}},
        {"select &cols from &tab where &Cols > 0", {"cols", "tab"}},
        {"select '&a', \"&b\" from t -- &c", {}},
        {"select /* &x */ 1 & 2, &select from &where", {"select", "where"}},
        {"select 1 & x", {}},
    };
    for (const Case& c : cases) {
        macros.Scan(c.text);
        EXPECT_EQ(Names(), c.names) << c.text;
    }
}

TEST_P(MacrosTest, RescanKeepsValuesAndStaysQuietWhenNothingChanged) {
    macros.Scan("select &a, &b from t");
    macros.MacroByName("A")->SetValue("1");
    macros.MacroByName("b")->SetActive(false);
    changes.clear();
    macros.Scan("select &b, &A from t");
    EXPECT_EQ(Names(), (std::vector<std::string>{"b", "a"}));
    EXPECT_EQ(macros.FindMacro("a")->Value(), "1");
    EXPECT_FALSE(macros.FindMacro("b")->Active());
    EXPECT_EQ(changes, std::vector<std::string>{"*"});
    changes.clear();
    macros.Scan("select &b, &a from t where &a");
    EXPECT_TRUE(changes.empty());
    macros.FindMacro("b")->SetValue("v");
    EXPECT_EQ(changes, std::vector<std::string>{"b"}) << "an inactive macro still tells its owner";
    macros.Scan("no macros here");
    EXPECT_EQ(macros.Count(), 0);
}

TEST_P(MacrosTest, Expand) {
    macros.Scan("&cols &tab &off");
    macros.MacroByName("cols")->SetValue("a, b");
    macros.MacroByName("tab")->SetValue("`t`");
    macros.MacroByName("off")->SetValue("limit 1");
    macros.MacroByName("off")->SetActive(false);
    EXPECT_EQ(Expanded("select &COLS from &tab &off"), "select a, b from `t` ");
    EXPECT_EQ(Expanded("select '&cols', x & y -- &tab\n, &unknown"), "select '&cols', x & y -- &tab\n, ");
    EXPECT_EQ(Expanded("select 1 &1"), "select 1 &1");
}

TEST_P(MacrosTest, LookupAndEquality) {
    macros.Scan("&a");
    EXPECT_EQ(ErrorMessageOf([&] { macros.MacroByName("x"); }), "Macro x not found");
    EXPECT_EQ(macros.FindMacro("x"), nullptr);
    TMacros other;
    other.Scan("&a");
    EXPECT_TRUE(macros.IsEqual(other));
    other[0]->SetValue("A");
    EXPECT_FALSE(macros.IsEqual(other));
    macros.Assign(&other);
    EXPECT_TRUE(macros.IsEqual(other));
}

INSTANTIATE_TEST_SUITE_P(Dialects, MacrosTest, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "MySQL" : "SQL"; });

} // namespace
} // namespace components
