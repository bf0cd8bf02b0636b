// The statement tree: interfaces and classes of the statements of stored programs.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/uIdentifierManager.h"
#include "engine/model/uExpressions.h"
#include "platform/rtl/Exception.h"

namespace engine {

class TStatementVisitor;

// ---- Interfaces of the statement tree. Like expressions, statements never execute themselves.

class IStatement {
public:
    virtual ~IStatement() = default;
    virtual const std::shared_ptr<IDebugInfo>& GetDebugInfo() const = 0;
    virtual void Accept(TStatementVisitor& visitor) = 0;
};

class ICompositeStatement : public virtual IStatement {
public:
    virtual std::shared_ptr<IStatement> GetStatement(int index) const = 0;
    virtual void Clear() = 0;
    virtual int Count() const = 0;
    virtual void Add(const std::shared_ptr<IStatement>& statement) = 0;
};

// Equal for the same block, different for different live blocks.
using TBlockIdentity = std::uintptr_t;

class IBlock : public virtual IStatement {
public:
    // Null for a routine's outermost block.
    virtual std::shared_ptr<IBlock> GetParent() const = 0;
    virtual std::shared_ptr<ISymbol> GetSymbol(int index) const = 0;
    virtual std::shared_ptr<ICompositeStatement> GetStatements() const = 0;
    virtual std::string GetLabel() const = 0;
    virtual TBlockIdentity GetIdentity() const = 0;
    // Raises "Identifier redeclared: '%s'" when this block already declares the name.
    virtual void AddSymbol(const std::shared_ptr<ISymbol>& symbol) = 0;
    // This block first, then the enclosing ones; null when none declares the name.
    virtual std::shared_ptr<ISymbol> FindSymbol(std::string_view name) const = 0;
    virtual std::shared_ptr<ISymbol> FindLocalSymbol(std::string_view name) const = 0;
    // Empties the statements and the symbols and clears the label; the parent stays.
    virtual void Clear() = 0;
    virtual int SymbolCount() const = 0;
};

class IRoutineCall : public virtual IStatement {
public:
    virtual std::string GetRoutineName() const = 0;
    virtual std::shared_ptr<IExpressionList> GetArguments() const = 0;
};

class IAssignation : public virtual IStatement {
public:
    virtual std::shared_ptr<IAssignable> GetTarget() const = 0;
    virtual std::shared_ptr<IExpression> GetExpression() const = 0;
};

class IMultiAssignation : public virtual IStatement {
public:
    virtual std::shared_ptr<IAssignation> GetItem(int index) const = 0;
    virtual void Add(const std::shared_ptr<IAssignable>& target,
                     const std::shared_ptr<IExpression>& expression) = 0;
    virtual int Count() const = 0;
};

class ICondition : public virtual IStatement {
public:
    virtual std::shared_ptr<IExpression> GetCondition() const = 0;
    virtual std::shared_ptr<IStatement> GetThen() const = 0;
    virtual std::shared_ptr<IStatement> GetElse() const = 0;
};

// An ELSEIF branch.
class IConditionChainItem {
public:
    virtual ~IConditionChainItem() = default;
    virtual std::shared_ptr<IExpression> GetCondition() const = 0;
    virtual std::shared_ptr<IStatement> GetStatement() const = 0;
};

class IConditionChain : public virtual ICondition {
public:
    virtual std::shared_ptr<IConditionChainItem> GetItem(int index) const = 0;
    virtual void AddItem(const std::shared_ptr<IConditionChainItem>& item) = 0;
    virtual int Count() const = 0;
};

class IWhile : public virtual IStatement {
public:
    virtual std::shared_ptr<IExpression> GetCondition() const = 0;
    virtual std::shared_ptr<IStatement> GetStatements() const = 0;
    virtual std::string GetLabel() const = 0;
};

// ITERATE.
class ILoopContinuer : public virtual IStatement {
public:
    virtual std::string GetLabel() const = 0;
};

// LEAVE.
class IBlockLeave : public virtual IStatement {
public:
    virtual std::string GetLabel() const = 0;
};

class ICase : public virtual IStatement {
public:
    // Null for a searched CASE.
    virtual std::shared_ptr<IExpression> GetSelector() const = 0;
    virtual std::shared_ptr<IExpression> GetWhen(int index) const = 0;
    virtual std::shared_ptr<IStatement> GetThen(int index) const = 0;
    // Null without ELSE.
    virtual std::shared_ptr<IStatement> GetElse() const = 0;
    virtual int Count() const = 0;
    virtual void AddItem(const std::shared_ptr<IExpression>& when,
                         const std::shared_ptr<IStatement>& then) = 0;
};

class ILoop : public virtual IStatement {
public:
    virtual std::string GetLabel() const = 0;
    virtual std::shared_ptr<ICompositeStatement> GetStatements() const = 0;
};

class IRepeat : public virtual IStatement {
public:
    virtual std::string GetLabel() const = 0;
    virtual std::shared_ptr<ICompositeStatement> GetStatements() const = 0;
    virtual std::shared_ptr<IExpression> GetCondition() const = 0;
};

class IReturn : public virtual IStatement {
public:
    virtual std::shared_ptr<IExpression> GetExpression() const = 0;
};

class IDOStatement : public virtual IStatement {
public:
    virtual std::shared_ptr<IExpression> GetExpression() const = 0;
};

// ---- Statements. Each hands its own interface to its visitor operation. A missing required part
// is an internal error (a failed assertion).

class TCustomStatement : public TInterfacedObject, public virtual IStatement {
public:
    explicit TCustomStatement(std::shared_ptr<IDebugInfo> debugInfo);

