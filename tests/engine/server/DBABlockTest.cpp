#include "engine/server/uDBABlock.h"
#include "support/ErrorText.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cctype>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "core/uMySQLTypes.h"
#include "engine/model/uDataValueManager.h"
#include "platform/rtl/Exception.h"
#include "support/FakeConnection.h"
#include "support/SQLMonitorLog.h"
#include "support/TestServer.h"

namespace engine {
namespace {

using testing::ElementsAre;
using testing::IsEmpty;

const auto ErrorOf = testsupport::ErrorMessageOf;

std::shared_ptr<IDebugInfo> NoPosition() {
    return std::make_shared<TDebugInfo>();
}

std::shared_ptr<IStatement> Body() {
    return std::make_shared<TCompositeStatement>();
}

// A condition value from its text in a handler declaration: an error code, SQLSTATE '...', one of
// the three classes, or the name of a condition the block sees.
std::unique_ptr<TConditionValue> ConditionValue(const IDBABlock& block, const std::string& text) {
    if (text == "SQLWARNING") return std::make_unique<TSQLWarningConditionValue>();
    if (text == "NOT FOUND") return std::make_unique<TNotFoundConditionValue>();
    if (text == "SQLEXCEPTION") return std::make_unique<TSQLExceptionConditionValue>();
    if (text.starts_with("SQLSTATE '")) return std::make_unique<TSQLStateConditionValue>(text.substr(10, 5));
    if (std::isdigit(static_cast<unsigned char>(text[0])))
        return std::make_unique<TErrorCodeConditionValue>(std::stoi(text));
    const TNamedCondition* condition = block.FindCondition(text);
    RTL_ASSERT_MSG(condition, text.c_str());
    return std::make_unique<TNamedConditionConditionValue>(*condition);
}

class DBABlockTest : public testing::Test {
protected:
    DBABlockTest() { connection->Connect(); }

    std::shared_ptr<TDBABlock> Block(const std::shared_ptr<TDBABlock>& parent = nullptr) {
        auto block = std::make_shared<TDBABlock>(NoPosition(), parent, "", &identifiers, connection);
        if (parent) parent->GetStatements()->Add(block);
        return block;
    }
    static TDBAHandler& Handler(IDBABlock& block, const std::vector<std::string>& conditions,
                                THandlerKind kind = hkContinue) {
        TDBAHandler& handler = block.AddHandler(kind, ConditionValue(block, conditions.front()), Body());
        for (size_t i = 1; i < conditions.size(); ++i)
            handler.AddCondition(ConditionValue(block, conditions[i]));
        return handler;
    }
    std::shared_ptr<TDBAVariable> Variable(const std::string& name) {
        return std::make_shared<TDBAVariable>(
            name, core::NullDataValue(),
            values.CreateVariableValue(core::MySQLTypeCharacteristics(3, {}, false, -1, -1, 0, "")));
    }

