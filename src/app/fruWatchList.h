#pragma once

#include <string>
#include <string_view>

namespace engine {
class TVeltrane;
}

namespace app {

// What a watch shows: "<disabled>" when unchecked, its value (or the error's message) at a stop, and
// "[process not accessible]" otherwise.
std::u16string WatchValueText(engine::TVeltrane& veltrane, std::u16string_view expression, bool enabled);

} // namespace app
