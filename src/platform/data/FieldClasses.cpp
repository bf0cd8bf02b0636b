#include "platform/data/FieldClasses.h"

#include "platform/data/DataError.h"
#include "platform/data/DataSet.h"
#include "platform/data/NameCompare.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/Utf.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

namespace data {

namespace {

std::string_view TrimBlanks(std::string_view s) {
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front())))
        s.remove_prefix(1);
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back())))
        s.remove_suffix(1);
    return s;
}

// Decimal digits with an optional sign, nothing else (blanks around are allowed).
bool TryTextToInt64(std::string_view text, int64_t& value) {
    text = TrimBlanks(text);
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    if (text.empty()) return false;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    return ec == std::errc() && end == text.data() + text.size();
}

// A float with "." as the decimal point and an optional exponent (blanks around are allowed).
bool TryTextToDouble(std::string_view text, double& value) {
    text = TrimBlanks(text);
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    if (text.empty()) return false;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    return ec == std::errc() && end == text.data() + text.size();
}

int32_t ClampToInt32(int64_t value) {
    return static_cast<int32_t>(
        std::clamp<int64_t>(value, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()));
}

// Half to even and saturating, as every float-to-integer conversion of the runtime.
int64_t RoundToInt64(double value) {
    return rtl::Variant(value).AsInt64();
}

template <class T>
bool ReadValue(const TField& field, T& value) {
    return field.GetData(&value);
}

template <class T>
bool ReadInteger(const TField& field, int64_t& value) {
    T stored{};
    if (!ReadValue(field, stored)) return false;
    value = stored;
    return true;
}

template <class T>
void WriteInteger(TField& field, int64_t value) {
    const auto stored = static_cast<T>(value);
    field.SetData(&stored);
}

bool IsTextVariant(const rtl::Variant& value) {
    return value.Type() == rtl::varString || value.Type() == rtl::varWideString;
}

std::string DateText(const rtl::DateTimeParts& p) {
    return rtl::Format("%.4d-%.2d-%.2d", p.year, p.month, p.day);
}

std::string TimeText(const rtl::DateTimeParts& p) {
    std::string text = rtl::Format("%.2d:%.2d:%.2d", p.hour, p.minute, p.second);
    if (p.millisecond) text += rtl::Format(".%.3d", p.millisecond);
    return text;
}

} // namespace

// ---- TStringField ----

TStringField::TStringField(TComponent* owner) : TStringField(owner, ftString, 20) {}

TStringField::TStringField(TComponent* owner, TFieldType dataType, int size) : TField(owner, dataType) {
    SetSize(size);
}

void TStringField::CheckTypeSize(int size) const {
    if (size < 0) TField::CheckTypeSize(size);
}

void TStringField::SetFixedChar(bool value) {
    fixedChar_ = value;
    if (DataType() == ftString || DataType() == ftFixedChar) SetDataTypeValue(value ? ftFixedChar : ftString);
}

void TStringField::SetFieldType(TFieldType type) {
    if (type == ftFixedChar) SetFixedChar(true);
}

bool TStringField::GetValue(std::string& value) const {
    std::vector<char> buffer(GetDataSize(), '\0');
    if (!GetData(buffer.data())) return false;
    value.assign(buffer.data(), strnlen(buffer.data(), Size()));
    return true;
}

std::string TStringField::GetAsString() const {
    std::string value;
    return GetValue(value) ? value : std::string();
}

void TStringField::SetAsString(const std::string& value) {
    // Text longer than the field is cut at a character boundary: half a UTF-8 sequence would make the
    // whole value unreadable as UTF-8.
    size_t length = std::min<size_t>(value.size(), Size());
    if (length < value.size())
        while (length > 0 && (static_cast<unsigned char>(value[length]) & 0xC0) == 0x80)
            --length;
    std::vector<char> buffer(GetDataSize(), '\0');
    std::memcpy(buffer.data(), value.data(), length);
    SetData(buffer.data());
}

