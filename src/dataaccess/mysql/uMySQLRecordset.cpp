#include "dataaccess/mysql/uMySQLRecordset.h"

#include "dataaccess/mysql/uMyHelpers.h"
#include "dataaccess/mysql/uMyParser.h"
#include "dataaccess/mysql/uMySQLConnection.h"
#include "dataaccess/mysql/uMyTableInfo.h"
#include "dataaccess/server/uCRAccess.h"
#include "dataaccess/store/uBcd.h"
#include "dataaccess/store/uBlob.h"
#include "dataaccess/store/uCompressedBlob.h"
#include "dataaccess/store/uMarshal.h"
#include "platform/data/DataError.h"
#include "platform/rtl/Exception.h"
#include "platform/rtl/ScopeExit.h"
#include "platform/rtl/Utf.h"

#include <mariadb/mysql.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <utility>

namespace dataaccess {

namespace {

constexpr const char* SNotRows = "Query must return exactly result set - use Execute";
constexpr const char* SDataTypeNotSupported = "Data type is not supported";
constexpr uint32_t kBinaryCharsetNr = 63;
// Prepared rows are read as text; values longer than this are fetched again whole.
constexpr unsigned long kPreparedPiece = 256;

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
    return text;
}

bool SameText(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

// The keyword codes of a statement, in order, and where they start.
struct TLexemes {
    std::vector<int> Codes;
    std::vector<std::pair<int64_t, int64_t>> Spans; // [start, end) of each lexeme
    std::vector<std::string> Texts;

    static TLexemes Of(const std::string& sql) {
        TLexemes result;
        TMyParser parser(sql);
        parser.SetSkipBlanks(true);
        parser.SetSkipComments(true);
        parser.SetKeepQuotes(true);
        std::string lexem;
        int code;
        while ((code = parser.NextLexem(lexem)) != lxEnd) {
            result.Codes.push_back(code);
            result.Spans.emplace_back(parser.CurrentOffset() - static_cast<int64_t>(lexem.size()),
                                      parser.CurrentOffset());
            result.Texts.push_back(lexem);
        }
        return result;
    }
    int Find(int code, size_t from = 0) const {
        for (size_t i = from; i < Codes.size(); ++i)
            if (Codes[i] == code) return static_cast<int>(i);
        return -1;
    }
    // The keyword `second` follows the keyword `first` somewhere.
    bool Follows(int first, int second) const {
        const int at = Find(first);
        return at >= 0 && Find(second, static_cast<size_t>(at) + 1) >= 0;
    }
};

// The statement rewritten to return no rows, or unchanged when that cannot be done safely.
std::string ProbeSQL(const std::string& sql) {
    const TLexemes lexemes = TLexemes::Of(sql);
    const int select = lexemes.Find(kwSelect);
    const int set = lexemes.Find(kwSet);
    if (select < 0 || (set >= 0 && set < select)) return sql;
    std::string result = sql;
    const int limit = lexemes.Find(kwLimit, static_cast<size_t>(select));
    if (limit >= 0 && static_cast<size_t>(limit) + 1 < lexemes.Codes.size() &&
        lexemes.Codes[static_cast<size_t>(limit) + 1] == lxNumber) {
        const auto [start, end] = lexemes.Spans[static_cast<size_t>(limit) + 1];
        return result.replace(static_cast<size_t>(start), static_cast<size_t>(end - start), "0");
    }
    for (size_t i = static_cast<size_t>(select); i < lexemes.Codes.size(); ++i) {
        const int code = lexemes.Codes[i];
        if (code == kwSemicolon) break;
        if (code == kwProcedure || code == kwFor || code == kwLock)
            return result.insert(static_cast<size_t>(lexemes.Spans[i].first), "LIMIT 0 ");
    }
    const int semicolon = lexemes.Find(kwSemicolon, static_cast<size_t>(select));
    if (semicolon < 0) return result + " LIMIT 0";
    return result.insert(static_cast<size_t>(lexemes.Spans[static_cast<size_t>(semicolon)].first),
                         " LIMIT 0 ");
}

// Decimal integer text, as the server writes it, into 64 bits.
int64_t TextToInt64(std::string_view text) {
    bool negative = false;
    size_t i = 0;
    if (i < text.size() && text[i] == '-') {
        negative = true;
        ++i;
    }
    uint64_t value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i)
        value = value * 10 + static_cast<uint64_t>(text[i] - '0');
    // Two's complement: the negation of 2^63 is itself.
    return static_cast<int64_t>(negative ? 0 - value : value);
}

// A BIT value: big-endian bytes.
int64_t BitsToInt64(std::string_view bytes) {
    uint64_t value = 0;
    for (unsigned char c : bytes)
        value = (value << 8) | c;
    return static_cast<int64_t>(value);
}

void StoreInteger(void* slot, uint32_t size, int64_t value) {
    switch (size) {
    case 1:
        StoreAs(slot, static_cast<int8_t>(value));
        break;
    case 2:
        StoreAs(slot, static_cast<int16_t>(value));
        break;
    case 4:
        StoreAs(slot, static_cast<int32_t>(value));
        break;
    default:
        StoreAs(slot, value);
    }
}

} // namespace

// ---- Life cycle

TMySQLRecordset::TMySQLRecordset() : TCRRecordSet(std::make_unique<TMySQLCommand>()) {
    MyCommand().SetRequestResultSet(true);
}

TMySQLRecordset::~TMySQLRecordset() {
    TMySQLCommand& command = MyCommand();
    try {
        if (!command.GetPrepared()) {
            CloseResult(false, true);
            DropPendingResults();
        }
    } catch (const std::exception&) {
        // A lost connection has nothing pending.
    }
    if (TMySQLConnection* connection = command.MyConnection(); connection && connection->API()) {
        if (nextResult_) connection->API()->mysql_free_result(nextResult_);
        if (command.SQLResult()) connection->API()->mysql_free_result(command.SQLResult());
        command.SetSQLResult(nullptr);
    }
    try {
        ReleaseFetchConnection(true);
    } catch (const std::exception&) {
        // Nothing is left to tell about a connection being dropped.
    }
}

TMySQLConnection& TMySQLRecordset::Connection() const {
    TMySQLConnection* connection = MyCommand().MyConnection();
    RTL_ASSERT(connection);
    return *connection;
}

void TMySQLRecordset::RefreshConnectionFacts() {
    TMySQLConnection* connection = MyCommand().MyConnection();
    if (!connection || !connection->API()) return;
    isClient41_ = connection->IsClient41();
    useUnicode_ = connection->UseUnicode();
    serverMajor_ = connection->ServerMajor();
    serverMinor_ = connection->ServerMinor();
    serverRelease_ = connection->ServerRelease();
    rtl::Variant value;
    optimizedBigInt_ = connection->GetProp(prOptimizedBigInt, value) && value.AsBoolean();
    decimalPrecision_ = connection->GetProp(prDecimalPrecision, value) && value.AsBoolean();
    charsetMaxBytes_ = connection->IsConnected() &&
                               connection->API()->mysql_character_set_name(connection->Handle()) == "utf8mb4"
                           ? 4
                           : 3;
}

