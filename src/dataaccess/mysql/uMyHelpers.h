// MySQL helpers: quoting and escaping, literal values, name splitting and type mapping.
#pragma once

#include "dataaccess/mysql/uMySQLAPI.h"
#include "dataaccess/store/uStringBuilder.h"
#include "platform/rtl/DateTime.h"
#include "platform/rtl/Variant.h"

#include <string>
#include <string_view>

namespace dataaccess {

class TBlob;
class TCRFieldDesc;
class TParamDesc;

// ---- Process-wide switches (fixed for the program)

// Booleans as b'1' and b'0' on servers newer than 4.
inline constexpr bool kMyBoolAsBitLiteral = false;
// A VAR_STRING column of length 65535 without a source table is read as a memo or blob.
inline constexpr bool kMyLongVarStringAsText = true;

// The date-time value the record set stores for the MySQL zero date (0001-01-01 00:00:00).
inline constexpr rtl::TDateTime kMyZeroDate = -693593.0;

// ---- String literals
// With backslash escapes NUL, LF, CR, byte 26, the double quote, the single quote and the backslash
// are escaped with a backslash; without them (sql_mode NO_BACKSLASH_ESCAPES) only the single quote
// is doubled. Either way the literal reads back as the source bytes.

std::string MyEscapeAnsiBuffer(std::string_view source, bool backslashEscapes);
std::u16string MyEscapeWideBuffer(std::u16string_view source, bool backslashEscapes);
// The escaped text between single quotes.
std::string MyQuoteAnsiString(std::string_view source, bool backslashEscapes);
std::u16string MyQuoteWideString(std::u16string_view source, bool backslashEscapes);

// How a literal is written for the server session.
struct TMyLiteralOptions {
    int ServerMajor = 5;
    bool BackslashEscapes = true;
    bool CompressOnServer = false; // blobs go compressed, as the client's compressed-blob format
    bool UseUnicode = false;       // the session speaks UTF-8: UTF-16 blob content goes as UTF-8
};

// An empty blob gives ''. Compressed content goes as its bytes; otherwise a Unicode blob goes as
// UTF-8 text with UseUnicode and as its raw UTF-16 bytes without.
std::string MyBlobToSQLText(TBlob& blob, bool useUnicode, bool backslashEscapes);
// The quoted literal of a value, or of `blob` when given.
std::string MyVariantToQuotedText(const rtl::Variant& value, TBlob* blob, const TMyLiteralOptions& options);

// The MySQL literal of a parameter value by its internal data type: NULL, the zero date
// '0000-00-00 00:00:00', dates 'YYYY-MM-DD[ HH:NN:SS]', times '[-]H:MM:SS', numbers with ".",
// booleans 1 and 0, everything else quoted.
void AppendValueSQLText(AnsiStringBuilder& sql, const TMySqlParam& param, const TMyLiteralOptions& options);
std::string GetValueSQLText(const TMySqlParam& param, const TMyLiteralOptions& options);

// A number's text with "." as the decimal separator; text that is no number raises EConversionError.
std::string FloatToSQLText(const rtl::Variant& value);
// The value rounded to the four decimals of a currency value, without trailing zeros.
std::string CurrencyToSQLText(double value);

// ---- Parameters

// A command's parameter as the API binds it and the literal writer reads it.
TMySqlParam MySqlParamOf(const TParamDesc& param);
// Blob, memo or wide memo.
bool IsBlobParam(const TParamDesc& param);

// ---- Identifiers

// Longer than one character and enclosed in a matching pair of backquotes, double or single quotes.
bool MyIsQuotedName(std::string_view name);
// A name (unqualified) that must be backquoted: after unquoting it starts with a digit or holds a
// character other than a letter A-Z or a-z, a digit, "_", "$", "#" or "@".
bool MyQuotesNeeded(std::string_view name);
// Every backquote doubled; a quoted text keeps its enclosing pair.
std::string MyEscapeBackquotes(std::string_view text);
// Quotes a name when forced or needed and not quoted yet; each side of a qualified name separately.
std::string MyQuoteNameWith(std::string_view name, char leftQuote, char rightQuote, bool force);
std::string MyQuoteName(std::string_view name, bool force = false);
// Unquotes each part of a (qualified) name whose unquoted form needs no quotes. With `collect`,
// the parts are put in front of `list`, last part first, each followed by byte 1.
std::string MyUnquoteNameEx(std::string_view name, bool collect, std::string& list);
std::string MyUnquoteName(std::string_view name);
std::string MyUnquoteNameList(std::string_view name, std::string& list);
// "db.proc" gives schema db and object proc; an unqualified name an empty schema. Both unquoted
// where they need no quotes.
void SplitObjectName(std::string_view name, std::string& schema, std::string& object);
// schema.object, each quoted where needed, when the schema is set and is not the current database;
// otherwise the object alone.
std::string ComposeObjectName(std::string_view schema, std::string_view object,
                              std::string_view currentDatabase);

// The name of the field's table, empty for a column without one.
std::string GetFieldTableName(const TCRFieldDesc& field);

// ---- Column types

// The record set's options that shape the internal type of a column.
struct TMyTypeOptions {
    bool EnableBCD = false;
    bool EnableFMTBCD = false;
    bool DecimalPrecision = false; // DECIMAL as BCD only while it fits the currency form
    bool UseUnicode = false;
    bool BinaryAsString = false;
    bool OptimizedBigInt = false;
    bool EnableBoolean = false;
};

// The internal data type and fixed-length flag of a MySQL column; false for an unknown MySQL type.
// BIGINT UNSIGNED is read as text, so values of 2^63 and above keep their digits.
bool MySqlTypeToInternalType(int mySqlType, uint32_t length, uint32_t decimals, uint32_t charsetNr,
                             bool isUnsigned, bool isBinary, const TMyTypeOptions& options, int& dataType,
                             bool& fixed);

// Types the prepared-statement fetch reads through a separate buffer.
bool NeedsFetchBuffer(int dataType);

} // namespace dataaccess
