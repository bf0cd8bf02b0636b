#include "components/uDAConnection.h"
#include "components/uDASQL.h"
#include "components/uMyCommand.h"
#include "dataaccess/mysql/uMySQLCommand.h"
#include "dataaccess/server/uCRAccess.h"
#include "support/ErrorText.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace components {
namespace {

using namespace data;
using testsupport::ErrorMessageOf;

// Exposes the server-command hooks.
class OpenCommand : public TMyCommand {
public:
    using TMyCommand::SetICommand;
};

std::string CoreSQL(const TCustomDASQL& command) {
    return command.ICommand()->SQL();
}

TEST(DASQLTest, FinalTextLosesTrailingControlCharactersAndExpandsMacros) {
    TMyCommand command;
    command.SetSQL("select &cols from t  \r\n\t\r\n");
    command.Macros().MacroByName("cols")->SetValue("a, b");
    EXPECT_EQ(command.FinalSQL(), "select a, b from t");
    EXPECT_EQ(CoreSQL(command), "select a, b from t") << "a macro change rebuilds the text";
}

TEST(DASQLTest, TextSetWholeIsSentByteForByte) {
    TMyCommand command;
    const std::string text = "insert into t values ('a\nb', 'c\r\nd', 'e\rf')";
    command.SetSQL(text);
    EXPECT_EQ(command.FinalSQL(), text);
    EXPECT_EQ(CoreSQL(command), text);
    // A change line by line makes the text the list's lines, joined with its line break.
    command.SQL().Add("-- more");
    EXPECT_EQ(command.FinalSQL(), "insert into t values ('a\r\nb', 'c\r\nd', 'e\r\nf')\r\n-- more");
    EXPECT_EQ(CoreSQL(command), command.FinalSQL());
}

TEST(DASQLTest, ParametersAreScannedAndKeepTheirValues) {
    TMyCommand command;
    command.SetSQL("insert into t values (:a, :b)");
    ASSERT_EQ(command.ParamCount(), 2);
    EXPECT_EQ(CoreSQL(command), "insert into t values (?, ?)");
    command.ParamByName("a")->SetAsInteger(1);
    command.ParamByName("b")->SetAsString("two");
    command.SetSQL("insert into t values (:b, :c)");
    ASSERT_EQ(command.ParamCount(), 2);
    EXPECT_EQ(command.Params()[0]->Name(), "b");
    EXPECT_EQ(command.Params()[0]->AsString(), "two");
    EXPECT_TRUE(command.ParamByName("c")->IsNull());
    EXPECT_EQ(ErrorMessageOf([&] { command.ParamByName("a"); }), "Parameter 'a' not found");

    command.ParamByName("c")->SetAsString("kept");
    command.SetSQL("insert into t values (:b, :c)\r\n");
    EXPECT_EQ(command.ParamByName("c")->AsString(), "kept") << "the same text changes nothing";
}

TEST(DASQLTest, ParamCheckOffLeavesColonsInTheText) {
    TMyCommand command;
    command.SetParamCheck(false);
    command.SetSQL("select :x");
    EXPECT_EQ(command.ParamCount(), 0);
    EXPECT_EQ(CoreSQL(command), "select :x");
}

TEST(DASQLTest, ErrorsBeforeAnythingIsSent) {
    TMyCommand command;
    command.SetSQL("select 1");
    EXPECT_EQ(ErrorMessageOf([&] { command.Execute(); }), "Connection is not defined");
    EXPECT_EQ(ErrorMessageOf([&] { command.Prepare(); }), "Connection is not defined");
    EXPECT_EQ(ErrorMessageOf([&] { command.CreateProcCall("", true, false); }),
              "StoredProcName must be defined");
    command.SetName("cmd");
    EXPECT_EQ(ErrorMessageOf([&] { command.Execute(); }), "cmd: Connection is not defined");
}

TEST(DASQLTest, CommandTimeoutReachesEveryServerCommand) {
    OpenCommand command;
    command.SetCommandTimeout(30);
    EXPECT_EQ(command.MyICommand()->CommandTimeout(), 30);
    command.SetICommand(std::make_unique<dataaccess::TMySQLCommand>());
    EXPECT_EQ(command.MyICommand()->CommandTimeout(), 30) << "a server command made later";
    EXPECT_TRUE(command.AutoCommit());
    EXPECT_TRUE(command.ICommand()->AutoCommit());
}

TEST(DASQLTest, AssignCopiesTextParametersAndOptions) {
    TMyCommand source, target;
    source.SetSQL("select :p");
    source.ParamByName("p")->SetAsString("v");
    source.SetAutoCommit(false);
    source.SetDebug(true);
    int fired = 0;
    source.AfterExecute = [&](TCustomDASQL*, bool) { ++fired; };
    target.Assign(&source);
    EXPECT_EQ(target.SQL().Text(), source.SQL().Text());
    EXPECT_EQ(target.ParamByName("p")->AsString(), "v");
    EXPECT_FALSE(target.AutoCommit());
    EXPECT_TRUE(target.Debug());
    ASSERT_TRUE(target.AfterExecute);
    target.AfterExecute(&target, true);
    EXPECT_EQ(fired, 1);
}

} // namespace
} // namespace components
