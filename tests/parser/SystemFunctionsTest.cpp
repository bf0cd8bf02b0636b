#include "parser/uSystemFunctions.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace parser {
namespace {

using ::testing::ElementsAreArray;

std::vector<std::string> ParameterTexts(const TSystemFunction& f) {
    std::vector<std::string> texts;
    for (const auto& p : f.Parameters) {
        EXPECT_EQ(p.TypeName, "") << f.Name;
        texts.push_back(p.Name);
    }
    return texts;
}

TEST(SystemFunctions, LooksNamesUpIgnoringCase) {
    const auto& table = SystemFunctions();
    EXPECT_EQ(table.IndexOf("AVG"), 0);
    EXPECT_EQ(table.IndexOf("avg"), 0);
    EXPECT_EQ(table.IndexOf("VARIANCE"), 197);
    for (const char* name : {"concat", "Concat", "CONCAT"})
        EXPECT_TRUE(table.Exists(name)) << name;
    EXPECT_FALSE(table.Exists("CONCATX"));
    EXPECT_EQ(table.IndexOf(""), -1);
    EXPECT_EQ(table.GetFunction(table.IndexOf("sum")).Name, "SUM");
    EXPECT_THROW(table.GetFunction(table.Count()), rtl::EListError);
}

struct TRow {
    const char* name;
    std::vector<std::string> parameters;
    bool variadic;
};

TEST(SystemFunctions, KeepsTheParameterTextsOfHints) {
    const std::vector<TRow> rows = {
        {"AVG", {"[DISTINCT] expr"}, false},
        {"COUNT", {"[DISTINCT] expr"}, false},
        {"GROUP_CONCAT", {"expr"}, false},
        {"IF", {"expr1", "expr2", "expr3"}, false},
        {"CHAR", {"N", "N..."}, true},
        {"CONCAT_WS", {"separator", "str1", "str2", "str..."}, true},
        {"CONCAT", {"str1", "str2", "str..."}, true},
        {"ELT", {"N", "str1", "str2", "str..."}, true},
        {"FIELD", {"str", "str1", "str2", "str..."}, true},
        {"MAKE_SET", {"bits", "str1", "str2", "str..."}, true},
        {"EXPORT_SET", {"bits", "on", "off", "[separator]", "[number_of_bits]"}, false},
        {"LOCATE", {"substr", "str", "[pos]"}, false},
        {"POSITION", {"substr IN str"}, false},
        {"SUBSTRING", {"str", "pos", "[len]"}, false},
        {"TRIM", {"[{BOTH | LEADING | TRAILING} [remstr] FROM] str"}, false},
        {"LOG", {"[B]", "X"}, false},
        {"RAND", {"[N]"}, false},
        {"DATE_ADD", {"date", "INTERVAL expr unit"}, false},
        {"EXTRACT", {"unit FROM date"}, false},
        {"GET_FORMAT", {"({DATE|TIME|DATETIME}", "{'EUR'|'USA'|'JIS'|'ISO'|'INTERNAL'}"}, false},
        {"TIMESTAMPADD", {"unit", "interval", "datetime_expr"}, false},
        {"CURDATE", {}, false},
        {"DES_ENCRYPT", {"str", "[{key_num|key_str}]"}, false},
        {"VALUES", {"col_name"}, false},
    };
    for (const auto& row : rows) {
        int index = SystemFunctions().IndexOf(row.name);
        ASSERT_GE(index, 0) << row.name;
        TSystemFunction f = SystemFunctions().GetFunction(index);
        EXPECT_EQ(f.Name, row.name);
        EXPECT_THAT(ParameterTexts(f), ElementsAreArray(row.parameters)) << row.name;
        EXPECT_EQ(f.Variadic, row.variadic) << row.name;
    }
}

TEST(SystemFunctions, FirstTableHasItsFixedShape) {
    const auto& table = SystemFunctions();
    ASSERT_GE(table.Count(), 198);
    int withoutParameters = 0, variadic = 0;
    for (int i = 0; i < 198; ++i) {
        TSystemFunction f = table.GetFunction(i);
        withoutParameters += f.Parameters.empty();
        variadic += f.Variadic;
        if (f.Variadic) {
            EXPECT_TRUE(f.Parameters.back().Name.ends_with("...")) << f.Name;
        }
    }
    EXPECT_EQ(withoutParameters, 25);
    EXPECT_EQ(variadic, 6);
    // Built-ins of current servers follow the first table.
    EXPECT_GT(table.IndexOf("COALESCE"), 197);
}

TEST(SystemFunctions, RefusesADuplicate) {
    int count = SystemFunctions().Count();
    EXPECT_THROW(SystemFunctions().Add("avg", {"expr"}), EInvalidInsert);
    EXPECT_EQ(SystemFunctions().Count(), count);

    TSystemFunctions own;
    own.Add("my_fn", {"a", "[b]"});
    EXPECT_EQ(own.IndexOf("MY_FN"), 0);
    EXPECT_EQ(own.GetFunction(0).Name, "MY_FN");
    EXPECT_THROW(own.Add("My_Fn", {}), EInvalidInsert);
}

} // namespace
} // namespace parser
