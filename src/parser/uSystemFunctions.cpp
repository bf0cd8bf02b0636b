#include "parser/uSystemFunctions.h"

#include "platform/rtl/Exception.h"

#include <algorithm>

namespace parser {

namespace {

std::string AsciiUpperCase(std::string_view text) {
    std::string upper(text);
    std::transform(upper.begin(), upper.end(), upper.begin(),
                   [](char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; });
    return upper;
}

struct TBuiltIn {
    const char* Name;
    std::vector<std::string_view> Parameters;
    bool Variadic;
};

// In this order: code completion lists them so, and callers rely on the first 198 positions.
const std::vector<TBuiltIn>& BuiltIns() {
    static const std::vector<TBuiltIn> table = {
        // Aggregates and control flow
        {"AVG", {"[DISTINCT] expr"}, false},
        {"COUNT", {"[DISTINCT] expr"}, false},
        {"GROUP_CONCAT", {"expr"}, false},
        {"MAX", {"[DISTINCT] expr"}, false},
        {"MIN", {"[DISTINCT] expr"}, false},
        {"SUM", {"[DISTINCT] expr"}, false},
        {"IF", {"expr1", "expr2", "expr3"}, false},
        {"IFNULL", {"expr1", "expr2"}, false},
        {"NULLIF", {"expr1", "expr2"}, false},
        // Strings
        {"ASCII", {"str"}, false},
        {"BIN", {"N"}, false},
        {"BIT_LENGTH", {"str"}, false},
        {"CHAR_LENGTH", {"str"}, false},
        {"CHAR", {"N", "N..."}, true},
        {"CHARACTER_LENGTH", {"str"}, false},
        {"CONCAT_WS", {"separator", "str1", "str2", "str..."}, true},
        {"CONCAT", {"str1", "str2", "str..."}, true},
        {"ELT", {"N", "str1", "str2", "str..."}, true},
        {"EXPORT_SET", {"bits", "on", "off", "[separator]", "[number_of_bits]"}, false},
        {"FIELD", {"str", "str1", "str2", "str..."}, true},
        {"FIND_IN_SET", {"str", "strlist"}, false},
        {"FORMAT", {"X", "D"}, false},
        {"HEX", {"N_or_S"}, false},
        {"INSERT", {"str", "pos", "len", "newstr"}, false},
        {"INSTR", {"str", "substr"}, false},
        {"LCASE", {"str"}, false},
        {"LEFT", {"str", "len"}, false},
        {"LENGTH", {"str"}, false},
        {"LOAD_FILE", {"file_name"}, false},
        {"LOCATE", {"substr", "str", "[pos]"}, false},
        {"LOWER", {"str"}, false},
        {"LPAD", {"str", "len", "padstr"}, false},
        {"LTRIM", {"str"}, false},
        {"MAKE_SET", {"bits", "str1", "str2", "str..."}, true},
        {"MID", {"str", "pos", "len"}, false},
        {"OCTET_LENGTH", {"str"}, false},
        {"ORD", {"str"}, false},
        {"POSITION", {"substr IN str"}, false},
        {"QUOTE", {"str"}, false},
        {"REPEAT", {"str", "count"}, false},
        {"REPLACE", {"str", "from_str", "to_str"}, false},
        {"REVERSE", {"str"}, false},
        {"RIGHT", {"str", "len"}, false},
        {"RPAD", {"str", "len", "padstr"}, false},
        {"RTRIM", {"str"}, false},
        {"SPACE", {"N"}, false},
        {"STRCMP", {"expr1", "expr2"}, false},
        {"SUBSTR", {"str", "pos", "[len]"}, false},
        {"SUBSTRING", {"str", "pos", "[len]"}, false},
        {"SUBSTRING_INDEX", {"str", "delim", "count"}, false},
        {"TRIM", {"[{BOTH | LEADING | TRAILING} [remstr] FROM] str"}, false},
        {"UCASE", {"str"}, false},
        {"UNHEX", {"str"}, false},
        {"UPPER", {"str"}, false},
        // Numbers
        {"ABS", {"X"}, false},
        {"ACOS", {"X"}, false},
        {"ASIN", {"X"}, false},
        {"ATAN2", {"Y", "X"}, false},
        {"ATAN", {"[Y]", "X"}, false},
        {"CEIL", {"X"}, false},
        {"CEILING", {"X"}, false},
        {"CONV", {"N", "from_base", "to_base"}, false},
        {"COS", {"X"}, false},
        {"COT", {"X"}, false},
        {"CRC32", {"expr"}, false},
        {"DEGREES", {"X"}, false},
        {"EXP", {"X"}, false},
        {"FLOOR", {"X"}, false},
        {"LN", {"X"}, false},
        {"LOG10", {"X"}, false},
        {"LOG2", {"X"}, false},
        {"LOG", {"[B]", "X"}, false},
        {"MOD", {"N", "M"}, false},
        {"OCT", {"N"}, false},
        {"PI", {}, false},
        {"POW", {"X", "Y"}, false},
        {"POWER", {"X", "Y"}, false},
        {"RADIANS", {"X"}, false},
        {"RAND", {"[N]"}, false},
        {"ROUND", {"X", "[D]"}, false},
        {"SIGN", {"X"}, false},
        {"SIN", {"X"}, false},
        {"SQRT", {"X"}, false},
        {"TAN", {"X"}, false},
        {"TRUNCATE", {"X", "D"}, false},
        // Dates and times
        {"ADDDATE", {"date", "INTERVAL expr unit"}, false},
        {"ADDTIME", {"expr1", "expr2"}, false},
        {"CONVERT_TZ", {"dt", "from_tz", "to_tz"}, false},
        {"CURDATE", {}, false},
        {"CURRENT_DATE", {}, false},
        {"CURRENT_TIME", {}, false},
        {"CURRENT_TIMESTAMP", {}, false},
        {"CURTIME", {}, false},
        {"DATE_ADD", {"date", "INTERVAL expr unit"}, false},
        {"DATE_FORMAT", {"date", "format"}, false},
        {"DATE_SUB", {"date", "INTERVAL expr unit"}, false},
        {"DATE", {"expr"}, false},
        {"DATEDIFF", {"expr1", "expr2"}, false},
        {"DAY", {"date"}, false},
        {"DAYNAME", {"date"}, false},
        {"DAYOFMONTH", {"date"}, false},
        {"DAYOFWEEK", {"date"}, false},
        {"DAYOFYEAR", {"date"}, false},
        {"EXTRACT", {"unit FROM date"}, false},
        {"FROM_DAYS", {"N"}, false},
        {"FROM_UNIXTIME", {"unix_timestamp", "[format]"}, false},
        {"GET_FORMAT", {"({DATE|TIME|DATETIME}", "{'EUR'|'USA'|'JIS'|'ISO'|'INTERNAL'}"}, false},
        {"HOUR", {"time"}, false},
        {"LAST_DAY", {"date"}, false},
        {"LOCALTIME", {}, false},
        {"LOCALTIMESTAMP", {}, false},
        {"MAKEDATE", {"year", "dayofyear"}, false},
        {"MAKETIME", {"hour", "minute", "second"}, false},
        {"MICROSECOND", {"expr"}, false},
        {"MINUTE", {"time"}, false},
        {"MONTH", {"date"}, false},
        {"MONTHNAME", {"date"}, false},
        {"NOW", {}, false},
        {"PERIOD_ADD", {"P", "N"}, false},
        {"PERIOD_DIFF", {"P1", "P2"}, false},
        {"QUARTER", {"date"}, false},
        {"SEC_TO_TIME", {"seconds"}, false},
        {"SECOND", {"time"}, false},
        {"STR_TO_DATE", {"str", "format"}, false},
        {"SUBDATE", {"date", "INTERVAL expr unit"}, false},
        {"SUBTIME", {"expr1", "expr2"}, false},
        {"SYSDATE", {}, false},
        {"TIME_FORMAT", {"time", "format"}, false},
        {"TIME_TO_SEC", {"time"}, false},
        {"TIME", {"expr"}, false},
        {"TIMEDIFF", {"expr1", "expr2"}, false},
        {"TIMESTAMP", {"expr1", "[expr2]"}, false},
        {"TIMESTAMPADD", {"unit", "interval", "datetime_expr"}, false},
        {"TIMESTAMPDIFF", {"unit", "datetime_expr1", "datetime_expr2"}, false},
        {"TO_DAYS", {"date"}, false},
        {"UNIX_TIMESTAMP", {"[date]"}, false},
        {"UTC_DATE", {}, false},
        {"UTC_TIME", {}, false},
        {"UTC_TIMESTAMP", {}, false},
        {"WEEK", {"date", "[mode]"}, false},
        {"WEEKDAY", {"date"}, false},
        {"WEEKOFYEAR", {"date"}, false},
        {"YEAR", {"date"}, false},
        {"YEARWEEK", {"date", "[mode]"}, false},
        // Encryption, information and miscellaneous
        {"AES_DECRYPT", {"crypt_str", "key_str"}, false},
        {"AES_ENCRYPT", {"str", "key_str"}, false},
        {"BENCHMARK", {"count", "expr"}, false},
        {"BIT_COUNT", {"N"}, false},
        {"CHARSET", {"str"}, false},
        {"COERCIBILITY", {"str"}, false},
        {"COLLATION", {"str"}, false},
        {"COMPRESS", {"string_to_compress"}, false},
        {"CONNECTION_ID", {}, false},
        {"CURRENT_USER", {}, false},
        {"DATABASE", {}, false},
        {"DECODE", {"crypt_str", "pass_str"}, false},
        {"DEFAULT", {"col_name"}, false},
        {"DES_DECRYPT", {"crypt_str", "[key_str]"}, false},
        {"DES_ENCRYPT", {"str", "[{key_num|key_str}]"}, false},
        {"ENCODE", {"str", "pass_str"}, false},
        {"ENCRYPT", {"str", "[salt]"}, false},
        {"FOUND_ROWS", {}, false},
        {"GET_LOCK", {"str", "timeout"}, false},
        {"INET_ATON", {"expr"}, false},
        {"INET_NTOA", {"expr"}, false},
        {"IS_FREE_LOCK", {"str"}, false},
        {"IS_USED_LOCK", {"str"}, false},
        {"LAST_INSERT_ID", {"[expr]"}, false},
        {"MASTER_POS_WAIT", {"log_name", "log_pos", "[timeout]"}, false},
        {"MD5", {"str"}, false},
        {"NAME_CONST", {"name", "value"}, false},
        {"OLD_PASSWORD", {"str"}, false},
        {"PASSWORD", {"str"}, false},
        {"RELEASE_LOCK", {"str"}, false},
        {"ROW_COUNT", {}, false},
        {"SCHEMA", {}, false},
        {"SESSION_USER", {}, false},
        {"SHA", {"str"}, false},
        {"SHA1", {"str"}, false},
        {"SLEEP", {"duration"}, false},
        {"SYSTEM_USER", {}, false},
        {"UNCOMPRESS", {"string_to_uncompress"}, false},
        {"UNCOMPRESSED_LENGTH", {"compressed_string"}, false},
        {"USER", {}, false},
        {"UUID", {}, false},
        {"UUID_SHORT", {}, false},
        {"VALUES", {"col_name"}, false},
        {"VERSION", {}, false},
        // Bit and statistical aggregates
        {"BIT_AND", {"expr"}, false},
        {"BIT_OR", {"expr"}, false},
        {"BIT_XOR", {"expr"}, false},
        {"STD", {"expr"}, false},
        {"STDDEV_POP", {"expr"}, false},
        {"STDDEV_SAMP", {"expr"}, false},
        {"STDDEV", {"expr"}, false},
        {"VAR_POP", {"expr"}, false},
        {"VAR_SAMP", {"expr"}, false},
        {"VARIANCE", {"expr"}, false},
        // Built-ins of current servers. Known as built-ins, their calls go to the server at once
        // instead of first being looked up as stored functions.
        {"COALESCE", {"value1", "value2", "value..."}, true},
        {"GREATEST", {"value1", "value2", "value..."}, true},
        {"LEAST", {"value1", "value2", "value..."}, true},
        {"ISNULL", {"expr"}, false},
        {"SHA2", {"str", "hash_len"}, false},
        {"TO_BASE64", {"str"}, false},
        {"FROM_BASE64", {"str"}, false},
        {"SOUNDEX", {"str"}, false},
        {"TO_SECONDS", {"expr"}, false},
        {"REGEXP_REPLACE", {"subject", "pattern", "replace"}, false},
        {"REGEXP_SUBSTR", {"subject", "pattern"}, false},
        {"REGEXP_INSTR", {"subject", "pattern"}, false},
        {"JSON_ARRAY", {"[value]", "value..."}, true},
        {"JSON_OBJECT", {"[key, value]", "key, value..."}, true},
        {"JSON_EXTRACT", {"json_doc", "path", "path..."}, true},
        {"JSON_UNQUOTE", {"val"}, false},
        {"JSON_QUOTE", {"json_value"}, false},
        {"JSON_VALUE", {"json_doc", "path"}, false},
        {"JSON_QUERY", {"json_doc", "path"}, false},
        {"JSON_CONTAINS", {"json_doc", "val", "[path]"}, false},
        {"JSON_SET", {"json_doc", "path", "val", "path, val..."}, true},
        {"JSON_INSERT", {"json_doc", "path", "val", "path, val..."}, true},
        {"JSON_REPLACE", {"json_doc", "path", "val", "path, val..."}, true},
        {"JSON_REMOVE", {"json_doc", "path", "path..."}, true},
        {"JSON_LENGTH", {"json_doc", "[path]"}, false},
        {"JSON_KEYS", {"json_doc", "[path]"}, false},
        {"JSON_VALID", {"value"}, false},
        {"JSON_TYPE", {"json_val"}, false},
    };
    return table;
}

} // namespace

void TSystemFunctions::Add(std::string_view name, std::vector<std::string_view> parameters, bool variadic) {
    std::string upper = AsciiUpperCase(name);
    if (index_.count(upper)) throw EInvalidInsert("Function " + std::string(name) + " already added");
    TSystemFunction function{upper, {}, variadic};
    for (std::string_view p : parameters)
        function.Parameters.push_back({std::string(p), {}});
    index_.emplace(upper, Count());
    functions_.push_back(std::move(function));
}

TSystemFunction TSystemFunctions::GetFunction(int index) const {
    if (index < 0 || index >= Count()) rtl::ListIndexError(index);
    return functions_[index];
}

int TSystemFunctions::IndexOf(std::string_view name) const {
    auto found = index_.find(AsciiUpperCase(name));
    return found == index_.end() ? -1 : found->second;
}

TSystemFunctions& SystemFunctions() {
    static TSystemFunctions functions = [] {
        TSystemFunctions table;
        for (const auto& f : BuiltIns())
            table.Add(f.Name, f.Parameters, f.Variadic);
        return table;
    }();
    return functions;
}

} // namespace parser
