// Messages of the general data-access layer.
#pragma once

namespace dataaccess {

// Messages of the general data-access layer.
inline constexpr const char* SFieldNotFound = "Field %s not found";
inline constexpr const char* SCannotConvertType = "Cannot convert type %d";
inline constexpr const char* SFieldNotBlob = "Field is not BLOB";
inline constexpr const char* SInvalidVType = "Invalid VType";
inline constexpr const char* SInvalidDataSize = "Invalid data size";
inline constexpr const char* SIllegalFilter = "Illegal filter expression";
inline constexpr const char* SBadIndexFieldNames = "Invalid IndexFieldNames format!";
inline constexpr const char* SInvalidBcd = "'%s' is not a valid BCD value";

} // namespace dataaccess
