#include "dataaccess/mysql/uMySQLFieldDesc.h"

#include "dataaccess/store/uDataUtils.h"
#include "platform/data/DataError.h"
#include "platform/rtl/Exception.h"
#include "platform/rtl/Format.h"

#include <mariadb/mysql.h>

#include <algorithm>
#include <bit>
#include <cctype>
#include <charconv>
#include <type_traits>

namespace dataaccess {

// ---- UTF-8

namespace {

constexpr const char* SIncompleteChar = "incomplete multibyte char";
constexpr const char* SMalformedChar = "malformed trail byte or out of range char";
constexpr const char* SMalformedTrail = "malformed trail byte";

bool IsTrail(uint8_t c) {
    return (c & 0xC0) == 0x80;
}

} // namespace

int DecodeUtf8(std::string_view source, char16_t* destination, int capacity, bool terminate) {
    const auto* bytes = reinterpret_cast<const uint8_t*>(source.data());
    const size_t size = source.size();
    int written = 0; // bytes
    const auto put = [&](char16_t unit) {
        if (written + 2 <= capacity) {
            destination[written / 2] = unit;
            written += 2;
        }
    };
    for (size_t i = 0; i < size;) {
        const uint8_t lead = bytes[i];
        if (lead < 0x80) {
            put(lead);
            ++i;
            continue;
        }
        const int length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : 2;
        // Stray trail bytes, the overlong leads C0/C1 and leads beyond U+10FFFF.
        if (lead < 0xC2 || lead > 0xF4) throw rtl::Exception(SMalformedChar);
        if (i + static_cast<size_t>(length) > size) throw rtl::Exception(SIncompleteChar);
        char32_t code = lead & (length == 2 ? 0x1F : length == 3 ? 0x0F : 0x07);
        for (int k = 1; k < length; ++k) {
            const uint8_t trail = bytes[i + static_cast<size_t>(k)];
            if (!IsTrail(trail)) throw rtl::Exception(k == length - 1 ? SMalformedTrail : SMalformedChar);
            code = (code << 6) | (trail & 0x3F);
        }
        const bool overlong = (length == 3 && code < 0x800) || (length == 4 && code < 0x10000);
        if (overlong || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
            throw rtl::Exception(SMalformedChar);
        if (code >= 0x10000) {
            code -= 0x10000;
            put(static_cast<char16_t>(0xD800 + (code >> 10)));
            put(static_cast<char16_t>(0xDC00 + (code & 0x3FF)));
        } else {
            put(static_cast<char16_t>(code));
        }
        i += static_cast<size_t>(length);
    }
    if (terminate && capacity >= 2) {
        if (written + 2 > capacity) written -= 2;
        destination[written / 2] = 0;
        written += 2;
    }
    return written;
}

// ---- Dates and times

namespace {

// The decimal digits of text[from, from + count) as a number, without checks.
int Digits(std::string_view text, size_t from, size_t count) {
    int value = 0;
    for (size_t i = from; i < from + count && i < text.size(); ++i)
        value = value * 10 + (text[i] - '0');
    return value;
}

int CenturyYear(int twoDigits) {
    return twoDigits < 70 ? 2000 + twoDigits : 1900 + twoDigits;
}

// The fraction after the seconds (".ffffff" at `from`) in milliseconds.
int Milliseconds(std::string_view text, size_t from) {
    if (from >= text.size() || text[from] != '.') return 0;
    int value = 0, scale = 0;
    for (size_t i = from + 1;
         i < text.size() && scale < 3 && std::isdigit(static_cast<unsigned char>(text[i])); ++i, ++scale)
        value = value * 10 + (text[i] - '0');
    for (; scale < 3; ++scale)
        value *= 10;
    return value;
}

bool Combine(int year, int month, int day, int hour, int minute, int second, int millisecond,
             rtl::TDateTime& value) {
    rtl::TDateTime date = 0;
    rtl::TDateTime time = 0;
    if (!EncodeDateValue(year, month, day, date) || !EncodeTimeValue(hour, minute, second, millisecond, time))
        return false;
    value = date < 0 ? date - time : date + time;
    return true;
}

// "YYYY-MM-DD" and, with `withTime`, " HH:MM:SS[.fff]".
bool ParseIsoDateTime(std::string_view text, bool withTime, rtl::TDateTime& value) {
    if (!withTime)
        return Combine(Digits(text, 0, 4), Digits(text, 5, 2), Digits(text, 8, 2), 0, 0, 0, 0, value);
    return Combine(Digits(text, 0, 4), Digits(text, 5, 2), Digits(text, 8, 2), Digits(text, 11, 2),
                   Digits(text, 14, 2), Digits(text, 17, 2), Milliseconds(text, 19), value);
}

// The fixed-width TIMESTAMP forms of old servers, by the column length.
bool ParseOldTimestamp(std::string_view t, uint32_t length, rtl::TDateTime& value) {
    switch (length) {
    case 2:
        return Combine(CenturyYear(Digits(t, 0, 2)), 1, 1, 0, 0, 0, 0, value);
    case 4:
        return Combine(CenturyYear(Digits(t, 0, 2)), Digits(t, 2, 2), 1, 0, 0, 0, 0, value);
    case 6:
        return Combine(CenturyYear(Digits(t, 0, 2)), Digits(t, 2, 2), Digits(t, 4, 2), 0, 0, 0, 0, value);
    case 8:
        return Combine(Digits(t, 0, 4), Digits(t, 4, 2), Digits(t, 6, 2), 0, 0, 0, 0, value);
    case 10:
        return Combine(CenturyYear(Digits(t, 0, 2)), Digits(t, 2, 2), Digits(t, 4, 2), Digits(t, 6, 2),
                       Digits(t, 8, 2), 0, 0, value);
    case 12:
        return Combine(CenturyYear(Digits(t, 0, 2)), Digits(t, 2, 2), Digits(t, 4, 2), Digits(t, 6, 2),
                       Digits(t, 8, 2), Digits(t, 10, 2), 0, value);
    case 14:
        return Combine(Digits(t, 0, 4), Digits(t, 4, 2), Digits(t, 6, 2), Digits(t, 8, 2), Digits(t, 10, 2),
                       Digits(t, 12, 2), 0, value);
    default:
        rtl::AssertionFailed(rtl::Format("Invalid FIELD_TYPE_TIMESTAMP Field.Length (%d)", length).c_str(),
                             __FILE__, __LINE__);
    }
}

} // namespace

bool ParseTextDateTime(int mySqlType, std::string_view text, uint32_t fieldLength,
                       const std::string& fieldName, rtl::TDateTime& value) {
    switch (mySqlType) {
    case MYSQL_TYPE_DATE:
    case MYSQL_TYPE_NEWDATE:
        return ParseIsoDateTime(text, false, value);
    case MYSQL_TYPE_DATETIME:
        return ParseIsoDateTime(text, true, value);
    case MYSQL_TYPE_TIMESTAMP:
        // TIMESTAMP(n) of current servers is 19 characters plus the fraction.
        if (fieldLength >= 19) return ParseIsoDateTime(text, true, value);
        return ParseOldTimestamp(text, fieldLength, value);
    case MYSQL_TYPE_TIME: {
        const size_t colon = text.find(':');
        if (colon == std::string_view::npos || colon > 4)
            data::DatabaseError(
                rtl::Format("Wrong time format. Field %s, value %s", fieldName, std::string(text)));
        const bool negative = !text.empty() && text[0] == '-';
        const size_t start = negative ? 1 : 0;
        const int hours = Digits(text, start, colon - start);
        const int minutes = Digits(text, colon + 1, 2);
        const int seconds = Digits(text, colon + 4, 2);
        const double days =
            hours / 24.0 + (minutes * 60 + seconds + Milliseconds(text, colon + 6) / 1000.0) / 86400.0;
        value = negative ? -days : days;
        return true;
    }
    default:
        RTL_ASSERT_MSG(false, "Not a date or time column");
        return false;
    }
}

// ---- Numbers

double ParseTextFloat(std::string_view text) {
    const auto notFloat = [&]() {
        throw rtl::EConversionError(
            rtl::Format("'%s' is not a valid floating point value", std::string(text.substr(0, 36))));
    };
    size_t i = 0;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
    const size_t mantissaStart = i;
    bool digits = false, point = false;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        if (c >= '0' && c <= '9') {
            digits = true;
        } else if (c == '.' && !point) {
            point = true;
        } else {
            break;
        }
    }
    if (!digits) notFloat();
    if (i < text.size()) {
        if (text[i] != 'e' && text[i] != 'E') notFloat();
        const std::string_view exponent = text.substr(i + 1);
        size_t k = 0;
        if (k < exponent.size() && (exponent[k] == '+' || exponent[k] == '-')) ++k;
        bool valid = k < exponent.size();
        for (; k < exponent.size(); ++k)
            valid = valid && exponent[k] >= '0' && exponent[k] <= '9';
        if (!valid)
            throw rtl::EConversionError(
                rtl::Format("'%s' is not a valid integer value", std::string(exponent)));
    }
    // from_chars takes no "+"; the rest it reads exactly as validated above.
    std::string plain(text.substr(mantissaStart));
    if (const size_t e = plain.find_first_of("eE"); e != std::string::npos && plain[e + 1] == '+')
        plain.erase(e + 1, 1);
    double value = 0;
    const auto [end, error] = std::from_chars(plain.data(), plain.data() + plain.size(), value);
    if (error != std::errc() || end != plain.data() + plain.size()) notFloat();
    return text[0] == '-' ? -value : value;
}

namespace {

// Little-endian, as the wire carries it.
template <class T>
T LoadLittleEndian(const uint8_t* data, size_t length) {
    using U = std::make_unsigned_t<T>;
    U value = 0;
    for (size_t i = std::min(length, sizeof(T)); i-- > 0;)
        value = static_cast<U>(value << 8 | data[i]);
    return static_cast<T>(value);
}

template <class T>
std::string NumberText(T value) {
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof(buffer), value);
    return std::string(buffer, result.ptr);
}

template <class Signed>
std::string IntegerText(bool isUnsigned, const uint8_t* data, size_t length) {
    using Unsigned = std::make_unsigned_t<Signed>;
    return isUnsigned ? NumberText(LoadLittleEndian<Unsigned>(data, length))
                      : NumberText(LoadLittleEndian<Signed>(data, length));
}

std::string FractionText(const uint8_t* data, size_t length, size_t at) {
    if (length < at + 4) return {};
    const uint32_t micro = LoadLittleEndian<uint32_t>(data + at, 4);
    return micro ? rtl::Format(".%.6u", micro) : std::string();
}

// Dates of 0, 4, 7 or 11 bytes: year, month, day, then hour, minute, second, then microseconds.
std::string DateText(bool withTime, const uint8_t* data, size_t length) {
    const auto byte = [&](size_t i) -> unsigned { return i < length ? data[i] : 0u; };
    std::string text = rtl::Format(
        "%.4u-%.2u-%.2u", length >= 2 ? unsigned{LoadLittleEndian<uint16_t>(data, 2)} : 0u, byte(2), byte(3));
    if (withTime)
        text += rtl::Format(" %.2u:%.2u:%.2u", byte(4), byte(5), byte(6)) + FractionText(data, length, 7);
    return text;
}

// Times of 0, 8 or 12 bytes: sign, days, hour, minute, second, then microseconds.
std::string TimeText(const uint8_t* data, size_t length) {
    if (length < 8) return "00:00:00";
    // The server's TIME range ends at 838 hours.
    const unsigned hours = LoadLittleEndian<uint32_t>(data + 1, 4) * 24 + data[5];
    return rtl::Format("%s%.2u:%.2u:%.2u", data[0] ? "-" : "", hours, unsigned{data[6]}, unsigned{data[7]}) +
           FractionText(data, length, 8);
}

} // namespace

