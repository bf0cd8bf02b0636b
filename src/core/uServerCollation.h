// Comparison of text under the server's default collation.
#pragma once

#include <cstdint>
#include <string_view>

namespace core {

// The weight of a code point under the server's default collation (utf8mb4_general_ci): case and
// accents fold to one weight (a, A and é weigh as A); characters above U+FFFF all weigh 0xFFFD.
std::uint16_t ServerCollationWeight(char32_t codePoint);

// Compares two UTF-8 texts as the server compares strings under that collation with PAD SPACE:
// the shorter text counts as padded with spaces, so trailing spaces never matter while leading
// ones do. Returns negative, 0 or positive.
int ServerCollationCompare(std::string_view a, std::string_view b);

} // namespace core
