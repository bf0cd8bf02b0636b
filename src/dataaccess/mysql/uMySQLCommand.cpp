#include "dataaccess/mysql/uMySQLCommand.h"

#include "dataaccess/mysql/uMyHelpers.h"
#include "dataaccess/mysql/uMyParser.h"
#include "dataaccess/mysql/uMySQLConnection.h"
#include "dataaccess/mysql/uMySQLRecordset.h"
#include "dataaccess/mysql/uMyTableInfo.h"
#include "dataaccess/server/uCRAccess.h"
#include "dataaccess/store/uCRParser.h"
#include "dataaccess/store/uDataTypes.h"
#include "platform/data/Component.h"
#include "platform/rtl/Exception.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/ScopeExit.h"

#include <algorithm>
#include <cctype>
#include <map>

namespace dataaccess {
namespace {

std::string Upper(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::toupper(c); });
    return text;
}

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
    return text;
}

std::unique_ptr<TSQLParser> NewMyParser(std::string text) {
    return std::make_unique<TMyParser>(std::move(text));
}

// The internal data type of a declared routine parameter type. Binary words read as blobs,
// character words as strings, and a word we do not know as a string too.
int RoutineTypeOf(const std::string& word) {
    static const std::map<std::string, int> types = {
        {"BIT", dtBoolean},
        {"TINYINT", dtInt8},
        {"SMALLINT", dtInt16},
        {"MEDIUMINT", dtInt32},
        {"INT", dtInt32},
        {"INTEGER", dtInt32},
        {"BIGINT", dtInt64},
        {"DOUBLE", dtFloat},
        {"FLOAT", dtFloat},
        {"REAL", dtFloat},
        {"DECIMAL", dtFloat},
        {"NUMERIC", dtFloat},
        {"DEC", dtFloat},
        {"FIXED", dtFloat},
        {"CHAR", dtString},
        {"VARCHAR", dtString},
        {"CHARACTER", dtString},
        {"NCHAR", dtString},
        {"NVARCHAR", dtString},
        {"DATE", dtDate},
        {"TIME", dtTime},
        {"TIMESTAMP", dtDateTime},
        {"DATETIME", dtDateTime},
        {"YEAR", dtUInt16},
        {"BOOL", dtInt8},
        {"BOOLEAN", dtInt8},
        {"TINYBLOB", dtBlob},
        {"BLOB", dtBlob},
        {"MEDIUMBLOB", dtBlob},
        {"LONGBLOB", dtBlob},
        {"BINARY", dtVarBytes},
        {"VARBINARY", dtVarBytes},
        {"TINYTEXT", dtMemo},
        {"TEXT", dtMemo},
        {"MEDIUMTEXT", dtMemo},
        {"LONGTEXT", dtMemo},
        {"JSON", dtMemo},
        {"ENUM", dtString},
        {"SET", dtString},
        {"UUID", dtString},
        {"INET4", dtString},
        {"INET6", dtString},
        {"GEOMETRY", dtBlob},
        {"POINT", dtBlob},
        {"LINESTRING", dtBlob},
        {"POLYGON", dtBlob},
        {"GEOMETRYCOLLECTION", dtBlob},
        {"MULTIPOINT", dtBlob},
        {"MULTILINESTRING", dtBlob},
        {"MULTIPOLYGON", dtBlob},
    };
    const auto found = types.find(word);
    return found == types.end() ? dtString : found->second;
}

bool IsDecimalType(const std::string& typeText) {
    return typeText.starts_with("DECIMAL") || typeText.starts_with("NUMERIC") ||
           typeText.starts_with("DEC") || typeText.starts_with("FIXED");
}

