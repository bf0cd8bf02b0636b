#include "components/uDADataSetUpdater.h"

#include "components/uDADataSetService.h"
#include "platform/rtl/Exception.h"

namespace components {

TDADataSetUpdater::TDADataSetUpdater(TDADataSetService* service) : service_(service) {
    RTL_ASSERT(service);
}

TCustomDADataSet* TDADataSetUpdater::DataSet() const {
    return service_->DADataSet();
}

} // namespace components
