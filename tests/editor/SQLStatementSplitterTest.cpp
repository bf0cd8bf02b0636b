#include "editor/uSQLScriptEditorPlugin.h"

#include <gtest/gtest.h>

#include "platform/rtl/Utf.h"

#include <algorithm>
#include <vector>

namespace editor {
namespace {

// A line store as small as the splitter's needs: a fetch validates a changed line once.
class TFakeLines : public ISQLScriptLines {
public:
    explicit TFakeLines(std::vector<std::u16string> texts) {
        for (auto& text : texts)
            lines_.push_back({std::move(text), nullptr});
    }

    TSQLStatementSplitter Splitter{*this};
    std::vector<int> Repainted;

    int LineCount() const override { return static_cast<int>(lines_.size()); }
    const std::u16string& LineText(int line) const override { return lines_.at(line).Text; }
    const std::u16string& FetchLine(int line) override {
        if (!lines_.at(line).Validated) {
            lines_[line].Validated = true;
            Splitter.ValidateLine(line);
        }
        return lines_[line].Text;
    }
    TLineData* LineData(int line) const override { return lines_.at(line).Data.get(); }
    void SetLineData(int line, std::unique_ptr<TLineData> data) override {
        lines_.at(line).Data = std::move(data);
    }
    void InvalidateLine(int line) override {
        lines_.at(line).Validated = false;
        Repainted.push_back(line);
    }
    void SetStatementMarkers(int line, bool startsStatement, bool) override {
        lines_.at(line).StartsStatement = startsStatement;
    }
    bool HasStatementMarker(int line) const override { return lines_.at(line).StartsStatement; }
    std::u16string TextRange(TCharPoint from, TCharPoint to) const override {
        if (from.Y == to.Y) return lines_[from.Y].Text.substr(from.X, to.X - from.X);
        std::u16string text = lines_[from.Y].Text.substr(from.X) + u"\r\n";
        for (int k = from.Y + 1; k < to.Y; ++k)
            text += lines_[k].Text + u"\r\n";
        return text + lines_[to.Y].Text.substr(0, to.X);
    }

