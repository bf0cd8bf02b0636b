#include "editor/WCESQLHighlighter.h"

#include "EditorModelTesting.h"
#include "platform/rtl/Settings.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <unistd.h>

namespace editor {
namespace {

struct TToken {
    int kind;
    std::u16string text;
    friend bool operator==(const TToken&, const TToken&) = default;
    friend std::ostream& operator<<(std::ostream& out, const TToken& t) {
        out << t.kind << ":";
        for (char16_t c : t.text)
            out << char(c < 128 ? c : '?');
        return out;
    }
};

// The tokens of one line scanned from `range`, and the range after it.
std::vector<TToken> Scan(TWCESQLHighlighter& h, std::u16string_view line, int range = srNormal) {
    h.SetLine(line);
    h.SetRange(range);
    std::vector<TToken> tokens;
    for (h.Next(); h.TokenAvailable(); h.Next())
        tokens.push_back({h.TokenKind(), h.GetToken()});
    return tokens;
}

std::vector<int> Kinds(const std::vector<TToken>& tokens) {
    std::vector<int> kinds;
    for (const auto& t : tokens)
        kinds.push_back(t.kind);
    return kinds;
}

TEST(WCESQLHighlighterTest, TokenSequences) {
    const struct {
        std::u16string line;
        std::vector<int> kinds;
    } cases[] = {
        {u"select @a, @@sql_mode from t", {950, 959, 958, 955, 959, 956, 959, 950, 959, 948}},
        {u"-1.5e3", {945}},
        {u"-15", {955, 949}},
        {u"+2e-3 1. 7E", {945, 959, 945, 959, 949, 948}},
        {u"/*! 50001 x */", {944}},
        {u"--x", {955, 948}},
        {u"-- x", {953}},
        {u"--", {953}},
        {u"# note", {953}},
        {u"'it\\'s'", {954}},
        {u"DELIMITER delimiter", {950, 959, 950}},
        {u"`a\\` b", {952, 959, 948}}, // no backslash escape in back-quotes
        {u"`a``b`", {952}},
        {u"\"x\\\"y\"", {952}},
        {u"0x1F X'0a' x", {946, 959, 947, 959, 948}},
        {u"@ @@", {955, 959, 955, 955}},
        {u"caf\u00e9 \u0141x", {948, 959, 948}},
    };
    TWCESQLHighlighter h;
    for (const auto& c : cases)
        EXPECT_EQ(Kinds(Scan(h, c.line)), c.kinds) << ::testing::PrintToString(Scan(h, c.line));
}

TEST(WCESQLHighlighterTest, RangesCarryCommentsStringsAndNamesAcrossLines) {
    TWCESQLHighlighter h;
    const struct {
        std::u16string first, second;
        int range;
        std::vector<int> secondKinds;
    } cases[] = {
        {u"/* x", u"y */ a", srComment, {951, 951, 959, 948}}, // "y ", "*/"
        {u"/*! x", u"y * */", srExecutableComment, {944, 944, 944, 944}},
        {u"'abc", u"d' 1", srString, {954, 954, 959, 949}}, // "d", "'"
        {u"'abc", u"\\'d' 1", srString, {954, 954, 954, 959, 949}},
        {u"\"ab", u"\" 1", srDoubleQuoted, {952, 959, 949}},
        {u"`a\\", u"b``c` 1", srBackQuoted, {952, 952, 952, 952, 959, 949}},
        {u"'a\\", u"' b", srString, {954, 959, 948}}, // the backslash stops at the line end
    };
    for (const auto& c : cases) {
        Scan(h, c.first);
        EXPECT_EQ(h.GetRange(), c.range)
            << ::testing::PrintToString(std::string(c.first.begin(), c.first.end()));
        EXPECT_EQ(Kinds(Scan(h, c.second, c.range)), c.secondKinds);
        EXPECT_EQ(h.GetRange(), srNormal);
    }
}

TEST(WCESQLHighlighterTest, EveryKeywordIsFoundInAnyCase) {
    for (int n = 257; n <= 943; ++n) {
        const std::string name = SQLKeyword(n);
        std::u16string upper(name.begin(), name.end()), lower;
        for (char16_t c : upper)
            lower.push_back(c >= u'A' && c <= u'Z' ? char16_t(c + 32) : c);
        EXPECT_EQ(SQLKeywordNumber(upper), n) << name;
        EXPECT_EQ(SQLKeywordNumber(lower), n) << name;
    }
    EXPECT_EQ(SQLKeyword(257), std::string("ABS"));
    EXPECT_EQ(SQLKeyword(943), std::string("ZEROFILL"));
    EXPECT_EQ(SQLKeywordNumber(u"CHAR_LENGTH"), SQLKeywordNumber(u"CHARSET") + 1);
    EXPECT_EQ(SQLKeywordNumber(u"ABSX"), 0);
    EXPECT_EQ(SQLKeywordNumber(u""), 0);
}

TEST(WCESQLHighlighterTest, AttributesNamesIndexesAndDefaults) {
    TWCESQLHighlighter h;
    const char* names[] = {"comment", "identifier",      "number",        "reserved word",
                           "space",   "String",          "symbol",        "embedded command",
                           nullptr,   "system variable", "user variable", "quoted identifier"};
    for (int i = 0; i < 12; ++i) {
        if (!names[i]) {
            EXPECT_EQ(h.GetAttribute(i), nullptr);
            continue;
        }
        ASSERT_NE(h.GetAttribute(i), nullptr);
        EXPECT_EQ(h.GetAttribute(i)->Name(), names[i]);
        EXPECT_EQ(h.GetAttribute(i)->Foreground(), ui::clWindowText);
    }
    EXPECT_EQ(h.GetAttribute(12), nullptr);
    EXPECT_EQ(h.CommentAttributes().Style(), ui::TFontStyles{ui::fsItalic});
    EXPECT_EQ(h.KeyAttributes().Style(), ui::TFontStyles{ui::fsBold});
    EXPECT_EQ(h.DefaultFilter(), "SQL script files (*.sql)|*.sql");
    EXPECT_EQ(h.GetLanguageName(), "SQL");

    h.KeyAttributes().SetForeground(ui::clRed);
    h.SetLine(u"select");
    h.Next();
    TTokenInfo info;
    h.GetTokenInfo(info);
    EXPECT_EQ(info.Kind, tkReservedWord);
    EXPECT_EQ(info.Length, 6);
    EXPECT_EQ(info.Foreground, ui::clRed);
    EXPECT_EQ(info.Background, ui::ColorToRGB(ui::clWindow));
}

TEST(WCESQLHighlighterTest, IdentifierCharactersUseUnicodeClassesAboveTheLowByte) {
    TWCESQLHighlighter h;
    EXPECT_TRUE(h.IsIdentChar(u'_'));
    EXPECT_FALSE(h.IsIdentChar(u'@'));
    EXPECT_FALSE(h.IsIdentChar(u'\u00e9')); // the table's own set is ASCII
    EXPECT_TRUE(h.IsIdentChar(u'\u0141'));  // a letter, though its low byte is 'A'
    EXPECT_FALSE(h.IsIdentChar(u'\u2028'));
}

TEST(WCESQLHighlighterTest, AssignAttributesMatchesNamesIgnoringCaseForTheStoredSeven) {
    TWCESQLHighlighter source, target;
    source.StringAttributes().SetForeground(ui::clBlue);
    source.QuotedIDAttributes().SetForeground(ui::clBlue); // index 11: not assigned
    target.AssignAttributes(source);
    EXPECT_EQ(target.StringAttributes().Foreground(), ui::clBlue);
    EXPECT_EQ(target.QuotedIDAttributes().Foreground(), ui::clWindowText);
}

class WCESQLHighlighterRegistryTest : public ::testing::Test {
protected:
    std::string path = (std::filesystem::temp_directory_path() /
                        ("veltrane-highlighter-" + std::to_string(::getpid()) + "-" +
                         ::testing::UnitTest::GetInstance()->current_test_info()->name()))
                           .string();
    void TearDown() override { std::filesystem::remove(path); }
};

TEST_F(WCESQLHighlighterRegistryTest, SaveThenLoadRoundTrips) {
    rtl::TSettings settings(path);
    TWCESQLHighlighter saved, loaded;
    saved.NumberAttributes().SetForeground(ui::RGB(1, 2, 3));
    saved.NumberAttributes().SetBackground(ui::clBtnFace);
    saved.NumberAttributes().SetStyle({ui::fsBold, ui::fsStrikeOut});
    ASSERT_TRUE(saved.SaveToRegistry(settings, "Software\\Veltrane\\Highlighter"));
    ASSERT_TRUE(loaded.LoadFromRegistry(settings, "Software\\Veltrane\\Highlighter"));
    EXPECT_EQ(loaded.NumberAttributes().Foreground(), ui::RGB(1, 2, 3));
    EXPECT_EQ(loaded.NumberAttributes().Background(), ui::clBtnFace);
    EXPECT_EQ(loaded.NumberAttributes().Style(), (ui::TFontStyles{ui::fsBold, ui::fsStrikeOut}));
    EXPECT_EQ(loaded.CommentAttributes().Style(), ui::TFontStyles{ui::fsItalic});
    EXPECT_FALSE(loaded.LoadFromRegistry(settings, "Software\\Veltrane\\Missing"));
}

TEST_F(WCESQLHighlighterRegistryTest, AMissingSubkeyStopsLoadingAndAShortValueIsIgnored) {
    rtl::TSettings settings(path);
    settings.OpenKey("Software\\H", true);
    // Red on clWindow, italic, as the 12 bytes in hexadecimal.
    settings.OpenKey("Software\\H\\comment", true);
    settings.WriteString("Attributes", "FF0000000500008002000000");
    settings.OpenKey("Software\\H\\number", true); // after the missing "identifier"
    settings.WriteString("Attributes", "FF0000000500008002000000");

    TWCESQLHighlighter loaded;
    EXPECT_FALSE(loaded.LoadFromRegistry(settings, "Software\\H"));
    EXPECT_EQ(loaded.CommentAttributes().Foreground(), ui::clRed);
    EXPECT_EQ(loaded.CommentAttributes().Style(), ui::TFontStyles{ui::fsItalic});
    EXPECT_EQ(loaded.NumberAttributes().Foreground(), ui::clWindowText);

    // Every subkey present, but a value shorter than 12 bytes changes nothing.
    TWCESQLHighlighter().SaveToRegistry(settings, "Software\\H");
    settings.OpenKey("Software\\H\\number", false);
    settings.WriteString("Attributes", "FF00000005000080");
    loaded.NumberAttributes().SetForeground(ui::clLime);
    EXPECT_TRUE(loaded.LoadFromRegistry(settings, "Software\\H"));
    EXPECT_EQ(loaded.NumberAttributes().Foreground(), ui::clLime);
    EXPECT_EQ(loaded.CommentAttributes().Foreground(), ui::clWindowText);
}

TEST_F(WCESQLHighlighterRegistryTest, LegacyLayoutsGiveColoursByPaletteIndexOrByName) {
    rtl::TSettings settings(path);
    settings.OpenKey("Old\\Comment", true);
    settings.WriteInteger("Foreground Color", 9);
    settings.WriteString("Background Color", "16"); // outside the palette: kept
    settings.WriteString("Bold", "True");
    settings.WriteString("Foreground Color New", "clNavy");
    settings.WriteString("Background Color New", "$00010203");
    settings.WriteString("Default Background", "False");

    THighlightAttributes old("comment");
    ASSERT_TRUE(old.LoadFromLegacyKey(settings, "Old\\Comment", 6));
    EXPECT_EQ(old.Foreground(), ui::clRed);
    EXPECT_EQ(old.Background(), ui::clWindow);
    EXPECT_EQ(old.Style(), ui::TFontStyles{ui::fsBold});

    THighlightAttributes named("comment");
    ASSERT_TRUE(named.LoadFromLegacyKey(settings, "Old\\Comment", 7));
    EXPECT_EQ(named.Foreground(), ui::clNavy);
    EXPECT_EQ(named.Background(), 0x00010203);

    settings.WriteString("Default Foreground", "True");
    THighlightAttributes kept("comment");
    ASSERT_TRUE(kept.LoadFromLegacyKey(settings, "Old\\Comment", 7));
    EXPECT_EQ(kept.Foreground(), ui::clWindowText);
    EXPECT_FALSE(kept.LoadFromLegacyKey(settings, "Old\\Missing", 7));
}

// An editor view that counts repaints.
class TCountingView : public IWideCodeEditView {
public:
    int repaints = 0;
    void InvalidateAll() override { ++repaints; }
};

TEST(WCESQLHighlighterSharingTest, AnAttributeChangeRepaintsEveryAttachedEditor) {
    TWCESQLHighlighter h;
    TCountingView view1, view2;
    {
        TWideCodeEditModel first, second;
        first.SetView(&view1);
        second.SetView(&view2);
        first.SetHighLighter(&h);
        second.SetHighLighter(&h);
        view1.repaints = view2.repaints = 0;
        h.StringAttributes().SetForeground(ui::clGreen);
        EXPECT_EQ(view1.repaints, 1);
        EXPECT_EQ(view2.repaints, 1);
        h.StringAttributes().SetForeground(ui::clGreen); // no change, no repaint
        EXPECT_EQ(view1.repaints, 1);
        second.SetHighLighter(nullptr);
        EXPECT_EQ(h.Editors().size(), 1u);
    }
    EXPECT_TRUE(h.Editors().empty());
}

TEST(WCESQLHighlighterSharingTest, FreeingTheHighlighterDetachesIt) {
    TWideCodeEditModel editor;
    {
        TWCESQLHighlighter h;
        editor.SetHighLighter(&h);
    }
    EXPECT_EQ(editor.HighLighter(), nullptr);
}

} // namespace
} // namespace editor
