#include "support/FetchingConnection.h"

#include "core/uIdentifierManager.h"
#include "core/uMySQLTypes.h"
#include "platform/rtl/CodePage.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/Streams.h"
#include "platform/rtl/Utf.h"

#include <chrono>

namespace testsupport {

namespace {

// MySQL column type codes that FieldDataValue and FieldDataType treat apart.
enum : int {
    kDecimal = 0,
    kFloat = 4,
    kDouble = 5,
    kTimestamp = 7,
    kDate = 10,
    kTime = 11,
    kDateTime = 12,
    kNewDate = 14,
    kNewDecimal = 246,
    kEnum = 247,
    kSet = 248,
    kString = 254,
};

// The client errors of a lost connection: "server has gone away", "lost connection during query".
constexpr unsigned kServerGoneError = 2006;
constexpr unsigned kServerLost = 2013;

// The result of one executed statement; the data set runs it at once.
class FetchedQueryResult : public core::IQueryResult {
public:
    FetchedQueryResult(FetchedDataSet::Runner runner, std::string sql)
        : dataSet_(std::move(runner), std::move(sql), FieldStyle::WideText) {
        const auto start = std::chrono::steady_clock::now();
        dataSet_.Execute();
        executionTime_ = static_cast<std::uint32_t>(
            std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start)
                .count());
    }

    data::TDataSet* GetDataSet() override { return &dataSet_; }
    std::uint32_t ExecutionTime() override { return executionTime_; }
    std::int64_t RowCount() override {
        return HasResultSet() ? dataSet_.RecordCount() : dataSet_.RowsAffected();
    }
    bool HasResultSet() override { return dataSet_.Active(); }
    int WarningCount() override { return dataSet_.WarningCount(); }
    bool HasMoreResults() override { return HasResultSet() && dataSet_.HasMoreResults(); }
    void NextResult() override {
        if (!HasMoreResults()) throw rtl::Exception("No more results");
        dataSet_.NextResult();
    }
    std::shared_ptr<core::IQueryResult> GetNextResult() override {
        if (!HasMoreResults()) throw rtl::Exception("No more results");
        // The next result runs nothing: it opens on the results this one had pending.
        auto pending = std::make_shared<std::vector<FetchedResult>>(dataSet_.TakePendingResults());
        return std::make_shared<FetchedQueryResult>(
            [pending](const std::string&) { return std::move(*pending); }, dataSet_.SQL());
    }

private:
    FetchedDataSet dataSet_;
    std::uint32_t executionTime_ = 0;
};

FetchedDataSet& FetchedDataSetOf(const data::TField* field) {
    RTL_ASSERT(field != nullptr);
    auto* dataSet = dynamic_cast<FetchedDataSet*>(field->DataSet());
    RTL_ASSERT(dataSet != nullptr);
    return *dataSet;
}

} // namespace

// ---- FetchingConnection ----

FetchingConnection::FetchingConnection(std::string host, std::string database)
    : host_(std::move(host)), database_(std::move(database)), converter_(*this),
      databaseNotifier_(static_cast<core::IDBAConnection*>(this)) {}

std::vector<FetchedResult> FetchingConnection::Send(const std::string& sql) {
    if (!GetConnected()) {
        core::MonitorSQL("ERROR: Not connected");
        throw rtl::Exception("Not connected");
    }
    return Run(sql);
}

FetchedDataSet::Runner FetchingConnection::Runner() {
    return [this](const std::string& sql) { return Send(sql); };
}

void FetchingConnection::RaiseServerError(unsigned code, const std::string& sqlState,
                                          const std::string& message) {
    core::MonitorSQL("ERROR: " + message);
    if ((code == kServerGoneError || code == kServerLost) && onConnectionLost_) {
        const core::TConnectionLostEvent handler = onConnectionLost_;
        handler(this);
        throw core::EDBAConnectionLost(message, static_cast<int>(code), sqlState);
    }
    core::RaiseDBAError(message, static_cast<int>(code), sqlState);
}