void TMySQLRecordset::CheckHandle(const void* value) {
    MyCommand().CheckHandle(value);
}

void TMySQLRecordset::CheckStatus(int value) {
    MyCommand().CheckStatus(value);
}

void TMySQLRecordset::CheckLastError() {
    MyCommand().CheckLastError();
}

// ---- Properties

bool TMySQLRecordset::SetProp(int prop, const rtl::Variant& value) {
    switch (prop) {
    case prFieldsAsString:
        fieldsAsString_ = value.AsBoolean();
        break;
    case prNullForZeroDate:
        nullForZeroDate_ = value.AsBoolean();
        break;
    case prEnableBoolean:
        enableBoolean_ = value.AsBoolean();
        break;
    case prCreateConnection:
        createConnection_ = value.AsBoolean();
        break;
    case prCommandTimeout:
        MyCommand().SetProp(prCommandTimeout, value);
        break;
    case prOpenNext:
        MyCommand().SetOpenNext(value.AsBoolean());
        break;
    case prUseHandler:
        useHandler_ = value.AsBoolean();
        break;
    case prBinaryAsString:
        binaryAsString_ = value.AsBoolean();
        break;
    default:
        return TCRRecordSet::SetProp(prop, value);
    }
    return true;
}

bool TMySQLRecordset::GetProp(int prop, rtl::Variant& value) {
    switch (prop) {
    case prRecordCount:
        value = GetRecordCount();
        break;
    case prEnableBoolean:
        value = enableBoolean_;
        break;
    case prOpenNext:
        value = MyCommand().OpenNext();
        break;
    case prHasMoreResults:
        value = openNextState_ == onMoreResults;
        break;
    case prWarningCount:
        value = static_cast<int>(MyCommand().WarningCount());
        break;
    default:
        return TCRRecordSet::GetProp(prop, value);
    }
    return true;
}

// ---- Execution and results

void TMySQLRecordset::DropPendingResults() {
    rowlessResultPending_ = false;
    TMySQLConnection* connection = MyCommand().MyConnection();
    if (nextResult_ ||
        (connection && connection->Handle() && connection->API()->mysql_more_results(connection->Handle())))
        DrainResults();
}

void TMySQLRecordset::SetConnection(TCRConnection* connection) {
    if (mainConnection_) {
        // The data set binds its connection on every use (a refresh too): the open result stays on
        // the fetch session.
        if (connection == mainConnection_) return;
        // The fetch session belongs to the connection being replaced.
        if (!MyCommand().GetPrepared()) {
            CloseResult(false, true);
            DropPendingResults();
        }
        ReleaseFetchConnection(true);
    }
    TCRRecordSet::SetConnection(connection);
    RefreshConnectionFacts();
}

void TMySQLRecordset::ResetForNewSQL() {
    RefreshConnectionFacts();
    if (!MyCommand().GetPrepared()) {
        CloseResult(false, true);
        // Results of the old text still pending would put the session out of step.
        DropPendingResults();
    }
    TCRRecordSet::ResetForNewSQL();
}

bool TMySQLRecordset::HandPendingResultsTo(TMySQLRecordset& next) {
    RTL_ASSERT_MSG(!MyCommand().SQLResult() && openNextState_ == onMoreResults,
                   "only a fully read result hands on pending results");
    openNextState_ = onNoMoreResults;
    if (std::exchange(rowlessResultPending_, false)) return false;
    next.nextResult_ = std::exchange(nextResult_, nullptr);
    next.nextRowsAffected_ = nextRowsAffected_;
    next.openNextState_ = onMoreResults;
    return true;
}

void TMySQLRecordset::TakeNextResult() {
    MyCommand().TakeResult(nextResult_, nextRowsAffected_);
    nextResult_ = nullptr;
    rowlessResultPending_ = false;
}

void TMySQLRecordset::ExecCommand() {
    TMySQLCommand& command = MyCommand();
    RefreshConnectionFacts();
    if (!command.OpenNext()) DropPendingResults();
    openNextState_ = onNotChecked;
    if (!FetchAllOption() && createConnection_) UseFetchConnection();
    if (command.GetPrepared() && command.SQLResult()) {
        // Executing describes the result again.
        Connection().API()->mysql_free_result(command.SQLResult());
        command.SetSQLResult(nullptr);
    }
    const bool takesNext = command.OpenNext() && CommandType() == ctUnknown;
    // The execution reports the count of the result it opens: the pending one's, taken below.
    if (takesNext) command.TakeResult(nullptr, nextRowsAffected_);
    {
        rtl::UndoGuard undo([&] {
            CloseResult(false, true);
            ReleaseFetchConnection(false);
            if (CommandType() != ctCursor) command.SetCursorState(csInactive);
        });
        TCRRecordSet::ExecCommand();
        undo.Dismiss();
    }
    if (takesNext)
        TakeNextResult();
    else if (command.GetPrepared())
        fetchState_ = 0;
    if (command.SQLResult()) {
        SetCommandType(ctCursor);
    } else if (!command.OpenNext()) {
        SetCommandType(ctStatement);
        CloseResult(true, true);
        if (nextResult_) {
            TakeNextResult();
            SetCommandType(ctCursor);
        }
    }
    if (CommandType() != ctCursor) command.SetCursorState(csInactive);
}

void TMySQLRecordset::KillFetchConnection() {
    const std::string sql =
        "KILL " + std::to_string(fetchConnection_->API()->mysql_thread_id(fetchConnection_->Handle()));
    mainConnection_->CheckStatus(
        mainConnection_->API()->mysql_real_query(mainConnection_->Handle(), sql.data(),
                                                 static_cast<unsigned long>(sql.size())),
        OwnerComponent());
}

