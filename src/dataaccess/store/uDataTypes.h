// Internal data type codes of the record store's fields.
#pragma once

namespace dataaccess {

// Internal data type codes of the record store's fields (16-bit in a field descriptor).
enum TInternalDataType : int {
    dtUnknown = 0,
    dtString = 1, // fixed 8-bit string
    dtInt8 = 2,
    dtInt16 = 3,
    dtInt32 = 4,
    dtFloat = 5,
    dtDate = 6,
    dtTime = 7,
    dtDateTime = 8,
    dtUInt16 = 9,
    dtBoolean = 10,
    dtInt64 = 11,
    dtCurrency = 12, // the second floating-point kind
    dtBlob = 13,
    dtMemo = 14,
    dtVariant = 19,
    dtExtString = 20, // 8-bit string on the string heap
    dtBytes = 21,
    dtVarBytes = 22,
    dtExtVarBytes = 23,
    dtUInt32 = 24,
    dtWideString = 25,
    dtExtWideString = 26,
    dtBCD = 27,
    dtFMTBCD = 28,
    dtGuid = 29,
    dtWideMemo = 30,
    dtSQLTimeStamp = 31,
};

// The kinds of value the codes stand for; every code is of one kind.
enum class TDataTypeGroup { Other, Integer, Float, DateTime, Text, Bytes, Blob };

// The one table of the groups the stores, the client code and the parsers treat alike.
constexpr TDataTypeGroup DataTypeGroup(int type) {
    switch (type) {
    case dtInt8:
    case dtInt16:
    case dtInt32:
    case dtUInt16:
    case dtUInt32:
    case dtInt64:
        return TDataTypeGroup::Integer;
    case dtFloat:
    case dtCurrency:
        return TDataTypeGroup::Float;
    case dtDate:
    case dtTime:
    case dtDateTime:
        return TDataTypeGroup::DateTime;
    case dtString:
    case dtExtString:
    case dtWideString:
    case dtExtWideString:
        return TDataTypeGroup::Text;
    case dtBytes:
    case dtVarBytes:
    case dtExtVarBytes:
        return TDataTypeGroup::Bytes;
    case dtBlob:
    case dtMemo:
    case dtWideMemo:
        return TDataTypeGroup::Blob;
    default:
        return TDataTypeGroup::Other;
    }
}

// A date, a time of day or both, kept as a day count.
constexpr bool IsDateTimeType(int type) {
    return DataTypeGroup(type) == TDataTypeGroup::DateTime;
}
// 8-bit or UTF-16 text of a field or a heap string (not a memo).
constexpr bool IsTextType(int type) {
    return DataTypeGroup(type) == TDataTypeGroup::Text;
}
constexpr bool IsBytesType(int type) {
    return DataTypeGroup(type) == TDataTypeGroup::Bytes;
}
// A value of its own blob: binary, 8-bit or UTF-16 memo.
constexpr bool IsBlobType(int type) {
    return DataTypeGroup(type) == TDataTypeGroup::Blob;
}
// Kept on the string heap instead of in the record.
constexpr bool IsHeapType(int type) {
    return type == dtExtString || type == dtExtVarBytes || type == dtExtWideString;
}

} // namespace dataaccess
