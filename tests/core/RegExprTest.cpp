#include "core/uRegExpr.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using core::ERegExpr;
using core::TRegExpr;

// "i" switches a modifier on, "-r" off; letters follow one another ("i-r").
void ApplyModifiers(TRegExpr& re, const char* modifiers) {
    bool on = true;
    for (const char* p = modifiers; *p; ++p) {
        if (*p == '-') {
            on = false;
            continue;
        }
        re.SetModifier(*p, on);
        on = true;
    }
}

struct MatchCase {
    const char* modifiers;
    const char* pattern;
    const char* subject;
    const char* match;  // whole match; nullptr when nothing matches
    const char* group1; // text of submatch 1; nullptr to leave unchecked
};

const MatchCase kMatchCases[] = {
    // What the program itself matches.
    {"", "^(\\d+)\\.(\\d+)\\.", "5.1.30-community", "5.1.", "5"},
    {"", "^([-+]?[0-9]+)", "42abc", "42", "42"},
    {"", "^([-+]?[0-9]+)", "abc", nullptr, nullptr},
    {"", "^([-+]?[0-9]*\\.?[0-9]+([eE][-+]?[0-9]+)?)", "-12.5e+3xyz", "-12.5e+3", "-12.5e+3"},
    {"", "^([-+]?[0-9]*\\.?[0-9]+([eE][-+]?[0-9]+)?)", "1.x", "1", "1"},
    {"", "^([-+]?[0-9]*\\.?[0-9]+([eE][-+]?[0-9]+)?)", ".5", ".5", ".5"},
    {"", "\\[HELP(\\s+)([\\s_A-Z]+)\\]", "see [HELP  SHOW TABLES] now", "[HELP  SHOW TABLES]", "  "},
    {"", "cmd://topic_(\\d*)", "go cmd://topic_123 now", "cmd://topic_123", "123"},
    {"", "cmd://topic_(\\d*)", "cmd://topic_", "cmd://topic_", ""},
    {"", "(?i)(https?://[a-z0-9./_-]+)", "see HTTP://Example.COM/x y", "HTTP://Example.COM/x",
     "HTTP://Example.COM/x"},
    // Quantifiers, greedy and not.
    {"", "a{2,3}", "aaaa", "aaa", nullptr},
    {"", "a{2,3}?", "aaaa", "aa", nullptr},
    {"", "a{2,3}?b", "aaab", "aaab", nullptr},
    {"", "a{2}", "a", nullptr, nullptr},
    {"", "a{2,}", "aaaaa", "aaaaa", nullptr},
    {"", "a{0}b", "ab", "b", nullptr},
    {"-g", "a+", "aaa", "a", nullptr},
    {"-g", "a{2,3}", "aaaa", "aa", nullptr},
    {"", "<.+>", "<a><b>", "<a><b>", nullptr},
    {"", "<.+?>", "<a><b>", "<a>", nullptr},
    {"-g", "<.+?>", "<a><b>", "<a>", nullptr},
    {"", "a*ab", "aaab", "aaab", nullptr},
    {"", "a?b", "b", "b", nullptr},
    {"", "b+", "aabbbcbb", "bbb", nullptr},
    {"", "x*abc", "xxabd xabc", "xabc", nullptr},
    // Groups and loops over them; a group keeps its last repetition.
    {"", "(ab)+", "xababab", "ababab", "ab"},
    {"", "(ab){2}", "ababab", "abab", "ab"},
    {"", "(ab){2,}?", "ababab", "abab", "ab"},
    {"", "(a|b)*c", "abbac", "abbac", "a"},
    {"", "(a|b){2,3}", "ababa", "aba", "a"},
    {"", "(a|b){2,3}?", "ababa", "ab", "b"},
    {"-g", "(a|b)+", "ab", "a", "a"},
    {"", "(ab)*?c", "ababc", "ababc", "ab"},
    {"", "(a|(b))+", "ba", "ba", "a"},
    {"", "((a|b)c){2}", "acbc", "acbc", "bc"},
    {"", "a|ab", "abc", "a", nullptr},
    {"", "(a|ab)c", "abc", "abc", "ab"},
    {"", "a(b|)c", "ac", "ac", ""},
    {"", "a|", "x", "", nullptr},
    // Back-references.
    {"", "(a+)b\\1", "aaabaa", "aabaa", "aa"},
    {"", "(a)\\1", "aA", nullptr, nullptr},
    {"i", "(a)\\1", "aA", "aA", "a"},
    {"", "(a)|b\\1", "b", nullptr, nullptr},
    {"", "(ab)\\1+", "abababx", "ababab", "ab"},
    // Escapes.
    {"", "\\x41\\x{42}", "xAB", "AB", nullptr},
    {"", "\\t\\e\\n", "a\t\x1b\n", "\t\x1b\n", nullptr},
    {"", "\\d\\D\\s\\S\\w\\W", "1a b_!", "1a b_!", nullptr},
    {"", "\\.\\*\\q", ".*q", ".*q", nullptr},
    // Classes.
    {"", "[]a]+", "x]a]", "]a]", nullptr},
    {"", "[^]a]+", "]]xy", "xy", nullptr},
    {"", "[a-]+", "b-a-", "-a-", nullptr},
    {"", "[-a]+", "b-a-", "-a-", nullptr},
    {"", "[\\d-z]+", "x1-z", "1-z", nullptr},
    {"", "[a-\\d]+", "x-a1", "-a1", nullptr},
    {"", "[a-c-e]+", "b-e", "b-e", nullptr},
    {"", "[a-c-e]", "d", nullptr, nullptr},
    {"", "[\\x41-\\x43]+", "ABCD", "ABC", nullptr},
    {"", "[\\D]+", "12ab3", "ab", nullptr},
    {"i", "[a-c]+", "xAbC", "AbC", nullptr},
    {"i", "[^a]", "A", nullptr, nullptr},
    // Case-insensitivity and modifiers inside the expression.
    {"", "(?i)abc", "ABC", "ABC", nullptr},
    {"", "a(?i)b", "aB", "aB", nullptr},
    {"", "a(?i)b", "Ab", nullptr, nullptr},
    {"i", "a(?-i)b", "Ab", "Ab", nullptr},
    {"i", "a(?-i)b", "AB", nullptr, nullptr},
    {"", "(a(?i)b)c", "aBc", "aBc", "aB"},
    {"", "(a(?i)b)c", "aBC", nullptr, nullptr},
    {"", "(?i)a|b", "B", "B", nullptr},
    {"", "(?-g)a+", "aaa", "a", nullptr},
    // cp1251 letters: ranges under r, and the case mapping (Latin-1 without r).
    {"", "[\xE0-\xFF]", "\xB8", "\xB8", nullptr},
    {"-r", "[\xE0-\xFF]", "\xB8", nullptr, nullptr},
    {"", "[\xC0-\xDF]", "\xA8", "\xA8", nullptr},
    {"", "[\xC0-\xFF]+", "\xA8\xB8", "\xA8\xB8", nullptr},
    {"", "[\xE0-\xFE]", "\xB8", nullptr, nullptr},
    {"i", "[\xE0-\xFF]", "\xA8", "\xA8", nullptr},
    {"i", "\xE0", "\xC0", "\xC0", nullptr},
    {"i", "\xB8", "\xA8", "\xA8", nullptr},
    {"i", "\xFF", "\xDF", "\xDF", nullptr},
    {"i-r", "\xB8", "\xA8", nullptr, nullptr},
    {"i-r", "\xFF", "\xDF", nullptr, nullptr},
    {"i-r", "\xE9", "\xC9", "\xC9", nullptr},
    {"i-r", "\xF7", "\xD7", nullptr, nullptr},
    // Lines, anchors and word boundaries.
    {"", "^abc", "xabc", nullptr, nullptr},
    {"", "^b", "a\nb", nullptr, nullptr},
    {"m", "^b", "a\nb", "b", nullptr},
    {"m", "^abc", "x\r\nabc", "abc", nullptr},
    {"", "b$", "b\n", nullptr, nullptr},
    {"m", "b$", "b\r\nc", "b", nullptr},
    {"m", "\\r^\\n", "\r\n", nullptr, nullptr},
    {"m", "\\r$\\n", "\r\n", nullptr, nullptr},
    {"m", "\\Aa", "b\na", nullptr, nullptr},
    {"m", "a\\Z", "a\nb", nullptr, nullptr},
    {"", "a.c", "a\nc", "a\nc", nullptr},
    {"-s", "a.c", "a\nc", nullptr, nullptr},
    {"-s", "a.c", "a\rc", nullptr, nullptr},
    {"-s", "a.c", "abc", "abc", nullptr},
    {"", "\\bfoo\\b", "a foo b", "foo", nullptr},
    {"", "\\bfoo\\b", "afoob", nullptr, nullptr},
    {"", "\\Boo", "foo", "oo", nullptr},
    // Extended syntax and comments.
    {"x", "a b # comment\n c", "abc", "abc", nullptr},
    {"x", "a\\ b", "a b", "a b", nullptr},
    {"x", "[ ]", "a b", " ", nullptr},
    {"x", "a +", "aaa", "aaa", nullptr},
    {"", "a b", "ab", nullptr, nullptr},
    {"", "a(?#note)b", "ab", "ab", nullptr},
    {"", "a(?#note)*", "aaa", "aaa", nullptr},
    {"", "(?x)a b", "ab", "ab", nullptr},
    // Braces that are no repetition are literal.
    {"", "a{,2}", "a{,2}", "a{,2}", nullptr},
    {"", "a{x", "a{x", "a{x", nullptr},
    {"", "{", "{", "{", nullptr},
    {"", "a{2", "a{2", "a{2", nullptr},
};

