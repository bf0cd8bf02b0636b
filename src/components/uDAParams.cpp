#include "components/uDAParams.h"

#include "dataaccess/store/uBlob.h"
#include "dataaccess/store/uSharedObject.h"
#include "platform/data/FieldClasses.h"
#include "platform/rtl/DateTime.h"
#include "platform/rtl/Exception.h"
#include "platform/rtl/Utf.h"

#include <cmath>

namespace components {

using namespace data;
using dataaccess::TBlob;

namespace {

constexpr char kNotSupported[] = "Data type is not supported";
// The raw value of a parameter whose value is an object.
constexpr char kObjectMarker[] = "Object";

bool IsStreamType(TFieldType type) {
    return type == ftBlob || type == ftMemo || type == ftOraBlob || type == ftOraClob;
}

} // namespace

// ---- TDAParam

TDAParam::TDAParam(TCollection* params) : TParam(params) {
    SetBound(true);
}

TDAParam::~TDAParam() {
    FreeObject();
}

TBlob* TDAParam::Blob() const {
    auto* blob = dynamic_cast<TBlob*>(valueObject_);
    RTL_ASSERT(blob);
    return blob;
}

void TDAParam::SetBlobText(const std::string& text) {
    Blob()->SetAsString(text);
    objectNull_ = false;
}

void TDAParam::SetValueObject(dataaccess::TSharedObject* object) {
    FreeObject();
    valueObject_ = object;
    if (!object) return;
    object->AddRef();
    auto* blob = dynamic_cast<TBlob*>(object);
    objectNull_ = !blob || blob->GetSize() == 0;
    SetRawValue(kObjectMarker);
}

void TDAParam::CreateObject() {
    RTL_ASSERT(!valueObject_);
    if (!IsBlobDataType(DataType())) return;
    valueObject_ = new TBlob(false);
    objectNull_ = true;
}

void TDAParam::FreeObject() {
    if (!valueObject_) return;
    valueObject_->Release();
    valueObject_ = nullptr;
}

void TDAParam::SetDataType(TFieldType type) {
    if (type == DataType()) return;
    if (IsBlobDataType(DataType())) FreeObject();
    TParam::SetDataType(type);
    subType_ = 0;
    if (IsBlobDataType(type)) CreateObject();
}

rtl::Variant TDAParam::GetValue() const {
    if (!IsObject()) return TParam::GetValue();
    if (GetIsNull()) return rtl::Variant::Null();
    return rtl::Variant(Blob()->GetAsString());
}

void TDAParam::SetValue(const rtl::Variant& value) {
    if (!IsObject()) {
        TParam::SetValue(value);
    } else if (value.IsNull() || value.IsEmpty()) {
        Clear();
    } else if (value.Type() == rtl::varArray) {
        dataaccess::TBytes bytes;
        for (const rtl::Variant& item : value.AsArray())
            bytes.push_back(static_cast<uint8_t>(item.AsInt64()));
        Blob()->SetAsBytes(bytes);
        objectNull_ = false;
    } else {
        SetBlobText(value.AsString());
    }
    SetBound(true);
}

bool TDAParam::GetIsNull() const {
    return IsObject() ? objectNull_ : TParam::GetIsNull();
}

void TDAParam::Clear() {
    if (!IsObject()) {
        TParam::Clear();
        return;
    }
    Blob()->Clear();
    objectNull_ = true;
}

std::string TDAParam::GetAsString() const {
    if (GetIsNull()) return {};
    if (IsObject()) return Blob()->GetAsString();
    const TFieldType type = DataType();
    if (type == ftDate) return rtl::DateTimeToString(std::floor(RawValue().AsDateTime()));
    // A date-time keeps its time of day.
    if (type == ftDateTime) return rtl::DateTimeToString(RawValue().AsDateTime());
    return TParam::GetAsString();
}

void TDAParam::SetAsString(const std::string& value) {
    if (IsObject()) {
        SetBlobText(value);
        SetBound(true);
    } else if (DataType() == ftWideString || DataType() == ftFixedWideChar) {
        SetAsWideString(rtl::Utf8ToUtf16(value));
    } else {
        TParam::SetAsString(value);
    }
}

std::u16string TDAParam::AsWideString() const {
    if (GetIsNull()) return {};
    if (IsObject()) return Blob()->ReadAsWide();
    return RawValue().AsWideString();
}

void TDAParam::SetAsWideString(const std::u16string& value) {
    if (IsObject()) {
        Blob()->WriteAsWide(value);
        objectNull_ = false;
        SetBound(true);
    } else {
        SetRawValue(rtl::Variant(value));
    }
}

int64_t TDAParam::AsLargeInt() const {
    return GetIsNull() ? 0 : GetValue().AsInt64();
}

void TDAParam::SetAsLargeInt(int64_t value) {
    SetDataType(ftLargeint);
    SetValue(rtl::Variant(value));
}

void TDAParam::SetAsBlob(const std::string& bytes) {
    SetDataType(ftBlob);
    Blob()->SetAsBytes(dataaccess::TBytes(bytes.begin(), bytes.end()));
    objectNull_ = false;
    SetBound(true);
}

void TDAParam::SetAsMemo(const std::string& text) {
    SetDataType(ftMemo);
    SetBlobText(text);
    SetBound(true);
}

void TDAParam::SetText(const std::string& value) {
    if (IsObject())
        SetAsString(value);
    else
        TParam::SetText(value);
}

TBlob* TDAParam::GetBlobObject() {
    if (DataType() == ftUnknown) SetDataType(ftBlob);
    return IsObject() ? dynamic_cast<TBlob*>(valueObject_) : nullptr;
}

void TDAParam::SetBlobObject(TBlob* blob) {
    FreeObject();
    TParam::SetDataType(ftBlob);
    subType_ = 0;
    SetValueObject(blob);
}

TBlob* TDAParam::GetMemoObject() {
    if (DataType() == ftUnknown) SetDataType(ftMemo);
    return IsObject() ? dynamic_cast<TBlob*>(valueObject_) : nullptr;
}

void TDAParam::SetMemoObject(TBlob* blob) {
    FreeObject();
    TParam::SetDataType(ftMemo);
    subType_ = 0;
    SetValueObject(blob);
}

void TDAParam::Assign(const TPersistent* source) {
    if (const auto* param = dynamic_cast<const TDAParam*>(source)) {
        AssignParam(param);
        TParam::SetSize(param->TParam::Size());
        size_ = param->size_;
        SetValueObject(param->valueObject_);
        objectNull_ = param->objectNull_;
        nationalFlag_ = param->nationalFlag_;
    } else if (const auto* param = dynamic_cast<const TParam*>(source)) {
        AssignParam(param);
    } else if (const auto* field = dynamic_cast<const TField*>(source)) {
        AssignField(field);
    } else {
        TParam::Assign(source);
    }
}

void TDAParam::AssignParam(const TParam* param) {
    if (!param) return;
    SetDataType(param->DataType());
    if (param->IsNull())
        Clear();
    else if (IsObject() && !dynamic_cast<const TDAParam*>(param))
        SetValue(param->Value());
    else
        SetRawValue(param->RawValue());
    SetBound(param->Bound());
    SetName(param->Name());
    if (ParamType() == ptUnknown) SetParamType(param->ParamType());
}

void TDAParam::AssignField(const TField* field) {
    if (!field) return;
    AssignFieldValue(field, field->Value());
    SetName(field->FieldName());
}

void TDAParam::AssignFieldValue(const TField* field, const rtl::Variant& value) {
    if (!field) return;
    TFieldType type = field->DataType();
    if (const auto* stringField = dynamic_cast<const TStringField*>(field); stringField && type == ftString) {
        if (stringField->FixedChar()) type = ftFixedChar;
    } else if (type == ftMemo && field->Size() > 255) {
        type = ftString;
    }
    SetDataType(type);
    if (value.IsNull())
        Clear();
    else
        SetValue(value);
}

void TDAParam::LoadFromStream(rtl::TStream& stream, TFieldType type) {
    if (!IsStreamType(type)) throw rtl::Exception(kNotSupported);
    SetDataType(type);
    stream.SetPosition(0);
    RTL_ASSERT_MSG(valueObject_, kNotSupported);
    Blob()->LoadFromStream(stream);
    objectNull_ = false;
    SetBound(true);
}

void TDAParam::AssignTo(TPersistent* dest) const {
    if (auto* field = dynamic_cast<TField*>(dest)) {
        field->SetValue(GetValue());
        return;
    }
    TParam::AssignTo(dest);
}

// ---- TDAParams

TDAParams::TDAParams(TPersistent* owner) : TParams(&ItemClassOf<TDAParam>, owner) {}

TDAParam* TDAParams::CreateParam(TFieldType dataType, const std::string& name, TParamType paramType) {
    auto* param = static_cast<TDAParam*>(TParams::CreateParam(ftUnknown, name, paramType));
    param->SetDataType(dataType);
    return param;
}

void TDAParams::NotifyDisconnect() {
    for (int i = 0; i < Count(); ++i)
        if (dataaccess::TSharedObject* object = Items(i)->GetValueObject()) object->Disconnect();
}

void TDAParams::Update(TCollectionItem* item) {
    if (notifyUpdates_) TParams::Update(item);
}

void SetNullOrEmptyValue(TParam* param, bool isNull) {
    param->SetRawValue(isNull ? rtl::Variant::Null() : rtl::Variant(std::string()));
}

bool IsTextParamType(TFieldType type) {
    return type == ftString || type == ftFixedChar || type == ftWideString || type == ftFixedWideChar;
}

} // namespace components
