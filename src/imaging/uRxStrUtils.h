// String helpers of the form storage: substitution, words cut by a set of delimiter characters, the
// XOR-and-hex disguise of stored values. Positions count from 1, as the stored formats do.
#pragma once

#include <string>
#include <string_view>

namespace imaging {

// A set of 8-bit delimiter characters.
using TCharSet = std::string_view;

// Every occurrence of `search`, left to right; a replacement is never searched again. An empty
// `search` leaves the text as it is.
std::string ReplaceSubstring(std::string_view text, std::string_view search, std::string_view replacement);

// The number of maximal runs of characters that are not delimiters.
int CountWords(std::string_view text, TCharSet delimiters);
// The position of the first character of the n-th word, or 0 when there are fewer words.
int WordStart(int n, std::string_view text, TCharSet delimiters);
// The n-th word, or the empty string.
std::string NthWord(int n, std::string_view text, TCharSet delimiters);

// Each character XOR the key's character at the same position (the key repeats; an empty key
// changes nothing), as two lower-case hex digits.
std::string XorToHex(std::string_view key, std::string_view text);
// The reverse: pairs of hex digits (a trailing single digit is ignored, a pair that is not hex reads
// as a blank), each XOR the key.
std::string XorFromHex(std::string_view key, std::string_view text);

} // namespace imaging
