#include "dataaccess/mysql/uMyHelpers.h"

#include "dataaccess/server/uCRCommand.h"
#include "dataaccess/server/uCRRecordSet.h"
#include "dataaccess/store/uBlob.h"
#include "dataaccess/store/uCompressedBlob.h"
#include "dataaccess/store/uDataTypes.h"
#include "platform/rtl/Exception.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/ScopeExit.h"

#include <mariadb/mysql.h>

#include <cmath>
#include <cstdlib>

namespace dataaccess {

namespace {

constexpr uint32_t kBinaryCharset = 63;
constexpr char kNameListSeparator = '\x01';

template <class CharT>
std::basic_string<CharT> Escape(std::basic_string_view<CharT> source, bool backslashEscapes) {
    std::basic_string<CharT> result;
    result.reserve(source.size() + source.size() / 8 + 2);
    for (const CharT ch : source) {
        if (!backslashEscapes) {
            if (ch == CharT('\'')) result.push_back(ch);
            result.push_back(ch);
            continue;
        }
        CharT escaped = 0;
        switch (ch) {
        case CharT('\0'):
            escaped = CharT('0');
            break;
        case CharT('\n'):
            escaped = CharT('n');
            break;
        case CharT('\r'):
            escaped = CharT('r');
            break;
        case CharT('\x1A'):
            escaped = CharT('Z');
            break;
        case CharT('"'):
        case CharT('\''):
        case CharT('\\'):
            escaped = ch;
            break;
        default:
            result.push_back(ch);
            continue;
        }
        result.push_back(CharT('\\'));
        result.push_back(escaped);
    }
    return result;
}

template <class CharT>
std::basic_string<CharT> Quote(std::basic_string_view<CharT> source, bool backslashEscapes) {
    return CharT('\'') + Escape(source, backslashEscapes) + CharT('\'');
}

bool IsDigit(char ch) {
    return ch >= '0' && ch <= '9';
}

bool IsNameChar(char ch) {
    return IsDigit(ch) || (ch >= 'A' && ch <= 'Z') || (ch >= 'a' && ch <= 'z') || ch == '_' || ch == '$' ||
           ch == '#' || ch == '@';
}

std::string_view StripQuotes(std::string_view name) {
    return MyIsQuotedName(name) ? name.substr(1, name.size() - 2) : name;
}

// The first dot outside quoted parts, so that a quoted name may itself contain dots.
size_t FindNameDot(std::string_view name) {
    char quote = 0;
    for (size_t i = 0; i < name.size(); ++i) {
        const char ch = name[i];
        if (quote) {
            if (ch == quote) quote = 0;
        } else if (ch == '`' || ch == '"') {
            quote = ch;
        } else if (ch == '.') {
            return i;
        }
    }
    return std::string_view::npos;
}

// [+-]digits[.digits][E[+-]digits], with digits on at least one side of the point.
bool IsNumberText(std::string_view text) {
    size_t i = 0;
    const auto digits = [&] {
        const size_t start = i;
        while (i < text.size() && IsDigit(text[i]))
            ++i;
        return i > start;
    };
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
    bool mantissa = digits();
    if (i < text.size() && text[i] == '.') {
        ++i;
        mantissa = digits() || mantissa;
    }
    if (!mantissa) return false;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        ++i;
        if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
        if (!digits()) return false;
    }
    return i == text.size();
}

std::string TimeSQLText(double days) {
    const long long total = std::llround(days * 86400.0);
    const long long seconds = std::llabs(total);
    return rtl::Format("'%s%d:%.2d:%.2d'", total < 0 ? "-" : "", seconds / 3600, seconds / 60 % 60,
                       seconds % 60);
}

// An integer's text; text that is no integer raises the conversion error instead of reaching SQL.
std::string IntegerSQLText(const rtl::Variant& value) {
    if (value.Type() == rtl::varUInt64) return std::to_string(value.AsUInt64());
    return std::to_string(value.AsInt64());
}

std::string BlobBytes(TBlob& blob) {
    const PPieceHeader piece = blob.FirstPiece();
    return piece ? std::string(reinterpret_cast<const char*>(PieceData(piece)), piece->Used) : std::string();
}

// A blob reference for the compressed-on-server mode: compressed in place, or copied into a
// compressed blob when it is large enough for compression to pay.
std::string CompressedBlobLiteral(TBlob& blob, const TMyLiteralOptions& options) {
    if (auto* compressed = dynamic_cast<TCompressedBlob*>(&blob)) {
        compressed->SetCompressed(true);
        return MyBlobToSQLText(blob, options.UseUnicode, options.BackslashEscapes);
    }
    if (blob.GetSize() <= kMinCompressSize)
        return MyBlobToSQLText(blob, options.UseUnicode, options.BackslashEscapes);
    auto* copy = new TCompressedBlob(blob.IsUnicode());
    const rtl::ScopeExit release([copy] { copy->Release(); });
    copy->CopyFrom(blob);
    copy->SetCompressed(true);
    return MyBlobToSQLText(*copy, options.UseUnicode, options.BackslashEscapes);
}

} // namespace

