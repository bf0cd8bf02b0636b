#include "SQLTreeTesting.h"

#include "parser/uSQLRoutines.h"
#include "parser/uSQLStatements.h"

#include <limits>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace parser {
namespace {

using namespace parser::testing;
using ::testing::HasSubstr;

struct TParameter {
    std::string scope;
    std::string name;
    core::TDataType type;
    bool operator==(const TParameter&) const = default;
};

void PrintTo(const TParameter& p, std::ostream* os) {
    *os << p.scope << " " << p.name << " " << static_cast<int>(p.type);
}

std::vector<TParameter> ParametersOf(const std::vector<TgrmParameterDefinition*>& definitions) {
    std::vector<TParameter> parameters;
    for (const TgrmParameterDefinition* definition : definitions)
        parameters.push_back(
            {definition->GetScope(), definition->GetName(), definition->GetDataType().DataType});
    return parameters;
}

template <class Routine>
std::vector<TParameter> ParametersOf(const Routine& routine) {
    std::vector<TgrmParameterDefinition*> definitions;
    routine.GetParameters(&definitions);
    return ParametersOf(definitions);
}

TEST(RoutineGrammarTest, ProcedureWithoutParameters) {
    auto grammar = ParseMySql("CREATE PROCEDURE p() BEGIN END", pmStatements);
    auto& procedure = RootOf<TgrmCreateProcedure>(*grammar);
    EXPECT_FALSE(procedure.IsFunction());
    EXPECT_EQ(procedure.GetRoutineKind(), "PROCEDURE");
    EXPECT_TRUE(ParametersOf(procedure).empty());
    EXPECT_EQ(procedure.Children().Find<TgrmRoutineCharacteristic>(), nullptr);
    ASSERT_NE(procedure.GetBody(), nullptr);
    EXPECT_TRUE(procedure.GetBody()->Children()[0]->Is<TBlockStatement>());
    // A procedure returns nothing: no kind and no limits.
    core::TDatatypeCharacteristics none = procedure.GetReturnType();
    EXPECT_EQ(none.DataType, core::dtUnknown);
    EXPECT_EQ(none.CodePage, -1);
    EXPECT_EQ(none.Scale, 0);
    EXPECT_EQ(none.Length, std::numeric_limits<int64_t>::max());
    EXPECT_EQ(none.MaxValue, static_cast<uint64_t>(std::numeric_limits<int64_t>::max()));
    EXPECT_EQ(none.MinValue, std::numeric_limits<int64_t>::min());
    EXPECT_EQ(none.TypeName, "");
}

TEST(RoutineGrammarTest, FunctionWithDefinerNameParametersReturnsAndBody) {
    auto grammar = ParseMySql("CREATE DEFINER='admin'@'%' FUNCTION db.f(x INT, s VARCHAR(10)) RETURNS INT "
                              "DETERMINISTIC RETURN x + 1",
                              pmStatements);
    auto& function = RootOf<TgrmCreateFunction>(*grammar);
    EXPECT_TRUE(function.IsFunction());
    EXPECT_EQ(Text(function.Children().Find<TgrmRoutineIdentifier>()), "db.f");
    EXPECT_EQ(Text(function.Children().Find<TgrmRoutineDefiner>()), "DEFINER='admin'@'%'");
    EXPECT_THAT(ParametersOf(function), ::testing::ElementsAre(TParameter{"IN", "x", core::dtInteger},
                                                               TParameter{"IN", "s", core::dtString}));
    EXPECT_EQ(function.GetReturnType().DataType, core::dtInteger);
    EXPECT_EQ(Text(function.Children().Find<TgrmRoutineCharacteristic>()), "DETERMINISTIC");
    EXPECT_TRUE(function.GetBody()->Children()[0]->Is<TReturnStatement>());
}

TEST(RoutineGrammarTest, StringFunctionReturnsItsCharacterSet) {
    auto grammar = ParseMySql("CREATE FUNCTION f(p TEXT CHARSET latin1) RETURNS varchar(20) CHARSET utf8mb4 "
                              "COLLATE utf8mb4_unicode_ci NO SQL RETURN p",
                              pmCreateFunction);
    auto& function = RootOf<TgrmCreateFunction>(*grammar);
    core::TDatatypeCharacteristics returns = function.GetReturnType();
    EXPECT_EQ(returns.DataType, core::dtString);
    EXPECT_EQ(returns.Length, 20);
    EXPECT_EQ(returns.CodePage, 65001);
    std::vector<TgrmParameterDefinition*> parameters;
    function.GetParameters(&parameters);
    ASSERT_EQ(parameters.size(), 1u);
    EXPECT_EQ(parameters[0]->GetDataType().CodePage, 1252);
}

TEST(RoutineGrammarTest, DefinerForms) {
    for (const char* definer :
         {"CURRENT_USER", "'admin'@'%'", "`root`@`localhost`", "\"u\"@\"h\"", "admin@server1", "admin"}) {
        std::string text = std::string("CREATE DEFINER=") + definer + " PROCEDURE p() BEGIN END";
        auto grammar = ParseMySql(text, pmCreateProcedure);
        EXPECT_EQ(Text(RootOf<TgrmCreateProcedure>(*grammar).Children().Find<TgrmRoutineDefiner>()),
                  std::string("DEFINER=") + definer)
            << text;
    }
}

TEST(RoutineGrammarTest, ScopesAsWritten) {
    auto grammar = ParseMySql(
        "CREATE PROCEDURE p(INOUT a INT, OUT b VARCHAR(10), in c DATE, d BIGINT) BEGIN END", pmStatements);
    EXPECT_THAT(ParametersOf(RootOf<TgrmCreateProcedure>(*grammar)),
                ::testing::ElementsAre(
                    TParameter{"INOUT", "a", core::dtInteger}, TParameter{"OUT", "b", core::dtString},
                    TParameter{"in", "c", core::dtDate}, TParameter{"IN", "d", core::dtInteger}));
}

TEST(RoutineGrammarTest, CharacteristicsChainInAnyOrder) {
    auto grammar =
        ParseMySql("CREATE PROCEDURE p() COMMENT 'x' NOT DETERMINISTIC READS SQL DATA SQL SECURITY "
                   "INVOKER LANGUAGE SQL CONTAINS SQL NO SQL MODIFIES SQL DATA SQL SECURITY DEFINER "
                   "DETERMINISTIC SELECT 1",
                   pmCreateProcedure);
    int items = 0;
    for (auto* chain = RootOf<TgrmCreateProcedure>(*grammar).Children().Find<TgrmRoutineCharacteristic>();
         chain; chain = chain->Children().Find<TgrmRoutineCharacteristic>())
        ++items;
    EXPECT_EQ(items, 10);
    EXPECT_THAT(SyntaxError("CREATE PROCEDURE p() COMMENT x BEGIN END", pmCreateProcedure),
                HasSubstr("near 'x'"));
}

// A function needs RETURNS and a procedure has none. Where a statement is also allowed, such texts
// are CREATE statements for the server.
TEST(RoutineGrammarTest, WrongRoutineFormsAreServerStatementsOrErrors) {
    for (const char* text : {"CREATE FUNCTION f() BEGIN END", "CREATE PROCEDURE p() RETURNS INT BEGIN END"}) {
        auto grammar = ParseMySql(text, pmStatements);
        auto& statement = RootOf<TStatement>(*grammar);
        EXPECT_TRUE(statement.Children()[0]->Is<TgrmDishonestStatement>()) << text;
    }
    EXPECT_THAT(SyntaxError("CREATE FUNCTION f() BEGIN END", pmCreateFunction), HasSubstr("near 'BEGIN'"));
    // The furthest token is INT: "RETURNS" was also tried as a label.
    EXPECT_THAT(SyntaxError("CREATE PROCEDURE p() RETURNS INT BEGIN END", pmCreateProcedure),
                HasSubstr("near 'INT'"));
    EXPECT_THAT(SyntaxError("CREATE PROCEDURE p() BEGIN END", pmCreateFunction),
                HasSubstr("near 'PROCEDURE'"));
    EXPECT_EQ(SyntaxError("CREATE FUNCTION f() RETURNS INT RETURN 1", pmCreateFunction), "");
}

TEST(RoutineGrammarTest, HeaderAloneReadsKindNameAndParameters) {
    auto grammar =
        ParseMySql("CREATE DEFINER=`root`@`localhost` PROCEDURE `db`.`p`(INOUT a INT, OUT b VARCHAR(10))\n"
                   "BEGIN this body is not read ((( END",
                   pmRoutineHeader);
    auto& header = RootOf<TgrmRoutineHeader>(*grammar);
    EXPECT_EQ(header.GetRoutineType(), "PROCEDURE");
    EXPECT_EQ(header.GetRoutineName(), "`db`.`p`");
    EXPECT_THAT(ParametersOf(header), ::testing::ElementsAre(TParameter{"INOUT", "a", core::dtInteger},
                                                             TParameter{"OUT", "b", core::dtString}));

    auto function = ParseMySql("create function f() returns int", pmRoutineHeader);
    EXPECT_EQ(RootOf<TgrmRoutineHeader>(*function).GetRoutineType(), "function");
    EXPECT_TRUE(ParametersOf(RootOf<TgrmRoutineHeader>(*function)).empty());
    EXPECT_THAT(SyntaxError("CREATE TABLE t (a INT)", pmRoutineHeader), HasSubstr("near 'TABLE'"));
}

} // namespace
} // namespace parser
