#include <gtest/gtest.h>

#include "app/fuCodeGenerator.h"
#include "app/fuCursorIterationCodeGenerator.h"
#include "app/VeltraneServerFixture.h"
#include "core/uMySQLTypes.h"
#include "support/ErrorText.h"
#include "support/SQLMonitorLog.h"

namespace app {
namespace {

class CodeGeneratorTest : public VeltraneServerTest {
protected:
    void DropObjects() override {
        session->Execute("DROP PROCEDURE IF EXISTS " + p + "; DROP FUNCTION IF EXISTS " + f +
                         "; DROP PROCEDURE IF EXISTS " + none + "; DROP TABLE IF EXISTS " + table);
    }

    const std::string p = Unique("gen_p");
    const std::string f = Unique("gen_f");
    const std::string none = Unique("gen_none");
    const std::string table = Unique("gen_t");
    std::u16string ScriptOf(const std::string& name, engine::TRoutineKind kind) {
        engine::TRoutine* routine =
            veltrane->Program().GetRoutine(name, "`" + settings.database + "`", true, kind);
        EXPECT_TRUE(routine);
        return GenerateDebugScript(*routine);
    }
    std::u16string Qualified(const std::string& name) {
        return rtl::Utf8ToUtf16("`" + settings.database + "`.`" + name + "`");
    }
};

TEST_F(CodeGeneratorTest, DebugScriptsSetInputsCallAndSelectOutputs) {
    session->Execute("CREATE PROCEDURE " + p +
                     "(IN a INT, OUT b INT, INOUT c INT)\nBEGIN\n  SET b = a; SET c = c + 1;\nEND");
    session->Execute("CREATE FUNCTION " + f + "(x INT) RETURNS INT\nBEGIN\n  RETURN x;\nEND");
    session->Execute("CREATE PROCEDURE " + none + "()\nBEGIN\n  SET @n = 1;\nEND");
    EXPECT_EQ(ScriptOf(p, engine::rkProcedure), u"BEGIN\r\n  SET @a = NULL;\r\n  SET @c = NULL;\r\n  CALL " +
                                                    Qualified(p) +
                                                    u"(@a, @b, @c);\r\n  SELECT @b, @c;\r\nEND");
    EXPECT_EQ(ScriptOf(f, engine::rkFunction), u"BEGIN\r\n  SET @x = NULL;\r\n  SET @result = " +
                                                   Qualified(f) + u"(@x);\r\n  SELECT @result;\r\nEND");
    EXPECT_EQ(ScriptOf(none, engine::rkProcedure), u"BEGIN\r\n  CALL " + Qualified(none) + u"();\r\nEND");
}

TEST(ColumnTypeTextTest, UpperCaseOutsideTheParenthesesAndForeignCharacterSets) {
    const int utf8 = core::CharsetCodePages[core::kCharsetUtf8mb4];
    EXPECT_EQ(ColumnTypeText("varchar(20)", "utf8mb4_general_ci", utf8), "VARCHAR(20)");
    EXPECT_EQ(ColumnTypeText("int(10) unsigned", std::nullopt, utf8), "INT(10) UNSIGNED");
    EXPECT_EQ(ColumnTypeText("enum('Red','blue')", "utf8mb4_general_ci", utf8), "ENUM('Red','blue')");
    EXPECT_EQ(ColumnTypeText("datetime", std::nullopt, utf8), "DATETIME");
    EXPECT_EQ(ColumnTypeText("char(3)", "latin1_swedish_ci", utf8), "CHAR(3) CHARACTER SET latin1");
    EXPECT_EQ(ColumnTypeText("blob", "binary", utf8), "BLOB")
        << "no character set in a collation without '_'";
}

TEST_F(CodeGeneratorTest, CursorLoopOverTheColumnsOfASelect) {
    session->Execute("CREATE TABLE " + table + " (a INT, b VARCHAR(10)) DEFAULT CHARSET utf8mb4");
    const auto columns = ReadCursorColumns(*connection, rtl::Utf8ToUtf16("SELECT a, b\nFROM " + table), "v_");
    ASSERT_EQ(columns, (std::vector<TColumnInfo>{{"v_a", "INT(11)"}, {"v_b", "VARCHAR(10)"}}));
    EXPECT_EQ(GenerateCursorLoop(columns, "c", rtl::Utf8ToUtf16("SELECT a, b\nFROM " + table)),
              "BEGIN\r\n"
              "  DECLARE v_a INT(11);\r\n"
              "  DECLARE v_b VARCHAR(10);\r\n"
              "  DECLARE done BOOLEAN DEFAULT FALSE;\r\n"
              "  DECLARE c CURSOR FOR \r\n"
              "    SELECT a, b\r\n"
              "    FROM " +
                  table +
                  ";\r\n"
                  "  DECLARE CONTINUE HANDLER FOR NOT FOUND SET done = TRUE;\r\n"
                  "\r\n"
                  "  OPEN c;\r\n"
                  "  c_loop: LOOP\r\n"
                  "    FETCH c INTO v_a, v_b;\r\n"
                  "    IF done THEN LEAVE c_loop; END IF;\r\n"
                  "\r\n"
                  "    /* Insert code here */\r\n"
                  "\r\n"
                  "  END LOOP;\r\n"
                  "  CLOSE c;\r\n"
                  "END;");
    EXPECT_EQ(session->Scalar("SELECT COUNT(*) FROM information_schema.tables WHERE table_name LIKE "
                              "'veltrane_temp_table_%'"),
              "0");
}

TEST_F(CodeGeneratorTest, EveryUseBuildsItsColumnsInANewTemporaryTable) {
    testsupport::SQLMonitorLog monitor;
    std::vector<int> numbers;
    for (int i = 0; i < 3; ++i)
        ReadCursorColumns(*connection, u"SELECT 1 AS one", "v_");
    const std::string create = "CREATE TEMPORARY TABLE veltrane_temp_table_";
    for (const std::string& line : monitor.lines)
        if (line.rfind(create, 0) == 0) numbers.push_back(std::stoi(line.substr(create.size())));
    ASSERT_EQ(numbers.size(), 3u);
    EXPECT_EQ(numbers[1], numbers[0] + 1);
    EXPECT_EQ(numbers[2], numbers[0] + 2);
}

TEST_F(CodeGeneratorTest, CursorColumnsRefuseAStatementWithoutRows) {
    session->Execute("CREATE TABLE " + table + " (a INT)");
    EXPECT_EQ(testsupport::ErrorMessageOf([&] {
                  ReadCursorColumns(*connection, rtl::Utf8ToUtf16("UPDATE " + table + " SET a = 1"), "v_");
              }),
              "Invalid SELECT statement");
}

} // namespace
} // namespace app
