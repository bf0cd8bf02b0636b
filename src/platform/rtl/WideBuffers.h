// NUL-terminated UTF-16 buffers for code that hands text around by address. A buffer from
// WideStrAllocBuffer remembers its byte size just before the text and is freed with WideStrFreeBuffer.
#pragma once

#include <cstddef>

namespace rtl {

// Room for `characters` units (the NUL included by the caller's count); nothing is initialised.
char16_t* WideStrAllocBuffer(std::size_t characters);
void WideStrFreeBuffer(char16_t* buffer);
// The byte size the buffer was made with (characters × 2 + 4).
std::size_t WideStrBufferSize(const char16_t* buffer);

// Copies `count` units, overlapping or not; answers `destination`.
char16_t* WideStrMoveChars(char16_t* destination, const char16_t* source, std::size_t count);
// A new buffer holding the text and its NUL; null for null.
char16_t* WideStrDuplicate(const char16_t* text);
std::size_t WideStrLength(const char16_t* text);
// The address of the terminating NUL.
const char16_t* WideStrEndOf(const char16_t* text);
// Copies up to the source's NUL or `limit` units, then writes a NUL; answers `destination`.
char16_t* WideStrCopyMax(char16_t* destination, const char16_t* source, std::size_t limit);
char16_t* WideStrCopyAll(char16_t* destination, const char16_t* source);
// The first `c` in the text, the NUL itself when `c` is NUL, null when absent.
const char16_t* WideStrFindChar(const char16_t* text, char16_t c);

} // namespace rtl
