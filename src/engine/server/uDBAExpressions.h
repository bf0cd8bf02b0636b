// Expressions and variables of the server-side layer: session, user and system variables.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/uDataValues.h"
#include "core/uDBAConnection.h"
#include "engine/model/uExpressions.h"

namespace engine {

// Expressions and variables of the server-side layer: local variables mirrored into session
// variables, routine parameters, the server's user and system variables, and expressions that the
// server evaluates from their SQL text.

// The next free session variable name, "@debugger_internal_variable_%d": numbered from 1 for the life
// of the process, never reused. Safe from any thread.
std::string NextSessionVariableName();

// A local variable with a session variable of its own on the server, its mirror. The name is taken
// once the variable is constructed.
class TDBAVariable : public TVariable {
public:
    TDBAVariable(std::string name, std::shared_ptr<core::IRODataValue> defaultValue,
                 std::shared_ptr<core::IRWDataValue> value,
                 std::shared_ptr<IExpression> defaultExpression = nullptr);

    // Reaches IDBAExpressionVisitor::VisitMirroredVariable when the visitor implements it, else
    // VisitVariable.
    void Accept(TExpressionVisitor& visitor) override;
    const std::string& SessionName() const { return sessionName_; }
    // Whether the session variable holds the value, as the last push left it: every store clears it.
    bool Mirrored() const { return mirrored_; }
    void SetMirrored() { mirrored_ = true; }

protected:
    void StoreValue(const std::shared_ptr<core::IRODataValue>& value) override;

private:
    std::string sessionName_;
    bool mirrored_ = false;
};

class IDBAParameter : public virtual ICustomVariable {
public:
    virtual TParameterScope GetScope() const = 0;
};

// A routine parameter; its default is NULL and its scope is fixed by its class.
class TDBAParameter : public TDBAVariable, public virtual IDBAParameter {
public:
    TDBAParameter(std::string name, std::shared_ptr<core::IRWDataValue> value);
};

class TDBAInputParameter : public TDBAParameter {
public:
    using TDBAParameter::TDBAParameter;
    TParameterScope GetScope() const override { return psIn; }
};

class TDBAOutputParameter : public TDBAParameter {
public:
    using TDBAParameter::TDBAParameter;
    TParameterScope GetScope() const override { return psOut; }
};

class TDBAInputOutputParameter : public TDBAParameter {
public:
    using TDBAParameter::TDBAParameter;
    TParameterScope GetScope() const override { return psInOut; }
};

// The mirrored variables a statement, expression or cursor uses, in order of first use. The list
// shares its variables with their blocks.
class TDBAVariables {
public:
    explicit TDBAVariables(bool allowDuplicates) : allowDuplicates_(allowDuplicates) {}

    int Count() const { return static_cast<int>(items_.size()); }
    const std::shared_ptr<TDBAVariable>& Items(int index) const;
    // By identity.
    bool Contains(const std::shared_ptr<TDBAVariable>& variable) const;
    // A second entry of one variable only where duplicates are allowed.
    void Add(const std::shared_ptr<TDBAVariable>& variable);
    // Replaces the items with the source's, in order; the duplicates rule stays this list's own.
    void Assign(const TDBAVariables& source);

    auto begin() const { return items_.begin(); }
    auto end() const { return items_.end(); }

private:
    bool allowDuplicates_;
    std::vector<std::shared_ptr<TDBAVariable>> items_;
};

// A variable that lives on the server: every read asks the server, every write sends SET. Its name
// is as written in the source. Creating it does not reset it.
class TDBAExternalVariable : public TCustomVariable {
public:
    TDBAExternalVariable(std::string name, std::shared_ptr<core::IDBAConnection> connection);

protected:
    // SET name = literal.
    void StoreValue(const std::shared_ptr<core::IRODataValue>& value) override;
    core::IDBAConnection& Connection() const { return *connection_; }

private:
    std::shared_ptr<core::IDBAConnection> connection_;
};

// A user variable, "@name". Its default is to stay as it is.
class TDBAUserVariable : public TDBAExternalVariable {
public:
    using TDBAExternalVariable::TDBAExternalVariable;

    // The server evaluates the name each time.
    std::shared_ptr<core::IRODataValue> GetValue() const override;
    void ResetToDefault() override {}
};

// A system variable of the server, used as a SET target; reads and writes take its session value.
class TDBASystemVariable : public TDBAExternalVariable {
public:
    using TDBAExternalVariable::TDBAExternalVariable;

    // @@SESSION.`name`, which reads back as the server's own expression gives it (1 rather than "ON")
    // and, unlike SHOW VARIABLES LIKE with a double-quoted pattern, works under any sql_mode.
    std::shared_ptr<core::IRODataValue> GetValue() const override;
    // SET name = DEFAULT.
    void ResetToDefault() override;
};

// An expression that the server evaluates: its SQL text (with session variable names in place of
// the local variables) and the mirrored variables that the text uses.
class TDBAServerSideExpression : public TInterfacedObject, public virtual IExpression {
public:
    explicit TDBAServerSideExpression(std::u16string text);

    // Reaches IDBAExpressionVisitor::VisitServerSideExpression when the visitor implements it, else
    // VisitExpression.
    void Accept(TExpressionVisitor& visitor) override;
    const std::u16string& Text() const { return text_; }
    // Filled by the compiler; without duplicates.
    TDBAVariables& Variables() { return variables_; }
    const TDBAVariables& Variables() const { return variables_; }

private:
    std::u16string text_;
    TDBAVariables variables_{false};
};

// An extension that an expression visitor implements to see the nodes of the server-side layer; the
// visitor hands it out through ServerSideExtension.
class IDBAExpressionVisitor {
public:
    virtual ~IDBAExpressionVisitor() = default;
    virtual void VisitMirroredVariable(const std::shared_ptr<TDBAVariable>& variable) = 0;
    virtual void VisitServerSideExpression(const std::shared_ptr<TDBAServerSideExpression>& expression) = 0;
};

} // namespace engine