    core::TIdentifierManager identifiers{"`", ".", "`"};
    std::shared_ptr<testsupport::FakeConnection> connection = std::make_shared<testsupport::FakeConnection>();
    TDataValueManager values{&connection->GetDataConverter()};
};

// ---- Condition values

TEST(ConditionValueTest, MatchesAndPriorities) {
    const TErrorCodeConditionValue code(1062);
    const TSQLStateConditionValue state("HY000");
    const TNotFoundConditionValue notFound;
    const TSQLWarningConditionValue warning;
    const TSQLExceptionConditionValue exception;
    const TNamedCondition byCode("c", "", 1329);
    const TNamedCondition byState("s", "02000", 0);
    const TNamedConditionConditionValue namedCode(byCode);
    const TNamedConditionConditionValue namedState(byState);

    struct Case {
        const char* name;
        const TConditionValue& value;
        int priority;
        bool code1062, code1329;
        // SQLSTATE and warning flag: HY000 error, hy000 error, 02000 error, 01000 error, 23000 warning,
        // 00000 error
        bool states[6];
    } cases[] = {
        {"1062", code, 0, true, false, {false, false, false, false, false, false}},
        {"SQLSTATE 'HY000'", state, 1, false, false, {true, true, false, false, false, false}},
        {"NOT FOUND", notFound, 2, false, false, {false, false, true, false, false, false}},
        {"SQLWARNING", warning, 2, false, false, {false, false, false, true, true, false}},
        {"SQLEXCEPTION", exception, 2, false, false, {true, true, false, false, false, false}},
        {"c FOR 1329", namedCode, 0, false, true, {false, false, false, false, false, false}},
        {"s FOR SQLSTATE '02000'", namedState, 1, false, false, {false, false, true, false, false, false}},
    };
    const std::pair<const char*, bool> conditions[] = {{"HY000", false}, {"hy000", false}, {"02000", false},
                                                       {"01000", false}, {"23000", true},  {"00000", false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.value.Priority(), c.priority);
        EXPECT_EQ(c.value.MatchesCode(1062), c.code1062);
        EXPECT_EQ(c.value.MatchesCode(1329), c.code1329);
        for (int i = 0; i < 6; ++i)
            EXPECT_EQ(c.value.MatchesState(conditions[i].first, conditions[i].second), c.states[i])
                << conditions[i].first;
    }
    // The class of an SQLSTATE is its first two characters exactly.
    EXPECT_FALSE(notFound.MatchesState("2000", false));
}

TEST(ConditionValueTest, Sameness) {
    const TNamedCondition byCode("c", "", 1062);
    const TNamedCondition byState("s", "HY000", 0);
    const TNamedConditionConditionValue namedCode(byCode);
    const TNamedConditionConditionValue namedState(byState);
    const TErrorCodeConditionValue code(1062);
    const TErrorCodeConditionValue otherCode(1063);
    const TSQLStateConditionValue upper("HY000");
    const TSQLStateConditionValue lower("hy000");
    const TNotFoundConditionValue notFound;
    const TNotFoundConditionValue notFound2;
    const TSQLExceptionConditionValue exception;

    EXPECT_TRUE(code.IsSameAs(TErrorCodeConditionValue(1062)));
    EXPECT_FALSE(code.IsSameAs(otherCode));
    EXPECT_FALSE(upper.IsSameAs(lower)); // matching ignores case, sameness does not
    EXPECT_TRUE(notFound.IsSameAs(notFound2));
    EXPECT_FALSE(notFound.IsSameAs(exception));
    EXPECT_FALSE(code.IsSameAs(upper));
    // A named condition stands for its value on either side.
    EXPECT_TRUE(code.IsSameAs(namedCode));
    EXPECT_TRUE(namedCode.IsSameAs(code));
    EXPECT_TRUE(upper.IsSameAs(namedState));
    EXPECT_TRUE(namedState.IsSameAs(namedState));
    EXPECT_FALSE(namedCode.IsSameAs(namedState));
}

// ---- Declarations

TEST_F(DBABlockTest, DuplicateDeclarationsInOneBlockAreRefused) {
    const auto outer = Block();
    const auto inner = Block(outer);
    outer->AddCondition("dup_key", "", 1062);
    EXPECT_EQ(ErrorOf([&] { outer->AddCondition("`DUP_KEY`", "23000", 0); }),
              "Duplicate condition: '`DUP_KEY`'");
    inner->AddCondition("dup_key", "23000", 0); // shadows the outer one

    const TDBAVariables none(false);
    EXPECT_EQ(outer->AddCursor("c", "SELECT 1", none), 0);
    EXPECT_EQ(outer->AddCursor("d", "SELECT 2", none), 1);
    EXPECT_EQ(ErrorOf([&] { outer->AddCursor("C", "SELECT 3", none); }), "Duplicate cursor: 'C'");
    EXPECT_EQ(inner->AddCursor("c", "SELECT 4", none), 0);

    const std::string duplicate = "Duplicate handler declared in the same block";
    const struct {
        std::vector<std::string> first;
        std::vector<std::string> second;
        bool refused;
    } cases[] = {
        {{"1062"}, {"1062"}, true},
        {{"1062"}, {"dup_key"}, false},
        {{"SQLSTATE '23000'"}, {"dup_key"}, true},
        {{"dup_code"}, {"1062"}, true},
        {{"SQLSTATE '23000'"}, {"dup_code"}, false},
        {{"SQLSTATE 'HY000'"}, {"SQLSTATE 'hy000'"}, false},
        {{"SQLEXCEPTION"}, {"SQLEXCEPTION"}, true},
        {{"SQLEXCEPTION"}, {"SQLWARNING", "NOT FOUND"}, false},
        {{"1062"}, {"NOT FOUND", "SQLSTATE '42000'", "1062"}, true},
        // A handler's own earlier conditions count.
        {{"1329", "NOT FOUND", "1329"}, {}, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.first.front());
        const auto block = Block(inner);
        block->AddCondition("dup_key", "23000", 0);
        block->AddCondition("dup_code", "", 1062);
        const std::string error = ErrorOf([&] {
            Handler(*block, c.first);
            if (!c.second.empty()) Handler(*block, c.second);
        });
        EXPECT_EQ(error, c.refused ? duplicate : "no error");
    }

    // The same declarations in nested blocks are accepted.
    Handler(*outer, {"1062"});
    Handler(*inner, {"1062"});
    EXPECT_EQ(outer->HandlerCount(), 1);
    EXPECT_EQ(inner->HandlerCount(), 1);
}

TEST_F(DBABlockTest, CursorsAndConditionsAreFoundInEnclosingBlocks) {
    const auto outer = Block();
    const auto middle = Block(outer);
    const auto inner = Block(middle);
    const TDBAVariables none(false);
    outer->AddCursor("c", "SELECT 1", none);
    middle->AddCursor("d", "SELECT 2", none);
    inner->AddCursor("`D`", "SELECT 3", none);
    outer->AddCondition("e", "", 1062);

    EXPECT_EQ(inner->FindCursor("C"), &outer->GetCursor(0));
    EXPECT_EQ(inner->FindCursor("d"), &inner->GetCursor(0));
    EXPECT_EQ(middle->FindCursor("d"), &middle->GetCursor(0));
    EXPECT_EQ(outer->FindCursor("d"), nullptr);
    EXPECT_EQ(inner->FindCondition("`e`"), &outer->GetCondition(0));
    EXPECT_EQ(inner->FindLocalCondition("e"), nullptr);
    EXPECT_EQ(ErrorOf([&] { inner->GetCursor(1); }), "List index out of bounds (1)");
}

TEST_F(DBABlockTest, ACursorQueryIsMadeUnopenedWhenItIsDeclared) {
    testsupport::SQLMonitorLog log;
    const auto block = Block();
    const auto x = Variable("x");
    const auto y = Variable("y");
    TDBAVariables used(false);
    used.Add(x);
    used.Add(y);
    block->AddCursor("c", "SELECT a FROM t WHERE a > @debugger_internal_variable_1", used);
    used.Assign(TDBAVariables(false)); // the cursor keeps its own copy

    const TDBACursor& cursor = block->GetCursor(0);
    EXPECT_EQ(cursor.Name(), "c");
    EXPECT_FALSE(cursor.DataSet().Active());
    ASSERT_EQ(cursor.Variables().Count(), 2);
    EXPECT_EQ(cursor.Variables().Items(1), y);
    EXPECT_EQ(dynamic_cast<testsupport::FetchedDataSet&>(cursor.DataSet()).SQL(),
              "SELECT a FROM t WHERE a > @debugger_internal_variable_1");
    EXPECT_THAT(log.lines, ElementsAre("SELECT a FROM t WHERE a > @debugger_internal_variable_1"));
    EXPECT_THAT(connection->Statements(), IsEmpty());
}

TEST_F(DBABlockTest, ClearEmptiesTheDeclarationsToo) {
    const auto block = Block();
    block->AddSymbol(Variable("v"));
    block->AddCursor("c", "SELECT 1", TDBAVariables(false));
    block->AddCondition("e", "", 1062);
    Handler(*block, {"e"});
    block->Clear();
    EXPECT_EQ(block->SymbolCount(), 0);
    EXPECT_EQ(block->CursorCount(), 0);
    EXPECT_EQ(block->ConditionCount(), 0);
    EXPECT_EQ(block->HandlerCount(), 0);
    // Declaring again is no duplicate.
    block->AddCondition("e", "", 1062);
    Handler(*block, {"e"});
}

TEST_F(DBABlockTest, AHandlerKnowsItsBlockKindBodyAndConditions) {
    const auto block = Block();
    const auto body = Body();
    TDBAHandler& handler = block->AddHandler(hkExit, std::make_unique<TErrorCodeConditionValue>(1062), body);
    handler.AddCondition(std::make_unique<TNotFoundConditionValue>());
    EXPECT_EQ(handler.Block(), std::static_pointer_cast<IDBABlock>(block));
    EXPECT_EQ(handler.Kind(), hkExit);
    EXPECT_EQ(handler.Body(), body);
    ASSERT_EQ(handler.ConditionCount(), 2);
    EXPECT_EQ(handler.GetCondition(1).Priority(), 2);
    EXPECT_EQ(&block->GetHandler(0), &handler);
}

// ---- Handler lookup, against the server

struct TDeclaredCondition {
    int block;
    std::string name;
    std::string sqlState; // empty: FOR the code
    int code;
};

struct THandlerDeclaration {
    int block;
    std::vector<std::string> conditions;
};

// Blocks nested `depth` deep; the condition is raised in the innermost one. The handlers are named
// "h0", "h1", ... in declaration order; "none" when no handler takes the condition.
struct TLookupCase {
    TLookupCase(std::string name, std::vector<THandlerDeclaration> handlers, int code, std::string sqlState,
                std::string expected)
        : name(std::move(name)), handlers(std::move(handlers)), code(code), sqlState(std::move(sqlState)),
          expected(std::move(expected)) {}