TEST(RegExprTest, MatchesTableOfCases) {
    for (const MatchCase& c : kMatchCases) {
        SCOPED_TRACE(std::string("modifiers '") + c.modifiers + "', /" + c.pattern + "/ on '" + c.subject +
                     "'");
        TRegExpr re;
        ApplyModifiers(re, c.modifiers);
        re.SetExpression(c.pattern);
        bool found = re.Exec(c.subject);
        EXPECT_EQ(found, c.match != nullptr);
        if (c.match) {
            EXPECT_EQ(re.SubMatchText(0), c.match);
        }
        if (c.group1) {
            EXPECT_EQ(re.SubMatchText(1), c.group1);
        }
    }
}

TEST(RegExprTest, SubMatchPositions) {
    TRegExpr re;
    re.SetExpression("^(\\d+)\\.(\\d+)\\.");
    ASSERT_TRUE(re.Exec("5.1.30-community"));
    EXPECT_EQ(re.SubMatchStart(0), 1);
    EXPECT_EQ(re.SubMatchLength(0), 4);
    EXPECT_EQ(re.SubMatchStart(1), 1);
    EXPECT_EQ(re.SubMatchText(1), "5");
    EXPECT_EQ(re.SubMatchStart(2), 3);
    EXPECT_EQ(re.SubMatchText(2), "1");
    EXPECT_EQ(re.SubMatchStart(3), -1);
    EXPECT_EQ(re.SubMatchLength(3), -1);
    for (int index : {-1, 15}) {
        EXPECT_EQ(re.SubMatchStart(index), -1);
        EXPECT_EQ(re.SubMatchLength(index), -1);
        EXPECT_EQ(re.SubMatchText(index), "");
    }

    re.SetExpression("$");
    ASSERT_TRUE(re.Exec("abc"));
    EXPECT_EQ(re.SubMatchStart(0), 4);
    EXPECT_EQ(re.SubMatchLength(0), 0);

    re.SetExpression("(a)?(b)");
    ASSERT_TRUE(re.Exec("xb"));
    EXPECT_EQ(re.SubMatchStart(1), -1);
    EXPECT_EQ(re.SubMatchText(1), "");
    EXPECT_EQ(re.SubMatchStart(2), 2);
}

