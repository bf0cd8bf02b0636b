#include "dataaccess/store/uStringHeap.h"

#include "dataaccess/store/uMarshal.h"
#include "platform/rtl/Exception.h"

#include <cstring>
#include <string>

namespace dataaccess {

static_assert(kStrHeaderSize % kHeapAlignment == 0 && kHeapBlockLinkSize % kHeapAlignment == 0);

namespace {

int SizeClass(int32_t dataSize) {
    return dataSize / kHeapAlignment;
}

template <class CharT>
CharT* AllocText(TStringHeap& heap, const CharT* source, int length, bool trimRight) {
    if (!source) return nullptr;
    size_t count = length < 0 ? std::char_traits<CharT>::length(source) : static_cast<size_t>(length);
    if (trimRight)
        while (count > 0 && source[count - 1] == CharT(' '))
            --count;
    auto text = static_cast<CharT*>(heap.NewBuf(static_cast<int>((count + 1) * sizeof(CharT))));
    std::char_traits<CharT>::copy(text, source, count);
    text[count] = CharT(0);
    return text;
}

} // namespace

TStringHeap::~TStringHeap() {
    Clear();
}

TStrHeader* TStringHeap::HeaderOf(const void* buffer) {
    return reinterpret_cast<TStrHeader*>(const_cast<uint8_t*>(static_cast<const uint8_t*>(buffer)) -
                                         kStrHeaderSize);
}

int32_t TStringHeap::BufSize(const void* buffer) {
    return HeaderOf(buffer)->Size;
}

uint16_t TStringHeap::BufRefCount(const void* buffer) {
    return HeaderOf(buffer)->RefCount;
}

void TStringHeap::NewBlock() {
    auto block = static_cast<uint8_t*>(Marshal::AllocBlock(kHeapBlockSize));
    Marshal::StorePointer(block, lastBlock_);
    lastBlock_ = block;
    freeSize_ = kHeapBlockDataSize;
}

void TStringHeap::PushFree(TStrHeader* header, int sizeClass) {
    header->RefCount = kRefCountFree;
    uint8_t* data = reinterpret_cast<uint8_t*>(header) + kStrHeaderSize;
    Marshal::StorePointer(data, freeLists_[static_cast<size_t>(sizeClass - 1)]);
    freeLists_[static_cast<size_t>(sizeClass - 1)] = data;
}

void* TStringHeap::Carve(int32_t dataSize) {
    const size_t needed = static_cast<size_t>(dataSize) + kStrHeaderSize;
    if (!lastBlock_) {
        NewBlock();
    } else if (freeSize_ < needed) {
        // The rest of the block becomes a free buffer of its own class.
        RTL_ASSERT(freeSize_ >= kMinRemainder);
        auto rest = reinterpret_cast<TStrHeader*>(lastBlock_ + kHeapBlockSize - freeSize_);
        rest->Size = static_cast<int32_t>((freeSize_ - kStrHeaderSize) / kHeapAlignment * kHeapAlignment);
        PushFree(rest, SizeClass(rest->Size));
        NewBlock();
    }
    auto header = reinterpret_cast<TStrHeader*>(lastBlock_ + kHeapBlockSize - freeSize_);
    header->Size = dataSize;
    header->RefCount = kRefCountOne;
    freeSize_ -= needed;
    if (freeSize_ < kMinRemainder) {
        // Too little left for another buffer: the new buffer takes it, unless that would lift it
        // out of the small classes and send it to the general allocator when freed.
        const int32_t extra = static_cast<int32_t>(freeSize_ / kHeapAlignment * kHeapAlignment);
        if (SizeClass(dataSize + extra) <= kSmallClassCount) header->Size += extra;
        NewBlock();
    }
    return reinterpret_cast<uint8_t*>(header) + kStrHeaderSize;
}

void* TStringHeap::NewBuf(int size) {
    if (size < 1) return nullptr;
    empty_ = false;
    const int sizeClass = (size + kHeapAlignment - 1) / kHeapAlignment;
    const int32_t dataSize = sizeClass * kHeapAlignment;
    if (sizeClass > kSmallClassCount) {
        auto header =
            static_cast<TStrHeader*>(Marshal::AllocBlock(kStrHeaderSize + static_cast<size_t>(dataSize)));
        header->Size = dataSize;
        header->RefCount = kRefCountOne;
        generalAllocatorUsed_ = true;
        return reinterpret_cast<uint8_t*>(header) + kStrHeaderSize;
    }
    void*& freeHead = freeLists_[static_cast<size_t>(sizeClass - 1)];
    if (!freeHead) return Carve(dataSize);
    void* buffer = freeHead;
    freeHead = Marshal::LoadPointer(buffer);
    TStrHeader* header = HeaderOf(buffer);
    RTL_ASSERT(header->RefCount == kRefCountFree);
    header->RefCount = kRefCountOne;
    return buffer;
}

char* TStringHeap::AllocAnsi(const char* source, int length, bool trimRight) {
    return AllocText(*this, source, length, trimRight);
}

char16_t* TStringHeap::AllocWide(const char16_t* source, int length, bool trimRight) {
    return AllocText(*this, source, length, trimRight);
}

void TStringHeap::DisposeBuf(void* buffer) {
    if (!buffer) return;
    TStrHeader* header = HeaderOf(buffer);
    RTL_ASSERT_MSG(header->RefCount > kRefCountFree, "DisposeBuf failed");
    if (header->RefCount > kRefCountOne) {
        header->RefCount--;
        return;
    }
    const int sizeClass = SizeClass(header->Size);
    RTL_ASSERT_MSG(sizeClass >= 1, "SmallTab in DisposeBuf failed");
    if (sizeClass <= kSmallClassCount) {
        PushFree(header, sizeClass);
    } else {
        Marshal::FreeBlock(header);
    }
}

void TStringHeap::AddRefStr(void* buffer) {
    if (!buffer) return;
    TStrHeader* header = HeaderOf(buffer);
    RTL_ASSERT_MSG(header->RefCount > kRefCountFree, "AddRefStr failed");
    header->RefCount++;
}

void TStringHeap::Clear() {
    if (empty_) return;
    // The links run newest to oldest; they are turned round so that the oldest block goes first
    // and the heap is not shrunk on every free (see TBlockManager::DisposeAll).
    uint8_t* oldest = nullptr;
    while (lastBlock_) {
        uint8_t* previous = static_cast<uint8_t*>(Marshal::LoadPointer(lastBlock_));
        Marshal::StorePointer(lastBlock_, oldest);
        oldest = lastBlock_;
        lastBlock_ = previous;
    }
    while (oldest) {
        uint8_t* newer = static_cast<uint8_t*>(Marshal::LoadPointer(oldest));
        Marshal::FreeBlock(oldest);
        oldest = newer;
    }
    freeLists_.fill(nullptr);
    freeSize_ = kHeapBlockDataSize;
    empty_ = true;
    generalAllocatorUsed_ = false;
}

} // namespace dataaccess
