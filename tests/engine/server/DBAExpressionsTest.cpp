#include "engine/server/uDBAExpressions.h"
#include "support/ErrorText.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "core/uMySQLTypes.h"
#include "engine/model/uDataValueManager.h"
#include "platform/rtl/Exception.h"
#include "platform/rtl/Utf.h"
#include "support/FakeConnection.h"
#include "support/MariaDBConnection.h"
#include "support/SQLMonitorLog.h"
#include "support/TestServer.h"

namespace engine {
namespace {

using testing::ElementsAre;
using testing::IsEmpty;

constexpr char kSessionPrefix[] = "@debugger_internal_variable_";

using testsupport::ErrorOf;

int SessionNumber(const TDBAVariable& variable) {
    const std::string& name = variable.SessionName();
    EXPECT_TRUE(name.starts_with(kSessionPrefix)) << name;
    return std::atoi(name.c_str() + sizeof(kSessionPrefix) - 1);
}

core::TDatatypeCharacteristics IntType() {
    return core::MySQLTypeCharacteristics(3, {}, false, -1, -1, 0, "");
}

class DBAExpressionsTest : public testing::Test {
protected:
    std::shared_ptr<TDBAVariable> Variable(const std::string& name) {
        return std::make_shared<TDBAVariable>(name, core::NullDataValue(),
                                              values.CreateVariableValue(IntType()));
    }

    core::TDataConverter converter;
    TDataValueManager values{&converter};
};

// The process's first name is 1: checked in a fresh process, since other tests take names too.
TEST_F(DBAExpressionsTest, SessionNamesStartAtOneInAProcess) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            const auto first = Variable("a");
            const auto second = Variable("b");
            const bool fresh = first->SessionName() == "@debugger_internal_variable_1" &&
                               second->SessionName() == "@debugger_internal_variable_2";
            std::_Exit(fresh ? 0 : 1);
        },
        testing::ExitedWithCode(0), "");
}

TEST_F(DBAExpressionsTest, SessionNamesAreConsecutiveAndNeverReused) {
    const auto first = Variable("x");
    const auto second = Variable("x");
    EXPECT_EQ(SessionNumber(*second), SessionNumber(*first) + 1);
    // A parameter is a mirrored variable too and takes the next number.
    TDBAInputParameter parameter("p", values.CreateVariableValue(IntType()));
    EXPECT_EQ(SessionNumber(parameter), SessionNumber(*second) + 1);
}

TEST_F(DBAExpressionsTest, SessionNamesAreUniqueAcrossThreads) {
    constexpr int kThreads = 4;
    constexpr int kPerThread = 500;
    std::vector<std::vector<std::string>> taken(kThreads);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
        threads.emplace_back([&taken, t] {
            for (int i = 0; i < kPerThread; ++i)
                taken[t].push_back(NextSessionVariableName());
        });
    for (auto& thread : threads)
        thread.join();
    std::set<std::string> names;
    for (const auto& list : taken)
        names.insert(list.begin(), list.end());
    EXPECT_EQ(names.size(), static_cast<size_t>(kThreads * kPerThread));
}

TEST_F(DBAExpressionsTest, ParametersHaveTheScopeOfTheirClassAndStartAsNull) {
    const std::shared_ptr<IDBAParameter> parameters[] = {
        std::make_shared<TDBAInputParameter>("i", values.CreateVariableValue(IntType())),
        std::make_shared<TDBAOutputParameter>("o", values.CreateVariableValue(IntType())),
        std::make_shared<TDBAInputOutputParameter>("io", values.CreateVariableValue(IntType())),
    };
    const TParameterScope scopes[] = {psIn, psOut, psInOut};
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(parameters[i]->GetName());
        EXPECT_EQ(parameters[i]->GetScope(), scopes[i]);
        EXPECT_TRUE(parameters[i]->GetValue()->IsNull());
        EXPECT_EQ(parameters[i]->GetDefaultValue(), core::NullDataValue());
        EXPECT_NE(std::dynamic_pointer_cast<TDBAVariable>(parameters[i]), nullptr);
    }
}

