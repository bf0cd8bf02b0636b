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

} // namespace dataaccess