std::string MyEscapeAnsiBuffer(std::string_view source, bool backslashEscapes) {
    return Escape(source, backslashEscapes);
}

std::u16string MyEscapeWideBuffer(std::u16string_view source, bool backslashEscapes) {
    return Escape(source, backslashEscapes);
}

std::string MyQuoteAnsiString(std::string_view source, bool backslashEscapes) {
    return Quote(source, backslashEscapes);
}

std::u16string MyQuoteWideString(std::u16string_view source, bool backslashEscapes) {
    return Quote(source, backslashEscapes);
}

std::string MyBlobToSQLText(TBlob& blob, bool useUnicode, bool backslashEscapes) {
    if (blob.GetSize() == 0) return "''";
    blob.Defragment();
    auto* compressed = dynamic_cast<TCompressedBlob*>(&blob);
    const bool asBytes = (compressed && compressed->IsCompressed()) || !useUnicode || !blob.IsUnicode();
    return MyQuoteAnsiString(asBytes ? BlobBytes(blob) : blob.ReadAsAnsi(), backslashEscapes);
}

std::string MyVariantToQuotedText(const rtl::Variant& value, TBlob* blob, const TMyLiteralOptions& options) {
    if (blob) {
        if (options.CompressOnServer) return CompressedBlobLiteral(*blob, options);
        auto* compressed = dynamic_cast<TCompressedBlob*>(blob);
        if (compressed && compressed->IsCompressed())
            return MyQuoteAnsiString(blob->ReadAsAnsi(), options.BackslashEscapes); // reading uncompresses
        return MyBlobToSQLText(*blob, options.UseUnicode, options.BackslashEscapes);
    }
    // 8-bit values are UTF-8 text or raw bytes and go as they are; UTF-16 text goes as UTF-8.
    return MyQuoteAnsiString(value.AsString(), options.BackslashEscapes);
}

void AppendValueSQLText(AnsiStringBuilder& sql, const TMySqlParam& param, const TMyLiteralOptions& options) {
    sql.Append(GetValueSQLText(param, options));
}

std::string GetValueSQLText(const TMySqlParam& param, const TMyLiteralOptions& options) {
    const rtl::Variant& value = param.Value;
    if (param.IsNull || (!param.Blob && value.IsNull())) return "NULL";
    if (IsDateTimeType(param.DataType) && value.AsDateTime() == kMyZeroDate) return "'0000-00-00 00:00:00'";
    switch (param.DataType) {
    case dtUnknown:
    case dtBlob:
    case dtBytes:
    case dtVarBytes:
    case dtExtVarBytes:
    case dtString:
    case dtMemo:
    case dtExtString:
    case dtWideString:
    case dtExtWideString:
    case dtWideMemo:
        return MyVariantToQuotedText(value, param.Blob, options);
    case dtFloat:
    case dtCurrency:
    case dtFMTBCD:
        return FloatToSQLText(value);
    case dtBCD:
        return CurrencyToSQLText(value.AsDouble());
    case dtDate: {
        const rtl::DateTimeParts p = rtl::DecodeDateTime(value.AsDateTime());
        return rtl::Format("'%.4d-%.2d-%.2d'", p.year, p.month, p.day);
    }
    case dtDateTime: {
        const rtl::DateTimeParts p = rtl::DecodeDateTime(value.AsDateTime());
        return rtl::Format("'%.4d-%.2d-%.2d %.2d:%.2d:%.2d'", p.year, p.month, p.day, p.hour, p.minute,
                           p.second);
    }
    case dtTime:
        return TimeSQLText(value.AsDouble());
    case dtBoolean:
        if (kMyBoolAsBitLiteral && options.ServerMajor > 4) return value.AsBoolean() ? "b'1'" : "b'0'";
        return value.AsBoolean() ? "1" : "0";
    case dtInt8:
    case dtInt16:
    case dtInt32:
    case dtUInt16:
    case dtInt64:
    case dtUInt32:
        return IntegerSQLText(value);
    default:
        return MyQuoteAnsiString(value.AsString(), options.BackslashEscapes);
    }
}

