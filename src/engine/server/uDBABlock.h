// Blocks of the server-side layer with their condition handlers.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/uDBAConnection.h"
#include "core/uIdentifierManager.h"
#include "engine/model/uStatements.h"
#include "engine/server/uDBAConditions.h"
#include "engine/server/uDBAExpressions.h"
#include "engine/server/uDBAStatements.h"

namespace engine {

class IDBABlock;

enum THandlerKind : std::uint8_t {
    hkContinue = 0,
    hkExit = 1,
};

// DECLARE CONTINUE|EXIT HANDLER FOR ...: its body and its condition values in declaration order. It
// belongs to the block that declares it.
class TDBAHandler {
public:
    TDBAHandler(const std::shared_ptr<IDBABlock>& block, THandlerKind kind, std::shared_ptr<IStatement> body);
    TDBAHandler(const TDBAHandler&) = delete;
    TDBAHandler& operator=(const TDBAHandler&) = delete;

    // Raises "Duplicate handler declared in the same block" when a handler of the block, this one
    // included once it is there, already names the same condition.
    void AddCondition(std::unique_ptr<TConditionValue> value);
    int ConditionCount() const { return static_cast<int>(conditions_.size()); }
    const TConditionValue& GetCondition(int index) const;
    std::shared_ptr<IDBABlock> Block() const { return block_.lock(); }
    const std::shared_ptr<IStatement>& Body() const { return body_; }
    THandlerKind Kind() const { return kind_; }

    // Whether one of its condition values of that priority takes the condition.
    bool Matches(int priority, int errorCode, std::string_view sqlState, bool warning) const;

private:
    std::weak_ptr<IDBABlock> block_;
    std::shared_ptr<IStatement> body_;
    THandlerKind kind_;
    std::vector<std::unique_ptr<TConditionValue>> conditions_;
};

// The block of a compiled routine, with its cursors, named conditions and condition handlers, each
// kept in declaration order. Cursor and condition names compare as identifiers.
class IDBABlock : public virtual IBlock {
public:
    virtual TDBACursor& GetCursor(int index) const = 0;
    virtual const TNamedCondition& GetCondition(int index) const = 0;
    virtual TDBAHandler& GetHandler(int index) const = 0;
    // Makes the cursor's query, unopened, and keeps a copy of the variable list; raises
    // "Duplicate cursor: '%s'" when this block has one of that name. Returns its index.
    virtual int AddCursor(const std::string& name, const std::string& selectText,
                          const TDBAVariables& variables) = 0;
    // This block, then the enclosing ones; null when none declares the name.
    virtual TDBACursor* FindCursor(std::string_view name) const = 0;
    virtual int CursorCount() const = 0;
    // This block, then the enclosing ones.
    virtual const TNamedCondition* FindCondition(std::string_view name) const = 0;
    virtual const TNamedCondition* FindLocalCondition(std::string_view name) const = 0;
    // An SQLSTATE condition when the text is not empty, else one for the error code; raises
    // "Duplicate condition: '%s'" when this block has one of that name.
    virtual void AddCondition(const std::string& name, const std::string& sqlState, int errorCode) = 0;
    virtual int ConditionCount() const = 0;
    // Appends a handler with its first condition value; the others follow through
    // TDBAHandler::AddCondition.
    virtual TDBAHandler& AddHandler(THandlerKind kind, std::unique_ptr<TConditionValue> firstCondition,
                                    std::shared_ptr<IStatement> body) = 0;
    // The handler that takes the condition, as the server chooses it: the innermost block that has a
    // matching handler decides, and in it an error code beats an SQLSTATE, which beats SQLWARNING,
    // NOT FOUND and SQLEXCEPTION; among equals the earliest declaration wins. Null when no block of
    // the routine has one. Excluding handlers that are running is the caller's business.
    virtual TDBAHandler* FindHandler(int errorCode, std::string_view sqlState, bool warning) const = 0;
    virtual int HandlerCount() const = 0;
};

class TDBABlock : public TBlock, public virtual IDBABlock {
public:
    // A parent must be an IDBABlock too.
    TDBABlock(std::shared_ptr<IDebugInfo> debugInfo, const std::shared_ptr<IBlock>& parent, std::string label,
              const core::TIdentifierManager* identifierManager,
              std::shared_ptr<core::IDBAConnection> connection);

    // Also empties the handlers, conditions and cursors.
    void Clear() override;

    TDBACursor& GetCursor(int index) const override;
    const TNamedCondition& GetCondition(int index) const override;
    TDBAHandler& GetHandler(int index) const override;
    int AddCursor(const std::string& name, const std::string& selectText,
                  const TDBAVariables& variables) override;
    TDBACursor* FindCursor(std::string_view name) const override;
    int CursorCount() const override { return static_cast<int>(cursors_.size()); }
    const TNamedCondition* FindCondition(std::string_view name) const override;
    const TNamedCondition* FindLocalCondition(std::string_view name) const override;
    void AddCondition(const std::string& name, const std::string& sqlState, int errorCode) override;
    int ConditionCount() const override { return static_cast<int>(conditions_.size()); }
    TDBAHandler& AddHandler(THandlerKind kind, std::unique_ptr<TConditionValue> firstCondition,
                            std::shared_ptr<IStatement> body) override;
    TDBAHandler* FindHandler(int errorCode, std::string_view sqlState, bool warning) const override;
    int HandlerCount() const override { return static_cast<int>(handlers_.size()); }

private:
    std::shared_ptr<IDBABlock> Parent() const;
    TDBACursor* FindLocalCursor(std::string_view name) const;
    // The most specific handler of this block alone.
    TDBAHandler* FindLocalHandler(int errorCode, std::string_view sqlState, bool warning) const;

    // Declared so that handlers, which may name the conditions, go first, and the cursors' queries
    // go before the connection.
    std::shared_ptr<core::IDBAConnection> connection_;
    std::vector<std::unique_ptr<TDBACursor>> cursors_;
    std::vector<std::unique_ptr<TNamedCondition>> conditions_;
    std::vector<std::unique_ptr<TDBAHandler>> handlers_;
};

} // namespace engine
