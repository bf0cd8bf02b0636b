#include "engine/uStrictAssignment.h"

#include <algorithm>
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

enum class TTextNumber { Number, Truncated, Invalid };

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// How the server reads text stored into a numeric variable: blanks around a number are fine, any
// other text after it truncates, and text without a digit is no number.
TTextNumber ReadTextNumber(std::string_view text) {
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
    if (i < text.size() && text[i] == '.') {
        ++i;
        mantissa += digits();
    }
    if (mantissa == 0) return TTextNumber::Invalid;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        std::size_t exponent = i + 1;
        if (exponent < text.size() && (text[exponent] == '-' || text[exponent] == '+')) ++exponent;
        if (exponent < text.size() && IsDigit(text[exponent])) {
            i = exponent;
            digits();
        }
    }
    while (i < text.size() && IsBlank(text[i]))
        ++i;
    return i == text.size() ? TTextNumber::Number : TTextNumber::Truncated;
}

void CheckNumberText(const core::IRODataValue& value, const core::TDatatypeCharacteristics& target,
                     std::string_view column) {
    const std::string text = value.AsString().AsString();
    switch (ReadTextNumber(text)) {
    case TTextNumber::Invalid: {
        const char* kind = target.DataType == core::dtInteger         ? "integer"
                           : target.Scale == core::kScaleNotSpecified ? "double"
                                                                      : "decimal";
        // The SQLSTATE is the server's; the error table of old servers does not know the error.
        core::RaiseDBAError(
            rtl::Format("Incorrect %s value: '%s' for column ``.``.`%s` at row 0", kind, text, column),
            kErrorIncorrectValue, "22007");
    }
    case TTextNumber::Truncated:
        core::RaiseMySQLError(rtl::Format("Data truncated for column '%s' at row 0", column),
                              kErrorDataTruncated);
    case TTextNumber::Number:
        break;
    }
}

void CheckIntegerRange(const core::IRODataValue& value, const core::TDatatypeCharacteristics& target,
                       std::string_view column) {
    const rtl::Variant number = value.GetCharacteristics().DataType == core::dtString
                                    ? core::TDataConverter::StrToInt64(value.AsString().AsString())
                                    : value.AsInteger();
    const __int128 n = number.Type() == rtl::varUInt64 ? __int128(number.AsUInt64()) : number.AsInt64();
    if (n < target.MinValue || n > __int128(target.MaxValue))
        core::RaiseMySQLError(rtl::Format("Out of range value for column '%s' at row 0", column),
                              kErrorOutOfRange);
}

void CheckTextLength(const core::IRODataValue& value, const core::TDatatypeCharacteristics& target,
                     std::string_view column) {
    if (target.Length < 0 || target.Length == core::kUnlimitedLength) return;
    const auto text = value.ConvertTo(core::StringCharacteristics(target.CodePage, core::kUnlimitedLength));
    const std::string bytes = text->AsVariant().AsString();
    const auto length = static_cast<std::size_t>(target.Length);
    const std::size_t kept = core::TDataConverter::IsUnicodeCodePage(text->GetCharacteristics().CodePage)
                                 ? rtl::Utf8PrefixBytes(bytes, length)
                                 : std::min(length, bytes.size());
    if (bytes.find_first_not_of(' ', kept) != std::string::npos)
        core::RaiseMySQLError(rtl::Format("Data too long for column '%s' at row 0", column),
                              kErrorDataTooLong);
}

} // namespace

void CheckStrictStore(const core::IRODataValue& value, const core::TDatatypeCharacteristics& target,
                      std::string_view column) {
    if (value.IsNull()) return;
    const bool text = value.GetCharacteristics().DataType == core::dtString;
    switch (target.DataType) {
    case core::dtInteger:
        if (text) CheckNumberText(value, target, column);
        CheckIntegerRange(value, target, column);
        break;
    case core::dtFloat:
        if (text) CheckNumberText(value, target, column);
        break;
    case core::dtString:
        CheckTextLength(value, target, column);
        break;
    default:
        break;
    }
}

bool IsTypedVariable(const IAssignable& target) {
    return dynamic_cast<const TVariable*>(&target) != nullptr;
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
    return StoresStrictly(routine) && HasSqlModeFlag(*routine.SqlMode(), "ERROR_FOR_DIVISION_BY_ZERO") ? emStrict
                                                                                                     : emDefault;
}

void AssignStrictly(IAssignable& target, const std::shared_ptr<core::IRODataValue>& value,
                    const TRoutine& routine) {
    const core::TIdentifierManager& identifiers = routine.Program().IdentifierManager();
    if (value != core::DefaultDataValue() && StoresStrictly(routine))
        if (const auto* variable = dynamic_cast<const TVariable*>(&target))
            CheckStrictStore(*value, variable->GetValue()->GetCharacteristics(),
                             identifiers.UnquoteIdentifier(variable->GetName()));
    target.SetValue(value);
}

} // namespace engine