rtl::Variant TStringField::GetAsVariant() const {
    std::string value;
    return GetValue(value) ? rtl::Variant(std::move(value)) : rtl::Variant::Null();
}

void TStringField::SetVarValue(const rtl::Variant& value) {
    SetAsString(value.AsString());
}

int32_t TStringField::GetAsInteger() const {
    return ClampToInt32(GetAsLargeInt());
}

int64_t TStringField::GetAsLargeInt() const {
    std::string text;
    if (!GetValue(text)) return 0;
    int64_t value = 0;
    if (!TryTextToInt64(text, value))
        throw rtl::EConversionError(rtl::Format("'%s' is not a valid integer value", text));
    return value;
}

double TStringField::GetAsFloat() const {
    std::string text;
    if (!GetValue(text)) return 0;
    double value = 0;
    if (!TryTextToDouble(text, value))
        throw rtl::EConversionError(rtl::Format("'%s' is not a valid floating point value", text));
    return value;
}

bool TStringField::GetAsBoolean() const {
    const std::string text = GetAsString();
    return !text.empty() && std::strchr("TtYy", text[0]) != nullptr;
}

rtl::TDateTime TStringField::GetAsDateTime() const {
    std::string text;
    if (!GetValue(text)) return 0;
    const auto value = rtl::TryStringToDateTime(text);
    if (!value) throw rtl::EConversionError(rtl::Format("'%s' is not a valid date and time", text));
    return *value;
}

void TStringField::SetAsInteger(int32_t value) {
    SetAsString(std::to_string(value));
}
void TStringField::SetAsLargeInt(int64_t value) {
    SetAsString(std::to_string(value));
}
void TStringField::SetAsFloat(double value) {
    SetAsString(rtl::FloatToGeneral(value));
}
void TStringField::SetAsBoolean(bool value) {
    SetAsString(value ? "True" : "False");
}
void TStringField::SetAsDateTime(rtl::TDateTime value) {
    SetAsString(rtl::DateTimeToString(value));
}

// ---- TGuidField ----

TGuidField::TGuidField(TComponent* owner) : TStringField(owner, ftGuid, 38) {}

void TGuidField::CheckTypeSize(int size) const {
    if (size != 38) TField::CheckTypeSize(size);
}

// ---- TWideStringField ----

TWideStringField::TWideStringField(TComponent* owner) : TField(owner, ftWideString) {
    SetSize(20);
}

void TWideStringField::CheckTypeSize(int size) const {
    if (size < 0) TField::CheckTypeSize(size);
}

bool TWideStringField::GetValue(std::u16string& value) const {
    std::vector<char16_t> buffer(Size() + 1, u'\0');
    if (!GetData(buffer.data())) return false;
    const auto end = std::find(buffer.begin(), buffer.end() - 1, u'\0');
    value.assign(buffer.begin(), end);
    return true;
}

std::u16string TWideStringField::AsWideString() const {
    std::u16string value;
    return GetValue(value) ? value : std::u16string();
}

void TWideStringField::SetAsWideString(const std::u16string& value) {
    // A surrogate pair is never cut in half.
    size_t length = std::min<size_t>(value.size(), Size());
    if (length > 0 && length < value.size() && value[length - 1] >= 0xD800 && value[length - 1] <= 0xDBFF)
        --length;
    std::vector<char16_t> buffer(Size() + 1, u'\0');
    std::copy_n(value.begin(), length, buffer.begin());
    SetData(buffer.data());
}

std::string TWideStringField::GetAsString() const {
    return rtl::Utf16ToUtf8(AsWideString());
}

void TWideStringField::SetAsString(const std::string& value) {
    SetAsWideString(rtl::Utf8ToUtf16(value));
}

rtl::Variant TWideStringField::GetAsVariant() const {
    std::u16string value;
    return GetValue(value) ? rtl::Variant(std::move(value)) : rtl::Variant::Null();
}

