#include "engine/model/uDebugger.h"

namespace engine {

std::shared_ptr<IDebugger> CreateNullDebugger() {
    return std::make_shared<TNullDebugger>();
}

} // namespace engine
