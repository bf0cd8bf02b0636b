#include "components/uDADataSetUpdater.h"

#include "components/uDADataSetService.h"
#include "components/uMemDataSet.h"
#include "platform/data/Component.h"
#include "platform/data/DataError.h"
#include "platform/rtl/Exception.h"

namespace components {

using dataaccess::TUpdateRecAction;

TDataSetUpdater::TDataSetUpdater(TDataSetService* service) : dataSetService_(service) {
    RTL_ASSERT(service);
    memDataSet_ = service->DataSet();
}

template <class Apply>
void TDataSetUpdater::HandleChange(Apply apply) {
    const bool modified = memDataSet_->Modified();
    try {
        if (!memDataSet_->LocalUpdate()) apply();
    } catch (...) {
        memDataSet_->SetModified(modified);
        throw;
    }
    memDataSet_->SetModified(modified);
}

void TDataSetUpdater::HandleAppend() {
    HandleChange([this] { ApplyInsert(); });
}

void TDataSetUpdater::HandleDelete() {
    HandleChange([this] { ApplyDelete(); });
}

void TDataSetUpdater::HandleUpdate() {
    HandleChange([this] { ApplyUpdate(); });
}

void TDataSetUpdater::HandleApplyRecord(data::TUpdateKind kind, TUpdateRecAction& action, bool lastItem) {
    TMemDataSet& dataSet = *memDataSet_;
    const bool modified = dataSet.Modified();
    action = dataaccess::urFail;
    try {
        try {
            const bool handled = static_cast<bool>(dataSet.OnUpdateRecord);
            if (handled) {
                dataSet.OnUpdateRecord(&dataSet, kind, action);
                if (action == dataaccess::urFail) data::DatabaseError("Update failed");
                if (action == dataaccess::urAbort) data::Abort();
            }
            if (!handled || action == uaDefaultProcessing) {
                switch (kind) {
                case data::ukModify:
                    ApplyUpdate();
                    break;
                case data::ukInsert:
                    ApplyInsert();
                    break;
                case data::ukDelete:
                    ApplyDelete();
                    break;
                }
                if (IsBatchMode() && !lastItem && !IsBatchFull()) {
                    action = uaDeferred;
                } else {
                    if (IsBatchMode()) FlushBatch();
                    action = dataaccess::urApplied;
                }
            }
        } catch (data::EDatabaseError& error) {
            if (!dataSet.OnUpdateError) throw;
            dataSet.OnUpdateError(&dataSet, error, kind, action);
            if (action == dataaccess::urFail) throw;
            if (action == dataaccess::urAbort) data::Abort();
        }
    } catch (...) {
        dataSet.SetModified(modified);
        throw;
    }
    dataSet.SetModified(modified);
}

TDADataSetUpdater::TDADataSetUpdater(TDADataSetService* service)
    : TDataSetUpdater(service), service_(service) {}

TCustomDADataSet* TDADataSetUpdater::DataSet() const {
    return service_->DADataSet();
}

} // namespace components
