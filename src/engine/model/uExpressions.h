// The expression tree: interfaces and classes of symbols, variables, operators and calls.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/uDataTypes.h"
#include "core/uDataValues.h"
#include "platform/rtl/Exception.h"

namespace engine {

// How a routine parameter passes its value.
enum TParameterScope : std::uint8_t {
    psIn = 0,
    psOut = 1,
    psInOut = 2,
};

// Base of the model's objects, which live in shared_ptrs and hand themselves out through their
// interfaces. Whether an object supports another interface is asked with std::dynamic_pointer_cast.
class TInterfacedObject : public std::enable_shared_from_this<TInterfacedObject> {
public:
    virtual ~TInterfacedObject() = default;

protected:
    // This object, typed as the calling class, sharing ownership with every other reference to it.
    template <class Self>
    std::shared_ptr<Self> SharedSelf(Self* self) {
        return std::shared_ptr<Self>(shared_from_this(), self);
    }
};

// The item of a model list; raises the list index error outside it.
template <class Item>
const Item& ItemAt(const std::vector<Item>& items, int index) {
    if (index < 0 || index >= static_cast<int>(items.size())) rtl::ListIndexError(index);
    return items[index];
}

class TExpressionVisitor;
class IDBAExpressionVisitor;

// ---- Interfaces of the expression tree. A node never evaluates itself: Accept hands the node's own
// interface to the one visitor operation of its kind.

class IExpression {
public:
    virtual ~IExpression() = default;
    virtual void Accept(TExpressionVisitor& visitor) = 0;
};

class IReadable : public virtual IExpression {
public:
    virtual std::shared_ptr<core::IRODataValue> GetValue() const = 0;
};

class ISymbol : public virtual IReadable {
public:
    virtual std::string GetName() const = 0;
};

class TVariable;

class IAssignable : public virtual ISymbol {
public:
    virtual void SetValue(const std::shared_ptr<core::IRODataValue>& value) = 0;
    // A declared local, whose type the stores check; null for any other target. Asked at every
    // assignment, so no cast.
    virtual const TVariable* TypedVariable() const { return nullptr; }
};

class ICustomVariable : public virtual IAssignable {
public:
    virtual std::shared_ptr<core::IRODataValue> GetDefaultValue() const = 0;
    // A declared DEFAULT expression, which the interpreter evaluates at every entry of the variable's
    // block; null when the default is the value alone.
    virtual std::shared_ptr<IExpression> GetDefaultExpression() const = 0;
    virtual void ResetToDefault() = 0;
};

class IExpressionList {
public:
    virtual ~IExpressionList() = default;
    virtual std::shared_ptr<IExpression> GetItem(int index) const = 0;
    virtual int Count() const = 0;
    virtual void Add(const std::shared_ptr<IExpression>& item) = 0;
};

class IFunctionCall : public virtual IExpression {
public:
    virtual std::string GetName() const = 0;
    virtual std::shared_ptr<IExpressionList> GetArguments() const = 0;
};

// The source lines of a statement, 1-based; -1 for both when the statement has no text of its own.
class IDebugInfo {
public:
    virtual ~IDebugInfo() = default;
    virtual int GetBeginLine() const = 0;
    virtual int GetEndLine() const = 0;
};

class ILiteral : public virtual IReadable {};

class IOperation : public virtual IExpression {
public:
    virtual std::uint8_t GetOperator() const = 0;
    virtual std::shared_ptr<IExpression> GetLeft() const = 0;
    virtual std::shared_ptr<IExpression> GetRight() const = 0;
};

class IUnaryOperation : public virtual IExpression {
public:
    virtual std::uint8_t GetOperator() const = 0;
    virtual std::shared_ptr<IExpression> GetOperand() const = 0;
};

class ITernaryOperation : public virtual IExpression {
public:
    virtual std::uint8_t GetOperator() const = 0;
    virtual std::shared_ptr<IExpression> GetFirst() const = 0;
    virtual std::shared_ptr<IExpression> GetSecond() const = 0;
    virtual std::shared_ptr<IExpression> GetThird() const = 0;
};

class ICaseExpression : public virtual IExpression {
public:
    // Null for a searched CASE, whose WHENs are conditions.
    virtual std::shared_ptr<IExpression> GetSelector() const = 0;
    virtual std::shared_ptr<IExpression> GetWhen(int index) const = 0;
    virtual std::shared_ptr<IExpression> GetThen(int index) const = 0;
    // Null without ELSE.
    virtual std::shared_ptr<IExpression> GetElse() const = 0;
    virtual int Count() const = 0;
    virtual void AddItem(const std::shared_ptr<IExpression>& when,
                         const std::shared_ptr<IExpression>& then) = 0;
};

class IInExpression : public virtual IExpression {
public:
    virtual std::shared_ptr<IExpression> GetExpression() const = 0;
    virtual std::shared_ptr<IExpressionList> GetList() const = 0;
    virtual bool IsNegated() const = 0;
};

class IBrackets : public virtual IExpression {
public:
    virtual std::shared_ptr<IExpression> GetExpression() const = 0;
};

class ITypeCast : public virtual IExpression {
public:
    virtual std::shared_ptr<IExpression> GetExpression() const = 0;
    virtual core::TDatatypeCharacteristics GetCharacteristics() const = 0;
};

class IAssignationExpression : public virtual IExpression {
public:
    virtual std::shared_ptr<IAssignable> GetTarget() const = 0;
    virtual std::shared_ptr<IExpression> GetExpression() const = 0;
};

// ---- Operator codes, shared by the builder, the interpreters and the SQL writer. Codes 20 to 23 are
// not assigned.

enum TBinaryOperator : std::uint8_t {
    boGreater = 0,
    boLess = 1,
    boLessOrEqual = 2,
    boGreaterOrEqual = 3,
    boEqual = 4,
    boNotEqual = 5, // <> and !=
    boAdd = 6,
    boSubtract = 7,
    boAnd = 8,
    boOr = 9,
    boXor = 10,
    boBitAnd = 11,
    boBitOr = 12,
    boBitXor = 13,
    boMultiply = 14,
    boDivide = 15,
    boIntegerDivide = 16, // DIV
    boModulo = 17,        // MOD and %
    boShiftLeft = 18,
    boShiftRight = 19,
    boNullSafeEqual = 24, // <=>
};

enum TUnaryOperator : std::uint8_t {
    uoNot = 0,
    uoBitNot = 1, // ~
    uoPlus = 2,
    uoMinus = 3,
    uoIsNull = 4,
    uoIsNotNull = 5,
    uoIsTrue = 6,
    uoIsNotTrue = 7,
    uoIsFalse = 8,
    uoIsNotFalse = 9,
    uoIsUnknown = 10,
    uoIsNotUnknown = 11,
};

// The operands are, in order: the tested value and the two bounds; or for IF the condition, the
// value when true and the value otherwise.
enum TTernaryOperator : std::uint8_t {
    toBetween = 0,
    toNotBetween = 1,
    toIf = 2,
};

// ---- Nodes. A missing required part is an internal error (a failed assertion).

class TLiteral : public TInterfacedObject, public virtual ILiteral {
public:
    explicit TLiteral(std::shared_ptr<core::IRODataValue> value);

