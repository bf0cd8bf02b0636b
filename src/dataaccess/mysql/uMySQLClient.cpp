#include "dataaccess/mysql/uMySQLClient.h"

#include "dataaccess/mysql/uMyHelpers.h"
#include "dataaccess/store/uBlob.h"
#include "dataaccess/store/uCompressedBlob.h"
#include "dataaccess/store/uDataTypes.h"
#include "platform/rtl/DynLib.h"
#include "platform/rtl/Exception.h"

#include <mariadb/mysql.h>

namespace dataaccess {

// Every entry point the API forwards to, in the order of its operations.
#define VELTRANE_MYSQL_ENTRY_POINTS(X)                                                                       \
    X(mysql_num_fields)                                                                                      \
    X(mysql_fetch_field_direct)                                                                              \
    X(mysql_field_count)                                                                                     \
    X(mysql_affected_rows)                                                                                   \
    X(mysql_warning_count)                                                                                   \
    X(mysql_insert_id)                                                                                       \
    X(mysql_errno)                                                                                           \
    X(mysql_error)                                                                                           \
    X(mysql_sqlstate)                                                                                        \
    X(mysql_info)                                                                                            \
    X(mysql_thread_id)                                                                                       \
    X(mysql_character_set_name)                                                                              \
    X(mysql_init)                                                                                            \
    X(mysql_ssl_set)                                                                                         \
    X(mysql_real_connect)                                                                                    \
    X(mysql_close)                                                                                           \
    X(mysql_select_db)                                                                                       \
    X(mysql_real_query)                                                                                      \
    X(mysql_kill)                                                                                            \
    X(mysql_ping)                                                                                            \
    X(mysql_get_server_info)                                                                                 \
    X(mysql_get_client_info)                                                                                 \
    X(mysql_get_host_info)                                                                                   \
    X(mysql_use_result)                                                                                      \
    X(mysql_options)                                                                                         \
    X(mysql_free_result)                                                                                     \
    X(mysql_fetch_row)                                                                                       \
    X(mysql_fetch_lengths)                                                                                   \
    X(mysql_server_init)                                                                                     \
    X(mysql_server_end)                                                                                      \
    X(mysql_stmt_init)                                                                                       \
    X(mysql_stmt_prepare)                                                                                    \
    X(mysql_stmt_execute)                                                                                    \
    X(mysql_stmt_param_count)                                                                                \
    X(mysql_stmt_bind_param)                                                                                 \
    X(mysql_stmt_bind_result)                                                                                \
    X(mysql_stmt_field_count)                                                                                \
    X(mysql_stmt_close)                                                                                      \
    X(mysql_stmt_free_result)                                                                                \
    X(mysql_stmt_errno)                                                                                      \
    X(mysql_stmt_error)                                                                                      \
    X(mysql_stmt_fetch)                                                                                      \
    X(mysql_stmt_fetch_column)                                                                               \
    X(mysql_stmt_send_long_data)                                                                             \
    X(mysql_stmt_result_metadata)                                                                            \
    X(mysql_stmt_param_metadata)                                                                             \
    X(mysql_stmt_affected_rows)                                                                              \
    X(mysql_more_results)                                                                                    \
    X(mysql_next_result)

// Signatures come from the library's header; nothing here links against it.
struct TMySQLAPIClient::TEntryPoints {
#define VELTRANE_DECLARE_ENTRY(name) decltype(&::name) name = nullptr;
    VELTRANE_MYSQL_ENTRY_POINTS(VELTRANE_DECLARE_ENTRY)
#undef VELTRANE_DECLARE_ENTRY
};

namespace {

MYSQL* My(PMYSQL_CON handle) {
    return reinterpret_cast<MYSQL*>(handle);
}
MYSQL_RES* My(PMYSQL_RES handle) {
    return reinterpret_cast<MYSQL_RES*>(handle);
}
MYSQL_STMT* My(PMYSQL_STMT handle) {
    return reinterpret_cast<MYSQL_STMT*>(handle);
}

std::string Text(const char* text) {
    return text ? std::string(text) : std::string();
}

// A time of day for a TIME parameter: the library sends the day field as whole days.
MYSQL_TIME TimeOfDayToMySqlTime(rtl::TDateTime value) {
    MYSQL_TIME time = DateTimeToMySqlTime(value);
    time.year = time.month = time.day = 0;
    time.time_type = MYSQL_TIMESTAMP_TIME;
    return time;
}

// The bind records of one execution and everything they point at. Scalars live in one slot per
// parameter and texts in strings owned here, so nothing the library reads moves or dies early.
class TParamBinding {
public:
    explicit TParamBinding(std::span<const TMySqlParam> params)
        : binds_(params.size()), nulls_(params.size()), scalars_(params.size()), texts_(params.size()) {
        for (size_t i = 0; i < params.size(); ++i)
            Bind(i, params[i]);
    }

