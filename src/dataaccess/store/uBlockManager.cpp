#include "dataaccess/store/uBlockManager.h"

#include "dataaccess/store/uMarshal.h"
#include "platform/rtl/Exception.h"

#include <cstring>

namespace dataaccess {

TBlockManager::~TBlockManager() {
    DisposeAll();
}

PItemHeader TBlockManager::BlockItem(PBlockHeader block, int index) const {
    return reinterpret_cast<PItemHeader>(reinterpret_cast<uint8_t*>(block) + kBlockHeaderSize +
                                         static_cast<size_t>(index) * ItemSize());
}

PBlockHeader TBlockManager::NewBlock(uint16_t itemCount) {
    RTL_ASSERT(itemCount > 0);
    auto block = static_cast<PBlockHeader>(Marshal::AllocBlock(kBlockHeaderSize + itemCount * ItemSize()));
    block->ItemCount = itemCount;
    block->UsedItems = 0;
    block->Next = nullptr;
    block->Prev = firstBlock_;
    block->Spare = 0;
    if (firstBlock_) firstBlock_->Next = block;
    firstBlock_ = block;
    return block;
}

void TBlockManager::AddFreeItems() {
    const PBlockHeader block = NewBlock(defaultItemCount_);
    // Each item becomes the free head in turn, so the block's last item is taken first.
    for (int i = 0; i < block->ItemCount; ++i) {
        const PItemHeader item = BlockItem(block, i);
        item->Block = block;
        item->Prev = nullptr;
        item->Next = firstFree_;
        item->Marker = kItemFree;
        if (firstFree_) firstFree_->Prev = item;
        firstFree_ = item;
    }
}

PItemHeader TBlockManager::TakeItem() {
    if (!firstFree_) AddFreeItems();
    const PItemHeader item = firstFree_;
    RTL_ASSERT(item->Marker == kItemFree);
    UnlinkFree(item);
    item->Marker = kItemInUse;
    item->Prev = nullptr;
    item->Next = nullptr;
    item->Rollback = nullptr;
    item->Status = isUnmodified;
    item->UpdateResult = urNone;
    item->Order = 0;
    item->FilterState = fsNotChecked;
    item->Block->UsedItems++;
    return item;
}

void TBlockManager::ReturnItem(PItemHeader item) {
    RTL_ASSERT(item->Marker == kItemInUse);
    item->Marker = kItemFree;
    const PBlockHeader block = item->Block;
    if (block->UsedItems > 1) {
        item->Prev = nullptr;
        item->Next = firstFree_;
        if (firstFree_) firstFree_->Prev = item;
        firstFree_ = item;
        block->UsedItems--;
        return;
    }
    // The block's last item in use: its other items leave the free list and the block goes.
    for (int i = 0; i < block->ItemCount; ++i) {
        const PItemHeader other = BlockItem(block, i);
        if (other == item) continue;
        RTL_ASSERT(other->Marker == kItemFree);
        UnlinkFree(other);
    }
    DisposeBlock(block);
}

void TBlockManager::UnlinkFree(PItemHeader item) {
    if (item->Prev)
        item->Prev->Next = item->Next;
    else
        firstFree_ = item->Next;
    if (item->Next) item->Next->Prev = item->Prev;
}

void TBlockManager::DisposeBlock(PBlockHeader block) {
    if (block->Next)
        block->Next->Prev = block->Prev;
    else
        firstBlock_ = block->Prev;
    if (block->Prev) block->Prev->Next = block->Next;
    Marshal::FreeBlock(block);
}

void TBlockManager::DisposeAll() {
    firstFree_ = nullptr;
    // Oldest first: the newest block usually borders the top of the heap, and freeing it first
    // would shrink the heap (a system call) on nearly every free that follows.
    PBlockHeader block = firstBlock_;
    while (block && block->Prev)
        block = block->Prev;
    firstBlock_ = nullptr;
    while (block) {
        const PBlockHeader newer = block->Next;
        Marshal::FreeBlock(block);
        block = newer;
    }
}

void TBlockManager::PutItemRecord(PItemHeader item, const void* record) const {
    std::memcpy(ItemRecord(item), record, static_cast<size_t>(recordSize_));
}

void TBlockManager::GetItemRecord(PItemHeader item, void* record) const {
    std::memcpy(record, ItemRecord(item), static_cast<size_t>(recordSize_));
}

void TBlockManager::CopyItemRecord(PItemHeader source, PItemHeader destination) const {
    std::memcpy(ItemRecord(destination), ItemRecord(source), static_cast<size_t>(recordSize_));
}

} // namespace dataaccess
