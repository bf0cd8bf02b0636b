// The field classes: text, numbers, dates, Booleans, blobs and their raw layouts.
#pragma once

#include "platform/data/Field.h"
#include "platform/rtl/Streams.h"

#include <cstdint>
#include <string>

namespace data {

// Raw layouts in a record buffer (DataSize bytes):
//   text            Size bytes and a zero byte (8-bit, UTF-8 or the column's bytes)
//   wide text       Size + 1 UTF-16 units, zero-terminated
//   Smallint/Word   int16_t / uint16_t      Integer/AutoInc  int32_t     Largeint  int64_t
//   Boolean         int16_t (0 false)       Float/Currency   double
//   BCD             int64_t scaled by 10^4  Date/Time/DateTime  rtl::TDateTime (double)
//   Bytes           Size bytes              VarBytes  uint16_t length and Size bytes
//   Variant         an rtl::Variant object (the buffer points to one)
//   Blob/Memo       none: the value is read through the data set's blob stream

// 8-bit text. FixedChar marks a fixed-length (CHAR) column.
class TStringField : public TField {
public:
    explicit TStringField(TComponent* owner);

    bool FixedChar() const { return fixedChar_; }
    void SetFixedChar(bool value);
    // The value, and whether there is one.
    bool GetValue(std::string& value) const;

    void SetAsString(const std::string& value) override;
    void SetAsInteger(int32_t value) override;
    void SetAsLargeInt(int64_t value) override;
    void SetAsFloat(double value) override;
    void SetAsBoolean(bool value) override;
    void SetAsDateTime(rtl::TDateTime value) override;

protected:
    TStringField(TComponent* owner, TFieldType dataType, int size);
    int GetDataSize() const override { return Size() + 1; }
    int GetDefaultWidth() const override { return Size(); }
    void CheckTypeSize(int size) const override;
    void SetFieldType(TFieldType type) override;
    rtl::Variant GetAsVariant() const override;
    void SetVarValue(const rtl::Variant& value) override;
    std::string GetAsString() const override;
    int32_t GetAsInteger() const override;
    int64_t GetAsLargeInt() const override;
    double GetAsFloat() const override;
    bool GetAsBoolean() const override;
    rtl::TDateTime GetAsDateTime() const override;

private:
    bool fixedChar_ = false;
};

// A GUID as text, "{xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx}".
class TGuidField : public TStringField {
public:
    explicit TGuidField(TComponent* owner);

protected:
    void CheckTypeSize(int size) const override;
};

// UTF-16 text; AsString is its UTF-8 form.
class TWideStringField : public TField {
public:
    explicit TWideStringField(TComponent* owner);

    bool GetValue(std::u16string& value) const;
    std::u16string AsWideString() const;
    virtual void SetAsWideString(const std::u16string& value);
    void SetAsString(const std::string& value) override;

protected:
    int GetDataSize() const override { return (Size() + 1) * 2; }
    int GetDefaultWidth() const override { return Size(); }
    void CheckTypeSize(int size) const override;
    rtl::Variant GetAsVariant() const override;
    void SetVarValue(const rtl::Variant& value) override;
    std::string GetAsString() const override;
};

// Numbers: right-aligned.
class TNumericField : public TField {
protected:
    TNumericField(TComponent* owner, TFieldType dataType);
};

// Integers stored in their type's width (16, 32 or 64 bits). MinValue and MaxValue limit the values
// written unless both are 0; the type's own range always applies.
class TIntegerField : public TNumericField {
public:
    explicit TIntegerField(TComponent* owner);

    bool GetValue(int64_t& value) const;
    int64_t MinValue() const { return minValue_; }
    void SetMinValue(int64_t value) { minValue_ = value; }
    int64_t MaxValue() const { return maxValue_; }
    void SetMaxValue(int64_t value) { maxValue_ = value; }

