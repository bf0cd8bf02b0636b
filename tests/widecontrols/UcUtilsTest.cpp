#include "widecontrols/uUcUtils.h"

#include "widecontrols/AnsiCodePageScope.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

namespace widecontrols {
namespace {

struct Utf7Case {
    std::u16string wide;
    std::string utf7;
};

class Utf7EncodeTest : public testing::TestWithParam<Utf7Case> {};

TEST_P(Utf7EncodeTest, EncodesAndDecodesBack) {
    EXPECT_EQ(WideToUtf7(GetParam().wide), GetParam().utf7);
    EXPECT_EQ(Utf7ToWide(GetParam().utf7), GetParam().wide);
}

INSTANTIATE_TEST_SUITE_P(Table, Utf7EncodeTest,
                         testing::Values(Utf7Case{u"A\u2262\u0391.", "A+ImIDkQ."},
                                         Utf7Case{u"Hi Mom -\u263A-!", "Hi Mom -+Jjo--!"},
                                         Utf7Case{u"+", "+-"}, Utf7Case{u"\u00E9", "+AOk"},
                                         Utf7Case{u"\u00E9!", "+AOk!"}, Utf7Case{u"\u00E9a", "+AOk-a"},
                                         Utf7Case{u"\u00E9-", "+AOk--"}, Utf7Case{u"~", "+AH4"},
                                         Utf7Case{u"\\a\u00E9\U0001F600 b\r\n", "+AFw-a+AOnYPd4A b\r\n"},
                                         Utf7Case{u"", ""}));

TEST(Utf7DecodeTest, AcceptsWhatTheEncoderNeverWrites) {
    EXPECT_EQ(Utf7ToWide("+AGE"), u"a");
    EXPECT_EQ(Utf7ToWide("+AOk-a"), u"\u00E9a");
    EXPECT_EQ(Utf7ToWide("a+-b"), u"a+b");
}

TEST(Utf7DecodeTest, RejectsInvalidInputWhole) {
    for (const char* bad : {"+AGF", "+,", "++", "+!", "a\xE9", "+AGE\x80", "ok+"}) {
        SCOPED_TRACE(bad);
        try {
            Utf7ToWide(bad);
            ADD_FAILURE() << "no error";
        } catch (const EUcGeneralError& e) {
            EXPECT_EQ(e.Message(), "Invalid UTF7");
        }
    }
}

TEST(Utf7DecodeTest, EveryCutOfValidTextDecodesOrRaisesOnlyItsError) {
    const std::string text = WideToUtf7(u"x \u00E9\u263A+y\U0001F600~z");
    for (size_t length = 0; length <= text.size(); ++length) {
        try {
            Utf7ToWide(text.substr(0, length));
        } catch (const EUcGeneralError&) {
        }
    }
}

// The sound rule: nothing is lost, four-byte characters are surrogate pairs, each bad sequence is one
// U+FFFD (the written rule emptied the whole text).
TEST(Utf8Test, KeepsTextAroundMalformedSequencesAndPairsSurrogates) {
    EXPECT_EQ(WideToUtf8(u"\u00E9"), "\xC3\xA9");
    EXPECT_EQ(Utf8ToWide("\xC3\xA9"), u"\u00E9");
    EXPECT_EQ(Utf8ToWide("ab\xC3"), u"ab\uFFFD");
    EXPECT_EQ(Utf8ToWide("ab\xC3\x41"), u"ab\uFFFDA");
    EXPECT_EQ(Utf8ToWide("\xFF"), u"\uFFFD");
    EXPECT_EQ(Utf8ToWide("\xF0\x9F\x98\x80"), u"\U0001F600");
    EXPECT_EQ(WideToUtf8(u"\U0001F600"), "\xF0\x9F\x98\x80");
    EXPECT_EQ(WideToUtf8(std::u16string(1, char16_t(0xD800))), "\xEF\xBF\xBD");
}

TEST(CodePageTest, RoutesUtf7AndUtf8ToTheOwnCodersAndTheDefaultToTheAnsiPage) {
    EXPECT_EQ(StringToWideWithCodePage("+AOk-", CP_UTF7), u"\u00E9");
    EXPECT_EQ(WideToStringWithCodePage(u"\u00E9", CP_UTF7), "+AOk");
    EXPECT_EQ(StringToWideWithCodePage("\xC3\xA9", CP_UTF8), u"\u00E9");
    EXPECT_EQ(WideToStringWithCodePage(u"\u00E9\u20AC", 1252), "\xE9\x80");
    EXPECT_EQ(StringToWideWithCodePage("\xC4", 1253), u"\u0394");
    EXPECT_EQ(WideToStringWithCodePage(u"\u00E9", CP_THREAD_ACP), "\xC3\xA9");
    AnsiCodePageScope latin(1252);
    EXPECT_EQ(WideToStringWithCodePage(u"\u00E9\u263A", CP_ACP), "\xE9?");
    EXPECT_EQ(AnsiToWide("\xC3\xA9"), u"\u00C3\u00A9");
}

TEST(SyncedWideStringTest, FollowsTheAnsiValueWhenItChangedBehindItsBack) {
    WideString stored = u"old";
    EXPECT_EQ(GetSyncedWideString(stored, "old"), u"old");
    EXPECT_EQ(GetSyncedWideString(stored, "new \xC3\xA9"), u"new \u00E9");
    EXPECT_EQ(stored, u"new \u00E9");
}

TEST(SyncedWideStringTest, TwoTextsWithOneAnsiFormReachTheSetterTwice) {
    AnsiCodePageScope latin(1252);
    std::string ansi;
    std::vector<std::string> calls;
    const TSetAnsiStrEvent setter = [&](const std::string& text) {
        calls.push_back(text);
        ansi = text;
    };
    WideString stored;
    SetSyncedWideString(u"\u263A", stored, ansi, setter);
    EXPECT_THAT(calls, testing::ElementsAre("?"));
    SetSyncedWideString(u"\u263B", stored, ansi, setter);
    EXPECT_THAT(calls, testing::ElementsAre("?", "", "?"));
    EXPECT_EQ(stored, u"\u263B");
    SetSyncedWideString(u"\u263B", stored, ansi, setter);
    EXPECT_EQ(calls.size(), 3u);
}

TEST(AdjustLineBreaksWideTest, EveryBreakTakesTheStyle) {
    const std::u16string text = u"p\r\nq\nr\u2028s\rt";
    EXPECT_EQ(AdjustLineBreaksWide(text, tlbsCRLF), u"p\r\nq\r\nr\r\ns\r\nt");
    EXPECT_EQ(AdjustLineBreaksWide(text, tlbsLF), u"p\nq\nr\ns\nt");
    EXPECT_EQ(AdjustLineBreaksWide(text, tlbsCR), u"p\rq\rr\rs\rt");
    EXPECT_EQ(AdjustLineBreaksWide(u"\n\r", tlbsCRLF), u"\r\n\r\n");
}

TEST(ExpandFileNameWideTest, GivesTheAbsolutePathOfAnyLength) {
    const std::u16string longName(300, u'\u00E9');
    const std::u16string expanded = ExpandFileNameWide(u"a/../" + longName);
    const std::u16string cwd = Utf8ToWide(std::filesystem::current_path().string());
    EXPECT_EQ(expanded, cwd + u"/" + longName);
}

} // namespace
} // namespace widecontrols
