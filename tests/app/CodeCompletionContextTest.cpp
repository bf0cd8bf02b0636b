#include "app/uCodeCompletionUtils.h"

#include "app/uCodeCompletionItem.h"

#include "parser/uMySqlGrammar.h"
#include "platform/rtl/Utf.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace app {
namespace {

using ::testing::ElementsAre;

// The caret stands where the text holds "|".
struct TCaretText {
    std::u16string Statement;
    int Caret;
};

TCaretText WithCaret(std::string_view text) {
    const size_t caret = text.find('|');
    std::string statement(text);
    statement.erase(caret, 1);
    return {rtl::Utf8ToUtf16(statement), static_cast<int>(rtl::Utf8ToUtf16(text.substr(0, caret)).size())};
}

TCompletionContext ContextAt(std::string_view text) {
    const TCaretText input = WithCaret(text);
    parser::TMySqlGrammar grammar;
    grammar.SetParseMode(parser::pmBranch);
    TCompletionContextFiller filler;
    filler.Fill(input.Statement, grammar, input.Caret);
    return filler.Context();
}

TRelations RelationsAt(std::string_view text) {
    const TCaretText input = WithCaret(text);
    parser::TMySqlGrammar grammar;
    grammar.SetParseMode(parser::pmBranch);
    TRelations relations;
    ExtractRelations(input.Statement, grammar, input.Caret, relations);
    return relations;
}

TEST(CompletionContext, WhatFitsAtTheCaret) {
    const auto fromDatabase = ContextAt("SELECT * FROM db1.|");
    EXPECT_TRUE(fromDatabase.Tables);
    EXPECT_FALSE(fromDatabase.Nothing);
    EXPECT_THAT(fromDatabase.Qualifiers, ElementsAre("db1"));

    const auto ofTable = ContextAt("SELECT t1.| FROM t1");
    EXPECT_TRUE(ofTable.Columns);
    EXPECT_THAT(ofTable.Qualifiers, ElementsAre("t1"));
    EXPECT_TRUE(ofTable.Keywords.empty());

    EXPECT_TRUE(ContextAt("SELECT 'a|b' FROM t1").Nothing);
    EXPECT_TRUE(ContextAt("SELECT 12|3").Nothing);
    EXPECT_TRUE(ContextAt("SELECT 123|").Nothing);
    EXPECT_TRUE(ContextAt("SELECT a.b.c.| FROM t1").Nothing);

    const auto afterOn = ContextAt("SELECT a FROM t1 JOIN t2 x ON |");
    EXPECT_TRUE(afterOn.JoinCondition);
    EXPECT_EQ(afterOn.JoinTable, "t2");
    EXPECT_EQ(afterOn.JoinAlias, "x");
    EXPECT_TRUE(afterOn.Columns);

    const auto afterInto = ContextAt("SELECT x INTO |");
    EXPECT_TRUE(afterInto.Locals);
    EXPECT_TRUE(afterInto.AfterInto);
    EXPECT_FALSE(afterInto.Columns);
    EXPECT_FALSE(afterInto.Functions);

    const auto selectList = ContextAt("SELECT |");
    EXPECT_TRUE(selectList.Columns && selectList.Functions && selectList.Locals);
    EXPECT_THAT(selectList.Keywords, ::testing::Contains("DISTINCT"));
    EXPECT_THAT(selectList.Keywords, ::testing::Not(::testing::Contains("(")));

    const auto afterJoin = ContextAt("SELECT a FROM t1 JOIN |");
    EXPECT_TRUE(afterJoin.Tables && afterJoin.Joins);
    EXPECT_TRUE(ContextAt("CALL |").Procedures);
    EXPECT_EQ(ContextAt("INSERT INTO t1 (|").InsertTable, "t1");
    const auto values = ContextAt("INSERT INTO t1 VALUES (|");
    EXPECT_TRUE(values.InValues);
    EXPECT_TRUE(values.Functions);
}

TEST(CompletionContext, RelationsOfTheCaretsSelectLevel) {
    const auto relations =
        RelationsAt("SELECT | FROM customers c JOIN orders o ON c.id = o.cid, (SELECT 1 a) d");
    ASSERT_EQ(relations.size(), 3u);
    EXPECT_EQ(relations[0].Table, "customers");
    EXPECT_EQ(relations[0].Alias, "c");
    EXPECT_EQ(relations[1].Table, "orders");
    EXPECT_TRUE(relations[2].Derived);
    EXPECT_EQ(relations[2].Alias, "d");
    EXPECT_EQ(relations[2].Table, "SELECT 1 a");

    const auto outer = RelationsAt("SELECT | FROM t1 WHERE a IN (SELECT b FROM t2)");
    ASSERT_EQ(outer.size(), 1u);
    EXPECT_EQ(outer[0].Table, "t1");
    const auto inner = RelationsAt("SELECT a FROM t1 WHERE a IN (SELECT | FROM t2)");
    EXPECT_EQ(inner.size(), 2u);
}

// "kind name detail" of each local symbol the text declares in scope at its end.
std::vector<std::string> LocalsOf(std::string_view text, TLocalSymbolsMode mode) {
    TCodeCompletionItems items;
    ExtractLocalSymbols(rtl::Utf8ToUtf16(text), items, mode);
    std::vector<std::string> found;
    for (int i = 0; i < items.Count(); ++i)
        found.push_back(std::to_string(items[i].Kind) + " " + items[i].Name + " " + items[i].Detail);
    return found;
}

TEST(CompletionLocalSymbols, ParametersAndDeclarationsOfTheOpenBlocks) {
    const std::string routine = "CREATE PROCEDURE p(IN p_id INT, OUT p_name VARCHAR(20))\n"
                                "BEGIN\n"
                                "  DECLARE a, b BIGINT UNSIGNED DEFAULT 1;\n"
                                "  DECLARE dup CONDITION FOR 1062;\n"
                                "  DECLARE bad CONDITION FOR SQLSTATE '45000';\n"
                                "  DECLARE c CURSOR FOR SELECT id FROM t WHERE x = CASE WHEN a THEN 1 END;\n"
                                "  DECLARE CONTINUE HANDLER FOR dup SET a = 0;\n"
                                "  IF a > 0 THEN SET b = 1; END IF;\n"
                                "  BEGIN\n"
                                "    DECLARE closed INT;\n"
                                "  END;\n"
                                "  inner_block: BEGIN\n"
                                "    DECLARE open_one DATE;\n"
                                "    SELECT ";
    EXPECT_THAT(LocalsOf(routine, lsmVariables),
                ElementsAre("7 p_id int", "7 p_name varchar(20)", "8 a bigint unsigned",
                            "8 b bigint unsigned", "8 open_one date"));
    EXPECT_THAT(LocalsOf(routine, lsmCursors), ElementsAre("10 c "));
    EXPECT_THAT(LocalsOf(routine, lsmConditions),
                ElementsAre("11 dup error code 1062", "11 bad sqlstate 45000"));

    EXPECT_THAT(LocalsOf("CREATE FUNCTION f(x INT) RETURNS INT BEGIN DECLARE y TEXT; RETURN ", lsmVariables),
                ElementsAre("7 x int", "8 y text"));
    // The main block has no header.
    EXPECT_THAT(LocalsOf("BEGIN DECLARE n INT; BEGIN DECLARE m INT; END; SET n = ", lsmVariables),
                ElementsAre("8 n int"));
    EXPECT_THAT(LocalsOf("", lsmVariables), ElementsAre());
}

} // namespace
} // namespace app