// The SELECT expression that reads an output variable back with its declared type.
std::string CastExpression(const TParamInfo& info, const std::string& variable) {
    std::string alias = "'@";
    for (char c : info.Name) {
        alias += c;
        if (c == '\'') alias += '\'';
    }
    alias += '\'';
    const std::string& type = info.TypeText;
    const char* format = "%s AS %s";
    if (type == "TINYINT" || type == "SMALLINT" || type == "MEDIUMINT" || type == "INT" ||
        type == "INTEGER" || type == "BIGINT")
        format = info.IsUnsigned ? "CAST(%s AS UNSIGNED) AS %s" : "CAST(%s AS SIGNED) AS %s";
    else if (type == "YEAR")
        format = "CAST(%s AS UNSIGNED) AS %s";
    else if (type == "DATE")
        format = "CAST(%s AS DATE) AS %s";
    else if (type == "TIME")
        format = "CAST(%s AS TIME) AS %s";
    else if (type == "DATETIME")
        format = "CAST(%s AS DATETIME) AS %s";
    else if (type == "TINYBLOB" || type == "BLOB" || type == "MEDIUMBLOB" || type == "LONGBLOB")
        format = "CAST(%s AS BINARY) AS %s";
    else if (type.starts_with("DECIMAL") || type.starts_with("NUMERIC"))
        return "CAST(" + variable + " AS " + type + ") AS " + alias;
    return rtl::Format(format, variable.c_str(), alias.c_str());
}

// The text between `open` (an index of "(") and its matching ")", or nothing when unbalanced.
std::string BalancedGroup(const std::string& text, size_t open) {
    int depth = 0;
    for (size_t i = open; i < text.size(); ++i) {
        if (text[i] == '(') ++depth;
        if (text[i] == ')' && --depth == 0) return text.substr(open + 1, i - open - 1);
    }
    return {};
}

} // namespace

TMySQLCommand::TMySQLCommand() = default;

TMySQLCommand::~TMySQLCommand() {
    if (stmt_ && connection_ && connection_->API()) connection_->API()->mysql_stmt_close(stmt_);
}

void TMySQLCommand::ParseParam(AnsiStringBuilder& sql, TParser& parser, const std::string& renamePrefix,
                               char rightQuote, char leftQuote, TParamDescs* params) {
    const int countBefore = params ? params->Count() : 0;
    const int lengthBefore = sql.ActualLength();
    TCRCommand::ParseParam(sql, parser, renamePrefix, rightQuote, leftQuote, params);
    if (params && params->Count() > countBefore) {
        RTL_ASSERT(sql.ActualLength() - lengthBefore == 1);
        SetProp(prParamPosition, sql.ActualLength());
    }
}

const TTableInfoClass& TMySQLCommand::GetTableInfoClass() const {
    return TMyTableInfo::Class();
}

TSQLParserClass TMySQLCommand::GetParserClass() const {
    return &NewMyParser;
}

void TMySQLCommand::SetSQL(const std::string& value) {
    TCRCommand::SetSQL(value);
    if (!fillParamPosition_) paramPositions_.clear();
    cachedSQL_.clear();
}

std::string TMySQLCommand::ParseSQL(const std::string& sql, TParamDescs* params,
                                    const std::string& renamePrefix) {
    if (sql.find(':') == std::string::npos) {
        if (params) params->Clear();
        return sql;
    }
    return TCRCommand::ParseSQL(sql, params, renamePrefix);
}

void TMySQLCommand::SetConnection(TCRConnection* connection) {
    TCRCommand::SetConnection(connection);
    connection_ = static_cast<TMySQLConnection*>(connection);
}

void TMySQLCommand::CheckHandle(const void* value) {
    RTL_ASSERT(connection_);
    connection_->CheckHandle(value, Component());
}

void TMySQLCommand::CheckStatus(int value) {
    RTL_ASSERT(connection_);
    connection_->CheckStatus(value, Component());
}

void TMySQLCommand::CheckLastError() {
    RTL_ASSERT(connection_);
    connection_->CheckLastError(Component());
}

void TMySQLCommand::CheckStmtStatus(int value) {
    RTL_ASSERT(connection_);
    connection_->CheckStmtStatus(stmt_, value, Component());
}

void TMySQLCommand::SetStatementTimeouts() {
    if (connection_->IsClient41())
        SetMySQLTimeouts(*connection_->API(), connection_->Handle(),
                         static_cast<unsigned int>(commandTimeout_));
}

