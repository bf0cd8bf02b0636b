// MySQL character sets with their code pages, and the characteristics of MySQL type names.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/uDataTypes.h"

namespace core {

// MySQL character-set names and their Windows code pages, indexed alike; -1 means the text is bytes.
// The utf8mb4 and utf8mb3 entries come last so that the older indexes keep their meaning.
inline constexpr std::size_t kCharsetCount = 38;
extern const std::array<std::string_view, kCharsetCount> CharsetNames;
extern const std::array<std::int32_t, kCharsetCount> CharsetCodePages;

inline constexpr int kCharsetBinary = 32;
inline constexpr int kCharsetUtf8mb4 = 36;

// A length argument that was not written: -1 takes the type's maximum, -2 (the target of a CAST or
// CONVERT) has no limit.
inline constexpr std::int64_t kTypeMaximumLength = -1;
inline constexpr std::int64_t kCastNoLength = -2;

// Index of the character set, ignoring ASCII case; raises "Unknown character set %s".
int CharsetIndexByName(std::string_view name);
// Index of the first character set with the code page (32, "binary", for -1); raises "Unknown codepage %d".
int CharsetIndexByCodePage(std::int32_t codePage);

// The description of a MySQL column type code with its length, scale, sign and code page. A given
// type name is kept; an empty one is replaced by MySQLTypeText. Raises "Unknown data type %d".
TDatatypeCharacteristics MySQLTypeCharacteristics(std::uint8_t typeCode,
                                                  const std::vector<std::string>& values, bool isUnsigned,
                                                  std::int32_t codePage, std::int64_t length,
                                                  std::uint8_t scale, const std::string& typeName);
// The SQL type text shown to the user, such as "INTEGER(11) UNSIGNED" or
// "VARCHAR(10) CHARACTER SET utf8". Raises "Unknown data type %d".
std::string MySQLTypeText(std::uint8_t typeCode, const std::vector<std::string>& values, bool isUnsigned,
                          std::int32_t codePage, std::int64_t length, std::uint8_t scale);

} // namespace core