void TMySQLRecordset::CloseResult(bool checkNext, bool skipRows) {
    TMySQLCommand& command = MyCommand();
    TMySQLConnection* connection = command.MyConnection();
    if (command.GetPrepared()) {
        if (CommandType() == ctCursor && command.Statement() && fetchState_ != 2 &&
            command.GetCursorState() >= csExecuted) {
            TMySQLAPI& api = *connection->API();
            fetchState_ = 2;
            for (int code; (code = FetchStmtRow()) != MYSQL_NO_DATA && code != MYSQL_DATA_TRUNCATED;)
                command.CheckStmtStatus(code);
            api.mysql_stmt_free_result(command.Statement());
        }
        DropFetchBuffers();
    } else if (!connection || !connection->API() || !connection->Handle()) {
        openNextState_ = onNoMoreResults;
        SetCommandType(ctUnknown);
        command.SetCursorState(csInactive);
    } else {
        TMySQLAPI& api = *connection->API();
        const PMYSQL_CON handle = connection->Handle();
        bool released = false;
        bool killed = false;
        if (PMYSQL_RES result = command.SQLResult()) {
            if (mainConnection_ && canFastClose_ && !FetchAllOption()) {
                for (int read = 0; api.FetchRow(result);)
                    if (++read == FetchRows()) {
                        KillFetchConnection();
                        killed = true;
                    }
            } else if (skipRows) {
                if (waitForFetchBreak_) command.BreakRunningStatement();
                while (api.FetchRow(result)) {
                }
            }
            if (isClient41_ && !killed && api.mysql_more_results(handle)) {
                openNextState_ = onMoreResults;
            } else {
                openNextState_ = onNoMoreResults;
            }
            api.mysql_free_result(result);
            command.SetSQLResult(nullptr);
            if (openNextState_ == onNoMoreResults) {
                ReleaseFetchConnection(killed);
                released = true;
            }
        } else if (openNextState_ != onNoMoreResults) {
            openNextState_ = onMoreResults;
        }
        if (checkNext && openNextState_ != onNoMoreResults && isClient41_ && !released &&
            !rowlessResultPending_) {
            nextRowsAffected_ = -2;
            bool first = true;
            while (!nextResult_) {
                // The library answers -1 when no result follows.
                const int next = api.mysql_next_result(handle);
                if (next < 0) {
                    openNextState_ = onNoMoreResults;
                    break;
                }
                if (next > 0) {
                    openNextState_ = onError;
                    command.SetCursorState(csInactive);
                    SetCommandType(ctUnknown);
                    CheckStatus(next);
                }
                openNextState_ = onMoreResults;
                command.SetPreviousRowsAffected(first ? command.RowsAffected() : nextRowsAffected_);
                first = false;
                nextRowsAffected_ = command.GetRowsAffected();
                nextResult_ = api.mysql_use_result(handle);
                {
                    rtl::UndoGuard release([&] {
                        if (nextResult_) api.mysql_free_result(nextResult_);
                        nextResult_ = nullptr;
                    });
                    CheckLastError();
                    release.Dismiss();
                }
                // A last result without rows (the status of a CALL) is still a result of its own:
                // it stays pending for the next open rather than being taken as the end.
                if (!api.mysql_more_results(handle) && !nextResult_) {
                    rowlessResultPending_ = true;
                    break;
                }
            }
            if (openNextState_ != onMoreResults) ReleaseFetchConnection(false);
        }
    }
    const TCursorState state = command.GetCursorState();
    if (state == csFetching || state == csFetchingAll) command.SetCursorState(csFetched);
}

void TMySQLRecordset::DrainResults() {
    do {
        CloseResult(true, true);
        TakeNextResult();
        // Only a 4.1 client steps to further results.
    } while (openNextState_ == onMoreResults && (MyCommand().SQLResult() || isClient41_));
}

void TMySQLRecordset::UseFetchConnection() {
    TMySQLCommand& command = MyCommand();
    if (command.GetCursorState() == csExecuted || mainConnection_) return;
    TMySQLConnection* main = command.MyConnection();
    RTL_ASSERT(main && main->IsConnected());
    SetMySQLTimeouts(*main->API(), main->Handle(), static_cast<unsigned int>(command.CommandTimeout()));
    main->CheckStatus(main->API()->mysql_ping(main->Handle()), OwnerComponent());
    TMySQLConnection* fetch;
    if (main->OnGetFetchConnection) {
        RTL_ASSERT(main->OnReleaseFetchConnection);
        fetch = main->OnGetFetchConnection();
    } else {
        RTL_ASSERT(!main->OnReleaseFetchConnection);
        ownFetchConnection_ = std::make_unique<TMySQLConnection>();
        ownFetchConnection_->CopySettings(*main);
        fetch = ownFetchConnection_.get();
    }
    mainConnection_ = main;
    fetchConnection_ = fetch;
    command.SetConnection(fetch);
    rtl::UndoGuard release([this] { ReleaseFetchConnection(true); });
    fetch->SetErrorsToHandler(true);
    fetch->Connect("");
    if (main->InternalTransaction()->GetInTransaction()) fetch->InternalTransaction()->StartTransaction();
    release.Dismiss();
}

void TMySQLRecordset::ReleaseFetchConnection(bool killed) {
    if (!mainConnection_) return;
    TMySQLConnection* fetch = fetchConnection_;
    TMySQLConnection* main = mainConnection_;
    MyCommand().SetConnection(main);
    mainConnection_ = nullptr;
    fetchConnection_ = nullptr;
    canFastClose_ = false;
    TCRTransaction* transaction = fetch->IsConnected() ? fetch->InternalTransaction() : nullptr;
    if (!killed && transaction && transaction->GetInTransaction()) transaction->Commit();
    if (main->OnReleaseFetchConnection) {
        fetch->SetIsValid(!killed);
        main->OnReleaseFetchConnection(fetch);
    } else {
        fetch->Disconnect();
        ownFetchConnection_.reset();
    }
}

bool TMySQLRecordset::IsFetchComplete() const {
    if (useHandler_ && (!isClient41_ || serverMajor_ < 4 || (serverMajor_ == 4 && serverMinor_ < 1)))
        return false;
    return TCRRecordSet::IsFetchComplete();
}

bool TMySQLRecordset::ReturnsRows() const {
    if (CommandType() != ctUnknown) return CommandType() == ctCursor;
    return MyCommand().SQLResult() || (MyCommand().OpenNext() && nextResult_);
}

void TMySQLRecordset::BreakFetch() {
    TCRRecordSet::BreakFetch();
    const TCursorState state = MyCommand().GetCursorState();
    if (state == csFetching || state == csFetchingAll) MyCommand().SetCursorState(csFetched);
}

void TMySQLRecordset::SetToEnd() {
    FetchAll();
    TCRRecordSet::SetToEnd();
}

// ---- Prepare, open, close

void TMySQLRecordset::InternalPrepare() {
    TMySQLCommand& command = MyCommand();
    RefreshConnectionFacts();
    rtl::UndoGuard unprepare([this] { InternalUnprepare(); });
    if (!FetchAllOption() && createConnection_) UseFetchConnection();
    TCRRecordSet::InternalPrepare();
    RTL_ASSERT(command.Statement());
    TMySQLAPI& api = *Connection().API();
    SetCommandType(api.mysql_stmt_field_count(command.Statement()) > 0 ? ctCursor : ctStatement);
    command.SetSQLResult(api.mysql_stmt_result_metadata(command.Statement()));
    unprepare.Dismiss();
}

void TMySQLRecordset::InternalUnprepare() {
    TMySQLCommand& command = MyCommand();
    if (command.GetPrepared() && command.SQLResult()) {
        Connection().API()->mysql_free_result(command.SQLResult());
        command.SetSQLResult(nullptr);
    }
    rtl::Finally([&] { TCRRecordSet::InternalUnprepare(); },
                 [&] {
                     command.SetCursorState(csInactive);
                     SetCommandType(ctUnknown);
                     ReleaseFetchConnection(false);
                 });
}

void TMySQLRecordset::InternalClose() {
    TMySQLCommand& command = MyCommand();
    if (FetchAllOption())
        DrainResults();
    else
        CloseResult(true, true);
    command.SetCursorState(csInactive);
    if (!command.GetPrepared()) SetCommandType(ctUnknown);
    for (const auto& field : Fields()) {
        const auto* my = dynamic_cast<const TMySQLFieldDesc*>(field.get());
        if (my && my->MySQLType == MYSQL_TYPE_TIMESTAMP && my->TableInfo())
            static_cast<TMyTableInfo*>(my->TableInfo())->SetMaxTimestamp(0);
    }
    TCRRecordSet::InternalClose();
}

