#include "components/uMyDataSetService.h"

#include "components/uMyDataSetUpdater.h"
#include "components/uMySQLGenerator.h"

namespace components {

std::unique_ptr<TDASQLGenerator> TMyDataSetService::CreateSQLGenerator() {
    return std::make_unique<TMySQLGenerator>(this);
}

std::unique_ptr<TDADataSetUpdater> TMyDataSetService::CreateUpdater() {
    return std::make_unique<TMyDataSetUpdater>(this);
}

} // namespace components