std::string FetchingConnection::GetCurrentDatabase() {
    const auto value = Evaluate(u"database()", true, 0);
    return value->IsNull() ? std::string() : value->AsString().AsString();
}

void FetchingConnection::UseDatabase(const std::string& database) {
    static const core::TIdentifierManager identifiers("`", ".", "`");
    ExecSQL("use " + identifiers.NormalizeIdentifier(database));
    databaseNotifier_.Notify();
}

std::string FetchingConnection::GetDescription() {
    return rtl::Format("%s at %s", database_, host_);
}

std::shared_ptr<core::IRODataValue> FetchingConnection::Evaluate(const std::u16string& text,
                                                                 bool asExpression, int fieldIndex) {
    const std::string body = rtl::Utf16ToUtf8(text);
    const std::string sql = asExpression ? "select (" + body + ") as ExpressionValue" : body;
    core::MonitorSQL(sql);
    FetchedDataSet query(Runner(), sql, FieldStyle::AsString);
    query.Open();
    data::TField* field = query.Fields()[fieldIndex];
    return field->IsNull() ? core::NullDataValue() : FieldDataValue(field);
}

std::shared_ptr<core::IRODataValue> FetchingConnection::FieldDataValue(data::TField* field) {
    FetchedDataSetOf(field); // a field of one of our data sets
    if (field->IsNull() || field->DataType() == data::ftUnknown) return core::NullDataValue();
    rtl::Variant value;
    switch (field->MySQLType()) {
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
    return std::make_shared<core::TRODataValue>(value, FieldDataType(field), &converter_, false);
}

core::TDatatypeCharacteristics FetchingConnection::FieldDataType(data::TField* field) {
    const FetchedDataSet& dataSet = FetchedDataSetOf(field);
    int typeCode = field->MySQLType();
    // The member names are not known here, so ENUM and SET values are taken as the text they are.
    if (typeCode == kEnum || typeCode == kSet) typeCode = kString;
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
    const std::int32_t codePage = dataSet.Column(field).binary ? rtl::kCodePageBinary : rtl::kCodePageUtf8;
    return core::MySQLTypeCharacteristics(static_cast<std::uint8_t>(typeCode), {}, field->MySQLUnsigned(),
                                          codePage, length, scale, "");
}

void FetchingConnection::SetOnConnectionLost(core::TConnectionLostEvent handler) {
    onConnectionLost_ = std::move(handler);
}

std::int64_t FetchingConnection::ExecSQL(const std::string& sql) {
    core::MonitorSQL(sql);
    return Send(sql).front().affectedRows;
}

void FetchingConnection::ExecScript(const std::string& fileName) {
    rtl::TMemoryStream script;
    script.LoadFromFile(fileName);
    Send(script.Bytes());
}

std::unique_ptr<data::TDataSet> FetchingConnection::CreateQuery(const std::string& sql, bool unidirectional) {
    core::MonitorSQL(sql);
    return std::make_unique<FetchedDataSet>(Runner(), sql, FieldStyle::Typed);
}

std::shared_ptr<core::IQueryResult> FetchingConnection::Execute(const std::string& sql) {
    core::MonitorSQL(sql);
    // As the adapter does, leading statements without rows (a SET sent ahead) are stepped over.
    const auto run = [this](const std::string& text) {
        std::vector<FetchedResult> results = Send(text);
        auto first = results.begin();
        while (results.end() - first > 1 && !first->hasResultSet)
            ++first;
        results.erase(results.begin(), first);
        return results;
    };
    return std::make_shared<FetchedQueryResult>(run, sql);
}

bool FetchingConnection::IsSystemVariable(const std::string& name) {
    if (systemVariables_.Count() == 0)
        core::QueryColumnToStrings(this, "show variables", 0, &systemVariables_);
    return systemVariables_.IndexOf(name) >= 0;
}

} // namespace testsupport
