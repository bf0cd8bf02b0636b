#include "engine/server/uDBAProgram.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "core/uDBAConnection.h"
#include "engine/local/uCompiler.h"
#include "engine/model/uDebugger.h"
#include "engine/model/uMetadataImp.h"
#include "engine/server/uDBABlock.h"
#include "platform/rtl/Utf.h"
#include "support/ErrorText.h"
#include "support/FakeConnection.h"
#include "support/MariaDBConnection.h"
#include "support/TestServer.h"

namespace engine {
namespace {

const std::vector<testsupport::FetchedColumn> kShowCreateColumns = {
    {"Procedure"}, {"sql_mode"}, {"Create Procedure"}};

bool HasBareLineFeed(const std::u16string& text) {
    for (size_t i = 0; i < text.size(); ++i)
        if (text[i] == u'\n' && (i == 0 || text[i - 1] != u'\r')) return true;
    return false;
}

class DBAProgramTest : public ::testing::Test {
protected:
    DBAProgramTest() { connection->Connect(); }

    std::shared_ptr<testsupport::FakeConnection> connection = std::make_shared<testsupport::FakeConnection>();
    TDBAProgram program{std::make_shared<TSchema>(), connection};
};

TEST_F(DBAProgramTest, HandlerCallStackKeepsTheNewestFirst) {
    auto block = std::dynamic_pointer_cast<IDBABlock>(program.CreateBlock());
    TDBAHandler& first = block->AddHandler(hkContinue, std::make_unique<TNotFoundConditionValue>(),
                                           std::make_shared<TCompositeStatement>());
    TDBAHandler& second = block->AddHandler(hkExit, std::make_unique<TSQLExceptionConditionValue>(),
                                            std::make_shared<TCompositeStatement>());
    THandlerCallStack& stack = program.HandlerCallStack();
    EXPECT_EQ(stack.Top(), nullptr);
    stack.Push(first, u"No data", true, "02000", 1329);
    stack.Push(second, u"Duplicate", false, "23000", 1062);
    ASSERT_EQ(stack.Count(), 2);
    EXPECT_EQ(stack.Top()->Handler, &second);
    EXPECT_EQ(stack.Top()->ErrorCode, 1062);
    EXPECT_EQ(stack.Items(1).Message, u"No data");
    EXPECT_TRUE(stack.Items(1).Warning);
    EXPECT_TRUE(stack.IsActive(first));
    stack.Pop();
    EXPECT_EQ(stack.Top()->Handler, &first);
    EXPECT_FALSE(stack.IsActive(second));
    stack.Pop();
    EXPECT_EQ(stack.Top(), nullptr);
}

TEST_F(DBAProgramTest, LoadedRoutineWithACompileErrorRaisesItOnlyWhenAsked) {
    connection->AnswerRows("SHOW CREATE PROCEDURE `fake_db`.`bad`", kShowCreateColumns,
                           {{"bad", "", "CREATE PROCEDURE bad()\nBEGIN\n  USE other;\nEND"}});
    EXPECT_EQ(testsupport::ErrorOf([&] { program.GetProcedure("bad", "fake_db", true); }),
              "ENotAllowed: 'USE other' is not allowed here");
    program.RemoveRoutine(*program.FindProcedure("`fake_db`.`bad`"));

    program.SetRaiseCompileErrors(false);
    TRoutine* routine = program.GetProcedure("bad", "fake_db", true);
    ASSERT_TRUE(routine);
    EXPECT_FALSE(routine->Compiled());
    EXPECT_EQ(routine->Text(), u"CREATE PROCEDURE bad()\r\nBEGIN\r\n  USE other;\r\nEND");
}

TEST_F(DBAProgramTest, RoutineWithoutReadableTextIsNotLoaded) {
    // A user with EXECUTE only gets the routine's row with a NULL text.
    connection->AnswerRows("SHOW CREATE PROCEDURE `fake_db`.`hidden`", kShowCreateColumns,
                           {{"hidden", "", std::nullopt}});
    EXPECT_EQ(testsupport::ErrorOf([&] { LoadRoutineText(*connection, "`fake_db`.`hidden`", rkProcedure); }),
              "ERoutineTextUnavailable: The text of PROCEDURE `fake_db`.`hidden` is not available");
    EXPECT_EQ(program.GetProcedure("hidden", "fake_db", true), nullptr);
    EXPECT_EQ(program.ProcedureCount(), 0);
}

TEST_F(DBAProgramTest, RunsTheMainBlockOnTheServer) {
    TRoutine& main = program.MainRoutine();
    main.SetText(u"BEGIN\n  SELECT 1;\nEND");
    main.Compile();
    connection->AnswerRows("show warnings", {{"Level"}, {"Code"}, {"Message"}}, {});
    connection->ClearStatements();
    RunProgram(program, CreateNullDebugger());
    EXPECT_EQ(connection->Statements(), (std::vector<std::string>{"SELECT 1", "show warnings"}));
    EXPECT_EQ(GetRoutineSchema(main), "fake_db");
}

class DBAProgramServerTest : public ::testing::Test {
protected:
    void Connect(const testsupport::ServerSettings& settings) {
        connection = std::make_shared<testsupport::MariaDBConnection>(settings);
        connection->Connect();
        program = std::make_unique<TDBAProgram>(std::make_shared<TSchema>(), connection);
    }

