#include "platform/data/DataError.h"

#include "platform/data/Component.h"

namespace data {

void DatabaseError(const std::string& message, const TComponent* component) {
    if (component && !component->Name().empty()) throw EDatabaseError(component->Name() + ": " + message);
    throw EDatabaseError(message);
}

} // namespace data