TEST(RegExprTest, FailedExecClearsSubMatches) {
    TRegExpr re;
    re.SetExpression("^([-+]?[0-9]+)");
    ASSERT_TRUE(re.Exec("42abc"));
    EXPECT_EQ(re.InputString(), "42abc");
    EXPECT_FALSE(re.Exec("abc"));
    EXPECT_EQ(re.SubMatchStart(0), -1);
    EXPECT_EQ(re.SubMatchText(1), "");
}

TEST(RegExprTest, FourteenGroupsAreSubMatches) {
    std::string pattern;
    for (int i = 0; i < 14; ++i)
        pattern += "(.)";
    TRegExpr re;
    re.SetExpression(pattern);
    ASSERT_TRUE(re.Exec("abcdefghijklmn"));
    EXPECT_EQ(re.SubMatchText(14), "n");
    EXPECT_EQ(re.SubMatchStart(14), 14);
}

TEST(RegExprTest, ZeroByteEndsTheInput) {
    TRegExpr re;
    const std::string input("ab\0cd", 5);
    re.SetExpression("cd");
    EXPECT_FALSE(re.Exec(input));
    EXPECT_EQ(re.InputString(), input);
    re.SetExpression("b$");
    EXPECT_TRUE(re.Exec(input));
}

struct ErrorCase {
    const char* pattern;
    int code;
};

