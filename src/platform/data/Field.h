// The fields of a data set: one column's value, read and written in the record buffer.
#pragma once

#include "platform/data/Component.h"
#include "platform/data/DBTypes.h"
#include "platform/rtl/DateTime.h"
#include "platform/rtl/Variant.h"

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace data {

class TDataSet;

// One column of a data set. The value lives in the data set's record buffer; the field reads and
// writes it through TDataSet::GetFieldData / SetFieldData in the layout its class defines (DataSize
// bytes). Each typed descendant converts between that layout and the As... accessors; an accessor a
// class does not support raises EDatabaseError "Cannot access field '%s' as type %s".
class TField : public TComponent {
public:
    using TFieldNotifyEvent = std::function<void(TField* sender)>;
    using TFieldGetTextEvent = std::function<void(TField* sender, std::string& text, bool displayText)>;
    using TFieldSetTextEvent = std::function<void(TField* sender, const std::string& text)>;

    TField(TComponent* owner, TFieldType dataType);
    ~TField() override;

    TDataSet* DataSet() const { return dataSet_; }
    // Moves the field to another data set's field list; both data sets must be closed.
    void SetDataSet(TDataSet* dataSet);
    const std::string& FieldName() const { return fieldName_; }
    void SetFieldName(const std::string& name);
    const std::string& FullName() const { return fieldName_; }
    const std::string& DisplayLabel() const { return displayLabel_.empty() ? fieldName_ : displayLabel_; }
    void SetDisplayLabel(const std::string& label) { displayLabel_ = label; }
    const std::string& DisplayName() const { return DisplayLabel(); }
    // 1-based number of the column in the data set's field definitions; 0 for calculated fields.
    int FieldNo() const { return fieldNo_; }
    void SetFieldNo(int fieldNo) { fieldNo_ = fieldNo; }
    // Position in the data set's field list, -1 without a data set.
    int Index() const;
    void SetIndex(int index);
    TFieldKind FieldKind() const { return fieldKind_; }
    void SetFieldKind(TFieldKind kind);
    bool Calculated() const { return fieldKind_ == fkCalculated; }
    TFieldType DataType() const { return dataType_; }
    // Characters for text fields, bytes for byte fields, digits after the point for BCD fields.
    int Size() const { return size_; }
    void SetSize(int size);
    // Bytes the value takes in a record buffer.
    int DataSize() const { return GetDataSize(); }
    virtual bool IsBlob() const { return false; }
    // Start of a calculated field's value in the data set's calculated-field area (BindFields).
    int Offset() const { return offset_; }
    void SetOffset(int offset) { offset_ = offset; }

    bool ReadOnly() const { return readOnly_; }
    void SetReadOnly(bool readOnly) { readOnly_ = readOnly; }
    bool Required() const { return required_; }
    void SetRequired(bool required) { required_ = required; }
    bool Visible() const { return visible_; }
    void SetVisible(bool visible) { visible_ = visible; }
    // The field can take a value now: not read-only, a data field, and its data set can be modified.
    bool CanModify() const;
    // Characters a control shows; the class's default width until set.
    int DisplayWidth() const { return displayWidth_ > 0 ? displayWidth_ : GetDefaultWidth(); }
    void SetDisplayWidth(int width) { displayWidth_ = width; }
    TAlignment Alignment() const { return alignment_; }
    void SetAlignment(TAlignment alignment) { alignment_ = alignment; }
    const std::string& EditMask() const { return editMask_; }
    void SetEditMask(const std::string& mask) { editMask_ = mask; }
    const std::string& Origin() const { return origin_; }
    void SetOrigin(const std::string& origin) { origin_ = origin; }
    const std::string& DefaultExpression() const { return defaultExpression_; }
    void SetDefaultExpression(const std::string& expression) { defaultExpression_ = expression; }
    TAutoRefreshFlag AutoGenerateValue() const { return autoGenerateValue_; }
    void SetAutoGenerateValue(TAutoRefreshFlag value) { autoGenerateValue_ = value; }

    // The MySQL column type code and unsigned flag of the server column behind this field; -1 and
    // false for a field that has none.
    int MySQLType() const { return mySQLType_; }
    bool MySQLUnsigned() const { return mySQLUnsigned_; }
    void SetMySQLType(int typeCode, bool isUnsigned) {
        mySQLType_ = typeCode;
        mySQLUnsigned_ = isUnsigned;
    }

    bool IsNull() const { return GetIsNull(); }
    void Clear() { SetData(nullptr); }
    rtl::Variant Value() const { return GetAsVariant(); }
    // Null or Empty clears the field.
    void SetValue(const rtl::Variant& value);
    std::string AsString() const { return GetAsString(); }
    virtual void SetAsString(const std::string& value);
    int32_t AsInteger() const { return GetAsInteger(); }
    virtual void SetAsInteger(int32_t value);
    int64_t AsLargeInt() const { return GetAsLargeInt(); }
    virtual void SetAsLargeInt(int64_t value);
    double AsFloat() const { return GetAsFloat(); }
    virtual void SetAsFloat(double value);
    double AsCurrency() const { return GetAsCurrency(); }
    virtual void SetAsCurrency(double value) { SetAsFloat(value); }
    bool AsBoolean() const { return GetAsBoolean(); }
    virtual void SetAsBoolean(bool value);
    rtl::TDateTime AsDateTime() const { return GetAsDateTime(); }
    virtual void SetAsDateTime(rtl::TDateTime value);
    // The value of the record before the current edit, and the new one (data set state values).
    rtl::Variant OldValue() const;
    rtl::Variant NewValue() const;
    void SetNewValue(const rtl::Variant& value);

    // Edit text (Text) and display text: OnGetText when set, else GetText.
    std::string Text() const { return GetEditText(); }
    std::string DisplayText() const { return GetDisplayText(); }
    std::string GetEditText() const;
    std::string GetDisplayText() const;
    // Stores edited text: OnSetText when set, else SetText.
    void SetEditText(const std::string& text);

    // Reads the raw value into `buffer` (DataSize bytes; null only asks whether there is a value).
    bool GetData(void* buffer) const;
    // Writes a raw value; null makes the field null.
    void SetData(const void* buffer);
    // Runs OnValidate while `buffer` holds the value about to be written; GetData then reads it.
    void Validate(const void* buffer);
    // OnChange.
    void Change();

    // Copies another field's value (Null clears).
    void Assign(const TPersistent* source) override;

    TFieldNotifyEvent OnChange;
    TFieldNotifyEvent OnValidate;
    TFieldGetTextEvent OnGetText;
    TFieldSetTextEvent OnSetText;

protected:
    virtual int GetDataSize() const { return 0; }
    virtual int GetDefaultWidth() const { return 10; }
    virtual bool GetIsNull() const { return !GetData(nullptr); }
    // Raises for a size the class cannot take; the base takes only 0.
    virtual void CheckTypeSize(int size) const;
    // A field definition's type, for classes that serve several types (fixed-length text, blobs).
    virtual void SetFieldType(TFieldType type) {}
    void SetDataTypeValue(TFieldType type) { dataType_ = type; }

    virtual rtl::Variant GetAsVariant() const;
    // Not called for Null or Empty: SetValue clears the field instead.
    virtual void SetVarValue(const rtl::Variant& value);
    virtual std::string GetAsString() const;
    virtual int32_t GetAsInteger() const;
    virtual int64_t GetAsLargeInt() const;
    virtual double GetAsFloat() const;
    virtual double GetAsCurrency() const { return GetAsFloat(); }
    virtual bool GetAsBoolean() const;
    virtual rtl::TDateTime GetAsDateTime() const;
    // The text of the value for display or editing; the base gives AsString.
    virtual void GetText(std::string& text, bool displayText) const;
    // Stores edited text; the base sets AsString.
    virtual void SetText(const std::string& text);

    [[noreturn]] void AccessError(const char* typeName) const;
    // Raises EDatabaseError "%s is not a valid value for field '%s'. The allowed range is %s to %s".
    [[noreturn]] void RangeError(const std::string& value, const std::string& min,
                                 const std::string& max) const;

private:
    friend class TDataSet;
    friend class TFields;
    friend class TFieldDef;

    TDataSet* dataSet_ = nullptr;
    std::string fieldName_;
    std::string displayLabel_;
    int fieldNo_ = 0;
    TFieldKind fieldKind_ = fkData;
    TFieldType dataType_;
    int size_ = 0;
    int offset_ = 0;
    bool readOnly_ = false;
    bool required_ = false;
    bool visible_ = true;
    int displayWidth_ = 0;
    TAlignment alignment_ = taLeftJustify;
    std::string editMask_;
    std::string origin_;
    std::string defaultExpression_;
    TAutoRefreshFlag autoGenerateValue_ = arNone;
    int mySQLType_ = -1;
    bool mySQLUnsigned_ = false;
    const void* validateBuffer_ = nullptr;
    bool validating_ = false;
};

// The fields of a data set in their order. The list frees the fields it still holds when it is
// cleared or destroyed; a field that is deleted elsewhere leaves the list.
class TFields {
public:
    explicit TFields(TDataSet* dataSet) : dataSet_(dataSet) {}
    ~TFields();
    TFields(const TFields&) = delete;
    TFields& operator=(const TFields&) = delete;

    TDataSet* DataSet() const { return dataSet_; }
    int Count() const { return static_cast<int>(fields_.size()); }
    TField* Fields(int index) const;
    TField* operator[](int index) const { return Fields(index); }
    auto begin() const { return fields_.begin(); }
    auto end() const { return fields_.end(); }

    int IndexOf(const TField* field) const;
    // First field of that name, ignoring case; null when there is none.
    TField* FindField(std::string_view fieldName) const;
    // As FindField; raises EDatabaseError "Field '%s' not found" (with the data set's name).
    TField* FieldByName(std::string_view fieldName) const;
    // The field with that FieldNo; null when there is none.
    TField* FieldByNumber(int fieldNo) const;
    // Frees every field.
    void Clear();

private:
    friend class TField;
    void Add(TField* field);
    void Remove(TField* field);
    void Move(TField* field, int index);
    void Changed();

    TDataSet* dataSet_;
    std::vector<TField*> fields_;
};

} // namespace data
