#include "components/uMyConnection.h"
#include "components/uMyQuery.h"
#include "components/uMyScript.h"
#include "ComponentsTestSupport.h"
#include "dataaccess/mysql/uMyError.h"
#include "platform/data/Component.h"
#include "platform/rtl/Utf.h"
#include "support/ErrorText.h"
#include "support/TestServer.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

namespace components {
namespace {

using testsupport::ErrorMessageOf;
using testsupport::RawSession;
using testsupport::ServerSettings;

using testing::NewConnection;

struct Piece {
    std::string sql;
    bool omit;
    bool operator==(const Piece&) const = default;
};

void PrintTo(const Piece& piece, std::ostream* os) {
    *os << "{\"" << piece.sql << "\", " << (piece.omit ? "omit" : "run") << "}";
}

// The statements a script splits its text into, recorded without a server: every statement is
// omitted before it would run.
std::vector<Piece> Split(const std::string& text) {
    TMyConnection connection;
    TMyScript script;
    script.SetConnection(&connection);
    script.SetNoPreconnect(true);
    std::vector<Piece> pieces;
    script.BeforeExecute = [&](TDAScript*, std::string& sql, bool& omit) {
        pieces.push_back({sql, omit});
        omit = true;
    };
    script.SetSQL(text);
    script.Execute();
    return pieces;
}

TEST(MyScriptSplitTest, CutsTextIntoStatements) {
    struct Case {
        std::string text;
        std::vector<Piece> pieces;
    };
    const std::vector<Case> cases = {
        {"SELECT 1; SELECT 2", {{"SELECT 1", false}, {"SELECT 2", false}}},
        {"  SELECT 1 ;\n\n  SELECT 2;  \n", {{"SELECT 1", false}, {"SELECT 2", false}}},
        {";;", {}},
        {"SELECT 1;;SELECT 2", {{"SELECT 1", false}, {"SELECT 2", false}}},
        {"SELECT ';' AS a; SELECT \"x;y\"", {{"SELECT ';' AS a", false}, {"SELECT \"x;y\"", false}}},
        {"/* lead */ SELECT 1;", {{"/* lead */ SELECT 1", false}}},
        // Trailing comments alone are no statement.
        {"SELECT 1; -- done\n", {{"SELECT 1", false}}},
        {"SELECT 1; /* done */", {{"SELECT 1", false}}},
        // A "/" ends a statement only alone on its line.
        {"CREATE PROCEDURE p() BEGIN SELECT 1; SELECT 2; END\n/\nSELECT 3",
         {{"CREATE PROCEDURE p() BEGIN SELECT 1; SELECT 2; END", false}, {"SELECT 3", false}}},
        // (The script's lines are joined with CR LF.)
        {"UPDATE t SET a = b\n/ 2 WHERE id = 1;", {{"UPDATE t SET a = b\r\n/ 2 WHERE id = 1", false}}},
        // DELIMITER is a command only where a statement starts.
        {"SELECT delimiter FROM cfg; SELECT 2", {{"SELECT delimiter FROM cfg", false}, {"SELECT 2", false}}},
        {"DELIMITER //\nCREATE PROCEDURE p() BEGIN SELECT 1; END//\nDELIMITER ;\nSELECT 3;",
         {{"DELIMITER //", true},
          {"CREATE PROCEDURE p() BEGIN SELECT 1; END", false},
          {"DELIMITER ;", true},
          {"SELECT 3", false}}},
        {"DELIMITER $$\nSELECT 1$$ SELECT 2$$\nDELIMITER ;\nSELECT 3",
         {{"DELIMITER $$", true},
          {"SELECT 1", false},
          {"SELECT 2", false},
          {"DELIMITER ;", true},
          {"SELECT 3", false}}},
        {"CREATE FUNCTION f() RETURNS INT BEGIN RETURN 1; END",
         {{"CREATE FUNCTION f() RETURNS INT BEGIN RETURN 1; END", false}}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Split(c.text), c.pieces) << c.text;
}

TEST(MyScriptSplitTest, WithoutConnectionRefuses) {
    TMyScript script;
    script.SetSQL("SELECT 1");
    EXPECT_EQ(ErrorMessageOf([&] { script.Execute(); }), "Connection is not defined");
}

// A script over a table of its own (n INT); the application's display of errors is recorded.
class MyScriptTest : public ::testing::Test {
protected:
    void SetUp() override {
        const auto settings = VELTRANE_REQUIRE_SERVER();
        const std::string suffix = ::testing::UnitTest::GetInstance()->current_test_info()->name();
        table = "MyScriptTest_" + suffix;
        raw = std::make_unique<RawSession>(settings, settings.database);
        raw->Execute("DROP TABLE IF EXISTS " + table);
        raw->Execute("CREATE TABLE " + table + " (n INT, s VARCHAR(20))");
        connection = NewConnection(settings);
        script = std::make_unique<TMyScript>();
        script->SetConnection(connection.get());
        data::SetApplicationExceptionHandler([this](const std::exception_ptr& error) {
            try {
                std::rethrow_exception(error);
            } catch (const std::exception& e) {
                shown.push_back(e.what());
            }
        });
    }

    void TearDown() override {
        data::SetApplicationExceptionHandler({});
        script.reset();
        connection.reset();
        if (raw) raw->Execute("DROP TABLE IF EXISTS " + table);
        for (const std::string& file : files)
            std::remove(file.c_str());
    }

    std::string Values() {
        std::string text;
        for (const auto& row : raw->Query("SELECT n, s FROM " + table + " ORDER BY n"))
            text += row[0].value_or("NULL") + (row[1] ? "=" + *row[1] : "") + ";";
        return text;
    }

    std::string TempFile(const std::string& bytes) {
        std::string name = ::testing::TempDir() + table + std::to_string(files.size()) + ".sql";
        std::ofstream(name, std::ios::binary) << bytes;
        files.push_back(name);
        return name;
    }

    std::string table;
    std::unique_ptr<RawSession> raw;
    std::unique_ptr<TMyConnection> connection;
    std::unique_ptr<TMyScript> script;
    std::vector<std::string> shown;
    std::vector<std::string> files;
};

TEST_F(MyScriptTest, RunsStatementsAndRoutineBodies) {
    const std::string proc = table + "_p";
    script->SetSQL("DROP PROCEDURE IF EXISTS " + proc +
                   ";\n"
                   "DELIMITER //\n"
                   "CREATE PROCEDURE " +
                   proc + "() BEGIN INSERT INTO " + table + " VALUES (1, 'a'); INSERT INTO " + table +
                   " VALUES (2, 'b;c'); END//\n"
                   "DELIMITER ;\n"
                   "CALL " +
                   proc +
                   "();\n"
                   "SELECT 1; SELECT 2;\n"
                   "DROP PROCEDURE " +
                   proc + "; -- the end\n");
    script->Execute();
    EXPECT_EQ(Values(), "1=a;2=b;c;");
    EXPECT_TRUE(shown.empty());
    EXPECT_EQ(connection->ConnectCount(), 0);
}

TEST_F(MyScriptTest, FailuresFollowTheErrorAction) {
    const std::string text =
        "INSERT INTO " + table + " VALUES (1, NULL);SELEC 2;INSERT INTO " + table + " VALUES (3, NULL);";
    script->SetSQL(text);
    script->Execute();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_NE(shown[0].find("You have an error in your SQL syntax"), std::string::npos);
    EXPECT_EQ(Values(), "1;3;");

    raw->Execute("DELETE FROM " + table);
    std::vector<std::string> failed;
    TErrorAction answer = eaAbort;
    script->OnError = [&](TDAScript*, const rtl::Exception&, const std::string& sql, TErrorAction& action) {
        failed.push_back(sql);
        action = answer;
    };
    script->Execute();
    EXPECT_EQ(failed, std::vector<std::string>{"SELEC 2"});
    EXPECT_EQ(Values(), "1;");

    answer = eaFail;
    EXPECT_THROW(script->Execute(), dataaccess::EMyError);
    answer = eaContinue;
    raw->Execute("DELETE FROM " + table);
    script->Execute();
    EXPECT_EQ(Values(), "1;3;");
    EXPECT_EQ(shown.size(), 1u);
    EXPECT_EQ(connection->ConnectCount(), 0);
}

TEST_F(MyScriptTest, BreakExecStopsAfterTheCurrentStatement) {
    script->SetSQL("INSERT INTO " + table + " VALUES (1, NULL); INSERT INTO " + table +
                   " VALUES (2, NULL); INSERT INTO " + table + " VALUES (3, NULL);");
    script->AfterExecute = [&](TDAScript* sender, const std::string& sql) {
        if (sql.find("(2,") != std::string::npos) sender->BreakExec();
    };
    script->Execute();
    EXPECT_EQ(Values(), "1;2;");
}

TEST_F(MyScriptTest, MacroAndParameterTextGoesOutAsWritten) {
    raw->Execute("SET @mask = 3");
    script->SetSQL("SET @mask = 3; INSERT INTO " + table + " SELECT 6&@mask, 'a:b';");
    script->SetMacroCheck(false);
    script->SetParamCheck(false);
    script->Execute();
    EXPECT_EQ(Values(), "2=a:b;");
    // With macros on, a file's macro the script does not know is an error of its statement like
    // any other: the rest of the file still runs.
    raw->Execute("DELETE FROM " + table);
    script->SetMacroCheck(true);
    script->SetSQL("");
    script->ExecuteFile(TempFile("INSERT INTO " + table + " VALUES (6&mask, NULL); INSERT INTO " + table +
                                 " VALUES (1, NULL);"));
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0], "Macro mask not found");
    EXPECT_EQ(Values(), "1;");
}

TEST_F(MyScriptTest, RunsFilesInTheirEncodings) {
    const std::string text =
        "INSERT INTO " + table + " VALUES (1, 'é€😀');\nINSERT INTO " + table + " VALUES (2, 'x');\n";
    std::string utf16 = "\xFF\xFE";
    for (char16_t unit : rtl::Utf8ToUtf16(text)) {
        utf16 += static_cast<char>(unit & 0xFF);
        utf16 += static_cast<char>(unit >> 8);
    }
    const std::string expected = "1=é€😀;2=x;";
    for (const std::string& bytes : {text, "\xEF\xBB\xBF" + text, utf16}) {
        raw->Execute("DELETE FROM " + table);
        shown.clear();
        script->ExecuteFile(TempFile(bytes));
        EXPECT_TRUE(shown.empty()) << (shown.empty() ? "" : shown[0]);
        EXPECT_EQ(Values(), expected);
    }
    EXPECT_THROW(script->ExecuteFile(TempFile("") + ".missing"), rtl::Exception);
}

TEST_F(MyScriptTest, RunsThroughAnAssignedDataSet) {
    TMyQuery query;
    query.SetConnection(connection.get());
    script->SetDataSet(&query);
    script->SetSQL("INSERT INTO " + table + " VALUES (1, NULL); SELECT n FROM " + table + ";");
    script->Execute();
    ASSERT_TRUE(query.Active());
    EXPECT_EQ(query.Fields()[0]->AsInteger(), 1);
    script->SetDataSet(nullptr);
}

TEST_F(MyScriptTest, BatchesStatementsWithOptimization) {
    script->SetUseOptimization(true);
    std::vector<std::string> after;
    script->AfterExecute = [&](TDAScript*, const std::string& sql) { after.push_back(sql); };
    script->SetSQL("INSERT INTO " + table + " VALUES (1, NULL); INSERT INTO " + table + " VALUES (2, NULL);");
    script->Execute();
    EXPECT_EQ(Values(), "1;2;");
    EXPECT_EQ(after.size(), 2u);
}

} // namespace
} // namespace components
