// Statement parameters: name, type, direction and value.
#pragma once

#include "platform/data/Collection.h"
#include "platform/data/DBTypes.h"
#include "platform/rtl/DateTime.h"
#include "platform/rtl/Variant.h"

#include <string>
#include <string_view>

namespace data {

class TField;
class TParams;

// A parameter of a statement: name, type, direction and a value. The accessors are virtual so that
// a descendant can keep values of its own kinds (blobs, wide text).
class TParam : public TCollectionItem {
public:
    explicit TParam(TCollection* params);

    TParams* Params() const;
    const std::string& Name() const { return name_; }
    void SetName(const std::string& name) { name_ = name; }
    TFieldType DataType() const { return GetDataType(); }
    TParamType ParamType() const { return paramType_; }
    void SetParamType(TParamType type) { paramType_ = type; }
    int Precision() const { return precision_; }
    void SetPrecision(int value) { precision_ = value; }
    int NumericScale() const { return numericScale_; }
    void SetNumericScale(int value) { numericScale_ = value; }
    int Size() const { return size_; }
    void SetSize(int value) { size_ = value; }
    // The parameter has a value to send (a value was set, or it was bound explicitly).
    bool Bound() const { return bound_; }
    void SetBound(bool value) { bound_ = value; }
    bool IsNull() const { return GetIsNull(); }

    rtl::Variant Value() const { return GetValue(); }
    // The value as the parameter stores it, without conversion.
    const rtl::Variant& RawValue() const { return data_; }
    // Stores a value as it is, leaving the type alone (bound unless Empty).
    void SetRawValue(const rtl::Variant& value) {
        data_ = value;
        bound_ = !value.IsEmpty();
    }

    virtual TFieldType GetDataType() const { return dataType_; }
    virtual void SetDataType(TFieldType type);
    // Stores a value; an unknown type is taken from the value.
    virtual rtl::Variant GetValue() const { return data_; }
    virtual void SetValue(const rtl::Variant& value);
    virtual bool GetIsNull() const { return data_.IsNull() || data_.IsEmpty(); }
    // Null value, type kept.
    virtual void Clear();
    // Text of the value; empty for Null.
    virtual std::string GetAsString() const;
    std::string AsString() const { return GetAsString(); }
    virtual void SetAsString(const std::string& value);
    virtual int32_t GetAsInteger() const;
    int32_t AsInteger() const { return GetAsInteger(); }
    virtual void SetAsInteger(int32_t value);
    virtual void SetAsSmallInt(int32_t value);
    virtual void SetAsWord(int32_t value);
    virtual double GetAsFloat() const;
    double AsFloat() const { return GetAsFloat(); }
    virtual void SetAsFloat(double value);
    virtual rtl::TDateTime GetAsSQLTimeStamp() const;
    rtl::TDateTime AsSQLTimeStamp() const { return GetAsSQLTimeStamp(); }
    virtual void SetAsSQLTimeStamp(rtl::TDateTime value);
    std::string Text() const { return GetAsString(); }
    // Stores text as the value (type string when it has none).
    virtual void SetText(const std::string& value);

    // From another parameter: name, type, direction, sizes and value; from a field: its type, value
    // and name.
    void Assign(const TPersistent* source) override;
    void AssignField(const TField* field);

protected:
    // To a field: the field takes the value.
    void AssignTo(TPersistent* dest) const override;
    std::string GetDisplayName() const override {
        return name_.empty() ? TCollectionItem::GetDisplayName() : name_;
    }
    // Sets the type and the value as they are (the typed setters use it).
    void SetTypedValue(TFieldType type, rtl::Variant value);

private:
    std::string name_;
    TFieldType dataType_ = ftUnknown;
    TParamType paramType_ = ptUnknown;
    int precision_ = 0;
    int numericScale_ = 0;
    int size_ = 0;
    rtl::Variant data_ = rtl::Variant::Null();
    bool bound_ = false;
};

// The parameters of a statement, found by name without regard to case.
class TParams : public TCollection {
public:
    explicit TParams(TPersistent* owner = nullptr);

    TParam* Items(int index) const { return static_cast<TParam*>(TCollection::Items(index)); }
    TParam* operator[](int index) const { return Items(index); }
    TParam* FindParam(std::string_view name) const;
    // As FindParam; EDatabaseError "Parameter '%s' not found" when there is none.
    TParam* ParamByName(std::string_view name) const;
    TParam* CreateParam(TFieldType dataType, const std::string& name, TParamType paramType);
    // Copies each parameter of `source` into the parameter of the same name here, if any.
    void AssignValues(const TParams& source);

protected:
    // For descendants that keep parameters of their own class.
    TParams(TItemClass itemClass, TPersistent* owner);
};

} // namespace data
