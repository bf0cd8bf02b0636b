# Draws the program's pictures at build time and compiles them into the imaging library. The PNG
# files and a contact sheet of all of them (contact-sheet.png) land in <build>/artwork for review.
# Included from src/CMakeLists.txt once the `imaging` target exists.
add_executable(draw_artwork "${PROJECT_SOURCE_DIR}/tools/artwork/DrawArtwork.cpp")
target_link_libraries(draw_artwork PRIVATE ZLIB::ZLIB)
veltrane_warnings(draw_artwork)

set(_artwork_dir "${PROJECT_BINARY_DIR}/artwork")
set(_artwork_source "${CMAKE_CURRENT_BINARY_DIR}/generated/imaging/ProgramArtwork.cpp")
add_custom_command(
  OUTPUT "${_artwork_source}" "${_artwork_dir}/contact-sheet.png"
  COMMAND "${CMAKE_COMMAND}" -E make_directory "${_artwork_dir}" "${CMAKE_CURRENT_BINARY_DIR}/generated/imaging"
  COMMAND draw_artwork "${_artwork_dir}" "${_artwork_source}"
  DEPENDS draw_artwork
  COMMENT "Drawing the program's pictures"
  VERBATIM)
target_sources(imaging PRIVATE "${_artwork_source}")
