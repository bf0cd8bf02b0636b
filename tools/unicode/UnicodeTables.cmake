# Generates the character tables of the core library from the Unicode Character Database at
# build time. Included from src/CMakeLists.txt once the `core` target exists.
set(VELTRANE_UNICODE_DATA_DIR "/usr/share/unicode" CACHE PATH
    "Folder with the Unicode Character Database text files (Debian package unicode-data)")

set(_ucd_files UnicodeData.txt SpecialCasing.txt CaseFolding.txt PropList.txt BidiMirroring.txt
    DerivedNormalizationProps.txt DerivedAge.txt)
set(_ucd_inputs "")
foreach(_file IN LISTS _ucd_files)
  if(NOT EXISTS "${VELTRANE_UNICODE_DATA_DIR}/${_file}")
    message(FATAL_ERROR "${VELTRANE_UNICODE_DATA_DIR}/${_file} is missing: install the unicode-data "
                        "package (scripts/setup) or set VELTRANE_UNICODE_DATA_DIR")
  endif()
  list(APPEND _ucd_inputs "${VELTRANE_UNICODE_DATA_DIR}/${_file}")
endforeach()

add_executable(unicode_table_gen "${PROJECT_SOURCE_DIR}/tools/unicode/UnicodeTableGen.cpp")
target_include_directories(unicode_table_gen PRIVATE "${PROJECT_SOURCE_DIR}/src")
veltrane_warnings(unicode_table_gen)

set(_unicode_tables "${CMAKE_CURRENT_BINARY_DIR}/generated/core/UnicodeTables.cpp")
add_custom_command(
  OUTPUT "${_unicode_tables}"
  COMMAND "${CMAKE_COMMAND}" -E make_directory "${CMAKE_CURRENT_BINARY_DIR}/generated/core"
  COMMAND unicode_table_gen "${VELTRANE_UNICODE_DATA_DIR}" "${_unicode_tables}"
  DEPENDS unicode_table_gen ${_ucd_inputs}
  COMMENT "Generating Unicode character tables"
  VERBATIM)
target_sources(core PRIVATE "${_unicode_tables}")