std::string FloatToSQLText(const rtl::Variant& value) {
    std::string text = value.AsString();
    const bool isText = value.Type() == rtl::varString || value.Type() == rtl::varWideString;
    if (isText && !IsNumberText(text))
        throw rtl::EConversionError(rtl::Format("'%s' is not a valid floating point value", text));
    return text;
}

std::string CurrencyToSQLText(double value) {
    const long long scaled = std::llround(value * 10000.0);
    const unsigned long long magnitude = scaled < 0 ? 0ULL - static_cast<unsigned long long>(scaled) : scaled;
    std::string text = (scaled < 0 ? "-" : "") + std::to_string(magnitude / 10000);
    std::string fraction = rtl::Format("%.4d", static_cast<int>(magnitude % 10000));
    while (!fraction.empty() && fraction.back() == '0')
        fraction.pop_back();
    return fraction.empty() ? text : text + "." + fraction;
}

TMySqlParam MySqlParamOf(const TParamDesc& param) {
    TMySqlParam result;
    result.DataType = param.GetDataType();
    result.Direction = param.GetParamType();
    result.Size = param.GetSize();
    result.Value = param.GetValue();
    if (result.Value.IsEmpty() || result.Value.IsNull())
        result.Blob = dynamic_cast<TBlob*>(param.GetObject());
    result.IsNull = param.GetNull();
    return result;
}

bool IsBlobParam(const TParamDesc& param) {
    return IsBlobType(param.GetDataType());
}

std::string GetFieldTableName(const TCRFieldDesc& field) {
    return field.TableInfo() ? field.TableInfo()->TableName() : std::string();
}

bool MyIsQuotedName(std::string_view name) {
    if (name.size() <= 1) return false;
    const char first = name.front();
    return (first == '`' || first == '"' || first == '\'') && name.back() == first;
}

bool MyQuotesNeeded(std::string_view name) {
    const std::string_view raw = StripQuotes(name);
    if (!raw.empty() && IsDigit(raw.front())) return true;
    for (const char ch : raw)
        if (!IsNameChar(ch)) return true;
    return false;
}

std::string MyEscapeBackquotes(std::string_view text) {
    const bool quoted = MyIsQuotedName(text);
    const std::string_view inside = quoted ? text.substr(1, text.size() - 2) : text;
    std::string result;
    if (quoted) result.push_back(text.front());
    for (const char ch : inside) {
        if (ch == '`') result.push_back('`');
        result.push_back(ch);
    }
    if (quoted) result.push_back(text.back());
    return result;
}

std::string MyQuoteNameWith(std::string_view name, char leftQuote, char rightQuote, bool force) {
    if (MyIsQuotedName(name)) return std::string(name);
    const size_t dot = FindNameDot(name);
    const auto quote = [&](std::string_view raw) {
        const std::string inner = leftQuote == '`' ? MyEscapeBackquotes(raw) : std::string(raw);
        return leftQuote + inner + rightQuote;
    };
    if (dot != std::string_view::npos) {
        if (dot == 0 || dot == name.size() - 1) return quote(name);
        return MyQuoteName(name.substr(0, dot), false) + "." + MyQuoteName(name.substr(dot + 1), false);
    }
    if (force || MyQuotesNeeded(name)) return quote(name);
    return std::string(name);
}

std::string MyQuoteName(std::string_view name, bool force) {
    return MyQuoteNameWith(name, '`', '`', force);
}

std::string MyUnquoteNameEx(std::string_view name, bool collect, std::string& list) {
    const size_t dot = FindNameDot(name);
    if (name.size() > 2 && dot != std::string_view::npos) {
        if (dot == 0) return MyUnquoteNameEx(name.substr(1), true, list);
        std::string result = MyUnquoteNameEx(name.substr(0, dot), true, list);
        return result + "." + MyUnquoteNameEx(name.substr(dot + 1), true, list);
    }
    std::string result(name);
    if (name.size() > 2 && MyIsQuotedName(name) && !MyQuotesNeeded(name))
        result = std::string(StripQuotes(name));
    if (collect && dot == std::string_view::npos) list = result + kNameListSeparator + list;
    return result;
}

std::string MyUnquoteName(std::string_view name) {
    std::string list;
    return MyUnquoteNameEx(name, false, list);
}

std::string MyUnquoteNameList(std::string_view name, std::string& list) {
    return MyUnquoteNameEx(name, true, list);
}