void TMySQLRecordset::InitFields() {
    TMySQLCommand& command = MyCommand();
    const bool idleBefore = command.GetCursorState() <= csPrepared;
    const auto settle = [&]() {
        if (!idleBefore) return;
        command.SetCursorState(csInactive);
        SetCommandType(ctUnknown);
    };
    rtl::Finally([&] { TCRRecordSet::InitFields(); }, settle);
}

TMySQLRecordset::TStatementKind TMySQLRecordset::ClassifySQL() const {
    const TLexemes lexemes = TLexemes::Of(MyCommand().SQL());
    TStatementKind kind;
    kind.Show = lexemes.Find(kwShow) >= 0;
    kind.Explain = lexemes.Find(kwExplain) >= 0 || lexemes.Find(kwDescribe) >= 0;
    kind.Select = lexemes.Find(kwSelect) >= 0;
    const int first = lexemes.Codes.empty() ? lxEnd : lexemes.Codes[0];
    kind.Handler = first == kwHandler;
    kind.Describe = first == kwDesc || first == kwDescribe;
    kind.ShowPrivileges = lexemes.Follows(kwShow, kwPrivileges);
    kind.ShowProcesslist = lexemes.Follows(kwShow, kwProcesslist);
    kind.ShowSlaveStatus = lexemes.Follows(kwShow, kwSlave) && lexemes.Follows(kwSlave, kwStatus);
    kind.ShowCreate = lexemes.Follows(kwShow, kwCreate);
    kind.ShowEngines = lexemes.Follows(kwShow, kwEngines);
    kind.ShowColumns = lexemes.Follows(kwShow, kwColumns);
    return kind;
}

void TMySQLRecordset::InternalInitFields() {
    RefreshConnectionFacts();
    kind_ = ClassifySQL();
    canFastClose_ = false;
    if (CommandType() == ctUnknown) {
        DescribeByProbe();
    } else if (CommandType() == ctCursor) {
        CreateFieldDescs();
        if (mainConnection_ && kind_.Select) canFastClose_ = MyCommand().SQL().find(';') == std::string::npos;
    }
}

void TMySQLRecordset::DescribeByProbe() {
    TMySQLCommand& command = MyCommand();
    // Only statements that read are run to learn their columns: anything else would change data
    // (a CALL, an UPDATE with a subquery) just to be described.
    const TLexemes lexemes = TLexemes::Of(command.SQL());
    if (command.StoredProc() || lexemes.Codes.empty()) return;
    const int first = lexemes.Codes[0];
    const bool reads = first == kwSelect || first == kwShow || first == kwDesc || first == kwDescribe ||
                       first == kwExplain || SameText(lexemes.Texts[0], "WITH");
    if (!reads) return;
    TMySQLCommand::TSQLState saved = command.SaveSQLState();
    rtl::Finally(
        [&] {
            command.SetProbeSQL(ProbeSQL(command.SQL()));
            RTL_ASSERT_MSG(!command.SQLResult(), "FCommand.FSQLResult must be nil");
            RTL_ASSERT_MSG(!nextResult_, "FSQLResultNext must be nil");
            openNextState_ = onNotChecked;
            command.Execute();
            if (!command.SQLResult()) {
                CloseResult(true, true);
                TakeNextResult();
            }
            if (command.SQLResult()) CreateFieldDescs();
            DrainResults();
        },
        [&] { command.RestoreSQLState(std::move(saved)); });
}

// ---- Field descriptors

void TMySQLRecordset::CreateFieldDescs() {
    TMySQLCommand& command = MyCommand();
    if (command.GetPrepared() && FieldCount() > 0) return;
    PMYSQL_RES result = command.SQLResult();
    RTL_ASSERT(result);
    TMySQLAPI& api = *Connection().API();
    const unsigned int count = api.mysql_num_fields(result);
    TCRTablesInfo& tables = TablesInfo();
    tables.BeginUpdate();
    rtl::Finally(
        [&] {
            for (unsigned int i = 0; i < count; ++i) {
                TMYSQL_FIELD column;
                api.ReadFieldDesc(result, i, useUnicode_, column);
                int dataType;
                bool fixed;
                uint32_t length;
                DetermineFieldType(column, dataType, fixed, length);
                if (dataType == dtUnknown) continue; // a type this layer cannot read
                auto field = std::make_unique<TMySQLFieldDesc>();
                field->FieldNumber = static_cast<uint16_t>(i + 1);
                field->ServerNumber = static_cast<int16_t>(i);
                field->FixedChar = fixed;
                FillFieldDesc(column, dataType, length, *field);
                Fields().Add(std::move(field));
            }
        },
        [&] {
            tables.NormalizeNames();
            tables.EndUpdate();
        });
    ParseTableNames();
    nulls_.clear();
}

void TMySQLRecordset::DetermineFieldType(const TMYSQL_FIELD& column, int& dataType, bool& fixed,
                                         uint32_t& length) const {
    const TMySQLCommand& command = MyCommand();
    const int type = column.FieldType;
    const bool blob = type >= MYSQL_TYPE_TINY_BLOB && type <= MYSQL_TYPE_BLOB;
    dataType = dtUnknown;
    fixed = false;
    if (fieldsAsString_ && !blob && type != MYSQL_TYPE_GEOMETRY) {
        dataType = dtString;
    } else {
        TMyTypeOptions options;
        const TMySQLConnection* connection = command.MyConnection();
        options.EnableBCD = command.EnableBCD() || (connection && connection->EnableBCD());
        options.EnableFMTBCD = command.EnableFMTBCD() || (connection && connection->EnableFMTBCD());
        options.UseUnicode = useUnicode_;
        options.BinaryAsString = binaryAsString_;
        options.OptimizedBigInt = optimizedBigInt_;
        options.DecimalPrecision = decimalPrecision_;
        options.EnableBoolean = enableBoolean_;
        if (!MySqlTypeToInternalType(type, column.Length, column.Decimals, column.CharsetNr,
                                     (column.Flags & kMyUnsignedFlag) != 0,
                                     (column.Flags & kMyBinaryFlag) != 0, options, dataType, fixed)) {
            dataType = dtUnknown;
            return;
        }
    }

    const bool numeric = type <= MYSQL_TYPE_DOUBLE || type == MYSQL_TYPE_LONGLONG ||
                         type == MYSQL_TYPE_INT24 || type == MYSQL_TYPE_NEWDECIMAL;
    length = column.Length;
    if (fieldsAsString_ && numeric) {
        length = 100;
    } else if (useUnicode_ && column.CharsetNr != kBinaryCharsetNr && !kind_.Show &&
               (dataType == dtMemo || dataType == dtWideString || dataType == dtExtWideString ||
                dataType == dtWideMemo)) {
        // The server counts bytes: up to four per character in a utf8mb4 session, three in utf8.
        length /= charsetMaxBytes_;
    }

    if (kMyLongVarStringAsText && type == MYSQL_TYPE_VAR_STRING && column.Length == 65535 &&
        column.Table.empty())
        dataType = dataType == dtVarBytes || dataType == dtBytes ? dtBlob : useUnicode_ ? dtWideMemo : dtMemo;

    if (kind_.Show) {
        const std::string name = Lower(column.Name);
        const bool server5 = serverMajor_ >= 5;
        if ((name == "privilege" || name == "context") && length < 30 && kind_.ShowPrivileges)
            length = 40;
        else if ((name == "state" || name == "command") && kind_.ShowProcesslist)
            length *= 3;
        else if (kind_.ShowSlaveStatus) {
            if (name == "slave_io_state" && length < 80)
                length = 80;
            else if ((name == "slave_io_running" || name == "slave_sql_running") && length < 3)
                length *= 3;
            else if (name == "last_error" && length < 80)
                length = 2048;
        } else if (name == "create table" && serverMajor_ >= 4 && kind_.ShowCreate)
            length = 65535;
        else if ((name == "create procedure" || name == "create function") && server5 && kind_.ShowCreate)
            length = 65535;
        else if (server5 && kind_.ShowEngines)
            length = length * 3 + 1;
        else if ((serverMajor_ > 5 || (serverMajor_ == 5 && serverRelease_ > 51)) && name == "user")
            length = 16;
        else if ((serverMajor_ > 5 || (serverMajor_ == 5 && serverRelease_ > 51)) && name == "host")
            length = 60;
        // A SHOW text is never cut to a declared length: it lives on the string heap.
        if (dataType == dtString) dataType = dtExtString;
        if (dataType == dtWideString) dataType = dtExtWideString;
    }
    if (serverMajor_ < 5 && kind_.Explain && Lower(column.Name) == "type") length = 65534;

    if (!LongStrings() && length > 256) {
        if (dataType == dtString) dataType = dtMemo;
        if (dataType == dtWideString) dataType = dtWideMemo;
    }
    if (!FlatBuffers() && (length >= 32 || length == 0)) {
        if (dataType == dtString) dataType = dtExtString;
        if (dataType == dtBytes || dataType == dtVarBytes) dataType = dtExtVarBytes;
        if (dataType == dtWideString) dataType = dtExtWideString;
    }
}

