#include "platform/rtl/WideBuffers.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>

namespace rtl {

namespace {
// The size sits in the four bytes before the text; keeping the header 4 bytes leaves the text
// 2-byte aligned, all char16_t needs.
constexpr std::size_t kHeader = sizeof(std::uint32_t);

unsigned char* HeaderOf(const char16_t* buffer) {
    return reinterpret_cast<unsigned char*>(const_cast<char16_t*>(buffer)) - kHeader;
}
} // namespace

char16_t* WideStrAllocBuffer(std::size_t characters) {
    const std::size_t bytes = characters * sizeof(char16_t) + kHeader;
    auto* block = static_cast<unsigned char*>(std::malloc(bytes));
    if (!block) throw std::bad_alloc();
    const auto size = static_cast<std::uint32_t>(bytes);
    std::memcpy(block, &size, kHeader);
    return reinterpret_cast<char16_t*>(block + kHeader);
}

void WideStrFreeBuffer(char16_t* buffer) {
    if (buffer) std::free(HeaderOf(buffer));
}

std::size_t WideStrBufferSize(const char16_t* buffer) {
    std::uint32_t size = 0;
    std::memcpy(&size, HeaderOf(buffer), kHeader);
    return size;
}

char16_t* WideStrMoveChars(char16_t* destination, const char16_t* source, std::size_t count) {
    std::memmove(destination, source, count * sizeof(char16_t));
    return destination;
}

char16_t* WideStrDuplicate(const char16_t* text) {
    if (!text) return nullptr;
    const std::size_t length = WideStrLength(text);
    return WideStrMoveChars(WideStrAllocBuffer(length + 1), text, length + 1);
}

std::size_t WideStrLength(const char16_t* text) {
    return static_cast<std::size_t>(WideStrEndOf(text) - text);
}

const char16_t* WideStrEndOf(const char16_t* text) {
    while (*text)
        ++text;
    return text;
}

char16_t* WideStrCopyMax(char16_t* destination, const char16_t* source, std::size_t limit) {
    std::size_t i = 0;
    for (; i < limit && source[i]; ++i)
        destination[i] = source[i];
    destination[i] = u'\0';
    return destination;
}

char16_t* WideStrCopyAll(char16_t* destination, const char16_t* source) {
    return WideStrCopyMax(destination, source, 2147483647);
}

const char16_t* WideStrFindChar(const char16_t* text, char16_t c) {
    for (;; ++text) {
        if (*text == c) return text;
        if (!*text) return nullptr;
    }
}

} // namespace rtl
