#include "engine/local/uStrictAssignment.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <string>

#include "core/uDataConverter.h"
#include "core/uDBAConnection.h"
#include "core/uStringUtils.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/Utf.h"

namespace engine {

namespace {

constexpr int kErrorDataTruncated = 1265;
constexpr int kErrorOutOfRange = 1264;
constexpr int kErrorIncorrectValue = 1366;
constexpr int kErrorDataTooLong = 1406;

// Padded: a number followed by blanks only.
enum class TTextNumber { Number, Padded, Truncated, Invalid };

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// How the server reads text as a number: blanks before it are fine, blanks after it pad it, any
// other text after it truncates, and text without a digit is no number. An integer has neither a
// fraction nor an exponent.
TTextNumber ReadTextNumber(std::string_view text, bool integer = false) {
    std::size_t i = 0;
    auto digits = [&] {
        const std::size_t start = i;
        while (i < text.size() && IsDigit(text[i]))
            ++i;
        return i - start;
    };
    while (i < text.size() && IsBlank(text[i]))
        ++i;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) ++i;
    std::size_t mantissa = digits();
    if (!integer && i < text.size() && text[i] == '.') {
        ++i;
        mantissa += digits();
    }
    if (mantissa == 0) return TTextNumber::Invalid;
    if (!integer && i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        std::size_t exponent = i + 1;
        if (exponent < text.size() && (text[exponent] == '-' || text[exponent] == '+')) ++exponent;
        if (exponent < text.size() && IsDigit(text[exponent])) {
            i = exponent;
            digits();
        }
    }
    const std::size_t end = i;
    while (i < text.size() && IsBlank(text[i]))
        ++i;
    if (i < text.size()) return TTextNumber::Truncated;
    return end == text.size() ? TTextNumber::Number : TTextNumber::Padded;
}

using TProblem = std::optional<TStoreProblem>;

TStoreProblem Problem(int errorCode, std::string message) {
    return {errorCode, core::MySQLErrorSQLState(errorCode), std::move(message)};
}

// A value quoted in a message as the server quotes it: past 128 bytes, the whole characters of its
// first 125 bytes and "...".
std::string MessageValue(const std::string& text) {
    constexpr std::size_t kWholeBytes = 128;
    constexpr std::size_t kCutBytes = 125;
    if (text.size() <= kWholeBytes) return text;
    std::size_t end = kCutBytes;
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80)
        --end;
    return text.substr(0, end) + "...";
}

TProblem CheckNumberText(const core::IRODataValue& value, const core::TDatatypeCharacteristics& target,
                         std::string_view column) {
    const std::string text = value.AsString().AsString();
    switch (ReadTextNumber(text)) {
    case TTextNumber::Invalid: {
        const char* kind = target.DataType == core::dtInteger         ? "integer"
                           : target.Scale == core::kScaleNotSpecified ? "double"
                                                                      : "decimal";
        // The SQLSTATE is the server's; the error table of old servers does not know the error.
        return TStoreProblem{kErrorIncorrectValue, "22007",
                             rtl::Format("Incorrect %s value: '%s' for column ``.``.`%s` at row 0", kind,
                                         MessageValue(text), column)};
    }
    case TTextNumber::Truncated:
        return Problem(kErrorDataTruncated, rtl::Format("Data truncated for column '%s' at row 0", column));
    case TTextNumber::Number:
    case TTextNumber::Padded:
        break;
    }
    return {};
}

TStoreProblem OutOfRange(std::string_view column) {
    return Problem(kErrorOutOfRange, rtl::Format("Out of range value for column '%s' at row 0", column));
}

TProblem CheckIntegerRange(const core::IRODataValue& value, const core::TDatatypeCharacteristics& target,
                           std::string_view column) {
    const rtl::Variant number = value.GetCharacteristics().DataType == core::dtString
                                    ? core::TDataConverter::StrToInt64(value.AsString().AsString())
                                    : value.AsInteger();
    const __int128 n = number.Type() == rtl::varUInt64 ? __int128(number.AsUInt64()) : number.AsInt64();
    if (n < target.MinValue || n > __int128(target.MaxValue)) return OutOfRange(column);
    return {};
}