    void SetAsString(const std::string& value) override;
    void SetAsInteger(int32_t value) override { SetAsLargeInt(value); }
    void SetAsLargeInt(int64_t value) override;
    void SetAsFloat(double value) override;

protected:
    TIntegerField(TComponent* owner, TFieldType dataType, int64_t minRange, int64_t maxRange, int dataSize);
    int GetDataSize() const override { return dataSize_; }
    int GetDefaultWidth() const override;
    rtl::Variant GetAsVariant() const override;
    void SetVarValue(const rtl::Variant& value) override;
    std::string GetAsString() const override;
    int32_t GetAsInteger() const override;
    int64_t GetAsLargeInt() const override;
    double GetAsFloat() const override;

private:
    int64_t minRange_, maxRange_;
    int dataSize_;
    int64_t minValue_ = 0, maxValue_ = 0;
};

class TSmallintField : public TIntegerField {
public:
    explicit TSmallintField(TComponent* owner);
};

class TWordField : public TIntegerField {
public:
    explicit TWordField(TComponent* owner);
};

// An integer the server generates.
class TAutoIncField : public TIntegerField {
public:
    explicit TAutoIncField(TComponent* owner);
};

// 64-bit integers.
class TLargeintField : public TIntegerField {
public:
    explicit TLargeintField(TComponent* owner);
};

// Double-precision numbers, shown with Precision significant digits (15 by default).
class TFloatField : public TNumericField {
public:
    explicit TFloatField(TComponent* owner);

    bool GetValue(double& value) const;
    int Precision() const { return precision_; }
    void SetPrecision(int value);
    double MinValue() const { return minValue_; }
    void SetMinValue(double value) { minValue_ = value; }
    double MaxValue() const { return maxValue_; }
    void SetMaxValue(double value) { maxValue_ = value; }

    void SetAsString(const std::string& value) override;
    void SetAsInteger(int32_t value) override { SetAsFloat(value); }
    void SetAsLargeInt(int64_t value) override { SetAsFloat(static_cast<double>(value)); }
    void SetAsFloat(double value) override;

protected:
    TFloatField(TComponent* owner, TFieldType dataType);
    int GetDataSize() const override { return sizeof(double); }
    rtl::Variant GetAsVariant() const override;
    void SetVarValue(const rtl::Variant& value) override;
    std::string GetAsString() const override;
    int32_t GetAsInteger() const override;
    int64_t GetAsLargeInt() const override;
    double GetAsFloat() const override;

private:
    int precision_ = 15;
    double minValue_ = 0, maxValue_ = 0;
};

class TCurrencyField : public TFloatField {
public:
    explicit TCurrencyField(TComponent* owner);
};

// Decimals kept as a 64-bit integer scaled by 10^4; Size is the number of digits after the point and
// Precision the number of digits in all.
class TBCDField : public TNumericField {
public:
    static constexpr int64_t kScale = 10000;

    explicit TBCDField(TComponent* owner);

    // The scaled value, and whether there is one.
    bool GetValue(int64_t& scaled) const;
    int Precision() const { return precision_; }
    void SetPrecision(int value) { precision_ = value; }

    void SetAsString(const std::string& value) override;
    void SetAsInteger(int32_t value) override { SetAsLargeInt(value); }
    void SetAsLargeInt(int64_t value) override;
    void SetAsFloat(double value) override;

protected:
    int GetDataSize() const override { return sizeof(int64_t); }
    void CheckTypeSize(int size) const override;
    rtl::Variant GetAsVariant() const override;
    void SetVarValue(const rtl::Variant& value) override;
    std::string GetAsString() const override;
    int32_t GetAsInteger() const override;
    int64_t GetAsLargeInt() const override;
    double GetAsFloat() const override;

private:
    void SetScaled(int64_t scaled);
    int precision_ = 0;
};

// True or false, shown as DisplayValues ("True;False" by default).
class TBooleanField : public TField {
public:
    explicit TBooleanField(TComponent* owner);

    bool GetValue(bool& value) const;
    const std::string& DisplayValues() const { return displayValues_; }
    void SetDisplayValues(const std::string& value);

    // Either text of DisplayValues, ignoring case; empty text clears the field.
    void SetAsString(const std::string& value) override;
    void SetAsBoolean(bool value) override;
    void SetAsInteger(int32_t value) override { SetAsBoolean(value != 0); }

protected:
    int GetDataSize() const override { return sizeof(int16_t); }
    int GetDefaultWidth() const override;
    rtl::Variant GetAsVariant() const override;
    void SetVarValue(const rtl::Variant& value) override;
    std::string GetAsString() const override;
    bool GetAsBoolean() const override;
    int32_t GetAsInteger() const override;

private:
    std::string displayValues_ = "True;False";
    std::string trueText_ = "True", falseText_ = "False";
};

// A point in time; the descendants show only the date or only the time.
class TDateTimeField : public TField {
public:
    explicit TDateTimeField(TComponent* owner);