void TWideStringField::SetVarValue(const rtl::Variant& value) {
    SetAsWideString(value.AsWideString());
}

// ---- TNumericField ----

TNumericField::TNumericField(TComponent* owner, TFieldType dataType) : TField(owner, dataType) {
    SetAlignment(taRightJustify);
}

// ---- TIntegerField and the narrower ones ----

TIntegerField::TIntegerField(TComponent* owner)
    : TIntegerField(owner, ftInteger, std::numeric_limits<int32_t>::min(),
                    std::numeric_limits<int32_t>::max(), sizeof(int32_t)) {}

TIntegerField::TIntegerField(TComponent* owner, TFieldType dataType, int64_t minRange, int64_t maxRange,
                             int dataSize)
    : TNumericField(owner, dataType), minRange_(minRange), maxRange_(maxRange), dataSize_(dataSize) {}

TSmallintField::TSmallintField(TComponent* owner)
    : TIntegerField(owner, ftSmallint, std::numeric_limits<int16_t>::min(),
                    std::numeric_limits<int16_t>::max(), sizeof(int16_t)) {}

TWordField::TWordField(TComponent* owner)
    : TIntegerField(owner, ftWord, 0, std::numeric_limits<uint16_t>::max(), sizeof(uint16_t)) {}

TLargeintField::TLargeintField(TComponent* owner)
    : TIntegerField(owner, ftLargeint, std::numeric_limits<int64_t>::min(), std::numeric_limits<int64_t>::max(),
                    sizeof(int64_t)) {}

TAutoIncField::TAutoIncField(TComponent* owner)
    : TIntegerField(owner, ftAutoInc, std::numeric_limits<int32_t>::min(),
                    std::numeric_limits<int32_t>::max(), sizeof(int32_t)) {
    SetAutoGenerateValue(arAutoInc);
}

int TIntegerField::GetDefaultWidth() const {
    // The widest text of the type's range.
    return static_cast<int>(std::max(std::to_string(minRange_).size(), std::to_string(maxRange_).size()));
}

bool TIntegerField::GetValue(int64_t& value) const {
    if (DataType() == ftWord) return ReadInteger<uint16_t>(*this, value);
    switch (dataSize_) {
    case sizeof(int16_t): return ReadInteger<int16_t>(*this, value);
    case sizeof(int32_t): return ReadInteger<int32_t>(*this, value);
    default: return ReadInteger<int64_t>(*this, value);
    }
}

void TIntegerField::SetAsLargeInt(int64_t value) {
    if (value < minRange_ || value > maxRange_)
        RangeError(std::to_string(value), std::to_string(minRange_), std::to_string(maxRange_));
    if ((minValue_ != 0 || maxValue_ != 0) && (value < minValue_ || value > maxValue_))
        RangeError(std::to_string(value), std::to_string(minValue_), std::to_string(maxValue_));
    if (DataType() == ftWord) return WriteInteger<uint16_t>(*this, value);
    switch (dataSize_) {
    case sizeof(int16_t): return WriteInteger<int16_t>(*this, value);
    case sizeof(int32_t): return WriteInteger<int32_t>(*this, value);
    default: return WriteInteger<int64_t>(*this, value);
    }
}

void TIntegerField::SetAsFloat(double value) {
    // Past the 64-bit range rounding would saturate; SetAsLargeInt checks the type's own range.
    if (!(value >= -9223372036854775808.0 && value < 9223372036854775808.0))
        RangeError(rtl::FloatToGeneral(value), std::to_string(minRange_), std::to_string(maxRange_));
    SetAsLargeInt(RoundToInt64(value));
}

void TIntegerField::SetAsString(const std::string& value) {
    if (TrimBlanks(value).empty()) {
        Clear();
        return;
    }
    int64_t number = 0;
    if (!TryTextToInt64(value, number))
        DatabaseError(rtl::Format("'%s' is not a valid integer value for field '%s'", value, DisplayName()));
    SetAsLargeInt(number);
}