    void Accept(TExpressionVisitor& visitor) override;
    std::shared_ptr<core::IRODataValue> GetValue() const override { return value_; }

private:
    std::shared_ptr<core::IRODataValue> value_;
};

// A named value; the only mutable leaf of the tree. A variable is shared: its block and every
// expression that names it hold the same object.
class TCustomVariable : public TInterfacedObject, public virtual ICustomVariable {
public:
    // The default must not be the DEFAULT marker. A descendant that keeps a value sets it to the
    // default in its constructor.
    TCustomVariable(std::string name, std::shared_ptr<core::IRODataValue> defaultValue,
                    std::shared_ptr<IExpression> defaultExpression = nullptr);

    void Accept(TExpressionVisitor& visitor) override;
    std::string GetName() const override { return name_; }
    // The DEFAULT marker (compared by identity) resets the variable to its default.
    void SetValue(const std::shared_ptr<core::IRODataValue>& value) override;
    std::shared_ptr<core::IRODataValue> GetDefaultValue() const override { return defaultValue_; }
    std::shared_ptr<IExpression> GetDefaultExpression() const override { return defaultExpression_; }
    void ResetToDefault() override;

protected:
    virtual void StoreValue(const std::shared_ptr<core::IRODataValue>& value) = 0;

private:
    std::string name_;
    std::shared_ptr<core::IRODataValue> defaultValue_;
    std::shared_ptr<IExpression> defaultExpression_;
};

// A variable whose value lives in the client, in a holder of the declared type: what is stored is
// converted to that type. A new variable holds its default.
class TVariable : public TCustomVariable {
public:
    TVariable(std::string name, std::shared_ptr<core::IRODataValue> defaultValue,
              std::shared_ptr<core::IRWDataValue> value,
              std::shared_ptr<IExpression> defaultExpression = nullptr);

