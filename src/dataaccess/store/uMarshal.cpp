#include "dataaccess/store/uMarshal.h"

#include <bit>
#include <cstdlib>
#include <new>

namespace dataaccess {

// Stored layouts are little-endian; plain copies keep them so only on a little-endian machine.
static_assert(std::endian::native == std::endian::little);

namespace BitConverter {

TBytes BytesOfInt64(int64_t value) {
    TBytes bytes(sizeof value);
    std::memcpy(bytes.data(), &value, sizeof value);
    return bytes;
}

double DoubleFromBits(int64_t bits) {
    return std::bit_cast<double>(bits);
}

int64_t BitsFromDouble(double value) {
    return std::bit_cast<int64_t>(value);
}

int64_t Int64At(const TBytes& bytes, int index) {
    return Marshal::LoadInt64(bytes.data(), index);
}

int32_t Int32At(const TBytes& bytes, int index) {
    return Marshal::LoadInt32(bytes.data(), index);
}

uint32_t UInt32At(const TBytes& bytes, int index) {
    return Marshal::detail::Load<uint32_t>(bytes.data(), index);
}

int16_t Int16At(const TBytes& bytes, int index) {
    return Marshal::LoadInt16(bytes.data(), index);
}

} // namespace BitConverter

namespace Marshal {

void* AllocBlock(size_t size) {
    void* block = std::malloc(size ? size : 1);
    if (!block) throw std::bad_alloc();
    return block;
}

void* ResizeBlock(void* block, size_t size) {
    void* resized = std::realloc(block, size ? size : 1);
    if (!resized) throw std::bad_alloc();
    return resized;
}

void FreeBlock(void* block) {
    std::free(block);
}

std::string AnsiFromBuffer(const char* buffer, int length) {
    if (length > 0) return std::string(buffer, static_cast<size_t>(length));
    return std::string(buffer);
}

std::u16string WideFromBuffer(const char16_t* buffer, int length) {
    if (length > 0) return std::u16string(buffer, static_cast<size_t>(length));
    return std::u16string(buffer);
}

void CopyFromArray(const TBytes& source, int startIndex, void* destination, int count) {
    if (count > 0) std::memcpy(destination, source.data() + startIndex, static_cast<size_t>(count));
}

void CopyToArray(const void* source, TBytes& destination, int startIndex, int count) {
    if (count > 0) std::memcpy(destination.data() + startIndex, source, static_cast<size_t>(count));
}

} // namespace Marshal

namespace Buffer {

void CopyBlock(const void* source, std::ptrdiff_t sourceOffset, void* destination,
               std::ptrdiff_t destinationOffset, size_t count) {
    if (count == 0) return;
    std::memmove(static_cast<uint8_t*>(destination) + destinationOffset,
                 static_cast<const uint8_t*>(source) + sourceOffset, count);
}

} // namespace Buffer

} // namespace dataaccess
