#include "components/uDASQLHelpers.h"
#include "dataaccess/store/uCRParser.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace components {
namespace {

struct EditCase {
    const char* name;
    std::string (*edit)(const std::string& sql, const std::string& argument);
    std::string sql, argument, expected;
};

std::ostream& operator<<(std::ostream& out, const EditCase& c) {
    return out << c.name;
}

class SQLHelpersEditTest : public ::testing::TestWithParam<EditCase> {};

TEST_P(SQLHelpersEditTest, GivesTheExpectedText) {
    const EditCase& c = GetParam();
    EXPECT_EQ(c.edit(c.sql, c.argument), c.expected);
}

std::string DeleteWhere(const std::string& sql, const std::string&) {
    return MyDeleteWhere(sql);
}

INSTANTIATE_TEST_SUITE_P(
    AddWhere, SQLHelpersEditTest,
    ::testing::Values(
        EditCase{"NoWhere", MyAddWhere, "SELECT * FROM t", "a=1", "SELECT * FROM t\rWHERE a=1 "},
        EditCase{"NoWhereTrailingBlanks", MyAddWhere, "SELECT * FROM t  ", "a=1",
                 "SELECT * FROM t\rWHERE a=1 "},
        EditCase{"BeforeSeparator", MyAddWhere, "SELECT * FROM t;", "a=1", "SELECT * FROM t\rWHERE a=1 ;"},
        EditCase{"BeforeClause", MyAddWhere, "SELECT * FROM t ORDER BY b", "a=1",
                 "SELECT * FROM t\rWHERE a=1  ORDER BY b"},
        // Both conditions are bracketed, so an OR in either keeps its meaning.
        EditCase{"ExistingWhereBeforeClause", MyAddWhere, "SELECT * FROM t WHERE a = 1 ORDER BY b", "b > 2",
                 "SELECT * FROM t WHERE (a = 1) AND (b > 2)  ORDER BY b"},
        EditCase{"OrKeepsItsMeaning", MyAddWhere, "SELECT * FROM t WHERE c=3", "a=1 OR b=2",
                 "SELECT * FROM t WHERE (c=3) AND (a=1 OR b=2) "},
        EditCase{"ExistingWhereBeforeSeparator", MyAddWhere, "SELECT * FROM t WHERE c=3;", "a=1",
                 "SELECT * FROM t WHERE (c=3) AND (a=1) ;"},
        EditCase{"LineCommentAtEnd", MyAddWhere, "SELECT * FROM t WHERE c=3 -- note\n", "a=1",
                 "SELECT * FROM t WHERE (c=3 -- note\r) AND (a=1) "},
        EditCase{"LineCommentBeforeClause", MyAddWhere, "SELECT * FROM t WHERE c=3 # note\nLIMIT 1", "a=1",
                 "SELECT * FROM t WHERE (c=3 # note\r) AND (a=1) \nLIMIT 1"},
        EditCase{"WhereInSubSelect", MyAddWhere, "SELECT * FROM (SELECT * FROM u WHERE x=1) v", "a=1",
                 "SELECT * FROM (SELECT * FROM u WHERE x=1) v\rWHERE a=1 "},
        EditCase{"WhereAfterMacroChar", MyAddWhere, "SELECT * FROM t &WHERE", "a=1",
                 "SELECT * FROM t &WHERE\rWHERE a=1 "},
        EditCase{"NoBlankAfterWhere", MyAddWhere, "SELECT * FROM t WHERE(c=3)", "a=1",
                 "SELECT * FROM t WHERE((c=3)) AND (a=1) "},
        EditCase{"BlankCondition", MyAddWhere, "SELECT * FROM t", "  ", "SELECT * FROM t"},
        EditCase{"NoSelect", MyAddWhere, "INSERT INTO t VALUES (1)", "a=1", "INSERT INTO t VALUES (1)"}),
    [](const auto& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(
    SetWhere, SQLHelpersEditTest,
    ::testing::Values(
        EditCase{"Delete", DeleteWhere, "SELECT * FROM t WHERE a=1 ORDER BY b", "",
                 "SELECT * FROM t ORDER BY b"},
        EditCase{"DeleteAtEnd", DeleteWhere, "SELECT * FROM t WHERE a=1", "", "SELECT * FROM t"},
        EditCase{"DeleteKeepsSeparator", DeleteWhere, "SELECT * FROM t WHERE a=1;", "", "SELECT * FROM t;"},
        EditCase{"DeleteNothing", DeleteWhere, "SELECT * FROM t ORDER BY b", "",
                 "SELECT * FROM t ORDER BY b"},
        EditCase{"DeleteKeepsSubSelect", DeleteWhere, "SELECT * FROM (SELECT * FROM u WHERE x=1) v", "",
                 "SELECT * FROM (SELECT * FROM u WHERE x=1) v"},
        EditCase{"Replace", MySetWhere, "SELECT * FROM t WHERE a=1 ORDER BY b", "x=2",
                 "SELECT * FROM t WHERE x=2 ORDER BY b"},
        EditCase{"ReplaceAtEnd", MySetWhere, "SELECT * FROM t WHERE a=1 AND (b=2)", "x=2",
                 "SELECT * FROM t WHERE x=2"},
        EditCase{"Add", MySetWhere, "SELECT * FROM t ORDER BY b", "x=2",
                 "SELECT * FROM t WHERE x=2 ORDER BY b"},
        EditCase{"AddAtEnd", MySetWhere, "SELECT * FROM t", "x=2", "SELECT * FROM t WHERE x=2"},
        EditCase{"AddAfterLineBreak", MySetWhere, "SELECT *\rFROM t", "x=2", "SELECT *\rFROM t\r  WHERE x=2"},
        EditCase{"NoSelect", MySetWhere, "DELETE FROM t WHERE a=1", "x=2", "DELETE FROM t WHERE a=1"}),
    [](const auto& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(
    SetOrderBy, SQLHelpersEditTest,
    ::testing::Values(
        EditCase{"Add", MySetOrderBy, "SELECT * FROM t", "a;b", "SELECT * FROM t ORDER BY a,b"},
        EditCase{"AddBeforeLimit", MySetOrderBy, "SELECT * FROM t WHERE c=1 LIMIT 5", "a",
                 "SELECT * FROM t WHERE c=1 ORDER BY a LIMIT 5"},
        EditCase{"ReplaceKeepsLimit", MySetOrderBy, "SELECT * FROM t ORDER BY x LIMIT 5", "a;b",
                 "SELECT * FROM t ORDER BY a,b LIMIT 5"},
        EditCase{"Remove", MySetOrderBy, "SELECT * FROM t ORDER BY x LIMIT 5", "", "SELECT * FROM t LIMIT 5"},
        EditCase{"RemoveAtEnd", MySetOrderBy, "SELECT * FROM t ORDER BY x DESC", "", "SELECT * FROM t"},
        EditCase{"SubSelectOrderStays", MySetOrderBy, "SELECT * FROM (SELECT a FROM u ORDER BY a) v", "b",
                 "SELECT * FROM (SELECT a FROM u ORDER BY a) v ORDER BY b"},
        EditCase{"RemoveNothing", MySetOrderBy, "SELECT * FROM t", "", "SELECT * FROM t"},
        EditCase{"NoSelect", MySetOrderBy, "UPDATE t SET a=1", "b", "UPDATE t SET a=1"}),
    [](const auto& info) { return std::string(info.param.name); });

struct ReadCase {
    const char* name;
    std::string sql, where, from, orderBy;
};

class SQLHelpersReadTest : public ::testing::TestWithParam<ReadCase> {};

TEST_P(SQLHelpersReadTest, ReadsTheClauses) {
    const ReadCase& c = GetParam();
    EXPECT_EQ(MyGetWhere(c.sql), c.where);
    EXPECT_EQ(MyGetFrom(c.sql), c.from);
    EXPECT_EQ(MyGetOrderBy(c.sql), c.orderBy);
}

INSTANTIATE_TEST_SUITE_P(
    Clauses, SQLHelpersReadTest,
    ::testing::Values(ReadCase{"AllThree", "SELECT * FROM t WHERE a=1 ORDER BY b", "a=1", "t", "b"},
                      ReadCase{"OrderBeforeLimit", "SELECT * FROM t, u ORDER BY b, c DESC  LIMIT 3", "",
                               "t, u", "b, c DESC"},
                      ReadCase{"SubSelects",
                               "SELECT * FROM (SELECT a FROM u WHERE x=1 ORDER BY a) v WHERE (b=2)", "(b=2)",
                               "(SELECT a FROM u WHERE x=1 ORDER BY a) v", ""},
                      ReadCase{"Separator", "SELECT * FROM t WHERE a=1;", "a=1", "t", ""},
                      ReadCase{"NoSelect", "INSERT INTO t SELECT 1", "", "", ""},
                      ReadCase{"NotASelect", "UPDATE t SET a=1 WHERE b=2", "", "", ""}),
    [](const auto& info) { return std::string(info.param.name); });

std::unique_ptr<dataaccess::TSQLParser> NewSQLParser(std::string text) {
    return std::make_unique<dataaccess::TSQLParser>(std::move(text));
}

// The generic dialect has its own keyword codes and a "(" with a symbol code.
TEST(SQLHelpersGenericTest, EditsWithTheGenericLexer) {
    EXPECT_EQ(AddWhereCondition("SELECT * FROM (SELECT * FROM u WHERE x=1) v ORDER BY a", "c=3",
                                &NewSQLParser, true),
              "SELECT * FROM (SELECT * FROM u WHERE x=1) v\rWHERE c=3  ORDER BY a");
    EXPECT_EQ(GetWhereClause("SELECT * FROM t WHERE a=1 GROUP BY b", &NewSQLParser, true), "a=1");
    EXPECT_EQ(SetSQLOrderBy("SELECT * FROM t ORDER BY x", "y", &NewSQLParser), "SELECT * FROM t ORDER BY y");
}

TEST(SQLHelpersBusyCursorTest, CallsTheHookOnlyWhenSet) {
    CallBusyCursorHook(kBusyCursorCode); // no hook: nothing happens
    int seen = 0;
    BusyCursorHook = [&seen](int code) { seen = code; };
    CallBusyCursorHook(kBusyCursorCode);
    BusyCursorHook = nullptr;
    EXPECT_EQ(seen, -30);
}

} // namespace
} // namespace components