    const TVariable* TypedVariable() const override { return this; }

    // The holder itself, so the result follows later assignments.
    std::shared_ptr<core::IRODataValue> GetValue() const override { return value_; }

protected:
    void StoreValue(const std::shared_ptr<core::IRODataValue>& value) override;

private:
    std::shared_ptr<core::IRWDataValue> value_;
};

class TOperation : public TInterfacedObject, public virtual IOperation {
public:
    TOperation(std::uint8_t op, std::shared_ptr<IExpression> left, std::shared_ptr<IExpression> right);

    void Accept(TExpressionVisitor& visitor) override;
    std::uint8_t GetOperator() const override { return operator_; }
    std::shared_ptr<IExpression> GetLeft() const override { return left_; }
    std::shared_ptr<IExpression> GetRight() const override { return right_; }

private:
    std::uint8_t operator_;
    std::shared_ptr<IExpression> left_;
    std::shared_ptr<IExpression> right_;
};

class TUnaryOperation : public TInterfacedObject, public virtual IUnaryOperation {
public:
    TUnaryOperation(std::uint8_t op, std::shared_ptr<IExpression> operand);

    void Accept(TExpressionVisitor& visitor) override;
    std::uint8_t GetOperator() const override { return operator_; }
    std::shared_ptr<IExpression> GetOperand() const override { return operand_; }

private:
    std::uint8_t operator_;
    std::shared_ptr<IExpression> operand_;
};

class TTernaryOperation : public TInterfacedObject, public virtual ITernaryOperation {
public:
    TTernaryOperation(std::uint8_t op, std::shared_ptr<IExpression> first,
                      std::shared_ptr<IExpression> second, std::shared_ptr<IExpression> third);

    void Accept(TExpressionVisitor& visitor) override;
    std::uint8_t GetOperator() const override { return operator_; }
    std::shared_ptr<IExpression> GetFirst() const override { return first_; }
    std::shared_ptr<IExpression> GetSecond() const override { return second_; }
    std::shared_ptr<IExpression> GetThird() const override { return third_; }

private:
    std::uint8_t operator_;
    std::shared_ptr<IExpression> first_;
    std::shared_ptr<IExpression> second_;
    std::shared_ptr<IExpression> third_;
};

// Built with its selector and ELSE (either may be null); the WHEN/THEN pairs follow through AddItem
// and keep their order.
class TCaseExpression : public TInterfacedObject, public virtual ICaseExpression {
public:
    TCaseExpression(std::shared_ptr<IExpression> selector, std::shared_ptr<IExpression> elseExpression);

    void Accept(TExpressionVisitor& visitor) override;
    std::shared_ptr<IExpression> GetSelector() const override { return selector_; }
    std::shared_ptr<IExpression> GetWhen(int index) const override;
    std::shared_ptr<IExpression> GetThen(int index) const override;
    std::shared_ptr<IExpression> GetElse() const override { return else_; }
    int Count() const override { return static_cast<int>(items_.size()); }
    void AddItem(const std::shared_ptr<IExpression>& when, const std::shared_ptr<IExpression>& then) override;

private:
    struct TCaseExpressionItemHolder {
        std::shared_ptr<IExpression> Then;
        std::shared_ptr<IExpression> When;
    };

    const TCaseExpressionItemHolder& Item(int index) const;

    std::shared_ptr<IExpression> selector_;
    std::shared_ptr<IExpression> else_;
    std::vector<TCaseExpressionItemHolder> items_;
};

class TExpressionList : public IExpressionList {
public:
    std::shared_ptr<IExpression> GetItem(int index) const override;
    int Count() const override { return static_cast<int>(items_.size()); }
    void Add(const std::shared_ptr<IExpression>& item) override;

private:
    std::vector<std::shared_ptr<IExpression>> items_;
};

class TInExpression : public TInterfacedObject, public virtual IInExpression {
public:
    TInExpression(std::shared_ptr<IExpression> expression, bool negated,
                  std::shared_ptr<IExpressionList> list);

