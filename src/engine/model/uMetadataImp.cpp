#include "engine/model/uMetadataImp.h"

#include "engine/model/uExpressions.h"
#include "platform/rtl/Exception.h"

namespace engine {

std::shared_ptr<ISchemaItem> TSchema::GetItem(int index) const {
    return ItemAt(items_, index);
}

void TSchema::Add(const std::shared_ptr<ISchemaItem>& item) {
    RTL_ASSERT(item);
    items_.push_back(item);
}

} // namespace engine
