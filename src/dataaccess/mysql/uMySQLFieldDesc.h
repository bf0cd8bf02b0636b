// A column of a MySQL result and the decoding of its text and binary values.
#pragma once

#include "dataaccess/server/uCRRecordSet.h"
#include "platform/rtl/DateTime.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace dataaccess {

// Column flags of the MySQL client protocol.
inline constexpr uint32_t kMyNotNullFlag = 1;
inline constexpr uint32_t kMyPriKeyFlag = 2;
inline constexpr uint32_t kMyUniqueKeyFlag = 4;
inline constexpr uint32_t kMyMultipleKeyFlag = 8;
inline constexpr uint32_t kMyUnsignedFlag = 32;
inline constexpr uint32_t kMyBinaryFlag = 128;
inline constexpr uint32_t kMyAutoIncrementFlag = 512;
inline constexpr uint32_t kMyNoDefaultValueFlag = 4096;
inline constexpr uint32_t kMyPartKeyFlag = 16384;

// A column of a MySQL result: the protocol's type code and the flags the adapter reads.
class TMySQLFieldDesc : public TCRFieldDesc {
public:
    static std::unique_ptr<TFieldDesc> Create() { return std::make_unique<TMySQLFieldDesc>(); }

    uint8_t MySQLType = 0;
    bool IsUnsigned = false;
    bool IsPrimaryKey = false;
    bool IsAutoIncrement = false;
    bool IsBinary = false;
};

// UTF-8 bytes into UTF-16 code units at `destination`, which holds `capacity` bytes; with
// `terminate` a 16-bit zero follows (in place of the last unit when full). Four-byte sequences
// become surrogate pairs. Returns the bytes written, the terminator included. A cut sequence raises
// "incomplete multibyte char"; bad, overlong or out-of-range sequences raise "malformed trail byte
// or out of range char" (a bad last byte "malformed trail byte").
int DecodeUtf8(std::string_view source, char16_t* destination, int capacity, bool terminate);

// The text form of a DATE, NEWDATE, DATETIME, TIMESTAMP or TIME column (by its MySQL type) as a
// date-time value. False for a value that is no valid date (the zero date). A TIME with its first
// ":" beyond the fifth character raises "Wrong time format. Field %s, value %s". `fieldLength`
// picks the form of the old fixed-width TIMESTAMP columns.
bool ParseTextDateTime(int mySqlType, std::string_view text, uint32_t fieldLength,
                       const std::string& fieldName, rtl::TDateTime& value);

// A number in the server's text form ("-12.5e3"): sign, digits with at most one ".", exponent.
// Anything else raises EConversionError "'%s' is not a valid floating point value"; a bad exponent
// "'%s' is not a valid integer value".
double ParseTextFloat(std::string_view text);

// A value of a binary (prepared-statement) row in the form a text row carries it, so that both row
// formats go through the same decoders: numbers and dates are written out, everything else (strings,
// DECIMAL, BIT) arrives as its bytes already.
std::string BinaryValueAsText(uint8_t mySqlType, bool isUnsigned, const uint8_t* data, size_t length);

} // namespace dataaccess