    std::string name;
    std::vector<THandlerDeclaration> handlers;
    int code;
    std::string sqlState;
    std::string expected;
    int depth = 1;
    std::vector<TDeclaredCondition> conditions;
    bool warning = false;
    // Declarations of the innermost block before its handlers, and the statement that raises the
    // condition on the server: by default a SIGNAL of the code and SQLSTATE; "" runs no server check.
    std::string innerDeclarations;
    std::optional<std::string> raise;

    TLookupCase Depth(int value) const {
        return With([&](TLookupCase& c) { c.depth = value; });
    }
    TLookupCase Declaring(std::vector<TDeclaredCondition> value) const {
        return With([&](TLookupCase& c) { c.conditions = value; });
    }
    TLookupCase AsWarning() const {
        return With([](TLookupCase& c) { c.warning = true; });
    }
    TLookupCase RaisedBy(std::string statement, std::string declarations = {}) const {
        return With([&](TLookupCase& c) {
            c.raise = statement;
            c.innerDeclarations = declarations;
        });
    }

private:
    TLookupCase With(const std::function<void(TLookupCase&)>& change) const {
        TLookupCase copy = *this;
        change(copy);
        return copy;
    }
};

std::ostream& operator<<(std::ostream& stream, const TLookupCase& c) {
    return stream << c.name;
}

const std::string kMissingTable = "SELECT * FROM DBABlockTest_missing";
const std::string kTruncation = "DO CAST('1x' AS SIGNED)"; // a warning, 1292

const TLookupCase kLookupCases[] = {
    TLookupCase{
        "InnerSQLExceptionBeatsOuterErrorCode", {{0, {"1062"}}, {1, {"SQLEXCEPTION"}}}, 1062, "23000", "h1"}
        .Depth(2)
        .RaisedBy("INSERT INTO DBABlockTest_keys VALUES (1), (1)"),
    TLookupCase{"InnerNotFoundBeatsOuterErrorCode", {{0, {"1329"}}, {1, {"NOT FOUND"}}}, 1329, "02000", "h1"}
        .Depth(2)
        .RaisedBy("OPEN c; FETCH c INTO v",
                  "DECLARE v INT; DECLARE c CURSOR FOR SELECT 1 FROM DUAL WHERE FALSE;"),
    TLookupCase{"SameCodeInNestedBlocksTakesTheInnerOne", {{0, {"1062"}}, {1, {"1062"}}}, 1062, "23000", "h1"}
        .Depth(2),
    TLookupCase{"AnOuterBlockDecidesWhenTheInnerHasNoMatch",
                {{0, {"1062"}}, {1, {"NOT FOUND", "SQLWARNING"}}},
                1062,
                "23000",
                "h0"}
        .Depth(2),
    TLookupCase{"TheNearestBlockWithAMatchDecides",
                {{0, {"1146"}}, {1, {"SQLSTATE '42S02'"}}, {2, {"NOT FOUND"}}},
                1146,
                "42S02",
                "h1"}
        .Depth(3)
        .RaisedBy(kMissingTable),
    TLookupCase{"InABlockTheErrorCodeBeatsTheStateBeatsTheClass",
                {{0, {"SQLEXCEPTION"}}, {0, {"SQLSTATE '23000'"}}, {0, {"1062"}}},
                1062,
                "23000",
                "h2"},
    TLookupCase{"InABlockTheStateBeatsTheClass",
                {{0, {"SQLEXCEPTION"}}, {0, {"1063", "SQLSTATE '23000'"}}},
                1062,
                "23000",
                "h1"},
    TLookupCase{
        "AmongEqualsTheFirstDeclaredWins", {{0, {"NOT FOUND"}}, {0, {"SQLWARNING"}}}, 1329, "02000", "h0"}
        .AsWarning()
        .RaisedBy("SELECT 1 INTO v FROM DUAL WHERE FALSE", "DECLARE v INT;"),
    TLookupCase{"AmongEqualsTheFirstDeclaredWinsReversed",
                {{0, {"SQLWARNING"}}, {0, {"NOT FOUND"}}},
                1329,
                "02000",
                "h0"}
        .AsWarning()
        .RaisedBy("SELECT 1 INTO v FROM DUAL WHERE FALSE", "DECLARE v INT;"),
    TLookupCase{"ANamedConditionHasThePriorityOfItsValue",
                {{1, {"SQLSTATE '23000'"}}, {1, {"dup"}}},
                1062,
                "23000",
                "h1"}
        .Depth(2)
        .Declaring({{0, "dup", "", 1062}}),
    TLookupCase{"ANamedStateConditionBeatsAClass", {{0, {"SQLEXCEPTION"}}, {0, {"dup"}}}, 1062, "23000", "h1"}
        .Declaring({{0, "dup", "23000", 0}}),
    TLookupCase{"SQLWarningTakesAWarningOfAnyState",
                {{0, {"SQLWARNING"}}, {1, {"SQLEXCEPTION"}}},
                1292,
                "22007",
                "h0"}
        .Depth(2)
        .AsWarning()
        .RaisedBy(kTruncation),
    TLookupCase{"AStateHandlerTakesAWarningOfItsState",
                {{0, {"SQLSTATE '22007'"}}, {1, {"SQLWARNING"}}},
                1292,
                "22007",
                "h1"}
        .Depth(2)
        .AsWarning()
        .RaisedBy(kTruncation),
    TLookupCase{"SQLExceptionNeverTakesAWarning", {{0, {"SQLEXCEPTION"}}}, 1000, "01234", "none"}.AsWarning(),
    TLookupCase{"SQLExceptionDoesNotTakeNotFound", {{0, {"SQLEXCEPTION"}}}, 1643, "02000", "none"},
    TLookupCase{
        "NothingMatches", {{0, {"1062", "NOT FOUND"}}, {1, {"SQLSTATE '23000'"}}}, 1146, "42S02", "none"}
        .Depth(2)
        .RaisedBy(kMissingTable),
    // The server refuses a lower-case SQLSTATE in a declaration, so this one is checked locally only.
    TLookupCase{"StateMatchingIgnoresCase", {{0, {"SQLSTATE 'hy000'"}}}, 1000, "HY000", "h0"}.RaisedBy(""),
};

class HandlerLookupTest : public DBABlockTest, public testing::WithParamInterface<TLookupCase> {
protected:
    // The label of the handler the model's lookup chooses in the innermost block.
    std::string LocalChoice() {
        const TLookupCase& c = GetParam();
        std::vector<std::shared_ptr<TDBABlock>> blocks;
        for (int i = 0; i < c.depth; ++i)
            blocks.push_back(Block(blocks.empty() ? nullptr : blocks.back()));
        for (const TDeclaredCondition& condition : c.conditions)
            blocks.at(condition.block)->AddCondition(condition.name, condition.sqlState, condition.code);
        std::map<const TDBAHandler*, std::string> labels;
        for (size_t i = 0; i < c.handlers.size(); ++i)
            labels[&Handler(*blocks.at(c.handlers[i].block), c.handlers[i].conditions)] =
                "h" + std::to_string(i);
        const TDBAHandler* chosen = blocks.back()->FindHandler(c.code, c.sqlState, c.warning);
        return chosen ? labels.at(chosen) : "none";
    }