std::string UpperTypeName(const core::TDatatypeCharacteristics& target) {
    std::string name = target.TypeName;
    for (char& c : name)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return name;
}

// The digits and the sign a DECIMAL type allows, read from its declaration: DECIMAL alone is
// DECIMAL(10). None for the other floating-point types, which take any double.
struct TDecimalRange {
    int Precision;
    // As declared; a value's scale stops at core::kMaxScale.
    int Scale;
    bool Unsigned;
};

std::optional<TDecimalRange> DecimalRange(const core::TDatatypeCharacteristics& target) {
    const std::string name = UpperTypeName(target);
    if (!name.starts_with("DEC") && !name.starts_with("NUMERIC") && !name.starts_with("FIXED")) return {};
    int precision = 10;
    int scale = 0;
    if (const std::size_t open = name.find('('); open != std::string::npos) {
        precision = std::atoi(name.c_str() + open + 1);
        if (const std::size_t comma = name.find(',', open); comma != std::string::npos)
            scale = std::atoi(name.c_str() + comma + 1);
    }
    return TDecimalRange{precision, scale, name.find("UNSIGNED") != std::string::npos};
}

// The limit of the DECIMAL type that the value, rounded to the type's scale, passes; none when it
// fits or the type is no DECIMAL.
std::optional<double> PassedDecimalLimit(const core::IRODataValue& value,
                                         const core::TDatatypeCharacteristics& target) {
    const auto range = DecimalRange(target);
    if (!range) return {};
    const int scale = target.Scale == core::kScaleNotSpecified ? 0 : target.Scale;
    const double limit = std::pow(10.0, range->Precision - scale) - std::pow(10.0, -scale);
    // An UNSIGNED type takes no negative number, however small.
    if (range->Unsigned && value.AsFloat().AsDouble() < 0) return 0.0;
    const double rounded = value.ConvertTo(target)->AsFloat().AsDouble();
    // Half a unit of the last digit absorbs the binary error of the rounded value.
    const double tolerance = std::pow(10.0, -scale) / 2;
    if (rounded > limit + tolerance) return limit;
    if (rounded < -limit - tolerance) return -limit;
    return {};
}

// The fraction digits of a temporal type, "(n)" as declared; empty for none.
std::string FractionClause(const std::string& upperName) {
    const std::size_t open = upperName.find('(');
    return open == std::string::npos ? std::string()
                                     : "(" + std::to_string(std::atoi(upperName.c_str() + open + 1)) + ")";
}

// CHAR (not VARCHAR): the server pads it and reads it back without trailing blanks.
bool IsFixedLengthText(const core::TDatatypeCharacteristics& target) {
    const std::string name = UpperTypeName(target);
    return (name.starts_with("CHAR") && !name.starts_with("CHARACTER VARYING")) ||
           name.starts_with("NCHAR") || name.starts_with("NATIONAL CHAR");
}

// A DECIMAL that loses digits by rounding notes it.
TProblem RoundingNote(const core::IRODataValue& value, const core::TDatatypeCharacteristics& target,
                      std::string_view column) {
    const double original = value.AsFloat().AsDouble();
    const double rounded = value.ConvertTo(target)->AsFloat().AsDouble();
    if (std::fabs(rounded - original) <= 1e-12 * std::max(1.0, std::fabs(original))) return {};
    TStoreProblem note =
        Problem(kErrorDataTruncated, rtl::Format("Data truncated for column '%s' at row 0", column));
    note.Note = true;
    return note;
}

