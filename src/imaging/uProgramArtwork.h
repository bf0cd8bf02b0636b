// The program's own pictures, drawn at build time, as resources.
#pragma once

#include <cstddef>
#include <span>

namespace imaging {

// One of the program's own pictures, drawn at build time (tools/artwork): its resource name, its
// resource type ("PNG" for the editor's gutter glyphs, "#1" for cursors, "ARTWORK" for the windows'
// images) and the bytes of its PNG file (a cursor file holding one for cursors).
struct TArtwork {
    const char* name;
    const char* type;
    const unsigned char* data;
    std::size_t size;
};

// Every picture; the first call also adds them to the framework's resources (the program's resource
// table), so that they are found by type and name.
std::span<const TArtwork> ProgramArtwork();

} // namespace imaging