std::string TIntegerField::GetAsString() const {
    int64_t value = 0;
    return GetValue(value) ? std::to_string(value) : std::string();
}

int32_t TIntegerField::GetAsInteger() const {
    return ClampToInt32(GetAsLargeInt());
}

int64_t TIntegerField::GetAsLargeInt() const {
    int64_t value = 0;
    GetValue(value);
    return value;
}

double TIntegerField::GetAsFloat() const {
    return static_cast<double>(GetAsLargeInt());
}

rtl::Variant TIntegerField::GetAsVariant() const {
    int64_t value = 0;
    return GetValue(value) ? rtl::Variant(value) : rtl::Variant::Null();
}

void TIntegerField::SetVarValue(const rtl::Variant& value) {
    if (IsTextVariant(value))
        SetAsString(value.AsString());
    else if (value.Type() == rtl::varDouble)
        SetAsFloat(value.AsDouble());
    else
        SetAsLargeInt(value.AsInt64());
}

// ---- TFloatField ----

TFloatField::TFloatField(TComponent* owner) : TFloatField(owner, ftFloat) {}

TFloatField::TFloatField(TComponent* owner, TFieldType dataType) : TNumericField(owner, dataType) {}

TCurrencyField::TCurrencyField(TComponent* owner) : TFloatField(owner, ftCurrency) {}

void TFloatField::SetPrecision(int value) {
    precision_ = std::clamp(value, 2, 15);
}

bool TFloatField::GetValue(double& value) const {
    return ReadValue(*this, value);
}

void TFloatField::SetAsFloat(double value) {
    if ((minValue_ != 0 || maxValue_ != 0) && (value < minValue_ || value > maxValue_))
        RangeError(rtl::FloatToGeneral(value), rtl::FloatToGeneral(minValue_),
                   rtl::FloatToGeneral(maxValue_));
    SetData(&value);
}

void TFloatField::SetAsString(const std::string& value) {
    if (TrimBlanks(value).empty()) {
        Clear();
        return;
    }
    double number = 0;
    if (!TryTextToDouble(value, number))
        DatabaseError(
            rtl::Format("'%s' is not a valid floating point value for field '%s'", value, DisplayName()));
    SetAsFloat(number);
}

std::string TFloatField::GetAsString() const {
    double value = 0;
    return GetValue(value) ? rtl::FloatToGeneral(value, precision_) : std::string();
}

int32_t TFloatField::GetAsInteger() const {
    return ClampToInt32(GetAsLargeInt());
}

int64_t TFloatField::GetAsLargeInt() const {
    return RoundToInt64(GetAsFloat());
}

double TFloatField::GetAsFloat() const {
    double value = 0;
    GetValue(value);
    return value;
}

rtl::Variant TFloatField::GetAsVariant() const {
    double value = 0;
    return GetValue(value) ? rtl::Variant(value) : rtl::Variant::Null();
}

void TFloatField::SetVarValue(const rtl::Variant& value) {
    if (IsTextVariant(value))
        SetAsString(value.AsString());
    else
        SetAsFloat(value.AsDouble());
}

// ---- TBCDField ----

TBCDField::TBCDField(TComponent* owner) : TNumericField(owner, ftBCD) {
    SetSize(4);
}

void TBCDField::CheckTypeSize(int size) const {
    if (size < 0 || size > 4) TField::CheckTypeSize(size);
}

bool TBCDField::GetValue(int64_t& scaled) const {
    return ReadValue(*this, scaled);
}

void TBCDField::SetScaled(int64_t scaled) {
    SetData(&scaled);
}

void TBCDField::SetAsLargeInt(int64_t value) {
    constexpr int64_t limit = std::numeric_limits<int64_t>::max() / kScale;
    if (value < -limit || value > limit)
        RangeError(std::to_string(value), std::to_string(-limit), std::to_string(limit));
    SetScaled(value * kScale);
}

