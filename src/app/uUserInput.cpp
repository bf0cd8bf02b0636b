#include "app/uUserInput.h"

#include "platform/rtl/Exception.h"
#include "platform/rtl/Format.h"

#include <algorithm>
#include <cctype>
#include <charconv>

namespace app {

int StrToInt(std::string_view text) {
    int value = 0;
    const char* first = text.data() + (text.starts_with('+') && text.size() > 1 ? 1 : 0);
    const auto [end, error] = std::from_chars(first, text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size())
        throw rtl::EConversionError(rtl::Format("'%s' is not a valid integer value", text));
    return value;
}

bool StrToBool(std::string_view text) {
    const auto isWord = [text](std::string_view word) {
        return std::ranges::equal(
            text, word, [](char a, char b) { return std::tolower(static_cast<unsigned char>(a)) == b; });
    };
    if (isWord("true")) return true;
    if (isWord("false")) return false;
    try {
        return StrToInt(text) != 0;
    } catch (const rtl::EConversionError&) {
        throw rtl::EConversionError(rtl::Format("'%s' is not a valid boolean value", text));
    }
}

} // namespace app
