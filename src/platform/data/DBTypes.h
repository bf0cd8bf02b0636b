// Field types, data set states and data events.
#pragma once

#include "platform/rtl/Set.h"

#include <array>
#include <cstdint>
#include <string>

namespace data {

// Field types. The numbers are fixed: parameters and descriptors compare them by value, and the data
// layer adds types above the last one (ftFixedWideChar).
enum TFieldType : int {
    ftUnknown = 0,
    ftString = 1,
    ftSmallint = 2,
    ftInteger = 3,
    ftWord = 4,
    ftBoolean = 5,
    ftFloat = 6,
    ftCurrency = 7,
    ftBCD = 8,
    ftDate = 9,
    ftTime = 10,
    ftDateTime = 11,
    ftBytes = 12,
    ftVarBytes = 13,
    ftAutoInc = 14,
    ftBlob = 15,
    ftMemo = 16,
    ftGraphic = 17,
    ftFmtMemo = 18,
    ftParadoxOle = 19,
    ftDBaseOle = 20,
    ftTypedBinary = 21,
    ftCursor = 22,
    ftFixedChar = 23,
    ftWideString = 24,
    ftLargeint = 25,
    ftADT = 26,
    ftArray = 27,
    ftReference = 28,
    ftDataSet = 29,
    ftOraBlob = 30,
    ftOraClob = 31,
    ftVariant = 32,
    ftInterface = 33,
    ftIDispatch = 34,
    ftGuid = 35,
    ftTimeStamp = 36,
    ftFMTBcd = 37,
    ftFixedWideChar = 52, // the data layer's fixed-length wide string
};

inline constexpr int kLastFieldType = ftFMTBcd;

// The names of the field types 0 .. kLastFieldType.
inline constexpr std::array<const char*, kLastFieldType + 1> FieldTypeNames = {
    "Unknown",     "String",       "SmallInt",   "Integer",    "Word",     "Boolean",    "Float",
    "Currency",    "BCD",          "Date",       "Time",       "DateTime", "Bytes",      "VarBytes",
    "AutoInc",     "Blob",         "Memo",       "Graphic",    "FmtMemo",  "ParadoxOle", "dBaseOle",
    "TypedBinary", "Cursor",       "FixedChar",  "WideString", "LargeInt", "ADT",        "Array",
    "Reference",   "DataSet",      "HugeBlob",   "HugeClob",   "Variant",  "Interface",  "Dispatch",
    "Guid",        "SQLTimeStamp", "FMTBcdField"};

// The name of a field type; "FixedWideChar" for the data layer's type.
inline const char* FieldTypeName(TFieldType type) {
    if (type == ftFixedWideChar) return "FixedWideChar";
    return type >= 0 && type <= kLastFieldType ? FieldTypeNames[type] : "Unknown";
}

enum TFieldKind { fkData, fkCalculated, fkLookup, fkInternalCalc };

enum TFieldAttribute { faHiddenCol, faReadonly, faRequired, faLink, faUnNamed, faFixed };
using TFieldAttributes = rtl::Set<TFieldAttribute, 6>;

enum TAutoRefreshFlag { arNone, arAutoInc, arDefault };

enum TAlignment { taLeftJustify, taRightJustify, taCenter };

enum TDataSetState {
    dsInactive,
    dsBrowse,
    dsEdit,
    dsInsert,
    dsSetKey,
    dsCalcFields,
    dsFilter,
    dsNewValue,
    dsOldValue,
    dsBlockRead,
    dsInternalCalc,
    dsOpening,
};

enum TDataEvent {
    deFieldChange,
    deRecordChange,
    deDataSetChange,
    deDataSetScroll,
    deLayoutChange,
    deUpdateRecord,
    deUpdateState,
    deCheckBrowseMode,
    dePropertyChange,
    deFieldListChange,
    deParentScroll,
};

enum TGetMode { gmCurrent, gmNext, gmPrior };
enum TGetResult { grOK, grBOF, grEOF, grError };
enum TBookmarkFlag : uint8_t { bfCurrent, bfBOF, bfEOF, bfInserted };
enum TResyncModeItem { rmExact, rmCenter };
using TResyncMode = rtl::Set<TResyncModeItem, 2>;

enum TUpdateStatus : uint8_t { usUnmodified, usModified, usInserted, usDeleted };
enum TUpdateKind { ukModify, ukInsert, ukDelete };
enum TUpdateAction { uaFail, uaAbort, uaSkip, uaRetry, uaApplied };
enum TDataAction { daFail, daAbort, daRetry };

enum TBlobStreamMode { bmRead, bmWrite, bmReadWrite };

enum TLocateOption { loCaseInsensitive, loPartialKey };
using TLocateOptions = rtl::Set<TLocateOption, 2>;
enum TFilterOption { foCaseInsensitive, foNoPartialCompare };
using TFilterOptions = rtl::Set<TFilterOption, 2>;

enum TParamType { ptUnknown, ptInput, ptOutput, ptInputOutput, ptResult };

// A record buffer: raw memory laid out by the data set that allocated it.
using TRecordBuffer = uint8_t*;

} // namespace data
