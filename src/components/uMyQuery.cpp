#include "components/uMyQuery.h"

#include "components/uDASQLHelpers.h"
#include "components/uMyCommand.h"
#include "components/uMyConnection.h"
#include "components/uMyDataSetService.h"
#include "dataaccess/mysql/uMySQLRecordset.h"
#include "dataaccess/server/uCRAccess.h"
#include "dataaccess/store/uTimer.h"
#include "platform/data/DataError.h"
#include "platform/rtl/Exception.h"
#include "platform/rtl/ScopeExit.h"

namespace components {

// ---- Options

TMyDataSetOptions::TMyDataSetOptions(TCustomMyDataSet* owner) : TDADataSetOptions(owner) {
    SetRequiredFields(false);
    SetLongStrings(true);
    SetFieldsOrigin(true);
}

void TMyDataSetOptions::SetColumnOption(bool& field, bool value, int prop, bool fieldDefsChange) {
    if (value == field) return;
    DataSet()->CheckInactive();
    field = value;
    WriteRecordSetProp(prop, value);
    if (fieldDefsChange) DataSet()->FieldDefs().SetUpdated(false);
}

void TMyDataSetOptions::SetFieldsAsString(bool value) {
    SetColumnOption(fieldsAsString_, value, dataaccess::prFieldsAsString, true);
}

void TMyDataSetOptions::SetNullForZeroDate(bool value) {
    SetColumnOption(nullForZeroDate_, value, dataaccess::prNullForZeroDate, false);
}

void TMyDataSetOptions::SetEnableBoolean(bool value) {
    SetColumnOption(enableBoolean_, value, dataaccess::prEnableBoolean, true);
}

void TMyDataSetOptions::SetBinaryAsString(bool value) {
    SetColumnOption(binaryAsString_, value, dataaccess::prBinaryAsString, true);
}

void TMyDataSetOptions::SetCreateConnection(bool value) {
    SetColumnOption(createConnection_, value, dataaccess::prCreateConnection, false);
}

TCustomMyDataSet* TMyDataSetOptions::MyDataSet() const {
    return static_cast<TCustomMyDataSet*>(DataSet());
}

void TMyDataSetOptions::SetAutoRefresh(bool value) {
    if (value == autoRefresh_) return;
    autoRefresh_ = value;
    MyDataSet()->EnableAutoRefresh(value);
}

void TMyDataSetOptions::SetAutoRefreshInterval(int value) {
    autoRefreshInterval_ = value;
    if (MyDataSet()->autoRefreshTimer_)
        MyDataSet()->autoRefreshTimer_->SetInterval(static_cast<uint32_t>(value) * 1000);
}

void TMyDataSetOptions::AssignTo(data::TPersistent* dest) const {
    TDADataSetOptions::AssignTo(dest);
    auto* other = dynamic_cast<TMyDataSetOptions*>(dest);
    if (!other) return;
    other->SetFieldsAsString(fieldsAsString_);
    other->SetNullForZeroDate(nullForZeroDate_);
    other->SetEnableBoolean(enableBoolean_);
    other->SetBinaryAsString(binaryAsString_);
    other->SetCreateConnection(createConnection_);
}

// ---- Data set

TCustomMyDataSet::TCustomMyDataSet(data::TComponent* owner) : TCustomDADataSet(owner, TDeferInit{}) {
    Init();
    SetFetchAll(true);
}

TCustomMyDataSet::~TCustomMyDataSet() {
    autoRefreshTimer_.reset();
}

void TCustomMyDataSet::EnableAutoRefresh(bool value) {
    if (!autoRefreshTimer_) {
        autoRefreshTimer_ = std::make_unique<dataaccess::TWin32Timer>();
        autoRefreshTimer_->SetEnabled(false);
        autoRefreshTimer_->SetInterval(static_cast<uint32_t>(Options().AutoRefreshInterval()) * 1000);
        autoRefreshTimer_->SetOnTimer([this](dataaccess::TWin32Timer&) { AutoRefreshTick(); });
    }
    autoRefreshTimer_->SetEnabled(value);
}

void TCustomMyDataSet::AutoRefreshTick() {
    if (State() != data::dsBrowse) return;
    // A refresh that fails would fail on every tick.
    rtl::UndoGuard stop([this] { Options().SetAutoRefresh(false); });
    auto* service = static_cast<TCustomMyDataSetService*>(DADataSetService());
    if (service->TimestampField())
        RefreshQuick(true);
    else
        Refresh();
    stop.Dismiss();
    // The next tick counts from the end of this refresh.
    autoRefreshTimer_->SetEnabled(false);
    autoRefreshTimer_->SetEnabled(true);
}

void TCustomMyDataSet::Lock() {
    CheckActive();
    if (RecordCount() == 0) data::DatabaseError("There is no active record to lock", this);
    RTL_ASSERT(DADataSetService());
    DADataSetService()->SetProp(prLockType, 0);
    TCustomDADataSet::Lock();
}

std::unique_ptr<TCustomDASQL> TCustomMyDataSet::CreateCommand() {
    return std::make_unique<TMyCommand>(nullptr);
}

std::unique_ptr<TDADataSetOptions> TCustomMyDataSet::CreateOptions() {
    return std::make_unique<TMyDataSetOptions>(this);
}

std::unique_ptr<TDataSetService> TCustomMyDataSet::CreateDataSetService() const {
    auto service = std::make_unique<TMyDataSetService>(const_cast<TCustomMyDataSet*>(this));
    service->CreateHelpers();
    return service;
}

TCustomMyConnection* TCustomMyDataSet::Connection() const {
    return static_cast<TCustomMyConnection*>(TCustomDADataSet::Connection());
}

void TCustomMyDataSet::SetConnection(TCustomMyConnection* value) {
    TCustomDADataSet::SetConnection(value);
}

dataaccess::TMySQLRecordset* TCustomMyDataSet::MyRecordSet() const {
    return static_cast<dataaccess::TMySQLRecordset*>(RecordSet());
}

dataaccess::TMySQLCommand* TCustomMyDataSet::MyICommand() const {
    return RecordSet() ? &MyRecordSet()->MyCommand() : nullptr;
}

void TCustomMyDataSet::CreateRecordStore() {
    TCustomDADataSet::CreateRecordStore();
    if (!RecordStore()) SetRecordStore(std::make_unique<dataaccess::TMySQLRecordset>());
}

bool TCustomMyDataSet::IsServerRecordSet(const dataaccess::TData& store) const {
    return dynamic_cast<const dataaccess::TMySQLRecordset*>(&store) != nullptr;
}

void TCustomMyDataSet::SetRecordStore(std::unique_ptr<dataaccess::TData> store) {
    TCustomDADataSet::SetRecordStore(std::move(store));
    dataaccess::TCRRecordSet* recordSet = RecordSet();
    if (!recordSet) return;
    const TMyDataSetOptions& options = Options();
    recordSet->SetProp(dataaccess::prFieldsAsString, options.FieldsAsString());
    recordSet->SetProp(dataaccess::prNullForZeroDate, options.NullForZeroDate());
    recordSet->SetProp(dataaccess::prEnableBoolean, options.EnableBoolean());
    recordSet->SetProp(dataaccess::prBinaryAsString, options.BinaryAsString());
    recordSet->SetProp(dataaccess::prCreateConnection, options.CreateConnection());
    // Empty strings read back as empty strings, not as null.
    recordSet->SetProp(dataaccess::prEnableEmptyStrings, true);
    recordSet->SetProp(dataaccess::prCommandTimeout, commandTimeout_);
}

void TCustomMyDataSet::SetCommandTimeout(int value) {
    if (value == commandTimeout_) return;
    commandTimeout_ = value;
    if (RecordSet()) RecordSet()->SetProp(dataaccess::prCommandTimeout, value);
}

void TCustomMyDataSet::CreateFieldDefs() {
    if (RecordStore() && RecordStore()->Prepared() && IsQuery()) FieldDefs().SetUpdated(false);
    TCustomDADataSet::CreateFieldDefs();
}

void TCustomMyDataSet::BeforeOpenCursor(bool) {
    if (SQL().Count() == 0) data::DatabaseError("No SQL statement provided", this);
}

std::string TCustomMyDataSet::SQLAddWhere(const std::string& sql, const std::string& condition) const {
    return MyAddWhere(sql, condition);
}

std::unique_ptr<TCustomDADataSet> TCustomMyDataSet::CreateUpdateQuery() const {
    auto query = std::make_unique<TCustomMyDataSet>(nullptr);
    // Update statements run in the data set's own session and transaction.
    query->Options().SetCreateConnection(false);
    return query;
}

} // namespace components
