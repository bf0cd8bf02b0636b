#include "engine/server/uDBAStatementBuilder.h"

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "engine/model/uDebugger.h"
#include "engine/model/uMetadataImp.h"
#include "engine/server/uDBABlock.h"
#include "engine/server/uDBAProgram.h"
#include "engine/server/uDBAStatements.h"
#include "platform/rtl/Utf.h"
#include "support/MariaDBConnection.h"
#include "support/TestServer.h"

namespace engine {
namespace {

// The column of every row of the data set, joined with ",".
std::string Column(data::TDataSet& dataSet) {
    std::string values;
    for (dataSet.First(); !dataSet.Eof(); dataSet.Next())
        values += (values.empty() ? "" : ",") + dataSet.Fields()[0]->AsString();
    return values;
}

// A program over a connection to the test server, and a table of the test's own with its rows,
// dropped when the test ends.
class DBACompilerServerTest : public testing::Test {
protected:
    void Start(const std::string& tableName, const std::string& columns, const std::string& rows) {
        const auto settings = VELTRANE_REQUIRE_SERVER();
        session.emplace(settings, settings.database);
        table = tableName;
        session->Execute("DROP TABLE IF EXISTS " + table + "; CREATE TABLE " + table + " (" + columns +
                         "); INSERT INTO " + table + " VALUES " + rows);
        connection = std::make_shared<testsupport::MariaDBConnection>(settings);
        connection->Connect();
        program = std::make_unique<TDBAProgram>(std::make_shared<TSchema>(), connection);
    }

    void TearDown() override {
        program.reset();
        if (session) session->Execute("DROP TABLE IF EXISTS " + table);
    }

    std::optional<testsupport::RawSession> session;
    std::string table;
    std::shared_ptr<testsupport::MariaDBConnection> connection;
    std::unique_ptr<TDBAProgram> program;
};

// The texts the compiler writes are run by the server as the routine's statements would be.
TEST_F(DBACompilerServerTest, RewrittenTextsRunOnTheServer) {
    Start("dbacompilerservertest_t", "id INT PRIMARY KEY, v VARCHAR(10)",
          "(1, 'a'), (2, 'b\\\\'), (3, 'c'), (4, 'd'), (5, 'e')");
    TRoutine& main = program->MainRoutine();
    main.SetText(
        u"BEGIN\n"
        "  DECLARE n, skip, total INT;\n"
        "  DECLARE c CURSOR FOR SELECT id FROM dbacompilerservertest_t ORDER BY id LIMIT n OFFSET skip;\n"
        "  SELECT id FROM dbacompilerservertest_t WHERE v <> 'b\\\\' ORDER BY id LIMIT skip, n;\n"
        "  SELECT SUM(id) INTO total FROM dbacompilerservertest_t WHERE id > skip;\n"
        "  UPDATE dbacompilerservertest_t SET v = 'z' WHERE id > total ORDER BY id LIMIT n;\n"
        "END");
    main.Compile();
    const auto block = std::dynamic_pointer_cast<IDBABlock>(main.Block()->GetStatements()->GetStatement(0));
    ASSERT_TRUE(block);
    const auto sessionName = [&](const char* name) {
        return std::dynamic_pointer_cast<TDBAVariable>(block->FindSymbol(name))->SessionName();
    };
    const auto statementText = [&](int index) {
        const auto statement =
            std::dynamic_pointer_cast<TDBAServerSideStatement>(block->GetStatements()->GetStatement(index));
        return rtl::Utf16ToUtf8(statement->Text());
    };
    // What the push of n = 2, skip = 1 and total = 2 leaves on the server.
    connection->ExecSQL("SET " + sessionName("n") + "=2");
    connection->ExecSQL("SET " + sessionName("skip") + "=1");
    connection->ExecSQL("SET " + sessionName("total") + "=2");

    data::TDataSet& cursor = block->GetCursor(0).DataSet();
    cursor.Open();
    EXPECT_EQ(Column(cursor), "2,3");
    cursor.Close();
    EXPECT_EQ(Column(*connection->Execute(statementText(0))->GetDataSet()), "3,4");
    connection->ExecSQL(statementText(1));
    EXPECT_EQ(connection->Evaluate(rtl::Utf8ToUtf16(sessionName("total")), true, 0)->AsSQL(), "14");
    connection->ExecSQL("SET " + sessionName("total") + "=2");
    EXPECT_EQ(connection->ExecSQL(statementText(2)), 2);
    EXPECT_EQ(session->Scalar("SELECT GROUP_CONCAT(v ORDER BY id) FROM dbacompilerservertest_t"),
              "a,b\\,z,z,e");
}

TEST_F(DBACompilerServerTest, ServerSideExpressionsEvaluateOnTheServer) {
    Start("dbacompilerservertest_e", "id INT", "(1), (2), (3)");
    const struct {
        const char* expression;
        const char* value;
    } cases[] = {
        {"x = ANY (SELECT id FROM dbacompilerservertest_e)", "1"},
        {"x IN (SELECT id FROM dbacompilerservertest_e WHERE id > x)", "0"},
        {"ABS(x - 5)", "3"},
        {"'a2' LIKE CONCAT('%', x)", "1"},
        {"DATEDIFF(CURRENT_DATE, CURDATE())", "0"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.expression);
        TRoutine& main = program->MainRoutine();
        main.SetText(rtl::Utf8ToUtf16(std::string("BEGIN DECLARE x INT; SET x = ") + c.expression + "; END"));
        main.Compile();
        const auto block = std::dynamic_pointer_cast<IBlock>(main.Block()->GetStatements()->GetStatement(0));
        const auto set = std::dynamic_pointer_cast<IAssignation>(block->GetStatements()->GetStatement(0));
        const auto expression = std::dynamic_pointer_cast<TDBAServerSideExpression>(set->GetExpression());
        ASSERT_TRUE(expression);
        for (const auto& variable : expression->Variables())
            connection->ExecSQL("SET " + variable->SessionName() + "=2");
        EXPECT_EQ(connection->Evaluate(expression->Text(), true, 0)->AsSQL(), c.value);
    }
}

// A LIMIT count from a local variable works under the debugger as in the routine on the server.
TEST_F(DBACompilerServerTest, LocalLimitCountRunsUnderTheInterpreter) {
    Start("dbacompilerservertest_l", "id INT", "(1), (2), (3), (4)");
    TRoutine& main = program->MainRoutine();
    main.SetText(
        u"BEGIN\n"
        "  DECLARE n INT DEFAULT 3;\n"
        "  DECLARE total INT;\n"
        "  SELECT SUM(id) INTO total FROM (SELECT id FROM dbacompilerservertest_l ORDER BY id LIMIT n) q;\n"
        "END");
    main.Compile();
    RunProgram(*program, CreateNullDebugger());
    const auto block = std::dynamic_pointer_cast<IBlock>(main.Block()->GetStatements()->GetStatement(0));
    EXPECT_EQ(block->FindSymbol("total")->GetValue()->AsSQL(), "6");
}

} // namespace
} // namespace engine
