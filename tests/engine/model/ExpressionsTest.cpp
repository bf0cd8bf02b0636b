#include "engine/model/uExpressions.h"
#include "support/ErrorText.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "core/uDataConverter.h"
#include "core/uMySQLTypes.h"
#include "engine/model/uDataValueManager.h"
#include "platform/rtl/Exception.h"

namespace engine {
namespace {

using rtl::Variant;

using testsupport::ErrorOf;

class ExpressionsTest : public ::testing::Test {
protected:
    std::shared_ptr<IExpression> Literal(std::int64_t value) {
        return std::make_shared<TLiteral>(values.CreateInteger(value));
    }
    std::shared_ptr<TVariable> Variable(const std::string& name, const core::TDatatypeCharacteristics& type,
                                        std::shared_ptr<core::IRODataValue> defaultValue) {
        return std::make_shared<TVariable>(name, std::move(defaultValue), values.CreateVariableValue(type));
    }
    static core::TDatatypeCharacteristics IntType() {
        return core::MySQLTypeCharacteristics(3, {}, false, -1, -1, 0, "");
    }

    core::TDataConverter converter;
    TDataValueManager values{&converter};
};

// Records which operation each node reached, and which interface object it was handed.
class TRecordingVisitor : public TExpressionVisitor {
public:
    void VisitExpression(const std::shared_ptr<IExpression>& e) override { Record("Expression", e.get()); }
    void VisitBrackets(const std::shared_ptr<IBrackets>& e) override { Record("Brackets", e.get()); }
    void VisitLiteral(const std::shared_ptr<IReadable>& e) override { Record("Literal", e.get()); }
    void VisitVariable(const std::shared_ptr<ICustomVariable>& e) override { Record("Variable", e.get()); }
    void VisitOperation(const std::shared_ptr<IOperation>& e) override { Record("Operation", e.get()); }
    void VisitUnaryOperation(const std::shared_ptr<IUnaryOperation>& e) override { Record("Unary", e.get()); }
    void VisitTernaryOperation(const std::shared_ptr<ITernaryOperation>& e) override {
        Record("Ternary", e.get());
    }
    void VisitCaseExpression(const std::shared_ptr<ICaseExpression>& e) override { Record("Case", e.get()); }
    void VisitInExpression(const std::shared_ptr<IInExpression>& e) override { Record("In", e.get()); }
    void VisitTypeCast(const std::shared_ptr<ITypeCast>& e) override { Record("Cast", e.get()); }
    void VisitAssignationExpression(const std::shared_ptr<IAssignationExpression>& e) override {
        Record("Assignation", e.get());
    }
    void VisitFunctionCall(const std::shared_ptr<IFunctionCall>& e) override { Record("Function", e.get()); }

