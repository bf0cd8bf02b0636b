#pragma once

#include "components/uDADataSetService.h"

#include <memory>

namespace components {

// The service of MySQL query data sets: MySQL key, identity and type rules, and the MySQL generator
// and updater.
class TMyDataSetService : public TDADataSetService {
public:
    using TDADataSetService::TDADataSetService;

protected:
    std::unique_ptr<TDASQLGenerator> CreateSQLGenerator() override;
    std::unique_ptr<TDADataSetUpdater> CreateUpdater() override;
};

} // namespace components