void TMySQLRecordset::FillFieldDesc(const TMYSQL_FIELD& column, int dataType, uint32_t length,
                                    TMySQLFieldDesc& field) {
    field.FieldName = column.Name;
    // A column alias is no column of the table: edits write the underlying one.
    field.ServerName = column.OrgName;
    if (!column.Table.empty()) field.SetTableInfo(ColumnTableInfo(column));
    if (!IsBlobType(dataType)) field.ValueLength = length;
    field.MySQLType = column.FieldType;
    field.IsUnsigned = (column.Flags & kMyUnsignedFlag) != 0;
    field.SubTypeCode = 0;
    field.TypeCode = static_cast<uint16_t>(dataType);
    field.ReadOnly = column.FieldType == MYSQL_TYPE_NULL;
    field.IsAutoIncrement = (column.Flags & kMyAutoIncrementFlag) != 0;
    // The server fills in auto-increment values and TIMESTAMP columns itself.
    field.Required = (column.Flags & kMyNotNullFlag) != 0 && (column.Flags & kMyNoDefaultValueFlag) != 0 &&
                     !field.IsAutoIncrement && column.FieldType != MYSQL_TYPE_TIMESTAMP;
    // The binary flag also marks text in a _bin collation; only the binary character set is bytes.
    field.IsBinary = (column.Flags & kMyBinaryFlag) != 0 && column.CharsetNr == kBinaryCharsetNr;
    field.KeyColumn =
        (column.Flags & (kMyPriKeyFlag | kMyUniqueKeyFlag | kMyMultipleKeyFlag | kMyPartKeyFlag)) != 0;
    field.IsPrimaryKey = (column.Flags & kMyPriKeyFlag) != 0;
    SetFieldSize(field, length, column.Decimals);
}

void TMySQLRecordset::SetFieldSize(TFieldDesc& field, uint32_t length, uint32_t decimals) {
    switch (field.TypeCode) {
    case dtString:
    case dtBytes:
        field.ValueLength = length;
        field.ByteSize = length + 1;
        break;
    case dtInt8:
    case dtInt16:
    case dtUInt16:
    case dtBoolean:
        field.ByteSize = 2;
        break;
    case dtInt32:
    case dtUInt32:
        field.ByteSize = 4;
        break;
    case dtBlob:
    case dtMemo:
    case dtWideMemo:
        field.ByteSize = kReferenceSize;
        break;
    case dtFloat:
    case dtBCD:
        field.ValueLength = length;
        field.ByteSize = 8;
        field.DecimalPlaces = static_cast<uint16_t>(decimals);
        break;
    case dtDate:
    case dtTime:
    case dtDateTime:
        field.ValueLength = length;
        field.ByteSize = 8;
        break;
    case dtInt64:
        field.ByteSize = 8;
        break;
    case dtExtString:
    case dtExtWideString:
        field.ValueLength = length == 0 ? 65535 : length;
        field.ByteSize = kReferenceSize;
        break;
    case dtVarBytes:
        field.ValueLength = length;
        field.ByteSize = length + kVarBytesLengthSize;
        break;
    case dtExtVarBytes:
        field.ValueLength = length;
        field.ByteSize = kReferenceSize;
        break;
    case dtWideString:
        field.ValueLength = length;
        field.ByteSize = 2 * length + 2;
        break;
    case dtFMTBCD:
        field.ValueLength = length;
        field.ByteSize = std::max<uint32_t>(length + 1, kBcdSize);
        field.DecimalPlaces = static_cast<uint16_t>(decimals);
        break;
    default:
        InvalidInternalFieldType(field.TypeCode);
    }
}

// ---- Tables

int TMySQLRecordset::FindTableInfoEx(const std::string& name, bool& isAlias) {
    isAlias = false;
    TMySQLConnection* connection = MyCommand().MyConnection();
    if (!connection) return -1;
    std::string schema, object;
    SplitObjectName(name, schema, object);
    const std::string key = ComposeObjectName(schema, object, connection->Database());
    const int byName = TablesInfo().IndexByName(key);
    if (byName >= 0) return byName;
    isAlias = true;
    return TablesInfo().IndexByAlias(key);
}

int TMySQLRecordset::FindTableInfo(const std::string& name) {
    bool isAlias;
    return FindTableInfoEx(name, isAlias);
}

TMyTableInfo* TMySQLRecordset::AddTableInfo(const std::string& name, bool aliased) {
    const std::string escaped = MyEscapeBackquotes(name);
    TCRTablesInfo& tables = TablesInfo();
    const int index = tables.IndexByName(escaped);
    if (index >= 0) return static_cast<TMyTableInfo*>(tables.Items(index));
    auto* table = static_cast<TMyTableInfo*>(tables.NewItem());
    table->SetTableName(escaped);
    table->SetFlag(aliased ? 1 : 0);
    return table;
}

