#include "editor/uSQLScriptEditorPlugin.h"

#include <gtest/gtest.h>

#include "editor/WCEContent.h"
#include "EditorModelTesting.h"
#include "platform/rtl/Utf.h"

#include <algorithm>
#include <vector>

namespace editor {
namespace {

// An editor with the plug-in attached, loaded with lines.
class TScript {
public:
    testing::TEditorFixture fixture;
    TWideCodeEditModel& editor = fixture.editor;
    TSQLScriptEditorPlugin plugin;

    explicit TScript(const std::vector<std::u16string>& lines) {
        plugin.Attach(&editor);
        std::u16string text;
        for (const std::u16string& line : lines)
            text += line + u"\r\n";
        fixture.Load(text);
    }

    TWideCodeEditorContent& Content() { return editor.Content(); }
    int LineCount() { return Content().Count(); }
    void Fetch(int line) { Content().GetLine(line); }
    void FetchAll() {
        for (int k = 0; k < LineCount(); ++k)
            Fetch(k);
    }
    const TLineData* Data(int line) {
        return static_cast<const TLineData*>(Content().GetLineRaw(line)->Data);
    }
    bool Validated(int line) { return Content().GetLineRaw(line)->Flags & TWCELine::lfValidated; }
    void Edit(int line, std::u16string text) { Content().GetLineRaw(line)->SetText(std::move(text)); }
    int Flags(int line) {
        int flags = -1;
        plugin.GetLineFlags(line, flags);
        return flags;
    }
    // The caret at a display column.
    TStatementAtCaret At(int column, int line) {
        editor.SetCaretXY({column, line});
        TStatementAtCaret statement;
        plugin.GetStatementAtCaret(statement.Offset, statement.Text);
        return statement;
    }
};

struct TCaretCase {
    const char* Name;
    std::vector<std::u16string> Lines;
    TCharPoint Caret;
    std::u16string Text;
    int Offset;
};

void PrintTo(const TCaretCase& c, std::ostream* os) {
    *os << c.Name;
}

class StatementAtCaret : public ::testing::TestWithParam<TCaretCase> {};

TEST_P(StatementAtCaret, GivesTheStatementWithoutItsDelimiter) {
    const TCaretCase& c = GetParam();
    TScript script(c.Lines);
    script.FetchAll();
    const TStatementAtCaret statement = script.At(c.Caret.X, c.Caret.Y);
    EXPECT_EQ(rtl::Utf16ToUtf8(statement.Text), rtl::Utf16ToUtf8(c.Text));
    EXPECT_EQ(statement.Offset, c.Offset);
}

const TCaretCase kCaretCases[] = {
    {"AfterTheLastCharacter", {u"SELECT 1; SELECT 2;"}, {18, 0}, u"SELECT 2", 10},
    {"AfterTheFinalDelimiter", {u"SELECT 1; SELECT 2;"}, {19, 0}, u"SELECT 2", 10},
    {"InTheFirstOfTwo", {u"SELECT 1; SELECT 2;"}, {3, 0}, u"SELECT 1", 0},
    {"BetweenTwoTakesTheNext", {u"SELECT 1;  SELECT 2;"}, {10, 0}, u"SELECT 2", 11},
    {"MiddleOfThreeLines", {u"SELECT a,", u"  b", u"FROM t;"}, {1, 1}, u"SELECT a,\r\n  b\r\nFROM t", 0},
    {"ProcedureBetweenDelimiterCommands",
     {u"DELIMITER $$", u"CREATE PROCEDURE p() BEGIN SELECT 1; END$$", u"DELIMITER ;", u"SELECT 3;"},
     {30, 1},
     u"CREATE PROCEDURE p() BEGIN SELECT 1; END",
     14},
    {"DelimiterRestored",
     {u"DELIMITER $$", u"CREATE PROCEDURE p() BEGIN SELECT 1; END$$", u"DELIMITER ;", u"SELECT 3;"},
     {2, 3},
     u"SELECT 3",
     71},
    {"SlashesSideBySide", {u"DELIMITER //", u"SELECT 1//"}, {3, 1}, u"SELECT 1", 14},
    {"SlashesApart",
     {u"DELIMITER //", u"SELECT 1 / /", u"SELECT 2//"},
     {3, 1},
     u"SELECT 1 / /\r\nSELECT 2",
     14},
    {"StringAcrossLines", {u"SELECT 'a;", u"b';"}, {2, 0}, u"SELECT 'a;\r\nb'", 0},
    {"UnterminatedLastStatement", {u"SELECT 1;", u"SELECT 2", u"FROM t"}, {0, 1}, u"SELECT 2\r\nFROM t", 11},
    {"EmptyLineBetweenStatements", {u"SELECT 1;", u"", u"SELECT 2;"}, {0, 1}, u"", 0},
    {"BlanksBeforeAStatement", {u"SELECT 1;", u"   SELECT 2;"}, {1, 1}, u"", 0},
    // A word delimiter ends a statement as a whole word only.
    {"WordDelimiter", {u"DELIMITER go", u"SELECT good go"}, {1, 1}, u"SELECT good ", 14},
    // Only a comment after DELIMITER: the old delimiter stays.
    {"DelimiterCommandWithOnlyAComment", {u"DELIMITER # c", u"SELECT 1;"}, {1, 1}, u"SELECT 1", 15},
    {"DelimiterInsideAComment", {u"SELECT /* ; */ 1;"}, {1, 0}, u"SELECT /* ; */ 1", 0},
    {"CommentLineInsideAStatement", {u"SELECT", u"-- x;", u"1;"}, {0, 2}, u"SELECT\r\n-- x;\r\n1", 0},
};

INSTANTIATE_TEST_SUITE_P(Cases, StatementAtCaret, ::testing::ValuesIn(kCaretCases),
                         [](const auto& info) { return std::string(info.param.Name); });

TEST(SQLStatementSplitter, LineDataOfStatementsDelimitersAndDatabases) {
    TScript script({u"USE `db1`; SELECT 1;", u"SELECT 2;; SELECT", u"USE;", u"DELIMITER go", u"x go"});
    script.FetchAll();
    EXPECT_EQ(script.Data(0)->Statements, (std::vector<TStatement>{{0, 9, u"db1"}, {11, 19, u"db1"}}));
    EXPECT_EQ(script.Data(1)->Statements, (std::vector<TStatement>{{0, 8, u""}, {9, 9, u""}, {11, -1, u""}}));
    EXPECT_TRUE(script.Data(1)->OpenAtEnd);
    // The delimiter right after USE names no database.
    EXPECT_EQ(script.Data(2)->Statements, (std::vector<TStatement>{{-1, 3, u""}}));
    EXPECT_FALSE(script.Data(2)->OpenAtEnd);
    EXPECT_TRUE(script.Data(3)->Statements.empty());
    EXPECT_EQ(script.Data(3)->Delimiter, u"go");
    EXPECT_EQ(script.Data(4)->Statements, (std::vector<TStatement>{{0, 2, u""}}));
}

TEST(SQLStatementSplitter, LineFlagsMarkTheLinesWhereAStatementStarts) {
    TScript script({u"SELECT 1;", u"SELECT", u"  2;", u"", u"x; SELECT", u"DELIMITER $$"});
    script.FetchAll();
    std::vector<int> flags;
    for (int line = 0; line <= script.LineCount() + 1; ++line)
        flags.push_back(script.Flags(line));
    EXPECT_EQ(flags, (std::vector<int>{0, 8, 8, 0, 0, 8, 0, 0}));
    EXPECT_EQ(script.Content().GetLineRaw(0)->Markers().size(), 2u);
}

// The caret column counts tab stops; the statement is found by character.
TEST(SQLStatementSplitter, CaretColumnsBecomeCharacters) {
    TScript script({u"\t\tSELECT 1; SELECT 2;"});
    script.editor.SetTabSize(4);
    const TStatementAtCaret statement = script.At(12, 0);
    EXPECT_EQ(statement.Text, u"SELECT 1");
    EXPECT_EQ(statement.Offset, 2);
}

// Opening a quote changes the line's end: the lines after it are parsed again when next fetched.
TEST(SQLStatementSplitter, AChangedEndInvalidatesTheFollowingLines) {
    TScript script({u"SELECT 1;", u"SELECT 2;", u"SELECT 3;"});
    script.FetchAll();
    script.Edit(0, u"SELECT 1 ;");
    EXPECT_TRUE(script.Validated(1) && script.Data(1)->Parsed);
    script.Edit(0, u"SELECT 'x");
    EXPECT_FALSE(script.Validated(1) || script.Data(1)->Parsed);
    EXPECT_FALSE(script.Validated(2) || script.Data(2)->Parsed);
    script.Fetch(1);
    EXPECT_TRUE(script.Data(1)->Statements.empty());
    EXPECT_EQ(script.Data(1)->EndState, ssSingleQuoted);
    EXPECT_EQ(script.At(0, 2).Text, u"SELECT 'x\r\nSELECT 2;\r\nSELECT 3;");
}

// Lines below the fetched ones are fetched by the lookup, so the statement ends at its delimiter.
TEST(SQLStatementSplitter, LinesNeverFetchedAreParsedByTheLookup) {
    std::vector<std::u16string> lines;
    for (int k = 0; k < 8; ++k)
        lines.push_back(u"SELECT " + std::u16string(1, char16_t(u'0' + k)) + u";");
    lines.insert(lines.end(), {u"SELECT a,", u"b,", u"c,", u"d", u"FROM t;", u"SELECT 9;", u"SELECT 10;"});
    TScript script(lines);
    for (int k = 0; k < 10; ++k)
        script.Fetch(k);
    ASSERT_EQ(script.Data(12), nullptr);
    const TStatementAtCaret statement = script.At(0, 9);
    EXPECT_EQ(statement.Text, u"SELECT a,\r\nb,\r\nc,\r\nd\r\nFROM t");
    EXPECT_EQ(statement.Offset, 8 * 11);
}

// Lines parsed on the way to a fetched line were never fetched themselves; a change above them still
// reaches the fetched line below.
TEST(SQLStatementSplitter, AChangeReachesLinesBehindUnfetchedOnes) {
    TScript script({u"SELECT 1;", u"SELECT 2;", u"SELECT 3;", u"SELECT 4;"});
    script.Fetch(3);
    ASSERT_TRUE(script.Data(1)->Parsed && !script.Validated(1));
    script.Edit(0, u"SELECT '");
    EXPECT_FALSE(script.Data(3)->Parsed || script.Validated(3));
    EXPECT_EQ(script.At(2, 3).Text, u"SELECT '\r\nSELECT 2;\r\nSELECT 3;\r\nSELECT 4;");
}

// Deleting the line that closed a comment leaves the lines after it inside the comment.
TEST(SQLStatementSplitter, DeletingALineInvalidatesTheLinesItsEndReached) {
    TScript script({u"/* a", u"*/", u"SELECT 1;"});
    script.FetchAll();
    ASSERT_EQ(script.At(1, 2).Text, u"SELECT 1");
    script.Content().DeleteLine(1);
    EXPECT_EQ(script.At(1, 1).Text, u"");
    EXPECT_EQ(script.Data(1)->EndState, ssBlockComment);
}

// A line inserted among parsed lines is parsed at once: its open comment reaches the lines after it.
TEST(SQLStatementSplitter, AnInsertedLineReachesTheLinesAfterIt) {
    TScript script({u"SELECT 1;", u"SELECT 2", u"FROM t;"});
    script.FetchAll();
    script.Content().InsertLine(1, u"/*");
    EXPECT_FALSE(script.Data(2)->Parsed || script.Validated(2));
    EXPECT_EQ(script.At(0, 3).Text, u"");
    EXPECT_EQ(script.Data(3)->EndState, ssBlockComment);
}

// Typing goes through the editor's commands: a quote typed on the first line reaches the others.
TEST(SQLStatementSplitter, FollowsTyping) {
    TScript script({u"SELECT 1;", u"SELECT 2;"});
    script.FetchAll();
    script.fixture.PlaceCaret({7, 0});
    script.fixture.Type(u"'");
    script.FetchAll();
    EXPECT_EQ(script.At(0, 1).Text, u"SELECT '1;\r\nSELECT 2;");
    script.fixture.PlaceCaret({9, 1});
    script.fixture.Command(ecLineBreak);
    script.fixture.Type(u"';");
    script.FetchAll();
    EXPECT_EQ(script.At(0, 2).Text, u"SELECT '1;\r\nSELECT 2;\r\n'");
    EXPECT_EQ(script.Flags(3), 0);
}

// Freeing the plug-in frees the lines' data and leaves the text and an editor without hooks.
TEST(SQLStatementSplitter, DetachesWhenFreed) {
    testing::TEditorFixture fixture;
    {
        TSQLScriptEditorPlugin plugin;
        plugin.Attach(&fixture.editor);
        fixture.Load(u"SELECT 1;\r\nSELECT 2;");
        fixture.editor.Content().GetLine(1);
        ASSERT_NE(fixture.editor.Content().GetLineRaw(1)->Data, nullptr);
    }
    EXPECT_EQ(fixture.editor.Content().GetLineRaw(1)->Data, nullptr);
    EXPECT_FALSE(fixture.editor.Content().OnValidateLine);
    EXPECT_EQ(fixture.Text(), u"SELECT 1;\r\nSELECT 2;");
    fixture.editor.Content().GetLineRaw(0)->SetText(u"x");
}

} // namespace
} // namespace editor
