#include "dataaccess/mysql/uMyParser.h"
#include "dataaccess/mysql/uMyTableInfo.h"
#include "dataaccess/server/uCRAccess.h"
#include "dataaccess/server/uCRCommand.h"
#include "dataaccess/store/uSharedObject.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace dataaccess {
namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::IsEmpty;
using ::testing::StartsWith;

// A command of the MySQL dialect without a server; counts how often SQL is parsed.
class TMyDialectCommand : public TCRCommand {
public:
    bool GetPrepared() const override { return cursorState_ == csPrepared; }
    void Execute(int) override {}
    TCursorState GetCursorState() const override { return cursorState_; }
    void SetCursorState(TCursorState value) override { cursorState_ = value; }
    const TTableInfoClass& GetTableInfoClass() const override { return TMyTableInfo::Class(); }
    TSQLParserClass GetParserClass() const override {
        return [](std::string text) -> std::unique_ptr<TSQLParser> {
            return std::make_unique<TMyParser>(std::move(text));
        };
    }
    std::string ParseSQL(const std::string& sql, TParamDescs* params,
                         const std::string& renamePrefix) override {
        ++parseCount;
        return TCRCommand::ParseSQL(sql, params, renamePrefix);
    }
    std::string CreateProcCall(const std::string&, bool) override { return ""; }

    int parseCount = 0;

private:
    TCursorState cursorState_ = csInactive;
};

// The base command with only the abstract operations filled in.
class TBareCommand : public TCRCommand {
public:
    bool GetPrepared() const override { return false; }
    void Execute(int) override {}
    TCursorState GetCursorState() const override { return csInactive; }
    void SetCursorState(TCursorState) override {}
    std::string CreateProcCall(const std::string&, bool) override { return ""; }
};

std::vector<std::string> ParamNames(const TCRCommand& command) {
    std::vector<std::string> names;
    for (int i = 0; i < command.ParamCount(); ++i)
        names.push_back(command.GetParam(i)->GetName());
    return names;
}

struct ParseCase {
    std::string sql;
    std::string expected;
    std::vector<std::string> names;
};

class ParseSQLTest : public ::testing::TestWithParam<ParseCase> {};

TEST_P(ParseSQLTest, ReplacesParametersWithMarkers) {
    const ParseCase& c = GetParam();
    TMyDialectCommand command;
    command.SetSQL(c.sql);
    EXPECT_EQ(command.SQL(), c.expected);
    EXPECT_EQ(command.UserSQL(), c.sql);
    EXPECT_THAT(ParamNames(command), ElementsAreArray(c.names));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ParseSQLTest,
    ::testing::Values(
        ParseCase{"select :a, :a", "select ?, ?", {"a", "a"}},
        ParseCase{"select * from t where id=:id and x>:Low_2",
                  "select * from t where id=? and x>?",
                  {"id", "Low_2"}},
        // Strings, quoted identifiers and comments are single lexemes.
        ParseCase{"select ':a', \":b\", `c:d`", "select ':a', \":b\", `c:d`", {}},
        ParseCase{"select 'it\\'s :a', :b", "select 'it\\'s :a', ?", {"b"}},
        ParseCase{
            "select /* :a */ 1, :b -- :c\n, :d # :e\n", "select /* :a */ 1, ? -- :c\n, ? # :e\n", {"b", "d"}},
        ParseCase{"select 1/*:a*/:b", "select 1/*:a*/?", {"b"}},
        // The assignment operator and a colon before a blank or at the end stay text.
        ParseCase{"set @x := 1", "set @x := 1", {}}, ParseCase{"select a : b", "select a : b", {}},
        ParseCase{"select :", "select :", {}}, ParseCase{"select ::a", "select ::a", {}},
        // A backquoted name is named by the text inside the quotes; "@" stays in the name.
        ParseCase{"select :`my param`", "select ?", {"my param"}},
        ParseCase{"select :@v", "select ?", {"@v"}}, ParseCase{"select :@ v", "select :@ v", {}},
        // Numbers and keywords name parameters too (keywords as the lexer upper-cases them).
        ParseCase{"select :1, :select", "select ?, ?", {"1", "SELECT"}},
        // A label written without a blank is taken for a parameter: routine text must be sent with
        // scanning off.
        ParseCase{"l1:LOOP leave l1; end loop", "l1? leave l1; end loop", {"LOOP"}},
        ParseCase{"select 'é:a', :ñ", "select 'é:a', ?", {"ñ"}}));