std::string BinaryValueAsText(uint8_t mySqlType, bool isUnsigned, const uint8_t* data, size_t length) {
    switch (mySqlType) {
    case MYSQL_TYPE_TINY:
        return IntegerText<int8_t>(isUnsigned, data, length);
    case MYSQL_TYPE_SHORT:
        return IntegerText<int16_t>(isUnsigned, data, length);
    case MYSQL_TYPE_YEAR:
        return IntegerText<int16_t>(true, data, length);
    case MYSQL_TYPE_LONG:
    case MYSQL_TYPE_INT24:
        return IntegerText<int32_t>(isUnsigned, data, length);
    case MYSQL_TYPE_LONGLONG:
        return IntegerText<int64_t>(isUnsigned, data, length);
    case MYSQL_TYPE_FLOAT:
        return NumberText(std::bit_cast<float>(LoadLittleEndian<uint32_t>(data, length)));
    case MYSQL_TYPE_DOUBLE:
        return NumberText(std::bit_cast<double>(LoadLittleEndian<uint64_t>(data, length)));
    case MYSQL_TYPE_DATE:
    case MYSQL_TYPE_NEWDATE:
        return DateText(false, data, length);
    case MYSQL_TYPE_DATETIME:
    case MYSQL_TYPE_TIMESTAMP:
        return DateText(true, data, length);
    case MYSQL_TYPE_TIME:
        return TimeText(data, length);
    default:
        return std::string(reinterpret_cast<const char*>(data), length);
    }
}

} // namespace dataaccess