void TMySQLCommand::Execute(int) {
    if (cursorState_ != csInactive && cursorState_ != csPrepared) {
        // The data-set layer relies on a busy command ignoring the call.
        return;
    }
    RTL_ASSERT(connection_);
    canReadParams_ = false;
    isSelectParams_ = false;
    const TCursorState oldState = cursorState_;
    try {
        SetStatementTimeouts();
        {
            std::lock_guard lock(breakLock_);
            executing_ = true;
            waitForBreak_ = false;
        }
        cursorState_ = csExecuting;
        if (prepared_)
            ExecutePrepared();
        else
            ExecuteText();
        if (!sqlResult_) cursorState_ = csInactive;
        {
            std::lock_guard lock(breakLock_);
            executing_ = false;
        }
        if (OnAfterExecute) OnAfterExecute(true);
    } catch (...) {
        if (!sqlResult_) cursorState_ = csInactive;
        bool broken;
        {
            std::lock_guard lock(breakLock_);
            executing_ = false;
            broken = waitForBreak_;
        }
        if (cursorState_ != csInactive) cursorState_ = oldState;
        if (OnAfterExecute) OnAfterExecute(false);
        if (broken) data::Abort();
        throw;
    }
}

unsigned int TMySQLCommand::WarningCount() const {
    RTL_ASSERT(connection_ && connection_->Handle());
    return connection_->API()->mysql_warning_count(connection_->Handle());
}

int32_t TMySQLCommand::GetRowsAffected() {
    TMySQLAPI& api = *connection_->API();
    uint64_t count;
    unsigned int fields;
    if (prepared_) {
        count = api.mysql_stmt_affected_rows(stmt_);
        fields = api.mysql_stmt_field_count(stmt_);
    } else {
        count = api.mysql_affected_rows(connection_->Handle());
        fields = api.mysql_field_count(connection_->Handle());
    }
    cursorState_ = fields > 0 ? csExecuted : csInactive;
    return static_cast<int32_t>(count);
}

void TMySQLCommand::ExecuteText() {
    RTL_ASSERT(connection_ && connection_->Handle());
    TMySQLAPI& api = *connection_->API();
    const PMYSQL_CON handle = connection_->Handle();
    if (!openNext_) {
        const std::string text =
            ParamCount() > 0 && sql_.find('?') != std::string::npos ? BuildFinalText() : sql_;
        if (OnTrace) OnTrace(text);
        CheckStatus(api.mysql_real_query(handle, text.data(), static_cast<unsigned long>(text.size())));
        previousRowsAffected_ = rowsAffected_;
        rowsAffected_ = GetRowsAffected();
    }

    if (!requestResultSet_) {
        // Freeing reads the rest of the rows; an error among them (an interrupted query) is kept
        // by the handle.
        const auto consume = [&] {
            if (PMYSQL_RES result = api.mysql_use_result(handle)) {
                api.mysql_free_result(result);
                CheckLastError();
            }
        };
        consume();
        if (connection_->IsClient41()) {
            int next;
            while ((next = api.mysql_next_result(handle)) == 0)
                consume();
            if (next > 0) CheckLastError();
        }
        return;
    }
    if (openNext_) return;

    RTL_ASSERT(!sqlResult_);
    sqlResult_ = api.mysql_use_result(handle);
    CheckLastError();
    // Leading statements without rows (the SET of a routine call) are stepped over.
    if (connection_->IsClient41()) {
        while (!sqlResult_ && api.mysql_errno(handle) == 0 && api.mysql_more_results(handle)) {
            const int next = api.mysql_next_result(handle);
            if (next > 0) {
                cursorState_ = csInactive;
                CheckStatus(next);
            }
            if (next < 0) break;
            const int32_t before = rowsAffected_;
            rowsAffected_ = GetRowsAffected();
            previousRowsAffected_ = before;
            sqlResult_ = api.mysql_use_result(handle);
            CheckLastError();
        }
    }
}

TParamDesc* TMySQLCommand::TextParam(int index) const {
    if (!storedProc_) return index < ParamCount() ? GetParam(index) : nullptr;
    for (TParamDirection direction : {pdInputOutput, pdInput}) {
        for (int i = 0; i < ParamCount(); ++i) {
            if (GetParam(i)->GetParamType() != direction) continue;
            if (index-- == 0) return GetParam(i);
        }
    }
    return nullptr;
}

void TMySQLCommand::AppendParamValue(AnsiStringBuilder& sql, const TParamDesc* param) const {
    if (!param) return;
    TMyLiteralOptions options;
    options.ServerMajor = connection_->ServerMajor();
    options.BackslashEscapes = connection_->BackslashEscapes();
    options.CompressOnServer = CompressBlobMode() == cbServer || CompressBlobMode() == cbClientServer;
    options.UseUnicode = connection_->UseUnicode();
    AppendValueSQLText(sql, MySqlParamOf(*param), options);
}

