#include "engine/InterpreterTestSupport.h"

#include <ostream>

#include "core/uDBAConnection.h"
#include "core/uMySQLTypes.h"
#include "engine/local/uStatementInterpreter.h"
#include "platform/rtl/CodePage.h"

namespace engine {

namespace {

class TNoSchema : public ISchema {
public:
    std::shared_ptr<ISchemaItem> GetItem(int) const override { return nullptr; }
    int Count() const override { return 0; }
    void Add(const std::shared_ptr<ISchemaItem>&) override {}
};

// Keeps what it is given, without a type of its own.
class TUntypedVariable : public TCustomVariable {
public:
    explicit TUntypedVariable(std::string name) : TCustomVariable(std::move(name), core::NullDataValue()) {}

    std::shared_ptr<core::IRODataValue> GetValue() const override { return value_; }

protected:
    void StoreValue(const std::shared_ptr<core::IRODataValue>& value) override { value_ = value; }

private:
    std::shared_ptr<core::IRODataValue> value_ = core::NullDataValue();
};

const char* const kBinaryOperators[] = {">",  "<",   "<=", ">=", "=", "<>", "+",  "-",   "AND",
                                        "OR", "XOR", "&",  "|",  "^", "*",  "/",  "DIV", "MOD",
                                        "<<", ">>",  "",   "",   "",  "",   "<=>"};

std::shared_ptr<IDebugInfo> NoPosition() {
    return std::make_shared<TDebugInfo>();
}

std::shared_ptr<ICompositeStatement> List(const TSqlStatements& statements) {
    auto list = std::make_shared<TCompositeStatement>();
    for (const TSqlStatement& statement : statements)
        list->Add(statement.node);
    return list;
}

std::string Text(const TSqlStatements& statements) {
    std::string text;
    for (const TSqlStatement& statement : statements)
        text += statement.sql + " ";
    return text;
}

std::string Labelled(const std::string& label) {
    return label.empty() ? std::string() : label + ": ";
}

std::string Closing(const std::string& label) {
    return label.empty() ? std::string() : " " + label;
}

} // namespace

TInterpreterProgram::TInterpreterProgram(core::TDataConverter* converter)
    : TProgram(std::make_shared<TNoSchema>(), converter) {}

std::unique_ptr<TStatementVisitor> TInterpreterProgram::CreateLineFiller(core::TIntegerList&) {
    return nullptr;
}

void TInterpreterProgram::Parse(TRoutine&) {}

std::ostream& operator<<(std::ostream& stream, const TOutcome& outcome) {
    if (outcome.error) return stream << "error " << outcome.error;
    return stream << (outcome.text ? "'" + *outcome.text + "'" : std::string("NULL"));
}

TOutcome Text(std::string text) {
    return {std::move(text), 0};
}

TOutcome Null() {
    return {std::nullopt, 0};
}

TOutcome Error(int code) {
    return {std::nullopt, code};
}

std::optional<std::string> ValueText(const core::IRODataValue& value) {
    if (value.IsNull()) return std::nullopt;
    return value.AsString().AsString();
}

TOutcome OutcomeOf(const std::function<std::optional<std::string>()>& action) {
    try {
        return {action(), 0};
    } catch (const core::EDBAConnectionException& error) {
        return Error(error.ErrorCode());
    }
}

TOutcome ServerOutcome(testsupport::RawSession& session, const std::string& query) {
    try {
        const auto rows = session.Query(query);
        if (rows.empty()) return Text("no row");
        const auto& row = rows.front();
        if (row.size() == 1) return {row[0], 0};
        std::string texts;
        for (const auto& column : row)
            texts += (texts.empty() ? "" : "|") + column.value_or("NULL");
        return Text(texts);
    } catch (const testsupport::ServerError& error) {
        return Error(static_cast<int>(error.code));
    }
}

// ---- Expressions

std::shared_ptr<IExpression> TSqlBuilder::Literal(std::shared_ptr<core::IRODataValue> value) const {
    return std::make_shared<TLiteral>(std::move(value));
}

TSqlExpression TSqlBuilder::Int(std::int64_t value) const {
    return {Literal(program_.ValueFactory().CreateInteger(value)), std::to_string(value)};
}

TSqlExpression TSqlBuilder::Unsigned(std::uint64_t value) const {
    const auto bigintUnsigned = core::MySQLTypeCharacteristics(8, {}, true, -1, -1, 0, "");
    return {Literal(std::make_shared<core::TRODataValue>(rtl::Variant(value), bigintUnsigned,
                                                         program_.ValueFactory().Converter())),
            "CAST(" + std::to_string(value) + " AS UNSIGNED)"};
}

TSqlExpression TSqlBuilder::Dec(const std::string& text) const {
    const auto scale = static_cast<std::uint8_t>(text.size() - text.find('.') - 1);
    return {Literal(program_.ValueFactory().CreateFloat(scale, std::stold(text))), text};
}

TSqlExpression TSqlBuilder::Dbl(const std::string& text) const {
    return {Literal(program_.ValueFactory().CreateFloat(core::kScaleNotSpecified, std::stold(text))), text};
}

TSqlExpression TSqlBuilder::Str(const std::string& text) const {
    return {Literal(program_.ValueFactory().CreateString(text, rtl::kCodePageUtf8)), "'" + text + "'"};
}

TSqlExpression TSqlBuilder::Bool(bool value) const {
    return {Literal(program_.ValueFactory().CreateBoolean(value)), value ? "TRUE" : "FALSE"};
}

TSqlExpression TSqlBuilder::NullLiteral() const {
    return {Literal(core::NullDataValue()), "NULL"};
}

TSqlExpression TSqlBuilder::Op(const TSqlExpression& left, std::uint8_t op, const TSqlExpression& right) {
    return {std::make_shared<TOperation>(op, left.node, right.node),
            "(" + left.sql + " " + kBinaryOperators[op] + " " + right.sql + ")"};
}

TSqlExpression TSqlBuilder::Unary(std::uint8_t op, const TSqlExpression& operand) {
    static const char* const kPrefixes[] = {"NOT ", "~", "+ ", "- "};
    static const char* const kTests[] = {"IS NULL",  "IS NOT NULL",  "IS TRUE",    "IS NOT TRUE",
                                         "IS FALSE", "IS NOT FALSE", "IS UNKNOWN", "IS NOT UNKNOWN"};
    const std::string text =
        op <= uoMinus ? kPrefixes[op] + operand.sql : operand.sql + " " + kTests[op - uoIsNull];
    return {std::make_shared<TUnaryOperation>(op, operand.node), "(" + text + ")"};
}

TSqlExpression TSqlBuilder::Between(const TSqlExpression& tested, const TSqlExpression& lower,
                                    const TSqlExpression& upper, bool negated) {
    return {std::make_shared<TTernaryOperation>(negated ? toNotBetween : toBetween, tested.node, lower.node,
                                                upper.node),
            "(" + tested.sql + (negated ? " NOT" : "") + " BETWEEN " + lower.sql + " AND " + upper.sql + ")"};
}

TSqlExpression TSqlBuilder::If(const TSqlExpression& condition, const TSqlExpression& then,
                               const TSqlExpression& otherwise) {
    return {std::make_shared<TTernaryOperation>(toIf, condition.node, then.node, otherwise.node),
            "IF(" + condition.sql + ", " + then.sql + ", " + otherwise.sql + ")"};
}

TSqlExpression TSqlBuilder::In(const TSqlExpression& tested, const std::vector<TSqlExpression>& items,
                               bool negated) {
    auto list = std::make_shared<TExpressionList>();
    std::string text;
    for (const TSqlExpression& item : items) {
        list->Add(item.node);
        text += (text.empty() ? "" : ", ") + item.sql;
    }
    return {std::make_shared<TInExpression>(tested.node, negated, list),
            "(" + tested.sql + (negated ? " NOT" : "") + " IN (" + text + "))"};
}

TSqlExpression TSqlBuilder::Case(const TSqlExpression& selector,
                                 const std::vector<std::pair<TSqlExpression, TSqlExpression>>& branches,
                                 const TSqlExpression& otherwise) {
    auto node = std::make_shared<TCaseExpression>(selector.node, otherwise.node);
    std::string text = "(CASE " + selector.sql;
    for (const auto& [when, then] : branches) {
        node->AddItem(when.node, then.node);
        text += " WHEN " + when.sql + " THEN " + then.sql;
    }
    if (otherwise.node) text += " ELSE " + otherwise.sql;
    return {node, text + " END)"};
}

TSqlExpression TSqlBuilder::Brackets(const TSqlExpression& expression) {
    return {std::make_shared<TBrackets>(expression.node), "(" + expression.sql + ")"};
}

TSqlExpression TSqlBuilder::Cast(const TSqlExpression& expression, const std::string& sqlType,
                                 const core::TDatatypeCharacteristics& characteristics) {
    return {std::make_shared<TTypeCast>(expression.node, characteristics),
            "CAST(" + expression.sql + " AS " + sqlType + ")"};
}

// ---- Variables and statements

TSqlExpression TSqlBuilder::Declare(const std::string& name, const std::string& sqlType,
                                    const core::TDatatypeCharacteristics& characteristics,
                                    const TSqlExpression& defaultValue) {
    const auto defaultNode = std::dynamic_pointer_cast<IReadable>(defaultValue.node);
    auto variable =
        std::make_shared<TVariable>(name, defaultNode ? defaultNode->GetValue() : core::NullDataValue(),
                                    program_.ValueFactory().CreateVariableValue(characteristics));
    program_.MainRoutine().Block()->AddSymbol(variable);
    declarations_ += "DECLARE " + name + " " + sqlType;
    if (defaultNode) declarations_ += " DEFAULT " + defaultValue.sql;
    declarations_ += "; ";
    variables_.push_back({variable, name});
    return variables_.back();
}

TSqlExpression TSqlBuilder::UserVariable(const std::string& name) {
    variables_.push_back({std::make_shared<TUntypedVariable>(name), name});
    return variables_.back();
}

TSqlStatement TSqlBuilder::Set(const TSqlExpression& variable, const TSqlExpression& value) {
    return {std::make_shared<TAssignation>(NoPosition(),
                                           std::dynamic_pointer_cast<IAssignable>(variable.node), value.node),
            "SET " + variable.sql + " = " + value.sql + ";"};
}

TSqlStatement TSqlBuilder::Do(const TSqlExpression& expression) {
    return {std::make_shared<TDOStatement>(NoPosition(), expression.node), "DO " + expression.sql + ";"};
}

TSqlStatement TSqlBuilder::IfThen(const TSqlExpression& condition, const TSqlStatements& then,
                                  const TSqlStatements& otherwise) {
    return {std::make_shared<TCondition>(NoPosition(), condition.node, List(then), List(otherwise)),
            "IF " + condition.sql + " THEN " + Text(then) +
                (otherwise.empty() ? "" : "ELSE " + Text(otherwise)) + "END IF;"};
}

TSqlStatement TSqlBuilder::IfChain(const TSqlExpression& condition, const TSqlStatements& then,
                                   const std::vector<std::pair<TSqlExpression, TSqlStatements>>& elseIfs,
                                   const TSqlStatements& otherwise) {
    auto node = std::make_shared<TConditionChain>(NoPosition(), condition.node, List(then), List(otherwise));
    std::string text = "IF " + condition.sql + " THEN " + Text(then);
    for (const auto& [branchCondition, statements] : elseIfs) {
        node->AddItem(std::make_shared<TConditionChainItem>(branchCondition.node, List(statements)));
        text += "ELSEIF " + branchCondition.sql + " THEN " + Text(statements);
    }
    return {node, text + "ELSE " + Text(otherwise) + "END IF;"};
}

TSqlStatement TSqlBuilder::CaseOf(const TSqlExpression& selector,
                                  const std::vector<std::pair<TSqlExpression, TSqlStatements>>& branches,
                                  const std::optional<TSqlStatements>& otherwise) {
    auto node = std::make_shared<TCase>(NoPosition(), selector.node, otherwise ? List(*otherwise) : nullptr,
                                        List(branches[0].second), branches[0].first.node);
    std::string text = "CASE " + selector.sql;
    for (std::size_t i = 0; i < branches.size(); ++i) {
        if (i > 0) node->AddItem(branches[i].first.node, List(branches[i].second));
        text += " WHEN " + branches[i].first.sql + " THEN " + Text(branches[i].second);
    }
    if (otherwise) text += "ELSE " + Text(*otherwise);
    return {node, text + "END CASE;"};
}

TSqlStatement TSqlBuilder::While(const std::string& label, const TSqlExpression& condition,
                                 const TSqlStatements& body) {
    return {std::make_shared<TWhile>(NoPosition(), label, List(body), condition.node),
            Labelled(label) + "WHILE " + condition.sql + " DO " + Text(body) + "END WHILE" + Closing(label) +
                ";"};
}

TSqlStatement TSqlBuilder::Loop(const std::string& label, const TSqlStatements& body) {
    auto node = std::make_shared<TLoop>(NoPosition(), label);
    for (const TSqlStatement& statement : body)
        node->GetStatements()->Add(statement.node);
    return {node, Labelled(label) + "LOOP " + Text(body) + "END LOOP" + Closing(label) + ";"};
}

TSqlStatement TSqlBuilder::Repeat(const std::string& label, const TSqlStatements& body,
                                  const TSqlExpression& until) {
    auto node = std::make_shared<TRepeat>(NoPosition(), label, until.node);
    for (const TSqlStatement& statement : body)
        node->GetStatements()->Add(statement.node);
    return {node, Labelled(label) + "REPEAT " + Text(body) + "UNTIL " + until.sql + " END REPEAT" +
                      Closing(label) + ";"};
}

TSqlStatement TSqlBuilder::Leave(const std::string& label) {
    return {std::make_shared<TBlockLeave>(NoPosition(), label), "LEAVE " + label + ";"};
}

TSqlStatement TSqlBuilder::Iterate(const std::string& label) {
    return {std::make_shared<TLoopContinuer>(NoPosition(), label), "ITERATE " + label + ";"};
}

TSqlStatement TSqlBuilder::Block(const std::string& label, const TSqlStatements& body) const {
    auto node = std::make_shared<TBlock>(NoPosition(), program_.MainRoutine().Block(), label,
                                         &program_.IdentifierManager());
    for (const TSqlStatement& statement : body)
        node->GetStatements()->Add(statement.node);
    return {node, Labelled(label) + "BEGIN " + Text(body) + "END" + Closing(label) + ";"};
}

void TSqlBuilder::SetBody(const TSqlStatements& body) {
    const auto statements = program_.MainRoutine().Block()->GetStatements();
    statements->Clear();
    for (const TSqlStatement& statement : body)
        statements->Add(statement.node);
    body_ = Text(body);
}

std::string TSqlBuilder::ServerScript() const {
    std::string names;
    for (const TSqlExpression& variable : variables_)
        names += (names.empty() ? "" : ", ") + variable.sql;
    return "BEGIN NOT ATOMIC " + declarations_ + body_ + "SELECT " + names + "; END";
}

TOutcome TSqlBuilder::RunLocally() {
    return OutcomeOf([&]() -> std::optional<std::string> {
        RunProgram(program_, CreateNullDebugger());
        auto text = [](const TSqlExpression& variable) {
            return ValueText(*std::dynamic_pointer_cast<IReadable>(variable.node)->GetValue());
        };
        if (variables_.size() == 1) return text(variables_.front());
        std::string texts;
        for (const TSqlExpression& variable : variables_)
            texts += (texts.empty() ? "" : "|") + text(variable).value_or("NULL");
        return texts;
    });
}

} // namespace engine