TEST_F(DBAExpressionsTest, AVariableListKeepsOrderAndRefusesDuplicatesUnlessAllowed) {
    const auto a = Variable("a");
    const auto b = Variable("b");
    const auto twin = Variable("a"); // same name, another variable

    TDBAVariables unique(false);
    unique.Add(b);
    unique.Add(a);
    unique.Add(twin);
    EXPECT_EQ(unique.Count(), 3);
    EXPECT_EQ(unique.Items(0), b);
    EXPECT_EQ(unique.Items(2), twin);
    EXPECT_TRUE(unique.Contains(twin));
    EXPECT_THAT(ErrorOf([&] { unique.Add(a); }), testing::StartsWith("EAssertionFailed"));
    EXPECT_THAT(ErrorOf([&] { unique.Add(nullptr); }), testing::StartsWith("EAssertionFailed"));
    EXPECT_EQ(ErrorOf([&] { unique.Items(3); }), "EListError: List index out of bounds (3)");

    TDBAVariables repeated(true);
    repeated.Add(a);
    repeated.Add(a);
    EXPECT_EQ(repeated.Count(), 2);
    EXPECT_FALSE(repeated.Contains(b));

    // Assign replaces the items in the source's order.
    repeated.Assign(unique);
    EXPECT_EQ(repeated.Count(), 3);
    EXPECT_EQ(repeated.Items(0), b);
    EXPECT_EQ(repeated.Items(1), a);
}

// Records the operation each node reached; with the extension it also sees server-side nodes.
class TPlainVisitor : public TExpressionVisitor {
public:
    void VisitExpression(const std::shared_ptr<IExpression>& e) override { Record("Expression", e.get()); }
    void VisitVariable(const std::shared_ptr<ICustomVariable>& e) override { Record("Variable", e.get()); }

    std::string visited;
    const void* node = nullptr;

protected:
    void Record(const char* name, const void* handed) {
        visited = name;
        node = handed;
    }
};

class TExtendedVisitor : public TPlainVisitor, public IDBAExpressionVisitor {
public:
    IDBAExpressionVisitor* ServerSideExtension() override { return this; }
    void VisitMirroredVariable(const std::shared_ptr<TDBAVariable>& e) override {
        Record("Mirrored", e.get());
    }
    void VisitServerSideExpression(const std::shared_ptr<TDBAServerSideExpression>& e) override {
        Record("ServerSide", e.get());
    }
};

TEST_F(DBAExpressionsTest, ServerSideNodesReachTheExtensionOrTheGenericOperation) {
    const auto variable = Variable("v");
    const auto expression = std::make_shared<TDBAServerSideExpression>(u"(SELECT 1)");
    struct Case {
        std::shared_ptr<IExpression> node;
        const void* object;
        const char* plain;
        const char* extended;
    } cases[] = {
        {variable, dynamic_cast<ICustomVariable*>(variable.get()), "Variable", "Mirrored"},
        {expression, dynamic_cast<IExpression*>(expression.get()), "Expression", "ServerSide"},
    };
    for (const Case& c : cases) {
        TPlainVisitor plain;
        c.node->Accept(plain);
        EXPECT_EQ(plain.visited, c.plain);
        EXPECT_EQ(plain.node, c.object);
        TExtendedVisitor extended;
        c.node->Accept(extended);
        EXPECT_EQ(extended.visited, c.extended);
    }
    TExtendedVisitor extended;
    variable->Accept(extended);
    EXPECT_EQ(extended.node, variable.get());
}

TEST_F(DBAExpressionsTest, AServerSideExpressionKeepsItsTextAndAListWithoutDuplicates) {
    TDBAServerSideExpression expression(u"@debugger_internal_variable_1 + 1");
    EXPECT_EQ(expression.Text(), u"@debugger_internal_variable_1 + 1");
    const auto v = Variable("v");
    expression.Variables().Add(v);
    EXPECT_THAT(ErrorOf([&] { expression.Variables().Add(v); }), testing::StartsWith("EAssertionFailed"));
}

class ExternalVariableTest : public testing::Test {
protected:
    ExternalVariableTest() { connection->Connect(); }

    std::shared_ptr<core::IRODataValue> Int(std::int64_t value) const { return values.CreateInteger(value); }

    std::shared_ptr<testsupport::FakeConnection> connection = std::make_shared<testsupport::FakeConnection>();
    TDataValueManager values{&connection->GetDataConverter()};
};

TEST_F(ExternalVariableTest, AUserVariableIsAskedAtEveryRead) {
    connection->AnswerRows("select (@u) as ExpressionValue", {{"ExpressionValue", 8}}, {{"42"}});
    TDBAUserVariable variable("@u", connection);
    EXPECT_THAT(connection->Statements(), IsEmpty()); // creating it resets nothing
    EXPECT_EQ(variable.GetValue()->AsInteger().AsInt64(), 42);
    EXPECT_EQ(variable.GetValue()->AsInteger().AsInt64(), 42);
    EXPECT_THAT(connection->Statements(),
                ElementsAre("select (@u) as ExpressionValue", "select (@u) as ExpressionValue"));
}

