// Messages and numbered property codes of the abstract server layer.
#pragma once

#include "platform/rtl/Exception.h"

#include <string>

namespace dataaccess {

// Messages of the abstract server layer.
inline constexpr const char* SOperationNotSupported = "Operation is not supported by the database";

// Codes of the numbered properties that the data-access components set and read on connections,
// commands, record sets and transactions through SetProp and GetProp. Each class handles its own
// codes and hands the rest to its base; a code nobody handles is an assertion (UnknownPropError).
inline constexpr int prUsername = 1;
inline constexpr int prAutoCommit = 5;
inline constexpr int prScanParams = 11;
inline constexpr int prRowsAffected = 13;
inline constexpr int prUniDirectional = 20;
inline constexpr int prFetchRows = 21;
inline constexpr int prFetchAll = 22;
inline constexpr int prRecordCount = 23;
inline constexpr int prExecuting = 24;
inline constexpr int prLongStrings = 25;
inline constexpr int prEnableEmptyStrings = 26;
inline constexpr int prFlatBuffers = 27;
inline constexpr int prConvertEOL = 28;
inline constexpr int prIndexFieldNames = 29;
inline constexpr int prCompressBlobMode = 30;
inline constexpr int prDisconnectedMode = 31;
inline constexpr int prDisableParamScan = 32;
inline constexpr int prQuoteNames = 34;
inline constexpr int prIsolationLevel = 35;
inline constexpr int prTransactionReadOnly = 37;
inline constexpr int prDatabase = 38;
inline constexpr int prPort = 39;
inline constexpr int prMaxStringSize = 40;
inline constexpr int prEnableBCD = 41;
inline constexpr int prEnableFMTBCD = 42;
inline constexpr int prCanReadParams = 43;
inline constexpr int prReadOnly = 44;
inline constexpr int prIsStoredProc = 45;
inline constexpr int prIsSelectParams = 46;
inline constexpr int prLockFetchAll = 47;
inline constexpr int prDefaultSortType = 48;
inline constexpr int prLastInsertId = 49;

// A property code that no class in the chain handles: fails an assertion whose text is the code.
[[noreturn]] inline void UnknownPropError(int code) {
    rtl::AssertionFailed(std::to_string(code).c_str(), __FILE__, __LINE__);
}

} // namespace dataaccess
