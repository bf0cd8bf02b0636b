// Loads a PNG picture from the program's resources.
#pragma once

#include "imaging/uPNGObject.h"

#include <memory>
#include <string_view>

namespace imaging {

// The picture of the program's resource of type "PNG" with that name (case-insensitive), or null
// when there is none or it does not load: callers keep glyphs for the program's life and cope
// without them.
std::unique_ptr<TPNGObject> LoadPngResource(std::u16string_view name);

} // namespace imaging
