// The heap that keeps the record store's variable-length strings.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace dataaccess {

// Layout of the string heap. A buffer is this header followed by the data a field slot refers to;
// a block starts with a reference to the previous block. Sizes are multiples of 8, so every header
// and every buffer's data is 8-byte aligned.
struct alignas(8) TStrHeader {
    int32_t Size; // data bytes, a multiple of 8
    uint16_t RefCount;
};

inline constexpr size_t kStrHeaderSize = sizeof(TStrHeader);
inline constexpr size_t kHeapBlockSize = 16384;
inline constexpr size_t kHeapBlockLinkSize = sizeof(void*);
inline constexpr size_t kHeapBlockDataSize = kHeapBlockSize - kHeapBlockLinkSize;
inline constexpr int kHeapAlignment = 8;
inline constexpr int kSmallClassCount = 250; // classes 1..250 hold 8..2000 data bytes
inline constexpr size_t kMinRemainder = kStrHeaderSize + kHeapAlignment;
// Reference counts: 100 marks a buffer on a free list, 101 one owner, 102 two, and so on.
inline constexpr uint16_t kRefCountFree = 100;
inline constexpr uint16_t kRefCountOne = 101;

// Variable-length values of heap string and byte fields: buffers of up to 2,000 bytes are carved
// from 16 KB blocks and recycled through free lists by size class; larger ones come from the
// general allocator. Records share a buffer through its reference count, and Clear drops every
// block at once.
class TStringHeap {
public:
    TStringHeap() = default;
    ~TStringHeap();
    TStringHeap(const TStringHeap&) = delete;
    TStringHeap& operator=(const TStringHeap&) = delete;

    // A buffer for `size` bytes with one owner; nullptr for a size below 1.
    void* NewBuf(int size);
    // A zero-terminated copy of `length` characters (-1: up to the terminator), without trailing
    // spaces when asked; nullptr for no source.
    char* AllocAnsi(const char* source, int length = -1, bool trimRight = false);
    char16_t* AllocWide(const char16_t* source, int length = -1, bool trimRight = false);
    // Drops one owner; the last one returns the buffer. nullptr is ignored.
    void DisposeBuf(void* buffer);
    void AddRefStr(void* buffer);
    // Frees every block and empties the free lists. Buffers from the general allocator are not
    // touched: their owners dispose of them first.
    void Clear();

    bool Empty() const { return empty_; }
    // Some buffer came from the general allocator since the last Clear.
    bool GeneralAllocatorUsed() const { return generalAllocatorUsed_; }
    size_t FreeSize() const { return freeSize_; } // free bytes left in the newest block

    static int32_t BufSize(const void* buffer);
    static uint16_t BufRefCount(const void* buffer);

private:
    static TStrHeader* HeaderOf(const void* buffer);
    void NewBlock();
    void* Carve(int32_t dataSize);
    void PushFree(TStrHeader* header, int sizeClass);

    uint8_t* lastBlock_ = nullptr;
    size_t freeSize_ = kHeapBlockDataSize;
    std::array<void*, kSmallClassCount> freeLists_{};
    bool empty_ = true;
    bool generalAllocatorUsed_ = false;
};

} // namespace dataaccess
