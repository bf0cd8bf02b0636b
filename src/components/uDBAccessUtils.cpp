#include "components/uDBAccessUtils.h"

#include "components/uDAConnection.h"
#include "components/uDADataSet.h"
#include "components/uDADataSetUpdater.h"
#include "components/uDASQL.h"
#include "components/uDATransaction.h"
#include "dataaccess/server/uCRAccess.h"
#include "platform/rtl/Exception.h"
#include "platform/rtl/ScopeExit.h"

namespace components {

namespace {

[[noreturn]] void WrongKind(const data::TComponent* object) {
    rtl::AssertionFailed(object ? object->ClassName().c_str() : "nil", __FILE__, __LINE__);
}

template <class T>
T& As(const data::TComponent* object) {
    auto* target = dynamic_cast<const T*>(object);
    if (!target) WrongKind(object);
    return const_cast<T&>(*target);
}

// The command that does the work: the command itself or a data set's internal command.
TCustomDASQL& CommandOf(const data::TComponent* object) {
    if (const auto* dataSet = dynamic_cast<const TCustomDADataSet*>(object)) return dataSet->Command();
    return As<TCustomDASQL>(object);
}

} // namespace

TCustomDAConnection* TDBAccessUtils::UsedConnection(const data::TComponent* object) {
    if (const auto* dataSet = dynamic_cast<const TCustomDADataSet*>(object)) return dataSet->UsedConnection();
    const TCustomDASQL& command = As<TCustomDASQL>(object);
    if (command.Connection()) return command.Connection();
    return command.DataSet() ? command.DataSet()->UsedConnection() : nullptr;
}

bool TDBAccessUtils::GetAutoCommit(const data::TComponent* object) {
    if (const auto* dataSet = dynamic_cast<const TCustomDADataSet*>(object)) return dataSet->autoCommit_;
    return As<TCustomDASQL>(object).AutoCommit();
}

void TDBAccessUtils::SetAutoCommit(data::TComponent* object, bool value) {
    auto* dataSet = dynamic_cast<TCustomDADataSet*>(object);
    if (!dataSet) return As<TCustomDASQL>(object).SetAutoCommit(value);
    dataSet->autoCommit_ = value;
    if (dataSet->recordSet_) dataSet->recordSet_->Command()->SetProp(dataaccess::prAutoCommit, value);
}

dataaccess::TCRConnection* TDBAccessUtils::InternalConnection(const data::TComponent* connection) {
    return As<TCustomDAConnection>(connection).IConnection();
}

void TDBAccessUtils::AcquireConnection(data::TComponent* connection) {
    As<TCustomDAConnection>(connection).AcquireConnection();
}

void TDBAccessUtils::ReleaseConnection(data::TComponent* connection) {
    As<TCustomDAConnection>(connection).ReleaseConnection();
}

int TDBAccessUtils::GetConnectionCount(const data::TComponent* transaction) {
    return As<TDATransaction>(transaction).ConnectionCount();
}

TCustomDAConnection* TDBAccessUtils::GetConnection(const data::TComponent* transaction, int index) {
    return As<TDATransaction>(transaction).Connections(index);
}

const std::vector<TCustomDASQL*>& TDBAccessUtils::GetCommands(const data::TComponent* connection) {
    return As<TCustomDAConnection>(connection).SQLClients();
}

rtl::TStringList& TDBAccessUtils::GetSQL(data::TComponent* object) {
    return CommandOf(object).SQL();
}

data::TParams& TDBAccessUtils::GetParams(data::TComponent* object) {
    return CommandOf(object).Params();
}

void TDBAccessUtils::SetSQLText(data::TComponent* object, const std::string& text, bool macroLock,
                                bool rescanLock) {
    TCustomDASQL& command = CommandOf(object);
    command.macroLock_ = macroLock;
    command.paramScanLock_ = rescanLock;
    rtl::Finally([&] { command.SetSQL(text); }, [&] { command.macroLock_ = command.paramScanLock_ = false; });
}

void TDBAccessUtils::HandleDisconnect(data::TComponent* command) {
    As<TCustomDASQL>(command).HandleDisconnect();
}

bool TDBAccessUtils::GetTraceSuppressed(const data::TComponent* object) {
    if (const auto* dataSet = dynamic_cast<const TCustomDADataSet*>(object)) return dataSet->traceLock_;
    return As<TCustomDASQL>(object).traceLock_;
}

void TDBAccessUtils::SetTraceSuppressed(data::TComponent* object, bool value) {
    if (auto* dataSet = dynamic_cast<TCustomDADataSet*>(object))
        dataSet->traceLock_ = value;
    else
        As<TCustomDASQL>(object).traceLock_ = value;
}

dataaccess::TCRTablesInfo& TDBAccessUtils::GetTablesInfo(const data::TComponent* dataSet) {
    dataaccess::TCRRecordSet* recordSet = As<TCustomDADataSet>(dataSet).RecordSet();
    RTL_ASSERT(recordSet);
    return recordSet->TablesInfo();
}

data::TComponent* TDBAccessUtils::UpdateQuery(const data::TComponent* dataSet) {
    return As<TCustomDADataSet>(dataSet).Updater().UpdateComponent();
}

void TDBAccessUtils::Execute(data::TComponent* object) {
    if (auto* dataSet = dynamic_cast<TCustomDADataSet*>(object)) return dataSet->Execute();
    As<TCustomDASQL>(object).Execute();
}

int TDBAccessUtils::GetRowsAffected(const data::TComponent* object) {
    if (const auto* dataSet = dynamic_cast<const TCustomDADataSet*>(object)) return dataSet->RowsAffected();
    return As<TCustomDASQL>(object).RowsAffected();
}

dataaccess::TCRRecordSet* TDBAccessUtils::InternalRecordSet(const data::TComponent* dataSet) {
    return As<TCustomDADataSet>(dataSet).RecordSet();
}

dataaccess::TCRCommand* TDBAccessUtils::InternalCommand(const data::TComponent* object) {
    return CommandOf(object).ICommand();
}

bool TDBAccessUtils::GetFetchAll(const data::TComponent* dataSet) {
    return As<TCustomDADataSet>(dataSet).FetchAll();
}

void TDBAccessUtils::SetFetchAll(data::TComponent* dataSet, bool value) {
    As<TCustomDADataSet>(dataSet).SetFetchAll(value);
}

} // namespace components