TEST(CRCommandTest, SameSQLIsNotParsedAgain) {
    TMyDialectCommand command;
    command.SetSQL("select :a");
    command.GetParam(0)->SetValue(5);
    command.SetSQL("select :a");
    EXPECT_EQ(command.parseCount, 1);
    EXPECT_EQ(command.GetParam(0)->GetValue(), rtl::Variant(5));
    command.SetSQL("select :b");
    EXPECT_EQ(command.parseCount, 2);
    EXPECT_THAT(ParamNames(command), ElementsAre("b"));
}

TEST(CRCommandTest, ScanningOffKeepsTheTextUntilSwitchedOnAgain) {
    TMyDialectCommand command;
    command.SetProp(prScanParams, false);
    command.SetSQL("select :a");
    EXPECT_EQ(command.SQL(), "select :a");
    EXPECT_EQ(command.ParamCount(), 0);

    command.SetProp(prScanParams, true);
    EXPECT_EQ(command.SQL(), "select ?");
    EXPECT_THAT(ParamNames(command), ElementsAre("a"));
    const int parsed = command.parseCount;
    command.SetProp(prScanParams, true); // already on: no reparse
    EXPECT_EQ(command.parseCount, parsed);
}

TEST(CRCommandTest, DisabledScanTakesTheTextAsItIs) {
    TMyDialectCommand command;
    command.SetProp(prDisableParamScan, true);
    command.SetSQL("create procedure p() begin l1:loop leave l1; end loop; end");
    EXPECT_EQ(command.SQL(), command.UserSQL());
    EXPECT_EQ(command.parseCount, 0);
}

TEST(CRCommandTest, RenamePrefixWritesParametersBackRenamed) {
    TMyDialectCommand command;
    EXPECT_EQ(command.ParseSQL("update t set a=:a where b=:`b c` and c=':x'", nullptr, "P_1_"),
              "update t set a=:P_1_a where b=:`P_1_b c` and c=':x'");
    // Without a list or a prefix nothing changes.
    EXPECT_EQ(command.ParseSQL("select :a", nullptr, ""), "select :a");
}

TEST(CRCommandTest, ParseIntoAListClearsIt) {
    TMyDialectCommand command;
    TParamDescs list;
    command.ParseSQL("select :a, :b", &list, "");
    EXPECT_EQ(command.ParseSQL("select :c", &list, ""), "select ?");
    ASSERT_EQ(list.Count(), 1);
    EXPECT_EQ(list.Items(0)->GetName(), "c");
    EXPECT_EQ(command.ParamCount(), 0);
}

TEST(CRCommandTest, ReparseRebuildsTheParameters) {
    TMyDialectCommand command;
    command.SetSQL("select :a, :b");
    command.DeleteParam(0);
    EXPECT_THAT(ParamNames(command), ElementsAre("b"));
    command.ReparseSQL("");
    EXPECT_THAT(ParamNames(command), ElementsAre("a", "b"));
    TParamDesc* added = command.AddParam();
    EXPECT_EQ(command.GetParam(2), added);
    EXPECT_THROW(command.GetParam(3), rtl::EListError);
}

