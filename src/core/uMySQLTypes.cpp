#include "core/uMySQLTypes.h"

#include <limits>

#include "core/uStringUtils.h"
#include "platform/rtl/CodePage.h"
#include "platform/rtl/Exception.h"
#include "platform/rtl/Format.h"

namespace core {

const std::array<std::string_view, kCharsetCount> CharsetNames = {
    "big5",    "dec8",    "cp850",    "hp8",     "koi8r",    "latin1",  "latin2", "swe7",
    "ascii",   "ujis",    "sjis",     "hebrew",  "tis620",   "euckr",   "koi8u",  "gb2312",
    "greek",   "cp1250",  "gbk",      "latin5",  "armscii8", "utf8",    "ucs2",   "cp866",
    "keybcs2", "macce",   "macroman", "cp852",   "latin7",   "cp1251",  "cp1256", "cp1257",
    "binary",  "geostd8", "cp932",    "eucjpms", "utf8mb4",  "utf8mb3",
};

const std::array<std::int32_t, kCharsetCount> CharsetCodePages = {
    950,   -1,    850,   -1,   20866, 1252, 1250, 20107, 20127, 20932, 10001, 1255,  874,
    949,   21866, 10008, 1253, 1250,  936,  1254, -1,    65001, 1200,  866,   -1,    10029,
    10000, 852,   28603, 1251, 1256,  1257, -1,   -1,    932,   -1,    65001, 65001,
};

namespace {

constexpr std::int64_t kInt64Max = std::numeric_limits<std::int64_t>::max();
constexpr std::int64_t kInt64Min = std::numeric_limits<std::int64_t>::min();

// How a type code is written as text.
enum class TTextStyle {
    Numeric, // name, (length), UNSIGNED
    Plain,   // name alone
    String,  // name, (length), character set
    Members, // name, ('member', ...), character set
    Decimal, // DECIMAL(65[, scale]), UNSIGNED
};

struct TMySQLTypeInfo {
    TDataType kind;
    const char* name;
    TTextStyle style;
    std::int64_t signedMin = kInt64Min;
    std::int64_t signedMax = kInt64Max;
    std::uint64_t unsignedMax = kInt64Max;
    std::int64_t maxLength = kUnlimitedLength;
};

const TMySQLTypeInfo kLowTypes[] = {
    {dtFloat, "DECIMAL", TTextStyle::Decimal},
    {dtInteger, "TINYINT", TTextStyle::Numeric, -128, 127, 255},
    {dtInteger, "SMALLINT", TTextStyle::Numeric, -32768, 32767, 65535},
    {dtInteger, "INTEGER", TTextStyle::Numeric, -2147483648LL, 2147483647, 4294967295ULL},
    {dtFloat, "FLOAT", TTextStyle::Decimal},
    {dtFloat, "DOUBLE", TTextStyle::Decimal},
    {dtUnknown, "UNKNOWN", TTextStyle::Plain},
    {dtTimestamp, "TIMESTAMP", TTextStyle::Plain},
    {dtInteger, "BIGINT", TTextStyle::Numeric, kInt64Min, kInt64Max,
     std::numeric_limits<std::uint64_t>::max()},
    {dtInteger, "MEDIUMINT", TTextStyle::Numeric, -8388608, 8388607, 16777215},
    {dtDate, "DATE", TTextStyle::Plain},
    {dtTime, "TIME", TTextStyle::Plain},
    {dtDateTime, "DATETIME", TTextStyle::Plain},
    {dtYear, "YEAR", TTextStyle::Plain},
    {dtDate, "DATE", TTextStyle::Plain},
    {dtString, "VARCHAR", TTextStyle::String, kInt64Min, kInt64Max, kInt64Max, 1},
    {dtString, "BIT", TTextStyle::Numeric, kInt64Min, kInt64Max, kInt64Max, 1},
};

constexpr int kFirstHighType = 246;

const TMySQLTypeInfo kHighTypes[] = {
    {dtFloat, "DECIMAL", TTextStyle::Decimal},
    {dtEnum, "ENUM", TTextStyle::Members},
    {dtSet, "SET", TTextStyle::Members},
    {dtString, "TINYBLOB", TTextStyle::String, kInt64Min, kInt64Max, kInt64Max, 255},
    {dtString, "MEDIUMBLOB", TTextStyle::String, kInt64Min, kInt64Max, kInt64Max, 16777215},
    {dtString, "LONGBLOB", TTextStyle::String, kInt64Min, kInt64Max, kInt64Max, 4294967295LL},
    {dtString, "BLOB", TTextStyle::String, kInt64Min, kInt64Max, kInt64Max, 65535},
    {dtString, "VARCHAR", TTextStyle::String, kInt64Min, kInt64Max, kInt64Max, 1},
    {dtString, "CHAR", TTextStyle::String, kInt64Min, kInt64Max, kInt64Max, 1},
    {dtString, "GEOMETRY", TTextStyle::Plain, kInt64Min, kInt64Max, kInt64Max, 2147483647},
};

const TMySQLTypeInfo& TypeInfo(std::uint8_t typeCode) {
    if (typeCode < std::size(kLowTypes)) return kLowTypes[typeCode];
    if (typeCode >= kFirstHighType) return kHighTypes[typeCode - kFirstHighType];
    throw rtl::Exception(rtl::Format("Unknown data type %d", typeCode));
}

std::string CharsetClause(std::int32_t codePage) {
    if (codePage == kCodePageConnectionDefault) return {};
    return " CHARACTER SET " + std::string(CharsetNames[CharsetIndexByCodePage(codePage)]);
}

std::string LengthClause(std::int64_t length) {
    return length >= 0 ? rtl::Format("(%d)", length) : std::string();
}

} // namespace

int CharsetIndexByName(std::string_view name) {
    for (std::size_t i = 0; i < kCharsetCount; ++i)
        if (SameText(CharsetNames[i], name)) return static_cast<int>(i);
    throw rtl::Exception(rtl::Format("Unknown character set %s", name));
}

int CharsetIndexByCodePage(std::int32_t codePage) {
    if (codePage == rtl::kCodePageBinary) return kCharsetBinary;
    for (std::size_t i = 0; i < kCharsetCount; ++i)
        if (CharsetCodePages[i] == codePage) return static_cast<int>(i);
    throw rtl::Exception(rtl::Format("Unknown codepage %d", codePage));
}

TDatatypeCharacteristics MySQLTypeCharacteristics(std::uint8_t typeCode,
                                                  const std::vector<std::string>& values, bool isUnsigned,
                                                  std::int32_t codePage, std::int64_t length,
                                                  std::uint8_t scale, const std::string& typeName) {
    const TMySQLTypeInfo& info = TypeInfo(typeCode);
    TDatatypeCharacteristics result;
    if (info.kind == dtEnum || info.kind == dtSet) {
        result = EnumSetCharacteristics(info.kind, values, codePage);
    } else {
        std::int64_t fittedLength = kUnlimitedLength;
        std::uint64_t maxValue = kInt64Max;
        std::int64_t minValue = kInt64Min;
        if (info.kind == dtInteger) {
            maxValue = isUnsigned ? info.unsignedMax : static_cast<std::uint64_t>(info.signedMax);
            minValue = isUnsigned ? 0 : info.signedMin;
        } else if (info.kind == dtString) {
            fittedLength = length == kCastNoLength        ? kNoLength
                           : length == kTypeMaximumLength ? info.maxLength
                                                          : length;
        }
        result =
            MakeDatatypeCharacteristics(info.kind, codePage, scale, fittedLength, maxValue, minValue, {});
    }
    result.TypeName =
        typeName.empty() ? MySQLTypeText(typeCode, values, isUnsigned, codePage, length, scale) : typeName;
    return result;
}

std::string MySQLTypeText(std::uint8_t typeCode, const std::vector<std::string>& values, bool isUnsigned,
                          std::int32_t codePage, std::int64_t length, std::uint8_t scale) {
    const TMySQLTypeInfo& info = TypeInfo(typeCode);
    const char* unsignedText = isUnsigned ? " UNSIGNED" : "";
    switch (info.style) {
    case TTextStyle::Numeric:
        return info.name + LengthClause(length) + unsignedText;
    case TTextStyle::Plain:
        return info.name;
    case TTextStyle::String:
        return info.name + LengthClause(length) + CharsetClause(codePage);
    case TTextStyle::Members: {
        std::string members;
        for (const std::string& value : values) {
            if (!members.empty()) members += ", ";
            members += QuoteString(value);
        }
        return std::string(info.name) + "(" + members + ")" + CharsetClause(codePage);
    }
    case TTextStyle::Decimal:
        return (scale != 0 ? rtl::Format("DECIMAL(65, %d)", scale) : std::string("DECIMAL(65)")) +
               unsignedText;
    }
    return {};
}

} // namespace core