    void Accept(TExpressionVisitor& visitor) override;
    std::shared_ptr<IExpression> GetExpression() const override { return expression_; }
    std::shared_ptr<IExpressionList> GetList() const override { return list_; }
    bool IsNegated() const override { return negated_; }

private:
    std::shared_ptr<IExpression> expression_;
    bool negated_;
    std::shared_ptr<IExpressionList> list_;
};

class TBrackets : public TInterfacedObject, public virtual IBrackets {
public:
    explicit TBrackets(std::shared_ptr<IExpression> expression);

    void Accept(TExpressionVisitor& visitor) override;
    std::shared_ptr<IExpression> GetExpression() const override { return expression_; }

private:
    std::shared_ptr<IExpression> expression_;
};

class TTypeCast : public TInterfacedObject, public virtual ITypeCast {
public:
    TTypeCast(std::shared_ptr<IExpression> expression, core::TDatatypeCharacteristics characteristics);

    void Accept(TExpressionVisitor& visitor) override;
    std::shared_ptr<IExpression> GetExpression() const override { return expression_; }
    core::TDatatypeCharacteristics GetCharacteristics() const override { return characteristics_; }

private:
    std::shared_ptr<IExpression> expression_;
    core::TDatatypeCharacteristics characteristics_;
};

// Built from the name alone; the builder appends the arguments to GetArguments.
class TFunctionCall : public TInterfacedObject, public virtual IFunctionCall {
public:
    explicit TFunctionCall(std::string name);

    void Accept(TExpressionVisitor& visitor) override;
    std::string GetName() const override { return name_; }
    std::shared_ptr<IExpressionList> GetArguments() const override { return arguments_; }

private:
    std::string name_;
    std::shared_ptr<IExpressionList> arguments_;
};

class TAssignationExpression : public TInterfacedObject, public virtual IAssignationExpression {
public:
    TAssignationExpression(std::shared_ptr<IAssignable> target, std::shared_ptr<IExpression> expression);

    void Accept(TExpressionVisitor& visitor) override;
    std::shared_ptr<IAssignable> GetTarget() const override { return target_; }
    std::shared_ptr<IExpression> GetExpression() const override { return expression_; }

private:
    std::shared_ptr<IAssignable> target_;
    std::shared_ptr<IExpression> expression_;
};

class TDebugInfo : public IDebugInfo {
public:
    // No position: both lines -1.
    TDebugInfo() = default;
    TDebugInfo(std::int32_t beginLine, std::int32_t endLine) : beginLine_(beginLine), endLine_(endLine) {}

    int GetBeginLine() const override { return beginLine_; }
    int GetEndLine() const override { return endLine_; }

private:
    std::int32_t beginLine_ = -1;
    std::int32_t endLine_ = -1;
};

// ---- The base of every expression visitor. Whoever creates a visitor frees it. Each default falls
// back to a more general operation and in the end to VisitExpression, which raises
// "Unknown expression". The server-side layer's extension is a further interface that a visitor may
// implement and hand out through ServerSideExtension.
class TExpressionVisitor {
public:
    virtual ~TExpressionVisitor() = default;

    // This visitor as IDBAExpressionVisitor when it implements it. Asked by the server-side nodes at
    // every visit, and a cast there costs more than evaluating the node.
    virtual IDBAExpressionVisitor* ServerSideExtension() { return nullptr; }

    virtual void VisitExpression(const std::shared_ptr<IExpression>& expression);
    virtual void VisitBrackets(const std::shared_ptr<IBrackets>& brackets);
    // Reached by the defaults of VisitLiteral and VisitVariable.
    virtual void VisitReadable(const std::shared_ptr<IReadable>& readable);
    virtual void VisitLiteral(const std::shared_ptr<IReadable>& literal);
    virtual void VisitVariable(const std::shared_ptr<ICustomVariable>& variable);
    virtual void VisitOperation(const std::shared_ptr<IOperation>& operation);
    virtual void VisitUnaryOperation(const std::shared_ptr<IUnaryOperation>& operation);
    virtual void VisitTernaryOperation(const std::shared_ptr<ITernaryOperation>& operation);
    virtual void VisitCaseExpression(const std::shared_ptr<ICaseExpression>& expression);
    virtual void VisitInExpression(const std::shared_ptr<IInExpression>& expression);
    virtual void VisitTypeCast(const std::shared_ptr<ITypeCast>& cast);
    virtual void VisitAssignationExpression(const std::shared_ptr<IAssignationExpression>& assignation);
    virtual void VisitFunctionCall(const std::shared_ptr<IFunctionCall>& call);
};

} // namespace engine