std::string TMySQLCommand::BuildFinalText() {
    int capacity = static_cast<int>(sql_.size());
    for (int i = 0; i < ParamCount(); ++i)
        capacity += 2 * std::max(GetParam(i)->GetSize(), 0);
    AnsiStringBuilder text(capacity);
    // The system code page is UTF-8 here, so the SQL goes to a Unicode session unchanged.
    if (!paramPositions_.empty()) {
        RTL_ASSERT(storedProc_ || static_cast<int>(paramPositions_.size()) == ParamCount());
        size_t from = 0;
        int next = 0;
        for (int32_t position : paramPositions_) {
            const size_t marker = static_cast<size_t>(position - 1);
            text.Append(std::string_view(sql_).substr(from, marker - from));
            AppendParamValue(text, TextParam(next++));
            from = marker + 1;
        }
        text.Append(std::string_view(sql_).substr(from));
        return text.AsString();
    }

    if (cachedSQL_.empty()) {
        TMyParser parser(sql_);
        parser.SetSkipBlanks(false);
        parser.SetSkipComments(true);
        parser.SetKeepQuotes(true);
        parser.SetUpperKeywords(false);
        std::string piece, lexem;
        int code;
        while ((code = parser.NextLexem(lexem)) != lxEnd) {
            if (lexem == "?" && code != lxString && code != lxIdent) {
                cachedSQL_.push_back(std::move(piece));
                piece.clear();
            } else {
                piece += lexem;
            }
        }
        cachedSQL_.push_back(std::move(piece));
    }
    int next = 0;
    for (size_t i = 0; i < cachedSQL_.size(); ++i) {
        text.Append(cachedSQL_[i]);
        if (i + 1 == cachedSQL_.size()) break;
        TParamDesc* param = TextParam(next++);
        if (param && param->GetParamType() == pdResult) param = TextParam(next++);
        AppendParamValue(text, param);
    }
    return text.AsString();
}

void TMySQLCommand::ExecutePrepared() {
    TMySQLAPI& api = *connection_->API();
    std::vector<TMySqlParam> params;
    params.reserve(static_cast<size_t>(ParamCount()));
    for (int i = 0; i < ParamCount(); ++i)
        params.push_back(MySqlParamOf(*GetParam(i)));
    CheckStmtStatus(api.StmtExecuteParams(stmt_, params, connection_->UseUnicode()));
    previousRowsAffected_ = rowsAffected_;
    rowsAffected_ = GetRowsAffected();
    if (requestResultSet_) {
        sqlResult_ = api.mysql_stmt_result_metadata(stmt_);
        CheckLastError();
    } else {
        api.mysql_stmt_free_result(stmt_);
    }
}

void TMySQLCommand::Prepare() {
    if (prepared_) return;
    RTL_ASSERT(connection_);
    if (!connection_->IsClient41())
        throw EDAError(0, "Prepare/UnPrepare is not supported by this MySQL client version");
    if (!connection_->IsServer41())
        throw EDAError(0, "Prepare/UnPrepare is not supported by this MySQL server version");
    TMySQLAPI& api = *connection_->API();
    stmt_ = api.mysql_stmt_init(connection_->Handle());
    rtl::UndoGuard close([&] {
        if (stmt_) api.mysql_stmt_close(stmt_);
        stmt_ = nullptr;
        prepared_ = false;
    });
    CheckHandle(stmt_);
    SetStatementTimeouts();
    CheckStmtStatus(api.mysql_stmt_prepare(stmt_, sql_.data(), static_cast<unsigned long>(sql_.size())));
    prepared_ = true;
    TCRCommand::Prepare();
    close.Dismiss();
}

void TMySQLCommand::Unprepare() {
    if (prepared_ && stmt_) {
        connection_->API()->mysql_stmt_close(stmt_);
        stmt_ = nullptr;
        TCRCommand::Unprepare();
    }
    prepared_ = false;
}

