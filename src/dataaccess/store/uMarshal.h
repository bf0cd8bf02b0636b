// Byte arrays and little-endian values inside them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace dataaccess {

// A length-carrying byte array.
using TBytes = std::vector<uint8_t>;

// Little-endian values inside byte arrays. Doubles travel as their 64-bit pattern.
namespace BitConverter {

TBytes BytesOfInt64(int64_t value);
double DoubleFromBits(int64_t bits);
int64_t BitsFromDouble(double value);
int64_t Int64At(const TBytes& bytes, int index);
int32_t Int32At(const TBytes& bytes, int index);
uint32_t UInt32At(const TBytes& bytes, int index);
int16_t Int16At(const TBytes& bytes, int index);

} // namespace BitConverter

// Unaligned access to raw memory; record buffers, items and pieces are read and written only
// through these. No bounds checks: callers stay within memory they own.
namespace Marshal {

void* AllocBlock(size_t size);
void* ResizeBlock(void* block, size_t size);
void FreeBlock(void* block);

namespace detail {
template <class T>
T Load(const void* address, std::ptrdiff_t offset) {
    T value;
    std::memcpy(&value, static_cast<const uint8_t*>(address) + offset, sizeof(T));
    return value;
}
template <class T>
void Store(void* address, std::ptrdiff_t offset, T value) {
    std::memcpy(static_cast<uint8_t*>(address) + offset, &value, sizeof(T));
}
} // namespace detail

inline uint8_t LoadByte(const void* address, std::ptrdiff_t offset = 0) {
    return detail::Load<uint8_t>(address, offset);
}
inline int16_t LoadInt16(const void* address, std::ptrdiff_t offset = 0) {
    return detail::Load<int16_t>(address, offset);
}
inline int32_t LoadInt32(const void* address, std::ptrdiff_t offset = 0) {
    return detail::Load<int32_t>(address, offset);
}
inline int64_t LoadInt64(const void* address, std::ptrdiff_t offset = 0) {
    return detail::Load<int64_t>(address, offset);
}
inline void* LoadPointer(const void* address, std::ptrdiff_t offset = 0) {
    return detail::Load<void*>(address, offset);
}

inline void StoreByte(void* address, uint8_t value) {
    detail::Store(address, 0, value);
}
inline void StoreInt16(void* address, int16_t value) {
    detail::Store(address, 0, value);
}
inline void StoreInt32(void* address, int32_t value) {
    detail::Store(address, 0, value);
}
inline void StoreInt64(void* address, int64_t value) {
    detail::Store(address, 0, value);
}
inline void StorePointer(void* address, const void* value) {
    detail::Store(address, 0, value);
}

inline void StoreByteAt(void* address, std::ptrdiff_t offset, uint8_t value) {
    detail::Store(address, offset, value);
}
inline void StoreInt16At(void* address, std::ptrdiff_t offset, int16_t value) {
    detail::Store(address, offset, value);
}
inline void StoreInt32At(void* address, std::ptrdiff_t offset, int32_t value) {
    detail::Store(address, offset, value);
}
inline void StoreInt64At(void* address, std::ptrdiff_t offset, int64_t value) {
    detail::Store(address, offset, value);
}
inline void StorePointerAt(void* address, std::ptrdiff_t offset, const void* value) {
    detail::Store(address, offset, value);
}

// With a length above 0 exactly that many characters, zeros included; otherwise up to the terminator.
std::string AnsiFromBuffer(const char* buffer, int length = 0);
std::u16string WideFromBuffer(const char16_t* buffer, int length = 0);

// The string's own characters; no copy is made, so there is nothing to release.
inline const char* AnsiTextPtr(const std::string& text) {
    return text.c_str();
}
inline const char16_t* WideTextPtr(const std::u16string& text) {
    return text.c_str();
}
inline void ReleaseTextPtr(const void*) {}

void CopyFromArray(const TBytes& source, int startIndex, void* destination, int count);
void CopyToArray(const void* source, TBytes& destination, int startIndex, int count);

} // namespace Marshal

namespace Buffer {

void CopyBlock(const void* source, std::ptrdiff_t sourceOffset, void* destination,
               std::ptrdiff_t destinationOffset, size_t count);

} // namespace Buffer

} // namespace dataaccess