TProblem CheckTextLength(const core::IRODataValue& value, const core::TDatatypeCharacteristics& target,
                         std::string_view column) {
    if (target.Length < 0 || target.Length == core::kUnlimitedLength) return {};
    const auto text = value.ConvertTo(core::StringCharacteristics(target.CodePage, core::kUnlimitedLength));
    const std::string bytes = text->AsVariant().AsString();
    const auto length = static_cast<std::size_t>(target.Length);
    const std::size_t kept = core::TDataConverter::IsUnicodeCodePage(text->GetCharacteristics().CodePage)
                                 ? rtl::Utf8PrefixBytes(bytes, length)
                                 : std::min(length, bytes.size());
    if (bytes.find_first_not_of(' ', kept) != std::string::npos)
        return Problem(kErrorDataTooLong, rtl::Format("Data too long for column '%s' at row 0", column));
    // A CHAR drops trailing blanks anyway; a VARCHAR that loses some notes it.
    if (kept == bytes.size() || IsFixedLengthText(target)) return {};
    TStoreProblem blanks =
        Problem(kErrorDataTruncated, rtl::Format("Data truncated for column '%s' at row 0", column));
    blanks.Note = true;
    return blanks;
}

std::shared_ptr<core::IRODataValue> WithoutTrailingBlanks(const std::shared_ptr<core::IRODataValue>& value,
                                                          const core::TDatatypeCharacteristics& target,
                                                          const TRoutine& routine) {
    const auto text = value->ConvertTo(target);
    std::string bytes = text->AsVariant().AsString();
    const std::size_t end = bytes.find_last_not_of(' ');
    if (end + 1 == bytes.size()) return text;
    bytes.erase(end == std::string::npos ? 0 : end + 1);
    return routine.Program().ValueFactory().CreateString(bytes, text->GetCharacteristics().CodePage);
}

// The value as a non-strict store keeps it: a DECIMAL beyond its type becomes the limit it passes,
// everything else as the value converter takes it.
std::shared_ptr<core::IRODataValue> FittedValue(const std::shared_ptr<core::IRODataValue>& value,
                                                const core::TDatatypeCharacteristics& target,
                                                const TRoutine& routine) {
    if (value->IsNull()) return value;
    if (target.DataType == core::dtString)
        return IsFixedLengthText(target) ? WithoutTrailingBlanks(value, target, routine) : value;
    if (target.DataType != core::dtFloat) return value;
    if (value->GetCharacteristics().DataType == core::dtString &&
        ReadTextNumber(value->AsString().AsString()) == TTextNumber::Invalid)
        return value;
    const auto limit = PassedDecimalLimit(*value, target);
    return limit ? routine.Program().ValueFactory().CreateFloat(target.Scale, *limit) : value;
}

int DaysInMonth(int year, int month) {
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = year % 4 == 0 && (year % 100 != 0 || year % 400 == 0);
    return month == 2 && leap ? 29 : kDays[month - 1];
}

int Digits(std::string_view text, std::size_t start, std::size_t count) {
    return std::atoi(std::string(text.substr(start, count)).c_str());
}

// Whether the parts of text the server showed are a calendar day and time of day. Zero dates and
// TIME's extreme values are left to the server, whose sql_mode decides them.
bool InRange(std::string_view text, core::TDataType kind) {
    if (kind == core::dtTime) {
        const std::size_t hours = text.starts_with('-') ? 1 : 0;
        const std::size_t colon = text.find(':');
        return colon != std::string_view::npos && Digits(text, hours, colon - hours) < 838 &&
               Digits(text, colon + 1, 2) < 60 && Digits(text, colon + 4, 2) < 60;
    }
    const int year = Digits(text, 0, 4);
    const int month = Digits(text, 5, 2);
    if (year < 1 || month < 1 || month > 12) return false;
    const int day = Digits(text, 8, 2);
    if (day < 1 || day > DaysInMonth(year, month)) return false;
    return kind == core::dtDate ||
           (Digits(text, 11, 2) < 24 && Digits(text, 14, 2) < 60 && Digits(text, 17, 2) < 60);
}

// The payload of text that already is a value of the temporal type as the server shows it, with no
// more fraction digits than the type keeps: storing it changes nothing, so the server need not be
// asked. TIMESTAMP's range depends on the time zone, so it always asks.
std::optional<rtl::Variant> PayloadOfTheType(const core::IRODataValue& value,
                                             const core::TDatatypeCharacteristics& target) {
    if (value.GetCharacteristics().DataType != core::dtString || target.DataType == core::dtTimestamp)
        return {};
    const std::string text = value.AsString().AsString();
    const std::size_t dot = text.find('.');
    if (dot != std::string::npos && static_cast<int>(text.size() - dot - 1) > core::TemporalScale(target))
        return {};
    const rtl::Variant payload = target.DataType == core::dtTime   ? core::TimeTextToNumber(text)
                                 : target.DataType == core::dtDate ? core::DateTextToNumber(text)
                                                                   : core::DateTimeTextToNumber(text);
    if (core::TemporalText(payload, target) != text || !InRange(text, target.DataType)) return {};
    return payload;
}