void TMySQLCommand::BreakExec() {
    std::lock_guard lock(breakLock_);
    if (!executing_) return;
    waitForBreak_ = true;
    try {
        TMySQLConnection killer;
        killer.CopySettings(*connection_);
        killer.Connect("");
        // Only the statement ends: the session keeps its variables and temporary tables.
        const std::string sql =
            "KILL QUERY " + std::to_string(connection_->API()->mysql_thread_id(connection_->Handle()));
        killer.API()->mysql_real_query(killer.Handle(), sql.data(), static_cast<unsigned long>(sql.size()));
        killer.Disconnect();
    } catch (const std::exception&) {
        // The statement then runs to its end; nothing else to do.
    }
}

void TMySQLCommand::BreakRunningStatement() {
    {
        std::lock_guard lock(breakLock_);
        executing_ = true;
    }
    BreakExec();
    std::lock_guard lock(breakLock_);
    executing_ = false;
}

void TMySQLCommand::TakeResult(PMYSQL_RES result, int32_t rowsAffected) {
    // A text result is freed before its successor is taken; what may still be held here is the
    // column description of a prepared statement, which nothing else frees once replaced.
    if (sqlResult_ && sqlResult_ != result) connection_->API()->mysql_free_result(sqlResult_);
    sqlResult_ = result;
    rowsAffected_ = rowsAffected;
    cursorState_ = result ? csExecuted : csInactive;
}

void TMySQLCommand::RestoreSQLState(TSQLState state) {
    sql_ = std::move(state.SQL);
    cachedSQL_ = std::move(state.CachedSQL);
    paramPositions_ = std::move(state.ParamPositions);
}

void TMySQLCommand::SetProbeSQL(std::string sql) {
    sql_ = std::move(sql);
    cachedSQL_.clear();
    paramPositions_.clear();
}

std::vector<std::string> TMySQLCommand::QueryFirstRow(const std::string& sql, int columns,
                                                      std::vector<bool>* nulls) {
    TMySQLRecordset recordSet;
    recordSet.SetConnection(connection_);
    recordSet.SetOwnerComponent(Component());
    recordSet.SetProp(prFlatBuffers, false);
    recordSet.SetProp(prLongStrings, true);
    recordSet.SetProp(prFetchAll, true);
    recordSet.Command()->SetProp(prDisableParamScan, true);
    recordSet.SetSQL(sql);
    recordSet.Open();
    std::vector<std::string> row;
    if (PItemHeader item = recordSet.FirstItem()) {
        void* record = TBlockManager::ItemRecord(item);
        row.resize(static_cast<size_t>(columns));
        if (nulls) nulls->assign(static_cast<size_t>(columns), false);
        for (int i = 0; i < columns && i < recordSet.FieldCount(); ++i) {
            if (recordSet.IsFieldNull(i + 1, record)) {
                if (nulls) (*nulls)[static_cast<size_t>(i)] = true;
            } else {
                row[static_cast<size_t>(i)] = recordSet.ReadFieldAsVariant(i + 1, record).AsString();
            }
        }
    }
    recordSet.Close();
    return row;
}