    std::string visited;
    const void* node = nullptr;

private:
    void Record(const char* name, const IExpression* handed) {
        visited = name;
        node = dynamic_cast<const void*>(handed);
    }
};

struct TNodeCase {
    std::string expected;
    std::shared_ptr<IExpression> node;
};

TEST_F(ExpressionsTest, EachNodeReachesItsOwnOperationWithItself) {
    const auto x = Variable("x", IntType(), core::NullDataValue());
    const std::vector<TNodeCase> cases = {
        {"Literal", Literal(1)},
        {"Variable", x},
        {"Brackets", std::make_shared<TBrackets>(Literal(1))},
        {"Operation", std::make_shared<TOperation>(boAdd, Literal(1), Literal(2))},
        {"Unary", std::make_shared<TUnaryOperation>(uoMinus, Literal(1))},
        {"Ternary", std::make_shared<TTernaryOperation>(toBetween, Literal(1), Literal(0), Literal(2))},
        {"Case", std::make_shared<TCaseExpression>(Literal(1), nullptr)},
        {"In", std::make_shared<TInExpression>(Literal(1), false, std::make_shared<TExpressionList>())},
        {"Cast", std::make_shared<TTypeCast>(Literal(1), IntType())},
        {"Assignation", std::make_shared<TAssignationExpression>(x, Literal(1))},
        {"Function", std::make_shared<TFunctionCall>("f")},
    };
    for (const auto& c : cases) {
        TRecordingVisitor visitor;
        c.node->Accept(visitor);
        EXPECT_EQ(visitor.visited, c.expected);
        EXPECT_EQ(visitor.node, dynamic_cast<const void*>(c.node.get())) << c.expected;
    }
}

TEST_F(ExpressionsTest, DefaultsFallBackToUnknownExpression) {
    // Overriding only VisitReadable catches literals and variables; everything else ends in
    // VisitExpression.
    class TReadableVisitor : public TExpressionVisitor {
    public:
        void VisitReadable(const std::shared_ptr<IReadable>& readable) override {
            names.push_back(readable->GetValue()->AsString().AsString());
        }
        std::vector<std::string> names;
    };
    TReadableVisitor readable;
    Literal(7)->Accept(readable);
    Variable("v", IntType(), values.CreateInteger(8))->Accept(readable);
    EXPECT_EQ(readable.names, (std::vector<std::string>{"7", "8"}));

    TExpressionVisitor plain;
    const std::vector<std::shared_ptr<IExpression>> nodes = {
        Literal(1),
        Variable("v", IntType(), core::NullDataValue()),
        std::make_shared<TBrackets>(Literal(1)),
        std::make_shared<TOperation>(boAdd, Literal(1), Literal(2)),
        std::make_shared<TUnaryOperation>(uoNot, Literal(1)),
        std::make_shared<TTernaryOperation>(toIf, Literal(1), Literal(2), Literal(3)),
        std::make_shared<TCaseExpression>(nullptr, nullptr),
        std::make_shared<TInExpression>(Literal(1), true, std::make_shared<TExpressionList>()),
        std::make_shared<TTypeCast>(Literal(1), IntType()),
        std::make_shared<TFunctionCall>("f"),
        std::make_shared<TAssignationExpression>(Variable("v", IntType(), core::NullDataValue()), Literal(1)),
    };
    for (const auto& node : nodes)
        EXPECT_EQ(ErrorOf([&] { node->Accept(plain); }), "Exception: Unknown expression");
    EXPECT_EQ(
        ErrorOf([&] { readable.VisitOperation(std::make_shared<TOperation>(boOr, Literal(1), Literal(1))); }),
        "Exception: Unknown expression");
}

TEST_F(ExpressionsTest, VariableStartsAtItsDefaultConvertedToItsType) {
    const auto five = Variable("x", IntType(), values.CreateString("5.4", 65001));
    EXPECT_EQ(five->GetValue()->AsVariant(), Variant(5));
    EXPECT_EQ(five->GetValue()->GetCharacteristics().DataType, core::dtInteger);

    const auto unset = Variable("y", IntType(), core::NullDataValue());
    EXPECT_TRUE(unset->GetValue()->IsNull());
}

TEST_F(ExpressionsTest, DefaultMarkerRestoresTheDeclaredDefault) {
    const auto x = Variable("x", IntType(), values.CreateInteger(5));
    const auto holder = x->GetValue();
    x->SetValue(values.CreateInteger(9));
    EXPECT_EQ(holder->AsVariant(), Variant(9)); // the holder itself follows assignments
    x->SetValue(core::DefaultDataValue());
    EXPECT_EQ(x->GetValue()->AsVariant(), Variant(5));
    EXPECT_NE(x->GetValue(), core::DefaultDataValue());

    x->SetValue(core::NullDataValue());
    EXPECT_TRUE(x->GetValue()->IsNull());
    x->ResetToDefault();
    EXPECT_EQ(x->GetValue()->AsVariant(), Variant(5));
    EXPECT_EQ(x->GetDefaultValue()->AsVariant(), Variant(5));
    EXPECT_EQ(x->GetName(), "x");
}

TEST_F(ExpressionsTest, VariableAnswersItsInterfaces) {
    const std::shared_ptr<ISymbol> symbol = Variable("x", IntType(), core::NullDataValue());
    EXPECT_TRUE(std::dynamic_pointer_cast<ICustomVariable>(symbol));
    EXPECT_TRUE(std::dynamic_pointer_cast<IAssignable>(symbol));
    EXPECT_FALSE(std::dynamic_pointer_cast<IFunctionCall>(symbol));
    const std::shared_ptr<IExpression> literal = Literal(1);
    EXPECT_TRUE(std::dynamic_pointer_cast<ILiteral>(literal));
    EXPECT_FALSE(std::dynamic_pointer_cast<ICustomVariable>(literal));
}

TEST_F(ExpressionsTest, CaseKeepsItsPairsInOrder) {
    const auto node = std::make_shared<TCaseExpression>(Literal(0), nullptr);
    EXPECT_EQ(node->GetElse(), nullptr);
    std::vector<std::shared_ptr<IExpression>> whens, thens;
    for (int i = 0; i < 3; ++i) {
        whens.push_back(Literal(i));
        thens.push_back(Literal(10 + i));
        node->AddItem(whens.back(), thens.back());
    }
    ASSERT_EQ(node->Count(), 3);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(node->GetWhen(i), whens[i]);
        EXPECT_EQ(node->GetThen(i), thens[i]);
    }
    EXPECT_EQ(ErrorOf([&] { node->GetWhen(3); }), "EListError: List index out of bounds (3)");