TMyTableInfo* TMySQLRecordset::ColumnTableInfo(const TMYSQL_FIELD& column) {
    const bool aliased = !column.OrgTable.empty() && !SameText(column.OrgTable, column.Table);
    const std::string name = MyEscapeBackquotes(aliased ? column.OrgTable : column.Table);
    const std::string alias = aliased ? MyEscapeBackquotes(column.Table) : std::string();
    TCRTablesInfo& tables = TablesInfo();
    for (int i = 0; i < tables.Count(); ++i) {
        TCRTableInfo* table = tables.Items(i);
        if (SameText(table->TableAlias(), alias) && SameText(table->TableName(), name))
            return static_cast<TMyTableInfo*>(table);
    }
    auto* table = static_cast<TMyTableInfo*>(tables.NewItem());
    table->SetTableName(name);
    table->SetTableAlias(alias);
    table->SetFlag(aliased ? 1 : 0);
    // A table of another database is reached through its database.
    const TMySQLConnection* connection = MyCommand().MyConnection();
    if (!column.Database.empty() && connection && !SameText(column.Database, connection->Database()))
        table->SetTableNameFull(MyEscapeBackquotes(column.Database) + "." + name);
    return table;
}

void TMySQLRecordset::ParseTableNames() {
    const bool handler = useHandler_ && kind_.Handler;
    if (!handler && !kind_.Select) {
        // A column type text can be longer than the server declares.
        if (!kind_.ShowColumns && !kind_.Describe) return;
        for (const auto& field : Fields()) {
            if (!SameText(field->FieldName, "Type")) continue;
            if (!LongStrings()) field->TypeCode = useUnicode_ ? dtWideMemo : dtMemo;
            SetFieldSize(*field, 256, 0);
        }
        return;
    }
    const TLexemes lexemes = TLexemes::Of(MyCommand().SQL());
    int at = handler ? 0 : lexemes.Find(kwFrom);
    if (at < 0) return;
    size_t i = static_cast<size_t>(at) + 1;
    const size_t n = lexemes.Codes.size();
    const std::string& sql = MyCommand().SQL();
    while (i < n) {
        // The table runs up to a blank, "," or ";".
        const int64_t start = lexemes.Spans[i].first;
        int64_t end = lexemes.Spans[i].second;
        ++i;
        while (i < n && lexemes.Spans[i].first == end && lexemes.Codes[i] != 4 &&
               lexemes.Codes[i] != kwSemicolon) {
            end = lexemes.Spans[i].second;
            ++i;
        }
        const std::string text = sql.substr(static_cast<size_t>(start), static_cast<size_t>(end - start));
        std::string alias;
        if (i < n && lexemes.Codes[i] == kwAs) ++i;
        if (i < n && lexemes.Codes[i] == lxIdent) alias = MyUnquoteName(lexemes.Texts[i++]);
        std::string schema, tableName;
        SplitObjectName(text, schema, tableName);
        tableName = MyUnquoteName(tableName);
        RTL_ASSERT_MSG(!tableName.empty(), "TableName cannot be empty");
        // The columns named their tables already; a table none of them comes from is added.
        TCRTableInfo* table = nullptr;
        if (!alias.empty()) {
            const int index = TablesInfo().IndexByAlias(alias);
            table = index >= 0 ? TablesInfo().Items(index) : AddTableInfo(alias, true);
            table->SetTableName(tableName);
            table->SetTableAlias(alias);
        } else if (const int index = FindTableInfo(text); index >= 0) {
            table = TablesInfo().Items(index);
        } else if (serverMajor_ >= 5) {
            table = AddTableInfo(tableName, true);
        }
        if (table) table->SetTableNameFull(MyUnquoteName(text));
        if (i < n && lexemes.Codes[i] == 4) {
            ++i;
            continue;
        }
        break;
    }
}

// ---- Rows

std::vector<PItemHeader> TMySQLRecordset::RecycleBlock() {
    std::vector<PItemHeader> items;
    while (PItemHeader item = FirstItem()) {
        FreeComplexFields(BlockManager().ItemRecord(item), true);
        UnlinkItem(item);
        item->Rollback = nullptr;
        item->Status = isUnmodified;
        item->UpdateResult = urNone;
        item->Order = 0;
        item->FilterState = fsNotChecked;
        items.push_back(item);
    }
    recordNoOffset_ += recordCount_;
    recordCount_ = 0;
    SetToBegin();
    // Taken from the back: the first row goes into the block's first item again.
    std::reverse(items.begin(), items.end());
    return items;
}

void TMySQLRecordset::FreeItems(std::vector<PItemHeader>& items) {
    for (PItemHeader item : items) {
        FreeComplexFields(BlockManager().ItemRecord(item), true);
        BlockManager().ReturnItem(item);
    }
    items.clear();
}

void TMySQLRecordset::ReadRowValues(void* record, PMYSQL_ROW row, const TLenArr& lengths) {
    TMySQLAPI& api = *Connection().API();
    PMYSQL_RES result = MyCommand().SQLResult();
    DecodeRow(record, [&](const TMySQLFieldDesc& field) {
        const int column = field.ServerNumber;
        TMyRowValue value;
        value.IsNull = api.FieldIsNull(row, column);
        if (!value.IsNull) {
            value.Data = static_cast<const char*>(api.GetFieldBuf(result, row, column));
            value.Length = lengths[static_cast<size_t>(column)];
        }
        return value;
    });
}