    // The nested blocks as one anonymous block for the server; a handler records its label.
    static std::string ServerScript(const TLookupCase& c) {
        std::string script;
        for (int block = 0; block < c.depth; ++block) {
            script += block == 0 ? "BEGIN NOT ATOMIC\n" : "BEGIN\n";
            for (const TDeclaredCondition& condition : c.conditions) {
                if (condition.block != block) continue;
                script += "DECLARE " + condition.name + " CONDITION FOR " +
                          (condition.sqlState.empty() ? std::to_string(condition.code)
                                                      : "SQLSTATE '" + condition.sqlState + "'") +
                          ";\n";
            }
            if (block == c.depth - 1) script += c.innerDeclarations + "\n";
            for (size_t i = 0; i < c.handlers.size(); ++i) {
                if (c.handlers[i].block != block) continue;
                std::string list;
                for (const std::string& condition : c.handlers[i].conditions)
                    list += (list.empty() ? "" : ", ") + condition;
                script += "DECLARE CONTINUE HANDLER FOR " + list + " SET @DBABlockTest_taken = 'h" +
                          std::to_string(i) + "';\n";
            }
        }
        script += c.raise
                      ? *c.raise
                      : "SIGNAL SQLSTATE '" + c.sqlState + "' SET MYSQL_ERRNO = " + std::to_string(c.code);
        script += ";\n";
        for (int block = 0; block < c.depth; ++block)
            script += "END;\n";
        script.resize(script.size() - 2); // no ";" after the outermost END
        return script;
    }
};

TEST_P(HandlerLookupTest, ChoosesTheHandler) {
    EXPECT_EQ(LocalChoice(), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, HandlerLookupTest, testing::ValuesIn(kLookupCases),
                         [](const testing::TestParamInfo<TLookupCase>& info) { return info.param.name; });

class HandlerLookupServerTest : public HandlerLookupTest {};

TEST_P(HandlerLookupServerTest, TheServerChoosesTheSameHandler) {
    const TLookupCase& c = GetParam();
    const auto& server = VELTRANE_REQUIRE_SERVER();
    testsupport::RawSession session(server);
    session.Execute("CREATE TEMPORARY TABLE DBABlockTest_keys (k INT PRIMARY KEY)");
    session.Execute("SET @DBABlockTest_taken = 'none'");
    const std::string script = ServerScript(c);
    SCOPED_TRACE(script);
    unsigned unhandled = 0;
    try {
        session.Execute(script);
    } catch (const testsupport::ServerError& e) {
        unhandled = e.code;
    }
    EXPECT_EQ(session.Scalar("SELECT @DBABlockTest_taken"), c.expected);
    // An error no handler takes ends the block with the condition that was raised.
    if (c.expected != "none") {
        EXPECT_EQ(unhandled, 0u);
    } else if (!c.warning) {
        EXPECT_EQ(unhandled, static_cast<unsigned>(c.code));
    }
}

// The cases whose declarations the server accepts.
std::vector<TLookupCase> ServerCases() {
    std::vector<TLookupCase> cases;
    for (const TLookupCase& c : kLookupCases) {
        if (!c.raise || !c.raise->empty()) cases.push_back(c);
    }
    return cases;
}

INSTANTIATE_TEST_SUITE_P(Cases, HandlerLookupServerTest, testing::ValuesIn(ServerCases()),
                         [](const testing::TestParamInfo<TLookupCase>& info) { return info.param.name; });

// ---- Statements

// Records the operations the statements reach; with the extension it sees the server-side ones.
class TPlainStatementVisitor : public TStatementVisitor {
public:
    void VisitStatement(const std::shared_ptr<IStatement>&) override { visited = "Statement"; }
    void VisitRoutineCall(const std::shared_ptr<IRoutineCall>&) override { visited = "RoutineCall"; }

    std::string visited;
};

class TExtendedStatementVisitor : public TPlainStatementVisitor, public IDBAStatementVisitor {
public:
    void VisitServerSideStatement(const std::shared_ptr<TDBAServerSideStatement>&) override {
        visited = "ServerSide";
    }
    void VisitOpenCursor(const std::shared_ptr<TDBAOpenCursor>&) override { visited = "Open"; }
    void VisitFetchCursor(const std::shared_ptr<TDBAFetchCursor>&) override { visited = "Fetch"; }
    void VisitCloseCursor(const std::shared_ptr<TDBACloseCursor>&) override { visited = "Close"; }
    void VisitSignal(const std::shared_ptr<TDBASignal>&) override { visited = "Signal"; }
    void VisitResignal(const std::shared_ptr<TDBAResignal>&) override { visited = "Resignal"; }
};

TEST_F(DBABlockTest, StatementsReachTheExtensionOrTheGenericOperation) {
    const auto block = Block();
    block->AddCursor("c", "SELECT 1", TDBAVariables(false));
    TDBACursor* cursor = &block->GetCursor(0);
    const struct {
        std::shared_ptr<IStatement> statement;
        const char* extended;
        const char* plain;
    } cases[] = {
        {std::make_shared<TDBAServerSideStatement>(NoPosition(), u"DO 1", TDBAVariables(false),
                                                   TDBAVariables(false)),
         "ServerSide", "Statement"},
        {std::make_shared<TDBAOpenCursor>(NoPosition(), cursor), "Open", "Statement"},
        {std::make_shared<TDBAFetchCursor>(NoPosition(), cursor), "Fetch", "Statement"},
        {std::make_shared<TDBACloseCursor>(NoPosition(), cursor), "Close", "Statement"},
        {std::make_shared<TDBASignal>(NoPosition(), "45000", nullptr, nullptr), "Signal", "Statement"},
        {std::make_shared<TDBAResignal>(NoPosition(), "", nullptr, nullptr), "Resignal", "Statement"},
        {std::make_shared<TDBARoutineCall>(NoPosition(), "p"), "RoutineCall", "RoutineCall"},
    };
    for (const auto& c : cases) {
        TExtendedStatementVisitor extended;
        c.statement->Accept(extended);
        EXPECT_EQ(extended.visited, c.extended);
        TPlainStatementVisitor plain;
        c.statement->Accept(plain);
        EXPECT_EQ(plain.visited, c.plain);
    }
}

TEST_F(DBABlockTest, StatementsKeepTheirParts) {
    const auto x = Variable("x");
    TDBAVariables used(false);
    used.Add(x);
    const TDBAServerSideStatement statement(std::make_shared<TDebugInfo>(3, 4), u"UPDATE t SET a = @x", used,
                                            TDBAVariables(false));
    used.Add(Variable("y"));
    EXPECT_EQ(statement.Text(), u"UPDATE t SET a = @x");
    EXPECT_EQ(statement.Variables().Count(), 1); // a copy
    EXPECT_EQ(statement.Targets().Count(), 0);
    EXPECT_EQ(statement.GetDebugInfo()->GetBeginLine(), 3);

    const auto block = Block();
    block->AddCursor("c", "SELECT 1, 2", TDBAVariables(false));
    TDBAFetchCursor fetch(NoPosition(), &block->GetCursor(0));
    fetch.Targets().Add(x);
    fetch.Targets().Add(x); // FETCH c INTO x, x
    EXPECT_EQ(fetch.Targets().Count(), 2);
    EXPECT_EQ(&fetch.Cursor(), &block->GetCursor(0));

    TDBARoutineCall call(NoPosition(), "db.p");
    call.GetArguments()->Add(x);
    EXPECT_EQ(call.GetRoutineName(), "db.p");
    EXPECT_EQ(call.GetArguments()->Count(), 1);

    const auto errorNumber = std::make_shared<TLiteral>(values.CreateInteger(1644));
    const TDBASignal signal(NoPosition(), "45000", errorNumber, nullptr);
    EXPECT_EQ(signal.SQLState(), "45000");
    EXPECT_EQ(signal.ErrorNumber(), errorNumber);
    EXPECT_EQ(signal.MessageText(), nullptr);
}

} // namespace
} // namespace engine
