#include <gtest/gtest.h>

#include "app/FrameServerFixture.h"
#include "app/fruTextEditor.h"
#include "app/fuCodeGenerator.h"
#include "app/fuCursorIterationCodeGenerator.h"
#include "platform/ui/Panels.h"
#include "core/uMySQLTypes.h"
#include "platform/ui/Actions.h"
#include "platform/ui/Buttons.h"
#include "platform/ui/Dialogs.h"
#include "platform/ui/Edits.h"
#include "platform/ui/Labels.h"
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

// The cursor-iteration dialog as the routine editor shows it, offscreen over the test server.
class CursorIterationDialogTest : public FrameServerTest {
protected:
    void DropObjects() override { session->Execute("DROP TABLE IF EXISTS " + table); }

    const std::string table = Unique("gen_dialog_t");
};

TEST_F(CursorIterationDialogTest, TheFormOffersOKForAStatementAndGivesTheLoop) {
    session->Execute("CREATE TABLE " + table + " (a INT, b VARCHAR(10)) DEFAULT CHARSET utf8mb4");
    TfmCursorIterationCodeGenerator dialog(nullptr, connection);
    EXPECT_EQ(dialog.Caption(), "CURSOR Iteration");
    EXPECT_EQ(dialog.ClientWidth(), 669);
    EXPECT_EQ(dialog.ClientHeight(), 436);
    EXPECT_EQ(dialog.lbSelectStatement->Caption(), "SELECT statement:");
    EXPECT_EQ(dialog.gbOptions->Caption(), " Options ");
    EXPECT_EQ(dialog.edCursorName->Text(), "c");
    EXPECT_EQ(dialog.edVariablesPrefix->Text(), "v_");
    EXPECT_EQ(dialog.buOk->Caption(), "&OK");
    EXPECT_TRUE(dialog.buOk->Default());
    EXPECT_EQ(dialog.buCancel->Caption(), "&Cancel");
    EXPECT_TRUE(dialog.buCancel->Cancel());

    dialog.Editor().SetText(u"  \r\n ");
    dialog.alMain->UpdateActions();
    EXPECT_FALSE(dialog.aOk->Enabled()) << "nothing but blanks";
    dialog.Editor().SetText(rtl::Utf8ToUtf16("SELECT a, b\r\nFROM " + table));
    dialog.alMain->UpdateActions();
    EXPECT_TRUE(dialog.aOk->Enabled());
    dialog.edCursorName->SetText("cur");
    dialog.Show();
    Grab(dialog, "/tmp/png/cursor-iteration.png");
    dialog.Hide();

    const ui::TDialogAnswers answers(
        nullptr, [](ui::TCustomForm& form) { dynamic_cast<TfmCodeGenerator&>(form).aOk->Execute(); });
    ASSERT_EQ(dialog.ShowModal(), ui::mrOk);
    EXPECT_EQ(dialog.GenerateCode(),
              rtl::Utf8ToUtf16("BEGIN\r\n"
                               "  DECLARE v_a INT(11);\r\n"
                               "  DECLARE v_b VARCHAR(10);\r\n"
                               "  DECLARE done BOOLEAN DEFAULT FALSE;\r\n"
                               "  DECLARE cur CURSOR FOR \r\n"
                               "    SELECT a, b\r\n"
                               "    FROM " +
                               table +
                               ";\r\n"
                               "  DECLARE CONTINUE HANDLER FOR NOT FOUND SET done = TRUE;\r\n"
                               "\r\n"
                               "  OPEN cur;\r\n"
                               "  cur_loop: LOOP\r\n"
                               "    FETCH cur INTO v_a, v_b;\r\n"
                               "    IF done THEN LEAVE cur_loop; END IF;\r\n"
                               "\r\n"
                               "    /* Insert code here */\r\n"
                               "\r\n"
                               "  END LOOP;\r\n"
                               "  CLOSE cur;\r\n"
                               "END;"));
}

// A refused statement is reported and the dialog stays open for the user to put it right.
TEST_F(CursorIterationDialogTest, AnErrorKeepsTheDialogOpenAndCancelGivesNoCode) {
    session->Execute("CREATE TABLE " + table + " (a INT)");
    std::vector<std::string> shown;
    bool okTried = false;
    const ui::TDialogAnswers answers(
        [&](const ui::TMessageRequest& request) {
            shown.push_back(request.text);
            return ui::mrOk;
        },
        [&](ui::TCustomForm& form) {
            auto& dialog = dynamic_cast<TfmCursorIterationCodeGenerator&>(form);
            dialog.Editor().SetText(rtl::Utf8ToUtf16("UPDATE " + table + " SET a = 1"));
            dialog.aOk->Execute();
            okTried = true;
            EXPECT_EQ(dialog.ModalResult(), ui::mrNone);
            dialog.aCancel->Execute();
        });
    std::u16string code = u"untouched";
    EXPECT_FALSE(RunCodeGenerator<TfmCursorIterationCodeGenerator>(nullptr, connection, code));
    EXPECT_TRUE(okTried);
    EXPECT_EQ(code, u"untouched");
    EXPECT_EQ(shown, std::vector<std::string>{"Invalid SELECT statement."});
}

} // namespace
} // namespace app