void TMySQLRecordset::DecodeRow(void* record,
                                const std::function<TMyRowValue(const TMySQLFieldDesc& field)>& valueOf) {
    const TCompressBlobMode compressMode = MyCommand().CompressBlobMode();
    nulls_.assign(static_cast<size_t>(FieldCount()), 1);
    for (int i = 0; i < FieldCount(); ++i) {
        auto& field = static_cast<TMySQLFieldDesc&>(Fields().Items(i));
        if (field.OwnerField || field.IsCalculated() || field.FieldRole != frData) continue;
        const TMyRowValue value = valueOf(field);
        uint8_t* slot = FieldData(record, field);
        const uint16_t type = field.TypeCode;
        if (value.IsNull) {
            if (IsBlobType(type)) {
                auto* blob = new TCompressedBlob(type == dtWideMemo);
                blob->EnableRollback();
                Marshal::StorePointer(slot, blob);
            } else if (IsHeapType(type)) {
                Marshal::StorePointer(slot, nullptr);
            }
            continue;
        }
        bool isNull = false;
        const std::string_view text(value.Data, value.Length);
        const bool bit = field.MySQLType == MYSQL_TYPE_BIT;
        switch (type) {
        case dtString:
        case dtBytes: {
            const size_t n = std::min<size_t>(text.size(), field.ValueLength);
            if (type == dtBytes && field.IsBinary) {
                std::memcpy(slot, text.data(), n);
                std::memset(slot + n, 0, field.ByteSize - n);
            } else {
                const size_t upToZero = std::min(n, text.find('\0'));
                std::memcpy(slot, text.data(), upToZero);
                slot[upToZero] = 0;
            }
            break;
        }
        case dtInt8:
        case dtInt16:
        case dtInt32:
        case dtInt64:
        case dtUInt16:
        case dtUInt32:
            StoreInteger(slot, field.ByteSize, bit ? BitsToInt64(text) : TextToInt64(text));
            break;
        case dtBoolean: {
            const bool on = bit ? text.back() != 0 : TextToInt64(text) != 0;
            StoreAs<int16_t>(slot, on ? -1 : 0);
            break;
        }
        case dtFloat:
            StoreAs(slot, ParseTextFloat(text));
            break;
        case dtDate:
        case dtTime:
        case dtDateTime: {
            rtl::TDateTime date;
            if (ParseTextDateTime(field.MySQLType, text, field.ValueLength, field.FieldName, date)) {
                StoreAs(slot, date);
                if (field.MySQLType == MYSQL_TYPE_TIMESTAMP && field.TableInfo()) {
                    auto* table = static_cast<TMyTableInfo*>(field.TableInfo());
                    if (date > table->MaxTimestamp()) table->SetMaxTimestamp(date);
                }
            } else if (nullForZeroDate_) {
                isNull = true;
            } else {
                StoreAs(slot, kMyZeroDate);
            }
            break;
        }
        case dtBlob:
        case dtMemo:
        case dtWideMemo: {
            auto* blob = new TCompressedBlob(type == dtWideMemo);
            Marshal::StorePointer(slot, blob);
            if (type == dtWideMemo) {
                std::u16string wide(text.size() + 1, u'\0');
                const int bytes = DecodeUtf8(text, wide.data(), static_cast<int>(wide.size() * 2), false);
                wide.resize(static_cast<size_t>(bytes) / 2);
                blob->WriteAsWide(wide);
            } else {
                blob->Write(0, static_cast<uint32_t>(text.size()), text.data());
            }
            if (compressMode != cbNone) {
                try {
                    blob->SetCompressed(compressMode == cbClient || compressMode == cbClientServer);
                } catch (const rtl::Exception&) {
                    // A value that is not valid compressed data reads as NULL, not as a failed fetch.
                    blob->Clear();
                    isNull = true;
                }
            }
            blob->EnableRollback();
            break;
        }
        case dtExtString: {
            char* buffer = StringHeap().AllocAnsi(text.data(), static_cast<int>(text.size()));
            Marshal::StorePointer(slot, buffer);
            break;
        }
        case dtVarBytes: {
            const size_t n = std::min<size_t>(text.size(), field.ValueLength);
            StoreAs(slot, static_cast<uint16_t>(n));
            std::memcpy(slot + kVarBytesLengthSize, text.data(), n);
            break;
        }
        case dtExtVarBytes: {
            const size_t n = std::min<size_t>(text.size(), 0xFFFF);
            auto* buffer =
                static_cast<uint8_t*>(StringHeap().NewBuf(static_cast<int>(n + kVarBytesLengthSize)));
            StoreAs(buffer, static_cast<uint16_t>(n));
            std::memcpy(buffer + kVarBytesLengthSize, text.data(), n);
            Marshal::StorePointer(slot, buffer);
            break;
        }
        case dtWideString:
            DecodeUtf8(text, reinterpret_cast<char16_t*>(slot), static_cast<int>(field.ByteSize), true);
            break;
        case dtExtWideString: {
            std::u16string wide(text.size() + 1, u'\0');
            const int bytes = DecodeUtf8(text, wide.data(), static_cast<int>(wide.size() * 2), false);
            Marshal::StorePointer(slot, StringHeap().AllocWide(wide.data(), bytes / 2));
            break;
        }
        case dtBCD:
            StoreAs(slot, ScaledInteger(text, 4));
            break;
        case dtFMTBCD:
            StoreAs(slot, BcdFromText(RoundDecimalText(text, field.DecimalPlaces)));
            break;
        default:
            InvalidInternalFieldType(type);
        }
        nulls_[static_cast<size_t>(i)] = isNull ? 1 : 0;
    }
    for (int i = 0; i < FieldCount(); ++i)
        *NullByte(record, i + 1) = nulls_[static_cast<size_t>(i)];
}

bool TMySQLRecordset::Fetch() {
    TMySQLCommand& command = MyCommand();
    if (FieldCount() == 0) {
        CloseResult(false, true);
        throw EDAError(0, SNotRows);
    }
    nulls_.assign(static_cast<size_t>(FieldCount()), 1);
    const TCursorState state = command.GetCursorState();
    if (state == csInactive || state == csFetched) return false;
    const bool prepared = command.GetPrepared();
    if (prepared ? fetchState_ == 2 : !command.SQLResult()) return false;
    RTL_ASSERT(state >= csExecuted);
    if (state == csExecuted) command.SetCursorState(csFetching);
    bool cancel = false;
    DoBeforeFetch(cancel);
    if (cancel) return false;

    TMySQLAPI& api = *Connection().API();
    std::vector<PItemHeader> reuse = UniDirectional() ? RecycleBlock() : std::vector<PItemHeader>();
    std::vector<PItemHeader> items;
    rtl::UndoGuard undo([&] {
        FreeItems(items);
        FreeItems(reuse);
        CloseResult(false, false);
        eof_ = true;
        DoAfterFetch();
    });
    if (prepared && fetchState_ == 0) {
        BindFetchBuffers();
        fetchState_ = 1;
    }
    while (prepared && static_cast<int>(items.size()) < FetchRows()) {
        PItemHeader item = TakeFetchItem(reuse);
        items.push_back(item);
        void* record = BlockManager().ItemRecord(item);
        InitRecord(record);
        if (FetchPreparedRow(record) == MYSQL_NO_DATA) {
            items.pop_back();
            BlockManager().ReturnItem(item);
            fetchState_ = 2;
            CloseResult(false, true);
            break;
        }
    }
    while (!prepared && static_cast<int>(items.size()) < FetchRows()) {
        PMYSQL_ROW row = api.FetchRow(command.SQLResult());
        if (!row) {
            // The error's handler may close this record set (a lost session disconnects the
            // connection): nothing of this fetch may be left to free after it ran.
            if (api.mysql_errno(Connection().Handle()) != 0) {
                FreeItems(items);
                FreeItems(reuse);
                CheckLastError();
            }
            CloseResult(true, true);
            break;
        }
        api.GetFieldLengths(command.SQLResult(), lengths_);
        PItemHeader item = TakeFetchItem(reuse);
        items.push_back(item);
        void* record = BlockManager().ItemRecord(item);
        InitRecord(record);
        ReadRowValues(record, row, lengths_);
    }
    FreeItems(reuse);
    undo.Dismiss();
    if (!items.empty()) {
        for (PItemHeader item : items)
            LinkItem(item, nullptr);
        NumberNewItems(items.front(), false, true);
        if (command.StoredProc() && GetRecordCount() == 1 && command.ParamCount() > 0)
            ReadOutParams(BlockManager().ItemRecord(items.front()));
    }
    DoAfterFetch();
    return !items.empty();
}

PItemHeader TMySQLRecordset::TakeFetchItem(std::vector<PItemHeader>& reuse) {
    if (reuse.empty()) return BlockManager().TakeItem();
    const PItemHeader item = reuse.back();
    reuse.pop_back();
    return item;
}

