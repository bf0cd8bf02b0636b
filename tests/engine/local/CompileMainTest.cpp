#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/CompilerTestSupport.h"
#include "support/TestServer.h"

namespace engine {
namespace {

// A main block, the variables it ends with, and what they hold then.
struct TMainCase {
    const char* name;
    const char* text;
    std::vector<std::string> variables;
    TOutcome expected;
};

void PrintTo(const TMainCase& c, std::ostream* os) {
    *os << c.name;
}

const TMainCase kMainCases[] = {
    {"SubtractionIsLeftAssociative", "BEGIN DECLARE a INT; SET a = 10 - 5 - 2; END", {"a"}, Text("3")},
    {"BracketsGroupFirst", "BEGIN DECLARE a INT; SET a = 10 - (5 - 2); END", {"a"}, Text("7")},
    {"DivisionIsLeftAssociative",
     "BEGIN DECLARE a DECIMAL(10,4); SET a = 8 / 4 / 2; END",
     {"a"},
     Text("1.0000")},
    {"MixedAdditiveChain", "BEGIN DECLARE a INT; SET a = 1 - 2 + 3 - 4; END", {"a"}, Text("-2")},
    {"MultipleSetReadsEarlierTargets",
     "BEGIN DECLARE a, b INT; SET a = 1, b = a; END",
     {"a", "b"},
     Text("1|1")},
    {"ElseIfTakesFirstTrueBranch",
     "BEGIN DECLARE x INT DEFAULT 3; DECLARE r INT; IF x > 5 THEN SET r = 1; ELSEIF x > 2 THEN SET r = 2; "
     "ELSEIF x > 0 THEN SET r = 3; ELSE SET r = 4; END IF; END",
     {"r"},
     Text("2")},
    {"IfWithoutElseDoesNothing",
     "BEGIN DECLARE r INT DEFAULT 7; IF NULL THEN SET r = 1; END IF; END",
     {"r"},
     Text("7")},
    {"SimpleCaseStatement",
     "BEGIN DECLARE x INT DEFAULT 2; DECLARE r VARCHAR(5); CASE x WHEN 1 THEN SET r = 'one'; WHEN 2 THEN "
     "SET r = 'two'; ELSE SET r = 'many'; END CASE; END",
     {"r"},
     Text("two")},
    {"SearchedCaseStatement",
     "BEGIN DECLARE x INT DEFAULT 5; DECLARE r INT; CASE WHEN x < 3 THEN SET r = 1; WHEN x < 9 THEN SET r = "
     "2; "
     "END CASE; END",
     {"r"},
     Text("2")},
    {"SearchedCaseExpression",
     "BEGIN DECLARE x INT DEFAULT 2; DECLARE r VARCHAR(5); SET r = CASE WHEN x = 1 THEN 'a' WHEN x THEN 'b' "
     "ELSE 'c' END; END",
     {"r"},
     Text("b")},
    {"SimpleCaseExpression",
     "BEGIN DECLARE x INT DEFAULT 3; DECLARE r VARCHAR(5); SET r = CASE x WHEN 1 THEN 'a' WHEN 3 THEN 'c' "
     "END; "
     "END",
     {"r"},
     Text("c")},
    {"DefaultIsEvaluatedAtEveryEntry",
     "BEGIN DECLARE i INT DEFAULT 0; DECLARE total INT DEFAULT 0; WHILE i < 3 DO SET i = i + 1; "
     "BEGIN DECLARE twice INT DEFAULT i * 2; SET total = total + twice; END; END WHILE; END",
     {"total"},
     Text("12")},
    {"DefaultSeesEarlierVariables",
     "BEGIN DECLARE a INT DEFAULT 20; DECLARE b INT DEFAULT a + 1; END",
     {"b"},
     Text("21")},
    {"SetDefaultEvaluatesTheDefaultAgain",
     "BEGIN DECLARE p INT DEFAULT 1; DECLARE a INT DEFAULT p * 10; DECLARE b INT; SET p = 2; SET a = 7; "
     "SET a = DEFAULT; SET b = 3; SET b = DEFAULT; END",
     {"a", "b"},
     Text("20|NULL")},
    {"DefaultIsStoredStrictly", "BEGIN DECLARE a INT DEFAULT 'abc'; END", {"a"}, Error(1366)},
    {"BackslashEscapes",
     "BEGIN DECLARE s VARCHAR(10) DEFAULT 'a\\tb\\\\c''d'; END",
     {"s"},
     Text("a\tb\\c'd")},
    {"DoubleQuotedString", "BEGIN DECLARE s VARCHAR(10) DEFAULT \"x\"\"y\\n\"; END", {"s"}, Text("x\"y\n")},
    {"ExponentNumberIsDouble", "BEGIN DECLARE s VARCHAR(30) DEFAULT 1.5E3 * 1; END", {"s"}, Text("1500")},
    {"DecimalNumberKeepsItsScale",
     "BEGIN DECLARE s VARCHAR(30) DEFAULT 12.50 * 2; END",
     {"s"},
     Text("25.00")},
    {"UnsignedNumber",
     "BEGIN DECLARE u BIGINT UNSIGNED DEFAULT 18446744073709551615 - 1; END",
     {"u"},
     Text("18446744073709551614")},
    {"HexAndBitNumbers",
     "BEGIN DECLARE a, b, c INT; SET a = 0x41 + 0, b = b'101' + 0, c = 0b11 + 0; END",
     {"a", "b", "c"},
     Text("65|5|3")},
    {"QuotedHexIsAString",
     "BEGIN DECLARE s VARCHAR(5); DECLARE e INT; SET s = X'4142', e = x'41' = 'A'; END",
     {"s", "e"},
     Text("AB|1")},
    {"LoopLeaveAndIterate",
     "BEGIN DECLARE i, n INT DEFAULT 0; l: LOOP SET i = i + 1; IF i > 5 THEN LEAVE l; END IF; "
     "IF i MOD 2 = 0 THEN ITERATE l; END IF; SET n = n + i; END LOOP l; END",
     {"n"},
     Text("9")},
    {"LeaveEndsTheLabelledBlock",
     "BEGIN DECLARE r INT DEFAULT 1; `Blk`: BEGIN SET r = 2; LEAVE blk; SET r = 3; END; SET r = r * 10; END",
     {"r"},
     Text("20")},
    {"RepeatUntil",
     "BEGIN DECLARE i INT DEFAULT 0; REPEAT SET i = i + 2; UNTIL i >= 5 END REPEAT; END",
     {"i"},
     Text("6")},
    {"PredicatesAndUnaryOperators",
     "BEGIN DECLARE a, b, c, d, e INT; SET a = 3 BETWEEN 1 AND 5, b = 3 NOT BETWEEN 1 AND 5, "
     "c = NULL IS NULL, d = -(2 - 5), e = 2 IN (1, NULL); END",
     {"a", "b", "c", "d", "e"},
     Text("1|0|1|3|NULL")},
    {"NestedBlockHidesOuterName",
     "BEGIN DECLARE x INT DEFAULT 1; DECLARE seen INT; BEGIN DECLARE x INT DEFAULT 5; SET seen = x; END; END",
     {"x", "seen"},
     Text("1|5")},
};

class CompileMainTest : public CompilerTest, public ::testing::WithParamInterface<TMainCase> {};

TEST_P(CompileMainTest, RunsLocallyAsTheServerDoes) {
    const TMainCase& c = GetParam();
    EXPECT_EQ(RunMain(c.text, c.variables), c.expected) << c.text;
}

TEST_P(CompileMainTest, ServerAgrees) {
    const auto& settings = VELTRANE_REQUIRE_SERVER();
    testsupport::RawSession session(settings);
    const TMainCase& c = GetParam();
    const std::string script = ServerBlock(c.text, c.variables);
    EXPECT_EQ(ServerOutcome(session, script), c.expected) << script;
}

INSTANTIATE_TEST_SUITE_P(Blocks, CompileMainTest, ::testing::ValuesIn(kMainCases),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace engine