void TMySQLCommand::DescribeRoutine(const std::string& name, bool& isFunction,
                                    TMyParamBlockResult& description) {
    RTL_ASSERT(connection_);
    isFunction = false;
    description = {};
    const bool backslashes = connection_->BackslashEscapes();
    auto quote = [&](const std::string& text) { return MyQuoteAnsiString(text, backslashes); };

    std::string createText;
    if (connection_->ServerMajor() == 5 && connection_->ServerMinor() == 0 &&
        connection_->ServerRelease() <= 3) {
        std::vector<bool> nulls;
        const auto row = QueryFirstRow(
            "SELECT type, returns, param_list FROM mysql.proc WHERE (name = " + quote(MyUnquoteName(name)) +
                ") AND (LOWER(db) = " + quote(Lower(connection_->Database())) + ")",
            3, &nulls);
        if (row.empty()) return;
        isFunction = Upper(row[0]) == "FUNCTION";
        description.ReturnType = row[1];
        if (!nulls[2]) description.ParamList = row[2];
        return;
    }

    std::string schema, object;
    SplitObjectName(name, schema, object);
    if (schema.empty()) schema = connection_->Database();
    const std::string rawSchema = MyIsQuotedName(schema) ? schema.substr(1, schema.size() - 2) : schema;
    const std::string rawObject = MyIsQuotedName(object) ? object.substr(1, object.size() - 2) : object;
    // Schema names are case-sensitive on this platform unless the server folds them.
    const bool foldCase = QueryFirstRow("SELECT @@lower_case_table_names", 1)[0] != "0";
    const std::string schemaTest = foldCase ? "(LOWER(ROUTINE_SCHEMA) = " + quote(Lower(rawSchema)) + ")"
                                            : "(ROUTINE_SCHEMA = " + quote(rawSchema) + ")";
    const auto type = QueryFirstRow(
        "SELECT ROUTINE_TYPE FROM INFORMATION_SCHEMA.ROUTINES WHERE (ROUTINE_NAME = " + quote(rawObject) +
            ") AND " + schemaTest,
        1);
    if (type.empty()) return;
    isFunction = Upper(type[0]) == "FUNCTION";
    std::vector<bool> nulls;
    const auto create =
        QueryFirstRow(std::string(isFunction ? "SHOW CREATE FUNCTION " : "SHOW CREATE PROCEDURE ") +
                          MyQuoteName(rawSchema, true) + "." + MyQuoteName(rawObject, true),
                      3, &nulls);
    if (create.empty() || nulls[2]) return;
    createText = create[2];

    // The return type: the word after RETURNS and its parenthesized arguments.
    TMyParser parser(createText);
    parser.SetSkipBlanks(true);
    parser.SetSkipComments(true);
    std::string lexem;
    int code;
    int64_t returnsAt = -1;
    while ((code = parser.NextLexem(lexem)) != lxEnd) {
        if (code == lxIdent && Upper(lexem) == "RETURNS") {
            returnsAt = parser.CurrentOffset();
            if (parser.NextLexem(lexem) == lxEnd) break;
            description.ReturnType = lexem;
            parser.SetSkipBlanks(false);
            if (parser.NextLexem(lexem) == lxEnd || lexem != "(") break;
            description.ReturnType += lexem;
            while ((code = parser.NextLexem(lexem)) != lxEnd && lexem != "(") {
                description.ReturnType += lexem;
                if (lexem == ")") break;
            }
            break;
        }
    }
    const size_t open = createText.find('(');
    if (open != std::string::npos && (returnsAt < 0 || static_cast<int64_t>(open) < returnsAt))
        description.ParamList = BalancedGroup(createText, open);
}

void TMySQLCommand::ParseRoutineParams(const std::string& text, bool isResult, TParamDescs* params,
                                       TParamInfos& infos) {
    TMyParser parser(text);
    parser.SetSkipBlanks(true);
    parser.SetSkipComments(true);
    parser.SetUpperKeywords(false);
    std::string lexem;
    int code = parser.NextLexem(lexem);
    while (code != lxEnd) {
        TParamInfo info;
        TParamDesc* desc = params ? params->Add(GetParamDescClass()()) : nullptr;
        if (isResult) {
            info.Direction = pdResult;
            info.Name = "Result";
        } else {
            const std::string word = Upper(lexem);
            info.Direction = word == "IN"      ? pdInput
                             : word == "OUT"   ? pdOutput
                             : word == "INOUT" ? pdInputOutput
                                               : pdUnknown;
            if (info.Direction != pdUnknown)
                code = parser.NextLexem(lexem);
            else
                info.Direction = pdInput;
            RTL_ASSERT_MSG(
                code == lxIdent || code == kwStatus || code == kwSet,
                rtl::Format("Invalid parameter \"%s\" in \"%s\"", lexem.c_str(), text.c_str()).c_str());
            info.Name = lexem;
            code = parser.NextLexem(lexem);
        }
        RTL_ASSERT_MSG(
            code == lxIdent || code == kwSet,
            rtl::Format("Invalid parameter type \"%s\" in \"%s\"", lexem.c_str(), text.c_str()).c_str());
        info.TypeText = Upper(lexem);
        const std::string typeWord = info.TypeText;
        int dataType = RoutineTypeOf(typeWord);
        const bool isDecimal = IsDecimalType(typeWord);
        int32_t descSize = 0;

        while ((code = parser.NextLexem(lexem)) != lxEnd && lexem != ",") {
            if (lexem == "(") {
                std::string group = "(";
                while ((code = parser.NextLexem(lexem)) != lxEnd && lexem != ")") {
                    group += lexem;
                    if (code == lxNumber) {
                        info.Size = std::stoi(lexem);
                        if (dataType == dtString) descSize = info.Size;
                        if (dataType == dtInt8) dataType = dtBoolean;
                    }
                }
                if (isDecimal) info.TypeText += group + ")";
            } else if (Upper(lexem) == "UNSIGNED") {
                info.IsUnsigned = true;
            }
        }
        if (code != lxEnd) code = parser.NextLexem(lexem); // past ","

        if (connection_ && connection_->UseUnicode()) {
            if (dataType == dtString) dataType = dtWideString;
            if (dataType == dtMemo) dataType = dtWideMemo;
        }
        if (desc) {
            desc->SetName(info.Name);
            desc->SetParamType(info.Direction);
            desc->SetDataType(static_cast<uint16_t>(dataType));
            if (descSize > 0) desc->SetSize(descSize);
        }
        infos.push_back(std::move(info));
    }
}

