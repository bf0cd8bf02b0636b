#include "docking/vzDockKeys.h"

#include <cctype>
#include <random>

namespace docking {

namespace {

// Byte order of the text's hex pairs within the key: the first three groups are little-endian.
constexpr int kTextOrder[16] = {3, 2, 1, 0, 5, 4, 7, 6, 8, 9, 10, 11, 12, 13, 14, 15};
// Where a '-' stands in the text, after the opening brace.
constexpr bool DashAfter(int pair) {
    return pair == 3 || pair == 5 || pair == 7 || pair == 9;
}

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    const char lower = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (lower >= 'a' && lower <= 'f') return lower - 'a' + 10;
    return -1;
}

} // namespace

TGuid NewGuid() {
    static thread_local std::mt19937_64 generator{std::random_device{}()};
    TGuid guid;
    for (uint8_t& byte : guid)
        byte = static_cast<uint8_t>(generator());
    guid[7] = static_cast<uint8_t>((guid[7] & 0x0F) | 0x40); // version 4 (high byte of Data3)
    guid[8] = static_cast<uint8_t>((guid[8] & 0x3F) | 0x80); // variant bits
    return guid;
}

std::string GuidToString(const TGuid& guid) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string text = "{";
    for (int pair = 0; pair < 16; ++pair) {
        const uint8_t byte = guid[kTextOrder[pair]];
        text += kDigits[byte >> 4];
        text += kDigits[byte & 0x0F];
        if (DashAfter(pair)) text += '-';
    }
    return text + "}";
}

TGuid StringToGuid(std::string_view text) {
    const auto fail = [&] {
        throw rtl::EConversionError("'" + std::string(text) + "' is not a valid GUID value");
    };
    if (text.size() != 38 || text.front() != '{' || text.back() != '}') fail();
    TGuid guid{};
    std::size_t at = 1;
    for (int pair = 0; pair < 16; ++pair) {
        const int high = HexValue(text[at]);
        const int low = HexValue(text[at + 1]);
        if (high < 0 || low < 0) fail();
        guid[kTextOrder[pair]] = static_cast<uint8_t>(high << 4 | low);
        at += 2;
        if (DashAfter(pair) && text[at++] != '-') fail();
    }
    return guid;
}

} // namespace docking
