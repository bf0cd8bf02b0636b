// The update object of MySQL data sets.
#pragma once

#include "components/uDAUpdateSQL.h"

namespace components {

// The update object of MySQL data sets: its object slots take MySQL data sets and commands.
class TMyUpdateSQL : public TCustomDAUpdateSQL {
public:
    using TCustomDAUpdateSQL::TCustomDAUpdateSQL;

protected:
    bool IsDataSetClass(const data::TComponent* component) const override;
    bool IsSQLClass(const data::TComponent* component) const override;
    std::string DataSetClassName() const override { return "TCustomMyDataSet"; }
    std::string SQLClassName() const override { return "TMyCommand"; }
};

} // namespace components
