#include "components/uMyDataSetUpdater.h"

#include "components/uDADataSet.h"
#include "dataaccess/mysql/uMySQLFieldDesc.h"
#include "dataaccess/mysql/uMyTableInfo.h"
#include "platform/data/DataError.h"

#include <mariadb/mysql.h>

#include <cmath>

namespace components {

void TMyDataSetUpdater::LockRecord() {
    if (!DataSet()->FetchAll()) data::DatabaseError("Lock is not compatible with FetchAll = False");
    TDADataSetUpdater::LockRecord();
}

void TMyDataSetUpdater::BeforeEdit() {
    if (!DataSet()->CachedUpdates() && DataSet()->RefreshOptions().Contains(roBeforeEdit)) RefreshRecord();
    TDADataSetUpdater::BeforeEdit();
}

bool TMyDataSetUpdater::GetIdentityFieldValue(rtl::Variant& value) {
    // Taken when the INSERT ran: the COMMIT after a checked change resets the session's value.
    if (DataSet()->LastInsertId() == 0) return false;
    value = DataSet()->LastInsertId();
    return true;
}

void TMyDataSetUpdater::ConfigureUpdateComponent(TStatementType, TCustomDADataSet& query) {
    query.SetFetchAll(true);
}

bool TMyDataSetUpdater::ValuesEqual(const rtl::Variant& a, const rtl::Variant& b) const {
    if (TDADataSetUpdater::ValuesEqual(a, b)) return true;
    if (a.Type() != rtl::varDate || b.Type() != rtl::varDate) return false;
    constexpr double kMsPerDay = 86400000.0;
    const int64_t x = std::llround(a.AsDateTime() * kMsPerDay), y = std::llround(b.AsDateTime() * kMsPerDay);
    return x / 60000 == y / 60000 && std::llabs(x - y) < 1000;
}

void TMyDataSetUpdater::SaveMaxTimestamp(const std::string& fieldName, const rtl::Variant& value) {
    const data::TField* field = DataSet()->FindField(fieldName);
    const auto* desc =
        field ? dynamic_cast<const dataaccess::TMySQLFieldDesc*>(DataSet()->GetFieldDesc(field)) : nullptr;
    if (!desc || desc->MySQLType != MYSQL_TYPE_TIMESTAMP || !desc->TableInfo()) return;
    const rtl::TDateTime time = value.IsNull() || value.IsEmpty() ? 0 : value.AsDateTime();
    auto* table = static_cast<dataaccess::TMyTableInfo*>(desc->TableInfo());
    if (time > table->MaxTimestamp()) table->SetMaxTimestamp(time);
}

} // namespace components
