// What the program sends reaches the server byte for byte, and nothing the server returns is lost:
// literals, routine texts stored back, and the results of routines that run on the server whole.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/DBAInterpreterTestSupport.h"
#include "engine/debugger/uVeltrane.h"
#include "engine/model/uMetadataImp.h"
#include "engine/server/uDBAProgram.h"
#include "platform/rtl/Utf.h"

namespace engine {
namespace {

using testing::ElementsAre;

struct TLiteralCase {
    const char* name;
    std::string literal; // as SQL text
    const char* hex;     // the bytes it stands for
    // Whether a routine on the server may hold it: the record store cuts text values at a NUL, so
    // a routine's text read back with one in it is cut short.
    bool inRoutine = true;
};

void PrintTo(const TLiteralCase& c, std::ostream* os) {
    *os << c.name;
}

const TLiteralCase kLiterals[] = {
    {"LineFeed", "'a\nb'", "610A62"},
    {"CarriageReturnLineFeed", "'a\r\nb'", "610D0A62"},
    {"LoneCarriageReturn", "'a\rb'", "610D62"},
    {"Tab", "'a\tb'", "610962"},
    {"Nul", std::string("'a\0b'", 5), "610062", false},
    {"Backslash", "'a\\\\b'", "615C62"},
    {"Quotes", "'a''b\"c'", "6127622263"},
    {"FourByteCharacter", "'\xF0\x9F\x98\x80'", "F09F9880"},
    {"BreaksOfEveryKind", "'1\n2\r\n3\r4'", "310A320D0A330D34"},
};

class LiteralRoadTest : public testing::TestWithParam<TLiteralCase> {};

TEST_P(LiteralRoadTest, ReachesTheServerByteForByte) {
    const auto& settings = VELTRANE_REQUIRE_SERVER();
    const TLiteralCase& c = GetParam();
    TScenarioDatabase database(settings, std::string("lit_") + c.name);
    database.Execute("CREATE TABLE lits (way VARCHAR(10), v VARCHAR(20), w VARCHAR(20))");
    // A routine on the server that the debugger steps into: the literal itself, and a local
    // variable that holds it and is mirrored to the server.
    const std::string routineLiteral = c.inRoutine ? c.literal : "'a'";
    database.Execute("CREATE PROCEDURE lit() BEGIN DECLARE x VARCHAR(20) DEFAULT " + routineLiteral +
                     ";\nINSERT INTO lits VALUES ('stepped', " + routineLiteral + ", x);\nEND");
    const auto connection = database.Connect();

    connection->ExecSQL("INSERT INTO lits VALUES ('execsql', " + c.literal + ", NULL)");
    connection->Execute("INSERT INTO lits VALUES ('execute', " + c.literal + ", NULL)");
    EXPECT_EQ(
        connection->Evaluate(rtl::Utf8ToUtf16("HEX(" + c.literal + ")"), true, 0)->AsString().AsString(),
        c.hex)
        << "evaluate";
    const auto result = connection->Execute("SELECT HEX(" + c.literal + ")");
    EXPECT_EQ(result->GetDataSet()->Fields()[0]->AsString(), c.hex) << "execute";

    TDBAProgramRunner runner(connection);
    EXPECT_EQ(runner.Outcome("BEGIN CALL lit(); END", {}), "");
    EXPECT_THAT(runner.debugger->steps, testing::Contains(testing::StartsWith("lit:"))) << "not stepped into";

    const std::string hex = c.hex;
    const std::string routineHex = c.inRoutine ? hex : "61";
    EXPECT_THAT(database.Rows("SELECT way, HEX(v), HEX(w) FROM lits ORDER BY way"),
                ElementsAre("execsql|" + hex + "|NULL", "execute|" + hex + "|NULL",
                            "stepped|" + routineHex + "|" + routineHex));
}

INSTANTIATE_TEST_SUITE_P(Cases, LiteralRoadTest, testing::ValuesIn(kLiterals),
                         [](const auto& info) { return std::string(info.param.name); });

// A routine loaded, not edited and stored again is byte-identical on the server; an edit keeps the
// line breaks of the lines it did not touch.
TEST(StoreRoutineRoadTest, KeepsTheServersLineBreaks) {
    const auto& settings = VELTRANE_REQUIRE_SERVER();
    TScenarioDatabase database(settings, "store_breaks");
    const std::string text =
        "CREATE DEFINER=CURRENT_USER PROCEDURE mixed()\nBEGIN\r\n  SELECT 'x\ny\r\nz\rw' AS v;\r"
        "  SELECT 2 AS w;\nEND";
    database.Execute(text);
    const auto connection = database.Connect();
    const std::u16string before = LoadRawRoutineText(*connection, "mixed", rkProcedure);
    const std::string literalHex = database.Rows("SELECT HEX('x\ny\r\nz\rw')").front();

    TDBAProgram program(std::make_shared<TSchema>(), connection);
    TRoutine* routine = program.GetProcedure("mixed", database.name, true);
    ASSERT_TRUE(routine);
    StoreRoutine(*connection, *routine, routine->Text());
    EXPECT_EQ(rtl::Utf16ToUtf8(LoadRawRoutineText(*connection, "mixed", rkProcedure)),
              rtl::Utf16ToUtf8(before));

    std::u16string edited = routine->Text();
    edited.replace(edited.find(u"2 AS w"), 6, u"3 AS w");
    StoreRoutine(*connection, *routine, edited);
    std::string after = rtl::Utf16ToUtf8(LoadRawRoutineText(*connection, "mixed", rkProcedure));
    std::string expected = rtl::Utf16ToUtf8(before);
    // The edited line ends with LF now; every other break is the server's.
    expected.replace(expected.find("  SELECT 2 AS w;\n"), 17, "  SELECT 3 AS w;\n");
    EXPECT_EQ(after, expected);

    TDBAProgramRunner runner(connection);
    EXPECT_EQ(runner.Outcome("BEGIN DECLARE h VARCHAR(40); CALL mixed(); END", {}), "");
    EXPECT_THAT(runner.debugger->outputs,
                ElementsAre(Result(3, {"v"}, {"x\ny\r\nz\rw"}), Result(7, {"w"}, {"3"})));
    EXPECT_EQ(literalHex, "780A790D0A7A0D77");
}

// A new routine typed in the program is stored with LF.
TEST(StoreRoutineRoadTest, NewRoutineIsStoredWithLineFeeds) {
    const auto& settings = VELTRANE_REQUIRE_SERVER();
    TScenarioDatabase database(settings, "store_new");
    const auto connection = database.Connect();
    TDBAProgram program(std::make_shared<TSchema>(), connection);
    TRoutine& routine = program.AddProcedure("`" + database.name + "`.`fresh`", u"");
    StoreRoutine(*connection, routine, u"CREATE PROCEDURE fresh()\r\nBEGIN\r\n  SELECT 1;\r\nEND");
    EXPECT_THAT(database.Rows("SELECT HEX(ROUTINE_DEFINITION) FROM information_schema.ROUTINES WHERE "
                              "ROUTINE_SCHEMA = DATABASE() AND ROUTINE_NAME = 'fresh'"),
                ElementsAre("424547494E0A202053454C45435420313B0A454E44"));
}

// A routine that cannot be stepped into runs on the server whole: the reason is told once, and
// every result set it returns is reported in order, as the server's CALL returns them.
class ServerRunRoutineTest : public testing::Test {
protected:
    void SetUp() override {
        const auto& settings = VELTRANE_REQUIRE_SERVER();
        database = std::make_unique<TScenarioDatabase>(
            settings, testing::UnitTest::GetInstance()->current_test_info()->name());
        // FOR is no statement the grammar knows.
        database->Execute("CREATE PROCEDURE loops(INOUT n INT) BEGIN FOR i IN 1..2 DO SELECT i; END FOR; "
                          "SET n = n * 10; END");
        runner = std::make_unique<TDBAProgramRunner>(database->Connect());
        // As the program has it: a routine that does not compile runs on the server.
        runner->program.SetRaiseCompileErrors(false);
    }