void TBCDField::SetAsFloat(double value) {
    const double scaled = value * kScale;
    if (!(scaled >= -9223372036854775808.0 && scaled < 9223372036854775808.0))
        RangeError(rtl::FloatToGeneral(value), "-922337203685477.5808", "922337203685477.5807");
    SetScaled(RoundToInt64(scaled));
}

void TBCDField::SetAsString(const std::string& value) {
    const std::string_view text = TrimBlanks(value);
    if (text.empty()) {
        Clear();
        return;
    }
    // Plain decimals are read exactly; anything else (exponents) goes through a double.
    std::string_view rest = text;
    const bool negative = !rest.empty() && rest.front() == '-';
    if (!rest.empty() && (rest.front() == '-' || rest.front() == '+')) rest.remove_prefix(1);
    const size_t point = rest.find('.');
    const std::string_view whole = rest.substr(0, point);
    const std::string_view fraction =
        point == std::string_view::npos ? std::string_view() : rest.substr(point + 1);
    const auto isDigits = [](std::string_view s) {
        return std::all_of(s.begin(), s.end(),
                           [](char c) { return std::isdigit(static_cast<unsigned char>(c)); });
    };
    if ((whole.empty() && fraction.empty()) || !isDigits(whole) || !isDigits(fraction)) {
        double number = 0;
        if (!TryTextToDouble(text, number))
            DatabaseError(rtl::Format("'%s' is not a valid BCD value for field '%s'", value, DisplayName()));
        SetAsFloat(number);
        return;
    }
    // Digits past the fourth decimal round half to even.
    std::string digits(whole);
    digits += std::string(fraction.substr(0, 4));
    digits.append(4 - std::min<size_t>(fraction.size(), 4), '0');
    uint64_t magnitude = 0;
    const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), magnitude);
    const uint64_t limit = negative ? uint64_t{1} << 63 : (uint64_t{1} << 63) - 1;
    if (digits.empty() || ec != std::errc() || magnitude > limit)
        RangeError(std::string(text), "-922337203685477.5808", "922337203685477.5807");
    if (fraction.size() > 4) {
        const std::string_view dropped = fraction.substr(4);
        const bool aboveHalf = dropped[0] > '5' || (dropped[0] == '5' && dropped.find_first_not_of('0', 1) !=
                                                                             std::string_view::npos);
        const bool half = dropped[0] == '5' && !aboveHalf;
        if (aboveHalf || (half && magnitude % 2 == 1)) {
            if (magnitude == limit)
                RangeError(std::string(text), "-922337203685477.5808", "922337203685477.5807");
            ++magnitude;
        }
    }
    SetScaled(negative ? static_cast<int64_t>(0 - magnitude) : static_cast<int64_t>(magnitude));
}

std::string TBCDField::GetAsString() const {
    int64_t scaled = 0;
    if (!GetValue(scaled)) return std::string();
    const uint64_t magnitude = scaled < 0 ? 0 - static_cast<uint64_t>(scaled) : static_cast<uint64_t>(scaled);
    std::string text = (scaled < 0 ? "-" : "") + std::to_string(magnitude / kScale);
    std::string fraction = rtl::Format("%.4d", static_cast<int>(magnitude % kScale));
    fraction.erase(fraction.find_last_not_of('0') + 1);
    if (!fraction.empty()) text += "." + fraction;
    return text;
}

int32_t TBCDField::GetAsInteger() const {
    return ClampToInt32(GetAsLargeInt());
}

int64_t TBCDField::GetAsLargeInt() const {
    int64_t scaled = 0;
    if (!GetValue(scaled)) return 0;
    // Half to even on the scaled integer.
    int64_t quotient = scaled / kScale;
    const int64_t remainder = scaled % kScale;
    const int64_t twice = 2 * (remainder < 0 ? -remainder : remainder);
    if (twice > kScale || (twice == kScale && quotient % 2 != 0)) quotient += remainder < 0 ? -1 : 1;
    return quotient;
}