void SplitObjectName(std::string_view name, std::string& schema, std::string& object) {
    std::string list;
    MyUnquoteNameList(name, list);
    // The list holds the parts last first: object, then schema.
    const size_t objectEnd = list.find(kNameListSeparator);
    object = list.substr(0, objectEnd);
    const size_t schemaEnd = list.find(kNameListSeparator, objectEnd + 1);
    schema = schemaEnd == std::string::npos ? std::string()
                                            : list.substr(objectEnd + 1, schemaEnd - objectEnd - 1);
}

std::string ComposeObjectName(std::string_view schema, std::string_view object,
                              std::string_view currentDatabase) {
    if (!schema.empty() && schema != currentDatabase) return MyQuoteName(schema) + "." + MyQuoteName(object);
    return MyQuoteName(object);
}

bool MySqlTypeToInternalType(int mySqlType, uint32_t length, uint32_t decimals, uint32_t charsetNr,
                             bool isUnsigned, bool isBinary, const TMyTypeOptions& options, int& dataType,
                             bool& fixed) {
    const bool binary = isBinary && charsetNr == kBinaryCharset;
    fixed = false;
    switch (mySqlType) {
    case MYSQL_TYPE_DECIMAL:
    case MYSQL_TYPE_NEWDECIMAL: {
        const bool fitsCurrency =
            static_cast<long long>(length) - (decimals > 0 ? 1 : 0) - 1 <= 14 && decimals <= 4;
        if (options.DecimalPrecision)
            dataType = options.EnableBCD && fitsCurrency ? dtBCD : options.EnableFMTBCD ? dtFMTBCD : dtFloat;
        else
            dataType = options.EnableFMTBCD ? dtFMTBCD : options.EnableBCD ? dtBCD : dtFloat;
        break;
    }
    case MYSQL_TYPE_TINY:
        dataType = length == 1 && options.EnableBoolean ? dtBoolean : isUnsigned ? dtUInt16 : dtInt8;
        break;
    case MYSQL_TYPE_SHORT:
        dataType = isUnsigned ? dtUInt16 : dtInt16;
        break;
    case MYSQL_TYPE_LONG:
        dataType = isUnsigned ? dtUInt32 : dtInt32;
        break;
    case MYSQL_TYPE_FLOAT:
    case MYSQL_TYPE_DOUBLE:
        dataType = dtFloat;
        break;
    case MYSQL_TYPE_NULL:
        dataType = dtString;
        break;
    case MYSQL_TYPE_TIMESTAMP:
    case MYSQL_TYPE_DATETIME:
        dataType = dtDateTime;
        break;
    case MYSQL_TYPE_LONGLONG:
        if (isUnsigned) {
            dataType = dtString;
            break;
        }
        [[fallthrough]];
    case MYSQL_TYPE_BIT:
        dataType = length < 12 && options.OptimizedBigInt ? dtInt32 : dtInt64;
        break;
    case MYSQL_TYPE_INT24:
        dataType = dtInt32;
        break;
    case MYSQL_TYPE_DATE:
    case MYSQL_TYPE_NEWDATE:
        dataType = dtDate;
        break;
    case MYSQL_TYPE_TIME:
        dataType = dtTime;
        break;
    case MYSQL_TYPE_YEAR:
        dataType = dtUInt16;
        break;
    case MYSQL_TYPE_VARCHAR:
    case MYSQL_TYPE_VAR_STRING:
        dataType = binary && !options.BinaryAsString ? dtVarBytes : dtString;
        break;
    case MYSQL_TYPE_ENUM:
    case MYSQL_TYPE_SET:
        dataType = dtString;
        break;
    case MYSQL_TYPE_STRING:
        dataType = binary && !options.BinaryAsString ? dtBytes : dtString;
        fixed = true;
        break;
    case MYSQL_TYPE_TINY_BLOB:
    case MYSQL_TYPE_MEDIUM_BLOB:
    case MYSQL_TYPE_LONG_BLOB:
    case MYSQL_TYPE_BLOB:
    case MYSQL_TYPE_GEOMETRY:
        dataType = binary ? dtBlob : dtMemo;
        break;
    default:
        return false;
    }
    if (options.UseUnicode) {
        if (dataType == dtString) dataType = dtWideString;
        if (dataType == dtMemo) dataType = dtWideMemo;
    }
    return true;
}

bool NeedsFetchBuffer(int dataType) {
    switch (dataType) {
    case dtDate:
    case dtTime:
    case dtDateTime:
    case dtBlob:
    case dtMemo:
    case dtExtString:
    case dtVarBytes:
    case dtExtVarBytes:
    case dtWideString:
    case dtExtWideString:
    case dtBCD:
    case dtFMTBCD:
    case dtWideMemo:
        return true;
    default:
        return false;
    }
}

} // namespace dataaccess