    const std::shared_ptr<IDebugInfo>& GetDebugInfo() const override { return debugInfo_; }

private:
    std::shared_ptr<IDebugInfo> debugInfo_;
};

class TAssignation : public TCustomStatement, public virtual IAssignation {
public:
    TAssignation(std::shared_ptr<IDebugInfo> debugInfo, std::shared_ptr<IAssignable> target,
                 std::shared_ptr<IExpression> expression);

    void Accept(TStatementVisitor& visitor) override;
    std::shared_ptr<IAssignable> GetTarget() const override { return target_; }
    std::shared_ptr<IExpression> GetExpression() const override { return expression_; }

private:
    std::shared_ptr<IAssignable> target_;
    std::shared_ptr<IExpression> expression_;
};

// SET of several targets: one assignment without a position per pair, in order.
class TMultiAssignation : public TCustomStatement, public virtual IMultiAssignation {
public:
    TMultiAssignation(std::shared_ptr<IDebugInfo> debugInfo, const std::shared_ptr<IAssignable>& target,
                      const std::shared_ptr<IExpression>& expression);

    void Accept(TStatementVisitor& visitor) override;
    std::shared_ptr<IAssignation> GetItem(int index) const override;
    void Add(const std::shared_ptr<IAssignable>& target,
             const std::shared_ptr<IExpression>& expression) override;
    int Count() const override { return static_cast<int>(items_.size()); }

private:
    std::vector<std::shared_ptr<IAssignation>> items_;
};

// A statement list; it has no position of its own.
class TCompositeStatement : public TCustomStatement, public virtual ICompositeStatement {
public:
    TCompositeStatement();

    void Accept(TStatementVisitor& visitor) override;
    std::shared_ptr<IStatement> GetStatement(int index) const override;
    void Clear() override { statements_.clear(); }
    int Count() const override { return static_cast<int>(statements_.size()); }
    void Add(const std::shared_ptr<IStatement>& statement) override;

private:
    std::vector<std::shared_ptr<IStatement>> statements_;
};

class TCondition : public TCustomStatement, public virtual ICondition {
public:
    TCondition(std::shared_ptr<IDebugInfo> debugInfo, std::shared_ptr<IExpression> condition,
               std::shared_ptr<IStatement> thenStatement, std::shared_ptr<IStatement> elseStatement);

    void Accept(TStatementVisitor& visitor) override;
    std::shared_ptr<IExpression> GetCondition() const override { return condition_; }
    std::shared_ptr<IStatement> GetThen() const override { return then_; }
    std::shared_ptr<IStatement> GetElse() const override { return else_; }

private:
    std::shared_ptr<IExpression> condition_;
    std::shared_ptr<IStatement> then_;
    std::shared_ptr<IStatement> else_;
};

// IF with ELSEIF branches, kept in source order.
class TConditionChain : public TCondition, public virtual IConditionChain {
public:
    using TCondition::TCondition;

    void Accept(TStatementVisitor& visitor) override;
    std::shared_ptr<IConditionChainItem> GetItem(int index) const override;
    void AddItem(const std::shared_ptr<IConditionChainItem>& item) override;
    int Count() const override { return static_cast<int>(items_.size()); }

private:
    std::vector<std::shared_ptr<IConditionChainItem>> items_;
};

class TConditionChainItem : public IConditionChainItem {
public:
    TConditionChainItem(std::shared_ptr<IExpression> condition, std::shared_ptr<IStatement> statement);

    std::shared_ptr<IExpression> GetCondition() const override { return condition_; }
    std::shared_ptr<IStatement> GetStatement() const override { return statement_; }

private:
    std::shared_ptr<IExpression> condition_;
    std::shared_ptr<IStatement> statement_;
};

class TWhile : public TCustomStatement, public virtual IWhile {
public:
    TWhile(std::shared_ptr<IDebugInfo> debugInfo, std::string label, std::shared_ptr<IStatement> statements,
           std::shared_ptr<IExpression> condition);

