#include "platform/data/Params.h"

#include "platform/data/DataError.h"
#include "platform/data/Field.h"
#include "platform/data/NameCompare.h"
#include "platform/rtl/Format.h"

#include <limits>

namespace data {

// ---- TParam ----

TParam::TParam(TCollection* params) : TCollectionItem(params) {}

TParams* TParam::Params() const {
    return static_cast<TParams*>(Collection());
}

void TParam::SetDataType(TFieldType type) {
    dataType_ = type;
}

void TParam::SetValue(const rtl::Variant& value) {
    if (GetDataType() == ftUnknown) {
        switch (value.Type()) {
        case rtl::varBoolean:
            SetDataType(ftBoolean);
            break;
        case rtl::varInt64:
        case rtl::varUInt64: {
            const int64_t number = value.AsInt64();
            const bool fits = value.Type() == rtl::varInt64 &&
                              number >= std::numeric_limits<int32_t>::min() &&
                              number <= std::numeric_limits<int32_t>::max();
            SetDataType(fits ? ftInteger : ftLargeint);
            break;
        }
        case rtl::varDouble:
            SetDataType(ftFloat);
            break;
        case rtl::varDate:
            SetDataType(ftDateTime);
            break;
        case rtl::varString:
            SetDataType(ftString);
            break;
        case rtl::varWideString:
            SetDataType(ftWideString);
            break;
        default:
            break;
        }
    }
    data_ = value;
    bound_ = !value.IsEmpty();
}

void TParam::SetTypedValue(TFieldType type, rtl::Variant value) {
    SetDataType(type);
    SetValue(value);
}

void TParam::Clear() {
    data_ = rtl::Variant::Null();
}

std::string TParam::GetAsString() const {
    return GetIsNull() ? std::string() : GetValue().AsString();
}

void TParam::SetAsString(const std::string& value) {
    SetTypedValue(ftString, value);
}

int32_t TParam::GetAsInteger() const {
    if (GetIsNull()) return 0;
    const int64_t value = GetValue().AsInt64();
    return static_cast<int32_t>(
        std::clamp<int64_t>(value, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()));
}

void TParam::SetAsInteger(int32_t value) {
    SetTypedValue(ftInteger, value);
}

void TParam::SetAsSmallInt(int32_t value) {
    SetTypedValue(ftSmallint, value);
}

void TParam::SetAsWord(int32_t value) {
    SetTypedValue(ftWord, value);
}

double TParam::GetAsFloat() const {
    return GetIsNull() ? 0.0 : GetValue().AsDouble();
}

void TParam::SetAsFloat(double value) {
    SetTypedValue(ftFloat, value);
}

rtl::TDateTime TParam::GetAsSQLTimeStamp() const {
    return GetIsNull() ? 0.0 : GetValue().AsDateTime();
}

void TParam::SetAsSQLTimeStamp(rtl::TDateTime value) {
    SetTypedValue(ftTimeStamp, rtl::Variant::FromDateTime(value));
}

void TParam::SetText(const std::string& value) {
    if (GetDataType() == ftUnknown) SetDataType(ftString);
    SetValue(value);
}

void TParam::Assign(const TPersistent* source) {
    if (const auto* param = dynamic_cast<const TParam*>(source)) {
        SetDataType(param->GetDataType());
        if (param->GetIsNull())
            Clear();
        else
            data_ = param->data_;
        bound_ = param->bound_;
        name_ = param->name_;
        if (paramType_ == ptUnknown) paramType_ = param->paramType_;
        precision_ = param->precision_;
        numericScale_ = param->numericScale_;
        size_ = param->size_;
        return;
    }
    if (const auto* field = dynamic_cast<const TField*>(source)) {
        AssignField(field);
        return;
    }
    TCollectionItem::Assign(source);
}

void TParam::AssignField(const TField* field) {
    if (!field) return;
    SetDataType(field->DataType());
    const rtl::Variant value = field->Value();
    if (value.IsNull())
        Clear();
    else
        SetValue(value);
    bound_ = true;
    name_ = field->FieldName();
}

void TParam::AssignTo(TPersistent* dest) const {
    if (auto* field = dynamic_cast<TField*>(dest)) {
        field->SetValue(GetValue());
        return;
    }
    TCollectionItem::AssignTo(dest);
}

// ---- TParams ----

TParams::TParams(TPersistent* owner) : TParams(&TCollection::ItemClassOf<TParam>, owner) {}

TParams::TParams(TItemClass itemClass, TPersistent* owner) : TCollection(itemClass, owner) {}

TParam* TParams::FindParam(std::string_view name) const {
    for (int i = 0; i < Count(); ++i)
        if (SameName(Items(i)->Name(), name)) return Items(i);
    return nullptr;
}

TParam* TParams::ParamByName(std::string_view name) const {
    TParam* param = FindParam(name);
    if (!param)
        DatabaseError(rtl::Format("Parameter '%s' not found", name), dynamic_cast<TComponent*>(Owner()));
    return param;
}

TParam* TParams::CreateParam(TFieldType dataType, const std::string& name, TParamType paramType) {
    auto* param = static_cast<TParam*>(Add());
    param->SetName(name);
    param->SetParamType(paramType);
    param->SetDataType(dataType);
    return param;
}

void TParams::AssignValues(const TParams& source) {
    for (int i = 0; i < source.Count(); ++i)
        if (TParam* param = FindParam(source[i]->Name())) param->Assign(source[i]);
}

} // namespace data
