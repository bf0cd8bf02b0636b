#include "components/uMyDataSetUpdater.h"

#include "components/uDAConnection.h"
#include "components/uDADataSet.h"
#include "dataaccess/uCRAccess.h"
#include "dataaccess/uCRConnection.h"
#include "platform/data/DataError.h"

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
    TCustomDAConnection* connection = DataSet()->UsedConnection();
    rtl::Variant id;
    if (!connection || !connection->IConnection() ||
        !connection->IConnection()->GetProp(dataaccess::prLastInsertId, id) || id.AsInt64() == 0)
        return false;
    value = id.AsInt64();
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

} // namespace components