    const TScenarioDatabase& Database() const { return *database; }
    std::unique_ptr<TScenarioDatabase> database;
    std::unique_ptr<TDBAProgramRunner> runner;
};

TEST_F(ServerRunRoutineTest, ResultSetsAndOutArgumentsArriveInOrder) {
    EXPECT_EQ(runner->Outcome("BEGIN DECLARE v INT DEFAULT 4; CALL loops(v); SELECT v; END", {"v"}), "40");
    const auto& outputs = runner->debugger->outputs;
    ASSERT_EQ(outputs.size(), 4u);
    EXPECT_EQ(outputs[0].kind, mkError);
    EXPECT_THAT(outputs[0].text,
                testing::StartsWith("PROCEDURE `" + Database().name +
                                    "`.`loops` cannot be stepped into and runs on the server: "));
    EXPECT_EQ(outputs[1], Result(1, {"i"}, {"1"}));
    EXPECT_EQ(outputs[2], Result(1, {"i"}, {"2"}));
    // The session was free for the next statement, which reads the local.
    EXPECT_EQ(outputs[3], Result(1, {"v"}, {"40"}));
}

// Created under ANSI_QUOTES: the double-quoted names are names, so the routine is stepped into.
TEST_F(ServerRunRoutineTest, AnsiQuotedRoutineIsSteppedInto) {
    database->Execute("SET sql_mode = 'ANSI'");
    database->Execute("CREATE PROCEDURE \"ansi\"() BEGIN SELECT 1 AS \"a\", 'x' || 'y' AS \"b\"; END");
    database->Execute("SET sql_mode = DEFAULT");
    EXPECT_EQ(runner->Outcome("BEGIN CALL ansi(); END", {}), "");
    EXPECT_THAT(runner->debugger->steps, testing::Contains("ansi:2"));
    EXPECT_THAT(runner->debugger->outputs, ElementsAre(Result(2, {"a", "b"}, {"1|xy"})));
}

} // namespace
} // namespace engine