// Whether the server decides what a store into a temporal variable keeps: for every value but one of
// the very type.
bool StoredByTheServer(const core::IRODataValue& value, const core::TDatatypeCharacteristics& target) {
    if (!IsTemporalType(target.DataType) || value.IsNull()) return false;
    const core::TDatatypeCharacteristics source = value.GetCharacteristics();
    return source.DataType != target.DataType || (value.AsVariant().Type() == rtl::varString &&
                                                  core::TemporalScale(source) != core::TemporalScale(target));
}

// Stores as the server does, leaving what it said among the program's store warnings; a strict
// store that fails raises the server's error.
void StoreOnTheServer(IAssignable& target, const core::IRODataValue& value,
                      const core::TDatatypeCharacteristics& type, const std::string& column,
                      const TRoutine& routine) {
    core::TDataConverter* converter = routine.Program().ValueFactory().Converter();
    core::TTemporalStore store;
    try {
        store = converter->StoreTemporal(value.AsVariant(), value.GetCharacteristics(), type, column);
    } catch (const core::EDBAConnectionException&) {
        // A store the server refuses leaves the variable NULL.
        target.SetValue(core::NullDataValue());
        throw;
    }
    target.SetValue(std::make_shared<core::TRODataValue>(store.Payload, type, converter));
    for (core::TStoreCondition& condition : store.Conditions) {
        TStoreProblem problem = Problem(condition.ErrorCode, std::move(condition.Message));
        problem.Note = condition.Note;
        routine.Program().StoreWarnings().push_back(std::move(problem));
    }
}

} // namespace

std::optional<TStoreProblem> FindStoreProblem(const core::IRODataValue& value,
                                              const core::TDatatypeCharacteristics& target,
                                              std::string_view column) {
    if (value.IsNull()) return {};
    const bool text = value.GetCharacteristics().DataType == core::dtString;
    switch (target.DataType) {
    case core::dtInteger:
        if (text)
            if (auto problem = CheckNumberText(value, target, column)) return problem;
        return CheckIntegerRange(value, target, column);
    case core::dtFloat: {
        TProblem textProblem = text ? CheckNumberText(value, target, column) : TProblem();
        if (textProblem && textProblem->ErrorCode == kErrorIncorrectValue) return textProblem;
        if (PassedDecimalLimit(value, target)) return OutOfRange(column);
        if (textProblem || !DecimalRange(target)) return textProblem;
        return RoundingNote(value, target, column);
    }
    case core::dtString:
        return CheckTextLength(value, target, column);
    default:
        return {};
    }
}

std::optional<TStoreProblem> FindTextConversionProblem(std::string_view text, TNumberReading reading) {
    constexpr int kErrorTruncatedValue = 1292;
    static const char* const kNames[] = {"INTEGER", "DECIMAL", "DOUBLE"};
    const TTextNumber read = ReadTextNumber(text, reading == nrInteger);
    if (read == TTextNumber::Number) return {};
    TStoreProblem problem{
        kErrorTruncatedValue, "22007",
        rtl::Format("Truncated incorrect %s value: '%s'", kNames[reading], MessageValue(std::string(text)))};
    problem.Note = read == TTextNumber::Padded;
    return problem;
}

void CheckStrictStore(const core::IRODataValue& value, const core::TDatatypeCharacteristics& target,
                      std::string_view column) {
    if (const auto problem = FindStoreProblem(value, target, column); problem && !problem->Note)
        core::RaiseDBAError(problem->Message, problem->ErrorCode, problem->SQLState);
}

bool IsTemporalType(core::TDataType kind) {
    return kind == core::dtTime || kind == core::dtDate || kind == core::dtDateTime ||
           kind == core::dtTimestamp;
}