    void Accept(TStatementVisitor& visitor) override;
    std::shared_ptr<IExpression> GetCondition() const override { return condition_; }
    std::shared_ptr<IStatement> GetStatements() const override { return statements_; }
    std::string GetLabel() const override { return label_; }

private:
    std::string label_;
    std::shared_ptr<IExpression> condition_;
    std::shared_ptr<IStatement> statements_;
};

// LEAVE and ITERATE: a jump to the loop or block with the label.
class TFlowControl : public TCustomStatement {
public:
    TFlowControl(std::shared_ptr<IDebugInfo> debugInfo, std::string label);

protected:
    const std::string& Label() const { return label_; }

private:
    std::string label_;
};

class TLoopContinuer : public TFlowControl, public virtual ILoopContinuer {
public:
    using TFlowControl::TFlowControl;

    void Accept(TStatementVisitor& visitor) override;
    std::string GetLabel() const override { return Label(); }
};

class TBlockLeave : public TFlowControl, public virtual IBlockLeave {
public:
    using TFlowControl::TFlowControl;

    void Accept(TStatementVisitor& visitor) override;
    std::string GetLabel() const override { return Label(); }
};

// Built with its selector (null for a searched CASE), its ELSE (may be null) and its first WHEN/THEN
// pair; further pairs follow in order through AddItem.
class TCase : public TCustomStatement, public virtual ICase {
public:
    TCase(std::shared_ptr<IDebugInfo> debugInfo, std::shared_ptr<IExpression> selector,
          std::shared_ptr<IStatement> elseStatement, const std::shared_ptr<IStatement>& then,
          const std::shared_ptr<IExpression>& when);

    void Accept(TStatementVisitor& visitor) override;
    std::shared_ptr<IExpression> GetSelector() const override { return selector_; }
    std::shared_ptr<IExpression> GetWhen(int index) const override;
    std::shared_ptr<IStatement> GetThen(int index) const override;
    std::shared_ptr<IStatement> GetElse() const override { return else_; }
    int Count() const override { return static_cast<int>(items_.size()); }
    void AddItem(const std::shared_ptr<IExpression>& when, const std::shared_ptr<IStatement>& then) override;

private:
    struct TCaseStatementItemHolder {
        std::shared_ptr<IStatement> Then;
        std::shared_ptr<IExpression> When;
    };

    const TCaseStatementItemHolder& Item(int index) const;

    std::shared_ptr<IExpression> selector_;
    std::shared_ptr<IStatement> else_;
    std::vector<TCaseStatementItemHolder> items_;
};

// BEGIN ... END: its statements and its declared symbols. The parent is not owned (it owns this
// block through its statement list); symbols are compared with the program's identifier manager.
class TBlock : public TCustomStatement, public virtual IBlock {
public:
    TBlock(std::shared_ptr<IDebugInfo> debugInfo, const std::shared_ptr<IBlock>& parent, std::string label,
           const core::TIdentifierManager* identifierManager);

    void Accept(TStatementVisitor& visitor) override;
    std::shared_ptr<IBlock> GetParent() const override { return parent_.lock(); }
    std::shared_ptr<ISymbol> GetSymbol(int index) const override;
    std::shared_ptr<ICompositeStatement> GetStatements() const override { return statements_; }
    std::string GetLabel() const override { return label_; }
    TBlockIdentity GetIdentity() const override { return reinterpret_cast<TBlockIdentity>(this); }
    void AddSymbol(const std::shared_ptr<ISymbol>& symbol) override;
    std::shared_ptr<ISymbol> FindSymbol(std::string_view name) const override;
    std::shared_ptr<ISymbol> FindLocalSymbol(std::string_view name) const override;
    void Clear() override;
    int SymbolCount() const override { return static_cast<int>(symbols_.size()); }

protected:
    const core::TIdentifierManager& IdentifierManager() const { return *identifierManager_; }

private:
    std::shared_ptr<ICompositeStatement> statements_;
    std::weak_ptr<IBlock> parent_;
    const core::TIdentifierManager* identifierManager_;
    std::vector<std::shared_ptr<ISymbol>> symbols_;
    std::string label_;
};

class TLoop : public TCustomStatement, public virtual ILoop {
public:
    TLoop(std::shared_ptr<IDebugInfo> debugInfo, std::string label);

    void Accept(TStatementVisitor& visitor) override;
    std::string GetLabel() const override { return label_; }
    std::shared_ptr<ICompositeStatement> GetStatements() const override { return statements_; }

private:
    std::shared_ptr<ICompositeStatement> statements_;
    std::string label_;
};

class TRepeat : public TCustomStatement, public virtual IRepeat {
public:
    TRepeat(std::shared_ptr<IDebugInfo> debugInfo, std::string label, std::shared_ptr<IExpression> condition);

