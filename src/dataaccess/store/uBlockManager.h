// The record store's memory: blocks of row items with their update status.
#pragma once

#include <cstddef>
#include <cstdint>

namespace dataaccess {

struct TBlockHeader;

// Update status and update result of a row, as the record store records them.
enum TItemStatus : uint8_t { isUnmodified = 0, isUpdated = 1, isInserted = 2, isDeleted = 3 };
enum TUpdateResult : uint8_t {
    urFail = 0,
    urAbort = 1,
    urSkip = 2,
    urRetry = 3,
    urApplied = 4,
    urNone = 5,
    urSuspended = 6
};
enum TItemFilterState : uint8_t { fsNotChecked = 0, fsVisible = 1, fsOmitted = 2 };

// Marker bytes of an item.
inline constexpr uint8_t kItemFree = 0xDD;
inline constexpr uint8_t kItemInUse = 0xEE;

// A block is its header followed by its items, an item its header followed by the record. The
// headers hold pointer-sized references and keep their natural alignment, so their sizes are those
// of this build; items are spaced so that each header and record stays aligned.
struct TItemHeader {
    TBlockHeader* Block;   // block that holds the item
    TItemHeader* Prev;     // previous item in the store's list or in the free list
    TItemHeader* Next;     // next item
    TItemHeader* Rollback; // the record as it was before a cached update, or nullptr
    uint8_t Status;        // TItemStatus
    uint8_t UpdateResult;  // TUpdateResult
    int32_t Order;         // record number before the store's offset; 0 while hidden by the filter
    uint8_t Marker;        // kItemFree or kItemInUse
    uint8_t FilterState;   // TItemFilterState
    uint8_t Spare;
};

struct TBlockHeader {
    uint16_t ItemCount;
    uint16_t UsedItems;
    TBlockHeader* Next; // newer block; nullptr for the newest
    TBlockHeader* Prev; // older block
    uint8_t Spare;
};

using PItemHeader = TItemHeader*;
using PBlockHeader = TBlockHeader*;

inline constexpr size_t kItemHeaderSize = sizeof(TItemHeader);
inline constexpr size_t kBlockHeaderSize = sizeof(TBlockHeader);
inline constexpr size_t kItemAlignment = alignof(TItemHeader);
inline constexpr uint16_t kDefaultItemCount = 10;

static_assert(kBlockHeaderSize % kItemAlignment == 0 && kItemHeaderSize % kItemAlignment == 0);

// Hands out fixed-size items (header plus one record of RecordSize() bytes) from blocks of
// several items, with a free list across blocks. Frees a block as soon as none of its items is in use.
class TBlockManager {
public:
    TBlockManager() = default;
    ~TBlockManager();
    TBlockManager(const TBlockManager&) = delete;
    TBlockManager& operator=(const TBlockManager&) = delete;

    // The record size of the items; set by the store before the first item is taken.
    int RecordSize() const { return recordSize_; }
    void SetRecordSize(int size) { recordSize_ = size; }
    uint16_t DefaultItemCount() const { return defaultItemCount_; }
    void SetDefaultItemCount(uint16_t count) { defaultItemCount_ = count; }

    PBlockHeader FirstBlock() const { return firstBlock_; } // the newest block
    PItemHeader FirstFree() const { return firstFree_; }

    PItemHeader TakeItem();
    void ReturnItem(PItemHeader item);

    PBlockHeader NewBlock(uint16_t itemCount);
    void AddFreeItems();
    void DisposeBlock(PBlockHeader block);
    void DisposeAll();

    static uint8_t* ItemRecord(PItemHeader item) {
        return reinterpret_cast<uint8_t*>(item) + kItemHeaderSize;
    }
    void PutItemRecord(PItemHeader item, const void* record) const;
    void GetItemRecord(PItemHeader item, void* record) const;
    void CopyItemRecord(PItemHeader source, PItemHeader destination) const;

private:
    // Header and record, rounded up so that the next item stays aligned.
    size_t ItemSize() const {
        return (kItemHeaderSize + static_cast<size_t>(recordSize_) + kItemAlignment - 1) / kItemAlignment *
               kItemAlignment;
    }
    PItemHeader BlockItem(PBlockHeader block, int index) const;
    void UnlinkFree(PItemHeader item);

    PItemHeader firstFree_ = nullptr;
    PBlockHeader firstBlock_ = nullptr;
    int recordSize_ = 0;
    uint16_t defaultItemCount_ = kDefaultItemCount;
};

} // namespace dataaccess
