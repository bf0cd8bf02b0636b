#include "app/fuMainRoutines.h"

#include <gtest/gtest.h>

#include "app/VeltraneServerFixture.h"
#include "support/ErrorText.h"

namespace app {
namespace {

using testsupport::ErrorMessageOf;

class MainRoutinesTest : public VeltraneServerTest {
protected:
    void SetUp() override {
        VeltraneServerTest::SetUp();
        if (IsSkipped()) return;
        session->Execute("CREATE PROCEDURE " + twin + "()\nBEGIN\n  SET @twin = 'procedure';\nEND");
        session->Execute("CREATE FUNCTION " + twin + "() RETURNS INT\nBEGIN\n  RETURN 2;\nEND");
    }
    void DropObjects() override {
        session->Execute("DROP PROCEDURE IF EXISTS " + twin + "; DROP FUNCTION IF EXISTS " + twin);
    }

    const std::string twin = Unique("twin");

    engine::TProgram& Program() { return veltrane->Program(); }
    std::string Quoted(const std::string& name) { return "`" + settings.database + "`.`" + name + "`"; }
};

TEST_F(MainRoutinesTest, FindModuleOpensTheFunctionFirstAndReportsWhatItCannotOpen) {
    const std::string schema = "`" + settings.database + "`";
    EXPECT_EQ(&FindModule(Program(), "", ekAny, schema), &Program().MainRoutine());
    EXPECT_EQ(FindModule(Program(), twin, ekAny, schema).Kind(), engine::rkFunction);
    EXPECT_EQ(FindModule(Program(), twin, ekProcedure, schema).Kind(), engine::rkProcedure);
    EXPECT_EQ(FindModule(Program(), twin, EntityKindOfRoutine(engine::rkFunction), schema).Kind(),
              engine::rkFunction);
    EXPECT_EQ(ErrorMessageOf([&] { FindModule(Program(), "nowhere", ekAny, schema); }),
              "Cannot load module nowhere");
    EXPECT_EQ(ErrorMessageOf([&] { FindModule(Program(), twin, 5, schema); }), "Unknown entity type 5");
}

// The entered name is read as SQL reads a name, so blanks around it are not part of it.
TEST_F(MainRoutinesTest, ANewRoutineIsQualifiedAndNeverSent) {
    engine::TRoutine& procedure =
        CreateNewRoutine(Program(), engine::rkProcedure, " " + Unique("pnew") + " ", settings.database);
    EXPECT_EQ(procedure.Name(), Quoted(Unique("pnew")));
    EXPECT_EQ(procedure.Text(),
              rtl::Utf8ToUtf16("CREATE PROCEDURE " + Quoted(Unique("pnew")) + "()\r\nBEGIN\r\n\r\nEND"));
    engine::TRoutine& function =
        CreateNewRoutine(Program(), engine::rkFunction, "other.f1", settings.database);
    EXPECT_EQ(function.Text(), u"CREATE FUNCTION `other`.`f1`() RETURNS INT\r\nBEGIN\r\n\r\nEND");
    EXPECT_EQ(session->Scalar("SELECT COUNT(*) FROM information_schema.routines WHERE routine_name = '" +
                              Unique("pnew") + "'"),
              "0");

    EXPECT_EQ(ErrorMessageOf([&] { CreateNewRoutine(Program(), engine::rkProcedure, "   ", "db"); }),
              "Routine name cannot be empty");
    EXPECT_EQ(ErrorMessageOf([&] { CreateNewRoutine(Program(), engine::rkAnonymousBlock, "x", "db"); }),
              "Unsupported routine type");
    EXPECT_EQ(ErrorMessageOf([&] {
                  CreateNewRoutine(Program(), engine::rkProcedure, " " + Unique("pnew") + " ",
                                   settings.database);
              }),
              "PROCEDURE " + Quoted(Unique("pnew")) + " already exists");
}

TEST_F(MainRoutinesTest, AClosedStoredRoutineKeepsTheServersTextAndANewOneLeaves) {
    EXPECT_TRUE(RemoveRoutineOnClose(true, false, true));
    EXPECT_TRUE(RemoveRoutineOnClose(false, true, true));
    EXPECT_TRUE(RemoveRoutineOnClose(false, false, false));
    EXPECT_FALSE(RemoveRoutineOnClose(false, false, true));

    engine::TRoutine& stored = FindModule(Program(), twin, ekProcedure, "`" + settings.database + "`");
    stored.Compile();
    stored.SetText(u"CREATE PROCEDURE twin()\nBEGIN\n  SET @twin = 'edited';\nEND");
    ForgetClosedRoutine(Program(), stored, RemoveRoutineOnClose(false, false, true));
    EXPECT_NE(stored.Text().find(u"'procedure'"), std::u16string::npos);
    EXPECT_TRUE(stored.Compiled());

    engine::TRoutine& fresh = CreateNewRoutine(Program(), engine::rkProcedure, "fresh", settings.database);
    ForgetClosedRoutine(Program(), fresh, RemoveRoutineOnClose(true, false, false));
    EXPECT_EQ(Program().FindRoutine(Quoted("fresh"), engine::rkProcedure), nullptr);
}

TEST(ConnectionLostTest, TwoLossesBeforeTheNextUpdateGiveOneReport) {
    TConnectionLostFlag flag;
    EXPECT_FALSE(flag.TakeIfSet());
    flag.Set();
    flag.Set();
    EXPECT_TRUE(flag.TakeIfSet());
    EXPECT_FALSE(flag.TakeIfSet());
    EXPECT_EQ(ConnectionLostMessage("db1 at localhost"),
              "Connection with 'db1 at localhost' has been lost. The program will now attempt to restore the "
              "connection.\r\n\r\nHint:  the current operation and debug session will be terminated, so try "
              "restarting them once the connection is restored.");
}

} // namespace
} // namespace app