const ErrorCase kCompileErrors[] = {
    {"x**", 107},
    {"x+*", 107},
    {"x?+", 107},
    {"x*??", 107},
    {"x{2}{3}", 107},
    {"(a", 103},
    {"((a)", 103},
    {"(?i", 103},
    {")", 104},
    {"a)b", 104},
    {"*a", 115},
    {"a|+b", 115},
    {"{2}", 115},
    {"(?i)*", 115},
    {"(*)", 115},
    {"(a*)*", 106},
    {"()+", 106},
    {"^*", 106},
    {"(a|)*", 106},
    {"\\b{2}", 106},
    {"(a?){2}", 106},
    {"[b-a]", 109},
    {"\\xZZ", 108},
    {"\\x4g", 108},
    {"\\x{4g}", 108},
    {"\\x", 111},
    {"\\x4", 111},
    {"\\x{}", 111},
    {"\\x{41", 111},
    {"\\x{100}", 112},
    {"abc\\", 116},
    {"[a\\", 110},
    {"[a-\\", 110},
    {"[abc", 113},
    {"[]", 113},
    {"[^", 113},
    {"a{123456789}", 122},
    {"a{1,123456789}", 122},
    {"a{3,2}", 124},
    {"a(?#x", 125},
    {"(?q)", 127},
    {"(?:a)", 127},
};

TEST(RegExprTest, CompileErrorsHaveCodeAndPosition) {
    for (const ErrorCase& c : kCompileErrors) {
        SCOPED_TRACE(std::string("/") + c.pattern + "/");
        TRegExpr re;
        re.SetExpression(c.pattern);
        try {
            re.Exec("abc");
            ADD_FAILURE() << "no error";
        } catch (const ERegExpr& e) {
            EXPECT_EQ(e.Code(), c.code);
            const std::string prefix = TRegExpr::ErrorMsg(c.code) + " (pos ";
            EXPECT_EQ(e.Message().substr(0, prefix.size()), prefix);
            EXPECT_EQ(e.Message().back(), ')');
            EXPECT_GT(e.CompilePos(), 0);
            EXPECT_STREQ(e.ClassName(), "ERegExpr");
        }
    }
}

TEST(RegExprTest, NestedQuantifierMessage) {
    TRegExpr re;
    re.SetExpression("x**");
    try {
        re.Exec("x");
        FAIL() << "no error";
    } catch (const ERegExpr& e) {
        EXPECT_EQ(e.Code(), 107);
        EXPECT_EQ(e.Message(), "TRegExpr(comp): Nested *?+ (pos " + std::to_string(e.CompilePos()) + ")");
    }
}

TEST(RegExprTest, TooManyGroups) {
    std::string fifteen;
    for (int i = 0; i < 15; ++i)
        fifteen += "(a)";
    TRegExpr re;
    re.SetExpression(fifteen);
    try {
        re.Exec("a");
        FAIL() << "no error";
    } catch (const ERegExpr& e) {
        EXPECT_EQ(e.Code(), 102);
    }
}

TEST(RegExprTest, FailedCompilationLeavesNoProgram) {
    TRegExpr re;
    re.SetExpression("(a");
    EXPECT_THROW(re.Exec("a"), ERegExpr);
    EXPECT_THROW(re.Exec("a"), ERegExpr);
    re.SetExpression("a");
    EXPECT_TRUE(re.Exec("a"));
}

TEST(RegExprTest, ExecWithoutExpression) {
    TRegExpr re;
    try {
        re.Exec("a");
        FAIL() << "no error";
    } catch (const ERegExpr& e) {
        EXPECT_EQ(e.Code(), 1003);
        EXPECT_EQ(e.Message(), "TRegExpr(exec): Not Assigned Expression Property");
    }
}

// Loops with braces or non-greedy loops over groups nest at most 10 deep.
std::string NestedBraceLoops(int depth) {
    return std::string(depth, '(') + "a" + [depth] {
        std::string tail;
        for (int i = 0; i < depth; ++i)
            tail += "){1,2}";
        return tail;
    }();
}

TEST(RegExprTest, LoopNestingLimit) {
    TRegExpr re;
    re.SetExpression(NestedBraceLoops(10));
    EXPECT_TRUE(re.Exec("a"));
    re.SetExpression(NestedBraceLoops(11));
    try {
        re.Exec("a");
        FAIL() << "no error";
    } catch (const ERegExpr& e) {
        EXPECT_EQ(e.Code(), 1014);
        EXPECT_EQ(e.Message(), "TRegExpr(exec): Loop Stack Exceeded");
    }
}