void TMySQLRecordset::BindFetchBuffers() {
    TMySQLCommand& command = MyCommand();
    const size_t count = command.SQLResult() ? Connection().API()->mysql_num_fields(command.SQLResult()) : 0;
    fetchBinds_.assign(count, MYSQL_BIND{});
    fetchBuffers_.assign(count, std::vector<char>(kPreparedPiece));
    fetchLengths_.assign(count, 0);
    fetchNulls_.assign(count, 0);
    fetchErrors_.assign(count, 0);
    for (size_t i = 0; i < count; ++i) {
        MYSQL_BIND& bind = fetchBinds_[i];
        bind.buffer_type = MYSQL_TYPE_STRING;
        bind.buffer = fetchBuffers_[i].data();
        bind.buffer_length = kPreparedPiece;
        bind.length = &fetchLengths_[i];
        bind.is_null = reinterpret_cast<my_bool*>(&fetchNulls_[i]);
        bind.error = reinterpret_cast<my_bool*>(&fetchErrors_[i]);
    }
    if (Connection().API()->StmtBindResult(command.Statement(), fetchBinds_))
        command.CheckStmtStatus(static_cast<int>(Connection().API()->mysql_stmt_errno(command.Statement())));
}

void TMySQLRecordset::DropFetchBuffers() {
    fetchBinds_.clear();
    fetchBuffers_.clear();
    fetchLengths_.clear();
    fetchNulls_.clear();
    fetchErrors_.clear();
}

int TMySQLRecordset::FetchStmtRow() {
    TMySQLAPI& api = *Connection().API();
    if (api.Layout() != mlDirect) return api.mysql_stmt_fetch(MyCommand().Statement());
    PMYSQL_BINDSET row = nullptr;
    return api.StmtFetch(MyCommand().Statement(), row);
}

int TMySQLRecordset::FetchDirectRow(void* record) {
    TMySQLCommand& command = MyCommand();
    TMySQLAPI& api = *Connection().API();
    PMYSQL_BINDSET row = nullptr;
    const int code = api.StmtFetch(command.Statement(), row);
    if (code == MYSQL_NO_DATA) return code;
    if (code != 0) command.CheckStmtStatus(code);
    api.StmtGetLengths(row, fetchLengths_);
    // The executed statement's column types, which may differ from the prepared ones (a parameter's
    // type is known only now), say how the values are written.
    std::vector<std::string> texts(fetchLengths_.size());
    DecodeRow(record, [&](const TMySQLFieldDesc& field) {
        const int column = field.ServerNumber;
        const auto* data = static_cast<const uint8_t*>(api.StmtGetFieldBuf(command.Statement(), column));
        TMyRowValue value;
        value.IsNull = data == nullptr;
        if (!value.IsNull) {
            std::string& text = texts[static_cast<size_t>(column)];
            text = BinaryValueAsText(DirectRowFieldType(row, column), field.IsUnsigned, data,
                                     fetchLengths_[static_cast<size_t>(column)]);
            value.Data = text.data();
            value.Length = text.size();
        }
        return value;
    });
    return 0;
}

int TMySQLRecordset::FetchPreparedRow(void* record) {
    TMySQLCommand& command = MyCommand();
    TMySQLAPI& api = *Connection().API();
    if (api.Layout() == mlDirect) return FetchDirectRow(record);
    const int code = api.mysql_stmt_fetch(command.Statement());
    if (code == MYSQL_NO_DATA) return code;
    if (code != 0 && code != MYSQL_DATA_TRUNCATED) command.CheckStmtStatus(code);
    // Values longer than their buffer are read again whole.
    std::vector<std::vector<char>> whole(fetchBinds_.size());
    for (size_t i = 0; i < fetchBinds_.size(); ++i) {
        if (fetchNulls_[i] || fetchLengths_[i] <= kPreparedPiece) continue;
        whole[i].resize(fetchLengths_[i]);
        MYSQL_BIND& bind = fetchBinds_[i];
        bind.buffer = whole[i].data();
        bind.buffer_length = fetchLengths_[i];
        const int status =
            api.StmtFetchColumn(command.Statement(), fetchBinds_, static_cast<unsigned int>(i), 0);
        bind.buffer = fetchBuffers_[i].data();
        bind.buffer_length = kPreparedPiece;
        command.CheckStmtStatus(status);
    }
    DecodeRow(record, [&](const TMySQLFieldDesc& field) {
        const size_t i = static_cast<size_t>(field.ServerNumber);
        TMyRowValue value;
        value.IsNull = fetchNulls_[i] != 0;
        if (!value.IsNull) {
            value.Data = whole[i].empty() ? fetchBuffers_[i].data() : whole[i].data();
            value.Length = std::min<unsigned long>(fetchLengths_[i],
                                                   whole[i].empty() ? kPreparedPiece : fetchLengths_[i]);
        }
        return value;
    });
    return 0;
}

void TMySQLRecordset::ReadOutParams(void* record) {
    TMySQLCommand& command = MyCommand();
    for (int i = 0; i < command.ParamCount(); ++i) {
        TParamDesc* param = command.GetParam(i);
        const TParamDirection direction = param->GetParamType();
        if (direction != pdOutput && direction != pdInputOutput && direction != pdResult) continue;
        const TFieldDesc* field = direction == pdResult ? (FieldCount() > 0 ? &Fields().Items(0) : nullptr)
                                                        : FindFieldDesc("@" + param->GetName());
        if (!field) continue;
        const int fieldNo = field->FieldNumber;
        if (!IsBlobParam(*param)) {
            param->SetValue(IsFieldNull(fieldNo, record) ? rtl::Variant::Null()
                                                         : ReadFieldAsVariant(fieldNo, record));
            continue;
        }
        auto* target = dynamic_cast<TBlob*>(param->GetObject());
        const bool isNull = IsFieldNull(fieldNo, record);
        switch (field->TypeCode) {
        case dtBlob:
        case dtMemo:
        case dtWideMemo:
            if (target) target->CopyFrom(*BlobOfField(fieldNo, record));
            break;
        case dtExtString:
        case dtExtVarBytes:
        case dtExtWideString: {
            if (!target) {
                param->SetValue(isNull ? rtl::Variant::Null() : ReadFieldAsVariant(fieldNo, record));
                break;
            }
            const void* buffer = isNull ? nullptr : Marshal::LoadPointer(FieldData(record, *field));
            if (!buffer) {
                target->Clear();
            } else if (field->TypeCode == dtExtString) {
                target->WriteAsAnsi(static_cast<const char*>(buffer));
            } else if (field->TypeCode == dtExtWideString) {
                target->WriteAsWide(Marshal::WideFromBuffer(static_cast<const char16_t*>(buffer)));
            } else {
                const auto* bytes = static_cast<const uint8_t*>(buffer);
                target->SetAsBytes(TBytes(bytes + kVarBytesLengthSize,
                                          bytes + kVarBytesLengthSize + LoadAs<uint16_t>(bytes)));
            }
            break;
        }
        default:
            throw EDAError(0, SDataTypeNotSupported);
        }
    }
    command.SetProp(prCanReadParams, true);
    command.SetIsSelectParams(true);
    if (command.OnReadParams) command.OnReadParams();
}

} // namespace dataaccess