TEST_F(ExternalVariableTest, AssigningSendsSetWithTheLiteral) {
    TDBAUserVariable variable("@u", connection);
    variable.SetValue(core::NullDataValue());
    variable.SetValue(Int(-7));
    variable.SetValue(values.CreateString("it's", 65001));
    // DEFAULT leaves a user variable alone.
    variable.SetValue(core::DefaultDataValue());
    EXPECT_THAT(connection->Statements(), ElementsAre("SET @u = NULL", "SET @u = -7", "SET @u = 'it''s'"));
}

TEST_F(ExternalVariableTest, ASystemVariableReadsItsSessionValueAndResetsToDefault) {
    connection->AnswerRows("select (@@SESSION.`autocommit`) as ExpressionValue", {{"ExpressionValue", 8}},
                           {{"1"}});
    TDBASystemVariable variable("autocommit", connection);
    EXPECT_EQ(variable.GetValue()->AsInteger().AsInt64(), 1);
    variable.SetValue(Int(0));
    variable.SetValue(core::DefaultDataValue());
    variable.ResetToDefault();
    EXPECT_THAT(connection->Statements(),
                ElementsAre("select (@@SESSION.`autocommit`) as ExpressionValue", "SET autocommit = 0",
                            "SET autocommit = DEFAULT", "SET autocommit = DEFAULT"));
}

TEST_F(ExternalVariableTest, ServerErrorsReachTheCallerUnchanged) {
    connection->Fail("SET autocommit = 5", 1231, "42000",
                     "Variable 'autocommit' can't be set to the value of '5'");
    connection->Fail("select (@@SESSION.`nope`) as ExpressionValue", 1193, "HY000",
                     "Unknown system variable 'nope'");
    TDBASystemVariable autocommit("autocommit", connection);
    TDBASystemVariable nope("nope", connection);
    try {
        autocommit.SetValue(Int(5));
        FAIL() << "no error";
    } catch (const core::EDBAConnectionException& e) {
        EXPECT_EQ(e.ErrorCode(), 1231);
        EXPECT_EQ(e.SQLState(), "42000");
    }
    try {
        nope.GetValue();
        FAIL() << "no error";
    } catch (const core::EDBAConnectionException& e) {
        EXPECT_EQ(e.ErrorCode(), 1193);
    }
}

std::string Text(const std::shared_ptr<core::IRODataValue>& value) {
    return value->IsNull() ? "NULL" : value->AsString().AsString();
}

TEST(ExternalVariableServerTest, UserAndSystemVariablesRoundTripOnTheServer) {
    const auto& server = VELTRANE_REQUIRE_SERVER();
    const auto connection = std::make_shared<testsupport::MariaDBConnection>(server);
    connection->Connect();
    TDataValueManager values(&connection->GetDataConverter());

    TDBASystemVariable sqlMode("sql_mode", connection);
    TDBASystemVariable autocommit("autocommit", connection);
    TDBAUserVariable user("@ExternalVariableServerTest_u", connection);
    // Double quotes that are identifiers and literal backslashes must not disturb either kind.
    sqlMode.SetValue(values.CreateString("ANSI_QUOTES,NO_BACKSLASH_ESCAPES", 65001));
    EXPECT_EQ(Text(sqlMode.GetValue()), "ANSI_QUOTES,NO_BACKSLASH_ESCAPES");

    autocommit.SetValue(values.CreateInteger(0));
    EXPECT_EQ(Text(autocommit.GetValue()), "0");
    autocommit.SetValue(core::DefaultDataValue());
    const auto reset = autocommit.GetValue();
    EXPECT_EQ(reset->GetCharacteristics().DataType, core::dtInteger); // 1, where SHOW VARIABLES says ON
    EXPECT_EQ(Text(reset), "1");

    const std::string tricky = "a'b\\c\"d\n\xF0\x9F\x98\x80";
    user.SetValue(values.CreateString(tricky, 65001));
    EXPECT_EQ(Text(user.GetValue()), tricky);
    user.SetValue(values.CreateInteger(-12));
    EXPECT_EQ(Text(user.GetValue()), "-12");
    user.SetValue(core::NullDataValue());
    EXPECT_EQ(Text(user.GetValue()), "NULL");
    // Another session statement sees what the variable wrote: the value lives on the server.
    EXPECT_EQ(Text(connection->Evaluate(u"@ExternalVariableServerTest_u IS NULL", true, 0)), "1");

    sqlMode.SetValue(core::DefaultDataValue());
    EXPECT_EQ(Text(sqlMode.GetValue()), Text(connection->Evaluate(u"@@GLOBAL.sql_mode", true, 0)));
}

} // namespace
} // namespace engine