    TMYSQL_BINDS& Binds() { return binds_; }

private:
    union TScalar {
        int8_t Int8;
        int16_t Int16;
        int32_t Int32;
        int64_t Int64;
        double Double;
        MYSQL_TIME Time;
    };

    void Bind(size_t i, const TMySqlParam& param) {
        MYSQL_BIND& bind = binds_[i];
        CheckBindable(param.DataType);
        bind.buffer_type = static_cast<enum_field_types>(InternalTypeToMySqlType(param.DataType));
        bind.is_null = &nulls_[i];
        nulls_[i] = param.IsNull || (!param.Blob && param.Value.IsNull());
        if (nulls_[i]) return;
        TScalar& scalar = scalars_[i];
        const rtl::Variant& value = param.Value;
        switch (param.DataType) {
        case dtInt8:
            scalar.Int8 = static_cast<int8_t>(value.AsInt64());
            return SetBuffer(bind, &scalar, sizeof(int8_t));
        case dtBoolean:
            scalar.Int8 = value.AsBoolean() ? 1 : 0;
            return SetBuffer(bind, &scalar, sizeof(int8_t));
        case dtInt16:
            scalar.Int16 = static_cast<int16_t>(value.AsInt64());
            return SetBuffer(bind, &scalar, sizeof(int16_t));
        case dtInt32:
        case dtUInt16:
            scalar.Int32 = static_cast<int32_t>(value.AsInt64());
            return SetBuffer(bind, &scalar, sizeof(int32_t));
        case dtUInt32:
            scalar.Int32 = static_cast<int32_t>(static_cast<uint32_t>(value.AsInt64()));
            bind.is_unsigned = 1; // values of 2^31 and above must not arrive negative
            return SetBuffer(bind, &scalar, sizeof(int32_t));
        case dtFloat:
            scalar.Double = value.AsDouble();
            return SetBuffer(bind, &scalar, sizeof(double));
        case dtDate:
        case dtDateTime:
            scalar.Time = DateTimeToMySqlTime(value.AsDateTime());
            return SetBuffer(bind, &scalar, sizeof(MYSQL_TIME));
        case dtTime:
            scalar.Time = TimeOfDayToMySqlTime(value.AsDateTime());
            return SetBuffer(bind, &scalar, sizeof(MYSQL_TIME));
        case dtInt64:
            scalar.Int64 = value.AsInt64();
            return SetBuffer(bind, &scalar, sizeof(int64_t));
        case dtBCD:
            return SetText(i, CurrencyToSQLText(value.AsDouble()));
        case dtFMTBCD:
            return SetText(i, value.AsString());
        case dtUnknown: // only NULL binds without a type
            InvalidInternalFieldType(param.DataType);
        default: // the string and blob types
            if (param.Blob) return BindBlob(i, *param.Blob);
            // 8-bit values are UTF-8 text or raw bytes and go as they are; UTF-16 becomes UTF-8.
            return SetText(i, value.AsString());
        }
    }

    // The heap-string types have a MySQL type but no parameter form.
    static void CheckBindable(int dataType) {
        if (IsHeapType(dataType)) InvalidInternalFieldType(dataType);
    }

    // Text of a Unicode blob goes as UTF-8; other content as its bytes, uncompressed.
    void BindBlob(size_t i, TBlob& blob) {
        if (blob.IsUnicode()) return SetText(i, blob.ReadAsAnsi());
        if (auto* compressed = dynamic_cast<TCompressedBlob*>(&blob)) compressed->SetCompressed(false);
        blob.Defragment();
        const uint32_t size = blob.GetSize();
        if (PPieceHeader piece = blob.FirstPiece()) SetBuffer(binds_[i], PieceData(piece), size);
    }