    bool GetValue(rtl::TDateTime& value) const;
    void SetAsString(const std::string& value) override;
    void SetAsDateTime(rtl::TDateTime value) override;
    void SetAsFloat(double value) override { SetAsDateTime(value); }

protected:
    TDateTimeField(TComponent* owner, TFieldType dataType);
    int GetDataSize() const override { return sizeof(rtl::TDateTime); }
    int GetDefaultWidth() const override;
    rtl::Variant GetAsVariant() const override;
    void SetVarValue(const rtl::Variant& value) override;
    std::string GetAsString() const override;
    rtl::TDateTime GetAsDateTime() const override;
    double GetAsFloat() const override;
};

class TDateField : public TDateTimeField {
public:
    explicit TDateField(TComponent* owner);
};

class TTimeField : public TDateTimeField {
public:
    explicit TTimeField(TComponent* owner);
};

// Fixed-length bytes; the value is an 8-bit string of Size bytes.
class TBytesField : public TField {
public:
    explicit TBytesField(TComponent* owner);

    virtual bool GetValue(std::string& bytes) const;
    void SetAsString(const std::string& value) override;

protected:
    TBytesField(TComponent* owner, TFieldType dataType, int size);
    int GetDataSize() const override { return Size(); }
    void CheckTypeSize(int size) const override;
    rtl::Variant GetAsVariant() const override;
    void SetVarValue(const rtl::Variant& value) override;
    std::string GetAsString() const override;
};

// Up to Size bytes with their length.
class TVarBytesField : public TBytesField {
public:
    explicit TVarBytesField(TComponent* owner);

    bool GetValue(std::string& bytes) const override;
    void SetAsString(const std::string& value) override;

protected:
    int GetDataSize() const override { return Size() + static_cast<int>(sizeof(uint16_t)); }
};

// Binary large objects, read and written whole through the data set's blob stream.
class TBlobField : public TField {
public:
    explicit TBlobField(TComponent* owner);

    bool IsBlob() const override { return true; }
    // The value was written since the record was read.
    bool Modified() const { return modified_; }
    void SetModified(bool value) { modified_ = value; }
    void SetAsString(const std::string& value) override;
    void LoadFromStream(rtl::TStream& stream);
    void SaveToStream(rtl::TStream& stream) const;
    int64_t BlobSize() const;

protected:
    TBlobField(TComponent* owner, TFieldType dataType);
    void CheckTypeSize(int size) const override;
    void SetFieldType(TFieldType type) override;
    rtl::Variant GetAsVariant() const override;
    void SetVarValue(const rtl::Variant& value) override;
    std::string GetAsString() const override;
    // "(BLOB)" for a value, "(Blob)" for none; the memo says MEMO.
    void GetText(std::string& text, bool displayText) const override;

private:
    bool modified_ = false;
};

// 8-bit text in a blob.
class TMemoField : public TBlobField {
public:
    explicit TMemoField(TComponent* owner);
};

// Any variant value.
class TVariantField : public TField {
public:
    explicit TVariantField(TComponent* owner);

protected:
    int GetDataSize() const override { return sizeof(rtl::Variant); }
    rtl::Variant GetAsVariant() const override;
    void SetVarValue(const rtl::Variant& value) override;
    std::string GetAsString() const override;
    int32_t GetAsInteger() const override;
    int64_t GetAsLargeInt() const override;
    double GetAsFloat() const override;
    bool GetAsBoolean() const override;
    rtl::TDateTime GetAsDateTime() const override;

public:
    void SetAsString(const std::string& value) override { SetVarValue(value); }
    void SetAsInteger(int32_t value) override { SetVarValue(value); }
    void SetAsLargeInt(int64_t value) override { SetVarValue(value); }
    void SetAsFloat(double value) override { SetVarValue(value); }
    void SetAsBoolean(bool value) override { SetVarValue(value); }
    void SetAsDateTime(rtl::TDateTime value) override { SetVarValue(rtl::Variant::FromDateTime(value)); }
};

} // namespace data