TEST(RegExprTest, ErrorMsgTable) {
    EXPECT_EQ(TRegExpr::ErrorMsg(0), "No errors");
    EXPECT_EQ(TRegExpr::ErrorMsg(103), TRegExpr::ErrorMsg(104));
    EXPECT_EQ(TRegExpr::ErrorMsg(116), "TRegExpr(comp): Trailing \\");
    EXPECT_EQ(TRegExpr::ErrorMsg(1015), "TRegExpr(exec): Loop Without LoopEntry !");
    EXPECT_EQ(TRegExpr::ErrorMsg(2000), "TRegExpr(misc): Bad p-code imported");
    EXPECT_EQ(TRegExpr::ErrorMsg(117), "Unknown error");
}

TEST(RegExprTest, ModifiersAndRecompilation) {
    TRegExpr re;
    EXPECT_TRUE(re.Modifier('r'));
    EXPECT_TRUE(re.Modifier('S'));
    EXPECT_TRUE(re.Modifier('g'));
    EXPECT_FALSE(re.Modifier('i'));
    EXPECT_FALSE(re.Modifier('m'));
    EXPECT_FALSE(re.Modifier('X'));
    EXPECT_THROW(re.SetModifier('q', true), ERegExpr);

    re.SetExpression("abc");
    EXPECT_FALSE(re.Exec("ABC"));
    re.SetModifier('I', true);
    EXPECT_TRUE(re.Exec("ABC"));
    re.SetModifier('i', false);
    EXPECT_FALSE(re.Exec("ABC"));
}

TEST(RegExprTest, CharacterSettingsTakeEffect) {
    TRegExpr re;
    re.SetExpression("\\w+");
    ASSERT_TRUE(re.Exec("ab-cd"));
    EXPECT_EQ(re.SubMatchText(0), "ab");
    re.SetWordChars("abcd-");
    ASSERT_TRUE(re.Exec("ab-cd"));
    EXPECT_EQ(re.SubMatchText(0), "ab-cd");

    re.SetExpression("a\\sb");
    re.SetSpaceChars("_");
    EXPECT_TRUE(re.Exec("a_b"));
    EXPECT_FALSE(re.Exec("a b"));

    re.SetModifier('m', true);
    re.SetExpression("^b");
    re.SetLineSeparators(";");
    EXPECT_TRUE(re.Exec("a;b"));
    EXPECT_FALSE(re.Exec("a\nb"));
}

TEST(RegExprTest, LinePairedSeparator) {
    TRegExpr re;
    for (const char* bad : {"a", "aa", "abc"}) {
        try {
            re.SetLinePairedSeparator(bad);
            ADD_FAILURE() << bad;
        } catch (const ERegExpr& e) {
            EXPECT_EQ(e.Code(), 128);
        }
    }
    EXPECT_EQ(re.LinePairedSeparator(), "\r\n");

    re.SetModifier('m', true);
    re.SetExpression("\\r^\\n");
    EXPECT_FALSE(re.Exec("\r\n"));
    re.SetLinePairedSeparator("");
    EXPECT_TRUE(re.Exec("\r\n"));
}

TEST(RegExprTest, LongSubjectsDoNotExhaustTheStack) {
    TRegExpr re;
    std::string subject;
    for (int i = 0; i < 250000; ++i)
        subject += "ab";
    re.SetExpression("(a|b)*c");
    ASSERT_TRUE(re.Exec(subject + "c"));
    EXPECT_EQ(re.SubMatchLength(0), 500001);
    EXPECT_EQ(re.SubMatchText(1), "b");

    re.SetExpression("^(ab)+?$");
    EXPECT_TRUE(re.Exec(subject));

    re.SetExpression("a[ab]*b$");
    EXPECT_TRUE(re.Exec(subject + std::string(4000000, 'b')));
}

TEST(RegExprTest, TooMuchBacktrackingRaisesAnError) {
    std::string subject;
    for (int i = 0; i < 1000000; ++i)
        subject += "ab";
    TRegExpr re;
    re.SetExpression("(a|b)*c");
    try {
        re.Exec(subject + "c");
        FAIL() << "no error";
    } catch (const ERegExpr& e) {
        EXPECT_EQ(e.Code(), 1016);
        EXPECT_EQ(e.Message(), TRegExpr::ErrorMsg(1016));
    }
}

TEST(RegExprTest, DeeplyNestedExpressionRaisesAnError) {
    TRegExpr re;
    re.SetExpression(std::string(100000, '(') + "a" + std::string(100000, ')'));
    try {
        re.Exec("a");
        FAIL() << "no error";
    } catch (const ERegExpr& e) {
        EXPECT_EQ(e.Code(), 102);
    }
}

} // namespace
