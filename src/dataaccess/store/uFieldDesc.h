// The description of a record store field: its type, size and place in the record.
#pragma once

#include "dataaccess/store/uDataTypes.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace dataaccess {

class TSharedObject;

// Internal data types (uDataTypes.h) and how a record keeps them:
//   dtString, dtGuid        zero-terminated 8-bit text inline (size = length + 1)
//   dtWideString            zero-terminated UTF-16 inline at an even offset (size = (length + 1) * 2)
//   dtInt8                  1 or 2 bytes, as the field's size says
//   dtFloat, dtCurrency     double (dtFloat is rounded to the field's decimals when written)
//   dtDate, dtTime, dtDateTime  date-time double
//   dtBoolean               16 bits, nonzero is true
//   dtBytes                 the bytes inline; dtVarBytes a 16-bit length and the bytes inline
//   dtBCD                   currency: 64-bit integer scaled by 10,000; dtFMTBCD a TBcd
//   dtSQLTimeStamp          a TSQLTimeStamp
//   complex types hold a reference: dtBlob, dtMemo, dtWideMemo a TBlob; dtVariant a
//   TVariantObject; dtExtString, dtExtWideString a zero-terminated heap string; dtExtVarBytes a heap
//   buffer with a 16-bit length and the bytes.

// Slots of complex fields hold a reference.
inline constexpr uint32_t kReferenceSize = sizeof(void*);
// The length in front of the bytes of dtVarBytes and dtExtVarBytes values.
inline constexpr uint32_t kVarBytesLengthSize = sizeof(uint16_t);

// Field roles: a calculated field lives in the calculated area after the record.
inline constexpr uint8_t frData = 0;
inline constexpr uint8_t frCalculated = 2;

// One column of a record store.
class TFieldDesc {
public:
    TFieldDesc() = default;
    virtual ~TFieldDesc();
    TFieldDesc(const TFieldDesc&) = delete;
    TFieldDesc& operator=(const TFieldDesc&) = delete;

    static std::unique_ptr<TFieldDesc> Create() { return std::make_unique<TFieldDesc>(); }

    bool IsCalculated() const { return FieldRole == frCalculated; }
    // Takes one reference of the type descriptor; the field releases it.
    void SetTypeDescriptor(TSharedObject* descriptor);
    TSharedObject* TypeDescriptor() const { return typeDescriptor_; }

    std::string FieldName;  // shown to data sets; made unique by the store
    std::string ServerName; // name on the server, or the full path of a child field
    uint16_t TypeCode = 0;  // internal data type
    uint16_t SubTypeCode = 0;
    uint32_t ValueLength = 0; // characters or bytes of the value
    uint16_t DecimalPlaces = 0;
    uint16_t FieldNumber = 0; // 1-based
    int16_t ServerNumber = 0;
    uint32_t ByteSize = 0;    // bytes in the record
    int32_t RecordOffset = 0; // in the data area, or in the calculated area for calculated fields
    bool FixedChar = false;
    bool ReadOnly = false;
    bool Required = false; // a value must be given: NOT NULL without a default the server fills in
    bool Hidden = false;
    bool KeyColumn = false;
    TFieldDesc* OwnerField = nullptr; // parent of a child field of an object field
    bool HasDuplicateName = false;
    uint8_t FieldRole = frData;

private:
    TSharedObject* typeDescriptor_ = nullptr;
};

using TFieldDescClass = std::unique_ptr<TFieldDesc> (*)();

// The owning list of a store's field descriptors.
class TFieldDescs {
public:
    int Count() const { return static_cast<int>(items_.size()); }
    // Raises "List index out of bounds (%d)".
    TFieldDesc& Items(int index) const;
    TFieldDesc& Add(std::unique_ptr<TFieldDesc> field);
    void Clear() { items_.clear(); }

    // Top-level fields by name first (case-insensitive); then, for a name with "." or "[", any field
    // by its server name, otherwise child fields by name. nullptr when none matches.
    TFieldDesc* FindField(std::string_view name) const;
    // Raises "Field %s not found".
    TFieldDesc& FieldNamed(std::string_view name) const;

    auto begin() const { return items_.begin(); }
    auto end() const { return items_.end(); }

private:
    std::vector<std::unique_ptr<TFieldDesc>> items_;
};

} // namespace dataaccess
