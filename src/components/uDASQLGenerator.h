#pragma once

#include "platform/rtl/Set.h"

#include <cstdint>

namespace components {

class TDADataSetService;

// The statements a data set can have generated or set by the user.
enum TStatementType : uint8_t {
    stQuery,
    stInsert,
    stUpdate,
    stDelete,
    stLock,
    stRefresh,
    stCustom,
    stRefreshQuick,
    stRefreshCheckDeleted,
    stBatchUpdate,
};
inline constexpr int kStatementTypeCount = stBatchUpdate + 1;
using TStatementTypes = rtl::Set<TStatementType, kStatementTypeCount>;

// Builds the update statements of a data set from its fields and its updating table.
class TDASQLGenerator {
public:
    // The service must have a data set.
    explicit TDASQLGenerator(TDADataSetService* service);
    virtual ~TDASQLGenerator() = default;
    TDASQLGenerator(const TDASQLGenerator&) = delete;
    TDASQLGenerator& operator=(const TDASQLGenerator&) = delete;

    TDADataSetService* Service() const { return service_; }

private:
    TDADataSetService* service_;
};

} // namespace components