    void FetchAll() {
        for (int k = 0; k < LineCount(); ++k)
            FetchLine(k);
    }
    void Edit(int line, std::u16string text) {
        lines_.at(line).Text = std::move(text);
        lines_[line].Validated = false;
        Splitter.LineChanged(line);
    }
    void Delete(int line) {
        Splitter.LineDeleted(line);
        lines_.erase(lines_.begin() + line);
    }

private:
    struct TLine {
        std::u16string Text;
        std::unique_ptr<TLineData> Data;
        bool Validated = false;
        bool StartsStatement = false;
    };
    std::vector<TLine> lines_;
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

class StatementAtCaret : public testing::TestWithParam<TCaretCase> {};

TEST_P(StatementAtCaret, GivesTheStatementWithoutItsDelimiter) {
    const TCaretCase& c = GetParam();
    TFakeLines lines(c.Lines);
    lines.FetchAll();
    const TStatementAtCaret statement = lines.Splitter.StatementAt(c.Caret);
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
    {"LineBeyondTheText", {u"SELECT 1;"}, {0, 1}, u"", 0},
    // A word delimiter ends a statement as a whole word only.
    {"WordDelimiter", {u"DELIMITER go", u"SELECT good go"}, {1, 1}, u"SELECT good ", 14},
    // Only a comment after DELIMITER: the old delimiter stays.
    {"DelimiterCommandWithOnlyAComment", {u"DELIMITER # c", u"SELECT 1;"}, {1, 1}, u"SELECT 1", 15},
    {"DelimiterInsideAComment", {u"SELECT /* ; */ 1;"}, {1, 0}, u"SELECT /* ; */ 1", 0},
    {"CommentLineInsideAStatement", {u"SELECT", u"-- x;", u"1;"}, {0, 2}, u"SELECT\r\n-- x;\r\n1", 0},
};

INSTANTIATE_TEST_SUITE_P(Cases, StatementAtCaret, testing::ValuesIn(kCaretCases),
                         [](const auto& info) { return std::string(info.param.Name); });

TEST(SQLStatementSplitter, LineDataOfStatementsDelimitersAndDatabases) {
    TFakeLines lines({u"USE `db1`; SELECT 1;", u"SELECT 2;; SELECT", u"USE;", u"DELIMITER go", u"x go"});
    lines.FetchAll();
    EXPECT_EQ(lines.LineData(0)->Statements, (std::vector<TStatement>{{0, 9, u"db1"}, {11, 19, u"db1"}}));
    EXPECT_EQ(lines.LineData(1)->Statements,
              (std::vector<TStatement>{{0, 8, u""}, {9, 9, u""}, {11, -1, u""}}));
    EXPECT_TRUE(lines.LineData(1)->OpenAtEnd);
    // The delimiter right after USE names no database.
    EXPECT_EQ(lines.LineData(2)->Statements, (std::vector<TStatement>{{-1, 3, u""}}));
    EXPECT_FALSE(lines.LineData(2)->OpenAtEnd);
    EXPECT_TRUE(lines.LineData(3)->Statements.empty());
    EXPECT_EQ(lines.LineData(3)->Delimiter, u"go");
    EXPECT_EQ(lines.LineData(4)->Statements, (std::vector<TStatement>{{0, 2, u""}}));
}

TEST(SQLStatementSplitter, MarksTheLinesWhereAStatementStarts) {
    TFakeLines lines({u"SELECT 1;", u"SELECT", u"  2;", u"", u"x; SELECT", u"DELIMITER $$"});
    lines.FetchAll();
    std::vector<bool> marked;
    for (int k = 0; k < lines.LineCount(); ++k)
        marked.push_back(lines.HasStatementMarker(k));
    EXPECT_EQ(marked, (std::vector<bool>{true, true, false, false, true, false}));
}

// Opening a quote changes the line's end: the lines after it are repainted and parsed again when
// fetched.
TEST(SQLStatementSplitter, AChangedEndInvalidatesTheFollowingLines) {
    TFakeLines lines({u"SELECT 1;", u"SELECT 2;", u"SELECT 3;"});
    lines.FetchAll();
    lines.Edit(0, u"SELECT 1 ;");
    EXPECT_TRUE(lines.Repainted.empty());
    lines.Edit(0, u"SELECT 'x");
    EXPECT_EQ(lines.Repainted, (std::vector<int>{1, 2}));
    EXPECT_FALSE(lines.LineData(2)->Parsed);
    lines.FetchLine(1);
    EXPECT_TRUE(lines.LineData(1)->Statements.empty());
    EXPECT_EQ(lines.LineData(1)->EndState, ssSingleQuoted);
    EXPECT_EQ(lines.Splitter.StatementAt({0, 2}).Text, u"SELECT 'x\r\nSELECT 2;\r\nSELECT 3;");
}

// Lines below the fetched ones are fetched by the lookup, so the statement ends at its delimiter.
TEST(SQLStatementSplitter, LinesNeverFetchedAreParsedByTheLookup) {
    std::vector<std::u16string> texts;
    for (int k = 0; k < 8; ++k)
        texts.push_back(u"SELECT " + std::u16string(1, char16_t(u'0' + k)) + u";");
    texts.insert(texts.end(), {u"SELECT a,", u"b,", u"c,", u"d", u"FROM t;", u"SELECT 9;", u"SELECT 10;"});
    TFakeLines lines(texts);
    for (int k = 0; k < 10; ++k)
        lines.FetchLine(k);
    EXPECT_EQ(lines.Splitter.StatementAt({0, 9}).Text, u"SELECT a,\r\nb,\r\nc,\r\nd\r\nFROM t");
    EXPECT_EQ(lines.Splitter.StatementAt({0, 9}).Offset, 8 * 11);
}

// Lines parsed on the way to a fetched line were never fetched themselves; a change above them still
// reaches the fetched line below.
TEST(SQLStatementSplitter, AChangeReachesLinesBehindUnfetchedOnes) {
    TFakeLines lines({u"SELECT 1;", u"SELECT 2;", u"SELECT 3;", u"SELECT 4;"});
    lines.FetchLine(3);
    lines.Edit(0, u"SELECT '");
    EXPECT_EQ(lines.Repainted, (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(lines.Splitter.StatementAt({2, 3}).Text, u"SELECT '\r\nSELECT 2;\r\nSELECT 3;\r\nSELECT 4;");
}

// Deleting the line that closed a comment leaves the lines after it inside the comment.
TEST(SQLStatementSplitter, DeletingALineInvalidatesTheLinesItsEndReached) {
    TFakeLines lines({u"/* a", u"*/", u"SELECT 1;"});
    lines.FetchAll();
    ASSERT_EQ(lines.Splitter.StatementAt({1, 2}).Text, u"SELECT 1");
    lines.Delete(1);
    EXPECT_EQ(lines.Repainted, (std::vector<int>{2}));
    EXPECT_EQ(lines.Splitter.StatementAt({1, 1}).Text, u"");
    EXPECT_EQ(lines.LineData(1)->EndState, ssBlockComment);
}

} // namespace
} // namespace editor