std::string TMySQLCommand::CreateProcCall(const std::string& name, bool needDescription) {
    bool isFunction = false;
    TMyParamBlockResult description;
    TParamInfos infos;
    if (needDescription || ParamCount() > 0) {
        DescribeRoutine(name, isFunction, description);
        TParamDescs* descs = needDescription ? &Params() : nullptr;
        if (descs) descs->Clear();
        if (isFunction) ParseRoutineParams(description.ReturnType, true, descs, infos);
        ParseRoutineParams(description.ParamList, false, descs, infos);
        if (!needDescription) RTL_ASSERT(static_cast<int>(infos.size()) >= ParamCount());
    }

    const std::string quotedName = MyQuoteName(name, QuoteNames());
    std::string sql = (isFunction ? "SELECT " : "CALL ") + quotedName + "(";
    std::string userSql = sql;
    std::string setSql, setUserSql, selectList;
    for (size_t i = isFunction ? 1 : 0; i < infos.size(); ++i) {
        const TParamInfo& info = infos[i];
        if (i > (isFunction ? 1u : 0u)) {
            sql += ", ";
            userSql += ", ";
        }
        if (info.Direction == pdUnknown || info.Direction == pdInput) {
            sql += "?";
            userSql += ":" + info.Name;
            continue;
        }
        const std::string variable = "@" + MyQuoteName(info.Name, QuoteNames());
        sql += variable;
        userSql += variable;
        if (info.Direction == pdInputOutput) {
            if (!setSql.empty()) {
                setSql += ", ";
                setUserSql += ", ";
            }
            setSql += variable + " = ?";
            setUserSql += variable + " = :" + info.Name;
        }
        if (!selectList.empty()) selectList += ", ";
        selectList += CastExpression(info, variable);
    }
    sql += ")";
    userSql += ")";
    if (!setSql.empty()) {
        sql = "SET " + setSql + "; " + sql;
        userSql = "SET " + setUserSql + "; " + userSql;
    }
    if (!selectList.empty()) {
        sql += "; SELECT " + selectList;
        userSql += "; SELECT " + selectList;
    }
    sql_ = sql;
    userSQL_ = userSql;
    paramPositions_.clear();
    cachedSQL_.clear();
    return sql;
}

bool TMySQLCommand::SetProp(int prop, const rtl::Variant& value) {
    switch (prop) {
    case prCanReadParams:
        canReadParams_ = value.AsBoolean();
        break;
    case prIsStoredProc:
        storedProc_ = value.AsBoolean();
        break;
    case prCommandTimeout:
        commandTimeout_ = static_cast<int32_t>(value.AsInt64());
        break;
    case prParamPosition:
        paramPositions_.push_back(static_cast<int32_t>(value.AsInt64()));
        break;
    case prFillParamPosition:
        fillParamPosition_ = value.AsBoolean();
        if (fillParamPosition_) paramPositions_.clear();
        break;
    default:
        return TCRCommand::SetProp(prop, value);
    }
    return true;
}

bool TMySQLCommand::GetProp(int prop, rtl::Variant& value) {
    switch (prop) {
    case prRowsAffected: {
        int32_t count = rowsAffected_;
        if (isSelectParams_) {
            RTL_ASSERT(storedProc_);
            count = previousRowsAffected_;
        }
        value = count == -1 ? 0 : count;
        break;
    }
    case prCanReadParams:
        value = canReadParams_;
        break;
    case prIsSelectParams:
        value = isSelectParams_;
        break;
    default:
        return TCRCommand::GetProp(prop, value);
    }
    return true;
}

} // namespace dataaccess
