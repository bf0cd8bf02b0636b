#include "app/uDBAMyDataConnection.h"

#include "app/uDBAMyDataQueryResult.h"
#include "components/uMyConnection.h"
#include "components/uMyQuery.h"
#include "components/uMyScript.h"
#include "core/uIdentifierManager.h"
#include "core/uMySQLTypes.h"
#include "dataaccess/mysql/uMyError.h"
#include "dataaccess/mysql/uMySQLFieldDesc.h"
#include "platform/rtl/CodePage.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/Threads.h"
#include "platform/rtl/Utf.h"

namespace app {

namespace {

// MySQL column type codes that FieldDataValue and FieldDataType treat apart.
constexpr std::uint8_t kDecimal = 0, kFloat = 4, kDouble = 5, kTimestamp = 7, kDate = 10, kTime = 11,
                       kDateTime = 12, kNewDate = 14, kNewDecimal = 246, kEnum = 247, kSet = 248,
                       kString = 254;

// The client errors of a lost connection: "server has gone away", "lost connection during query".
constexpr int kServerGoneError = 2006;
constexpr int kServerLost = 2013;

// The column descriptor behind a field of one of the adapter's data sets.
const dataaccess::TMySQLFieldDesc& ColumnOf(const data::TField* field) {
    RTL_ASSERT(field != nullptr);
    const auto* dataSet = dynamic_cast<const components::TCustomMyDataSet*>(field->DataSet());
    RTL_ASSERT(dataSet != nullptr);
    const auto* column = dynamic_cast<const dataaccess::TMySQLFieldDesc*>(dataSet->GetFieldDesc(field));
    RTL_ASSERT(column != nullptr);
    return *column;
}

// ENUM and SET members are not known here, so their values are taken as the text they are.
std::uint8_t TypeCodeOf(const dataaccess::TMySQLFieldDesc& column) {
    return column.MySQLType == kEnum || column.MySQLType == kSet ? kString : column.MySQLType;
}

} // namespace

// ---- TMyDataConverter ----

TMyDataConverter::TMyDataConverter(TDBAMyDataConnection& connection)
    : core::TServerDataConverter(connection) {}

// ---- TDBAMyDataConnection ----

TDBAMyDataConnection::TDBAMyDataConnection(const std::string& server, const std::string& user,
                                           const std::string& password, const std::string& database, int port)
    : converter_(std::make_unique<TMyDataConverter>(*this)),
      connection_(std::make_unique<components::TMyConnection>()),
      databaseNotifier_(std::make_unique<core::TMultiNotifier>(static_cast<core::IDBAConnection*>(this))) {
    connection_->SetServer(server);
    connection_->SetUsername(user);
    connection_->SetPassword(password);
    connection_->SetPort(port);
    connection_->SetDatabase(database);
    connection_->SetLoginPrompt(false);
    connection_->Options().SetDirect(false);
    // Every session, a silently replaced one too, talks utf8mb4.
    connection_->Options().SetCharset("utf8mb4");
    connection_->OnError = [this](data::TComponent*, dataaccess::EDAError& error, bool& fail) {
        HandleError(error, fail);
    };
    // A query finding the component disconnected after a lost connection would connect it again: a
    // new session without the run's session state, as if nothing had happened.
    connection_->BeforeConnect = [this](data::TCustomConnection*) {
        if (connecting_) return;
        core::MonitorSQL("ERROR: Not connected");
        throw rtl::Exception("Not connected");
    };
}

TDBAMyDataConnection::~TDBAMyDataConnection() {
    // The queries go before the connection they are registered with.
    DropReusedQueries();
    connection_->OnError = nullptr;
    connection_.reset();
}

void TDBAMyDataConnection::HandleError(dataaccess::EDAError& error, bool& fail) {
    core::MonitorSQL("ERROR: " + error.Message());
    auto* myError = dynamic_cast<dataaccess::EMyError*>(&error);
    if (!myError) return;
    fail = false;
    const int code = myError->ErrorCode();
    const std::string sqlState =
        myError->SqlState().empty() ? core::MySQLErrorSQLState(code) : myError->SqlState();
    if ((code == kServerGoneError || code == kServerLost) && onConnectionLost_) {
        const core::TConnectionLostEvent handler = onConnectionLost_;
        handler(this);
        throw core::EDBAConnectionLost(myError->Message(), code, sqlState);
    }
    core::RaiseDBAError(myError->Message(), code, sqlState);
}

void TDBAMyDataConnection::SetRunBusy(std::function<bool()> isBusy) {
    runBusy_ = std::move(isBusy);
}

void TDBAMyDataConnection::CheckSessionAccess() const {
    // Only the user-interface thread sets and reads the predicate.
    if (rtl::IsMainThread() && runBusy_ && runBusy_())
        throw rtl::Exception("The connection is in use by the running debugger: pause or stop it first");
}

bool TDBAMyDataConnection::GetConnected() {
    std::lock_guard guard(lock_);
    return connection_->Connected();
}

core::TDataConverter& TDBAMyDataConnection::GetDataConverter() {
    return *converter_;
}

std::string TDBAMyDataConnection::GetCurrentDatabase() {
    const auto value = Evaluate(u"database()", true, 0);
    // No default database reads as an empty name.
    return value->IsNull() ? std::string() : value->AsString().AsString();
}

void TDBAMyDataConnection::UseDatabase(const std::string& database) {
    CheckSessionAccess();
    static const core::TIdentifierManager identifiers("`", ".", "`");
    {
        std::lock_guard guard(lock_);
        ExecSQL("use " + identifiers.NormalizeIdentifier(database));
    }
    databaseNotifier_->Notify();
}

std::string TDBAMyDataConnection::GetDatabase() {
    std::lock_guard guard(lock_);
    return connection_->Database();
}

void TDBAMyDataConnection::Connect() {
    CheckSessionAccess();
    std::lock_guard guard(lock_);
    DropReusedQueries();
    connecting_ = true;
    try {
        connection_->Connect();
    } catch (...) {
        connecting_ = false;
        throw;
    }
    connecting_ = false;
    ExecSQL("SET NAMES utf8mb4");
    const auto charset = Evaluate(u"SHOW VARIABLES like 'character_set_database'", false, 1);
    const std::string name = charset->IsNull() ? std::string() : charset->AsString().AsString();
    try {
        converter_->SetDefaultCodePage(core::CharsetCodePages[core::CharsetIndexByName(name)]);
    } catch (...) {
        // Text in a character set the catalogue lacks would read wrongly: no session rather than that.
        DropReusedQueries();
        connection_->Disconnect();
        throw;
    }
}

void TDBAMyDataConnection::Disconnect() {
    CheckSessionAccess();
    std::lock_guard guard(lock_);
    DropReusedQueries();
    connection_->Disconnect();
}

std::string TDBAMyDataConnection::GetDescription() {
    std::lock_guard guard(lock_);
    return rtl::Format("%s at %s", connection_->Database(), connection_->Server());
}

std::shared_ptr<core::IRODataValue> TDBAMyDataConnection::Evaluate(const std::u16string& text,
                                                                   bool asExpression, int fieldIndex) {
    CheckSessionAccess();
    std::lock_guard guard(lock_);
    const std::string body = rtl::Utf16ToUtf8(text);
    const std::string sql = asExpression ? "select (" + body + ") as ExpressionValue" : body;
    components::TMyQuery& query = ReusedQuery(evaluationQuery_, sql);
    query.Options().SetFieldsAsString(true);
    core::MonitorSQL(sql);
    struct Closer {
        components::TMyQuery& query;
        ~Closer() { query.Close(); }
    } closer{query};
    query.Open();
    if (query.Eof()) return core::NullDataValue();
    data::TField* field = query.Fields()[fieldIndex];
    return field->IsNull() ? core::NullDataValue() : FieldDataValue(field);
}

std::shared_ptr<core::IRODataValue> TDBAMyDataConnection::FieldDataValue(data::TField* field) {
    std::lock_guard guard(lock_);
    const dataaccess::TMySQLFieldDesc& column = ColumnOf(field);
    if (field->IsNull() || field->DataType() == data::ftUnknown) return core::NullDataValue();
    rtl::Variant value;
    switch (TypeCodeOf(column)) {
    case kTimestamp:
    case kDateTime:
        value = core::DateTimeTextToNumber(field->AsString());
        break;
    case kDate:
    case kNewDate:
        value = core::DateTextToNumber(field->AsString());
        break;
    case kTime:
        value = core::TimeTextToNumber(field->AsString());
        break;
    default:
        value = field->Value();
        break;
    }
    return std::make_shared<core::TRODataValue>(value, FieldDataType(field), converter_.get(), false);
}

core::TDatatypeCharacteristics TDBAMyDataConnection::FieldDataType(data::TField* field) {
    std::lock_guard guard(lock_);
    const dataaccess::TMySQLFieldDesc& column = ColumnOf(field);
    const std::uint8_t typeCode = TypeCodeOf(column);
    const std::int64_t length = field->DataSize() != 0 ? field->DataSize() : core::kUnlimitedLength;
    std::uint8_t scale = 0;
    const bool floating = typeCode == kFloat || typeCode == kDouble;
    if (!field->IsNull() && (floating || typeCode == kDecimal || typeCode == kNewDecimal)) {
        const std::string text = field->AsString();
        const size_t point = text.find('.');
        if (point != std::string::npos)
            scale = static_cast<std::uint8_t>(text.size() - point - 1);
        else if (floating)
            scale = core::kScaleNotSpecified;
    }
    const std::int32_t codePage = column.IsBinary ? rtl::kCodePageBinary : rtl::kCodePageUtf8;
    return core::MySQLTypeCharacteristics(typeCode, {""}, column.IsUnsigned, codePage, length, scale, "");
}

components::TMyQuery& TDBAMyDataConnection::ReusedQuery(std::unique_ptr<components::TMyQuery>& query,
                                                        const std::string& sql) {
    if (query)
        query->SetSQL(sql);
    else
        query = NewVerbatimQuery(connection_.get(), sql);
    return *query;
}

void TDBAMyDataConnection::DropReusedQueries() {
    evaluationQuery_.reset();
    statementQuery_.reset();
}

void TDBAMyDataConnection::SetOnConnectionLost(core::TConnectionLostEvent handler) {
    std::lock_guard guard(lock_);
    onConnectionLost_ = std::move(handler);
}

std::int64_t TDBAMyDataConnection::ExecSQL(const std::string& sql) {
    CheckSessionAccess();
    std::lock_guard guard(lock_);
    core::MonitorSQL(sql);
    ReusedQuery(statementQuery_, sql).Execute();
    const std::int64_t rows = statementQuery_->RowsAffected();
    // A statement that returned rows must not keep its result open in the one session.
    statementQuery_->Close();
    return rows;
}

void TDBAMyDataConnection::ExecScript(const std::string& fileName) {
    CheckSessionAccess();
    std::lock_guard guard(lock_);
    components::TMyScript script;
    script.SetConnection(connection_.get());
    script.ExecuteFile(fileName);
}

std::unique_ptr<data::TDataSet> TDBAMyDataConnection::CreateQuery(const std::string& sql,
                                                                  bool unidirectional) {
    CheckSessionAccess();
    std::lock_guard guard(lock_);
    core::MonitorSQL(sql);
    auto query = NewVerbatimQuery(connection_.get(), sql);
    // The server's text is the exact value: typed fields would lose the trailing digits of a
    // DECIMAL and the sign of a TIME that FieldDataValue must keep.
    query->Options().SetFieldsAsString(true);
    query->SetUniDirectional(unidirectional);
    return query;
}

std::shared_ptr<core::IQueryResult> TDBAMyDataConnection::Execute(const std::string& sql) {
    CheckSessionAccess();
    std::lock_guard guard(lock_);
    core::MonitorSQL(sql);
    return std::make_shared<TMyDataQueryResultImp>(connection_.get(), sql);
}

bool TDBAMyDataConnection::IsSystemVariable(const std::string& name) {
    CheckSessionAccess();
    std::lock_guard guard(lock_);
    if (systemVariables_.Count() == 0)
        core::QueryColumnToStrings(this, "show variables", 0, &systemVariables_);
    return systemVariables_.IndexOf(name) >= 0;
}

std::shared_ptr<core::IDBAConnection> CreateDBAConnection(const std::string& server, const std::string& user,
                                                          const std::string& password,
                                                          const std::string& database, int port) {
    return std::make_shared<TDBAMyDataConnection>(server, user, password, database, port);
}

} // namespace app
