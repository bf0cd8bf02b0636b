#include "engine/model/uStatements.h"
#include "support/ErrorText.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "core/uDataConverter.h"
#include "core/uIdentifierManager.h"
#include "engine/model/uDataValueManager.h"

namespace engine {
namespace {

using testsupport::ErrorOf;

class StatementsTest : public ::testing::Test {
protected:
    std::shared_ptr<IDebugInfo> Lines(int begin, int end) { return std::make_shared<TDebugInfo>(begin, end); }
    std::shared_ptr<IExpression> Literal(std::int64_t value) {
        return std::make_shared<TLiteral>(values.CreateInteger(value));
    }
    std::shared_ptr<TVariable> Variable(const std::string& name) {
        return std::make_shared<TVariable>(
            name, core::NullDataValue(),
            values.CreateVariableValue(core::BareCharacteristics(core::dtInteger)));
    }
    std::shared_ptr<TBlock> Block(const std::shared_ptr<IBlock>& parent = nullptr,
                                  const std::string& label = "") {
        return std::make_shared<TBlock>(Lines(1, 9), parent, label, &identifiers);
    }

    core::TDataConverter converter;
    TDataValueManager values{&converter};
    core::TIdentifierManager identifiers{"`", ".", "`"};
};

// Records the operation each statement reached and the object it was handed.
class TRecordingVisitor : public TStatementVisitor {
public:
    void VisitStatement(const std::shared_ptr<IStatement>& s) override { Record("Statement", s.get()); }
    void VisitCompositeStatement(const std::shared_ptr<ICompositeStatement>& s) override {
        Record("Composite", s.get());
    }
    void VisitAssignation(const std::shared_ptr<IAssignation>& s) override { Record("Assignation", s.get()); }
    void VisitMultiAssignation(const std::shared_ptr<IMultiAssignation>& s) override {
        Record("MultiAssignation", s.get());
    }
    void VisitCondition(const std::shared_ptr<ICondition>& s) override { Record("Condition", s.get()); }
    void VisitConditionChain(const std::shared_ptr<IConditionChain>& s) override {
        Record("ConditionChain", s.get());
    }
    void VisitWhile(const std::shared_ptr<IWhile>& s) override { Record("While", s.get()); }
    void VisitLoopContinuer(const std::shared_ptr<ILoopContinuer>& s) override { Record("Iterate", s.get()); }
    void VisitCase(const std::shared_ptr<ICase>& s) override { Record("Case", s.get()); }
    void VisitBlockLeave(const std::shared_ptr<IBlockLeave>& s) override { Record("Leave", s.get()); }
    void VisitBlock(const std::shared_ptr<IBlock>& s) override { Record("Block", s.get()); }
    void VisitLoop(const std::shared_ptr<ILoop>& s) override { Record("Loop", s.get()); }
    void VisitRepeat(const std::shared_ptr<IRepeat>& s) override { Record("Repeat", s.get()); }
    void VisitReturn(const std::shared_ptr<IReturn>& s) override { Record("Return", s.get()); }
    void VisitDOStatement(const std::shared_ptr<IDOStatement>& s) override { Record("Do", s.get()); }

