#include "engine/server/uDBAExpressions.h"

#include <algorithm>
#include <atomic>

#include "core/uIdentifierManager.h"
#include "engine/sql/uSQLWriter.h"
#include "platform/rtl/Exception.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/Utf.h"

namespace engine {

namespace {

// Atomic, although names are normally taken while the other thread waits: a compile on the
// user-interface thread must never hand out a number that the debug thread also takes.
std::atomic<int> nextSessionNumber{1};

} // namespace

std::string NextSessionVariableName() {
    return rtl::Format("@debugger_internal_variable_%d", nextSessionNumber.fetch_add(1));
}

TDBAVariable::TDBAVariable(std::string name, std::shared_ptr<core::IRODataValue> defaultValue,
                           std::shared_ptr<core::IRWDataValue> value,
                           std::shared_ptr<IExpression> defaultExpression)
    : TVariable(std::move(name), std::move(defaultValue), std::move(value), std::move(defaultExpression)),
      sessionName_(NextSessionVariableName()) {}

void TDBAVariable::Accept(TExpressionVisitor& visitor) {
    if (auto* extension = visitor.ServerSideExtension())
        extension->VisitMirroredVariable(SharedSelf(this));
    else
        TVariable::Accept(visitor);
}

void TDBAVariable::StoreValue(const std::shared_ptr<core::IRODataValue>& value) {
    TVariable::StoreValue(value);
    mirrored_ = false;
}

TDBAParameter::TDBAParameter(std::string name, std::shared_ptr<core::IRWDataValue> value)
    : TDBAVariable(std::move(name), core::NullDataValue(), std::move(value)) {}

const std::shared_ptr<TDBAVariable>& TDBAVariables::Items(int index) const {
    return ItemAt(items_, index);
}

bool TDBAVariables::Contains(const std::shared_ptr<TDBAVariable>& variable) const {
    return std::find(items_.begin(), items_.end(), variable) != items_.end();
}

void TDBAVariables::Add(const std::shared_ptr<TDBAVariable>& variable) {
    RTL_ASSERT(variable);
    RTL_ASSERT(allowDuplicates_ || !Contains(variable));
    items_.push_back(variable);
}

void TDBAVariables::Assign(const TDBAVariables& source) {
    if (&source == this) return;
    items_.clear();
    for (const auto& variable : source)
        Add(variable);
}

TDBAExternalVariable::TDBAExternalVariable(std::string name, std::shared_ptr<core::IDBAConnection> connection)
    : TCustomVariable(std::move(name), core::NullDataValue()), connection_(std::move(connection)) {
    RTL_ASSERT(connection_);
}

void TDBAExternalVariable::StoreValue(const std::shared_ptr<core::IRODataValue>& value) {
    std::string literal = TSQLWriter::WriteExpression(std::make_shared<TLiteral>(value));
    // A number literal reads as signed: an unsigned value keeps its type.
    const core::TDatatypeCharacteristics type = value->GetCharacteristics();
    if (!value->IsNull() && type.DataType == core::dtInteger && type.MinValue == 0)
        literal = "CAST(" + literal + " AS UNSIGNED)";
    connection_->ExecSQL(rtl::Format("SET %s = %s", GetName(), literal));
}

std::shared_ptr<core::IRODataValue> TDBAUserVariable::GetValue() const {
    return Connection().Evaluate(rtl::Utf8ToUtf16(GetName()), true, 0);
}

std::shared_ptr<core::IRODataValue> TDBASystemVariable::GetValue() const {
    static const core::TIdentifierManager identifiers("`", ".", "`");
    const std::string expression = "@@SESSION." + identifiers.NormalizeIdentifier(GetName());
    return Connection().Evaluate(rtl::Utf8ToUtf16(expression), true, 0);
}

void TDBASystemVariable::ResetToDefault() {
    Connection().ExecSQL(rtl::Format("SET %s = %s", GetName(), "DEFAULT"));
}

TDBAServerSideExpression::TDBAServerSideExpression(std::u16string text) : text_(std::move(text)) {}

void TDBAServerSideExpression::Accept(TExpressionVisitor& visitor) {
    if (auto* extension = visitor.ServerSideExtension())
        extension->VisitServerSideExpression(SharedSelf(this));
    else
        visitor.VisitExpression(SharedSelf(this));
}

} // namespace engine
