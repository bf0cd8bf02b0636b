// Access to the Unicode tables generated at build time: categories, case maps, decompositions.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "platform/rtl/Exception.h"

namespace core {

RTL_DECLARE_EXCEPTION(EResNotFound, rtl::Exception);

// One table of the resource group "UNICODEDATA". The tables are generated at build time from the
// Unicode Character Database (tools/unicode/UnicodeTableGen.cpp describes their layouts).
struct TUnicodeResource {
    const char* name;
    std::span<const std::uint8_t> data;
};

extern const TUnicodeResource kUnicodeResources[];
extern const std::size_t kUnicodeResourceCount;

// The data of the table `name` ("CATEGORIES", "CASE", "DECOMPOSITION", "COMBINING", "COMPOSITION",
// "NUMBERS"); raises EResNotFound "Resource %s not found" for any other name.
std::span<const std::uint8_t> UnicodeResource(std::string_view name);

// The loaded tables. Each one is read on its first use, once, by whichever thread comes first; the
// others wait until it is complete. Code points above U+FFFF have no entries.

// The categories of a character as bits, bit n standing for the category with ordinal n.
std::uint64_t CharacterCategoryBits(char32_t code);

struct TCaseMapping {
    std::u32string fold, lower, title, upper; // empty: the character maps to itself
};

// The case mappings of a character, or nullptr when it has none.
const TCaseMapping* CharacterCaseMapping(char32_t code);

// The decomposition held in the table (canonical, or compatibility), empty when there is none.
std::u32string_view CharacterDecomposition(char32_t code, bool compatibility);

std::uint8_t CharacterCombiningClass(char32_t code);

// The canonical composite of a pair, or 0 when the pair does not compose.
char32_t CharacterComposite(char32_t first, char32_t second);

} // namespace core
