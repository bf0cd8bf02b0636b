#include "editor/WCESQLHighlighter.h"

#include <algorithm>
#include <array>

namespace editor {

namespace {

// Sorted in upper-case ASCII order, which the binary search relies on ("CHARSET" before
// "CHAR_LENGTH"); entry i has the number 257 + i.
constexpr std::array<const char*, kSQLKeywordCount> kKeywords{
    "ABS",
    "ACCESSIBLE",
    "ACOS",
    "ACTION",
    "ADD",
    "ADDDATE",
    "ADDTIME",
    "AES_DECRYPT",
    "AES_ENCRYPT",
    "AFTER",
    "AGAINST",
    "AGGREGATE",
    "ALGORITHM",
    "ALL",
    "ALTER",
    "ANALYZE",
    "AND",
    "ANY",
    "AS",
    "ASC",
    "ASCII",
    "ASENSITIVE",
    "ASIN",
    "ATAN",
    "ATAN2",
    "AUTO_INCREMENT",
    "AVG",
    "AVG_ROW_LENGTH",
    "BACKUP",
    "BDB",
    "BEFORE",
    "BEGIN",
    "BENCHMARK",
    "BERKELEYDB",
    "BETWEEN",
    "BIGINT",
    "BIN",
    "BINARY",
    "BINLOG",
    "BIT",
    "BIT_AND",
    "BIT_COUNT",
    "BIT_LENGTH",
    "BIT_OR",
    "BIT_XOR",
    "BLOB",
    "BOOL",
    "BOOLEAN",
    "BOTH",
    "BTREE",
    "BY",
    "BYTE",
    "CACHE",
    "CALL",
    "CASCADE",
    "CASCADED",
    "CASE",
    "CAST",
    "CEIL",
    "CEILING",
    "CHAIN",
    "CHANGE",
    "CHANGED",
    "CHAR",
    "CHARACTER",
    "CHARACTER_LENGTH",
    "CHARSET",
    "CHAR_LENGTH",
    "CHECK",
    "CHECKSUM",
    "CIPHER",
    "CLIENT",
    "CLOSE",
    "COALESCE",
    "COERCIBILITY",
    "COLLATE",
    "COLLATION",
    "COLUMN",
    "COLUMNS",
    "COMMENT",
    "COMMIT",
    "COMMITTED",
    "COMPACT",
    "COMPRESS",
    "COMPRESSED",
    "CONCAT",
    "CONCAT_WS",
    "CONCURRENT",
    "CONDITION",
    "CONNECTION",
    "CONNECTION_ID",
    "CONSTRAINT",
    "CONTAINS",
    "CONTINUE",
    "CONV",
    "CONVERT",
    "CONVERT_TZ",
    "COS",
    "COT",
    "COUNT",
    "CRC32",
    "CREATE",
    "CROSS",
    "CUBE",
    "CURDATE",
    "CURRENT_DATE",
    "CURRENT_TIME",
    "CURRENT_TIMESTAMP",
    "CURRENT_USER",
    "CURSOR",
    "CURTIME",
    "DATA",
    "DATABASE",
    "DATABASES",
    "DATE",
    "DATEDIFF",
    "DATETIME",
    "DATE_ADD",
    "DATE_FORMAT",
    "DATE_SUB",
    "DAY",
    "DAYNAME",
    "DAYOFMONTH",
    "DAYOFWEEK",
    "DAYOFYEAR",
    "DAY_HOUR",
    "DAY_MICROSECOND",
    "DAY_MINUTE",
    "DAY_SECOND",
    "DEALLOCATE",
    "DEC",
    "DECIMAL",
    "DECLARE",
    "DECODE",
    "DEFAULT",
    "DEFINER",
    "DEGREES",
    "DELAYED",
    "DELAY_KEY_WRITE",
    "DELETE",
    "DELIMITER",
    "DESC",
    "DESCRIBE",
    "DES_DECRYPT",
    "DES_ENCRYPT",
    "DES_KEY_FILE",
    "DETERMINISTIC",
    "DIRECTORY",
    "DISABLE",
    "DISCARD",
    "DISTINCT",
    "DISTINCTROW",
    "DIV",
    "DO",
    "DOUBLE",
    "DROP",
    "DUAL",
    "DUMPFILE",
    "DUPLICATE",
    "DYNAMIC",
    "EACH",
    "ELSE",
    "ELSEIF",
    "ELT",
    "ENABLE",
    "ENCLOSED",
    "ENCODE",
    "ENCRYPT",
    "END",
    "ENGINE",
    "ENGINES",
    "ENUM",
    "EQUAL",
    "ERRORS",
    "ESCAPE",
    "ESCAPED",
    "EVENTS",
    "EXECUTE",
    "EXISTS",
    "EXIT",
    "EXP",
    "EXPANSION",
    "EXPLAIN",
    "EXPORT_SET",
    "EXTENDED",
    "EXTRACT",
    "FALSE",
    "FAST",
    "FETCH",
    "FIELD",
    "FIELDS",
    "FILE",
    "FIND_IN_SET",
    "FIRST",
    "FIXED",
    "FLOAT",
    "FLOAT4",
    "FLOAT8",
    "FLOOR",
    "FLUSH",
    "FOR",
    "FORCE",
    "FOREIGN",
    "FORMAT",
    "FOUND",
    "FOUND_ROWS",
    "FRAC_SECOND",
    "FROM",
    "FROM_DAYS",
    "FROM_UNIXTIME",
    "FULL",
    "FULLTEXT",
    "FUNCTION",
    "GEOMCOLLFROMTEXT",
    "GEOMCOLLFROMWKB",
    "GEOMETRY",
    "GEOMETRYCOLLECTION",
    "GEOMETRYCOLLECTIONFROMTEXT",
    "GEOMETRYCOLLECTIONFROMWKB",
    "GEOMETRYFROMTEXT",
    "GEOMETRYFROMWKB",
    "GEOMFROMTEXT",
    "GEOMFROMWKB",
    "GET_FORMAT",
    "GET_LOCK",
    "GLOBAL",
    "GOTO",
    "GRANT",
    "GRANTS",
    "GREATER",
    "GREATEST",
    "GROUP",
    "GROUP_CONCAT",
    "GROUP_UNIQUE_USERS",
    "HANDLER",
    "HASH",
    "HAVING",
    "HELP",
    "HEX",
    "HIGH_PRIORITY",
    "HOSTS",
    "HOUR",
    "HOUR_MICROSECOND",
    "HOUR_MINUTE",
    "HOUR_SECOND",
    "IDENTIFIED",
    "IF",
    "IFNULL",
    "IGNORE",
    "IGNORE_SERVER_IDS",
    "IMPORT",
    "IN",
    "INDEX",
    "INDEXES",
    "INET_ATON",
    "INET_NTOA",
    "INFILE",
    "INNER",
    "INNOBASE",
    "INNODB",
    "INOUT",
    "INSENSITIVE",
    "INSERT",
    "INSERT_METHOD",
    "INSTR",
    "INT",
    "INT1",
    "INT2",
    "INT3",
    "INT4",
    "INT8",
    "INTEGER",
    "INTERVAL",
    "INTO",
    "INVOKER",
    "IO_THREAD",
    "IS",
    "ISOLATION",
    "ISSUER",
    "IS_FREE_LOCK",
    "IS_USED_LOCK",
    "ITERATE",
    "JOIN",
    "KEY",
    "KEYS",
    "KILL",
    "LABEL",
    "LANGUAGE",
    "LAST",
    "LAST_DAY",
    "LAST_INSERT_ID",
    "LCASE",
    "LEADING",
    "LEAST",
    "LEAVE",
    "LEAVES",
    "LEFT",
    "LENGTH",
    "LESS",
    "LEVEL",
    "LIKE",
    "LIMIT",
    "LINEAR",
    "LINEFROMTEXT",
    "LINEFROMWKB",
    "LINES",
    "LINESTRING",
    "LINESTRINGFROMTEXT",
    "LINESTRINGFROMWKB",
    "LIST",
    "LN",
    "LOAD",
    "LOAD_FILE",
    "LOCAL",
    "LOCALTIME",
    "LOCALTIMESTAMP",
    "LOCATE",
    "LOCK",
    "LOCKS",
    "LOG",
    "LOG10",
    "LOG2",
    "LOGS",
    "LONG",
    "LONGBLOB",
    "LONGTEXT",
    "LOOP",
    "LOWER",
    "LOW_PRIORITY",
    "LPAD",
    "LTRIM",
    "MAKEDATE",
    "MAKETIME",
    "MAKE_SET",
    "MASTER",
    "MASTER_CONNECT_RETRY",
    "MASTER_HEARTBEAT_PERIOD",
    "MASTER_HOST",
    "MASTER_LOG_FILE",
    "MASTER_LOG_POS",
    "MASTER_PASSWORD",
    "MASTER_PORT",
    "MASTER_POS_WAIT",
    "MASTER_SERVER_ID",
    "MASTER_SSL",
    "MASTER_SSL_CA",
    "MASTER_SSL_CAPATH",
    "MASTER_SSL_CERT",
    "MASTER_SSL_CIPHER",
    "MASTER_SSL_KEY",
    "MASTER_SSL_VERIFY_SERVER_CERT",
    "MASTER_USER",
    "MATCH",
    "MAX",
    "MAXVALUE",
    "MAX_CONNECTIONS_PER_HOUR",
    "MAX_QUERIES_PER_HOUR",
    "MAX_ROWS",
    "MAX_UPDATES_PER_HOUR",
    "MAX_USER_CONNECTIONS",
    "MD5",
    "MEDIUM",
    "MEDIUMBLOB",
    "MEDIUMINT",
    "MEDIUMTEXT",
    "MERGE",
    "MICROSECOND",
    "MID",
    "MIDDLEINT",
    "MIGRATE",
    "MIN",
    "MINUTE",
    "MINUTE_MICROSECOND",
    "MINUTE_SECOND",
    "MIN_ROWS",
    "MLINEFROMTEXT",
    "MLINEFROMWKB",
    "MOD",
    "MODE",
    "MODIFIES",
    "MODIFY",
    "MONTH",
    "MONTHNAME",
    "MPOINTFROMTEXT",
    "MPOINTFROMWKB",
    "MPOLYFROMTEXT",
    "MPOLYFROMWKB",
    "MULTILINESTRING",
    "MULTILINESTRINGFROMTEXT",
    "MULTILINESTRINGFROMWKB",
    "MULTIPOINT",
    "MULTIPOINTFROMTEXT",
    "MULTIPOINTFROMWKB",
    "MULTIPOLYGON",
    "MULTIPOLYGONFROMTEXT",
    "MULTIPOLYGONFROMWKB",
    "MUTEX",
    "NAMES",
    "NAME_CONST",
    "NATIONAL",
    "NATURAL",
    "NCHAR",
    "NDB",
    "NDBCLUSTER",
    "NEW",
    "NEXT",
    "NO",
    "NONE",
    "NOT",
    "NOW",
    "NO_WRITE_TO_BINLOG",
    "NULL",
    "NULLIF",
    "NUMERIC",
    "NVARCHAR",
    "OCT",
    "OCTET_LENGTH",
    "OFFSET",
    "OLD_PASSWORD",
    "ON",
    "ONE",
    "ONE_SHOT",
    "OPEN",
    "OPTIMIZE",
    "OPTION",
    "OPTIONALLY",
    "OR",
    "ORD",
    "ORDER",
    "OUT",
    "OUTER",
    "OUTFILE",
    "PACK_KEYS",
    "PARTIAL",
    "PARTITION",
    "PARTITIONS",
    "PASSWORD",
    "PERIOD_ADD",
    "PERIOD_DIFF",
    "PHASE",
    "PI",
    "POINT",
    "POINTFROMTEXT",
    "POINTFROMWKB",
    "POLYFROMTEXT",
    "POLYFROMWKB",
    "POLYGON",
    "POLYGONFROMTEXT",
    "POLYGONFROMWKB",
    "POSITION",
    "POW",
    "POWER",
    "PRECISION",
    "PREPARE",
    "PREV",
    "PRIMARY",
    "PRIVILEGES",
    "PROCEDURE",
    "PROCESS",
    "PROCESSLIST",
    "PURGE",
    "QUARTER",
    "QUERY",
    "QUICK",
    "QUOTE",
    "RADIANS",
    "RAID0",
    "RAID_CHUNKS",
    "RAID_CHUNKSIZE",
    "RAID_TYPE",
    "RAND",
    "RANGE",
    "READ",
    "READS",
    "READ_WRITE",
    "REAL",
    "RECOVER",
    "REDUNDANT",
    "REFERENCES",
    "REGEXP",
    "RELAY_LOG_FILE",
    "RELAY_LOG_POS",
    "RELAY_THREAD",
    "RELEASE",
    "RELEASE_LOCK",
    "RELOAD",
    "RENAME",
    "REPAIR",
    "REPEAT",
    "REPEATABLE",
    "REPLACE",
    "REPLICATION",
    "REQUIRE",
    "RESET",
    "RESIGNAL",
    "RESTORE",
    "RESTRICT",
    "RESUME",
    "RETURN",
    "RETURNS",
    "REVERSE",
    "REVOKE",
    "RIGHT",
    "RLIKE",
    "ROLLBACK",
    "ROLLUP",
    "ROUND",
    "ROUTINE",
    "ROW",
    "ROWS",
    "ROW_COUNT",
    "ROW_FORMAT",
    "RPAD",
    "RTREE",
    "RTRIM",
    "SAVEPOINT",
    "SCHEMA",
    "SCHEMAS",
    "SECOND",
    "SECOND_MICROSECOND",
    "SECURITY",
    "SEC_TO_TIME",
    "SELECT",
    "SENSITIVE",
    "SEPARATOR",
    "SERIAL",
    "SERIALIZABLE",
    "SESSION",
    "SESSION_USER",
    "SET",
    "SHA1",
    "SHARE",
    "SHOW",
    "SHUTDOWN",
    "SIGN",
    "SIGNAL",
    "SIGNED",
    "SIMPLE",
    "SIN",
    "SLAVE",
    "SLEEP",
    "SMALLINT",
    "SNAPSHOT",
    "SOME",
    "SONAME",
    "SOUNDEX",
    "SOUNDS",
    "SPACE",
    "SPATIAL",
    "SPECIFIC",
    "SQL",
    "SQLEXCEPTION",
    "SQLSTATE",
    "SQLWARNING",
    "SQL_BIG_RESULT",
    "SQL_BUFFER_RESULT",
    "SQL_CACHE",
    "SQL_CALC_FOUND_ROWS",
    "SQL_NO_CACHE",
    "SQL_SMALL_RESULT",
    "SQL_THREAD",
    "SQL_TSI_DAY",
    "SQL_TSI_FRAC_SECOND",
    "SQL_TSI_HOUR",
    "SQL_TSI_MINUTE",
    "SQL_TSI_MONTH",
    "SQL_TSI_QUARTER",
    "SQL_TSI_SECOND",
    "SQL_TSI_WEEK",
    "SQL_TSI_YEAR",
    "SQRT",
    "SSL",
    "START",
    "STARTING",
    "STATUS",
    "STD",
    "STDDEV",
    "STDDEV_POP",
    "STDDEV_SAMP",
    "STOP",
    "STORAGE",
    "STRAIGHT_JOIN",
    "STRCMP",
    "STRING",
    "STRIPED",
    "STR_TO_DATE",
    "SUBDATE",
    "SUBJECT",
    "SUBSTR",
    "SUBSTRING",
    "SUBSTRING_INDEX",
    "SUBTIME",
    "SUM",
    "SUPER",
    "SUSPEND",
    "SYSDATE",
    "SYSTEM_USER",
    "TABLE",
    "TABLES",
    "TABLESPACE",
    "TAN",
    "TEMPORARY",
    "TEMPTABLE",
    "TERMINATED",
    "TEXT",
    "THAN",
    "THEN",
    "TIME",
    "TIMEDIFF",
    "TIMESTAMP",
    "TIMESTAMPADD",
    "TIMESTAMPDIFF",
    "TIME_FORMAT",
    "TIME_TO_SEC",
    "TINYBLOB",
    "TINYINT",
    "TINYTEXT",
    "TO",
    "TO_DAYS",
    "TO_SECONDS",
    "TRAILING",
    "TRANSACTION",
    "TRIGGER",
    "TRIGGERS",
    "TRIM",
    "TRUE",
    "TRUNCATE",
    "TYPE",
    "TYPES",
    "UCASE",
    "UNCOMMITTED",
    "UNCOMPRESS",
    "UNCOMPRESSED_LENGTH",
    "UNDEFINED",
    "UNDO",
    "UNHEX",
    "UNICODE",
    "UNION",
    "UNIQUE",
    "UNIQUE_USERS",
    "UNIX_TIMESTAMP",
    "UNKNOWN",
    "UNLOCK",
    "UNSIGNED",
    "UNTIL",
    "UPDATE",
    "UPPER",
    "USAGE",
    "USE",
    "USER",
    "USER_RESOURCES",
    "USE_FRM",
    "USING",
    "UTC_DATE",
    "UTC_TIME",
    "UTC_TIMESTAMP",
    "UUID",
    "UUID_SHORT",
    "VALUE",
    "VALUES",
    "VARBINARY",
    "VARCHAR",
    "VARCHARACTER",
    "VARIABLES",
    "VARIANCE",
    "VARYING",
    "VAR_POP",
    "VAR_SAMP",
    "VERSION",
    "VIEW",
    "WARNINGS",
    "WEEK",
    "WEEKDAY",
    "WEEKOFYEAR",
    "WHEN",
    "WHERE",
    "WHILE",
    "WITH",
    "WORK",
    "WRITE",
    "X509",
    "XA",
    "XOR",
    "YEAR",
    "YEARWEEK",
    "YEAR_MONTH",
    "ZEROFILL",
};
constexpr int kFirstKeywordNumber = 257;

char16_t Upper(char16_t c) {
    return c >= u'a' && c <= u'z' ? char16_t(c - 32) : c;
}

// Compares a word, upper-cased, with a table entry.
int CompareKeyword(std::u16string_view word, const char* keyword) {
    std::size_t i = 0;
    for (; i < word.size() && keyword[i]; ++i) {
        const char16_t a = Upper(word[i]);
        const auto b = char16_t(static_cast<unsigned char>(keyword[i]));
        if (a != b) return a < b ? -1 : 1;
    }
    if (i < word.size()) return 1;
    return keyword[i] ? -1 : 0;
}

bool IsDigit(char16_t c) {
    return c >= u'0' && c <= u'9';
}
bool IsHexDigit(char16_t c) {
    return IsDigit(c) || (c >= u'A' && c <= u'F') || (c >= u'a' && c <= u'f');
}
// Letters and "_" start a word; the server takes every character from U+0080 on into unquoted names.
bool IsWordStart(char16_t c) {
    return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') || c == u'_' || c >= 0x80;
}
bool IsWordPart(char16_t c) {
    return IsWordStart(c) || IsDigit(c);
}

} // namespace

int SQLKeywordNumber(std::u16string_view word) {
    int low = 0, high = kSQLKeywordCount - 1;
    while (low <= high) {
        const int mid = (low + high) / 2;
        const int c = CompareKeyword(word, kKeywords[std::size_t(mid)]);
        if (c == 0) return kFirstKeywordNumber + mid;
        if (c < 0)
            high = mid - 1;
        else
            low = mid + 1;
    }
    return 0;
}

const char* SQLKeyword(int number) {
    const int i = number - kFirstKeywordNumber;
    return i >= 0 && i < kSQLKeywordCount ? kKeywords[std::size_t(i)] : nullptr;
}

TWCESQLHighlighter::TWCESQLHighlighter() {
    SetDefaultFilter("SQL script files (*.sql)|*.sql");
    comment_.SetValues(ui::clWindowText, ui::clWindow, {ui::fsItalic});
    key_.SetValues(ui::clWindowText, ui::clWindow, {ui::fsBold});
    for (int i = 0; i <= 11; ++i)
        if (THighlightAttributes* a = GetAttribute(i))
            a->OnChange = [this](THighlightAttributes&) { RepaintEditors(); };
}

TWCESQLHighlighter::~TWCESQLHighlighter() = default;

void TWCESQLHighlighter::GetIdentChars(TIdentChars& chars) const {
    chars.reset();
    for (char16_t c = 0; c < 128; ++c)
        if (IsWordPart(c)) chars.set(c);
}

THighlightAttributes* TWCESQLHighlighter::GetAttribute(int index) const {
    auto* self = const_cast<TWCESQLHighlighter*>(this);
    switch (index) {
    case 0:
        return &self->comment_;
    case 1:
        return &self->identifier_;
    case 2:
        return &self->number_;
    case 3:
        return &self->key_;
    case 4:
        return &self->space_;
    case 5:
        return &self->string_;
    case 6:
        return &self->symbol_;
    case 7:
        return &self->embeddedCommand_;
    case 9:
        return &self->systemVariable_;
    case 10:
        return &self->userVariable_;
    case 11:
        return &self->quotedID_;
    default:
        return nullptr;
    }
}

THighlightAttributes* TWCESQLHighlighter::AttributeOfKind(int kind) const {
    switch (kind) {
    case tkExecutableComment:
        return GetAttribute(7);
    case tkDecimal:
    case tkHexNumber:
    case tkHexString:
    case tkInteger:
        return GetAttribute(2);
    case tkIdentifier:
        return GetAttribute(1);
    case tkReservedWord:
        return GetAttribute(3);
    case tkComment:
    case tkLineComment:
        return GetAttribute(0);
    case tkQuotedIdentifier:
        return GetAttribute(11);
    case tkString:
        return GetAttribute(5);
    case tkSymbol:
        return GetAttribute(6);
    case tkSystemVariable:
        return GetAttribute(9);
    case tkUserVariable:
        return GetAttribute(10);
    case tkSpace:
        return GetAttribute(4);
    default:
        return nullptr;
    }
}

void TWCESQLHighlighter::SetLine(std::u16string_view line) {
    line_.assign(line);
    start_ = pos_ = 0;
    kind_ = 0;
    range_ = srNormal;
}

bool TWCESQLHighlighter::GetEol() const {
    return kind_ == 0 && start_ >= line_.size();
}

std::u16string TWCESQLHighlighter::GetToken() const {
    return line_.substr(start_, pos_ - start_);
}

void TWCESQLHighlighter::GetTokenInfo(TTokenInfo& info) const {
    info = {};
    if (GetEol()) return;
    info.Kind = kind_;
    info.Start = int(start_);
    info.Length = int(pos_ - start_);
    if (const THighlightAttributes* a = AttributeOfKind(kind_)) {
        info.Background = ui::ColorToRGB(a->Background());
        info.Foreground = ui::ColorToRGB(a->Foreground());
        info.Style = a->Style();
    }
}

void TWCESQLHighlighter::Next() {
    start_ = pos_;
    kind_ = 0;
    if (pos_ >= line_.size()) return;
    switch (range_) {
    case srComment:
    case srExecutableComment:
        ScanCommentPiece();
        break;
    case srString:
    case srDoubleQuoted:
    case srBackQuoted:
        ScanQuotedPiece();
        break;
    default:
        ScanNormal();
        break;
    }
}

// A line that starts inside a quoted text: a run of plain characters, an escape, or the closing quote
// (which returns to the normal range), each a token of its own.
void TWCESQLHighlighter::ScanQuotedPiece() {
    const char16_t quote = range_ == srString ? u'\'' : range_ == srDoubleQuoted ? u'"' : u'`';
    const bool backslashEscapes = quote != u'`';
    kind_ = quote == u'\'' ? tkString : tkQuotedIdentifier;
    const char16_t c = line_[pos_];
    if (c == quote && !backslashEscapes && At(pos_ + 1) == quote) {
        pos_ += 2;
    } else if (c == quote) {
        ++pos_;
        range_ = srNormal;
    } else if (c == u'\\' && backslashEscapes) {
        pos_ = std::min(pos_ + 2, line_.size());
    } else {
        while (pos_ < line_.size() && line_[pos_] != quote && !(line_[pos_] == u'\\' && backslashEscapes))
            ++pos_;
    }
}

// A line that starts inside a comment: a run of characters other than "*", or a "*" that with a
// following "/" ends the comment.
void TWCESQLHighlighter::ScanCommentPiece() {
    kind_ = range_ == srComment ? tkComment : tkExecutableComment;
    if (line_[pos_] != u'*') {
        while (pos_ < line_.size() && line_[pos_] != u'*')
            ++pos_;
        return;
    }
    ++pos_;
    if (At(pos_) == u'/') {
        ++pos_;
        range_ = srNormal;
    }
}

// Inside a quoted text: the closing quote ends it; a backslash takes the next character along, but
// in back-quoted names (as on the server) only a doubled back-quote stands for one.
void TWCESQLHighlighter::ScanQuoted(char16_t quote, int openRange) {
    kind_ = quote == u'\'' ? tkString : tkQuotedIdentifier;
    const bool backslashEscapes = quote != u'`';
    while (pos_ < line_.size()) {
        const char16_t c = line_[pos_];
        if (c == u'\\' && backslashEscapes) {
            pos_ = std::min(pos_ + 2, line_.size());
        } else if (c == quote) {
            if (!backslashEscapes && At(pos_ + 1) == quote) {
                pos_ += 2;
                continue;
            }
            ++pos_;
            range_ = srNormal;
            return;
        } else {
            ++pos_;
        }
    }
    range_ = openRange;
}

void TWCESQLHighlighter::ScanCommentBody(int openRange) {
    kind_ = openRange == srComment ? tkComment : tkExecutableComment;
    while (pos_ < line_.size()) {
        if (line_[pos_] == u'*' && At(pos_ + 1) == u'/') {
            pos_ += 2;
            range_ = srNormal;
            return;
        }
        ++pos_;
    }
    range_ = openRange;
}

bool TWCESQLHighlighter::ScanNumber(bool signedNumber) {
    std::size_t p = pos_ + (signedNumber ? 1 : 0);
    while (IsDigit(At(p)))
        ++p;
    bool decimal = false;
    if (At(p) == u'.') {
        decimal = true;
        ++p;
        while (IsDigit(At(p)))
            ++p;
    }
    // An exponent: E, an optional sign and at least one digit.
    if (At(p) == u'E' || At(p) == u'e') {
        std::size_t q = p + 1;
        if (At(q) == u'+' || At(q) == u'-') ++q;
        if (IsDigit(At(q))) {
            while (IsDigit(At(q)))
                ++q;
            p = q;
            decimal = true;
        }
    }
    if (signedNumber && !decimal) return false;
    kind_ = decimal ? tkDecimal : tkInteger;
    pos_ = p;
    return true;
}

void TWCESQLHighlighter::ScanNormal() {
    const char16_t c = line_[pos_];
    const char16_t next = At(pos_ + 1);
    if (c >= 1 && c <= 32) {
        kind_ = tkSpace;
        while (pos_ < line_.size() && line_[pos_] >= 1 && line_[pos_] <= 32)
            ++pos_;
        return;
    }
    if (c == u'0' && (next == u'x' || next == u'X') && IsHexDigit(At(pos_ + 2))) {
        kind_ = tkHexNumber;
        pos_ += 2;
        while (IsHexDigit(At(pos_)))
            ++pos_;
        return;
    }
    if (IsDigit(c)) {
        ScanNumber(false);
        return;
    }
    if ((c == u'+' || c == u'-') && IsDigit(next) && ScanNumber(true)) return;
    if ((c == u'x' || c == u'X') && next == u'\'') {
        std::size_t p = pos_ + 2;
        while (IsHexDigit(At(p)))
            ++p;
        if (At(p) == u'\'') {
            kind_ = tkHexString;
            pos_ = p + 1;
            return;
        }
    }
    if (IsWordStart(c)) {
        std::size_t p = pos_;
        while (IsWordPart(At(p)))
            ++p;
        kind_ = SQLKeywordNumber(std::u16string_view(line_).substr(pos_, p - pos_)) ? tkReservedWord
                                                                                    : tkIdentifier;
        pos_ = p;
        return;
    }
    if (c == u'@') {
        const bool system = next == u'@';
        const std::size_t word = pos_ + (system ? 2 : 1);
        if (IsWordStart(At(word))) {
            kind_ = system ? tkSystemVariable : tkUserVariable;
            pos_ = word;
            while (IsWordPart(At(pos_)))
                ++pos_;
            return;
        }
    }
    if (c == u'\'' || c == u'"' || c == u'`') {
        ++pos_;
        ScanQuoted(c, c == u'\'' ? srString : c == u'"' ? srDoubleQuoted : srBackQuoted);
        return;
    }
    if (c == u'-' && next == u'-') {
        const char16_t after = At(pos_ + 2);
        if (after == u' ') {
            kind_ = tkLineComment;
            while (pos_ < line_.size() && line_[pos_] != u'\r')
                ++pos_;
        } else {
            kind_ = after == u'\r' || pos_ + 2 >= line_.size() ? tkLineComment : tkSymbol;
            pos_ += 2;
        }
        return;
    }
    if (c == u'#') {
        kind_ = tkLineComment;
        while (pos_ < line_.size() && line_[pos_] != u'\r')
            ++pos_;
        return;
    }
    if (c == u'/' && next == u'*') {
        const bool executable = At(pos_ + 2) == u'!';
        pos_ += executable ? 3 : 2;
        ScanCommentBody(executable ? srExecutableComment : srComment);
        return;
    }
    kind_ = tkSymbol;
    ++pos_;
}

} // namespace editor