    std::shared_ptr<testsupport::MariaDBConnection> connection;
    std::unique_ptr<TDBAProgram> program;
};

TEST_F(DBAProgramServerTest, LoadsCompilesAndDropsRoutinesOfTheServer) {
    const auto settings = VELTRANE_REQUIRE_SERVER();
    testsupport::RawSession session(settings, settings.database);
    session.Execute("DROP PROCEDURE IF EXISTS dbaprogramtest_lines");
    session.Execute("CREATE PROCEDURE dbaprogramtest_lines(IN a INT)\nBEGIN\n  SELECT a;\nEND");
    Connect(settings);
    const std::string name = "`" + settings.database + "`.`dbaprogramtest_lines`";

    const std::u16string text = LoadRoutineText(*connection, name, rkProcedure);
    EXPECT_NE(text.find(u"(IN a INT)\r\nBEGIN\r\n  SELECT a;\r\nEND"), std::u16string::npos);
    EXPECT_FALSE(HasBareLineFeed(text));

    TRoutine* routine = program->GetProcedure("dbaprogramtest_lines", settings.database, true);
    ASSERT_TRUE(routine);
    EXPECT_TRUE(routine->Compiled());
    EXPECT_EQ(routine->Name(), name);
    EXPECT_EQ(routine->Block()->SymbolCount(), 1);
    EXPECT_EQ(program->GetRoutineText(*routine), text);
    EXPECT_EQ(GetRoutineSchema(*routine), "`" + settings.database + "`");
    EXPECT_EQ(GetRoutineSchema(program->MainRoutine()), settings.database);

    EXPECT_TRUE(RoutineExistsOnServer(*routine));
    DropRoutine(*connection, routine->Name(), rkProcedure);
    EXPECT_FALSE(RoutineExistsOnServer(*routine));
}

TEST_F(DBAProgramServerTest, MissingRoutineIsNotFound) {
    const auto settings = VELTRANE_REQUIRE_SERVER();
    Connect(settings);
    const std::string name = "`" + settings.database + "`.`dbaprogramtest_nosuch`";
    try {
        LoadRoutineText(*connection, name, rkFunction);
        ADD_FAILURE() << "loaded";
    } catch (const core::EDBAConnectionException& error) {
        EXPECT_EQ(error.ErrorCode(), 1305);
    }
    EXPECT_EQ(program->GetFunction("dbaprogramtest_nosuch", settings.database, true), nullptr);
    EXPECT_EQ(program->FunctionCount(), 0);
}

TEST_F(DBAProgramServerTest, RoutineTheUserMayRunButNotReadIsNotLoadable) {
    const auto settings = VELTRANE_REQUIRE_SERVER();
    testsupport::RawSession session(settings, settings.database);
    session.Execute("DROP PROCEDURE IF EXISTS dbaprogramtest_hidden");
    session.Execute("CREATE PROCEDURE dbaprogramtest_hidden() BEGIN SELECT 1; END");
    session.Execute("CREATE USER IF NOT EXISTS 'dbaprogramtest_u'@'%' IDENTIFIED BY 'dbaprogramtest_pw'");
    session.Execute("GRANT EXECUTE ON `" + settings.database + "`.* TO 'dbaprogramtest_u'@'%'");
    testsupport::ServerSettings executeOnly = settings;
    executeOnly.user = "dbaprogramtest_u";
    executeOnly.password = "dbaprogramtest_pw";
    Connect(executeOnly);

    const std::string name = "`" + settings.database + "`.`dbaprogramtest_hidden`";
    // The server shows the routine, without its text.
    EXPECT_TRUE(connection->Evaluate(rtl::Utf8ToUtf16("SHOW CREATE PROCEDURE " + name), false, 2)->IsNull());
    EXPECT_THROW(LoadRoutineText(*connection, name, rkProcedure), ERoutineTextUnavailable);
    EXPECT_EQ(program->GetProcedure("dbaprogramtest_hidden", settings.database, true), nullptr);
    EXPECT_EQ(program->ProcedureCount(), 0);
    session.Execute("DROP PROCEDURE dbaprogramtest_hidden");
}

} // namespace
} // namespace engine
