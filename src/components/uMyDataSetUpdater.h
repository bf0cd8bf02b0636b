// The updater of MySQL query data sets: auto-increment values, locks and date-time comparison.
#pragma once

#include "components/uDADataSetUpdater.h"

namespace components {

// The updater of MySQL query data sets: the auto-increment value after an insert, locks only over
// fully fetched rows, and date-time values compared to the second.
class TMyDataSetUpdater : public TDADataSetUpdater {
public:
    using TDADataSetUpdater::TDADataSetUpdater;

    // "Lock is not compatible with FetchAll = False".
    void LockRecord() override;
    // With roBeforeEdit the record is read again before the base rule.
    void BeforeEdit() override;

protected:
    bool GetIdentityFieldValue(rtl::Variant& value) override;
    void ConfigureUpdateComponent(TStatementType type, TCustomDADataSet& query) override;
    // Date-times of the same day, hour and minute whose seconds differ by less than one second.
    bool ValuesEqual(const rtl::Variant& a, const rtl::Variant& b) const override;
    // Only a TIMESTAMP column of a known table keeps a newest value.
    void SaveMaxTimestamp(const std::string& fieldName, const rtl::Variant& value) override;
};

} // namespace components
