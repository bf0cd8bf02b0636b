#include "components/uMyUpdateSQL.h"

#include "components/uMyCommand.h"
#include "components/uMyQuery.h"

namespace components {

bool TMyUpdateSQL::IsDataSetClass(const data::TComponent* component) const {
    return dynamic_cast<const TCustomMyDataSet*>(component) != nullptr;
}

bool TMyUpdateSQL::IsSQLClass(const data::TComponent* component) const {
    return dynamic_cast<const TMyCommand*>(component) != nullptr;
}

} // namespace components
