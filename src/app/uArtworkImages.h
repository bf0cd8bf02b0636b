// The program's own pictures (drawn at build time) as the windows' image lists and pictures.
#pragma once

#include "imaging/uPngImageList.h"
#include "imaging/uPNGObject.h"

#include <initializer_list>
#include <memory>
#include <string_view>

namespace app {

// The picture of that name, or null when the program has none.
std::unique_ptr<imaging::TPNGObject> LoadArtwork(std::string_view name);
// Appends the pictures, in this order, to the list; a missing one raises (a build fault).
void AddArtworkImages(imaging::TPngImageList& list, std::initializer_list<std::string_view> names);

} // namespace app
