// Carries a routine's line breaks between the editor's CR LF and the server's own.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace engine {

// The editor and the engine keep routine texts with CR LF for every line break, while the server
// keeps the breaks as they were written, inside string literals too. The breaks, in order, say what
// each CR LF was: text sent back to the server carries them again. A line without a known break
// (one the program wrote) ends with LF.
using TLineBreaks = std::vector<std::string>; // UTF-8

// The text with CR LF for every line break (CR LF, LF, CR, VT, FF, U+2028, U+2029); `breaks` gets
// what each of them was.
std::u16string SplitLineBreaks(std::u16string_view text, TLineBreaks& breaks);
// The breaks of `newText` after an edit of `oldText`: the unchanged lines at the start and at the
// end keep theirs, the others end with LF. Both texts have CR LF breaks.
TLineBreaks CarryLineBreaks(std::u16string_view oldText, const TLineBreaks& oldBreaks,
                            std::u16string_view newText);
// The piece of a CR LF text that starts on line `firstLine` (0 for the first), every CR LF in it
// replaced by the break of its line.
std::string WithLineBreaks(std::string_view text, const TLineBreaks& breaks, std::size_t firstLine);

} // namespace engine
