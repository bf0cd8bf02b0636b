#include "platform/data/FieldDefs.h"

#include "platform/data/DataError.h"
#include "platform/data/DataSet.h"
#include "platform/data/FieldClasses.h"
#include "platform/data/NameCompare.h"
#include "platform/rtl/Format.h"

#include <memory>

namespace data {

// ---- TFieldDef ----

TFieldDef::TFieldDef(TCollection* fieldDefs) : TCollectionItem(fieldDefs) {}

TFieldDefs* TFieldDef::FieldDefs() const {
    return static_cast<TFieldDefs*>(Collection());
}

TDataSet* TFieldDef::DataSet() const {
    return FieldDefs() ? FieldDefs()->DataSet() : nullptr;
}

void TFieldDef::SetName(const std::string& name) {
    name_ = name;
    Changed(false);
}

void TFieldDef::SetDataType(TFieldType type) {
    dataType_ = type;
    Changed(false);
}

void TFieldDef::SetSize(int size) {
    size_ = size;
    Changed(false);
}

void TFieldDef::SetPrecision(int precision) {
    precision_ = precision;
    Changed(false);
}

void TFieldDef::SetRequired(bool required) {
    if (required)
        attributes_.Include(faRequired);
    else
        attributes_.Exclude(faRequired);
    Changed(false);
}

void TFieldDef::SetAttributes(TFieldAttributes attributes) {
    attributes_ = attributes;
    Changed(false);
}

void TFieldDef::SetMySQLType(int typeCode, bool isUnsigned) {
    mySQLType_ = typeCode;
    mySQLUnsigned_ = isUnsigned;
    Changed(false);
}

TField* TFieldDef::CreateField(TComponent* owner) {
    TDataSet* dataSet = DataSet();
    const TFieldClass fieldClass = dataSet ? dataSet->GetFieldClass(dataType_) : DefaultFieldClass(dataType_);
    if (!fieldClass) DatabaseError(rtl::Format("Field '%s' is of an unknown type", name_), dataSet);
    // Held until it is set up: a field that fails half-way goes again.
    std::unique_ptr<TField> field(fieldClass(owner));
    field->SetFieldType(dataType_);
    field->SetSize(size_);
    field->SetFieldName(name_);
    field->SetFieldNo(fieldNo_);
    field->SetRequired(Required());
    field->SetReadOnly(attributes_.Contains(faReadonly));
    field->SetVisible(!attributes_.Contains(faHiddenCol));
    field->SetMySQLType(mySQLType_, mySQLUnsigned_);
    if (auto* text = dynamic_cast<TStringField*>(field.get()); text && attributes_.Contains(faFixed))
        text->SetFixedChar(true);
    if (auto* number = dynamic_cast<TFloatField*>(field.get()); number && precision_ > 0)
        number->SetPrecision(precision_);
    if (auto* decimal = dynamic_cast<TBCDField*>(field.get())) decimal->SetPrecision(precision_);
    field->SetDataSet(dataSet);
    return field.release();
}

void TFieldDef::Assign(const TPersistent* source) {
    const auto* other = dynamic_cast<const TFieldDef*>(source);
    if (!other) {
        TCollectionItem::Assign(source);
        return;
    }
    name_ = other->name_;
    fieldNo_ = other->fieldNo_;
    dataType_ = other->dataType_;
    size_ = other->size_;
    precision_ = other->precision_;
    attributes_ = other->attributes_;
    mySQLType_ = other->mySQLType_;
    mySQLUnsigned_ = other->mySQLUnsigned_;
    Changed(false);
}

// ---- TFieldDefs ----

TFieldDefs::TFieldDefs(TDataSet* dataSet)
    : TCollection(&TCollection::ItemClassOf<TFieldDef>, dataSet), dataSet_(dataSet) {}

TFieldDef* TFieldDefs::Add(const std::string& name, TFieldType dataType, int size, bool required) {
    BeginUpdate();
    TFieldDef* def = AddFieldDef();
    def->SetName(name);
    def->SetFieldNo(Count());
    def->SetDataType(dataType);
    def->SetSize(size);
    def->SetRequired(required);
    EndUpdate();
    return def;
}

int TFieldDefs::IndexOf(std::string_view name) const {
    for (int i = 0; i < Count(); ++i)
        if (SameName(Items(i)->Name(), name)) return i;
    return -1;
}

TFieldDef* TFieldDefs::Find(std::string_view name) const {
    const int index = IndexOf(name);
    if (index < 0) DatabaseError(rtl::Format("Field '%s' not found", name), dataSet_);
    return Items(index);
}

void TFieldDefs::Update() {
    if (dataSet_) dataSet_->InitFieldDefs();
}

} // namespace data
