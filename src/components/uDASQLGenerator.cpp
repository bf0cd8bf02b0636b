#include "components/uDASQLGenerator.h"

#include "components/uDADataSetService.h"
#include "platform/rtl/Exception.h"

namespace components {

TDASQLGenerator::TDASQLGenerator(TDADataSetService* service) : service_(service) {
    RTL_ASSERT(service);
    RTL_ASSERT(service->DataSet());
}

} // namespace components