double TBCDField::GetAsFloat() const {
    int64_t scaled = 0;
    return GetValue(scaled) ? static_cast<double>(scaled) / kScale : 0.0;
}

rtl::Variant TBCDField::GetAsVariant() const {
    int64_t scaled = 0;
    return GetValue(scaled) ? rtl::Variant(static_cast<double>(scaled) / kScale) : rtl::Variant::Null();
}

void TBCDField::SetVarValue(const rtl::Variant& value) {
    if (IsTextVariant(value))
        SetAsString(value.AsString());
    else if (value.Type() == rtl::varInt64 || value.Type() == rtl::varUInt64)
        SetAsLargeInt(value.AsInt64());
    else
        SetAsFloat(value.AsDouble());
}

// ---- TBooleanField ----

TBooleanField::TBooleanField(TComponent* owner) : TField(owner, ftBoolean) {}

void TBooleanField::SetDisplayValues(const std::string& value) {
    const size_t separator = value.find(';');
    if (separator == std::string::npos || value.find(';', separator + 1) != std::string::npos ||
        separator == 0 || separator + 1 == value.size())
        DatabaseError(
            rtl::Format("Invalid format '%s' of the display values of field '%s'", value, DisplayName()));
    displayValues_ = value;
    trueText_ = value.substr(0, separator);
    falseText_ = value.substr(separator + 1);
}

int TBooleanField::GetDefaultWidth() const {
    return static_cast<int>(std::max(trueText_.size(), falseText_.size()));
}

bool TBooleanField::GetValue(bool& value) const {
    int16_t raw = 0;
    if (!ReadValue(*this, raw)) return false;
    value = raw != 0;
    return true;
}

void TBooleanField::SetAsBoolean(bool value) {
    const int16_t raw = value ? 1 : 0;
    SetData(&raw);
}

void TBooleanField::SetAsString(const std::string& value) {
    const std::string_view text = TrimBlanks(value);
    if (text.empty())
        Clear();
    else if (SameName(text, trueText_))
        SetAsBoolean(true);
    else if (SameName(text, falseText_))
        SetAsBoolean(false);
    else
        DatabaseError(rtl::Format("'%s' is not a valid boolean value for field '%s'", value, DisplayName()));
}

std::string TBooleanField::GetAsString() const {
    bool value = false;
    return GetValue(value) ? (value ? trueText_ : falseText_) : std::string();
}

bool TBooleanField::GetAsBoolean() const {
    bool value = false;
    GetValue(value);
    return value;
}

int32_t TBooleanField::GetAsInteger() const {
    return GetAsBoolean() ? 1 : 0;
}

rtl::Variant TBooleanField::GetAsVariant() const {
    bool value = false;
    return GetValue(value) ? rtl::Variant(value) : rtl::Variant::Null();
}

void TBooleanField::SetVarValue(const rtl::Variant& value) {
    if (IsTextVariant(value))
        SetAsString(value.AsString());
    else
        SetAsBoolean(value.AsBoolean());
}

// ---- TDateTimeField, TDateField, TTimeField ----

TDateTimeField::TDateTimeField(TComponent* owner) : TDateTimeField(owner, ftDateTime) {}

TDateTimeField::TDateTimeField(TComponent* owner, TFieldType dataType) : TField(owner, dataType) {}

TDateField::TDateField(TComponent* owner) : TDateTimeField(owner, ftDate) {}

TTimeField::TTimeField(TComponent* owner) : TDateTimeField(owner, ftTime) {}

int TDateTimeField::GetDefaultWidth() const {
    switch (DataType()) {
    case ftDate:
        return 10;
    case ftTime:
        return 8;
    default:
        return 19;
    }
}

bool TDateTimeField::GetValue(rtl::TDateTime& value) const {
    return ReadValue(*this, value);
}

