// Typed SQL values: read-only and writable values with their type descriptions.
#pragma once

#include <memory>
#include <string>

#include "core/uDataTypes.h"
#include "platform/rtl/Variant.h"

namespace core {

class TDataConverter;

// A typed SQL value: a payload with the description of its type. Every variant result is Null when
// the value is NULL.
class IRODataValue {
public:
    virtual ~IRODataValue() = default;

    // Lives as long as the value: every value is read for its type, and a copy would cost more.
    virtual const TDatatypeCharacteristics& GetCharacteristics() const = 0;
    // Decimal numbers, "1"/"0" for Booleans, "YYYY-MM-DD"-style dates, member names, UTF-8 text for
    // strings in a text code page, the bytes of binary strings.
    virtual rtl::Variant AsString() const = 0;
    virtual rtl::Variant AsWideString() const = 0;
    virtual rtl::Variant AsFloat() const = 0;
    virtual rtl::Variant AsVariant() const = 0;
    virtual rtl::Variant AsInteger() const = 0;
    virtual rtl::Variant AsBoolean() const = 0;
    // A literal the server reads back as this value, whatever its sql_mode; "NULL" for NULL.
    virtual std::string AsSQL() const = 0;
    virtual std::shared_ptr<IRODataValue> Clone() const = 0;
    virtual std::shared_ptr<IRODataValue> ConvertTo(const TDatatypeCharacteristics& target) const = 0;
    // Negative, 0 or positive. NULL sorts before every other value and equals only NULL; SQL's
    // three-valued logic is the caller's business.
    virtual int Compare(const std::shared_ptr<IRODataValue>& other) const = 0;
    virtual bool IsNull() const = 0;
    // Both NULL, or both non-NULL and Compare gives 0.
    virtual bool Equals(const std::shared_ptr<IRODataValue>& other) const = 0;
};

// A value whose payload can change; its description never does. Every setter converts the incoming
// payload to the own description and normalises it before storing; on failure the payload stays.
class IRWDataValue : public virtual IRODataValue {
public:
    virtual void SetAsString(const rtl::Variant& utf8Text) = 0;
    virtual void SetAsInteger(const rtl::Variant& value) = 0;
    virtual void SetAsBoolean(const rtl::Variant& value) = 0;
    // The payload is already of this value's kind: normalised, not converted.
    virtual void SetAsVariant(const rtl::Variant& value) = 0;
    virtual std::shared_ptr<IRWDataValue> CloneRW() const = 0;
    virtual void Assign(const std::shared_ptr<IRODataValue>& source) = 0;
};

class TRODataValue : public virtual IRODataValue {
public:
    // The converter is borrowed and must outlive the value. The binary-literal flag marks a value
    // made from a hexadecimal or bit literal: its bytes read as a big-endian number.
    TRODataValue(const rtl::Variant& value, const TDatatypeCharacteristics& characteristics,
                 TDataConverter* converter, bool binaryLiteral = false);

    const TDatatypeCharacteristics& GetCharacteristics() const override { return characteristics_; }
    bool IsBinaryLiteral() const { return binaryLiteral_; }
    rtl::Variant AsString() const override;
    rtl::Variant AsWideString() const override;
    rtl::Variant AsFloat() const override;
    rtl::Variant AsVariant() const override { return value_; }
    rtl::Variant AsInteger() const override;
    rtl::Variant AsBoolean() const override;
    std::string AsSQL() const override;
    std::shared_ptr<IRODataValue> Clone() const override;
    std::shared_ptr<IRODataValue> ConvertTo(const TDatatypeCharacteristics& target) const override;
    int Compare(const std::shared_ptr<IRODataValue>& other) const override;
    bool IsNull() const override { return value_.IsNull(); }
    bool Equals(const std::shared_ptr<IRODataValue>& other) const override;

protected:
    // Converts from the source description to the own one, normalises, then stores.
    void Store(const rtl::Variant& value, const TDatatypeCharacteristics& source);

    rtl::Variant value_;
    TDatatypeCharacteristics characteristics_;
    TDataConverter* converter_;
    bool binaryLiteral_;
};

class TRWDataValue : public TRODataValue, public IRWDataValue {
public:
    using TRODataValue::TRODataValue;

    void SetAsString(const rtl::Variant& utf8Text) override;
    void SetAsInteger(const rtl::Variant& value) override;
    void SetAsBoolean(const rtl::Variant& value) override;
    void SetAsVariant(const rtl::Variant& value) override;
    std::shared_ptr<IRWDataValue> CloneRW() const override;
    void Assign(const std::shared_ptr<IRODataValue>& source) override;
};

} // namespace core