    const auto otherwise = Literal(99);
    EXPECT_EQ(std::make_shared<TCaseExpression>(nullptr, otherwise)->GetElse(), otherwise);
}

TEST_F(ExpressionsTest, ListsKeepInsertionOrder) {
    const auto call = std::make_shared<TFunctionCall>("f");
    const auto arguments = call->GetArguments();
    ASSERT_TRUE(arguments);
    EXPECT_EQ(arguments->Count(), 0);
    const auto a = Literal(1), b = Literal(2);
    arguments->Add(a);
    arguments->Add(b);
    EXPECT_EQ(call->GetArguments()->GetItem(0), a);
    EXPECT_EQ(call->GetArguments()->GetItem(1), b);
    EXPECT_EQ(ErrorOf([&] { arguments->GetItem(-1); }), "EListError: List index out of bounds (-1)");
}

TEST_F(ExpressionsTest, CastKeepsACopyOfItsType) {
    auto type = IntType();
    const auto cast = std::make_shared<TTypeCast>(Literal(1), type);
    type.DataType = core::dtString;
    EXPECT_EQ(cast->GetCharacteristics().DataType, core::dtInteger);
}

TEST_F(ExpressionsTest, DebugInfoWithoutPositionIsMinusOne) {
    const TDebugInfo none;
    EXPECT_EQ(none.GetBeginLine(), -1);
    EXPECT_EQ(none.GetEndLine(), -1);
    const TDebugInfo lines(3, 7);
    EXPECT_EQ(lines.GetBeginLine(), 3);
    EXPECT_EQ(lines.GetEndLine(), 7);
}

TEST_F(ExpressionsTest, MissingRequiredPartsAreInternalErrors) {
    const auto x = Variable("x", IntType(), core::NullDataValue());
    const std::vector<std::function<void()>> constructions = {
        [] { TLiteral(nullptr); },
        [&] { TOperation(boAdd, Literal(1), nullptr); },
        [&] { TUnaryOperation(uoNot, nullptr); },
        [&] { TTernaryOperation(toBetween, Literal(1), nullptr, Literal(2)); },
        [&] { TInExpression(Literal(1), false, nullptr); },
        [] { TBrackets(nullptr); },
        [&] { TTypeCast(nullptr, IntType()); },
        [&] { TAssignationExpression(nullptr, Literal(1)); },
        [&] { TExpressionList().Add(nullptr); },
        [&] { TCaseExpression(nullptr, nullptr).AddItem(Literal(1), nullptr); },
        [&] { x->SetValue(nullptr); },
        [&] { TVariable("v", core::DefaultDataValue(), values.CreateVariableValue(IntType())); },
        [&] { TVariable("v", core::NullDataValue(), nullptr); },
    };
    for (const auto& construct : constructions)
        EXPECT_EQ(ErrorOf(construct).substr(0, 35), "EAssertionFailed: Assertion failure");
}

} // namespace
} // namespace engine