void TDateTimeField::SetAsDateTime(rtl::TDateTime value) {
    // A date keeps the day, a time the time of day (counted forward from midnight also before day 0).
    if (DataType() == ftDate)
        value = std::trunc(value);
    else if (DataType() == ftTime)
        value = std::fabs(value - std::trunc(value));
    SetData(&value);
}

void TDateTimeField::SetAsString(const std::string& value) {
    if (TrimBlanks(value).empty()) {
        Clear();
        return;
    }
    const auto parsed = rtl::TryStringToDateTime(value);
    if (!parsed)
        DatabaseError(rtl::Format("'%s' is not a valid date and time for field '%s'", value, DisplayName()));
    SetAsDateTime(*parsed);
}

std::string TDateTimeField::GetAsString() const {
    rtl::TDateTime value = 0;
    if (!GetValue(value)) return std::string();
    const rtl::DateTimeParts parts = rtl::DecodeDateTime(value);
    switch (DataType()) {
    case ftDate:
        return DateText(parts);
    case ftTime:
        return TimeText(parts);
    default:
        return rtl::DateTimeToString(value);
    }
}

rtl::TDateTime TDateTimeField::GetAsDateTime() const {
    rtl::TDateTime value = 0;
    GetValue(value);
    return value;
}

double TDateTimeField::GetAsFloat() const {
    return GetAsDateTime();
}

rtl::Variant TDateTimeField::GetAsVariant() const {
    rtl::TDateTime value = 0;
    return GetValue(value) ? rtl::Variant::FromDateTime(value) : rtl::Variant::Null();
}

void TDateTimeField::SetVarValue(const rtl::Variant& value) {
    if (IsTextVariant(value))
        SetAsString(value.AsString());
    else
        SetAsDateTime(value.AsDateTime());
}

// ---- TBytesField, TVarBytesField ----

TBytesField::TBytesField(TComponent* owner) : TBytesField(owner, ftBytes, 16) {}

TBytesField::TBytesField(TComponent* owner, TFieldType dataType, int size) : TField(owner, dataType) {
    SetSize(size);
}

TVarBytesField::TVarBytesField(TComponent* owner) : TBytesField(owner, ftVarBytes, 16) {}

void TBytesField::CheckTypeSize(int size) const {
    if (size < 0 || size > std::numeric_limits<uint16_t>::max()) TField::CheckTypeSize(size);
}

bool TBytesField::GetValue(std::string& bytes) const {
    std::string buffer(GetDataSize(), '\0');
    if (!GetData(buffer.data())) return false;
    bytes = std::move(buffer);
    return true;
}

bool TVarBytesField::GetValue(std::string& bytes) const {
    std::string buffer(GetDataSize(), '\0');
    if (!GetData(buffer.data())) return false;
    uint16_t length = 0;
    std::memcpy(&length, buffer.data(), sizeof length);
    bytes = buffer.substr(sizeof length, std::min<int>(length, Size()));
    return true;
}

void TBytesField::SetAsString(const std::string& value) {
    std::string buffer(GetDataSize(), '\0');
    buffer.replace(0, std::min<size_t>(value.size(), Size()), value, 0, Size());
    SetData(buffer.data());
}

void TVarBytesField::SetAsString(const std::string& value) {
    std::string buffer(GetDataSize(), '\0');
    const auto length = static_cast<uint16_t>(std::min<size_t>(value.size(), Size()));
    std::memcpy(buffer.data(), &length, sizeof length);
    std::memcpy(buffer.data() + sizeof length, value.data(), length);
    SetData(buffer.data());
}

std::string TBytesField::GetAsString() const {
    std::string bytes;
    return GetValue(bytes) ? bytes : std::string();
}

rtl::Variant TBytesField::GetAsVariant() const {
    std::string bytes;
    return GetValue(bytes) ? rtl::Variant(std::move(bytes)) : rtl::Variant::Null();
}

void TBytesField::SetVarValue(const rtl::Variant& value) {
    SetAsString(value.AsString());
}

// ---- TBlobField, TMemoField ----

