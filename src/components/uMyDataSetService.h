#pragma once

#include "components/uDADataSetService.h"

#include <memory>

namespace components {

// The service of MySQL query data sets: MySQL key, identity and type rules, and the MySQL generator
// and updater.
class TMyDataSetService : public TDADataSetService {
public:
    using TDADataSetService::TDADataSetService;

    // Without KeyFields: the primary-key columns the server flags. A column of a unique index is
    // never taken alone, as it may be part of a longer key.
    void GetKeyAndDataFields(TKeyAndDataFields& fields, bool allTables) const override;
    // The first auto-increment column of the updating table.
    dataaccess::TFieldDesc* IdentityField() const override;

protected:
    std::unique_ptr<TDASQLGenerator> CreateSQLGenerator() override;
    std::unique_ptr<TDADataSetUpdater> CreateUpdater() override;
};

} // namespace components
