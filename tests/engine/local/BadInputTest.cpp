// Routine text of any shape gives a syntax or compile error at the right place, or compiles and
// runs; never a crash or a stack overflow.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

#include "engine/CompilerTestSupport.h"
#include "engine/local/uCompiler.h"
#include "parser/uParser.h"
#include "platform/rtl/Format.h"

namespace engine {
namespace {

using ::testing::AnyOf;
using ::testing::Eq;
using ::testing::StartsWith;

std::string Repeat(const std::string& text, int count) {
    std::string result;
    for (int i = 0; i < count; ++i)
        result += text;
    return result;
}

class BadInputTest : public CompilerTest {
protected:
    // How compiling a main text ended: "compiled", or the error's class, message and positions.
    std::string CompileOutcome(const std::string& text) {
        try {
            CompileMain(text);
            return "compiled";
        } catch (const parser::EGrammarError& e) {
            return Describe(e, e.StartPosition(), e.EndPosition());
        } catch (const ECompileError& e) {
            return Describe(e, e.StartPosition(), e.EndPosition());
        }
    }

    static std::string Describe(const rtl::Exception& e, int start, int end) {
        return rtl::Format("%s: %s [%d,%d]", e.ClassName(), e.Message(), start, end);
    }
};

struct TSyntaxCase {
    const char* name;
    std::string text;
    std::string expected;
};

void PrintTo(const TSyntaxCase& c, std::ostream* os) {
    *os << c.name;
}

class BadSyntaxTest : public BadInputTest, public ::testing::WithParamInterface<TSyntaxCase> {};

TEST_P(BadSyntaxTest, IsReportedWhereTheTextStopsMatching) {
    EXPECT_EQ(CompileOutcome(GetParam().text), GetParam().expected);
}

const std::string kSyntaxError = "EGrammarError: You have an error in your syntax near ";

INSTANTIATE_TEST_SUITE_P(
    Texts, BadSyntaxTest,
    ::testing::Values(
        TSyntaxCase{"FirstToken", ")BEGIN DECLARE a TEXT; END", kSyntaxError + "')' at line 1 [0,1]"},
        TSyntaxCase{"MiddleToken", "BEGIN DECLARE a TEXT;\nSET a = 1 +; END",
                    kSyntaxError + "';' at line 2 [33,34]"},
        TSyntaxCase{"LastToken", "BEGIN DECLARE a TEXT; SET a = 1; EN",
                    kSyntaxError + "'' at line 1 [35,35]"},
        TSyntaxCase{"UnterminatedString", "BEGIN DECLARE a TEXT; SET a = 'abc; END",
                    kSyntaxError + "'' at line 1 [39,39]"},
        TSyntaxCase{"UnterminatedComment", "BEGIN DECLARE a TEXT; SET a = 1; /* open END",
                    kSyntaxError + "'' at line 1 [44,44]"},
        // A stray character could begin a statement, so the text stops matching only at END.
        TSyntaxCase{"NulOutsideAString", std::string("BEGIN DECLARE a TEXT;\0 END", 26),
                    kSyntaxError + "'END' at line 1 [23,26]"},
        TSyntaxCase{"HugeNumber", "BEGIN DECLARE a TEXT; SET a = " + std::string(5000, '9') + "; END",
                    "ECompileError: '" + std::string(5000, '9') + "' is not a valid number [30,5030]"}),
    [](const auto& info) { return std::string(info.param.name); });

// How deep a text may nest depends on the stack and the build; past that it fails cleanly, at the
// token where it got too deep.
TEST_F(BadInputTest, ThousandNestedBlocksCompileOrStopCleanly) {
    const std::string text =
        Repeat("BEGIN ", 1000) + "DECLARE a INT; SET a = 1; " + Repeat("END; ", 999) + "END";
    const std::string outcome = CompileOutcome(text);
    if (outcome == "compiled") {
        EXPECT_EQ(RunMain(text, {}), Text("")) << "runs";
        return;
    }
    EXPECT_THAT(outcome, StartsWith("EGrammarError: The text is nested too deeply near 'BEGIN' at line 1 ["));
}

TEST_F(BadInputTest, HundredThousandBracketsStopAtABracket) {
    const std::string text =
        "BEGIN DECLARE a INT; SET a = " + Repeat("(", 100000) + "1" + Repeat(")", 100000) + "; END";
    EXPECT_THAT(CompileOutcome(text),
                StartsWith("EGrammarError: The text is nested too deeply near '(' at line 1 ["));
}

TEST_F(BadInputTest, TenThousandTermsCompileAndRunOrStopCleanly) {
    const std::string text = "BEGIN DECLARE a INT; SET a = " + Repeat("1 + ", 9999) + "1; END";
    const std::string outcome = CompileOutcome(text);
    if (outcome == "compiled") {
        EXPECT_THAT(RunMain(text, {"a"}), AnyOf(Eq(Text("10000")), Eq(Error(1436))));
        return;
    }
    EXPECT_THAT(outcome, StartsWith("ECompileError: The expression is nested too deeply [29,"));
}

TEST_F(BadInputTest, DeepButBuildableExpressionsRun) {
    EXPECT_EQ(
        RunMain("BEGIN DECLARE a INT; SET a = " + Repeat("(", 100) + "1" + Repeat(")", 100) + "; END", {"a"}),
        Text("1"));
    EXPECT_EQ(RunMain("BEGIN DECLARE a INT; SET a = " + Repeat("- ", 100) + "1; END", {"a"}), Text("1"));
}

TEST_F(BadInputTest, HugeStringLiteralKeepsEveryByte) {
    const std::string literal(4 << 20, 'x');
    EXPECT_EQ(RunMain("BEGIN DECLARE a LONGTEXT; SET a = '" + literal + "'; END", {"a"}), Text(literal));
}

TEST_F(BadInputTest, MalformedUtf8AndNulInAStringAreKept) {
    // Text reaches the compiler as UTF-16: each malformed byte became U+FFFD on the way.
    EXPECT_EQ(RunMain("BEGIN DECLARE a TEXT; SET a = '\xff\xfe\xc3'; END", {"a"}),
              Text("\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD"));
    EXPECT_EQ(RunMain(std::string("BEGIN DECLARE a TEXT; SET a = 'a\0b'; END", 40), {"a"}),
              Text(std::string("a\0b", 3)));
}

} // namespace
} // namespace engine