TEST(CRCommandTest, PropertiesAreStoredAndReadBack) {
    TMyDialectCommand command;
    EXPECT_TRUE(command.SetProp(prAutoCommit, true));
    EXPECT_TRUE(command.SetProp(prCompressBlobMode, 3));
    EXPECT_TRUE(command.SetProp(prQuoteNames, true));
    EXPECT_TRUE(command.SetProp(prEnableBCD, true));
    EXPECT_TRUE(command.SetProp(prEnableFMTBCD, true));
    for (const int ignored : {33, prCanReadParams, prIsStoredProc})
        EXPECT_TRUE(command.SetProp(ignored, true));
    EXPECT_TRUE(command.AutoCommit());
    EXPECT_EQ(command.CompressBlobMode(), cbClientServer);
    EXPECT_TRUE(command.QuoteNames());
    EXPECT_TRUE(command.EnableBCD());
    EXPECT_TRUE(command.EnableFMTBCD());

    rtl::Variant value;
    EXPECT_TRUE(command.GetProp(prExecuting, value));
    EXPECT_EQ(value, rtl::Variant(false));
    EXPECT_TRUE(command.GetProp(prCanReadParams, value));
    EXPECT_EQ(value, rtl::Variant(true));
    EXPECT_TRUE(command.GetProp(prIsSelectParams, value));
    EXPECT_EQ(value, rtl::Variant(false));
    try {
        command.GetProp(prAutoCommit, value);
        FAIL();
    } catch (const rtl::EAssertionFailed& e) {
        EXPECT_THAT(e.Message(), StartsWith("5 ("));
    }
    EXPECT_THROW(command.SetProp(1016, 30), rtl::EAssertionFailed);
}

TEST(CRCommandTest, PrepareAndUnprepareMoveTheCursorState) {
    TMyDialectCommand command;
    command.Prepare();
    EXPECT_EQ(command.GetCursorState(), csPrepared);
    command.Unprepare();
    EXPECT_EQ(command.GetCursorState(), csInactive);
}

TEST(CRCommandTest, BaseLeavesDialectAndOptionalValueToServerClasses) {
    TBareCommand command;
    EXPECT_THROW(command.GetTableInfoClass(), rtl::EAssertionFailed);
    EXPECT_THROW(command.GetParserClass(), rtl::EAssertionFailed);
    EXPECT_EQ(command.GetOptionalValue(), 0);
    try {
        command.SetOptionalValue(1);
        FAIL();
    } catch (const rtl::Exception& e) {
        EXPECT_EQ(e.Message(), "Operation is not supported by the database");
    }
}

TEST(ParamDescTest, NullFlagFollowsValues) {
    TParamDesc param;
    EXPECT_EQ(param.GetDataType(), 0);
    EXPECT_TRUE(param.GetIsBound());
    EXPECT_FALSE(param.SetValue("text"));
    EXPECT_FALSE(param.GetNull());
    EXPECT_TRUE(param.SetValue(rtl::Variant::Null()));
    EXPECT_TRUE(param.SetValue(rtl::Variant()));
    EXPECT_TRUE(param.GetNull());

    param.SetValue("text");
    param.SetNull(false);
    EXPECT_TRUE(param.GetValue().IsEmpty());
    EXPECT_FALSE(param.GetNull());
    param.SetValue(7);
    param.SetNull(true);
    EXPECT_TRUE(param.GetValue().IsEmpty());
    EXPECT_TRUE(param.GetNull());
}

TEST(ParamDescTest, ObjectValuesSurviveTheNullFlag) {
    TParamDesc param;
    EXPECT_EQ(param.GetObject(), nullptr);
    param.SetValue("text");
    EXPECT_THROW(param.GetObject(), rtl::EAssertionFailed);

    TVariantObject* object = new TVariantObject(rtl::Variant(1));
    param.SetObject(object);
    param.SetNull(true);
    EXPECT_EQ(param.GetObject(), object);
    EXPECT_TRUE(param.GetValue().IsEmpty());
    param.SetValue(rtl::Variant::Null());
    EXPECT_EQ(param.GetObject(), nullptr);
    object->Release();
}

} // namespace
} // namespace dataaccess
