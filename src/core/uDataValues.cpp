#include "core/uDataValues.h"

#include "core/uDataConverter.h"
#include "platform/rtl/Exception.h"

namespace core {

TRODataValue::TRODataValue(const rtl::Variant& value, const TDatatypeCharacteristics& characteristics,
                           TDataConverter* converter, bool binaryLiteral)
    : characteristics_(characteristics), converter_(converter), binaryLiteral_(binaryLiteral) {
    RTL_ASSERT(converter);
    characteristics_.CodePage = converter->ResolveCodePage(characteristics_.CodePage);
    value_ = converter->NormalizeValue(value, characteristics_);
}

rtl::Variant TRODataValue::AsString() const {
    return converter_->ToStringValue(value_, characteristics_);
}

rtl::Variant TRODataValue::AsWideString() const {
    return converter_->ToWideStringValue(value_, characteristics_);
}

rtl::Variant TRODataValue::AsFloat() const {
    return converter_->ToFloat(value_, characteristics_, binaryLiteral_);
}

rtl::Variant TRODataValue::AsInteger() const {
    return converter_->ToInteger(value_, characteristics_, binaryLiteral_);
}

rtl::Variant TRODataValue::AsBoolean() const {
    return converter_->ToBoolean(value_, characteristics_);
}

std::string TRODataValue::AsSQL() const {
    return converter_->ToSQL(value_, characteristics_);
}

std::shared_ptr<IRODataValue> TRODataValue::Clone() const {
    return std::make_shared<TRODataValue>(value_, characteristics_, converter_);
}

std::shared_ptr<IRODataValue> TRODataValue::ConvertTo(const TDatatypeCharacteristics& target) const {
    auto result = std::make_shared<TRODataValue>(rtl::Variant::Null(), target, converter_);
    result->Store(value_, characteristics_);
    return result;
}

int TRODataValue::Compare(const std::shared_ptr<IRODataValue>& other) const {
    RTL_ASSERT(other);
    return converter_->Compare(value_, other->AsVariant(), characteristics_, other->GetCharacteristics());
}

bool TRODataValue::Equals(const std::shared_ptr<IRODataValue>& other) const {
    return Compare(other) == 0;
}

void TRODataValue::Store(const rtl::Variant& value, const TDatatypeCharacteristics& source) {
    rtl::Variant converted = converter_->ConvertValue(value, source, characteristics_);
    value_ = converter_->NormalizeValue(converted, characteristics_);
}

void TRWDataValue::SetAsString(const rtl::Variant& utf8Text) {
    Store(utf8Text, Utf8StringCharacteristics());
}

void TRWDataValue::SetAsInteger(const rtl::Variant& value) {
    Store(value, BareCharacteristics(dtInteger));
}

void TRWDataValue::SetAsBoolean(const rtl::Variant& value) {
    Store(value, BareCharacteristics(dtBoolean));
}

void TRWDataValue::SetAsVariant(const rtl::Variant& value) {
    value_ = converter_->NormalizeValue(value, characteristics_);
}

std::shared_ptr<IRWDataValue> TRWDataValue::CloneRW() const {
    return std::make_shared<TRWDataValue>(value_, characteristics_, converter_);
}

void TRWDataValue::Assign(const std::shared_ptr<IRODataValue>& source) {
    RTL_ASSERT(source);
    Store(source->AsVariant(), source->GetCharacteristics());
}

} // namespace core