TBlobField::TBlobField(TComponent* owner) : TBlobField(owner, ftBlob) {}

TBlobField::TBlobField(TComponent* owner, TFieldType dataType) : TField(owner, dataType) {}

TMemoField::TMemoField(TComponent* owner) : TBlobField(owner, ftMemo) {}

void TBlobField::CheckTypeSize(int size) const {
    if (size < 0) TField::CheckTypeSize(size);
}

void TBlobField::SetFieldType(TFieldType type) {
    switch (type) {
    case ftBlob:
    case ftMemo:
    case ftGraphic:
    case ftFmtMemo:
    case ftParadoxOle:
    case ftDBaseOle:
    case ftTypedBinary:
    case ftOraBlob:
    case ftOraClob:
        SetDataTypeValue(type);
        break;
    default:
        break;
    }
}

std::string TBlobField::GetAsString() const {
    if (!DataSet()) return std::string();
    const auto stream = DataSet()->CreateBlobStream(const_cast<TBlobField*>(this), bmRead);
    return stream ? stream->ReadToEnd() : std::string();
}

void TBlobField::SetAsString(const std::string& value) {
    if (!DataSet()) DatabaseError(rtl::Format("Field '%s' has no dataset", DisplayName()));
    const auto stream = DataSet()->CreateBlobStream(this, bmWrite);
    if (!stream) AccessError("String");
    stream->WriteString(value);
}

void TBlobField::LoadFromStream(rtl::TStream& stream) {
    stream.SetPosition(0);
    SetAsString(stream.ReadToEnd());
}

void TBlobField::SaveToStream(rtl::TStream& stream) const {
    stream.WriteString(GetAsString());
}

int64_t TBlobField::BlobSize() const {
    if (!DataSet()) return 0;
    const auto stream = DataSet()->CreateBlobStream(const_cast<TBlobField*>(this), bmRead);
    return stream ? stream->Size() : 0;
}

rtl::Variant TBlobField::GetAsVariant() const {
    return IsNull() ? rtl::Variant::Null() : rtl::Variant(GetAsString());
}

void TBlobField::SetVarValue(const rtl::Variant& value) {
    SetAsString(value.AsString());
}

void TBlobField::GetText(std::string& text, bool displayText) const {
    const bool memo = DataType() == ftMemo || DataType() == ftFmtMemo || DataType() == ftOraClob;
    if (memo && !displayText) {
        text = GetAsString();
        return;
    }
    if (memo)
        text = IsNull() ? "(Memo)" : "(MEMO)";
    else
        text = IsNull() ? "(Blob)" : "(BLOB)";
}

// ---- TVariantField ----

TVariantField::TVariantField(TComponent* owner) : TField(owner, ftVariant) {}

rtl::Variant TVariantField::GetAsVariant() const {
    rtl::Variant value;
    return GetData(&value) ? value : rtl::Variant::Null();
}

void TVariantField::SetVarValue(const rtl::Variant& value) {
    SetData(&value);
}

std::string TVariantField::GetAsString() const {
    const rtl::Variant value = GetAsVariant();
    return value.IsNull() ? std::string() : value.AsString();
}

int32_t TVariantField::GetAsInteger() const {
    return ClampToInt32(GetAsLargeInt());
}

int64_t TVariantField::GetAsLargeInt() const {
    const rtl::Variant value = GetAsVariant();
    return value.IsNull() ? 0 : value.AsInt64();
}

double TVariantField::GetAsFloat() const {
    const rtl::Variant value = GetAsVariant();
    return value.IsNull() ? 0 : value.AsDouble();
}

bool TVariantField::GetAsBoolean() const {
    const rtl::Variant value = GetAsVariant();
    return !value.IsNull() && value.AsBoolean();
}

rtl::TDateTime TVariantField::GetAsDateTime() const {
    const rtl::Variant value = GetAsVariant();
    return value.IsNull() ? 0 : value.AsDateTime();
}

} // namespace data
