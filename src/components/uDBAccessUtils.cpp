#include "components/uDBAccessUtils.h"

#include "components/uDAConnection.h"
#include "components/uDADataSet.h"
#include "components/uDASQL.h"
#include "components/uDATransaction.h"
#include "platform/rtl/Exception.h"

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

void TDBAccessUtils::SetAutoCommit(data::TComponent* object, bool value) {
    CommandOf(object).SetAutoCommit(value);
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

void TDBAccessUtils::SetSQLText(data::TComponent* object, const std::string& text) {
    CommandOf(object).SetSQL(text);
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