    std::string visited;
    const void* node = nullptr;

private:
    void Record(const char* name, const IStatement* handed) {
        visited = name;
        node = dynamic_cast<const void*>(handed);
    }
};

// Only the required fallback: every statement ends there.
class TFallbackVisitor : public TStatementVisitor {
public:
    void VisitStatement(const std::shared_ptr<IStatement>& s) override {
        count++;
        last = s.get();
    }
    int count = 0;
    const IStatement* last = nullptr;
};

TEST_F(StatementsTest, EachStatementReachesItsOwnOperationWithItself) {
    const auto x = Variable("x");
    const auto list = std::make_shared<TCompositeStatement>();
    struct TCase_ {
        std::string expected;
        std::shared_ptr<IStatement> node;
    };
    const std::vector<TCase_> cases = {
        {"Composite", list},
        {"Assignation", std::make_shared<TAssignation>(Lines(1, 1), x, Literal(1))},
        {"MultiAssignation", std::make_shared<TMultiAssignation>(Lines(1, 1), x, Literal(1))},
        {"Condition", std::make_shared<TCondition>(Lines(1, 3), Literal(1), list, list)},
        {"ConditionChain", std::make_shared<TConditionChain>(Lines(1, 3), Literal(1), list, list)},
        {"While", std::make_shared<TWhile>(Lines(1, 3), "w", list, Literal(1))},
        {"Iterate", std::make_shared<TLoopContinuer>(Lines(2, 2), "w")},
        {"Case", std::make_shared<TCase>(Lines(1, 4), Literal(1), nullptr, list, Literal(1))},
        {"Leave", std::make_shared<TBlockLeave>(Lines(2, 2), "b")},
        {"Block", Block()},
        {"Loop", std::make_shared<TLoop>(Lines(1, 3), "")},
        {"Repeat", std::make_shared<TRepeat>(Lines(3, 3), "", Literal(1))},
        {"Return", std::make_shared<TReturn>(Lines(2, 2), Literal(1))},
        {"Do", std::make_shared<TDOStatement>(Lines(2, 2), Literal(1))},
    };
    for (const auto& c : cases) {
        TRecordingVisitor recording;
        c.node->Accept(recording);
        EXPECT_EQ(recording.visited, c.expected);
        EXPECT_EQ(recording.node, dynamic_cast<const void*>(c.node.get())) << c.expected;

        TFallbackVisitor fallback;
        c.node->Accept(fallback);
        EXPECT_EQ(fallback.count, 1) << c.expected;
        EXPECT_EQ(fallback.last, c.node.get()) << c.expected;
    }
}

TEST_F(StatementsTest, ConditionChainFallsBackToTheCondition) {
    class TConditionVisitor : public TStatementVisitor {
    public:
        void VisitStatement(const std::shared_ptr<IStatement>&) override { visited = "Statement"; }
        void VisitCondition(const std::shared_ptr<ICondition>&) override { visited = "Condition"; }
        std::string visited;
    };
    const auto list = std::make_shared<TCompositeStatement>();
    TConditionVisitor visitor;
    std::make_shared<TConditionChain>(Lines(1, 3), Literal(1), list, list)->Accept(visitor);
    EXPECT_EQ(visitor.visited, "Condition");
}

TEST_F(StatementsTest, StatementsCarryTheirParts) {
    const auto x = Variable("x"), y = Variable("y");
    const auto one = Literal(1), two = Literal(2);

    const auto multi = std::make_shared<TMultiAssignation>(Lines(4, 5), x, one);
    multi->Add(y, two);
    ASSERT_EQ(multi->Count(), 2);
    EXPECT_EQ(multi->GetItem(0)->GetTarget(), x);
    EXPECT_EQ(multi->GetItem(0)->GetExpression(), one);
    EXPECT_EQ(multi->GetItem(1)->GetTarget(), y);
    EXPECT_EQ(multi->GetItem(1)->GetDebugInfo()->GetBeginLine(), -1);
    EXPECT_EQ(multi->GetDebugInfo()->GetBeginLine(), 4);

    const auto thenA = std::make_shared<TCompositeStatement>(),
               thenB = std::make_shared<TCompositeStatement>();
    const auto searched = std::make_shared<TCase>(Lines(1, 6), nullptr, nullptr, thenA, one);
    searched->AddItem(two, thenB);
    EXPECT_EQ(searched->GetSelector(), nullptr);
    EXPECT_EQ(searched->GetElse(), nullptr);
    ASSERT_EQ(searched->Count(), 2);
    EXPECT_EQ(searched->GetWhen(0), one);
    EXPECT_EQ(searched->GetThen(0), thenA);
    EXPECT_EQ(searched->GetWhen(1), two);
    EXPECT_EQ(searched->GetThen(1), thenB);

    const auto chain = std::make_shared<TConditionChain>(Lines(1, 7), one, thenA, thenB);
    const auto elseIf = std::make_shared<TConditionChainItem>(two, thenB);
    chain->AddItem(elseIf);
    EXPECT_EQ(chain->Count(), 1);
    EXPECT_EQ(chain->GetItem(0), elseIf);
    EXPECT_EQ(chain->GetElse(), thenB);
    EXPECT_EQ(ErrorOf([&] { chain->GetItem(1); }), "EListError: List index out of bounds (1)");

    EXPECT_EQ(std::make_shared<TCompositeStatement>()->GetDebugInfo()->GetEndLine(), -1);
    EXPECT_EQ(std::make_shared<TBlockLeave>(Lines(2, 2), "Outer")->GetLabel(), "Outer");
    EXPECT_EQ(std::make_shared<TLoopContinuer>(Lines(2, 2), "l")->GetLabel(), "l");
    EXPECT_EQ(std::make_shared<TRepeat>(Lines(3, 3), "r", one)->GetStatements()->Count(), 0);
}

TEST_F(StatementsTest, RedeclaringInOneBlockFails) {
    const auto block = Block();
    block->AddSymbol(Variable("x"));
    EXPECT_EQ(ErrorOf([&] { block->AddSymbol(Variable("X")); }), "Exception: Identifier redeclared: 'X'");
    EXPECT_EQ(ErrorOf([&] { block->AddSymbol(Variable("`x`")); }), "Exception: Identifier redeclared: '`x`'");
    EXPECT_EQ(block->SymbolCount(), 1);

    const auto inner = Block(block);
    EXPECT_EQ(ErrorOf([&] { inner->AddSymbol(Variable("x")); }), "no error");
}

TEST_F(StatementsTest, LookupIgnoresCaseAndBackticksAndWalksOutwards) {
    const auto outer = Block();
    const auto total = Variable("total");
    const auto outerX = Variable("x");
    outer->AddSymbol(total);
    outer->AddSymbol(outerX);
    const auto inner = Block(outer);
    const auto innerX = Variable("x");
    inner->AddSymbol(innerX);

    EXPECT_EQ(inner->FindSymbol("`Total`"), total);
    EXPECT_EQ(inner->FindSymbol("X"), innerX); // the inner declaration hides the outer one
    EXPECT_EQ(outer->FindSymbol("x"), outerX);
    EXPECT_EQ(inner->FindLocalSymbol("total"), nullptr);
    EXPECT_EQ(inner->FindSymbol("missing"), nullptr);
    EXPECT_EQ(inner->GetParent(), outer);
    EXPECT_EQ(outer->GetParent(), nullptr);
    EXPECT_EQ(outer->GetSymbol(0), total); // declaration order
    EXPECT_EQ(outer->GetSymbol(1), outerX);
}

TEST_F(StatementsTest, ClearEmptiesTheBlockButKeepsItsParent) {
    const auto outer = Block();
    const auto inner = Block(outer, "lbl");
    inner->AddSymbol(Variable("x"));
    inner->GetStatements()->Add(std::make_shared<TDOStatement>(Lines(2, 2), Literal(1)));
    const auto statements = inner->GetStatements();

    inner->Clear();
    EXPECT_EQ(inner->SymbolCount(), 0);
    EXPECT_EQ(inner->GetStatements()->Count(), 0);
    EXPECT_EQ(inner->GetStatements(), statements);
    EXPECT_EQ(inner->GetLabel(), "");
    EXPECT_EQ(inner->GetParent(), outer);
    inner->AddSymbol(Variable("x")); // compiled again into the same block
}

TEST_F(StatementsTest, BlockIdentityIsStableAndDistinct) {
    const auto a = Block(), b = Block();
    EXPECT_EQ(a->GetIdentity(), a->GetIdentity());
    EXPECT_NE(a->GetIdentity(), b->GetIdentity());
    const std::shared_ptr<IBlock> asInterface = a;
    EXPECT_EQ(asInterface->GetIdentity(), a->GetIdentity());
}

TEST_F(StatementsTest, ParentIsNotOwned) {
    auto outer = Block();
    const auto inner = Block(outer);
    outer->GetStatements()->Add(inner);
    std::weak_ptr<IBlock> watch = outer;
    outer.reset();
    EXPECT_TRUE(watch.expired());
    EXPECT_EQ(inner->GetParent(), nullptr);
}

TEST_F(StatementsTest, FlowControlExceptionsCarryLabelsValuesAndIdentity) {
    const std::vector<std::pair<std::function<void()>, std::string>> raises = {
        {[] { throw EBreak("l"); }, "EBreak: l"},
        {[] { throw EContinue("loop1"); }, "EContinue: loop1"},
        {[] { throw ELeave("outer"); }, "ELeave: outer"},
        {[] { throw EReset(); }, "EReset: Debug session interrupted."},
        {[&] { throw EReturn(values.CreateInteger(42)); }, "EReturn: "},
        {[] { throw EExitBlock(7); }, "EExitBlock: "},
    };
    for (const auto& [raise, expected] : raises)
        EXPECT_EQ(ErrorOf(raise), expected);

    try {
        throw EReturn(values.CreateInteger(42));
    } catch (const EReturn& e) {
        EXPECT_EQ(e.Value()->AsVariant(), rtl::Variant(42));
    }
    const auto block = Block();
    try {
        throw EExitBlock(block->GetIdentity());
    } catch (const EExitBlock& e) {
        EXPECT_EQ(e.BlockIdentity(), block->GetIdentity());
    }
}

TEST_F(StatementsTest, LabelsMatchIgnoringCase) {
    EXPECT_TRUE(IsAddressedTo(ELeave("Outer"), "outer"));
    EXPECT_TRUE(IsAddressedTo(EContinue(""), ""));
    EXPECT_FALSE(IsAddressedTo(ELeave(""), "outer"));
    EXPECT_FALSE(IsAddressedTo(ELeave("outer"), ""));
    EXPECT_FALSE(IsAddressedTo(ELeave("outer"), "outer2"));
}

TEST_F(StatementsTest, MissingRequiredPartsAreInternalErrors) {
    const auto x = Variable("x");
    const auto list = std::make_shared<TCompositeStatement>();
    const std::vector<std::function<void()>> constructions = {
        [&] { TDOStatement(nullptr, Literal(1)); },
        [&] { TAssignation(Lines(1, 1), nullptr, Literal(1)); },
        [&] { TMultiAssignation(Lines(1, 1), x, nullptr); },
        [&] { TCondition(Lines(1, 1), Literal(1), list, nullptr); },
        [&] { TConditionChainItem(nullptr, list); },
        [&] { TWhile(Lines(1, 1), "", nullptr, Literal(1)); },
        [&] { TCase(Lines(1, 1), nullptr, nullptr, list, nullptr); },
        [&] { TBlock(Lines(1, 1), nullptr, "", nullptr); },
        [&] { TRepeat(Lines(1, 1), "", nullptr); },
        [&] { TReturn(Lines(1, 1), nullptr); },
        [&] { list->Add(nullptr); },
        [&] { Block()->AddSymbol(nullptr); },
    };
    for (const auto& construct : constructions)
        EXPECT_EQ(ErrorOf(construct).substr(0, 35), "EAssertionFailed: Assertion failure");
}

} // namespace
} // namespace engine
