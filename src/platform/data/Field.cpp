#include "platform/data/Field.h"

#include "platform/data/DataError.h"
#include "platform/data/DataSet.h"
#include "platform/data/NameCompare.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/ScopeExit.h"

#include <algorithm>
#include <cctype>
#include <cstring>

namespace data {

// ---- TField ----

TField::TField(TComponent* owner, TFieldType dataType) : TComponent(owner), dataType_(dataType) {}

TField::~TField() {
    Destroying();
    if (dataSet_) {
        if (!dataSet_->IsDestroying()) dataSet_->Close();
        dataSet_->fields_.Remove(this);
    }
}

void TField::SetDataSet(TDataSet* dataSet) {
    if (dataSet == dataSet_) return;
    if (dataSet_) dataSet_->CheckInactive();
    if (dataSet) dataSet->CheckInactive();
    if (dataSet_) dataSet_->fields_.Remove(this);
    if (dataSet) dataSet->fields_.Add(this);
}

void TField::SetFieldName(const std::string& name) {
    if (dataSet_) dataSet_->CheckInactive();
    fieldName_ = name;
}

int TField::Index() const {
    return dataSet_ ? dataSet_->fields_.IndexOf(this) : -1;
}

void TField::SetIndex(int index) {
    if (dataSet_) dataSet_->fields_.Move(this, index);
}

void TField::SetFieldKind(TFieldKind kind) {
    if (kind == fieldKind_) return;
    if (dataSet_) dataSet_->CheckInactive();
    fieldKind_ = kind;
}

void TField::SetSize(int size) {
    if (dataSet_) dataSet_->CheckInactive();
    CheckTypeSize(size);
    size_ = size;
}

void TField::CheckTypeSize(int size) const {
    if (size != 0) DatabaseError(rtl::Format("Invalid field size %d for field '%s'", size, DisplayName()));
}

bool TField::CanModify() const {
    return !readOnly_ && (fieldKind_ == fkData || fieldKind_ == fkInternalCalc) && dataSet_ &&
           dataSet_->CanModify();
}

void TField::SetValue(const rtl::Variant& value) {
    if (value.IsNull() || value.IsEmpty())
        Clear();
    else
        SetVarValue(value);
}

rtl::Variant TField::OldValue() const {
    return dataSet_ ? dataSet_->GetStateFieldValue(dsOldValue, const_cast<TField*>(this))
                    : rtl::Variant::Null();
}

rtl::Variant TField::NewValue() const {
    return dataSet_ ? dataSet_->GetStateFieldValue(dsNewValue, const_cast<TField*>(this))
                    : rtl::Variant::Null();
}

void TField::SetNewValue(const rtl::Variant& value) {
    if (dataSet_) dataSet_->SetStateFieldValue(dsNewValue, this, value);
}

std::string TField::GetEditText() const {
    std::string text;
    if (OnGetText)
        OnGetText(const_cast<TField*>(this), text, false);
    else
        GetText(text, false);
    return text;
}

std::string TField::GetDisplayText() const {
    std::string text;
    if (OnGetText)
        OnGetText(const_cast<TField*>(this), text, true);
    else
        GetText(text, true);
    return text;
}

void TField::SetEditText(const std::string& text) {
    if (OnSetText)
        OnSetText(this, text);
    else
        SetText(text);
}

void TField::GetText(std::string& text, bool displayText) const {
    text = GetAsString();
}

void TField::SetText(const std::string& text) {
    SetAsString(text);
}

bool TField::GetData(void* buffer) const {
    if (!dataSet_) DatabaseError(rtl::Format("Field '%s' has no dataset", DisplayName()));
    if (validating_) {
        if (!validateBuffer_) return false;
        if (buffer) std::memcpy(buffer, validateBuffer_, GetDataSize());
        return true;
    }
    return dataSet_->GetFieldData(const_cast<TField*>(this), buffer);
}

void TField::SetData(const void* buffer) {
    if (!dataSet_) DatabaseError(rtl::Format("Field '%s' has no dataset", DisplayName()));
    dataSet_->SetFieldData(this, buffer);
}

void TField::Validate(const void* buffer) {
    if (!OnValidate) return;
    validateBuffer_ = buffer;
    const rtl::FlagScope validating(validating_);
    OnValidate(this);
}

void TField::Change() {
    if (OnChange) OnChange(this);
}

void TField::Assign(const TPersistent* source) {
    if (!source) {
        Clear();
        return;
    }
    if (const auto* field = dynamic_cast<const TField*>(source)) {
        SetValue(field->Value());
        return;
    }
    TComponent::Assign(source);
}

void TField::AccessError(const char* typeName) const {
    DatabaseError(rtl::Format("Cannot access field '%s' as type %s", DisplayName(), typeName));
}

void TField::RangeError(const std::string& value, const std::string& min, const std::string& max) const {
    DatabaseError(rtl::Format("%s is not a valid value for field '%s'. The allowed range is %s to %s", value,
                              DisplayName(), min, max));
}

rtl::Variant TField::GetAsVariant() const {
    AccessError("Variant");
}
void TField::SetVarValue(const rtl::Variant&) {
    AccessError("Variant");
}
std::string TField::GetAsString() const {
    AccessError("String");
}
void TField::SetAsString(const std::string&) {
    AccessError("String");
}
int32_t TField::GetAsInteger() const {
    AccessError("Integer");
}
void TField::SetAsInteger(int32_t) {
    AccessError("Integer");
}
int64_t TField::GetAsLargeInt() const {
    AccessError("LargeInt");
}
void TField::SetAsLargeInt(int64_t) {
    AccessError("LargeInt");
}
double TField::GetAsFloat() const {
    AccessError("Float");
}
void TField::SetAsFloat(double) {
    AccessError("Float");
}
bool TField::GetAsBoolean() const {
    AccessError("Boolean");
}
void TField::SetAsBoolean(bool) {
    AccessError("Boolean");
}
rtl::TDateTime TField::GetAsDateTime() const {
    AccessError("DateTime");
}
void TField::SetAsDateTime(rtl::TDateTime) {
    AccessError("DateTime");
}

// ---- TFields ----

TFields::~TFields() {
    Clear();
}

TField* TFields::Fields(int index) const {
    if (index < 0 || index >= Count()) rtl::ListIndexError(index);
    return fields_[index];
}

int TFields::IndexOf(const TField* field) const {
    const auto it = std::find(fields_.begin(), fields_.end(), field);
    return it == fields_.end() ? -1 : static_cast<int>(it - fields_.begin());
}

TField* TFields::FindField(std::string_view fieldName) const {
    for (TField* field : fields_)
        if (SameName(field->FieldName(), fieldName)) return field;
    return nullptr;
}

TField* TFields::FieldByName(std::string_view fieldName) const {
    TField* field = FindField(fieldName);
    if (!field) DatabaseError(rtl::Format("Field '%s' not found", fieldName), dataSet_);
    return field;
}

TField* TFields::FieldByNumber(int fieldNo) const {
    for (TField* field : fields_)
        if (field->FieldNo() == fieldNo) return field;
    return nullptr;
}

void TFields::Clear() {
    if (fields_.empty()) return;
    while (!fields_.empty()) {
        TField* field = fields_.back();
        fields_.pop_back();
        field->dataSet_ = nullptr;
        delete field;
    }
    Changed();
}

void TFields::Add(TField* field) {
    fields_.push_back(field);
    field->dataSet_ = dataSet_;
    Changed();
}

void TFields::Remove(TField* field) {
    std::erase(fields_, field);
    field->dataSet_ = nullptr;
    Changed();
}

void TFields::Move(TField* field, int index) {
    const int current = IndexOf(field);
    if (current < 0) return;
    index = std::clamp(index, 0, Count() - 1);
    if (index == current) return;
    fields_.erase(fields_.begin() + current);
    fields_.insert(fields_.begin() + index, field);
    Changed();
}

void TFields::Changed() {
    if (dataSet_ && dataSet_->Active() && !dataSet_->IsDestroying())
        dataSet_->DataEvent(deFieldListChange, 0);
}

} // namespace data