bool IsTypedVariable(const IAssignable& target) {
    return target.TypedVariable() != nullptr;
}

bool HasSqlModeFlag(const std::string& sqlMode, std::string_view flag) {
    for (const std::string& item : core::SplitString(sqlMode, ","))
        if (core::SameText(item, flag)) return true;
    return false;
}

bool IsStrictSqlMode(const std::string& sqlMode) {
    return HasSqlModeFlag(sqlMode, "STRICT_TRANS_TABLES") || HasSqlModeFlag(sqlMode, "STRICT_ALL_TABLES");
}

bool StoresStrictly(const TRoutine& routine) {
    return !routine.SqlMode() || IsStrictSqlMode(*routine.SqlMode());
}

TEvaluationMode StoreEvaluationMode(const TRoutine& routine) {
    if (!routine.SqlMode()) return emStrict;
    if (!StoresStrictly(routine)) return emDefault;
    return HasSqlModeFlag(*routine.SqlMode(), "ERROR_FOR_DIVISION_BY_ZERO") ? emStrict : emStrictStore;
}

void AssignStrictly(IAssignable& target, const std::shared_ptr<core::IRODataValue>& value,
                    const TRoutine& routine) {
    const TVariable* variable = target.TypedVariable();
    if (value == core::DefaultDataValue() || !variable) return target.SetValue(value);
    const core::TDatatypeCharacteristics& type = variable->GetValue()->GetCharacteristics();
    if (IsTemporalType(type.DataType) && !value->IsNull())
        if (auto payload = PayloadOfTheType(*value, type))
            return target.SetValue(std::make_shared<core::TRODataValue>(
                std::move(*payload), type, routine.Program().ValueFactory().Converter()));
    if (StoredByTheServer(*value, type))
        return StoreOnTheServer(target, *value, type,
                                routine.Program().IdentifierManager().UnquoteIdentifier(variable->GetName()),
                                routine);
    // The column name only goes into a problem's message, and most stores have none.
    auto problem = FindStoreProblem(*value, type, {});
    std::string column;
    if (problem) {
        column = routine.Program().IdentifierManager().UnquoteIdentifier(variable->GetName());
        problem = FindStoreProblem(*value, type, column);
    }
    if (problem && !problem->Note && StoresStrictly(routine)) {
        // A store the server refuses leaves the variable NULL.
        target.SetValue(core::NullDataValue());
        core::RaiseDBAError(problem->Message, problem->ErrorCode, problem->SQLState);
    }
    target.SetValue(FittedValue(value, type, routine));
    if (!problem) return;
    // What does not fit is cut, and the server says so with its truncation warning.
    if (problem->ErrorCode == kErrorDataTooLong)
        *problem =
            Problem(kErrorDataTruncated, rtl::Format("Data truncated for column '%s' at row 0", column));
    routine.Program().StoreWarnings().push_back(std::move(*problem));
}

std::string ExactCastType(const core::TDatatypeCharacteristics& declared) {
    const std::string name = UpperTypeName(declared);
    if (name.find("ZEROFILL") != std::string::npos) return {};
    switch (declared.DataType) {
    case core::dtInteger:
        if (declared.MinValue == std::numeric_limits<std::int64_t>::min() &&
            declared.MaxValue == std::numeric_limits<std::int64_t>::max())
            return "SIGNED";
        if (declared.MinValue == 0 && declared.MaxValue == std::numeric_limits<std::uint64_t>::max())
            return "UNSIGNED";
        return {};
    case core::dtFloat:
        if (const auto range = DecimalRange(declared)) {
            if (range->Unsigned) return {};
            return rtl::Format("DECIMAL(%d,%d)", range->Precision, range->Scale);
        }
        if (name == "FLOAT" || name == "DOUBLE") return name;
        if (name == "DOUBLE PRECISION") return "DOUBLE";
        return {};
    case core::dtDate:
        return "DATE";
    case core::dtDateTime:
        return "DATETIME" + FractionClause(name);
    case core::dtTime:
        return "TIME" + FractionClause(name);
    default:
        return {};
    }
}

} // namespace engine