    void SetText(size_t i, std::string text) {
        texts_[i] = std::move(text);
        SetBuffer(binds_[i], texts_[i].data(), texts_[i].size());
    }

    static void SetBuffer(MYSQL_BIND& bind, void* buffer, size_t length) {
        bind.buffer = buffer;
        bind.buffer_length = static_cast<unsigned long>(length);
    }

    TMYSQL_BINDS binds_;
    std::vector<my_bool> nulls_;
    std::vector<TScalar> scalars_;
    std::vector<std::string> texts_;
};

} // namespace

TMySQLAPIClient::TMySQLAPIClient(std::string libName)
    : libName_(std::move(libName)), entries_(std::make_unique<TEntryPoints>()) {}

TMySQLAPIClient::~TMySQLAPIClient() = default;

template <class F>
F TMySQLAPIClient::Bound(F entry) const {
    if (!entry) NotLinked();
    return entry;
}

void TMySQLAPIClient::NotLinked() const {
    throw rtl::Exception("MySQL API function is not linked. You should update MySQL client library (" +
                         GetLibName() + ").");
}

unsigned int TMySQLAPIClient::mysql_num_fields(PMYSQL_RES result) {
    return Bound(entries_->mysql_num_fields)(My(result));
}
st_mysql_field* TMySQLAPIClient::mysql_fetch_field_direct(PMYSQL_RES result, unsigned int index) {
    return Bound(entries_->mysql_fetch_field_direct)(My(result), index);
}
unsigned int TMySQLAPIClient::mysql_field_count(PMYSQL_CON mysql) {
    return Bound(entries_->mysql_field_count)(My(mysql));
}
uint64_t TMySQLAPIClient::mysql_affected_rows(PMYSQL_CON mysql) {
    return Bound(entries_->mysql_affected_rows)(My(mysql));
}

unsigned int TMySQLAPIClient::mysql_warning_count(PMYSQL_CON mysql) {
    return Bound(entries_->mysql_warning_count)(My(mysql));
}
uint64_t TMySQLAPIClient::mysql_insert_id(PMYSQL_CON mysql) {
    return Bound(entries_->mysql_insert_id)(My(mysql));
}
unsigned int TMySQLAPIClient::mysql_errno(PMYSQL_CON mysql) {
    return Bound(entries_->mysql_errno)(My(mysql));
}
std::string TMySQLAPIClient::mysql_error(PMYSQL_CON mysql) {
    return Text(Bound(entries_->mysql_error)(My(mysql)));
}
std::string TMySQLAPIClient::mysql_sqlstate(PMYSQL_CON mysql) {
    return Text(Bound(entries_->mysql_sqlstate)(My(mysql)));
}
std::string TMySQLAPIClient::mysql_info(PMYSQL_CON mysql) {
    return Text(Bound(entries_->mysql_info)(My(mysql)));
}
unsigned long TMySQLAPIClient::mysql_thread_id(PMYSQL_CON mysql) {
    return Bound(entries_->mysql_thread_id)(My(mysql));
}
std::string TMySQLAPIClient::mysql_character_set_name(PMYSQL_CON mysql) {
    return Text(Bound(entries_->mysql_character_set_name)(My(mysql)));
}
PMYSQL_CON TMySQLAPIClient::mysql_init(PMYSQL_CON mysql) {
    return reinterpret_cast<PMYSQL_CON>(Bound(entries_->mysql_init)(My(mysql)));
}
int TMySQLAPIClient::mysql_ssl_set(PMYSQL_CON mysql, const char* key, const char* cert, const char* ca,
                                   const char* caPath, const char* cipher) {
    return Bound(entries_->mysql_ssl_set)(My(mysql), key, cert, ca, caPath, cipher);
}
PMYSQL_CON TMySQLAPIClient::mysql_real_connect(PMYSQL_CON mysql, const char* host, const char* user,
                                               const char* password, const char* db, unsigned int port,
                                               const char* unixSocket, unsigned long clientFlag) {
    return reinterpret_cast<PMYSQL_CON>(Bound(entries_->mysql_real_connect)(
        My(mysql), host, user, password, db, port, unixSocket, clientFlag));
}
void TMySQLAPIClient::mysql_close(PMYSQL_CON mysql) {
    Bound(entries_->mysql_close)(My(mysql));
}
int TMySQLAPIClient::mysql_select_db(PMYSQL_CON mysql, const char* db) {
    return Bound(entries_->mysql_select_db)(My(mysql), db);
}
int TMySQLAPIClient::mysql_real_query(PMYSQL_CON mysql, const char* query, unsigned long length) {
    return Bound(entries_->mysql_real_query)(My(mysql), query, length);
}
int TMySQLAPIClient::mysql_kill(PMYSQL_CON mysql, unsigned long threadId) {
    return Bound(entries_->mysql_kill)(My(mysql), threadId);
}
int TMySQLAPIClient::mysql_ping(PMYSQL_CON mysql) {
    return Bound(entries_->mysql_ping)(My(mysql));
}
std::string TMySQLAPIClient::mysql_get_server_info(PMYSQL_CON mysql) {
    return Text(Bound(entries_->mysql_get_server_info)(My(mysql)));
}
std::string TMySQLAPIClient::mysql_get_client_info() {
    return Text(Bound(entries_->mysql_get_client_info)());
}
std::string TMySQLAPIClient::mysql_get_host_info(PMYSQL_CON mysql) {
    return Text(Bound(entries_->mysql_get_host_info)(My(mysql)));
}
PMYSQL_RES TMySQLAPIClient::mysql_use_result(PMYSQL_CON mysql) {
    return reinterpret_cast<PMYSQL_RES>(Bound(entries_->mysql_use_result)(My(mysql)));
}
int TMySQLAPIClient::mysql_options(PMYSQL_CON mysql, int option, const void* arg) {
    return Bound(entries_->mysql_options)(My(mysql), static_cast<enum mysql_option>(option), arg);
}
void TMySQLAPIClient::mysql_free_result(PMYSQL_RES result) {
    Bound(entries_->mysql_free_result)(My(result));
}
PMYSQL_ROW TMySQLAPIClient::mysql_fetch_row(PMYSQL_RES result) {
    return reinterpret_cast<PMYSQL_ROW>(Bound(entries_->mysql_fetch_row)(My(result)));
}
unsigned long* TMySQLAPIClient::mysql_fetch_lengths(PMYSQL_RES result) {
    return Bound(entries_->mysql_fetch_lengths)(My(result));
}
int TMySQLAPIClient::mysql_server_init(int argc, char** argv, char** groups) {
    return Bound(entries_->mysql_server_init)(argc, argv, groups);
}
void TMySQLAPIClient::mysql_server_end() {
    Bound(entries_->mysql_server_end)();
}
PMYSQL_STMT TMySQLAPIClient::mysql_stmt_init(PMYSQL_CON mysql) {
    return reinterpret_cast<PMYSQL_STMT>(Bound(entries_->mysql_stmt_init)(My(mysql)));
}
int TMySQLAPIClient::mysql_stmt_prepare(PMYSQL_STMT stmt, const char* query, unsigned long length) {
    return Bound(entries_->mysql_stmt_prepare)(My(stmt), query, length);
}
int TMySQLAPIClient::mysql_stmt_execute(PMYSQL_STMT stmt) {
    return Bound(entries_->mysql_stmt_execute)(My(stmt));
}
unsigned long TMySQLAPIClient::mysql_stmt_param_count(PMYSQL_STMT stmt) {
    return Bound(entries_->mysql_stmt_param_count)(My(stmt));
}
bool TMySQLAPIClient::mysql_stmt_bind_param(PMYSQL_STMT stmt, st_mysql_bind* binds) {
    return Bound(entries_->mysql_stmt_bind_param)(My(stmt), binds) != 0;
}
bool TMySQLAPIClient::mysql_stmt_bind_result(PMYSQL_STMT stmt, st_mysql_bind* binds) {
    return Bound(entries_->mysql_stmt_bind_result)(My(stmt), binds) != 0;
}
unsigned int TMySQLAPIClient::mysql_stmt_field_count(PMYSQL_STMT stmt) {
    return Bound(entries_->mysql_stmt_field_count)(My(stmt));
}
bool TMySQLAPIClient::mysql_stmt_close(PMYSQL_STMT stmt) {
    return Bound(entries_->mysql_stmt_close)(My(stmt)) != 0;
}
bool TMySQLAPIClient::mysql_stmt_free_result(PMYSQL_STMT stmt) {
    return Bound(entries_->mysql_stmt_free_result)(My(stmt)) != 0;
}
unsigned int TMySQLAPIClient::mysql_stmt_errno(PMYSQL_STMT stmt) {
    return Bound(entries_->mysql_stmt_errno)(My(stmt));
}
std::string TMySQLAPIClient::mysql_stmt_error(PMYSQL_STMT stmt) {
    return Text(Bound(entries_->mysql_stmt_error)(My(stmt)));
}
int TMySQLAPIClient::mysql_stmt_fetch(PMYSQL_STMT stmt) {
    return Bound(entries_->mysql_stmt_fetch)(My(stmt));
}
int TMySQLAPIClient::mysql_stmt_fetch_column(PMYSQL_STMT stmt, st_mysql_bind* bind, unsigned int column,
                                             unsigned long offset) {
    return Bound(entries_->mysql_stmt_fetch_column)(My(stmt), bind, column, offset);
}
bool TMySQLAPIClient::mysql_stmt_send_long_data(PMYSQL_STMT stmt, unsigned int paramNumber, const char* data,
                                                unsigned long length) {
    return Bound(entries_->mysql_stmt_send_long_data)(My(stmt), paramNumber, data, length) != 0;
}
PMYSQL_RES TMySQLAPIClient::mysql_stmt_result_metadata(PMYSQL_STMT stmt) {
    return reinterpret_cast<PMYSQL_RES>(Bound(entries_->mysql_stmt_result_metadata)(My(stmt)));
}
PMYSQL_RES TMySQLAPIClient::mysql_stmt_param_metadata(PMYSQL_STMT stmt) {
    return reinterpret_cast<PMYSQL_RES>(Bound(entries_->mysql_stmt_param_metadata)(My(stmt)));
}
uint64_t TMySQLAPIClient::mysql_stmt_affected_rows(PMYSQL_STMT stmt) {
    return Bound(entries_->mysql_stmt_affected_rows)(My(stmt));
}
bool TMySQLAPIClient::mysql_more_results(PMYSQL_CON mysql) {
    return Bound(entries_->mysql_more_results)(My(mysql)) != 0;
}
int TMySQLAPIClient::mysql_next_result(PMYSQL_CON mysql) {
    return Bound(entries_->mysql_next_result)(My(mysql));
}

// A field of the library's connection record, laid out by its header.
unsigned int TMySQLAPIClient::GetServerStatus(PMYSQL_CON mysql) {
    return My(mysql)->server_status;
}

void TMySQLAPIClient::LoadLib() {
    if (lib_) return;
    lastLoadError_.clear();
    lib_ = rtl::TDynLib::TryLoad(GetLibName(), &lastLoadError_);
    if (!lib_) return;
#define VELTRANE_BIND_ENTRY(name)                                                                            \
    entries_->name = reinterpret_cast<decltype(&::name)>(lib_->FindSymbol(#name));
    VELTRANE_MYSQL_ENTRY_POINTS(VELTRANE_BIND_ENTRY)
#undef VELTRANE_BIND_ENTRY
}

void TMySQLAPIClient::FreeLib() {
    *entries_ = TEntryPoints();
    lib_.reset();
}

void TMySQLAPIClient::Init() {
    LoadLib();
    if (!Loaded())
        throw rtl::EOSError("MySQL client library couldn't be loaded. Please place " + GetLibName() +
                            " file to system folder (included to PATH) or to the folder with executable unit "
                            "of main program.");
    TMySQLAPI::Init();
}

// Texts go as UTF-8 with or without `useUnicode`: 8-bit text is UTF-8 on this platform.
int TMySQLAPIClient::StmtExecuteParams(PMYSQL_STMT stmt, std::span<const TMySqlParam> params, bool) {
    if (!params.empty() && params.front().Direction == kParamDirectionResult) params = params.subspan(1);
    RTL_ASSERT(mysql_stmt_param_count(stmt) == params.size());
    if (params.empty()) return mysql_stmt_execute(stmt);
    TParamBinding binding(params);
    if (StmtBindParams(stmt, binding.Binds())) return 1;
    return mysql_stmt_execute(stmt);
}

TMySQLAPIClient& MySQLAPIClient() {
    static TMySQLAPIClient instance;
    return instance;
}

} // namespace dataaccess