    void Accept(TStatementVisitor& visitor) override;
    std::string GetLabel() const override { return label_; }
    std::shared_ptr<ICompositeStatement> GetStatements() const override { return statements_; }
    std::shared_ptr<IExpression> GetCondition() const override { return condition_; }

private:
    std::shared_ptr<ICompositeStatement> statements_;
    std::string label_;
    std::shared_ptr<IExpression> condition_;
};

class TReturn : public TCustomStatement, public virtual IReturn {
public:
    TReturn(std::shared_ptr<IDebugInfo> debugInfo, std::shared_ptr<IExpression> expression);

    void Accept(TStatementVisitor& visitor) override;
    std::shared_ptr<IExpression> GetExpression() const override { return expression_; }

private:
    std::shared_ptr<IExpression> expression_;
};

class TDOStatement : public TCustomStatement, public virtual IDOStatement {
public:
    TDOStatement(std::shared_ptr<IDebugInfo> debugInfo, std::shared_ptr<IExpression> expression);

    void Accept(TStatementVisitor& visitor) override;
    std::shared_ptr<IExpression> GetExpression() const override { return expression_; }

private:
    std::shared_ptr<IExpression> expression_;
};

// ---- The base of every statement visitor. Whoever creates a visitor frees it. The defaults fall
// back to VisitStatement, which each visitor must supply. Statements of the server-side layer reach
// their visitors through an extension interface found with dynamic_cast.
class TStatementVisitor {
public:
    virtual ~TStatementVisitor() = default;

    virtual void VisitStatement(const std::shared_ptr<IStatement>& statement) = 0;
    virtual void VisitCompositeStatement(const std::shared_ptr<ICompositeStatement>& statement);
    virtual void VisitAssignation(const std::shared_ptr<IAssignation>& statement);
    virtual void VisitMultiAssignation(const std::shared_ptr<IMultiAssignation>& statement);
    virtual void VisitCondition(const std::shared_ptr<ICondition>& statement);
    // Falls back to VisitCondition.
    virtual void VisitConditionChain(const std::shared_ptr<IConditionChain>& statement);
    virtual void VisitWhile(const std::shared_ptr<IWhile>& statement);
    virtual void VisitLoopContinuer(const std::shared_ptr<ILoopContinuer>& statement);
    virtual void VisitCase(const std::shared_ptr<ICase>& statement);
    virtual void VisitBlockLeave(const std::shared_ptr<IBlockLeave>& statement);
    virtual void VisitBlock(const std::shared_ptr<IBlock>& statement);
    virtual void VisitLoop(const std::shared_ptr<ILoop>& statement);
    virtual void VisitRepeat(const std::shared_ptr<IRepeat>& statement);
    virtual void VisitRoutineCall(const std::shared_ptr<IRoutineCall>& statement);
    virtual void VisitReturn(const std::shared_ptr<IReturn>& statement);
    virtual void VisitDOStatement(const std::shared_ptr<IDOStatement>& statement);
};

// ---- Control flow of the interpreted language travels as these exceptions. A label travels as the
// message; loops and blocks take what is addressed to them and let everything else pass.

RTL_DECLARE_EXCEPTION(EBreak, rtl::Exception);
// ITERATE.
RTL_DECLARE_EXCEPTION(EContinue, rtl::Exception);
// LEAVE.
RTL_DECLARE_EXCEPTION(ELeave, rtl::Exception);

// The user stopped the debug session; nothing inside the engine catches it.
class EReset : public rtl::Exception {
public:
    EReset() : rtl::Exception("Debug session interrupted.") {}
    const char* ClassName() const override { return "EReset"; }
};

// RETURN with its value.
class EReturn : public rtl::Exception {
public:
    explicit EReturn(std::shared_ptr<core::IRODataValue> value)
        : rtl::Exception(""), value_(std::move(value)) {}
    const char* ClassName() const override { return "EReturn"; }
    const std::shared_ptr<core::IRODataValue>& Value() const { return value_; }

private:
    std::shared_ptr<core::IRODataValue> value_;
};

// The end of an EXIT handler: leaves the block with this identity.
class EExitBlock : public rtl::Exception {
public:
    explicit EExitBlock(TBlockIdentity blockIdentity) : rtl::Exception(""), blockIdentity_(blockIdentity) {}
    const char* ClassName() const override { return "EExitBlock"; }
    TBlockIdentity BlockIdentity() const { return blockIdentity_; }

private:
    TBlockIdentity blockIdentity_;
};

// Whether a LEAVE, ITERATE or break is meant for the loop or block with this label: the texts are
// equal ignoring case, and an empty label matches only an empty one.
bool IsAddressedTo(const rtl::Exception& flowControl, std::string_view label);

// Whether the exception carries the interpreted language's control flow (or the end of a session)
// rather than an error.
bool IsFlowControlException(const rtl::Exception& exception);

} // namespace engine
